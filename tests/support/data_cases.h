// The case files of the table-driven tests (tests/data/*.txt): a line "== <title>" starts
// a case and the lines after it belong to it; blank lines and lines beginning with '#'
// are left out. Each test reads the lines of its cases in its own notation.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvalis::testing {

struct DataCase {
  std::string title;               // the text after "== "
  std::vector<std::string> lines;  // as written, but for a trailing carriage return
};

// The cases of the file at `path` (a test failure when it holds none).
std::vector<DataCase> ReadDataCases(const std::string& path);

// `line` split at its first blank: the first word and the rest ("" when there is none).
std::pair<std::string, std::string> FirstWord(const std::string& line);

}  // namespace orvalis::testing
