#include "database/upgrade_steps.h"

#include <filesystem>
#include <string>

#include "database/declaration_schema.h"
#include "component/collection.h"
#include "orvalis/mantem_db.h"
#include "component/text_fold.h"

namespace orvalis::database {

namespace {

// A table of the current schema and the relation that ties it to its primary table.
struct TableWithRelation {
  std::string_view table;
  std::string_view relation;
};

constexpr TableWithRelation kSubstitutionLists[] = {
    {"tblIESubstituto", "OcorrênciasIESubstituto"},
    {"tblIESubstituido", "OcorrênciasIESubstituido"},
};
constexpr TableWithRelation kExportRegisterTables[] = {
    kSubstitutionLists[0],
    kSubstitutionLists[1],
    {"tblRegistroExportação", "VEKRE"},
};
constexpr std::string_view kExportRegister = "tblRegistroExportação";
constexpr std::string_view kCreditReceipts = "tblRecibosCredito";
constexpr std::string_view kSummaryTables[] = {"tblResumoCFOPsEntradas", "tblResumoCFOPsSaídas"};
constexpr std::string_view kPayments = "tblPagamento";

constexpr std::string_view kNoteTables[] = {"tblZFM_ALC", "tblIESubstituto", "tblIESubstituido"};
constexpr std::string_view kNote = "NF";
constexpr std::string_view kTemporaryNote = "NF2";
constexpr int32_t kNoteWidth = 9;

constexpr std::string_view kNullAmountFills[] = {
    "UPDATE tblDetalhesInterUFs SET Imposto='0,00' WHERE Imposto is null",
    "UPDATE tblDetalhesCFOPs SET ImpRetSubstitutoST='0,00' WHERE ImpRetSubstitutoST is null",
    "UPDATE tblDetalhesCFOPs SET ImpRetSubstituido='0,00' WHERE ImpRetSubstituido is null",
};

bool SameName(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

// The table of that name (letter case ignored), or nullptr.
std::shared_ptr<TableDef> FindTable(Database& db, std::string_view name) {
  auto tables = db.TableDefs();
  int32_t found = PositionNamed(tables, name);
  return found < 0 ? nullptr : tables[static_cast<size_t>(found)];
}

std::shared_ptr<Field> FindField(const TableDef& table, std::string_view name) {
  auto fields = table.Fields();
  int32_t found = PositionNamed(fields, name);
  return found < 0 ? nullptr : fields[static_cast<size_t>(found)];
}

// Deletes the new-file BDTemp.mdb of the component's folder, if there is one.
void RemoveNewFile() {
  std::error_code ec;
  std::filesystem::remove(NewFilePath(), ec);
}

void CreateRelation(Database& db, std::string_view name) {
  const RelationDefinition& definition = SchemaRelation(name);
  auto tables = db.TableDefs();
  CreateSchemaRelation(db, name, *ItemNamed(tables, definition.table),
                       *ItemNamed(tables, definition.foreign_table));
}

void CreateTableWithRelation(Database& db, const TableWithRelation& item) {
  CreateSchemaTable(db, item.table);
  CreateRelation(db, item.relation);
}

// ---- keys of the substitution lists ---------------------------------------------------------

const TableWithRelation* SubstitutionListOf(std::string_view table) {
  for (const auto& list : kSubstitutionLists) {
    if (list.table == table) return &list;
  }
  return nullptr;
}

bool IsSchemaRelation(const Relation& relation) {
  const RelationDefinition& expected = SchemaRelation(relation.Name());
  if (relation.Table() != expected.table || relation.ForeignTable() != expected.foreign_table ||
      relation.Attributes() != expected.attributes ||
      relation.Fields().size() != expected.columns.size()) {
    return false;
  }
  for (size_t i = 0; i < expected.columns.size(); ++i) {
    const Field& field = *relation.Fields()[i];
    if (field.Name() != expected.columns[i] || field.ForeignName() != expected.columns[i]) {
      return false;
    }
  }
  return true;
}

bool IsSchemaKey(const Index& index, const TableDefinition& table) {
  if (index.Name() != table.key.front() || !index.Primary() ||
      index.Fields().size() != table.key.size()) {
    return false;
  }
  for (size_t i = 0; i < table.key.size(); ++i) {
    if (index.Fields()[i]->Name() != table.key[i]) return false;
  }
  return true;
}

// True when the list has exactly the schema's key index and the schema's relation.
bool KeyIsCurrent(Database& db, const TableWithRelation& list) {
  auto table = FindTable(db, list.table);
  if (!table) return false;
  int own_indexes = 0;
  bool key = false;
  for (const auto& index : table->Indexes()) {
    if (index->Foreign()) continue;
    ++own_indexes;
    key = IsSchemaKey(*index, SchemaTable(list.table));
  }
  if (own_indexes != 1 || !key) return false;
  int relations = 0;
  bool relation = false;
  for (const auto& r : db.Relations()) {
    if (!SameName(r->Table(), list.table) && !SameName(r->ForeignTable(), list.table)) continue;
    ++relations;
    relation = r->Name() == list.relation && IsSchemaRelation(*r);
  }
  return relations == 1 && relation;
}

// Deletes every relation the table takes part in and every index of its own.
void ClearKeys(Database& db, std::string_view table_name) {
  for (const auto& relation : db.Relations()) {
    if (SameName(relation->Table(), table_name) || SameName(relation->ForeignTable(), table_name)) {
      db.DeleteRelation(relation->Name());
    }
  }
  auto table = ItemNamed(db.TableDefs(), table_name);
  for (const auto& index : table->Indexes()) {
    if (!index->Foreign()) table->DeleteIndex(index->Name());
  }
}

// Clears the list's keys and appends its schema key index (its relation comes after).
void RebuildKeyIndex(Database& db, const TableWithRelation& list) {
  ClearKeys(db, list.table);
  AppendSchemaKey(*ItemNamed(db.TableDefs(), list.table));
}

// ---- note numbers ------------------------------------------------------------------------------

void AppendNoteColumn(TableDef& table, std::string_view name) {
  table.AppendField(table.CreateField(std::string(name), FieldType::kText, kNoteWidth));
}

void ConvertNoteNumber(Database& db, std::string_view table_name) {
  auto table = ItemNamed(db.TableDefs(), table_name);
  auto note = FindField(*table, kNote);
  auto temporary = FindField(*table, kTemporaryNote);
  const TableWithRelation* list = SubstitutionListOf(table_name);
  if (note) {
    if (note->Size() >= kNoteWidth) return;
    if (temporary) table->DeleteField(temporary->Name());
    AppendNoteColumn(*table, kTemporaryNote);
    db.Execute("UPDATE " + std::string(table_name) + " SET NF2 = NF");
    if (list != nullptr && !table->Indexes().empty()) ClearKeys(db, table_name);
    table->DeleteField(note->Name());
    ItemNamed(table->Fields(), kTemporaryNote)->SetName(std::string(kNote));
  } else if (temporary) {
    if (temporary->Size() != kNoteWidth) return;  // not a conversion of ours: left alone
    temporary->SetName(std::string(kNote));
  } else {
    AppendNoteColumn(*table, kNote);
  }
  // NF belongs to a substitution list's key: with NF new, the key is built again.
  if (list != nullptr && !KeyIsCurrent(db, *list)) {
    RebuildKeyIndex(db, *list);
    CreateRelation(db, list->relation);
  }
}

}  // namespace

bool HasTableNamed(Database& db, std::string_view table) {
  for (const auto& definition : db.TableDefs()) {
    if (definition->Name() == table) return true;
  }
  return false;
}

bool HasColumn(Database& db, std::string_view table, std::string_view column) {
  auto definition = FindTable(db, table);
  return definition && FindField(*definition, column);
}

void AppendSchemaColumn(Database& db, std::string_view table, std::string_view column) {
  for (const auto& known : SchemaTable(table).columns) {
    if (known.name != column) continue;
    auto definition = ItemNamed(db.TableDefs(), table);
    definition->AppendField(definition->CreateField(std::string(column), known.type, known.size));
    return;
  }
  ThrowItemNotFound();
}

void AddMissingColumns(Database& db, std::string_view table,
                       std::initializer_list<std::string_view> columns) {
  if (FindField(*ItemNamed(db.TableDefs(), table), *columns.begin())) return;
  for (std::string_view column : columns) AppendSchemaColumn(db, table, column);
}

void AddExportRegisterTables(Database& db) {
  if (!HasTableNamed(db, kExportRegister)) {
    RemoveNewFile();
    for (std::string_view summary : kSummaryTables) {
      if (HasTableNamed(db, summary)) db.Execute("DROP TABLE " + std::string(summary));
    }
    for (std::string_view summary : kSummaryTables) CreateSchemaTable(db, summary);
    for (const auto& item : kExportRegisterTables) {
      if (!HasTableNamed(db, item.table)) CreateTableWithRelation(db, item);
    }
  }
  if (!HasTableNamed(db, kCreditReceipts)) {
    RemoveNewFile();
    CreateSchemaTable(db, kCreditReceipts);
  }
}

bool ExportRegisterTablesMissing(Database& db) {
  return !HasTableNamed(db, kExportRegister) || !HasTableNamed(db, kCreditReceipts);
}

void ConvertNoteNumbers(Database& db) {
  for (std::string_view table : kNoteTables) ConvertNoteNumber(db, table);
}

bool NoteNumbersNeedConversion(Database& db) {
  for (std::string_view table_name : kNoteTables) {
    auto table = FindTable(db, table_name);
    if (!table) return true;
    auto note = FindField(*table, kNote);
    if (!note || note->Size() < kNoteWidth) return true;
  }
  return false;
}

void RebuildSubstitutionKeys(Database& db) {
  RemoveNewFile();
  for (const auto& list : kSubstitutionLists) RebuildKeyIndex(db, list);
  for (const auto& list : kSubstitutionLists) CreateRelation(db, list.relation);
}

bool SubstitutionKeysOutdated(Database& db) {
  for (const auto& list : kSubstitutionLists) {
    if (!KeyIsCurrent(db, list)) return true;
  }
  return false;
}

void FillNullAmounts(Database& db) {
  for (std::string_view statement : kNullAmountFills) db.Execute(statement);
}

void AddPaymentsTable(Database& db) {
  if (!HasTableNamed(db, kPayments)) CreateTableWithRelation(db, {kPayments, "VEKPagamento"});
}

}  // namespace orvalis::database
