// The conversion of an old-engine database into a file of ours: every table with its
// columns, declared types and sizes, primary keys and unique indexes, and every row with
// its values exactly; counters keep their values and go on after the highest. A
// declaration file (its tblVersão holds a four-digit version) gets the relations of the
// current schema and is then upgraded to "0800" by the format check.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "database/jet_source.h"

namespace orvalis::database {

struct ConvertedTable {
  std::string name;
  int64_t rows = 0;
};

struct JetConversionReport {
  std::vector<ConvertedTable> tables;
  bool declaration = false;  // relations rebuilt and format upgraded
  std::string original;      // where the original file was kept (in-place conversions)
};

// Told the rows copied so far and the rows the source announced, now and then.
using JetProgress = std::function<void(int64_t done, int64_t total)>;

// Writes the new file at `target` (3204 when a file is there). Any failure raises
// orvalis::Error; an undecodable or refused value's description names its table, row
// (1-based, in the source's order) and column. On failure `target` may be left
// half-written: the caller discards it.
JetConversionReport ConvertJetSource(JetSource& source, const std::string& target,
                                     const JetProgress& progress = {});

}  // namespace orvalis::database
