#include "support/data_cases.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orvalis::testing {

std::vector<DataCase> ReadDataCases(const std::string& path) {
  std::ifstream in(path);
  std::vector<DataCase> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line.starts_with("#")) continue;
    if (line.starts_with("== ")) {
      cases.push_back({line.substr(3), {}});
    } else if (cases.empty()) {
      ADD_FAILURE() << path << ": text before the first case: " << line;
    } else {
      cases.back().lines.push_back(line);
    }
  }
  EXPECT_FALSE(cases.empty()) << path;
  return cases;
}

std::pair<std::string, std::string> FirstWord(const std::string& line) {
  const size_t blank = line.find(' ');
  if (blank == std::string::npos) return {line, ""};
  return {line.substr(0, blank), line.substr(blank + 1)};
}

}  // namespace orvalis::testing
