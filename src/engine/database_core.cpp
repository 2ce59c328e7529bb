#include "engine/database_core.h"

#include <algorithm>
#include <filesystem>

#include "engine/fault_injection.h"
#include "engine/jet_header.h"
#include "engine/password.h"
#include "engine/recordset_core.h"
#include "engine/sql_functions.h"
#include "engine/sql_tokenizer.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

constexpr int kBusyTimeoutMs = 250;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::string MetaValue(sqlite3* db, std::string_view key) {
  Statement read(db, "SELECT value FROM _orv_meta WHERE key = ?1");
  read.BindText(1, key);
  return read.Step() ? read.ColumnText(0) : std::string();
}

void SetMetaValue(sqlite3* db, std::string_view key, std::string_view value) {
  Statement write(db, "INSERT OR REPLACE INTO _orv_meta(key, value) VALUES (?1, ?2)");
  write.BindText(1, key);
  write.BindText(2, value);
  write.Run();
}

ConnectionHandle OpenConnection(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                           nullptr);
  ConnectionHandle db(raw);
  if (rc != SQLITE_OK) {
    if ((rc & 0xff) == SQLITE_CANTOPEN) throw MakeError(ErrorCode::kFileNotFound, path);
    ThrowSqliteError(raw, rc, "");
  }
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  return db;
}

// 3343; its message says so when the file is one of the old engine's, which can be converted.
[[noreturn]] void ThrowUnrecognized(const std::string& path) {
  if (IsJetFile(path)) {
    throw Error(static_cast<int32_t>(ErrorCode::kUnrecognizedFormat), JetFileRefusal(path));
  }
  throw MakeError(ErrorCode::kUnrecognizedFormat, path);
}

// The identity check of an opened file: a declaration file, readable, right password.
void CheckIdentity(sqlite3* db, const std::string& path, std::string_view connect) {
  bool ours = false;
  try {
    ours = Catalog::IsDeclarationFile(db);
  } catch (const Error& e) {
    if (e.number() == static_cast<int32_t>(ErrorCode::kFileInUse)) {
      throw MakeError(ErrorCode::kFileInUse, path);
    }
    ThrowUnrecognized(path);
  }
  if (!ours) ThrowUnrecognized(path);
  std::string password = ConnectValue(connect, "pwd").value_or("");
  if (!PasswordMatches(password, MetaValue(db, "password"))) {
    throw MakeError(ErrorCode::kBadPassword);
  }
}

}  // namespace

// ---- opening and closing -------------------------------------------------------------------

DatabaseCore::DatabaseCore(std::string path, ConnectionHandle db, bool exclusive)
    : path_(std::move(path)),
      connection_(std::move(db)),
      db_(connection_.get()),
      exclusive_(exclusive),
      statements_(db_),
      catalog_(db_, statements_) {}

DatabaseCore::~DatabaseCore() { Close(); }

std::shared_ptr<DatabaseCore> DatabaseCore::Open(const std::string& path, bool exclusive,
                                                 bool read_only, std::string_view connect) {
  if (!FileExists(path)) throw MakeError(ErrorCode::kFileNotFound, path);
  ConnectionHandle db =
      OpenConnection(path, read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  if (exclusive) ExecRaw(db.get(), "PRAGMA locking_mode = EXCLUSIVE");
  CheckIdentity(db.get(), path, connect);
  if (exclusive) {
    // Takes the lock now and keeps it: other connections are refused until Close.
    try {
      ExecRaw(db.get(), "BEGIN EXCLUSIVE; COMMIT");
    } catch (const Error&) {
      throw MakeError(ErrorCode::kFileInUse, path);
    }
  }
  std::shared_ptr<DatabaseCore> core(new DatabaseCore(path, std::move(db), exclusive));
  core->Configure(read_only);
  return core;
}

std::shared_ptr<DatabaseCore> DatabaseCore::Create(const std::string& path, std::string_view locale,
                                                   int32_t options) {
  if (FileExists(path)) throw MakeError(ErrorCode::kDatabaseExists);
  ConnectionHandle db = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  try {
    ExecRaw(db.get(), "PRAGMA journal_mode = WAL; BEGIN");
    Catalog::InitializeFile(db.get());
    SetMetaValue(db.get(), "password", HashPassword(ConnectValue(locale, "pwd").value_or("")));
    std::string collating = std::string(locale.substr(0, locale.find(";pwd=")));
    SetMetaValue(db.get(), "locale", collating);
    SetMetaValue(db.get(), "file_format", options == kDbVersion30 ? "3.0" : "4.0");
    ExecRaw(db.get(), "COMMIT");
  } catch (...) {
    db.reset();
    std::error_code ec;
    std::filesystem::remove(path, ec);
    throw;
  }
  std::shared_ptr<DatabaseCore> core(new DatabaseCore(path, std::move(db), false));
  core->Configure(false);
  return core;
}

void DatabaseCore::Configure(bool read_only) {
  // WAL with NORMAL sync: a committed write survives a crash of the process, and a power
  // cut can lose the last commits but never corrupts the file. The WAL is folded back
  // into the file when the last connection closes, leaving one self-contained file.
  if (!read_only) ExecRaw(db_, "PRAGMA journal_mode = WAL");
  // A page cache of 16 MB keeps the indexes of a large declaration file in memory.
  ExecRaw(db_,
          "PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = OFF; PRAGMA cache_size = -16384");
  RegisterSqlFunctions(db_);
  catalog_.AttachLinks();
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
  shapes_.clear();
  statements_.Clear();
  db_ = nullptr;
  connection_.reset();
}

void DatabaseCore::Register(RecordsetCore* recordset) { recordsets_.push_back(recordset); }

void DatabaseCore::Unregister(RecordsetCore* recordset) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), recordset),
                    recordsets_.end());
}

// ---- statements ------------------------------------------------------------------------------

ColumnResolver DatabaseCore::MakeResolver() {
  return [this](std::string_view table, std::string_view column) -> std::optional<ColumnSpec> {
    auto lookup = [&](const TableInfo& info) -> std::optional<ColumnSpec> {
      int position = info.FindColumn(column);
      if (position < 0) return std::nullopt;
      return info.columns[position].definition;
    };
    if (!table.empty()) {
      const TableInfo* info = catalog_.FindTable(table);
      if (info == nullptr) return std::nullopt;
      return lookup(*info);
    }
    return std::nullopt;
  };
}

DatabaseCore::Translation DatabaseCore::Translate(std::string_view dialect_sql) {
  handle();
  // The text with every numeric literal masked, and the literals.
  std::string key;
  key.reserve(dialect_sql.size());
  std::vector<std::string> numbers;
  SqlTokenizer tokenizer(dialect_sql);
  SqlToken token;
  while (tokenizer.Next(token)) {
    if (token.kind == SqlTokenKind::kNumber) {
      numbers.emplace_back(token.text);
      key.push_back('\x01');
    } else {
      key.append(token.text);
    }
  }
  auto found = translations_.find(key);
  if (found != translations_.end() && found->second.numbers.size() == numbers.size()) {
    const TranslatedStatement& cached = *found->second.statement;
    std::vector<bool> is_parameter(numbers.size(), false);
    for (const auto& source : cached.parameter_sources) is_parameter[source.number] = true;
    bool same = true;
    for (size_t i = 0; i < numbers.size() && same; ++i) {
      same = is_parameter[i] || numbers[i] == found->second.numbers[i];
    }
    if (same) {
      Translation translation{found->second.statement, {}};
      for (const auto& source : cached.parameter_sources) {
        const std::string& number = numbers[source.number];
        translation.parameters.push_back(source.scaled ? ScaleCurrencyLiteral(number) : number);
      }
      return translation;
    }
  }
  auto translated =
      std::make_shared<const TranslatedStatement>(TranslateSql(dialect_sql, MakeResolver()));
  if (translations_.size() > 512) translations_.clear();
  translations_[key] = CachedTranslation{translated, std::move(numbers)};
  return Translation{translated, translated->parameters};
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
  // One statement is atomic by itself, triggered cascades included: a failure leaves
  // the file as it was.
  StatementKind kind = translated.kind;
  PassFaultSite(kind == StatementKind::kOther ? FaultSite::kSchemaChange : FaultSite::kStatement);
  Statement statement(db_, translated.sql);
  statement.BindNumbers(translation.parameters);
  statement.Run();
  if (kind == StatementKind::kOther) SchemaChanged();
}

std::shared_ptr<const QueryShape> DatabaseCore::FindShape(const std::string& sql) const {
  auto found = shapes_.find(sql);
  return found == shapes_.end() ? nullptr : found->second;
}

void DatabaseCore::KeepShape(const std::string& sql, std::shared_ptr<const QueryShape> shape) {
  if (shapes_.size() > 512) shapes_.clear();
  shapes_[sql] = std::move(shape);
}

void DatabaseCore::SchemaChanged() {
  catalog_.Invalidate();
  translations_.clear();
  shapes_.clear();
  statements_.ClearIdle();
  ++schema_generation_;
}

int64_t DatabaseCore::data_version() const {
  if (db_ == nullptr) return -1;
  return sqlite3_total_changes64(db_) + (schema_generation_ << 40);
}

// ---- transactions ----------------------------------------------------------------------------

// A savepoint rather than BEGIN/ROLLBACK: rolling back to a savepoint leaves the
// recordsets that are reading this connection running, a full ROLLBACK would abort them.
WriteTransaction::WriteTransaction(DatabaseCore& db) : db_(db) {
  db_.handle();
  db_.statements().Get("SAVEPOINT orv_write").Run();
}

WriteTransaction::~WriteTransaction() {
  if (done_ || !db_.is_open()) return;
  try {
    db_.statements().Get("ROLLBACK TO orv_write").Run();
    db_.statements().Get("RELEASE orv_write").Run();
  } catch (const Error&) {
    // Nothing more can be undone; the failure that brought us here is what the caller sees.
  }
}

void WriteTransaction::Commit() {
  db_.statements().Get("RELEASE orv_write").Run();
  done_ = true;
}

}  // namespace orvalis::engine
