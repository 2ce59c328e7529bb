#include "database/module_state.h"

#include "component/collection.h"
#include "orvalis/error.h"

namespace orvalis {

ModuleState& ThisThread() {
  thread_local ModuleState state;
  return state;
}

std::shared_ptr<Workspace> FindOrCreateSharedWorkspace() {
  DBEngine& engine = Engine();
  std::shared_ptr<Workspace> found;
  for (const auto& workspace : engine.Workspaces()) {
    if (workspace->Name() == kWorkspaceName) found = workspace;
  }
  if (!found) {
    found = engine.CreateWorkspace(std::string(kWorkspaceName), std::string(kWorkspaceUser), "");
    engine.AppendWorkspace(found);
  }
  ThisThread().shared_workspace = found;
  return found;
}

std::shared_ptr<Database> BindDatabase(std::string_view database_name) {
  auto workspace = ItemNamed(Engine().Workspaces(), kWorkspaceName);
  return workspace->DatabaseOf(database_name);
}

namespace NScitDB {

std::shared_ptr<Database> scitDB(std::string_view database_name) {
  if (database_name.empty()) return nullptr;
  try {
    return BindDatabase(database_name);
  } catch (const Error&) {
    return nullptr;
  }
}

}  // namespace NScitDB

}  // namespace orvalis
