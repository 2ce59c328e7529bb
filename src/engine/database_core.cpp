#include "engine/database_core.h"

#include <algorithm>
#include <filesystem>

#include "component/text_fold.h"
#include "engine/fault_injection.h"
#include "engine/file_check.h"
#include "engine/password.h"
#include "engine/recordset_core.h"
#include "engine/sql_functions.h"
#include "engine/sql_tokenizer.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

// How long a write waits for another connection's write to finish before it fails.
constexpr int kBusyTimeoutMs = 5000;
// Translations kept in each cache before it starts again.
constexpr size_t kCachedTranslations = 512;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

void SetMetaValue(sqlite3* db, std::string_view key, std::string_view value) {
  Statement write(db, "INSERT OR REPLACE INTO _orv_meta(key, value) VALUES (?1, ?2)");
  write.BindText(1, key);
  write.BindText(2, value);
  write.Run();
}

ConnectionHandle OpenConnection(const std::string& path, const std::string& name, int flags) {
  sqlite3* raw = nullptr;
  ConfigureSqliteOnce();
  int rc = sqlite3_open_v2(name.c_str(), &raw,
                           flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_URI,
                           nullptr);
  ConnectionHandle db(raw);
  if (rc != SQLITE_OK) {
    if ((rc & 0xff) == SQLITE_CANTOPEN) {
      // The file, or the folder a new file goes to, is there but may not be used.
      std::filesystem::path folder = std::filesystem::path(path).parent_path();
      std::error_code ec;
      if (FileExists(path) || std::filesystem::is_directory(folder.empty() ? "." : folder, ec)) {
        throw MakeError(ErrorCode::kCannotOpenFile, path);
      }
      throw MakeError(ErrorCode::kFileNotFound, path);
    }
    ThrowSqliteError(raw, rc, "");
  }
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  return db;
}

// A refused file is closed without folding its write-ahead log into it.
void CloseUntouched(ConnectionHandle& db) {
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  db.reset();
}

}  // namespace

// ---- opening and closing -------------------------------------------------------------------

DatabaseCore::DatabaseCore(std::string path, ConnectionHandle db, std::unique_ptr<FileClaim> claim,
                           bool exclusive, bool read_only)
    : path_(std::move(path)),
      claim_(std::move(claim)),
      identity_(claim_->identity()),
      connection_(std::move(db)),
      db_(connection_.get()),
      exclusive_(exclusive),
      read_only_(read_only),
      statements_(db_),
      catalog_(db_, statements_) {}

DatabaseCore::~DatabaseCore() { Close(); }

std::shared_ptr<DatabaseCore> DatabaseCore::Open(const std::string& path, bool exclusive,
                                                 bool read_only, std::string_view connect,
                                                 const FileClaim* within) {
  RequireUsablePath(path);
  if (!FileExists(path)) throw MakeError(ErrorCode::kFileNotFound, path);
  std::unique_ptr<FileClaim> claim = FileClaim::Take(
      path, exclusive ? FileClaim::Kind::kExclusive : FileClaim::Kind::kShared, within);
  const FileAccess access = AccessOf(path);
  read_only = read_only || access == FileAccess::kReadOnly;
  CheckHeader(path, *claim);
  ConnectionHandle db = OpenConnection(path, ConnectionUri(path, access, read_only),
                                       read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  try {
    CheckFile(path, *claim, db.get(), ConnectValue(connect, "pwd").value_or(""));
  } catch (...) {
    CloseUntouched(db);
    throw;
  }
  // An exclusive open also keeps connections that do not claim the file away.
  if (exclusive && !read_only) {
    ExecRaw(db.get(), "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT");
  }
  std::shared_ptr<DatabaseCore> core(
      new DatabaseCore(path, std::move(db), std::move(claim), exclusive, read_only));
  core->Configure();
  return core;
}

std::shared_ptr<DatabaseCore> DatabaseCore::Create(const std::string& path, std::string_view locale,
                                                   int32_t options) {
  RequireUsablePath(path);
  if (FileExists(path)) throw MakeError(ErrorCode::kDatabaseExists);
  ConnectionHandle db = OpenConnection(path, ConnectionUri(path, FileAccess::kReadWrite, false),
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  std::unique_ptr<FileClaim> claim;
  try {
    claim = FileClaim::Take(path, FileClaim::Kind::kShared);
    ExecRaw(db.get(), "PRAGMA journal_mode = WAL; BEGIN");
    Catalog::InitializeFile(db.get());
    SetMetaValue(db.get(), "password", HashPassword(ConnectValue(locale, "pwd").value_or("")));
    std::string collating = std::string(locale.substr(0, locale.find(";pwd=")));
    SetMetaValue(db.get(), "locale", collating);
    SetMetaValue(db.get(), "file_format", options == kDbVersion30 ? "3.0" : "4.0");
    ExecRaw(db.get(), "COMMIT");
  } catch (...) {
    db.reset();
    claim.reset();
    std::error_code ec;
    std::filesystem::remove(path, ec);
    throw;
  }
  std::shared_ptr<DatabaseCore> core(
      new DatabaseCore(path, std::move(db), std::move(claim), false, false));
  core->Configure();
  return core;
}

void DatabaseCore::Configure() {
  // WAL with NORMAL sync: a committed write survives a crash of the process, and a power
  // cut can lose the last commits but never corrupts the file. The WAL is folded back
  // into the file when the last connection closes, leaving one self-contained file.
  // A read-only file is read as it is, with nothing created beside it.
  if (!read_only_) ExecRaw(db_, "PRAGMA journal_mode = WAL");
  // On a read-only file the links to other files are kept for this connection only: a
  // temporary copy of the file's link list stands in front of it.
  if (read_only_) {
    ExecRaw(db_,
            "CREATE TEMP TABLE _orv_links(name TEXT PRIMARY KEY, connect TEXT NOT NULL, "
            "source TEXT NOT NULL); INSERT INTO temp._orv_links SELECT name, connect, source "
            "FROM main._orv_links ORDER BY rowid");
  }
  // A page cache of 16 MB keeps the indexes of a large declaration file in memory;
  // temporary objects (the views of linked tables) live in memory.
  ExecRaw(db_,
          "PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = OFF; PRAGMA cache_size = -16384; "
          "PRAGMA temp_store = MEMORY");
  RegisterSqlFunctions(db_);
  catalog_.AttachLinks();
  using Mode = ChangeWatch::Mode;
  watch_.emplace(db_, statements_,
                 read_only_   ? Mode::kPragma
                 : exclusive_ ? Mode::kExclusive
                              : Mode::kSharedIndex);
}

sqlite3* DatabaseCore::handle() {
  if (db_ == nullptr) throw MakeError(ErrorCode::kObjectInvalid);
  return db_;
}

void DatabaseCore::Close() {
  if (db_ == nullptr) return;
  // Recordsets unregister themselves as they close.
  while (!recordsets_.empty()) recordsets_.back()->Invalidate();
  translations_.clear();
  ForgetExactTranslations();
  watch_.reset();
  statements_.Clear();
  db_ = nullptr;
  connection_.reset();
  claim_.reset();  // after the connection: its locks go with the last descriptor
}

void DatabaseCore::Register(RecordsetCore* recordset) { recordsets_.push_back(recordset); }

void DatabaseCore::Unregister(RecordsetCore* recordset) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), recordset),
                    recordsets_.end());
}

// ---- statements ------------------------------------------------------------------------------

ColumnResolver DatabaseCore::MakeResolver() {
  return [this](std::string_view table, std::string_view column) -> std::optional<ColumnFacts> {
    const TableInfo* info = table.empty() ? nullptr : catalog_.FindTable(table);
    if (info == nullptr) return std::nullopt;
    const int position = info->FindColumn(column);
    if (position < 0) return std::nullopt;
    const ColumnInfo& found = info->columns[static_cast<size_t>(position)];
    ColumnFacts facts(found.definition);
    facts.text_compared = found.text_compared;
    facts.indexed = info->Indexed(column);
    return facts;
  };
}

DatabaseCore::Translation DatabaseCore::Translate(std::string_view dialect_sql) {
  handle();
  // SQLite would read the text only up to a NUL and silently drop the rest.
  if (dialect_sql.find('\0') != std::string_view::npos) throw MakeError(ErrorCode::kTypeMismatch);
  ExactTranslation& slot =
      exact_translations_[std::hash<std::string_view>{}(dialect_sql) % kExactSlots];
  if (slot.query && slot.text == dialect_sql) {
    return Translation{slot.query->statement, slot.parameters, slot.query};
  }
  Translation translation = TranslateAnew(dialect_sql);
  slot.text.assign(dialect_sql);
  slot.query = translation.query;
  slot.parameters = translation.parameters;
  return translation;
}

DatabaseCore::Translation DatabaseCore::TranslateAnew(std::string_view dialect_sql) {
  // The text with every numeric literal masked, and the literals.
  std::string key;
  key.reserve(dialect_sql.size());
  std::vector<std::string> numbers;
  SqlTokenizer tokenizer(dialect_sql);
  SqlToken token;
  size_t copied = 0;  // the text up to here is in the key
  while (tokenizer.Next(token)) {
    if (token.kind != SqlTokenKind::kNumber) continue;
    const auto at = static_cast<size_t>(token.text.data() - dialect_sql.data());
    key.append(dialect_sql.substr(copied, at - copied)).push_back('\x01');
    numbers.emplace_back(token.text);
    copied = at + token.text.size();
  }
  key.append(dialect_sql.substr(copied));
  auto found = translations_.find(key);
  if (found != translations_.end() && found->second->numbers.size() == numbers.size()) {
    const CachedQuery& query = *found->second;
    const TranslatedStatement& cached = *query.statement;
    std::vector<bool> is_parameter(numbers.size(), false);
    for (const auto& source : cached.parameter_sources) is_parameter[source.number] = true;
    bool same = true;
    for (size_t i = 0; i < numbers.size() && same; ++i) {
      same = is_parameter[i] || numbers[i] == query.numbers[i];
    }
    if (same) {
      Translation translation{query.statement, {}, found->second};
      for (const auto& source : cached.parameter_sources) {
        const std::string& number = numbers[source.number];
        translation.parameters.push_back(source.scaled ? ScaleCurrencyLiteral(number) : number);
      }
      return translation;
    }
  }
  auto translated =
      std::make_shared<const TranslatedStatement>(TranslateSql(dialect_sql, MakeResolver()));
  if (translations_.size() > kCachedTranslations) translations_.clear();
  auto query = std::make_shared<CachedQuery>(CachedQuery{translated, std::move(numbers), nullptr});
  translations_[key] = query;
  return Translation{translated, translated->parameters, std::move(query)};
}

void DatabaseCore::Execute(std::string_view dialect_sql) {
  Trace(dialect_sql);
  Translation translation = Translate(dialect_sql);
  const TranslatedStatement& translated = *translation.statement;
  if (translated.kind == StatementKind::kSelect) {
    throw Error(static_cast<int32_t>(ErrorCode::kInvalidArgument),
                "Cannot execute a select query.");
  }
  if (translated.kind == StatementKind::kDropTable) {
    if (translated.tables.empty()) throw MakeError(ErrorCode::kSyntaxInStatement);
    std::string table = translated.tables.front().name;
    catalog_.DropTable(table);
    SchemaChanged();
    return;
  }
  // One statement is all or nothing, triggered cascades included: a failure leaves the
  // file as it was.
  StatementKind kind = translated.kind;
  PassFaultSite(kind == StatementKind::kOther ? FaultSite::kSchemaChange : FaultSite::kStatement);
  Statement statement(db_, translated.sql);
  statement.BindNumbers(translation.parameters);
  // A pragma sets the connection up and cannot run inside a transaction.
  if (FoldCase(std::string_view(translated.sql).substr(0, 6)) == "pragma") {
    statement.Run();
  } else {
    WriteTransaction transaction(statements_);
    // The stored table an INSERT adds rows to, which numbers them afterwards.
    const TableInfo* target = kind == StatementKind::kInsert && !translated.tables.empty()
                                  ? catalog_.FindTable(translated.tables.front().name)
                                  : nullptr;
    if (target != nullptr && target->linked) target = nullptr;
    const int64_t highest = target != nullptr ? catalog_.HighestRowNumber(*target) : 0;
    if (kind == StatementKind::kDelete) KeepNumbersBeforeDelete(translated.tables);
    statement.Run();
    if (target != nullptr) NumberInsertedRows(*target, highest);
    transaction.Commit();
  }
  if (kind == StatementKind::kOther) SchemaChanged();
}

void DatabaseCore::KeepNumbersBeforeDelete(const std::vector<TableRef>& targets) {
  if (!targets.empty()) {
    for (const auto& target : targets) catalog_.KeepNumbersBeforeDelete(target.name);
    return;
  }
  // A target the translation did not name: every table keeps its numbers.
  std::vector<std::string> names;
  for (const auto& table : catalog_.Tables()) names.push_back(table.name);
  for (const auto& name : names) catalog_.KeepNumbersBeforeDelete(name);
}

void DatabaseCore::NumberInsertedRows(const TableInfo& table, int64_t above) {
  const int counter = table.counter;
  const std::string counter_column =
      counter >= 0 ? QuoteIdentifier(table.columns[static_cast<size_t>(counter)].name) : "NULL";
  std::vector<int64_t> inserted;
  // The numbers start above the counter values the statement wrote itself, so no later
  // row is given one of them.
  int64_t held = above;
  {
    Statement& rows =
        statements_.Get("SELECT rowid, " + counter_column + " FROM " + QuoteIdentifier(table.name) +
                        " WHERE rowid > ?1 ORDER BY rowid");
    StatementReset reset(rows);
    rows.BindInt(1, above);
    while (rows.Step()) {
      inserted.push_back(rows.ColumnInt(0));
      if (!rows.ColumnIsNull(1)) held = std::max(held, rows.ColumnInt(1));
    }
  }
  if (inserted.empty()) return;
  std::string renumber = "UPDATE " + QuoteIdentifier(table.name) + " SET rowid = ?1";
  if (counter >= 0) renumber += ", " + counter_column + " = coalesce(" + counter_column + ", ?1)";
  renumber += " WHERE rowid = ?2";
  // Every row moves up by the same distance, the highest first: none lands on another.
  const int64_t first = catalog_.TakeRowNumbers(table, static_cast<int64_t>(inserted.size()), held);
  for (size_t i = inserted.size(); i-- > 0;) {
    statements_.Run(renumber,
                    {StoredValue(first + static_cast<int64_t>(i)), StoredValue(inserted[i])});
  }
}

void DatabaseCore::ForgetExactTranslations() {
  for (ExactTranslation& slot : exact_translations_) slot.query.reset();
}

void DatabaseCore::SchemaChanged() {
  catalog_.Invalidate();
  translations_.clear();
  ForgetExactTranslations();
  statements_.ClearIdle();
  // A pragma may have changed the journal mode, and with it the way to watch the file.
  if (watch_) watch_->Restart();
  ++version_;
}

void DatabaseCore::NoticeOtherConnections() {
  if (db_ == nullptr || !watch_) return;
  if (watch_->OthersCommitted()) ++version_;
}

}  // namespace orvalis::engine
