// An in-memory SQLite database with the dialect's functions installed, for the tests of
// the pieces the engine builds on (the translator, the functions).
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <charconv>
#include <string>
#include <vector>

#include "engine/sql_functions.h"

namespace orvalis::engine {

class MemoryDb {
 public:
  MemoryDb() {
    sqlite3_open(":memory:", &db_);
    RegisterSqlFunctions(db_);
  }
  ~MemoryDb() { sqlite3_close(db_); }
  MemoryDb(const MemoryDb&) = delete;
  MemoryDb& operator=(const MemoryDb&) = delete;

  void Exec(const std::string& sql) {
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << message << "\n"
        << sql;
  }

  // The first value of `sql` typed as Rows gives it ("integer 0").
  std::string Value(const std::string& sql) {
    const std::vector<std::string> rows = Rows(sql, true);
    return rows.empty() ? std::string() : rows.front();
  }

  // The rows of `sql`, their values joined by '|': as SQLite's text ("NULL" for a Null), or
  // `typed` as "NULL", "integer 7", "real 1.5" or "text 'abc'". One row "error <message>"
  // when the statement fails.
  std::vector<std::string> Rows(const std::string& sql, bool typed = false) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      return {"error " + std::string(sqlite3_errmsg(db_))};
    }
    std::vector<std::string> rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (i > 0) row += '|';
        row += typed ? Typed(statement, i) : Text(statement, i);
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE) rows = {"error " + std::string(sqlite3_errmsg(db_))};
    sqlite3_finalize(statement);
    return rows;
  }

 private:
  static std::string Text(sqlite3_stmt* statement, int i) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
    return text ? text : "NULL";
  }
  static std::string Typed(sqlite3_stmt* statement, int i) {
    switch (sqlite3_column_type(statement, i)) {
      case SQLITE_NULL:
        return "NULL";
      case SQLITE_INTEGER:
        return "integer " + std::to_string(sqlite3_column_int64(statement, i));
      case SQLITE_FLOAT: {
        char buffer[32];
        auto written =
            std::to_chars(buffer, buffer + sizeof buffer, sqlite3_column_double(statement, i));
        return "real " + std::string(buffer, written.ptr);
      }
      default:
        return "text '" + Text(statement, i) + "'";
    }
  }

  sqlite3* db_ = nullptr;
};

}  // namespace orvalis::engine
