// DatabaseCore: the engine's side of one open declaration file. It owns the SQLite
// connection, the catalog, the prepared-statement and translation caches, and knows the
// recordsets open on it so that closing the file closes them.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/catalog.h"
#include "engine/change_watch.h"
#include "engine/file_claim.h"
#include "engine/sql_translator.h"
#include "engine/sqlite_handle.h"

namespace orvalis::engine {

class RecordsetCore;
struct QueryShape;

class DatabaseCore : public std::enable_shared_from_this<DatabaseCore> {
 public:
  // Opens an existing declaration file (errors as Workspace::OpenDatabase). The file is
  // checked before anything is written to it (file_check.h). A file this process may read
  // but not write opens read-only, whatever `read_only` says. `within`: the exclusive
  // claim of the caller's own operation on this file (file_claim.h).
  static std::shared_ptr<DatabaseCore> Open(const std::string& path, bool exclusive, bool read_only,
                                            std::string_view connect,
                                            const FileClaim* within = nullptr);
  // Creates a new declaration file and opens it (errors as Workspace::CreateDatabase).
  static std::shared_ptr<DatabaseCore> Create(const std::string& path, std::string_view locale,
                                              int32_t options);
  ~DatabaseCore();
  DatabaseCore(const DatabaseCore&) = delete;
  DatabaseCore& operator=(const DatabaseCore&) = delete;

  const std::string& path() const { return path_; }
  // The file the database was opened on (stays known after Close).
  const FileIdentity& identity() const { return identity_; }
  bool is_open() const { return db_ != nullptr; }
  // Raises 3420 when the file has been closed.
  sqlite3* handle();
  void Close();

  Catalog& catalog() { return catalog_; }
  StatementCache& statements() { return statements_; }
  bool exclusive() const { return exclusive_; }
  // True when the file is open read-only (asked for, or not writable by this process):
  // every write fails with 3027.
  bool read_only() const { return read_only_; }

  // A translation as the caches keep it, with the shape of its recordsets once one was
  // opened (RecordsetCore keeps it there).
  struct CachedQuery {
    std::shared_ptr<const TranslatedStatement> statement;
    std::vector<std::string> numbers;  // the numeric literals of the text translated
    std::shared_ptr<const QueryShape> shape;
  };
  // A dialect text translated for SQLite, with the values of its parameters. Texts that
  // differ only in the numbers of their conditions share one translation, cached until
  // the schema changes; a text met again is not even read again.
  struct Translation {
    std::shared_ptr<const TranslatedStatement> statement;
    std::vector<std::string> parameters;
    std::shared_ptr<CachedQuery> query;
  };
  Translation Translate(std::string_view dialect_sql);
  void Execute(std::string_view dialect_sql);
  // Tells the caches that the schema changed.
  void SchemaChanged();

  // Changes whenever stored data or the schema may have changed: through this
  // connection, or through another one as last noticed (NoticeOtherConnections). Values
  // read before are stale once it moves.
  int64_t data_version() {
    if (db_ == nullptr) return -1;
    const int64_t own = sqlite3_total_changes64(db_);
    if (own != own_changes_) {
      own_changes_ = own;
      ++version_;
    }
    return version_;
  }
  // Asks the file whether another connection committed since the last time (a look at
  // memory, see change_watch.h); recordsets ask whenever their cursor moves.
  void NoticeOtherConnections();

  void Trace(std::string_view sql) const {
    if (trace_) trace_(sql);
  }
  void SetTrace(std::function<void(std::string_view)> trace) { trace_ = std::move(trace); }

  void Register(RecordsetCore* recordset);
  void Unregister(RecordsetCore* recordset);

 private:
  DatabaseCore(std::string path, ConnectionHandle db, std::unique_ptr<FileClaim> claim,
               bool exclusive, bool read_only);
  void Configure();
  // Before a DELETE: its target tables (all tables when it names none) keep their highest
  // row numbers, which a new row must stay above.
  void KeepNumbersBeforeDelete(const std::vector<TableRef>& targets);
  // Gives the rows an INSERT added (rowid above `above`) the numbers the engine gives
  // every new row: a rowid from the table's sequence, never used before, and the same
  // number in the counter column where the statement left it Null.
  void NumberInsertedRows(const TableInfo& table, int64_t above);
  ColumnResolver MakeResolver();
  // Translate without the cache of exact texts.
  Translation TranslateAnew(std::string_view dialect_sql);

  std::string path_;
  std::unique_ptr<FileClaim> claim_;
  FileIdentity identity_;
  ConnectionHandle connection_;
  sqlite3* db_;
  bool exclusive_;
  bool read_only_;
  StatementCache statements_;
  Catalog catalog_;
  // Translations keyed by the text with its numeric literals masked (the literals not made
  // parameters must match to reuse one), and by the exact text.
  std::unordered_map<std::string, std::shared_ptr<CachedQuery>> translations_;
  // The exact texts met last, one per slot of their hash (a text met anew takes its slot
  // over, reusing its room).
  struct ExactTranslation {
    std::string text;
    std::shared_ptr<CachedQuery> query;  // nullptr: an empty slot
    std::vector<std::string> parameters;
  };
  static constexpr size_t kExactSlots = 256;
  std::vector<ExactTranslation> exact_translations_{kExactSlots};
  void ForgetExactTranslations();
  int64_t version_ = 0;  // bumped on every change seen below
  int64_t own_changes_ = 0;
  std::optional<ChangeWatch> watch_;
  std::function<void(std::string_view)> trace_;
  std::vector<RecordsetCore*> recordsets_;
};

}  // namespace orvalis::engine
