#include "engine/catalog.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "component/text_fold.h"
#include "engine/fault_injection.h"
#include "engine/file_check.h"
#include "engine/sql_translator.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

constexpr std::string_view kIdentityKey = "format";
constexpr std::string_view kIdentityValue = "orvalis-declaration-1";

bool SameName(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

std::string Q(std::string_view name) { return QuoteIdentifier(name); }

std::string IndexSqliteName(std::string_view table, std::string_view index) {
  return "_orv_ix:" + std::string(table) + ":" + std::string(index);
}

std::string RelationIndexName(std::string_view relation) {
  return "_orv_relix:" + std::string(relation);
}

std::string TriggerName(std::string_view relation, std::string_view kind) {
  return "_orv_rel:" + std::string(relation) + ":" + std::string(kind);
}

// "a = b AND c = d" joining the columns of both sides with their qualifiers.
std::string JoinCondition(const RelationInfo& r, std::string_view left, bool left_is_primary,
                          std::string_view right) {
  std::string out;
  for (const auto& [primary, foreign] : r.columns) {
    if (!out.empty()) out += " AND ";
    const std::string& l = left_is_primary ? primary : foreign;
    const std::string& rr = left_is_primary ? foreign : primary;
    out += std::string(left) + Q(l) + " = " + std::string(right) + Q(rr);
  }
  return out;
}

// A schema change is all or nothing: a write transaction of its own (or a savepoint of
// the caller's) that rolls back unless committed.
class SchemaChange {
 public:
  explicit SchemaChange(StatementCache& statements)
      : transaction_((PassFaultSite(FaultSite::kSchemaChange), statements)) {}
  void Commit() { transaction_.Commit(); }

 private:
  WriteTransaction transaction_;
};

}  // namespace

// ---- declared types ---------------------------------------------------------------------

std::string DeclaredType(const ColumnSpec& definition) {
  switch (definition.type) {
    case FieldType::kBoolean:
      return "BOOLEAN";
    case FieldType::kByte:
      return "BYTE";
    case FieldType::kInteger:
      return "SHORT";
    case FieldType::kLong:
      return definition.is_counter() ? "COUNTER" : "LONG";
    case FieldType::kCurrency:
      return "CURRENCY";
    case FieldType::kSingle:
      return "SINGLE";
    case FieldType::kDouble:
      return "DOUBLE";
    case FieldType::kDate:
      return "DATETIME";
    case FieldType::kMemo:
      return "MEMO TEXT";  // TEXT gives SQLite's text affinity
    case FieldType::kText:
      return "TEXT(" + std::to_string(definition.size) + ")";
    // Kept-as-is types: BLOB and TEXT in the declared type give SQLite no affinity that
    // would change their bytes.
    case FieldType::kBinary:
      return "BINARY BLOB(" + std::to_string(definition.size) + ")";
    case FieldType::kLongBinary:
      return "LONGBINARY BLOB";
    case FieldType::kGUID:
      return "GUID TEXT";
    case FieldType::kDecimal:
      return "DECIMAL TEXT(" + std::to_string(definition.precision) + "," +
             std::to_string(definition.scale) + ")";
  }
  return "TEXT(255)";
}

ColumnSpec ParseDeclaredType(std::string_view declared) {
  std::string upper = FoldCase(declared);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
  auto definition = [](FieldType type) { return ColumnSpec{type, DefaultSize(type), 0}; };
  if (upper == "BOOLEAN") return definition(FieldType::kBoolean);
  if (upper == "BYTE") return definition(FieldType::kByte);
  if (upper == "SHORT") return definition(FieldType::kInteger);
  if (upper == "LONG") return definition(FieldType::kLong);
  if (upper == "COUNTER") return ColumnSpec{FieldType::kLong, 4, kAutoIncrField};
  if (upper == "CURRENCY") return definition(FieldType::kCurrency);
  if (upper == "SINGLE") return definition(FieldType::kSingle);
  if (upper == "DOUBLE") return definition(FieldType::kDouble);
  if (upper == "DATETIME") return definition(FieldType::kDate);
  if (upper.starts_with("MEMO")) return definition(FieldType::kMemo);
  if (upper == "LONGBINARY BLOB") return definition(FieldType::kLongBinary);
  if (upper == "GUID TEXT") return definition(FieldType::kGUID);
  if (upper.starts_with("BINARY BLOB(")) {
    int32_t size = std::atoi(upper.c_str() + 12);
    return ColumnSpec{FieldType::kBinary, size > 0 ? size : kDefaultTextSize, 0};
  }
  if (upper.starts_with("DECIMAL TEXT(")) {
    ColumnSpec decimal = definition(FieldType::kDecimal);
    const char* digits = upper.c_str() + 13;
    decimal.precision = static_cast<int16_t>(std::atoi(digits));
    const char* comma = std::strchr(digits, ',');
    decimal.scale = static_cast<int16_t>(comma != nullptr ? std::atoi(comma + 1) : 0);
    return decimal;
  }
  if (upper.starts_with("TEXT(")) {
    int32_t size = std::atoi(upper.c_str() + 5);
    return ColumnSpec{FieldType::kText, size > 0 ? size : kDefaultTextSize, 0};
  }
  return ColumnSpec{FieldType::kText, kDefaultTextSize, 0};
}

bool IsTextComparedType(std::string_view declared) {
  std::string upper(declared);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
  const auto has = [&](std::string_view part) { return upper.find(part) != std::string::npos; };
  if (has("INT")) return false;
  return has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") || upper.empty();
}

// ---- connect strings ---------------------------------------------------------------------

std::optional<std::string> ConnectValue(std::string_view connect, std::string_view key) {
  std::string folded_key = FoldCase(key);
  size_t start = 0;
  while (start <= connect.size()) {
    size_t end = connect.find(';', start);
    if (end == std::string_view::npos) end = connect.size();
    std::string_view item = connect.substr(start, end - start);
    size_t equals = item.find('=');
    if (equals != std::string_view::npos && FoldCase(item.substr(0, equals)) == folded_key) {
      return std::string(item.substr(equals + 1));
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::string ConnectDatabasePath(std::string_view connect) {
  return ConnectValue(connect, "database").value_or("");
}

// ---- TableInfo ----------------------------------------------------------------------------

int TableInfo::FindColumn(std::string_view column) const {
  std::string folded = FoldCase(column);
  const bool prepared = folded_names.size() == columns.size();
  for (size_t i = 0; i < columns.size(); ++i) {
    if ((prepared ? folded_names[i] : FoldCase(columns[i].name)) == folded) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TableInfo::CounterColumn() const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].definition.is_counter()) return static_cast<int>(i);
  }
  return -1;
}

bool TableInfo::InPrimaryKey(std::string_view column) const {
  for (const auto& index : indexes) {
    if (!index.primary) continue;
    for (const auto& c : index.columns) {
      if (SameName(c, column)) return true;
    }
  }
  return false;
}

bool TableInfo::Indexed(std::string_view column) const {
  for (const auto& index : indexes) {
    for (const auto& c : index.columns) {
      if (SameName(c, column)) return true;
    }
  }
  return false;
}

// ---- file identity --------------------------------------------------------------------------

void Catalog::InitializeFile(sqlite3* db) {
  ExecRaw(db,
          "CREATE TABLE _orv_meta(key TEXT PRIMARY KEY, value TEXT);"
          "CREATE TABLE _orv_indexes(tbl TEXT NOT NULL, name TEXT NOT NULL, "
          "  sqlite_name TEXT NOT NULL, is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL,"
          "  PRIMARY KEY(tbl, name));"
          "CREATE TABLE _orv_relations(name TEXT PRIMARY KEY, tbl TEXT NOT NULL, "
          "  foreign_tbl TEXT NOT NULL, attributes INTEGER NOT NULL);"
          "CREATE TABLE _orv_relation_columns(relation TEXT NOT NULL, position INTEGER NOT NULL,"
          "  name TEXT NOT NULL, foreign_name TEXT NOT NULL, PRIMARY KEY(relation, position));"
          "CREATE TABLE _orv_links(name TEXT PRIMARY KEY, connect TEXT NOT NULL, "
          "  source TEXT NOT NULL);"
          "CREATE TABLE _orv_sequences(tbl TEXT PRIMARY KEY, last INTEGER NOT NULL);"
          "INSERT INTO _orv_meta(key, value) VALUES ('" +
              std::string(kIdentityKey) + "', '" + std::string(kIdentityValue) + "');");
}

bool Catalog::IsDeclarationFile(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT value FROM _orv_meta WHERE key = 'format'", -1, &stmt,
                              nullptr);
  bool ok = false;
  if (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    const auto* text = sqlite3_column_text(stmt, 0);
    ok = text != nullptr && std::string_view(reinterpret_cast<const char*>(text)) == kIdentityValue;
  }
  sqlite3_finalize(stmt);
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED || (rc & 0xff) == SQLITE_NOTADB) {
    ThrowSqliteError(db, rc, "");
  }
  return ok;
}

// ---- reading the schema --------------------------------------------------------------------

const std::vector<TableInfo>& Catalog::Tables() {
  if (!loaded_) Load();
  return tables_;
}

const TableInfo* Catalog::FindTable(std::string_view name) {
  const auto& tables = Tables();
  auto found = by_folded_name_.find(FoldCase(name));
  return found == by_folded_name_.end() ? nullptr : &tables[found->second];
}

const TableInfo& Catalog::Table(std::string_view name) {
  const TableInfo* table = FindTable(name);
  if (table == nullptr) throw MakeError(ErrorCode::kItemNotFound);
  return *table;
}

void Catalog::Load() {
  tables_.clear();
  Statement& list = statements_.Get(
      "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE '\\_orv\\_%' "
      "ESCAPE '\\' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
  {
    StatementReset reset(list);
    while (list.Step()) {
      TableInfo table;
      table.name = list.ColumnText(0);
      tables_.push_back(std::move(table));
    }
  }
  for (auto& table : tables_) {
    LoadColumns(table);
    LoadIndexes(table);
  }
  LoadRelationIndexes();
  for (auto& table : tables_) PrepareWrites(table);
  Statement& links = statements_.Get("SELECT name, connect, source FROM _orv_links ORDER BY rowid");
  StatementReset reset(links);
  while (links.Step()) {
    TableInfo link;
    link.name = links.ColumnText(0);
    link.connect = links.ColumnText(1);
    link.source = links.ColumnText(2);
    link.linked = true;
    tables_.push_back(std::move(link));
  }
  by_folded_name_.clear();
  for (size_t i = 0; i < tables_.size(); ++i) by_folded_name_.emplace(FoldCase(tables_[i].name), i);
  loaded_ = true;
  ++generation_;
}

void Catalog::PrepareWrites(TableInfo& table) {
  table.counter = table.CounterColumn();
  // One above the number kept for the table and above its highest row: read and used
  // inside the insert's own write, so no other writer can take the same number.
  const std::string next_number =
      "(max(coalesce((SELECT last FROM _orv_sequences WHERE tbl = " + QuoteText(table.name) +
      "), 0), coalesce((SELECT max(rowid) FROM " + Q(table.name) + "), 0)) + 1)";
  std::string columns = "rowid";
  std::string values = next_number;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    const std::string& name = table.columns[c].name;
    table.folded_names.push_back(FoldCase(name));
    table.in_primary_key.push_back(table.InPrimaryKey(name) ? 1 : 0);
    columns += ", " + Q(name);
    values +=
        ", " + (static_cast<int>(c) == table.counter ? next_number : "?" + std::to_string(c + 1));
  }
  table.insert_sql = "INSERT INTO " + Q(table.name) + " (" + columns + ") VALUES (" + values + ")";
  table.highest_rowid_sql = "SELECT max(rowid) FROM " + Q(table.name);
}

void Catalog::LoadColumns(TableInfo& table) {
  Statement& columns = statements_.Get("SELECT name, type FROM pragma_table_info(?1)");
  StatementReset reset(columns);
  columns.BindText(1, table.name);
  while (columns.Step()) {
    const std::string declared = columns.ColumnText(1);
    table.columns.push_back(ColumnInfo{columns.ColumnText(0), ParseDeclaredType(declared),
                                       IsTextComparedType(declared)});
  }
}

void Catalog::LoadIndexes(TableInfo& table) {
  Statement& indexes = statements_.Get(
      "SELECT name, sqlite_name, is_primary, is_unique FROM _orv_indexes WHERE tbl = ?1 "
      "ORDER BY rowid");
  StatementReset reset(indexes);
  indexes.BindText(1, table.name);
  while (indexes.Step()) {
    IndexInfo index;
    index.name = indexes.ColumnText(0);
    index.sqlite_name = indexes.ColumnText(1);
    index.primary = indexes.ColumnInt(2) != 0;
    index.unique = indexes.ColumnInt(3) != 0;
    table.indexes.push_back(std::move(index));
  }
  Statement& columns = statements_.Get("SELECT name FROM pragma_index_info(?1) ORDER BY seqno");
  for (auto& index : table.indexes) {
    StatementReset reset_columns(columns);
    columns.BindText(1, index.sqlite_name);
    while (columns.Step()) index.columns.push_back(columns.ColumnText(0));
  }
}

void Catalog::LoadRelationIndexes() {
  // One statement for the whole file: the catalog is read again after every schema change.
  Statement& indexes = statements_.Get(
      "SELECT r.foreign_tbl, r.name, c.foreign_name FROM _orv_relations r "
      "JOIN _orv_relation_columns c ON c.relation = r.name "
      "WHERE '_orv_relix:' || r.name IN (SELECT name FROM sqlite_schema WHERE type = 'index') "
      "ORDER BY r.rowid, c.position");
  StatementReset reset(indexes);
  IndexInfo* index = nullptr;
  while (indexes.Step()) {
    const std::string table_name = indexes.ColumnText(0);
    const std::string relation = indexes.ColumnText(1);
    if (index == nullptr || index->name != relation) {
      auto table = std::find_if(tables_.begin(), tables_.end(),
                                [&](const TableInfo& t) { return t.name == table_name; });
      if (table == tables_.end()) continue;
      index = &table->indexes.emplace_back();
      index->name = relation;
      index->sqlite_name = RelationIndexName(relation);
      index->foreign = true;
    }
    index->columns.push_back(indexes.ColumnText(2));
  }
}

std::vector<RelationInfo> Catalog::Relations() {
  std::vector<RelationInfo> relations;
  Statement& list = statements_.Get(
      "SELECT name, tbl, foreign_tbl, attributes FROM _orv_relations ORDER BY rowid");
  {
    StatementReset reset(list);
    while (list.Step()) {
      RelationInfo r;
      r.name = list.ColumnText(0);
      r.table = list.ColumnText(1);
      r.foreign_table = list.ColumnText(2);
      r.attributes = static_cast<int32_t>(list.ColumnInt(3));
      relations.push_back(std::move(r));
    }
  }
  Statement& columns = statements_.Get(
      "SELECT name, foreign_name FROM _orv_relation_columns WHERE relation = ?1 ORDER BY position");
  for (auto& r : relations) {
    StatementReset reset(columns);
    columns.BindText(1, r.name);
    while (columns.Step()) r.columns.emplace_back(columns.ColumnText(0), columns.ColumnText(1));
  }
  return relations;
}

void Catalog::RequireTable(std::string_view name) {
  const TableInfo* table = FindTable(name);
  if (table == nullptr || table->linked) throw MakeError(ErrorCode::kItemNotFound);
}

// ---- tables -------------------------------------------------------------------------------

void Catalog::CreateTable(const TableInfo& table) {
  if (FindTable(table.name) != nullptr) throw MakeError(ErrorCode::kTableExists, table.name);
  if (table.columns.empty()) throw MakeError(ErrorCode::kInvalidArgument);
  std::string sql = "CREATE TABLE " + Q(table.name) + " (";
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnInfo& c = table.columns[i];
    for (size_t j = 0; j < i; ++j) {
      if (SameName(table.columns[j].name, c.name)) throw MakeError(ErrorCode::kFieldDefinedTwice);
    }
    if (i > 0) sql += ", ";
    sql += Q(c.name) + " " + DeclaredType(c.definition);
    if (c.definition.type == FieldType::kText || c.definition.type == FieldType::kMemo)
      sql += " COLLATE NOCASE";
  }
  sql += ")";
  SchemaChange change(statements_);
  ExecRaw(db_, sql);
  Invalidate();
  for (const auto& index : table.indexes) CreateIndex(table.name, index);
  change.Commit();
  Invalidate();
}

void Catalog::DropTable(std::string_view name) {
  const TableInfo* found = FindTable(name);
  if (found == nullptr) throw MakeError(ErrorCode::kTableNotFound, name);
  TableInfo table = *found;
  SchemaChange change(statements_);
  if (table.linked) {
    ExecRaw(db_, "DROP VIEW IF EXISTS temp." + Q(table.name));
    statements_.Run("DELETE FROM _orv_links WHERE name = ?1", {table.name});
  } else {
    for (const auto& r : Relations()) {
      if (SameName(r.table, table.name) || SameName(r.foreign_table, table.name)) {
        throw MakeError(ErrorCode::kTableInRelationship, table.name);
      }
    }
    // A table made again under the name numbers its rows above the dropped one's.
    KeepHighestNumber(table.name);
    ExecRaw(db_, "DROP TABLE " + Q(table.name));
    statements_.Run("DELETE FROM _orv_indexes WHERE tbl = ?1", {table.name});
  }
  change.Commit();
  Invalidate();
}

// ---- columns ------------------------------------------------------------------------------

void Catalog::AddColumn(std::string_view table_name, const ColumnInfo& column) {
  RequireTable(table_name);
  const TableInfo& table = Table(table_name);
  if (table.FindColumn(column.name) >= 0) throw MakeError(ErrorCode::kFieldDefinedTwice);
  std::string sql = "ALTER TABLE " + Q(table.name) + " ADD COLUMN " + Q(column.name) + " " +
                    DeclaredType(column.definition);
  if (column.definition.type == FieldType::kText || column.definition.type == FieldType::kMemo) {
    sql += " COLLATE NOCASE";
  }
  SchemaChange change(statements_);
  ExecRaw(db_, sql);
  change.Commit();
  Invalidate();
}

void Catalog::DropColumn(std::string_view table_name, std::string_view column) {
  RequireTable(table_name);
  const TableInfo& table = Table(table_name);
  int position = table.FindColumn(column);
  if (position < 0) throw MakeError(ErrorCode::kItemNotFound);
  std::string name = table.columns[position].name;
  for (const auto& index : table.indexes) {
    if (index.foreign) continue;  // the relation check below names the relation's table
    for (const auto& c : index.columns) {
      if (SameName(c, name)) throw MakeError(ErrorCode::kFieldInIndex);
    }
  }
  for (const auto& r : Relations()) {
    for (const auto& [primary, foreign] : r.columns) {
      if ((SameName(r.table, table.name) && SameName(primary, name)) ||
          (SameName(r.foreign_table, table.name) && SameName(foreign, name))) {
        throw MakeError(ErrorCode::kTableInRelationship, table.name);
      }
    }
  }
  SchemaChange change(statements_);
  ExecRaw(db_, "ALTER TABLE " + Q(table.name) + " DROP COLUMN " + Q(name));
  change.Commit();
  Invalidate();
}

void Catalog::RenameColumn(std::string_view table_name, std::string_view from,
                           std::string_view to) {
  RequireTable(table_name);
  const TableInfo& table = Table(table_name);
  int position = table.FindColumn(from);
  if (position < 0) throw MakeError(ErrorCode::kItemNotFound);
  int clash = table.FindColumn(to);
  if (clash >= 0 && clash != position) throw MakeError(ErrorCode::kFieldDefinedTwice);
  std::string table_exact = table.name;
  std::string from_exact = table.columns[position].name;
  SchemaChange change(statements_);
  ExecRaw(db_,
          "ALTER TABLE " + Q(table_exact) + " RENAME COLUMN " + Q(from_exact) + " TO " + Q(to));
  // Relations name their columns too.
  for (const char* sql :
       {"UPDATE _orv_relation_columns SET name = ?3 WHERE name = ?2 AND relation IN "
        "(SELECT name FROM _orv_relations WHERE tbl = ?1)",
        "UPDATE _orv_relation_columns SET foreign_name = ?3 WHERE foreign_name = ?2 AND "
        "relation IN (SELECT name FROM _orv_relations WHERE foreign_tbl = ?1)"}) {
    statements_.Run(sql, {table_exact, from_exact, std::string(to)});
  }
  change.Commit();
  Invalidate();
}

// ---- indexes ------------------------------------------------------------------------------

void Catalog::CreateIndex(std::string_view table_name, const IndexInfo& index) {
  RequireTable(table_name);
  const TableInfo& table = Table(table_name);
  for (const auto& existing : table.indexes) {
    if (SameName(existing.name, index.name)) throw MakeError(ErrorCode::kIndexExists);
    if (existing.primary && index.primary) throw MakeError(ErrorCode::kPrimaryKeyExists);
  }
  if (index.columns.empty()) throw MakeError(ErrorCode::kInvalidArgument);
  std::string columns;
  for (const auto& c : index.columns) {
    if (table.FindColumn(c) < 0) throw MakeError(ErrorCode::kItemNotFound);
    if (!columns.empty()) columns += ", ";
    columns += Q(c);
  }
  std::string table_exact = table.name;
  std::string sqlite_name = IndexSqliteName(table_exact, index.name);
  bool unique = index.unique || index.primary;
  SchemaChange change(statements_);
  ExecRaw(db_, std::string(unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + Q(sqlite_name) +
                   " ON " + Q(table_exact) + " (" + columns + ")");
  statements_.Run(
      "INSERT INTO _orv_indexes(tbl, name, sqlite_name, is_primary, is_unique) "
      "VALUES (?1, ?2, ?3, ?4, ?5)",
      {table_exact, index.name, sqlite_name, int64_t{index.primary ? 1 : 0},
       int64_t{unique ? 1 : 0}});
  change.Commit();
  Invalidate();
}

void Catalog::DropIndex(std::string_view table_name, std::string_view name) {
  RequireTable(table_name);
  const TableInfo& table = Table(table_name);
  const IndexInfo* found = nullptr;
  for (const auto& index : table.indexes) {
    if (SameName(index.name, name)) found = &index;
  }
  if (found == nullptr) throw MakeError(ErrorCode::kItemNotFound);
  // A relation's index goes only with its relation.
  if (found->foreign) throw MakeError(ErrorCode::kTableInRelationship, table.name);
  std::string table_exact = table.name;
  std::string index_exact = found->name;
  SchemaChange change(statements_);
  ExecRaw(db_, "DROP INDEX " + Q(found->sqlite_name));
  statements_.Run("DELETE FROM _orv_indexes WHERE tbl = ?1 AND name = ?2",
                  {table_exact, index_exact});
  change.Commit();
  Invalidate();
}

// ---- relations ----------------------------------------------------------------------------

void Catalog::CreateRelation(const RelationInfo& relation) {
  for (const auto& r : Relations()) {
    if (SameName(r.name, relation.name)) throw MakeError(ErrorCode::kObjectExists, relation.name);
  }
  RequireTable(relation.table);
  RequireTable(relation.foreign_table);
  if (relation.columns.empty()) throw MakeError(ErrorCode::kInvalidArgument);
  RelationInfo r = relation;
  r.table = Table(relation.table).name;
  r.foreign_table = Table(relation.foreign_table).name;
  for (auto& [primary, foreign] : r.columns) {
    int p = Table(r.table).FindColumn(primary);
    int f = Table(r.foreign_table).FindColumn(foreign);
    if (p < 0 || f < 0) throw MakeError(ErrorCode::kItemNotFound);
    primary = Table(r.table).columns[p].name;
    foreign = Table(r.foreign_table).columns[f].name;
  }
  SchemaChange change(statements_);
  statements_.Run(
      "INSERT INTO _orv_relations(name, tbl, foreign_tbl, attributes) VALUES (?1, ?2, ?3, ?4)",
      {r.name, r.table, r.foreign_table, int64_t{r.attributes}});
  for (size_t i = 0; i < r.columns.size(); ++i) {
    statements_.Run(
        "INSERT INTO _orv_relation_columns(relation, position, name, foreign_name) "
        "VALUES (?1, ?2, ?3, ?4)",
        {r.name, static_cast<int64_t>(i), r.columns[i].first, r.columns[i].second});
  }
  // Like the old engine, an enforced relation indexes its foreign columns, so checks and
  // cascades find the related rows without a scan.
  std::string foreign_columns;
  for (const auto& column : r.columns) {
    if (!foreign_columns.empty()) foreign_columns += ", ";
    foreign_columns += Q(column.second);
  }
  ExecRaw(db_, "CREATE INDEX " + Q(RelationIndexName(r.name)) + " ON " + Q(r.foreign_table) + " (" +
                   foreign_columns + ")");
  if ((r.attributes & kRelationDontEnforce) == 0) CreateRelationTriggers(r);
  change.Commit();
  Invalidate();
}

void Catalog::CreateRelationTriggers(const RelationInfo& r) {
  const std::string primary = Q(r.table);
  const std::string foreign = Q(r.foreign_table);
  std::string not_null, changed, primary_columns, foreign_columns, assign;
  for (const auto& [p, f] : r.columns) {
    if (!not_null.empty()) {
      not_null += " AND ";
      changed += " OR ";
      primary_columns += ", ";
      foreign_columns += ", ";
      assign += ", ";
    }
    not_null += "NEW." + Q(f) + " IS NOT NULL";
    changed += "OLD." + Q(p) + " IS NOT NEW." + Q(p);
    primary_columns += Q(p);
    foreign_columns += Q(f);
    assign += Q(f) + " = NEW." + Q(p);
  }
  const std::string needs_primary = "WHEN " + not_null + " AND NOT EXISTS (SELECT 1 FROM " +
                                    primary + " WHERE " + JoinCondition(r, "", true, "NEW.") + ")";
  const std::string required =
      "BEGIN SELECT RAISE(ABORT, " + QuoteText("orv:3201:" + r.table) + "); END";
  const std::string related =
      "BEGIN SELECT RAISE(ABORT, " + QuoteText("orv:3200:" + r.foreign_table) + "); END";
  const std::string has_related =
      "EXISTS (SELECT 1 FROM " + foreign + " WHERE " + JoinCondition(r, "", false, "OLD.") + ")";

  std::string sql;
  sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "fi")) + " BEFORE INSERT ON " + foreign + " " +
         needs_primary + " " + required + ";";
  sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "fu")) + " BEFORE UPDATE OF " + foreign_columns +
         " ON " + foreign + " " + needs_primary + " " + required + ";";
  if (r.attributes & kRelationDeleteCascade) {
    sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "pd")) + " AFTER DELETE ON " + primary +
           " BEGIN DELETE FROM " + foreign + " WHERE " + JoinCondition(r, "", false, "OLD.") +
           "; END;";
  } else {
    sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "pd")) + " BEFORE DELETE ON " + primary +
           " WHEN " + has_related + " " + related + ";";
  }
  if (r.attributes & kRelationUpdateCascade) {
    sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "pu")) + " AFTER UPDATE OF " +
           primary_columns + " ON " + primary + " WHEN " + changed + " BEGIN UPDATE " + foreign +
           " SET " + assign + " WHERE " + JoinCondition(r, "", false, "OLD.") + "; END;";
  } else {
    sql += "CREATE TRIGGER " + Q(TriggerName(r.name, "pu")) + " BEFORE UPDATE OF " +
           primary_columns + " ON " + primary + " WHEN (" + changed + ") AND " + has_related + " " +
           related + ";";
  }
  ExecRaw(db_, sql);
}

void Catalog::DropRelationTriggers(std::string_view name) {
  std::string sql;
  for (std::string_view kind : {"fi", "fu", "pd", "pu"}) {
    sql += "DROP TRIGGER IF EXISTS " + Q(TriggerName(name, kind)) + ";";
  }
  sql += "DROP INDEX IF EXISTS " + Q(RelationIndexName(name)) + ";";
  ExecRaw(db_, sql);
}

void Catalog::DropRelation(std::string_view name) {
  std::string exact;
  for (const auto& r : Relations()) {
    if (SameName(r.name, name)) exact = r.name;
  }
  if (exact.empty()) throw MakeError(ErrorCode::kItemNotFound);
  SchemaChange change(statements_);
  DropRelationTriggers(exact);
  for (const char* sql : {"DELETE FROM _orv_relation_columns WHERE relation = ?1",
                          "DELETE FROM _orv_relations WHERE name = ?1"}) {
    statements_.Run(sql, {exact});
  }
  change.Commit();
  Invalidate();
}

// ---- links --------------------------------------------------------------------------------

std::string Catalog::AttachFile(const std::string& path) {
  for (const auto& [attached_path, schema] : attached_) {
    if (attached_path == path) return schema;
  }
  std::string schema = "orv_link_" + std::to_string(attached_.size());
  // Read only: a write transaction on the declaration file then takes no lock on the
  // linked file, so writers of different files never wait for each other.
  Statement attach(db_, "ATTACH DATABASE ?1 AS " + Q(schema));
  attach.BindText(1, FileUri(path) + "?mode=ro");
  attach.Run();
  attached_.emplace_back(path, schema);
  return schema;
}

void Catalog::DefineLinkView(std::string_view name, const std::string& schema,
                             std::string_view source) {
  Statement exists(db_, "SELECT name FROM " + Q(schema) +
                            ".sqlite_schema WHERE type IN ('table', 'view') AND name = ?1 "
                            "COLLATE NOCASE");
  exists.BindText(1, source);
  if (!exists.Step()) throw MakeError(ErrorCode::kTableNotFound, source);
  std::string source_exact = exists.ColumnText(0);
  exists.Reset();
  ExecRaw(db_, "DROP VIEW IF EXISTS temp." + Q(name) + "; CREATE TEMP VIEW " + Q(name) +
                   " AS SELECT * FROM " + Q(schema) + "." + Q(source_exact));
}

void Catalog::CreateLink(std::string_view name, std::string_view connect, std::string_view source) {
  if (FindTable(name) != nullptr) throw MakeError(ErrorCode::kTableExists, name);
  std::string path = ConnectDatabasePath(connect);
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    throw MakeError(ErrorCode::kFileNotFound, path);
  }
  const std::string schema = AttachFile(path);
  SchemaChange change(statements_);
  DefineLinkView(name, schema, source);
  statements_.Run("INSERT INTO _orv_links(name, connect, source) VALUES (?1, ?2, ?3)",
                  {std::string(name), std::string(connect), std::string(source)});
  change.Commit();
  Invalidate();
}

void Catalog::AttachLinks() {
  for (const auto& table : Tables()) {
    if (!table.linked) continue;
    std::string path = ConnectDatabasePath(table.connect);
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) continue;
    try {
      DefineLinkView(table.name, AttachFile(path), table.source);
    } catch (const Error&) {
      // A link whose file no longer has the table stays unreadable; queries report it.
    }
  }
}

// ---- counters -----------------------------------------------------------------------------

void Catalog::KeepNumbersBeforeDelete(std::string_view table) {
  const TableInfo* start = FindTable(table);
  if (start == nullptr || start->linked) return;
  // The table and every table a cascade of enforced relations reaches from it.
  std::vector<std::pair<std::string, std::string>> cascades;  // primary, foreign
  {
    Statement& list = statements_.Get(
        "SELECT tbl, foreign_tbl FROM _orv_relations WHERE attributes & ?1 AND NOT attributes & "
        "?2");
    StatementReset reset(list);
    list.BindInt(1, kRelationDeleteCascade);
    list.BindInt(2, kRelationDontEnforce);
    while (list.Step()) cascades.emplace_back(list.ColumnText(0), list.ColumnText(1));
  }
  std::vector<std::string> reached{start->name};
  for (size_t i = 0; i < reached.size(); ++i) {
    for (const auto& [primary, foreign_name] : cascades) {
      if (!SameName(primary, reached[i])) continue;
      const TableInfo* foreign = FindTable(foreign_name);
      if (foreign == nullptr || foreign->linked) continue;
      bool known = false;
      for (const auto& name : reached) known = known || SameName(name, foreign->name);
      if (!known) reached.push_back(foreign->name);
    }
  }
  for (const auto& name : reached) KeepHighestNumber(name);
}

void Catalog::KeepHighestNumber(const std::string& table) {
  // Written only when it grows: a delete below the highest row changes nothing here.
  statements_.Run(
      "INSERT INTO _orv_sequences(tbl, last) VALUES (?1, coalesce((SELECT "
      "max(rowid) FROM " +
          Q(table) +
          "), 0)) ON CONFLICT(tbl) DO UPDATE SET "
          "last = excluded.last WHERE excluded.last > last",
      {StoredValue(table)});
}

int64_t Catalog::HighestRowNumber(const TableInfo& table) {
  Statement& highest = statements_.Get(table.highest_rowid_sql);
  StatementReset reset(highest);
  highest.Step();
  return highest.ColumnIsNull(0) ? 0 : highest.ColumnInt(0);
}

int64_t Catalog::TakeRowNumbers(const TableInfo& table, int64_t count, int64_t held) {
  std::optional<int64_t> last;
  {
    Statement& read = statements_.Get("SELECT last FROM _orv_sequences WHERE tbl = ?1");
    StatementReset reset(read);
    read.BindText(1, table.name);
    if (read.Step() && !read.ColumnIsNull(0)) last = read.ColumnInt(0);
  }
  const int64_t first = std::max(held, last.value_or(0)) + 1;
  statements_.Run(last ? "UPDATE _orv_sequences SET last = ?2 WHERE tbl = ?1"
                       : "INSERT INTO _orv_sequences(tbl, last) VALUES (?1, ?2)",
                  {StoredValue(table.name), StoredValue(first + count - 1)});
  return first;
}

}  // namespace orvalis::engine
