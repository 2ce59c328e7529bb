#include "orvalis/mantem_db.h"

#include <array>
#include <filesystem>

#include "database/declaration_schema.h"
#include "database/file_operations.h"
#include "database/format_upgrade.h"
#include "database/upgrade_ladder.h"
#include "engine/compaction.h"
#include "engine/file_replacement.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "component/collection.h"
#include "orvalis/component_folder.h"
#include "orvalis/diagnostics.h"
#include "engine/late_bound_objects.h"
#include "orvalis/error.h"
#include "database/module_state.h"

namespace orvalis {

namespace {

// The fixed reference tables, in the order the open procedure handles them.
constexpr std::array<std::string_view, 9> kFixedTables = {"tblEstados",
                                                          "tblMunicípios",
                                                          "tblMunicípiosZFM_ALC",
                                                          "tblQuadroCFOPs",
                                                          "tblQuadroOcorrências",
                                                          "tblTodosCFOPs",
                                                          "tblCNAEsRegimeDispensado",
                                                          "tblCódigosDIPAM",
                                                          "tblPerola"};

// Runs `step`; an error ends it silently (reported to the diagnostics hook only).
template <class F>
void Quietly(std::string_view member, F&& step) {
  Swallow("MantemDB", member, std::forward<F>(step));
}

// Deletes the rows of a query one by one, as the open procedure's clean-ups do.
void DeleteRowsOf(std::string_view database_name, std::string_view query) {
  std::shared_ptr<Database> db = NScitDB::scitDB(database_name);
  ThisThread().current_database = db;
  // A file that may not be written is read as it stands.
  if (!db || !db->Updatable()) return;
  auto rows = db->OpenRecordset(query);
  while (!rows->IsEof()) {
    rows->Delete();
    rows->MoveNext();
  }
  rows->Close();
}

void RemoveFixedTable(std::string_view table, std::string_view database_name) {
  Quietly("RemoveTabelaFixa", [&] {
    std::shared_ptr<Database> db = NScitDB::scitDB(database_name);
    ThisThread().current_database = db;
    if (!db) throw MakeError(ErrorCode::kObjectRequired);
    db->DeleteTableDef(std::string(table));
  });
}

void LinkFixedTable(std::string_view table, std::string_view database_name) {
  Quietly("AnexaTabelaFixa", [&] {
    std::shared_ptr<Database> db = NScitDB::scitDB(database_name);
    ThisThread().current_database = db;
    if (!db) throw MakeError(ErrorCode::kObjectRequired);
    auto link = db->CreateTableDef(std::string(table));
    link->SetSourceTableName(std::string(table));
    link->SetConnect(";database=" + FixedTablesPath());
    db->AppendTableDef(link);
  });
}

std::string PathArgument(const Variant& value) { return ToText(value); }

Database& DatabaseArgument(const Variant& value) {
  std::shared_ptr<Database> db = UnwrapDatabase(value);
  if (!db) throw MakeError(ErrorCode::kObjectRequired);
  return *db;
}

}  // namespace

std::string FixedTablesPath() { return FixedTablesFile(); }
std::string NewFilePath() { return ComponentFolder() + "/BDTemp.mdb"; }

std::shared_ptr<Database> MantemDB::scitDB(std::string_view database_name) const {
  return NScitDB::scitDB(database_name);
}

// ---- open and close ------------------------------------------------------------------------

int16_t MantemDB::Db_Open(const std::string& database_name) {
  ModuleState& state = ThisThread();
  if (!CompatibilizaFormato(database_name)) {
    state.current_database = nullptr;
    return -1;
  }
  std::shared_ptr<Workspace> workspace = FindOrCreateSharedWorkspace();
  const auto& open = workspace->Databases();
  for (const auto& db : open) {
    if (db->Name() == database_name) return static_cast<int16_t>(open.size());
  }
  state.current_database = workspace->OpenDatabase(database_name, false, false, kDatabasePassword);
  DeleteRowsOf(database_name, "SELECT * FROM tblDIPAM WHERE CódDIPAM is NULL");
  DeleteRowsOf(database_name, "SELECT * FROM tblOcorrências WHERE Valor = 0");
  for (std::string_view table : kFixedTables) RemoveFixedTable(table, database_name);
  for (std::string_view table : kFixedTables) LinkFixedTable(table, database_name);
  return static_cast<int16_t>(workspace->Databases().size());
}

void MantemDB::Db_close(const std::string& database_name) {
  Quietly("Db_close", [&] {
    std::shared_ptr<Workspace> workspace = ItemNamed(Engine().Workspaces(), kWorkspaceName);
    if (workspace->Databases().empty()) {
      workspace->Close();
      if (ThisThread().shared_workspace == workspace) ThisThread().shared_workspace = nullptr;
      return;
    }
    // Every connection opened under exactly that name closes, however many there are and
    // wherever they stand; the others stay open.
    std::vector<std::shared_ptr<Database>> named;
    for (const auto& db : workspace->Databases()) {
      if (db->Name() == database_name) named.push_back(db);
    }
    for (const auto& db : named) db->Close();
  });
}

// ---- new files and compaction ----------------------------------------------------------------

void MantemDB::NovoArquivo() {
  const std::string path = NewFilePath();
  database::RemoveIfPresent(path);
  std::shared_ptr<Workspace> workspace = FindOrCreateSharedWorkspace();
  workspace->CreateDatabase(path, std::string(kCollatingOrder) + std::string(kDatabasePassword))
      ->Close();
  auto db = workspace->OpenDatabase(path, true, false, kDatabasePassword);
  database::CreateFullSchema(*db);
  Db_close(path);
}

void MantemDB::CompactarBanco(Database& dbvek) {
  const std::string path = dbvek.Name();
  const std::string temporary = path.substr(0, path.size() >= 4 ? path.size() - 4 : 0) + "Temp.mdb";
  dbvek.Close();
  // The file is held exclusively from the copy until the copy stands in its place, and
  // the copy is marked as pending: a compaction interrupted at any point leaves the file
  // whole and a copy that the next one recognises and clears.
  auto claim = engine::FileClaim::Take(path, engine::FileClaim::Kind::kExclusive);
  engine::PendingFile copy(temporary);
  engine::CompactInto(path, temporary, kCollatingOrder, 0, kDatabasePassword, claim.get());
  engine::ReplaceFile(temporary, path, *claim);
}

// ---- format check and upgrade -------------------------------------------------------------------

bool MantemDB::CompatibilizaFormato(const std::string& nomeArq) {
  return database::CheckAndUpgradeFormat(nomeArq);
}

bool MantemDB::ExisteCampo(const TableDef& tb, std::string_view name) {
  for (const auto& field : tb.Fields()) {
    if (field->Name() == name) return true;
  }
  return false;
}

namespace {

// Runs the upgrade step that bears the member's name, as the upgrade runs it: its partial
// work undone and its error swallowed when it fails.
bool RunUpgradeStep(Database& db, std::string_view member) {
  return database::RunStepAbsorbed(db, database::UpgradeStepNamed(member));
}

}  // namespace

void MantemDB::AddDataGeraçãoColigida(Database& db) {
  RunUpgradeStep(db, "AddDataGeraçãoColigida");
}

void MantemDB::AddAutenticação(Database& db) { RunUpgradeStep(db, "AddAutenticação"); }

void MantemDB::AddRegExportação(Database& db) { RunUpgradeStep(db, "AddRegExportação"); }

bool MantemDB::AddImposto(Database& db) { return RunUpgradeStep(db, "AddImposto"); }

bool MantemDB::AddCampoSubstituto(Database& db) { return RunUpgradeStep(db, "AddCampoSubstituto"); }

bool MantemDB::AddCampoSubstituido(Database& db) {
  return RunUpgradeStep(db, "AddCampoSubstituido");
}

bool MantemDB::AddCamposGAREPagamento(Database& db) {
  return RunUpgradeStep(db, "AddCamposGAREPagamento");
}

// ---- late binding
// ----------------------------------------------------------------------------------

const ClassInfo& MantemDB::Class() const {
  using M = MantemDB;
  using Args = std::span<Variant>;
  static const ClassInfo info =
      ClassInfoBuilder<M>("MantemDB")
          .Method("scitDB", 1, 1, [](M& s, Args a) { return WrapDatabase(s.scitDB(ToText(a[0]))); })
          .Method("CompatibilizaFormato", 1, 1,
                  [](M& s, Args a) { return s.CompatibilizaFormato(PathArgument(a[0])); })
          .Method("AddDataGeraçãoColigida", 1, 1,
                  [](M& s, Args a) { s.AddDataGeraçãoColigida(DatabaseArgument(a[0])); })
          .Method("AddAutenticação", 1, 1,
                  [](M& s, Args a) { s.AddAutenticação(DatabaseArgument(a[0])); })
          .Method("AddRegExportação", 1, 1,
                  [](M& s, Args a) { s.AddRegExportação(DatabaseArgument(a[0])); })
          .Method("AddImposto", 1, 1,
                  [](M& s, Args a) { return s.AddImposto(DatabaseArgument(a[0])); })
          .Method("AddCampoSubstituto", 1, 1,
                  [](M& s, Args a) { return s.AddCampoSubstituto(DatabaseArgument(a[0])); })
          .Method("AddCampoSubstituido", 1, 1,
                  [](M& s, Args a) { return s.AddCampoSubstituido(DatabaseArgument(a[0])); })
          .Method("Db_Open", 1, 1,
                  [](M& s, Args a) { return Variant::Integer(s.Db_Open(PathArgument(a[0]))); })
          .Method("Db_close", 1, 1, [](M& s, Args a) { s.Db_close(PathArgument(a[0])); })
          .Method("CompactarBanco", 1, 1,
                  [](M& s, Args a) { s.CompactarBanco(DatabaseArgument(a[0])); })
          .Method("NovoArquivo", 0, 0, [](M& s, Args) { s.NovoArquivo(); })
          .Method("AddCamposGAREPagamento", 1, 1,
                  [](M& s, Args a) { return s.AddCamposGAREPagamento(DatabaseArgument(a[0])); })
          .Method("ExisteCampo", 2, 2,
                  [](M&, Args a) {
                    std::shared_ptr<TableDef> table = UnwrapTableDef(a[0]);
                    if (!table) throw MakeError(ErrorCode::kObjectRequired);
                    return M::ExisteCampo(*table, ToText(a[1]));
                  })
          .Build();
  return info;
}

void RegisterDatabaseClasses() {
  RegisterClass("Orvalis.MantemDB", [] { return std::make_shared<MantemDB>(); });
}

}  // namespace orvalis
