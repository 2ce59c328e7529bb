#include "database/format_upgrade.h"

#include <filesystem>

#include "database/declaration_schema.h"
#include "orvalis/collection.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "orvalis/messages.h"
#include "orvalis/module_state.h"

namespace orvalis::database {

namespace {

constexpr std::string_view kTitle = "Atenção!";
constexpr std::string_view kNewline = "\r\n";

void Refuse(std::string text) {
  ShowMessage(MessageBox{std::string(kTitle), std::move(text), MessageIcon::kCritical});
}

// The table of that exact name, or nullptr.
std::shared_ptr<TableDef> TableNamedExactly(Database& db, std::string_view name) {
  for (const auto& table : db.TableDefs()) {
    if (table->Name() == name) return table;
  }
  return nullptr;
}

void RemoveNewFile() {
  std::error_code ec;
  std::filesystem::remove(NewFilePath(), ec);
}

// Creates a table of the current schema and then the relation that ties it to its
// primary table.
void CreateTableWithRelation(Database& db, std::string_view table, std::string_view relation) {
  auto created = CreateSchemaTable(db, table);
  auto primary = ItemNamed(db.TableDefs(), SchemaRelation(relation).table);
  CreateSchemaRelation(db, relation, *primary, *created);
}

}  // namespace

bool CheckAndUpgradeFormat(MantemDB& owner, const std::string& path) {
  std::shared_ptr<Workspace> workspace =
      Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  auto db = workspace->OpenDatabase(path, false, false, kDatabasePassword);
  std::string version;
  {
    auto versions = db->OpenRecordset("SELECT * FROM tblVersão");
    version = ToText(versions->GetValue("Versão"));
  }
  if (ToLong(Variant(version)) > 800) {
    Refuse("Este arquivo pertence a versão " + version + " da VEK." + std::string(kNewline) +
           std::string(kNewline) + "Utilize uma versão de aplicativo igual a deste arquivo.");
    workspace->Close();
    return false;
  }
  if (version == "0799") {
    Refuse("Este arquivo pertence a versão de TESTE: 07.99 da VEK 0720." + std::string(kNewline) +
           std::string(kNewline) + "Remova este arquivo. Por favor, inutilize-o.");
    workspace->Close();
    return false;
  }
  WriteCurrentVersion(*db, VersionRow::kFirst);
  workspace->Close();
  return true;
}

void AddColumn(Database& db, std::string_view table, std::string_view column, FieldType type,
               int32_t size) {
  auto definition = ItemNamed(db.TableDefs(), table);
  definition->AppendField(definition->CreateField(std::string(column), type, size));
}

bool AddMissingColumns(Database& db, std::string_view table,
                       std::initializer_list<std::string_view> columns) {
  return Swallow("MantemDB", "AddMissingColumns", [&] {
    auto definition = ItemNamed(db.TableDefs(), table);
    std::vector<std::string> names;
    for (const auto& field : definition->Fields()) names.push_back(field->Name());
    if (FindName(names, *columns.begin()) >= 0) return;
    const TableDefinition& schema = SchemaTable(table);
    for (std::string_view column : columns) {
      for (const auto& known : schema.columns) {
        if (known.name == column) AddColumn(db, table, column, known.type, known.size);
      }
    }
  });
}

void AddExportRegisterTables(Database& db) {
  if (!TableNamedExactly(db, "tblRegistroExportação")) {
    RemoveNewFile();
    db.Execute("DROP TABLE tblResumoCFOPsEntradas");
    db.Execute("DROP TABLE tblResumoCFOPsSaídas");
    CreateSchemaTable(db, "tblResumoCFOPsEntradas");
    CreateSchemaTable(db, "tblResumoCFOPsSaídas");
    CreateTableWithRelation(db, "tblIESubstituto", "OcorrênciasIESubstituto");
    CreateTableWithRelation(db, "tblIESubstituido", "OcorrênciasIESubstituido");
    CreateTableWithRelation(db, "tblRegistroExportação", "VEKRE");
  }
  if (!TableNamedExactly(db, "tblRecibosCredito")) {
    RemoveNewFile();
    CreateSchemaTable(db, "tblRecibosCredito");
  }
}

}  // namespace orvalis::database
