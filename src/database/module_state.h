// The component's per-thread state and the binding of objects to open declaration files.
//
// Each thread that uses the component has its own engine (Engine()), its own shared
// workspace "Brisquel", current database, and the current declaration number and file
// name that the thread's ICMS objects share. Nothing here is shared between threads.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "orvalis/dbengine.h"
#include "orvalis/variant.h"

namespace orvalis {

// Connection parameters of declaration files.
inline constexpr std::string_view kWorkspaceName = "Brisquel";
inline constexpr std::string_view kWorkspaceUser = "admin";
inline constexpr std::string_view kDatabasePassword = ";pwd=lorintaq5";
inline constexpr std::string_view kCollatingOrder = ";LANGID=0x0409;CP=1252;COUNTRY=0";

struct ModuleState {
  std::shared_ptr<Workspace> shared_workspace;  // found or created by Db_Open/NovoArquivo
  std::shared_ptr<Database> current_database;   // the database Db_Open opened last
  Variant icms_number;                          // Empty until an ICMS NroVEK is set
  std::string icms_database_name;               // read from the settings by Let NroVEK
};

// The calling thread's state.
ModuleState& ThisThread();

// The shared workspace: the engine's workspace named "Brisquel", created with user
// "admin" and appended when there is none (the walk compares names exactly).
std::shared_ptr<Workspace> FindOrCreateSharedWorkspace();

// The database of the file `database_name` open in the workspace "Brisquel"
// (Workspace::DatabaseOf): what DBIndex binds to. Raises the engine's 3265 (item not
// found) when either is missing, an empty name included.
std::shared_ptr<Database> BindDatabase(std::string_view database_name);

namespace NScitDB {
// The same look-up, answering nothing (nullptr) instead of failing; an empty name gives
// nothing without touching the engine.
std::shared_ptr<Database> scitDB(std::string_view database_name);
}  // namespace NScitDB

}  // namespace orvalis
