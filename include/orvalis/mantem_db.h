// MantemDB: opening, closing, creating and upgrading declaration files, created by the
// front-end as "Orvalis.MantemDB".
//
// MantemDB holds no state of its own: every object shares the thread's module state (the
// shared workspace "Brisquel" and the current database). Files are opened under their
// path exactly as given; objects of every other class are bound to an open file with
// DBIndex and that same path.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "orvalis/database.h"
#include "orvalis/object.h"

namespace orvalis {

class ORVALIS_EXPORT MantemDB final : public Object {
 public:
  const ClassInfo& Class() const override;

  // The open database of that path in the shared workspace, or nullptr.
  std::shared_ptr<Database> scitDB(std::string_view database_name) const;
  // Checks the file's format version before it is opened: False (after telling the user)
  // for a file of a newer or withdrawn version, True once the file is at "0800". The
  // upgrade of an older file is all or nothing: when it fails the file is as it was and
  // the error reaches the caller. A current file is not written to.
  bool CompatibilizaFormato(const std::string& nomeArq);
  // Opens a declaration file in the shared workspace: -1 when the format check refused
  // it, otherwise the number of files open in the workspace. Engine errors propagate.
  int16_t Db_Open(const std::string& database_name);
  // Closes the file opened under that path; never fails.
  void Db_close(const std::string& database_name);
  // Closes the file and compacts it in place (through "<name less .mdb>Temp.mdb").
  void CompactarBanco(Database& dbvek);
  // Writes a new, empty declaration file "BDTemp.mdb" in the component's folder.
  void NovoArquivo();

  // Building blocks of the format upgrade; each leaves the file alone when its change is
  // already there. A failing one undoes its partial work; the first three swallow their
  // failures, the others answer False.
  void AddDataGeraçãoColigida(Database& db);
  void AddAutenticação(Database& db);
  void AddRegExportação(Database& db);
  bool AddImposto(Database& db);
  bool AddCampoSubstituto(Database& db);
  bool AddCampoSubstituido(Database& db);
  bool AddCamposGAREPagamento(Database& db);
  // True when the table has a column of exactly that name (letter case counts).
  static bool ExisteCampo(const TableDef& tb, std::string_view name);
};

// The side file with the nine fixed reference tables, in the component's folder.
ORVALIS_EXPORT std::string FixedTablesPath();
// The new-file path, "BDTemp.mdb" in the component's folder.
ORVALIS_EXPORT std::string NewFilePath();

ORVALIS_EXPORT void RegisterDatabaseClasses();

}  // namespace orvalis
