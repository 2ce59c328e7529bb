#include "database/jet_conversion.h"

#include <algorithm>

#include "database/declaration_schema.h"
#include "engine/table_import.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"

namespace orvalis::database {

namespace {

constexpr std::string_view kVersionTable = "tblVersão";
constexpr int64_t kProgressStep = 1000;

void CreateTable(Database& db, const JetTable& table) {
  std::vector<engine::ImportColumn> columns;
  for (const auto& column : table.columns) columns.push_back({column.name, column.definition});
  std::vector<engine::ImportIndex> indexes;
  for (const auto& index : table.indexes) {
    indexes.push_back({index.name, index.primary, index.unique || index.primary, index.columns});
  }
  try {
    engine::CreateImportTable(db, table.name, columns, indexes);
  } catch (const Error& error) {
    throw Error(error.number(), "Table '" + table.name + "': " + error.description());
  }
}

// Counts rows across tables and tells the progress callback now and then.
struct ProgressCount {
  const JetProgress& report;
  int64_t total = 0;
  int64_t done = 0;

  void Row() {
    if (++done % kProgressStep == 0 && report) report(done, std::max(done, total));
  }
};

int64_t CopyRows(JetSource& source, const JetTable& table, Database& db, ProgressCount& progress) {
  engine::TableImport import(db, table.name);
  std::unique_ptr<JetRows> rows = source.Rows(table);
  std::vector<Variant> row;
  int64_t count = 0;
  for (;;) {
    try {
      if (!rows->Next(row)) break;
      import.Insert(row);
    } catch (const Error& error) {
      throw Error(error.number(), "Table '" + table.name + "', row " + std::to_string(count + 1) +
                                      ": " + error.description());
    }
    ++count;
    progress.Row();
  }
  import.Commit(table.next_counter);
  return count;
}

std::shared_ptr<TableDef> TableNamed(const std::vector<std::shared_ptr<TableDef>>& tables,
                                     std::string_view name) {
  auto found = std::find_if(tables.begin(), tables.end(),
                            [&](const auto& table) { return table->Name() == name; });
  return found == tables.end() ? nullptr : *found;
}

bool HasColumns(const TableDef& table, std::span<const std::string_view> columns) {
  return std::all_of(columns.begin(), columns.end(), [&](std::string_view column) {
    const auto& fields = table.Fields();
    return std::any_of(fields.begin(), fields.end(),
                       [&](const auto& field) { return field->Name() == column; });
  });
}

// A declaration file: its tblVersão's first row holds a version of four digits.
bool IsDeclarationFile(Database& db) {
  if (!TableNamed(db.TableDefs(), kVersionTable)) return false;
  auto versions = db.OpenRecordset("SELECT * FROM tblVersão");
  if (versions->IsEof()) return false;
  const Variant version = versions->GetValue("Versão");
  versions->Close();
  if (!version.IsString() || version.string_value().size() != 4) return false;
  return std::all_of(version.string_value().begin(), version.string_value().end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The schema's relations between the tables (and columns) the file has.
void RebuildRelations(Database& db) {
  const auto tables = db.TableDefs();
  for (const auto& relation : SchemaRelations()) {
    auto primary = TableNamed(tables, relation.table);
    auto foreign = TableNamed(tables, relation.foreign_table);
    if (!primary || !foreign || !HasColumns(*primary, relation.columns) ||
        !HasColumns(*foreign, relation.columns)) {
      continue;
    }
    CreateSchemaRelation(db, relation.name, *primary, *foreign);
  }
}

}  // namespace

JetConversionReport ConvertJetSource(JetSource& source, const std::string& target,
                                     const JetProgress& progress) {
  JetConversionReport report;
  std::shared_ptr<Workspace> workspace =
      Engine().CreateWorkspace("", std::string(kWorkspaceUser), "");
  {
    std::shared_ptr<Database> db = workspace->CreateDatabase(
        target, std::string(kCollatingOrder) + std::string(kDatabasePassword));
    const std::vector<JetTable> tables = source.Tables();
    ProgressCount count{progress};
    for (const auto& table : tables) count.total += table.row_count;
    for (const auto& table : tables) {
      CreateTable(*db, table);
      report.tables.push_back({table.name, CopyRows(source, table, *db, count)});
    }
    report.declaration = IsDeclarationFile(*db);
    if (report.declaration) RebuildRelations(*db);
    if (progress) progress(count.done, count.done);
  }
  workspace->Close();
  if (report.declaration && !MantemDB().CompatibilizaFormato(target)) {
    throw Error(static_cast<int32_t>(ErrorCode::kUnrecognizedFormat),
                "Unrecognized database format '" + target +
                    "': the format check refuses the declaration's version.");
  }
  return report;
}

}  // namespace orvalis::database
