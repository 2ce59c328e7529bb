// Catalog: the schema of one declaration file as the engine sees it, and the schema
// changes the engine makes.
//
// SQLite keeps the tables and their columns; a column's engine type lives in its
// declared type (TEXT(15), CURRENCY, COUNTER, ...). What SQLite has no place for lives in
// the file's own bookkeeping tables (names beginning "_orv_", hidden from TableDefs):
// index names and their primary flag (SQLite index names are global, the engine's are per
// table), relations and their columns (enforced with triggers), links to other files,
// the counter sequences and the file's identity and password. A table's indexes include
// those its relations made on it (see IndexInfo::foreign).
//
// The catalog caches what it read and must be told (Invalidate) when the schema changes.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/sqlite_handle.h"
#include "orvalis/field_type.h"

namespace orvalis::engine {

struct ColumnInfo {
  std::string name;
  ColumnSpec definition;
  // Its declared type gives SQLite's text affinity or none: values compare with a text
  // literal as stored (known once the catalog has read the table).
  bool text_compared = false;
};

struct IndexInfo {
  std::string name;         // the engine's name, unique within its table
  std::string sqlite_name;  // SQLite's name, unique within the file
  bool primary = false;
  bool unique = false;
  // An index that a relation made on its foreign table's columns: named after the
  // relation, as the old engine names it, and gone with the relation.
  bool foreign = false;
  std::vector<std::string> columns;
};

struct TableInfo {
  std::string name;
  std::vector<ColumnInfo> columns;
  std::vector<IndexInfo> indexes;
  bool linked = false;
  std::string connect;  // linked tables: ";database=PATH"
  std::string source;   // linked tables: the table's name in the other file

  // Found once when the catalog reads the table (Catalog::Load), for its writes:
  std::vector<std::string> folded_names;  // each column's name, letter case folded
  std::vector<uint8_t> in_primary_key;    // per column
  int counter = -1;                       // CounterColumn()
  // INSERT of one new row: column c is bound as ?(c+1); the row's number (its rowid, and
  // the counter column's value) is the next number, found by the statement itself.
  std::string insert_sql;
  std::string highest_rowid_sql;  // SELECT max(rowid)

  // Position of a column by name, letter case ignored; -1 when there is none.
  int FindColumn(std::string_view column) const;
  // Position of the counter column, or -1.
  int CounterColumn() const;
  // True when a column belongs to the primary index.
  bool InPrimaryKey(std::string_view column) const;
  // True when a column belongs to one of the table's indexes.
  bool Indexed(std::string_view column) const;
};

struct RelationInfo {
  std::string name;
  std::string table;  // primary table
  std::string foreign_table;
  int32_t attributes = 0;
  std::vector<std::pair<std::string, std::string>> columns;  // primary, foreign
};

// The declared type that stores a column of that definition, e.g. "TEXT(15)", "CURRENCY".
std::string DeclaredType(const ColumnSpec& definition);
// Reads a declared type back; unknown types read as Text of 255.
ColumnSpec ParseDeclaredType(std::string_view declared);
// Whether SQLite gives a column of that declared type text affinity or none (its rules:
// "INT" gives integer; then "CHAR", "CLOB" or "TEXT" text; then "BLOB" or nothing none).
bool IsTextComparedType(std::string_view declared);

class Catalog {
 public:
  Catalog(sqlite3* db, StatementCache& statements) : db_(db), statements_(statements) {}

  // Creates the bookkeeping tables of a new file.
  static void InitializeFile(sqlite3* db);
  // True when the file has the bookkeeping tables of a declaration file.
  static bool IsDeclarationFile(sqlite3* db);

  void Invalidate() { loaded_ = false; }
  // Changes each time the catalog is read again: what was found in it before (a table's
  // address, a column's position) holds while it stays the same.
  uint64_t generation() {
    Tables();
    return generation_;
  }

  // Tables and links in creation order (bookkeeping tables excluded).
  const std::vector<TableInfo>& Tables();
  const TableInfo* FindTable(std::string_view name);
  const TableInfo& Table(std::string_view name);  // 3265 when missing
  std::vector<RelationInfo> Relations();

  // ---- schema changes (each leaves the file unchanged when it fails) ----
  void CreateTable(const TableInfo& table);
  void DropTable(std::string_view name);
  void AddColumn(std::string_view table, const ColumnInfo& column);
  void DropColumn(std::string_view table, std::string_view column);
  void RenameColumn(std::string_view table, std::string_view from, std::string_view to);
  void CreateIndex(std::string_view table, const IndexInfo& index);
  void DropIndex(std::string_view table, std::string_view name);
  void CreateRelation(const RelationInfo& relation);
  void DropRelation(std::string_view name);
  // Links `name` to table `source` of the file named in `connect`; 3024 when the file is
  // missing, 3078 when it has no such table, 3010 when the name is taken.
  void CreateLink(std::string_view name, std::string_view connect, std::string_view source);

  // Makes the linked tables readable on this connection (attaches their files and
  // defines a temporary view per link). Links whose file is gone stay unreadable.
  void AttachLinks();

  // Row numbers (rowids, and counter values with them) are never given twice in a file.
  // A new row takes one above both the table's kept number and its highest row, so the
  // kept number must reach every number that leaves the table: a delete, before it runs,
  // keeps the highest number of its table and of the tables its cascades delete from.
  // Adding a row writes nothing but the row.
  // REQUIRES (both): a write transaction of this connection is open.
  void KeepNumbersBeforeDelete(std::string_view table);
  // Takes `count` numbers at once for rows that SQLite placed above `held` (the highest
  // rowid the table held before): the first of them, the others following it.
  int64_t TakeRowNumbers(const TableInfo& table, int64_t count, int64_t held);
  // The highest rowid `table` holds now, 0 when it is empty.
  int64_t HighestRowNumber(const TableInfo& table);

 private:
  void Load();
  void LoadColumns(TableInfo& table);
  // The fields of `table` found once for its writes.
  static void PrepareWrites(TableInfo& table);
  void LoadIndexes(TableInfo& table);
  // Adds to each table the indexes its relations made on it.
  void LoadRelationIndexes();
  // Attaches a linked file (once) and returns its schema alias.
  std::string AttachFile(const std::string& path);
  void DefineLinkView(std::string_view name, const std::string& schema, std::string_view source);
  void CreateRelationTriggers(const RelationInfo& relation);
  void DropRelationTriggers(std::string_view name);
  void RequireTable(std::string_view name);
  // Raises the kept number of one stored table to its highest row.
  void KeepHighestNumber(const std::string& table);

  sqlite3* db_;
  StatementCache& statements_;
  bool loaded_ = false;
  uint64_t generation_ = 0;
  std::vector<TableInfo> tables_;
  std::unordered_map<std::string, size_t> by_folded_name_;     // FoldCase(name) -> position
  std::vector<std::pair<std::string, std::string>> attached_;  // path, schema alias
};

// The file named by ";database=PATH" in a connect string ("" when none).
std::string ConnectDatabasePath(std::string_view connect);
// The value of one ";key=value" item of a connect string, key letter case ignored.
std::optional<std::string> ConnectValue(std::string_view connect, std::string_view key);

}  // namespace orvalis::engine
