// Every SQL text the component sends, run through the adapter on data of its own, with
// the results checked. The texts and their expected results live in
// tests/data/dialect_statements.txt so that later work can reuse them:
//
//   == name                      starts a case
//   columns: A, B                (optional) the columns shown, in this order
//   <SQL text, one or more lines>
//   -> Kind:value | Kind:value   one line per expected row (KindName:ToText, or Null)
//   -> rows N                    only the number of rows is checked
//   -> ok                        an action statement that must succeed
//   -> error N                   the engine error the statement must raise
#include <gtest/gtest.h>

#include "component/collection.h"
#include "database/declaration_schema.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"
#include "support/data_cases.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

struct Case {
  std::string name;
  std::vector<std::string> columns;
  std::string sql;
  std::vector<std::string> expected;
};

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::vector<Case> ReadCases(const std::string& path) {
  std::vector<Case> cases;
  for (const testing::DataCase& data : testing::ReadDataCases(path)) {
    Case& c = cases.emplace_back(Case{Trim(data.title), {}, {}, {}});
    for (const std::string& line : data.lines) {
      if (line.starts_with("columns: ")) {
        c.columns = testing::ParseNames(line.substr(9));
      } else if (line.starts_with("-> ")) {
        c.expected.push_back(Trim(line.substr(3)));
      } else {
        c.sql += (c.sql.empty() ? "" : " ") + Trim(line);
      }
    }
  }
  return cases;
}

std::string Shown(const Variant& value) {
  if (value.IsNull()) return "Null";
  return std::string(KindName(value.kind())) + ":" + ToText(value);
}

// What a case produced, in the notation of the data file.
std::vector<std::string> RunCase(Database& db, const Case& c) {
  try {
    bool select =
        c.sql.size() >= 6 && (c.sql.substr(0, 6) == "SELECT" || c.sql.substr(0, 6) == "Select" ||
                              c.sql.substr(0, 6) == "select");
    if (!select) {
      db.Execute(c.sql);
      return {"ok"};
    }
    auto rs = db.OpenRecordset(c.sql);
    if (c.expected.size() == 1 && c.expected[0].starts_with("rows ")) {
      if (!rs->IsEof()) rs->MoveLast();
      return {"rows " + std::to_string(rs->RecordCount())};
    }
    std::vector<std::string> rows;
    for (; !rs->IsEof(); rs->MoveNext()) {
      std::string row;
      if (c.columns.empty()) {
        for (int32_t i = 0; i < static_cast<int32_t>(rs->Columns().size()); ++i) {
          row += (i ? " | " : "") + Shown(rs->GetValue(i));
        }
      } else {
        for (size_t i = 0; i < c.columns.size(); ++i) {
          row += (i ? " | " : "") + Shown(rs->GetValue(c.columns[i]));
        }
      }
      rows.push_back(row);
    }
    return rows;
  } catch (const Error& e) {
    return {"error " + std::to_string(e.number())};
  }
}

// The data the statements run on (see the comments of the data file for what matters).
class ConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = testing::NewDeclarationFile(*workspace_, dir_.File("conformance.mdb"));
    for (const char* table : {"tblEstados", "tblMunicípios", "tblMunicípiosZFM_ALC"}) {
      auto link = db_->CreateTableDef(table);
      link->SetConnect(std::string(";database=") + ORVALIS_FIXAS_FILE);
      link->SetSourceTableName(table);
      db_->AppendTableDef(link);
    }
    for (const testing::DataCase& table :
         testing::ReadDataCases(ORVALIS_TEST_DATA_DIR "/conformance_rows.txt")) {
      const std::vector<std::string> columns = testing::ParseNames(table.lines.at(0));
      for (size_t r = 1; r < table.lines.size(); ++r) {
        const std::vector<Variant> row = testing::ParseValues(table.lines[r]);
        testing::Columns values;
        for (size_t i = 0; i < columns.size(); ++i) {
          if (!row.at(i).IsMissing()) values.emplace_back(columns[i].c_str(), row[i]);
        }
        testing::AddRow(*db_, table.title, values);
      }
    }
  }

  testing::TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = testing::NewWorkspace();
  std::shared_ptr<Database> db_;
};

TEST_F(ConformanceTest, EveryStatementGivesItsResult) {
  std::vector<Case> cases =
      ReadCases(std::string(ORVALIS_TEST_DATA_DIR) + "/dialect_statements.txt");
  ASSERT_GT(cases.size(), 50u);
  for (const Case& c : cases) {
    EXPECT_EQ(RunCase(*db_, c), c.expected) << c.name << "\n" << c.sql;
  }
}

}  // namespace
}  // namespace orvalis
