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

#include <sstream>

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
        std::stringstream list(line.substr(9));
        for (std::string column; std::getline(list, column, ',');)
          c.columns.push_back(Trim(column));
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
    const Variant N = Variant::Null(), skip = Variant::Missing();
    Add("tblContribuinte", {"IE", "UF"}, {{"123", "SP"}, {"450", "RJ"}, {"789", skip}});
    for (int month = 1; month <= 12; ++month) {
      Add("tblVEK", {"IE", "Ref1", "Tipo"}, {{"123", Date::FromYmd(2005, month, 1), 1}});
    }
    db_->Execute(
        "UPDATE tblVEK SET SaldoCredAntDig = 100, ICMSFixPerRES = 10, OutrasRES = '5,5' "
        "WHERE NroVEK = 12");
    Add("tblDetalhesCFOPs", {"NroVEK", "CFOP", "Imposto", "ImpostoRetidoST", "ImpRetSubstitutoST"},
        {{12, "5101", "1000", "10", "20"},
         {12, "6101", "234,5", N, N},
         {12, "7101", "0,5", N, N},
         {12, "1101", "300", "3", "4"},
         {12, "2101", N, N, N},
         {12, "3101", "50", N, N},
         {7, "5101", "999", "1", "1"},
         {7, "6101", "1", N, N}});
    Add("tblOcorrências", {"NroVEK", "CódSubItem", "Valor", "OpPróprias", "FLegal"},
        {{12, "002.01", "100", true, "Art. 1"},
         {12, "002.02", "50", true, "Art. 1"},
         {12, "003.01", "30", true, "Art. 1"},
         {12, "007.01", "20", true, "Art. 1"},
         {12, "008.01", "10", true, "Art. 1"},
         {12, "014.01", "5", true, "Art. 1"},
         {12, "002.01", "11", false, "Art. 1"},
         {12, "014.01", "2", false, "Art. 1"},
         {5, "002.09", "1", false, "Art. 1"},
         {5, "002.01", "7", true, "Art. 1"},
         {5, "003.01", "0", true, "Art. 1"}});
    Add("tblPagamento", {"NroVEK", "OpPróprias", "Data", "Valor"},
        {{12, true, "15/01/2005", "100"},
         {12, true, "03/02/2005", "50"},
         {12, false, "10/01/2005", "30"},
         {7, true, "05/05/2005", "1"}});
    Add("tblRegistroExportação", {"NroVEK", "RE"}, {{7, "123"}, {7, "124"}, {7, "999"}});
    Add("tblDIPAM", {"NroVEK", "CódDIPAM", "Município", "Valor"},
        {{12, "22", "3550308", "10"}, {12, skip, "3509502", "4"}, {12, "22", "9999999", "3"}});
    Add("tblDetalhesInterUFs", {"NroVEK", "CFOP", "UF", "Imposto"},
        {{7, "6101", "35", "5"}, {7, "6101", "33", "7"}});
    Add("tblZFM_ALC", {"NroVEK", "CFOP", "UF", "NF", "MunicípioDest", "Valor", "Data"},
        {{7, "6101", "35", "000000002", "1302603", "10", Date::FromYmd(2005, 7, 4)},
         {7, "6101", "35", "000000001", "0000000", "20", skip}});
    Add("tblIESubstituto", {"Código", "IESubstituto", "NF", "Valor"},
        {{1, "111", "123", "1"}, {1, "112", "9", "2"}});
    Add("tblIESubstituido", {"Código", "IESubstituido", "NF", "Valor"}, {{1, "211", "5", "3"}});
    Add("tblIEsRemetente", {"Código", "IERemetente", "Valor"}, {{1, "311", "4"}});
    Add("tblRecibosCredito", {"Código", "CodAutorização", "Valor"},
        {{1, "1234567890123456", "5"}, {1, "99", "6"}});
  }

  // Adds one row of `table` per entry of `rows`, each value in the column of `columns` at
  // its place; a Missing value leaves its column out.
  void Add(const char* table, const std::vector<const char*>& columns,
           const std::vector<std::vector<Variant>>& rows) {
    for (const auto& row : rows) {
      testing::Columns values;
      for (size_t i = 0; i < columns.size(); ++i) {
        if (!row.at(i).IsMissing()) values.emplace_back(columns[i], row[i]);
      }
      testing::AddRow(*db_, table, values);
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
