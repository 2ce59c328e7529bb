// What a declaration file holds, read through the engine, so that two files can be
// compared: its layout (tables, columns, types, sizes, indexes, relations and their
// attributes) and its rows. Linked tables are left out.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/database.h"

namespace orvalis::testing {

// One line per column, index and relation, sorted: equal layouts give equal lines
// whatever the order in which the file's objects were made.
std::vector<std::string> LayoutLines(Database& db);

// A row: column name -> its value's kind and text.
using Row = std::map<std::string, std::string>;
// The kind and text of a value as rows hold it.
std::string ValueText(const Variant& value);

// The rows of every table, each table's rows sorted.
std::map<std::string, std::vector<Row>> AllRows(Database& db);

struct FileSnapshot {
  std::vector<std::string> layout;
  std::map<std::string, std::vector<Row>> rows;
  bool operator==(const FileSnapshot&) const = default;
};
FileSnapshot Snapshot(Database& db);
// The snapshot of the file at `path`, opened read-only in a private workspace.
FileSnapshot SnapshotOf(const std::string& path);

}  // namespace orvalis::testing
