// RecordsetCore: the dynaset machinery behind orvalis::Recordset.
//
// A dynaset over base tables keeps, per row, the rowid of each base table of its FROM
// clause (its keys). Keys are gathered by stepping the query with the key columns
// appended: its first rows at open (a filtered query's usually all of them, a whole
// table's one), the rest when a row beyond them is wanted. The query never stays running
// between calls, so no recordset holds an old snapshot of the file.
// A row whose key lies above the table's highest rowid at open was added later and is
// skipped, so membership stays what it was at open (rowids are never reused, see
// Catalog::KeepNumbersBeforeDelete). Values are read fresh by key (the copy read with the keys
// serves while the file's data version has not moved: DatabaseCore::data_version; a
// whole table's rows read at open keep none, for such a recordset mostly only adds
// rows). Rows added through the recordset join a second list that follows every queried
// row. Queries that group, aggregate or read only linked tables are read once into a
// static snapshot.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/database_core.h"
#include "engine/stored_value.h"
#include "engine/text_store.h"
#include "orvalis/recordset.h"

namespace orvalis::engine {

// A base table whose rows a dynaset keys by rowid.
struct KeyTable {
  std::string name;                 // the stored table
  std::string alias;                // how the query names it
  const TableInfo* info = nullptr;  // its catalog entry (see QueryShape::catalog_generation)
};

// Where a result column comes from, and its type.
struct ColumnOrigin {
  int key_table = -1;       // which key table the column is read from; -1 for expressions
  std::string column;       // the table's column name
  int table_position = -1;  // its position in the key table (see catalog_generation)
  ColumnSpec definition;    // attributes -1: untyped, decoded by value
};

// What a query's recordsets share: found once per translation and kept with it by the
// database until its schema changes. Like the database, it belongs to one thread.
struct QueryShape {
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };

  bool is_static = false;
  // The catalog's generation when the shape was found: its key tables' entries and its
  // columns' positions in them hold while the catalog's generation is the same (0: never).
  uint64_t catalog_generation = 0;
  // Rows read when a recordset opens: a query that yields no more is finished then.
  int rows_read_at_open = 0;
  // The stream also yields, after the keys, each key table's highest rowid: a query that
  // reads few rows at open (a whole table's) rarely ends within them and then needs them.
  bool highest_in_stream = false;
  // The values of the rows read at open are kept then; otherwise (a whole table's, mostly
  // opened to add rows) they are read by key when first wanted.
  bool values_at_open = true;
  std::vector<KeyTable> key_tables;
  std::vector<RecordsetColumn> columns;
  // No two columns are named alike (exactly): a look-up may then start anywhere.
  bool unique_names = true;
  std::vector<ColumnOrigin> origins;
  std::string stream_sql;    // the query with the key columns appended
  uint64_t stream_pool = 0;  // the statement cache's pool of its statements
  std::string select_list;
  std::string from_clause;
  // Column names asked for, as given, with their positions (names ignore letter case, so
  // each spelling is folded once).
  mutable std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> lookups;
};

class RecordsetCore {
 public:
  RecordsetCore(std::shared_ptr<DatabaseCore> db, std::string_view source);
  ~RecordsetCore();
  RecordsetCore(const RecordsetCore&) = delete;
  RecordsetCore& operator=(const RecordsetCore&) = delete;

  // The database closed: release SQLite resources; later calls raise 3420.
  void Invalidate();
  void Close() { Invalidate(); }
  bool is_open() const { return open_; }
  const std::string& source() const { return source_; }

  bool IsEof() const;
  bool IsBof() const;
  int32_t RecordCount() const;
  int32_t AbsolutePosition();
  void SetAbsolutePosition(int32_t position);
  Bookmark GetBookmark() const;
  void SetBookmark(Bookmark bookmark);
  Bookmark LastModified() const;

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  void AddNew();
  void Edit();
  void Update();
  void CancelUpdate();
  void Delete();

  const std::vector<RecordsetColumn>& Columns() const { return shape_->columns; }
  int32_t ColumnIndex(std::string_view name) const;
  Variant GetValue(int32_t column);
  void GetValues(std::span<const int32_t> columns, std::span<Variant* const> into);
  void SetValue(int32_t column, const Variant& value);

 private:
  // Position of a row: queried rows first, then rows added through this recordset.
  struct RowRef {
    bool added = false;
    size_t index = 0;
    bool operator==(const RowRef&) const = default;
  };
  enum class Cursor { kBof, kRow, kEof };
  enum class EditMode { kNone, kEdit, kAdd };

  void Open(std::string_view source);
  // The highest rowid of each key table now: rows above it were added after the open.
  void RememberHighestRowids();
  // Finds the shape of a translated query (key tables, stream text, columns), kept with
  // its translation.
  std::shared_ptr<const QueryShape> DescribeQuery(const DatabaseCore::Translation& translation);
  void DescribeColumns(const TranslatedStatement& translated, const Statement& statement,
                       QueryShape& shape);
  void ReadStatic(Statement& statement);
  // Room for `rows` queried rows (their values, keys and marks).
  void ReserveRows(size_t rows);
  // Appends the values of the statement's current row, read as the columns' types at data
  // version `version`, to the queried rows' values (their room only, left to be read by
  // key, when the version is that of values not read yet).
  void AppendValues(const Statement& statement, int64_t version);
  void RequireOpen() const {
    if (!open_ || !db_->is_open()) RaiseObjectInvalid();
  }
  [[noreturn]] static void RaiseObjectInvalid();
  void RequireWritable() const;

  // Membership
  // Steps the running query to its next member row and appends it, its values read at
  // data version `version`; false (and the query released) when it is exhausted.
  bool StepStream(int64_t version);
  // True when the keys appended at `start` are those of a row read before the query ran
  // again.
  bool ReadBefore(size_t start) const;
  // Runs the query again and appends every member row not read yet; false when there was
  // none.
  bool FetchNext();
  void FetchAll();
  // Rows of the query read so far (static: all of them).
  size_t QueriedCount() const { return values_version_.size(); }
  size_t AddedCount() const { return added_keys_.size() / key_width(); }
  size_t key_width() const { return shape_->key_tables.empty() ? 1 : shape_->key_tables.size(); }
  bool IsDeleted(RowRef row) const;
  std::optional<RowRef> First();
  std::optional<RowRef> Last();
  std::optional<RowRef> After(RowRef row);
  std::optional<RowRef> Before(RowRef row);
  const int64_t* KeysOf(RowRef row) const;

  // Values
  size_t width() const { return shape_->columns.size(); }
  // The values of `row` as stored now (width() of them).
  const StoredView* RowValues(RowRef row) {
    if (shape_->is_static) return &values_[row.index * width()];
    // Values read while the data has not changed since are still the stored ones.
    const int64_t version = db_->data_version();
    if (!row.added && values_version_[row.index] == version) return &values_[row.index * width()];
    return ReadRowValues(row, version);
  }
  // RowValues read from the file, at data version `version`.
  const StoredView* ReadRowValues(RowRef row, int64_t version);
  // The column's value of the statement's current row into `into`, its text kept in
  // texts_.
  void KeepColumn(const Statement& statement, int column, StoredView& into) {
    statement.ReadColumnView(column, into);
    if (into.storage == StoredView::Class::kText) into.text = texts_.Keep(into.text);
  }
  Statement& RefetchStatement(const int64_t* keys);
  // A column's stored value read as the column's type, returned or assigned to `into`.
  Variant Decode(size_t column, const StoredView& value) const;
  static void DecodeInto(const ColumnSpec& definition, const StoredView& value, Variant& into) {
    if (definition.attributes < 0) {
      into = DecodeUntyped(value);
    } else {
      engine::DecodeInto(value, definition.type, into);
    }
  }
  RowRef CurrentRow() const;  // 3021 without a usable current row
  // Makes `row` current, or, without one, leaves the cursor at `otherwise` (BOF or EOF).
  void LandOn(std::optional<RowRef> row, Cursor otherwise);
  static Bookmark BookmarkOf(RowRef row);

  // Writes
  void InsertRow();
  void UpdateRow();
  // The catalog's entry of key table `k`, and the position in it of column `i`.
  const TableInfo& KeyTableInfo(size_t k);
  int PositionInTable(size_t column, const TableInfo& table);
  int TargetTableForInsert() const;

  std::shared_ptr<DatabaseCore> db_;
  std::string source_;
  bool open_ = false;
  std::shared_ptr<const QueryShape> shape_;
  // Per key table, when the query was still running after the open: rows above were
  // added later. Empty when the query ended within the rows read at open.
  std::vector<int64_t> max_rowid_at_open_;

  // Queried rows (dynaset: keys, key_width() per row)
  std::unique_ptr<Statement> stream_;  // running only while rows are being read
  std::vector<std::string> stream_parameters_;
  size_t rows_read_before_ = 0;
  bool stream_done_ = false;
  std::vector<int64_t> stream_keys_;
  std::vector<int64_t> added_keys_;
  std::vector<uint8_t> stream_deleted_;
  std::vector<uint8_t> added_deleted_;
  size_t deleted_count_ = 0;
  // Values of the queried rows as last read (width() per row, their texts in texts_), with
  // the data version they were read at: a dynaset's are still the stored values while the
  // version holds; a static recordset's are its rows. Rows added here keep one such copy.
  std::vector<StoredView> values_;
  std::vector<int64_t> values_version_;
  std::vector<StoredView> added_values_;
  TextStore texts_;
  int64_t added_values_version_ = -1;
  size_t added_values_row_ = 0;

  Cursor cursor_ = Cursor::kBof;
  RowRef current_;
  bool current_deleted_ = false;  // deleted through this recordset: unusable until a move
  std::optional<RowRef> last_modified_;

  std::vector<std::unique_ptr<Statement>> refetch_;  // by mask of known keys
  // Where the next column look-up by name starts: callers mostly ask for the columns in
  // their order.
  mutable size_t next_lookup_ = 0;

  EditMode edit_mode_ = EditMode::kNone;
  std::vector<std::optional<Variant>> edit_values_;
};

}  // namespace orvalis::engine
