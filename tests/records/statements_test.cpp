// The record and collection classes as the front-end sees them: their members in slot
// order and every statement they send, word for word, as the file's statement trace sees
// it. The script tests/data/record_statements.txt drives objects by late binding on one
// fresh declaration file, step by step:
//
//   == Orvalis.CFOP            a new object of that class, bound to the file
//   members DBIndex Fetch ...  its members, in slot order
//   Let CFOP = '51''01'        a property Let
//   Fetch 1, '51''01'          a method with its arguments: whole numbers, 'texts' (a
//                              quote doubled inside), True, False, Null, Missing
//   > Select * from ...        a statement the step sends, in order (none listed: none)
//   ! 3021                     an error the step swallows, reported as <Class>.<member>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"
#include "support/data_cases.h"

namespace orvalis {
namespace {

struct Step {
  std::string line;  // as written, for messages
  std::string member;
  std::vector<Variant> args;  // for a Let, the value assigned last
  bool let = false;
  std::vector<std::string> statements = {};
  std::vector<int32_t> swallowed = {};
};

struct Script {
  std::string prog_id;
  std::string members = {};
  std::vector<Step> steps = {};
};

std::vector<Script> ReadScripts(const std::string& path) {
  std::vector<Script> scripts;
  for (const testing::DataCase& data : testing::ReadDataCases(path)) {
    Script& script = scripts.emplace_back(Script{data.title});
    for (const std::string& line : data.lines) {
      const auto [word, rest] = testing::FirstWord(line);
      if (word == "members") {
        script.members = rest;
      } else if (word == ">") {
        script.steps.back().statements.push_back(rest);
      } else if (word == "!") {
        script.steps.back().swallowed.push_back(std::stoi(rest));
      } else if (word == "Let") {
        const size_t equals = rest.find(" = ");
        script.steps.push_back(
            {line, rest.substr(0, equals), testing::ParseValues(rest.substr(equals + 3)), true});
      } else {
        script.steps.push_back({line, word, testing::ParseValues(rest)});
      }
    }
  }
  return scripts;
}

class StatementsTest : public testing::RecordsTest {};

TEST_F(StatementsTest, MembersAndEveryStatementWordForWord) {
  const auto scripts = ReadScripts(std::string(ORVALIS_TEST_DATA_DIR) + "/record_statements.txt");
  ASSERT_EQ(scripts.size(), 26u);
  for (const Script& script : scripts) {
    auto object = CreateObject(script.prog_id);
    testing::Call(*object, "DBIndex", {Variant(path_)});
    const std::string class_name = object->Class().name();
    EXPECT_EQ(testing::MemberNames(*object), script.members) << script.prog_id;
    for (const Step& step : script.steps) {
      std::vector<Variant> args = step.args;
      const std::vector<std::string> sent = Statements([&] {
        Invoke(*object, step.member, step.let ? InvokeKind::kPropertyLet : InvokeKind::kMethod,
               args);
      });
      EXPECT_EQ(sent, step.statements) << script.prog_id << ": " << step.line;
      for (int32_t number : step.swallowed) {
        EXPECT_TRUE(swallowed_.Has(class_name + "." + step.member, number))
            << script.prog_id << ": " << step.line << " ! " << number;
      }
    }
  }
}

}  // namespace
}  // namespace orvalis
