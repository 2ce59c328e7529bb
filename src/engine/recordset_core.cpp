#include "engine/recordset_core.h"

#include <algorithm>
#include <limits>

#include "component/text_fold.h"
#include "engine/fault_injection.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

constexpr int64_t kNullKey = std::numeric_limits<int64_t>::min();
constexpr int64_t kUnknownKey = std::numeric_limits<int64_t>::min() + 1;
// The data version of values not read yet: never the file's.
constexpr int64_t kValuesUnread = std::numeric_limits<int64_t>::min();
constexpr Bookmark kAddedBase = int64_t{1} << 40;
// Rows a dynaset reads when it opens: a query yielding no more is finished at once. A
// query without a WHERE clause reads few (opening a table to add a row costs the same in
// a table of any size); a filtered one reads as many as a declaration's rows usually are,
// so that a walk of them runs the query once.
constexpr int kRowsReadAtOpenOfWholeTables = 1;
constexpr int kRowsReadAtOpenFiltered = 128;
// Rows the values of a recordset have room for once it reads a second one (a
// declaration's rows, most often; a keyed query reads one).
constexpr size_t kRowsReservedAtSecond = 64;

[[noreturn]] void NoCurrentRecord() { throw MakeError(ErrorCode::kNoCurrentRecord); }

bool IsTableName(std::string_view text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') return true;
  return !text.empty() && text.find_first_of(" \t\r\n(),;=*'\"#") == std::string_view::npos;
}

std::string_view Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

// Whether the FROM clause of a SELECT is followed by a WHERE clause.
bool HasWhereClause(const TranslatedStatement& translated) {
  std::string_view rest = std::string_view(translated.sql).substr(translated.from_end);
  rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t\r\n")));
  return rest.size() > 5 && FoldCase(rest.substr(0, 5)) == "where" &&
         std::string_view(" \t\r\n(").find(rest[5]) != std::string_view::npos;
}

// Type of an aggregate's result from the type of what it aggregates.
FieldType AggregateType(AggregateKind kind, std::optional<FieldType> argument) {
  switch (kind) {
    case AggregateKind::kCount:
      return FieldType::kLong;
    case AggregateKind::kSum:
      return argument == FieldType::kCurrency ? FieldType::kCurrency : FieldType::kDouble;
    case AggregateKind::kAvg:
      return argument == FieldType::kCurrency ? FieldType::kCurrency : FieldType::kDouble;
    default:
      return argument.value_or(FieldType::kDouble);
  }
}

}  // namespace

RecordsetCore::RecordsetCore(std::shared_ptr<DatabaseCore> db, std::string_view source)
    : db_(std::move(db)), source_(source) {
  db_->handle();
  Open(source);
  db_->Register(this);
  open_ = true;
}

RecordsetCore::~RecordsetCore() { Invalidate(); }

void RecordsetCore::Invalidate() {
  if (!open_) return;
  open_ = false;
  if (db_->is_open()) {
    db_->statements().Release(shape_->stream_pool, std::move(stream_));
    for (auto& refetch : refetch_) db_->statements().Release(std::move(refetch));
  }
  stream_.reset();
  refetch_.clear();
  db_->Unregister(this);
}

void RecordsetCore::RaiseObjectInvalid() { throw MakeError(ErrorCode::kObjectInvalid); }

void RecordsetCore::RequireWritable() const {
  RequireOpen();
  if (shape_->is_static) throw MakeError(ErrorCode::kReadOnly);
}

// ---- opening ----------------------------------------------------------------------------------

void RecordsetCore::Open(std::string_view source) {
  std::string_view text = Trim(source);
  std::string whole_table;
  if (IsTableName(text)) {
    std::string name(text.front() == '[' ? text.substr(1, text.size() - 2) : text);
    if (db_->catalog().FindTable(name) == nullptr) throw MakeError(ErrorCode::kTableNotFound, name);
    whole_table = "SELECT * FROM [" + name + "]";
    text = whole_table;
  }
  db_->Trace(source);
  DatabaseCore::Translation translation = db_->Translate(text);
  const TranslatedStatement& translated = *translation.statement;
  if (translated.kind == StatementKind::kOther) throw MakeError(ErrorCode::kInvalidStatement);
  if (translated.kind != StatementKind::kSelect) {
    throw Error(static_cast<int32_t>(ErrorCode::kInvalidArgument), "Invalid operation.");
  }
  shape_ = DescribeQuery(translation);
  stream_ = db_->statements().Acquire(shape_->stream_pool, shape_->stream_sql);
  stream_->BindNumbers(translation.parameters);
  if (shape_->is_static) {
    ReadStatic(*stream_);
    db_->statements().Release(shape_->stream_pool, std::move(stream_));
  } else {
    // The first rows are read at once: a query that ends within them (a keyed one) is
    // finished. Otherwise the highest rowids now tell the rows added later apart, and the
    // statement ends here, to be run again when more rows are wanted: a recordset never
    // holds the file's snapshot between calls.
    const int64_t version = shape_->values_at_open ? db_->data_version() : kValuesUnread;
    for (int i = 0; i < shape_->rows_read_at_open && StepStream(version); ++i) {
    }
    if (!stream_done_) {
      stream_parameters_ = std::move(translation.parameters);
      RememberHighestRowids();
      db_->statements().Release(shape_->stream_pool, std::move(stream_));
    }
  }
  LandOn(First(), Cursor::kEof);  // empty: EOF and BOF both hold
}

void RecordsetCore::RememberHighestRowids() {
  const size_t keys = shape_->key_tables.size();
  if (shape_->highest_in_stream) {  // read in the same run of the query as its rows
    for (size_t k = 0; k < keys; ++k) {
      const int at = static_cast<int>(width() + keys + k);
      max_rowid_at_open_.push_back(stream_->ColumnIsNull(at) ? 0 : stream_->ColumnInt(at));
    }
    return;
  }
  for (size_t k = 0; k < keys; ++k) {
    max_rowid_at_open_.push_back(db_->catalog().HighestRowNumber(KeyTableInfo(k)));
  }
}

std::shared_ptr<const QueryShape> RecordsetCore::DescribeQuery(
    const DatabaseCore::Translation& translation) {
  if (translation.query->shape) return translation.query->shape;
  const TranslatedStatement& translated = *translation.statement;
  auto shape = std::make_shared<QueryShape>();
  Catalog& catalog = db_->catalog();
  const uint64_t generation = catalog.generation();
  if (!translated.read_only) {
    for (const auto& table : translated.tables) {
      const TableInfo* info = catalog.FindTable(table.name);
      if (info == nullptr || info->linked) continue;
      shape->key_tables.push_back(KeyTable{info->name, table.alias, info});
    }
  }
  shape->is_static = shape->key_tables.empty();
  shape->rows_read_at_open =
      HasWhereClause(translated) ? kRowsReadAtOpenFiltered : kRowsReadAtOpenOfWholeTables;
  shape->stream_sql = translated.sql;
  if (!shape->is_static) {
    const std::string& sql = translated.sql;
    shape->select_list = sql.substr(translated.select_list_begin,
                                    translated.select_list_end - translated.select_list_begin);
    shape->from_clause =
        sql.substr(translated.from_begin, translated.from_end - translated.from_begin);
    std::string keys;
    for (const auto& key_table : shape->key_tables) {
      keys += ", " + QuoteIdentifier(key_table.alias) + ".rowid";
    }
    shape->highest_in_stream = shape->rows_read_at_open == kRowsReadAtOpenOfWholeTables;
    shape->values_at_open = !shape->highest_in_stream;
    if (shape->highest_in_stream) {
      for (const auto& key_table : shape->key_tables) {
        keys += ", (" + key_table.info->highest_rowid_sql + ")";
      }
    }
    shape->stream_sql.insert(translated.select_list_end, keys + " ");
  }
  shape->stream_pool = db_->statements().NewPool();
  std::unique_ptr<Statement> statement =
      db_->statements().Acquire(shape->stream_pool, shape->stream_sql);
  DescribeColumns(translated, *statement, *shape);
  db_->statements().Release(shape->stream_pool, std::move(statement));
  if (catalog.generation() == generation) shape->catalog_generation = generation;
  translation.query->shape = shape;
  return shape;
}

void RecordsetCore::DescribeColumns(const TranslatedStatement& translated,
                                    const Statement& statement, QueryShape& shape) {
  sqlite3_stmt* s = statement.get();
  const auto& key_tables = shape.key_tables;
  const int added = static_cast<int>(key_tables.size()) * (shape.highest_in_stream ? 2 : 1);
  int count = statement.ColumnCount() - added;
  // Expression columns (no origin) take their hints, in order, from the select items
  // that are neither a column nor a star.
  std::vector<const SelectItemHint*> expression_hints;
  for (const auto& item : translated.select_items) {
    if (!item.is_star && !item.is_column) expression_hints.push_back(&item);
  }
  size_t next_hint = 0;
  Catalog& catalog = db_->catalog();
  for (int i = 0; i < count; ++i) {
    RecordsetColumn column;
    ColumnOrigin origin;
    column.name = sqlite3_column_name(s, i);
    const char* database = sqlite3_column_database_name(s, i);
    const char* table = sqlite3_column_table_name(s, i);
    const char* original = sqlite3_column_origin_name(s, i);
    if (table != nullptr && original != nullptr) {
      const char* declared = sqlite3_column_decltype(s, i);
      origin.definition = ParseDeclaredType(declared ? declared : "");
      origin.column = original;
      if (database != nullptr && std::string_view(database) == "main") {
        for (size_t k = 0; k < key_tables.size(); ++k) {
          if (FoldCase(key_tables[k].name) == FoldCase(table))
            origin.key_table = static_cast<int>(k);
        }
        if (const TableInfo* info = catalog.FindTable(table)) {
          int position = info->FindColumn(original);
          if (position >= 0) origin.definition = info->columns[position].definition;
          if (origin.key_table >= 0) origin.table_position = position;
        }
      }
      column.updatable = origin.key_table >= 0 && !origin.definition.is_counter();
    } else {
      const SelectItemHint* hint =
          next_hint < expression_hints.size() ? expression_hints[next_hint++] : nullptr;
      if (hint != nullptr && hint->aggregate != AggregateKind::kNone) {
        std::optional<FieldType> argument;
        if (!hint->column.empty()) {
          const TableInfo* info = nullptr;
          if (!hint->table.empty()) {
            info = catalog.FindTable(hint->table);
            for (const auto& ref : translated.tables) {
              if (info == nullptr && FoldCase(ref.alias) == FoldCase(hint->table)) {
                info = catalog.FindTable(ref.name);
              }
            }
          }
          for (const auto& ref : translated.tables) {
            if (info != nullptr) break;
            const TableInfo* candidate = catalog.FindTable(ref.name);
            if (candidate != nullptr && candidate->FindColumn(hint->column) >= 0) info = candidate;
          }
          if (info != nullptr && info->FindColumn(hint->column) >= 0) {
            argument = info->columns[info->FindColumn(hint->column)].definition.type;
          }
        }
        origin.definition = ColumnSpec{AggregateType(hint->aggregate, argument), 0, 0};
        origin.definition.size = DefaultSize(origin.definition.type);
      } else {
        origin.definition = ColumnSpec{FieldType::kText, 0, -1};  // untyped: decoded by value
      }
    }
    column.type = origin.definition.type;
    column.size = origin.definition.size;
    for (const auto& earlier : shape.columns) {
      if (earlier.name == column.name) shape.unique_names = false;
    }
    shape.columns.push_back(std::move(column));
    shape.origins.push_back(std::move(origin));
  }
}

void RecordsetCore::ReadStatic(Statement& statement) {
  StatementReset reset(statement);
  while (statement.Step()) AppendValues(statement, 0);
  stream_done_ = true;
  stream_deleted_.assign(QueriedCount(), 0);
}

void RecordsetCore::ReserveRows(size_t rows) {
  values_.reserve(rows * width());
  values_version_.reserve(rows);
  if (shape_->is_static) return;
  stream_keys_.reserve(rows * key_width());
  stream_deleted_.reserve(rows);
}

void RecordsetCore::AppendValues(const Statement& statement, int64_t version) {
  const size_t count = width();
  if (values_.size() <= count) ReserveRows(values_.empty() ? 1 : kRowsReservedAtSecond);
  const size_t start = values_.size();
  values_.resize(start + count);
  StoredView* row = values_.data() + start;
  if (version != kValuesUnread) {
    for (size_t i = 0; i < count; ++i) KeepColumn(statement, static_cast<int>(i), row[i]);
  }
  values_version_.push_back(version);
}

// ---- membership -------------------------------------------------------------------------------

bool RecordsetCore::FetchNext() {
  if (stream_done_) return false;
  const size_t before = QueriedCount();
  // The query runs again, from its start, to its end: the rows read at open come again
  // (unless deleted meanwhile) and are passed over, rows added since are left out.
  rows_read_before_ = before;
  stream_ = db_->statements().Acquire(shape_->stream_pool, shape_->stream_sql);
  stream_->BindNumbers(stream_parameters_);
  const int64_t version = db_->data_version();
  while (StepStream(version)) {
  }
  return QueriedCount() > before;
}

bool RecordsetCore::ReadBefore(size_t start) const {
  const size_t width = key_width();
  for (size_t row = 0; row < rows_read_before_; ++row) {
    if (std::equal(stream_keys_.begin() + static_cast<std::ptrdiff_t>(row * width),
                   stream_keys_.begin() + static_cast<std::ptrdiff_t>((row + 1) * width),
                   stream_keys_.begin() + static_cast<std::ptrdiff_t>(start))) {
      return true;
    }
  }
  return false;
}

bool RecordsetCore::StepStream(int64_t version) {
  const int user_columns = static_cast<int>(width());
  while (true) {
    if (!stream_->Step()) {
      stream_done_ = true;
      db_->statements().Release(shape_->stream_pool, std::move(stream_));
      return false;
    }
    bool member = true;
    size_t start = stream_keys_.size();
    for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
      int at = user_columns + static_cast<int>(k);
      const StoredView read = stream_->ColumnView(at);
      const int64_t key = read.storage == StoredView::Class::kNull ? kNullKey : read.integer;
      if (key != kNullKey && !max_rowid_at_open_.empty() && key > max_rowid_at_open_[k]) {
        member = false;
      }
      stream_keys_.push_back(key);
    }
    if (!member || ReadBefore(start)) {
      stream_keys_.resize(start);  // added after the recordset opened, or read already
      continue;
    }
    stream_deleted_.push_back(0);
    AppendValues(*stream_, version);
    return true;
  }
}

void RecordsetCore::FetchAll() {
  while (FetchNext()) {
  }
}

bool RecordsetCore::IsDeleted(RowRef row) const {
  return row.added ? added_deleted_[row.index] != 0 : stream_deleted_[row.index] != 0;
}

const int64_t* RecordsetCore::KeysOf(RowRef row) const {
  const auto& keys = row.added ? added_keys_ : stream_keys_;
  return keys.data() + row.index * key_width();
}

std::optional<RecordsetCore::RowRef> RecordsetCore::After(RowRef row) {
  RowRef next = row;
  while (true) {
    if (!next.added) {
      size_t queried = QueriedCount();
      if (next.index + 1 < queried || (!shape_->is_static && FetchNext())) {
        ++next.index;
      } else {
        if (AddedCount() == 0) return std::nullopt;
        next = RowRef{true, 0};
        if (!IsDeleted(next)) return next;
        continue;
      }
    } else {
      if (next.index + 1 >= AddedCount()) return std::nullopt;
      ++next.index;
    }
    if (!IsDeleted(next)) return next;
  }
}

std::optional<RecordsetCore::RowRef> RecordsetCore::Before(RowRef row) {
  RowRef previous = row;
  while (true) {
    if (previous.added) {
      if (previous.index == 0) {
        if (!shape_->is_static) FetchAll();
        size_t queried = QueriedCount();
        if (queried == 0) return std::nullopt;
        previous = RowRef{false, queried - 1};
      } else {
        --previous.index;
      }
    } else {
      if (previous.index == 0) return std::nullopt;
      --previous.index;
    }
    if (!IsDeleted(previous)) return previous;
  }
}

std::optional<RecordsetCore::RowRef> RecordsetCore::First() {
  size_t queried = QueriedCount();
  if (queried == 0 && !shape_->is_static) queried = FetchNext() ? 1 : 0;
  RowRef first{false, 0};
  if (queried == 0) {
    if (AddedCount() == 0) return std::nullopt;
    first = RowRef{true, 0};
  }
  if (!IsDeleted(first)) return first;
  return After(first);
}

std::optional<RecordsetCore::RowRef> RecordsetCore::Last() {
  if (!shape_->is_static) FetchAll();
  RowRef last;
  if (AddedCount() > 0) {
    last = RowRef{true, AddedCount() - 1};
  } else {
    size_t queried = QueriedCount();
    if (queried == 0) return std::nullopt;
    last = RowRef{false, queried - 1};
  }
  if (!IsDeleted(last)) return last;
  return Before(last);
}

// ---- cursor -------------------------------------------------------------------------------------

void RecordsetCore::LandOn(std::optional<RowRef> row, Cursor otherwise) {
  current_deleted_ = false;
  if (row) {
    cursor_ = Cursor::kRow;
    current_ = *row;
  } else {
    cursor_ = otherwise;
  }
}

Bookmark RecordsetCore::BookmarkOf(RowRef row) {
  return row.added ? kAddedBase + static_cast<Bookmark>(row.index)
                   : static_cast<Bookmark>(row.index);
}

bool RecordsetCore::IsEof() const {
  RequireOpen();
  return cursor_ == Cursor::kEof;
}

bool RecordsetCore::IsBof() const {
  RequireOpen();
  if (cursor_ == Cursor::kBof) return true;
  // An empty recordset is at both ends.
  return cursor_ == Cursor::kEof && RecordCount() == 0 && (shape_->is_static || stream_done_);
}

int32_t RecordsetCore::RecordCount() const {
  RequireOpen();
  size_t queried = QueriedCount();
  return static_cast<int32_t>(queried + AddedCount() - deleted_count_);
}

RecordsetCore::RowRef RecordsetCore::CurrentRow() const {
  RequireOpen();
  if (cursor_ != Cursor::kRow || current_deleted_) NoCurrentRecord();
  return current_;
}

int32_t RecordsetCore::AbsolutePosition() {
  RequireOpen();
  if (cursor_ != Cursor::kRow || current_deleted_) return -1;
  int32_t position = 0;
  if (current_.added) {
    if (!shape_->is_static) FetchAll();
    size_t queried = QueriedCount();
    for (size_t i = 0; i < queried; ++i) position += stream_deleted_[i] ? 0 : 1;
    for (size_t i = 0; i < current_.index; ++i) position += added_deleted_[i] ? 0 : 1;
  } else {
    for (size_t i = 0; i < current_.index; ++i) position += stream_deleted_[i] ? 0 : 1;
  }
  return position;
}

void RecordsetCore::SetAbsolutePosition(int32_t position) {
  RequireOpen();
  db_->NoticeOtherConnections();
  if (position < 0) throw MakeError(ErrorCode::kInvalidArgument);
  std::optional<RowRef> row = First();
  for (int32_t i = 0; i < position && row; ++i) row = After(*row);
  if (!row) throw MakeError(ErrorCode::kInvalidArgument);
  LandOn(row, Cursor::kEof);
}

Bookmark RecordsetCore::GetBookmark() const {
  RowRef row = CurrentRow();
  return BookmarkOf(row);
}

void RecordsetCore::SetBookmark(Bookmark bookmark) {
  RequireOpen();
  db_->NoticeOtherConnections();
  RowRef row{bookmark >= kAddedBase,
             static_cast<size_t>(bookmark >= kAddedBase ? bookmark - kAddedBase : bookmark)};
  size_t limit = row.added ? AddedCount() : QueriedCount();
  if (bookmark < 0 || row.index >= limit) throw MakeError(ErrorCode::kInvalidArgument);
  if (IsDeleted(row)) throw MakeError(ErrorCode::kRecordDeleted);
  LandOn(row, Cursor::kEof);
}

Bookmark RecordsetCore::LastModified() const {
  RequireOpen();
  if (!last_modified_) NoCurrentRecord();
  return BookmarkOf(*last_modified_);
}

void RecordsetCore::MoveFirst() {
  RequireOpen();
  db_->NoticeOtherConnections();
  edit_mode_ = EditMode::kNone;
  auto first = First();
  if (!first) NoCurrentRecord();
  LandOn(first, Cursor::kEof);
}

void RecordsetCore::MoveLast() {
  RequireOpen();
  db_->NoticeOtherConnections();
  edit_mode_ = EditMode::kNone;
  auto last = Last();
  if (!last) NoCurrentRecord();
  LandOn(last, Cursor::kEof);
}

void RecordsetCore::MoveNext() {
  if (IsEof()) NoCurrentRecord();
  db_->NoticeOtherConnections();
  edit_mode_ = EditMode::kNone;
  LandOn(cursor_ == Cursor::kBof ? First() : After(current_), Cursor::kEof);
}

void RecordsetCore::MovePrevious() {
  if (IsBof()) NoCurrentRecord();
  db_->NoticeOtherConnections();
  edit_mode_ = EditMode::kNone;
  LandOn(cursor_ == Cursor::kEof ? Last() : Before(current_), Cursor::kBof);
}

// ---- values
// ---------------------------------------------------------------------------------------

int32_t RecordsetCore::ColumnIndex(std::string_view name) const {
  RequireOpen();
  // Callers mostly spell names as the columns are named: a plain scan finds those, from
  // where the last look-up ended when no two columns share a name (the first of them is
  // the one named).
  const auto& columns = shape_->columns;
  const size_t count = columns.size();
  const size_t start = shape_->unique_names && next_lookup_ < count ? next_lookup_ : 0;
  for (size_t n = 0, i = start; n < count; ++n) {
    if (columns[i].name == name) {
      next_lookup_ = i + 1;
      return static_cast<int32_t>(i);
    }
    if (++i == count) i = 0;
  }
  auto known = shape_->lookups.find(name);
  if (known != shape_->lookups.end()) return known->second;
  std::string folded = FoldCase(name);
  for (size_t i = 0; i < columns.size(); ++i) {
    if (FoldCase(columns[i].name) == folded) {
      shape_->lookups.emplace(std::string(name), static_cast<int32_t>(i));
      return static_cast<int32_t>(i);
    }
  }
  throw MakeError(ErrorCode::kItemNotFound);
}

Statement& RecordsetCore::RefetchStatement(const int64_t* keys) {
  size_t mask = 0;
  for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
    if (keys[k] != kUnknownKey) mask |= size_t{1} << k;
  }
  if (refetch_.size() <= mask) refetch_.resize(mask + 1);
  if (!refetch_[mask]) {
    std::string where;
    int parameter = 1;
    for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
      if ((mask & (size_t{1} << k)) == 0) continue;
      if (!where.empty()) where += " AND ";
      where += QuoteIdentifier(shape_->key_tables[k].alias) + ".rowid IS ?" +
               std::to_string(parameter++);
    }
    refetch_[mask] = db_->statements().Acquire("SELECT " + shape_->select_list + " FROM " +
                                               shape_->from_clause + " WHERE " + where);
  }
  return *refetch_[mask];
}

const StoredView* RecordsetCore::ReadRowValues(RowRef row, int64_t version) {
  if (row.added) added_values_.resize(width());
  StoredView* values = row.added ? added_values_.data() : &values_[row.index * width()];
  int64_t& read_at = row.added ? added_values_version_ : values_version_[row.index];
  if (read_at == version && (!row.added || added_values_row_ == row.index)) return values;
  const int64_t* keys = KeysOf(row);
  Statement& refetch = RefetchStatement(keys);
  StatementReset reset(refetch);
  int parameter = 1;
  for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
    if (keys[k] == kUnknownKey) continue;
    if (keys[k] == kNullKey) {
      refetch.Bind(parameter++, StoredNull{});
    } else {
      refetch.BindInt(parameter++, keys[k]);
    }
  }
  if (!refetch.Step()) throw MakeError(ErrorCode::kRecordDeleted);
  const size_t count = width();
  for (size_t i = 0; i < count; ++i) KeepColumn(refetch, static_cast<int>(i), values[i]);
  read_at = version;
  if (row.added) added_values_row_ = row.index;
  return values;
}

Variant RecordsetCore::Decode(size_t column, const StoredView& value) const {
  const ColumnSpec& definition = shape_->origins[column].definition;
  if (definition.attributes < 0) return DecodeUntyped(value);
  return DecodeFromColumn(value, definition.type);
}

Variant RecordsetCore::GetValue(int32_t column) {
  RequireOpen();
  if (column < 0 || static_cast<size_t>(column) >= shape_->columns.size()) {
    throw MakeError(ErrorCode::kItemNotFound);
  }
  if (edit_mode_ != EditMode::kNone) {
    const auto& pending = edit_values_[static_cast<size_t>(column)];
    if (pending) return *pending;
    if (edit_mode_ == EditMode::kAdd) return Variant::Null();
  }
  if (cursor_ != Cursor::kRow || current_deleted_) NoCurrentRecord();
  return Decode(static_cast<size_t>(column), RowValues(current_)[static_cast<size_t>(column)]);
}

void RecordsetCore::GetValues(std::span<const int32_t> columns, std::span<Variant* const> into) {
  // The highest column wanted (negative ones are not): below 0, there is none.
  int32_t highest = -1;
  for (int32_t column : columns) highest = std::max(highest, column);
  if (highest < 0) return;
  if (edit_mode_ != EditMode::kNone) {  // pending values: one at a time, all read first
    std::vector<Variant> read(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] >= 0) read[i] = GetValue(columns[i]);
    }
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] >= 0) *into[i] = std::move(read[i]);
    }
    return;
  }
  RequireOpen();
  if (static_cast<size_t>(highest) >= width()) throw MakeError(ErrorCode::kItemNotFound);
  if (cursor_ != Cursor::kRow || current_deleted_) NoCurrentRecord();
  const StoredView* values = RowValues(current_);
  const ColumnOrigin* origins = shape_->origins.data();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int32_t column = columns[i];
    if (column >= 0) DecodeInto(origins[column].definition, values[column], *into[i]);
  }
}

void RecordsetCore::SetValue(int32_t column, const Variant& value) {
  RequireOpen();
  if (column < 0 || static_cast<size_t>(column) >= shape_->columns.size()) {
    throw MakeError(ErrorCode::kItemNotFound);
  }
  if (shape_->is_static) throw MakeError(ErrorCode::kReadOnly);
  if (edit_mode_ == EditMode::kNone) throw MakeError(ErrorCode::kUpdateWithoutEdit);
  if (!shape_->columns[static_cast<size_t>(column)].updatable) {
    throw MakeError(ErrorCode::kFieldNotUpdatable);
  }
  edit_values_[static_cast<size_t>(column)] = value;
}

// ---- edits
// -----------------------------------------------------------------------------------------

void RecordsetCore::AddNew() {
  RequireWritable();
  edit_mode_ = EditMode::kAdd;
  edit_values_.assign(shape_->columns.size(), std::nullopt);
}

void RecordsetCore::Edit() {
  RequireWritable();
  RowRef row = CurrentRow();
  db_->NoticeOtherConnections();
  RowValues(row);  // a row deleted elsewhere raises 3167 here
  edit_mode_ = EditMode::kEdit;
  edit_values_.assign(shape_->columns.size(), std::nullopt);
}

void RecordsetCore::CancelUpdate() {
  RequireOpen();
  edit_mode_ = EditMode::kNone;
}

void RecordsetCore::Update() {
  RequireOpen();
  if (edit_mode_ == EditMode::kNone) throw MakeError(ErrorCode::kUpdateWithoutEdit);
  if (edit_mode_ == EditMode::kAdd) {
    InsertRow();
  } else {
    UpdateRow();
  }
  edit_mode_ = EditMode::kNone;
}

int RecordsetCore::TargetTableForInsert() const {
  int target = -1;
  for (size_t i = 0; i < shape_->columns.size(); ++i) {
    if (!edit_values_[i]) continue;
    int table = shape_->origins[i].key_table;
    if (target >= 0 && table != target) throw MakeError(ErrorCode::kReadOnly);
    target = table;
  }
  return target >= 0 ? target : static_cast<int>(shape_->key_tables.size()) - 1;
}

const TableInfo& RecordsetCore::KeyTableInfo(size_t k) {
  Catalog& catalog = db_->catalog();
  if (catalog.generation() == shape_->catalog_generation) return *shape_->key_tables[k].info;
  return catalog.Table(shape_->key_tables[k].name);
}

int RecordsetCore::PositionInTable(size_t column, const TableInfo& table) {
  const ColumnOrigin& origin = shape_->origins[column];
  if (db_->catalog().generation() == shape_->catalog_generation) return origin.table_position;
  return table.FindColumn(origin.column);
}

void RecordsetCore::InsertRow() {
  PassFaultSite(FaultSite::kStatement);
  const int target = TargetTableForInsert();
  const TableInfo& table = KeyTableInfo(static_cast<size_t>(target));
  // Values of the new row, converted and checked before anything is written.
  std::vector<StoredValue> values(table.columns.size(), StoredNull{});
  for (size_t i = 0; i < shape_->columns.size(); ++i) {
    if (!edit_values_[i]) continue;
    const int position = PositionInTable(i, table);
    values[static_cast<size_t>(position)] =
        EncodeForColumn(*edit_values_[i], shape_->origins[i].definition);
  }
  const int counter = table.counter;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    if (static_cast<int>(c) != counter && table.in_primary_key[c] &&
        std::holds_alternative<StoredNull>(values[c])) {
      throw MakeError(ErrorCode::kNullInKey);
    }
  }
  // One statement, committed alone outside a transaction: the row finds its own number.
  Statement& insert = db_->statements().Get(table.insert_sql);
  StatementReset reset(insert);
  // Parameters are NULL after every reset: only the other values are bound.
  for (size_t c = 0; c < values.size(); ++c) {
    if (static_cast<int>(c) != counter && !std::holds_alternative<StoredNull>(values[c])) {
      insert.Bind(static_cast<int>(c) + 1, values[c]);
    }
  }
  StepWrite(insert);
  const int64_t rowid = sqlite3_last_insert_rowid(db_->handle());

  for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
    added_keys_.push_back(static_cast<int>(k) == target ? rowid : kUnknownKey);
  }
  added_deleted_.push_back(0);
  last_modified_ = RowRef{true, AddedCount() - 1};
}

void RecordsetCore::UpdateRow() {
  PassFaultSite(FaultSite::kStatement);
  RowRef row = CurrentRow();
  const int64_t* keys = KeysOf(row);
  sqlite3* handle = db_->handle();
  WriteTransaction transaction(db_->statements());
  for (size_t k = 0; k < shape_->key_tables.size(); ++k) {
    std::string assignments;
    std::vector<StoredValue> values;
    for (size_t i = 0; i < shape_->columns.size(); ++i) {
      if (!edit_values_[i] || shape_->origins[i].key_table != static_cast<int>(k)) continue;
      StoredValue value = EncodeForColumn(*edit_values_[i], shape_->origins[i].definition);
      const TableInfo& table = KeyTableInfo(k);
      const int position = PositionInTable(i, table);
      if (position >= 0 && table.in_primary_key[static_cast<size_t>(position)] &&
          std::holds_alternative<StoredNull>(value)) {
        throw MakeError(ErrorCode::kNullInKey);
      }
      if (!assignments.empty()) assignments += ", ";
      assignments +=
          QuoteIdentifier(shape_->origins[i].column) + " = ?" + std::to_string(values.size() + 1);
      values.push_back(std::move(value));
    }
    if (values.empty()) continue;
    if (keys[k] == kNullKey || keys[k] == kUnknownKey) throw MakeError(ErrorCode::kReadOnly);
    Statement& update =
        db_->statements().Get("UPDATE " + QuoteIdentifier(shape_->key_tables[k].name) + " SET " +
                              assignments + " WHERE rowid = ?" + std::to_string(values.size() + 1));
    StatementReset reset(update);
    for (size_t v = 0; v < values.size(); ++v) update.Bind(static_cast<int>(v) + 1, values[v]);
    update.BindInt(static_cast<int>(values.size()) + 1, keys[k]);
    update.Step();
    if (sqlite3_changes(handle) == 0) throw MakeError(ErrorCode::kRecordDeleted);
  }
  transaction.Commit();
  last_modified_ = row;
}

void RecordsetCore::Delete() {
  RequireWritable();
  RowRef row = CurrentRow();
  edit_mode_ = EditMode::kNone;
  PassFaultSite(FaultSite::kStatement);
  // A join deletes the row of its last base table (the many side of one-to-many).
  size_t k = shape_->key_tables.size() - 1;
  int64_t key = KeysOf(row)[k];
  if (key == kNullKey || key == kUnknownKey) throw MakeError(ErrorCode::kReadOnly);
  const std::string& table = shape_->key_tables[k].name;
  WriteTransaction transaction(db_->statements());
  db_->catalog().KeepNumbersBeforeDelete(table);
  Statement& remove =
      db_->statements().Get("DELETE FROM " + QuoteIdentifier(table) + " WHERE rowid = ?1");
  {
    StatementReset reset(remove);
    remove.BindInt(1, key);
    remove.Step();
  }
  if (sqlite3_changes(db_->handle()) == 0) throw MakeError(ErrorCode::kRecordDeleted);
  transaction.Commit();
  (row.added ? added_deleted_ : stream_deleted_)[row.index] = 1;
  ++deleted_count_;
  current_deleted_ = true;
}

}  // namespace orvalis::engine
