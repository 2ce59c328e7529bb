#include "support/data_cases.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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

std::vector<Variant> ParseValues(const std::string& text) {
  std::vector<Variant> values;
  for (size_t at = text.find_first_not_of(' '); at < text.size();
       at = text.find_first_not_of(", ", at)) {
    if (text[at] == '\'') {
      std::string value;
      for (++at; at < text.size() && !(text[at] == '\'' && text[at + 1] != '\''); ++at) {
        value += text[at];
        if (text[at] == '\'') ++at;
      }
      values.emplace_back(value);
      ++at;
      continue;
    }
    const std::string word = text.substr(at, text.find(',', at) - at);
    at += word.size();
    if (word == "True" || word == "False") {
      values.emplace_back(word == "True");
    } else if (word == "Null" || word == "Missing") {
      values.push_back(word == "Null" ? Variant::Null() : Variant::Missing());
    } else {
      values.emplace_back(std::stoi(word));
    }
  }
  return values;
}

std::vector<std::string> ParseNames(const std::string& text) {
  std::vector<std::string> names;
  std::stringstream list(text);
  for (std::string name; std::getline(list, name, ',');) {
    const size_t first = name.find_first_not_of(' ');
    names.push_back(first == std::string::npos
                        ? ""
                        : name.substr(first, name.find_last_not_of(' ') - first + 1));
  }
  return names;
}

}  // namespace orvalis::testing
