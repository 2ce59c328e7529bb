// JetSource: what the conversion of an old-engine database reads from it, and nothing
// more: its tables with their columns (declared types and sizes), primary keys and unique
// indexes, and their rows. The file reader (jet_file_source.h) is one implementation;
// tests give others.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvalis/field_type.h"
#include "orvalis/variant.h"

namespace orvalis::database {

struct JetColumn {
  std::string name;
  // Type, size (Text: characters; Binary: bytes), precision and scale (Decimal), and
  // kAutoIncrField for a counter.
  ColumnSpec definition;
};

struct JetIndex {
  std::string name;
  bool primary = false;  // a primary key is unique too
  bool unique = false;
  std::vector<std::string> columns;
};

struct JetTable {
  std::string name;
  std::vector<JetColumn> columns;
  std::vector<JetIndex> indexes;  // primary keys and unique indexes only
  int64_t row_count = 0;          // as the source records it; for progress only
  int64_t next_counter = 0;       // the counter's recorded next value; 0 when none
};

// The rows of one table, read front to back.
class JetRows {
 public:
  virtual ~JetRows() = default;
  // Fills `row` with the next row's values, one per column in column order, and returns
  // true; false after the last row. Values are of their column's kind: Null; Boolean;
  // Byte; Integer; Long (counters too); Currency; Double (Single and Double columns);
  // Date; String for Text and Memo (UTF-8), for Binary and LongBinary (the bytes), GUID
  // ("{XXXXXXXX-...}") and Decimal (exact, Brazilian form "-12,50"). A value that cannot
  // be decoded raises orvalis::Error (3421) whose description names the column.
  virtual bool Next(std::vector<Variant>& row) = 0;
};

class JetSource {
 public:
  virtual ~JetSource() = default;
  // The user tables, in the source's order (no system tables, no links to other files).
  virtual std::vector<JetTable> Tables() = 0;
  virtual std::unique_ptr<JetRows> Rows(const JetTable& table) = 0;
};

}  // namespace orvalis::database
