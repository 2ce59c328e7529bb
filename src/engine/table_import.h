// TableImport: fills a table of a file being built by a conversion with rows whose every
// value is given, counters included, and moves the table's counter on past them.
//
// Counter values are kept: a row's counter value is its row number (as for rows the
// engine numbers itself), so two rows with the same counter value are refused (3022) and
// a Null counter too (3058). Values are converted and checked as any write into the
// column (3163, 3349, 3421). The rows are written in one unit: kept by Commit, undone when
// the import ends without it. One thread, one import at a time per database.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/database.h"

namespace orvalis::engine {

struct ImportColumn {
  std::string name;
  ColumnSpec definition;
};

struct ImportIndex {
  std::string name;
  bool primary = false;
  bool unique = false;
  std::vector<std::string> columns;
};

// Creates a table with exactly these columns (every engine type, Decimal's precision and
// scale, counters) and indexes, all or nothing. 3010 when the table exists.
void CreateImportTable(Database& db, std::string_view name, std::span<const ImportColumn> columns,
                       std::span<const ImportIndex> indexes);

class TableImport {
 public:
  TableImport(Database& db, std::string_view table);
  ~TableImport();
  TableImport(const TableImport&) = delete;
  TableImport& operator=(const TableImport&) = delete;

  // One row: a value per column of the table, in the table's column order.
  void Insert(std::span<const Variant> row);
  // Keeps the rows and makes the counter's next value the larger of `next_counter` and
  // one above the highest counter value in the table (0: no recorded next value).
  void Commit(int64_t next_counter);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace orvalis::engine
