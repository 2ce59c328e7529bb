#include "engine/sqlite_handle.h"

#include <charconv>
#include <cstdlib>
#include <mutex>

#include "engine/sql_text.h"

namespace orvalis::engine {

void ConfigureSqliteOnce() {
  static std::once_flag once;
  std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db), sql_(sql) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(raw);
    ThrowSqliteError(db, rc, sql);
  }
  stmt_.reset(raw);
}

void Statement::Bind(int index, const StoredValue& value) {
  sqlite3_stmt* s = stmt_.get();
  if (const auto* i = std::get_if<int64_t>(&value)) {
    sqlite3_bind_int64(s, index, *i);
  } else if (const auto* d = std::get_if<double>(&value)) {
    sqlite3_bind_double(s, index, *d);
  } else if (const auto* t = std::get_if<std::string>(&value)) {
    sqlite3_bind_text(s, index, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(s, index);
  }
}

void Statement::BindNumbers(const std::vector<std::string>& numbers) {
  for (size_t i = 0; i < numbers.size(); ++i) {
    const std::string& text = numbers[i];
    const int index = static_cast<int>(i) + 1;
    int64_t integer = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), integer);
    if (ec == std::errc() && end == text.data() + text.size()) {
      sqlite3_bind_int64(stmt_.get(), index, integer);
    } else {
      sqlite3_bind_double(stmt_.get(), index, std::strtod(text.c_str(), nullptr));
    }
  }
}

void Statement::BindInt(int index, int64_t value) { sqlite3_bind_int64(stmt_.get(), index, value); }

void Statement::BindText(int index, std::string_view value) {
  sqlite3_bind_text(stmt_.get(), index, value.data(), static_cast<int>(value.size()),
                    SQLITE_TRANSIENT);
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_.get());
  ThrowSqliteError(db_, rc, sql_);
}

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

void Statement::Run() {
  try {
    Step();
  } catch (...) {
    Reset();
    throw;
  }
  Reset();
}

StoredValue Statement::Column(int index) const {
  StoredValue value;
  ReadColumn(index, value);
  return value;
}

void Statement::ReadColumn(int index, StoredValue& into) const {
  into = StoredOf(ColumnView(index));
}

std::string Statement::ColumnText(int index) const {
  const auto* text = sqlite3_column_text(stmt_.get(), index);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_.get(), index)));
}

Statement& StatementCache::Get(const std::string& sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return *found->second;
  auto statement = std::make_unique<Statement>(db_, sql);
  Statement& result = *statement;
  statements_.emplace(sql, std::move(statement));
  return result;
}

void StatementCache::Run(const std::string& sql, std::initializer_list<StoredValue> values) {
  Statement& statement = Get(sql);
  StatementReset reset(statement);
  int index = 1;
  for (const StoredValue& value : values) statement.Bind(index++, value);
  statement.Step();
}

std::unique_ptr<Statement> StatementCache::Acquire(const std::string& sql) {
  auto found = idle_.find(sql);
  if (found == idle_.end()) return std::make_unique<Statement>(db_, sql);
  std::unique_ptr<Statement> statement = std::move(found->second);
  idle_.erase(found);
  return statement;
}

void StatementCache::Release(std::unique_ptr<Statement> statement) {
  if (!statement || !statement->valid()) return;
  constexpr size_t kMaxIdle = 256;
  if (idle_.size() >= kMaxIdle) idle_.clear();
  statement->Reset();
  const std::string_view sql = statement->sql();
  idle_.emplace(sql, std::move(statement));
}

std::unique_ptr<Statement> StatementCache::Acquire(uint64_t pool, const std::string& sql) {
  auto found = pools_.find(pool);
  if (found == pools_.end() || found->second.empty()) return std::make_unique<Statement>(db_, sql);
  std::unique_ptr<Statement> statement = std::move(found->second.back());
  found->second.pop_back();
  return statement;
}

void StatementCache::Release(uint64_t pool, std::unique_ptr<Statement> statement) {
  if (!statement || !statement->valid()) return;
  constexpr size_t kMaxPools = 256;
  constexpr size_t kMaxPerPool = 4;
  if (pools_.size() >= kMaxPools && !pools_.contains(pool)) pools_.clear();
  auto& idle = pools_[pool];
  if (idle.size() >= kMaxPerPool) return;
  statement->Reset();
  idle.push_back(std::move(statement));
}

namespace {

// Steps a statement that takes the file's write lock: another writer keeping it past the
// busy timeout is 3218.
void StepTakingWriteLock(Statement& statement) {
  try {
    statement.Step();
  } catch (const Error& e) {
    if (e.number() == static_cast<int32_t>(ErrorCode::kFileInUse)) {
      throw MakeError(ErrorCode::kCurrentlyLocked);
    }
    throw;
  }
}

}  // namespace

WriteTransaction::WriteTransaction(StatementCache& statements)
    : statements_(statements), outermost_(sqlite3_get_autocommit(statements.db()) != 0) {
  if (!outermost_) {
    statements_.Get("SAVEPOINT orv_write").Run();
    return;
  }
  Statement& begin = statements_.Get("BEGIN IMMEDIATE");
  StatementReset reset(begin);
  StepTakingWriteLock(begin);
}

void StepWrite(Statement& statement) {
  if (sqlite3_get_autocommit(sqlite3_db_handle(statement.get())) != 0) {
    StepTakingWriteLock(statement);
  } else {
    statement.Step();
  }
}

WriteTransaction::~WriteTransaction() {
  if (done_) return;
  try {
    if (outermost_) {
      statements_.Get("ROLLBACK").Run();
    } else {
      statements_.Get("ROLLBACK TO orv_write").Run();
      statements_.Get("RELEASE orv_write").Run();
    }
  } catch (const Error&) {
    // Nothing more can be undone; the failure that brought us here is what the caller sees.
  }
}

void WriteTransaction::Commit() {
  statements_.Get(outermost_ ? "COMMIT" : "RELEASE orv_write").Run();
  done_ = true;
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The part of `message` after `prefix`, up to the end (or a following ':' for names that
// SQLite reports as "no such column: x").
std::string After(std::string_view message, std::string_view prefix) {
  size_t at = message.find(prefix);
  if (at == std::string_view::npos) return std::string(message);
  return std::string(message.substr(at + prefix.size()));
}

// "orv:<number>:<text>": an error raised on purpose by our SQL functions or triggers.
bool IsOwnError(std::string_view message, int32_t& number, std::string& text) {
  size_t at = message.find("orv:");
  if (at == std::string_view::npos) return false;
  std::string_view rest = message.substr(at + 4);
  size_t colon = rest.find(':');
  if (colon == std::string_view::npos) return false;
  number = std::atoi(std::string(rest.substr(0, colon)).c_str());
  text = std::string(rest.substr(colon + 1));
  return number != 0;
}

}  // namespace

void ThrowSqliteError(sqlite3* db, int rc, std::string_view sql) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int32_t number = 0;
  std::string text;
  if (IsOwnError(message, number, text)) {
    // Triggers raise "orv:<n>:<table>": the text is then the placeholder's value.
    auto code = static_cast<ErrorCode>(number);
    if (code == ErrorCode::kRelatedRecordRequired || code == ErrorCode::kRelatedRecordsExist) {
      throw MakeError(code, text);
    }
    throw Error(number, text);
  }
  int primary = rc & 0xff;
  if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY ||
      rc == SQLITE_CONSTRAINT_ROWID) {
    throw MakeError(ErrorCode::kDuplicateKey);
  }
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    throw MakeError(ErrorCode::kFileInUse, db ? sqlite3_db_filename(db, "main") : "");
  }
  if (primary == SQLITE_NOTADB) throw MakeError(ErrorCode::kUnrecognizedFormat, "");
  if (primary == SQLITE_READONLY) throw MakeError(ErrorCode::kReadOnly);
  if (primary == SQLITE_CORRUPT) {
    throw MakeError(ErrorCode::kCorruptDatabase, db ? sqlite3_db_filename(db, "main") : "");
  }
  if (primary == SQLITE_ERROR) {
    if (StartsWith(message, "no such table:")) {
      std::string name = After(message, "no such table: ");
      if (StartsWith(name, "main.")) name = name.substr(5);
      throw MakeError(ErrorCode::kTableNotFound, name);
    }
    if (StartsWith(message, "no such column:")) throw MakeError(ErrorCode::kTooFewParameters, "1");
    if (StartsWith(message, "no such function:")) {
      throw MakeError(ErrorCode::kUndefinedFunction, After(message, "no such function: "));
    }
    if (message.find("syntax error") != std::string::npos ||
        message.find("incomplete input") != std::string::npos ||
        StartsWith(message, "unrecognized token")) {
      throw MakeError(ErrorCode::kSyntaxInExpression, sql);
    }
    if (StartsWith(message, "wrong number of arguments")) {
      throw MakeError(ErrorCode::kSyntaxInExpression, sql);
    }
    if (message.find("ambiguous column name") != std::string::npos) {
      throw Error(static_cast<int32_t>(ErrorCode::kSyntaxInFrom),
                  "The specified field could be referred to more than one table listed in "
                  "the FROM clause of your SQL statement.");
    }
  }
  throw Error(static_cast<int32_t>(ErrorCode::kEngineFailure), message);
}

void ExecRaw(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  if (error != nullptr) sqlite3_free(error);
  if (rc != SQLITE_OK) ThrowSqliteError(db, rc, sql);
}

std::string QuoteIdentifier(std::string_view name) { return '"' + DoubleQuotes(name, '"') + '"'; }

}  // namespace orvalis::engine
