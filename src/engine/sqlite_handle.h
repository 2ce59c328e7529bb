// RAII handles over SQLite's connection and statement, and the translation of SQLite's
// failures into orvalis::Error with the engine's numbers.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/stored_value.h"
#include "orvalis/error.h"

namespace orvalis::engine {

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

// A prepared statement. Step() returns true while it yields rows; failures raise Error.
class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql);

  bool valid() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_.get(); }
  const std::string& sql() const { return sql_; }

  void Bind(int index, const StoredValue& value);  // 1-based
  // Binds ?1..?n to numbers written as text: integers when they have no fraction or
  // exponent (and fit 64 bits), reals otherwise.
  void BindNumbers(const std::vector<std::string>& numbers);
  void BindInt(int index, int64_t value);
  void BindText(int index, std::string_view value);
  bool Step();
  void Reset();
  // Step once and reset; for statements that yield no rows.
  void Run();

  int ColumnCount() const { return sqlite3_column_count(stmt_.get()); }
  StoredValue Column(int index) const;  // 0-based
  // The column's value into `into`.
  void ReadColumn(int index, StoredValue& into) const;
  // The column's value, a text viewed where SQLite keeps it (valid until the statement
  // moves on), into `into`. Inline: a recordset reads every value of its rows with it.
  void ReadColumnView(int index, StoredView& into) const {
    // The column's value taken once, then its parts (cheaper than a column call for each).
    sqlite3_value* value = sqlite3_column_value(stmt_.get(), index);
    switch (sqlite3_value_type(value)) {
      case SQLITE_INTEGER:
        into.storage = StoredView::Class::kInteger;
        into.integer = sqlite3_value_int64(value);
        return;
      case SQLITE_FLOAT:
        into.storage = StoredView::Class::kReal;
        into.real = sqlite3_value_double(value);
        return;
      case SQLITE_NULL:
        into.storage = StoredView::Class::kNull;
        return;
      default: {
        into.storage = StoredView::Class::kText;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        into.text = text == nullptr
                        ? std::string_view()
                        : std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)));
      }
    }
  }
  StoredView ColumnView(int index) const {
    StoredView view;
    ReadColumnView(index, view);
    return view;
  }
  int64_t ColumnInt(int index) const { return sqlite3_column_int64(stmt_.get(), index); }
  std::string ColumnText(int index) const;
  bool ColumnIsNull(int index) const {
    return sqlite3_column_type(stmt_.get(), index) == SQLITE_NULL;
  }

 private:
  sqlite3* db_ = nullptr;
  std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt_;
  std::string sql_;
};

// Prepared statements kept for reuse, keyed by their SQL text. A statement handed out
// must be reset by its user before the next Get of the same text.
//
// Acquire/Release lend a statement for exclusive use (a recordset stepping through its
// rows across calls) and take it back reset, so a query run again is not prepared again.
class StatementCache {
 public:
  explicit StatementCache(sqlite3* db) : db_(db) {}
  sqlite3* db() const { return db_; }
  Statement& Get(const std::string& sql);
  // Runs a cached statement that yields no rows with ?1..?n bound to `values`.
  void Run(const std::string& sql, std::initializer_list<StoredValue> values);
  std::unique_ptr<Statement> Acquire(const std::string& sql);
  void Release(std::unique_ptr<Statement> statement);
  // The same for the statements of one pool (a number from NewPool, never given twice):
  // found by the number instead of the text, which every statement of a pool shares.
  uint64_t NewPool() { return ++pools_made_; }
  std::unique_ptr<Statement> Acquire(uint64_t pool, const std::string& sql);
  void Release(uint64_t pool, std::unique_ptr<Statement> statement);
  void Clear() {
    statements_.clear();
    ClearIdle();
  }
  // After a schema change: a statement prepared before it would describe its result
  // columns as they were until its first step.
  void ClearIdle() {
    idle_.clear();
    pools_.clear();
  }

 private:
  sqlite3* db_;
  std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
  // Keyed by the text each statement keeps itself.
  std::unordered_multimap<std::string_view, std::unique_ptr<Statement>> idle_;
  std::unordered_map<uint64_t, std::vector<std::unique_ptr<Statement>>> pools_;
  uint64_t pools_made_ = 0;
};

// Resets a statement when the scope ends, so a failure never leaves it running.
class StatementReset {
 public:
  explicit StatementReset(Statement& statement) : statement_(statement) {}
  ~StatementReset() { statement_.Reset(); }
  StatementReset(const StatementReset&) = delete;
  StatementReset& operator=(const StatementReset&) = delete;

 private:
  Statement& statement_;
};

// A unit of writes on one connection, kept when Commit is called and undone when the
// guard ends without it.
//
// The outermost unit begins an immediate transaction: it waits (the connection's busy
// timeout, a few seconds) while another connection writes the file, then holds the
// file's write lock until it ends, so it never starts from a stale read of the file. When
// the wait runs out it fails with 3218. A unit inside another is a savepoint of it.
// REQUIRES: no statement of the connection is stepping (recordsets never keep one
// running between calls).
class WriteTransaction {
 public:
  explicit WriteTransaction(StatementCache& statements);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  StatementCache& statements_;
  bool outermost_;
  bool done_ = false;
};

// Steps a statement that writes: outside a transaction SQLite takes the write lock, runs
// and commits it on its own, all or nothing. A write lock still not granted after the
// busy timeout is 3218, as for a WriteTransaction.
void StepWrite(Statement& statement);

// Sets SQLite up for the engine, once per process, before its first connection: no
// memory statistics, which would make every allocation of every thread take one
// process-wide lock. (A host that started SQLite before keeps its own settings.)
void ConfigureSqliteOnce();

// Raises the Error that matches SQLite's failure `rc` on `db` for the statement `sql`:
// messages "orv:<number>:<text>" raised by our functions and triggers keep their number;
// unique violations are 3022; unknown tables 3078; unknown columns 3061; unknown
// functions 3085; syntax errors 3075; a busy or locked file 3045; a write to a read-only
// file 3027; a damaged file 3049; others 3000.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, std::string_view sql);

// Runs one or more statements without results (schema work); raises on failure.
void ExecRaw(sqlite3* db, const std::string& sql);

// Quotes an identifier for SQLite: "name" with inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);

}  // namespace orvalis::engine
