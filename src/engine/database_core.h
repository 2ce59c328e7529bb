// DatabaseCore: the engine's side of one open declaration file. It owns the SQLite
// connection, the catalog, the prepared-statement and translation caches, and knows the
// recordsets open on it so that closing the file closes them.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/catalog.h"
#include "engine/sql_translator.h"
#include "engine/sqlite_handle.h"

namespace orvalis::engine {

class RecordsetCore;
struct QueryShape;

class DatabaseCore : public std::enable_shared_from_this<DatabaseCore> {
 public:
  // Opens an existing declaration file (errors as Workspace::OpenDatabase).
  static std::shared_ptr<DatabaseCore> Open(const std::string& path, bool exclusive, bool read_only,
                                            std::string_view connect);
  // Creates a new declaration file and opens it (errors as Workspace::CreateDatabase).
  static std::shared_ptr<DatabaseCore> Create(const std::string& path, std::string_view locale,
                                              int32_t options);
  ~DatabaseCore();
  DatabaseCore(const DatabaseCore&) = delete;
  DatabaseCore& operator=(const DatabaseCore&) = delete;

  const std::string& path() const { return path_; }
  bool is_open() const { return db_ != nullptr; }
  // Raises 3420 when the file has been closed.
  sqlite3* handle();
  void Close();

  Catalog& catalog() { return catalog_; }
  StatementCache& statements() { return statements_; }
  bool exclusive() const { return exclusive_; }

  // A dialect text translated for SQLite, with the values of its parameters. Texts that
  // differ only in the numbers of their conditions share one translation, cached until
  // the schema changes.
  struct Translation {
    std::shared_ptr<const TranslatedStatement> statement;
    std::vector<std::string> parameters;
  };
  Translation Translate(std::string_view dialect_sql);
  void Execute(std::string_view dialect_sql);
  // Tells the caches that the schema changed.
  void SchemaChanged();

  // Changes whenever stored data or the schema may have changed through this file's
  // connection: values read before are stale once it moves.
  int64_t data_version() const;

  void Trace(std::string_view sql) const {
    if (trace_) trace_(sql);
  }
  void SetTrace(std::function<void(std::string_view)> trace) { trace_ = std::move(trace); }

  // Shapes of queries already opened, by SQLite text; forgotten when the schema changes.
  std::shared_ptr<const QueryShape> FindShape(const std::string& sql) const;
  void KeepShape(const std::string& sql, std::shared_ptr<const QueryShape> shape);

  void Register(RecordsetCore* recordset);
  void Unregister(RecordsetCore* recordset);

 private:
  DatabaseCore(std::string path, ConnectionHandle db, bool exclusive);
  void Configure(bool read_only);
  ColumnResolver MakeResolver();

  std::string path_;
  ConnectionHandle connection_;
  sqlite3* db_;
  bool exclusive_;
  StatementCache statements_;
  Catalog catalog_;
  // Keyed by the text with its numeric literals masked; `numbers` are the literals of the
  // text that was translated (those not made parameters must match to reuse it).
  struct CachedTranslation {
    std::shared_ptr<const TranslatedStatement> statement;
    std::vector<std::string> numbers;
  };
  std::unordered_map<std::string, CachedTranslation> translations_;
  std::unordered_map<std::string, std::shared_ptr<const QueryShape>> shapes_;
  int64_t schema_generation_ = 0;
  std::function<void(std::string_view)> trace_;
  std::vector<RecordsetCore*> recordsets_;
};

// Runs a unit of writes atomically (a savepoint, nested in any open transaction):
// kept when Commit is called, undone when the guard ends without it.
class WriteTransaction {
 public:
  explicit WriteTransaction(DatabaseCore& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  DatabaseCore& db_;
  bool done_ = false;
};

}  // namespace orvalis::engine
