// The case files of the table-driven tests (tests/data/*.txt): a line "== <title>" starts
// a case and the lines after it belong to it; blank lines and lines beginning with '#'
// are left out. Each test reads the lines of its cases in its own notation.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "orvalis/variant.h"

namespace orvalis::testing {

struct DataCase {
  std::string title;               // the text after "== "
  std::vector<std::string> lines;  // as written, but for a trailing carriage return
};

// The cases of the file at `path` (a test failure when it holds none).
std::vector<DataCase> ReadDataCases(const std::string& path);

// `line` split at its first blank: the first word and the rest ("" when there is none).
std::pair<std::string, std::string> FirstWord(const std::string& line);

// The values of "1, 'a''b', True, Null, Missing": whole numbers, texts in quotes (a quote
// doubled inside), True, False, Null and Missing.
std::vector<Variant> ParseValues(const std::string& text);

// The names of "A, B ,C": split at the commas, blanks around each taken away.
std::vector<std::string> ParseNames(const std::string& text);

}  // namespace orvalis::testing
