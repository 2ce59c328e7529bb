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

#include <fstream>
#include <sstream>

#include "database/declaration_schema.h"
#include "orvalis/collection.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"
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
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::vector<Case> ReadCases(const std::string& path) {
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("#") || Trim(line).empty()) continue;
    if (line.starts_with("== ")) {
      cases.push_back(Case{Trim(line.substr(3)), {}, {}, {}});
    } else if (cases.empty()) {
      ADD_FAILURE() << "text before the first case: " << line;
    } else if (line.starts_with("columns: ")) {
      std::stringstream list(line.substr(9));
      for (std::string column; std::getline(list, column, ',');) {
        cases.back().columns.push_back(Trim(column));
      }
    } else if (line.starts_with("-> ")) {
      cases.back().expected.push_back(Trim(line.substr(3)));
    } else {
      cases.back().sql += (cases.back().sql.empty() ? "" : " ") + Trim(line);
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
    Add("tblContribuinte", {{"IE", "123"}, {"UF", "SP"}});
    Add("tblContribuinte", {{"IE", "450"}, {"UF", "RJ"}});
    Add("tblContribuinte", {{"IE", "789"}});
    for (int month = 1; month <= 12; ++month) {
      Add("tblVEK", {{"IE", "123"}, {"Ref1", Date::FromYmd(2005, month, 1)}, {"Tipo", 1}});
    }
    db_->Execute(
        "UPDATE tblVEK SET SaldoCredAntDig = 100, ICMSFixPerRES = 10, OutrasRES = '5,5' "
        "WHERE NroVEK = 12");
    struct Cfop {
      int vek;
      const char* code;
      Variant imposto, retido, substituto;
    };
    for (const Cfop& c : std::initializer_list<Cfop>{
             {12, "5101", "1000", "10", "20"},
             {12, "6101", "234,5", Variant::Null(), Variant::Null()},
             {12, "7101", "0,5", Variant::Null(), Variant::Null()},
             {12, "1101", "300", "3", "4"},
             {12, "2101", Variant::Null(), Variant::Null(), Variant::Null()},
             {12, "3101", "50", Variant::Null(), Variant::Null()},
             {7, "5101", "999", "1", "1"},
             {7, "6101", "1", Variant::Null(), Variant::Null()}}) {
      Add("tblDetalhesCFOPs", {{"NroVEK", c.vek},
                               {"CFOP", c.code},
                               {"Imposto", c.imposto},
                               {"ImpostoRetidoST", c.retido},
                               {"ImpRetSubstitutoST", c.substituto}});
    }
    struct Occurrence {
      int vek;
      const char* subitem;
      const char* value;
      bool own;
    };
    for (const Occurrence& o : std::initializer_list<Occurrence>{{12, "002.01", "100", true},
                                                                 {12, "002.02", "50", true},
                                                                 {12, "003.01", "30", true},
                                                                 {12, "007.01", "20", true},
                                                                 {12, "008.01", "10", true},
                                                                 {12, "014.01", "5", true},
                                                                 {12, "002.01", "11", false},
                                                                 {12, "014.01", "2", false},
                                                                 {5, "002.09", "1", false},
                                                                 {5, "002.01", "7", true},
                                                                 {5, "003.01", "0", true}}) {
      Add("tblOcorrências", {{"NroVEK", o.vek},
                             {"CódSubItem", o.subitem},
                             {"Valor", o.value},
                             {"OpPróprias", o.own},
                             {"FLegal", "Art. 1"}});
    }
    Add("tblPagamento",
        {{"NroVEK", 12}, {"OpPróprias", true}, {"Data", "15/01/2005"}, {"Valor", "100"}});
    Add("tblPagamento",
        {{"NroVEK", 12}, {"OpPróprias", true}, {"Data", "03/02/2005"}, {"Valor", "50"}});
    Add("tblPagamento",
        {{"NroVEK", 12}, {"OpPróprias", false}, {"Data", "10/01/2005"}, {"Valor", "30"}});
    Add("tblPagamento",
        {{"NroVEK", 7}, {"OpPróprias", true}, {"Data", "05/05/2005"}, {"Valor", "1"}});
    for (const char* re : {"123", "124", "999"})
      Add("tblRegistroExportação", {{"NroVEK", 7}, {"RE", re}});
    Add("tblDIPAM",
        {{"NroVEK", 12}, {"CódDIPAM", "22"}, {"Município", "3550308"}, {"Valor", "10"}});
    Add("tblDIPAM", {{"NroVEK", 12}, {"Município", "3509502"}, {"Valor", "4"}});
    Add("tblDIPAM", {{"NroVEK", 12}, {"CódDIPAM", "22"}, {"Município", "9999999"}, {"Valor", "3"}});
    Add("tblDetalhesInterUFs", {{"NroVEK", 7}, {"CFOP", "6101"}, {"UF", "35"}, {"Imposto", "5"}});
    Add("tblDetalhesInterUFs", {{"NroVEK", 7}, {"CFOP", "6101"}, {"UF", "33"}, {"Imposto", "7"}});
    Add("tblZFM_ALC", {{"NroVEK", 7},
                       {"CFOP", "6101"},
                       {"UF", "35"},
                       {"NF", "000000002"},
                       {"MunicípioDest", "1302603"},
                       {"Valor", "10"},
                       {"Data", Date::FromYmd(2005, 7, 4)}});
    Add("tblZFM_ALC", {{"NroVEK", 7},
                       {"CFOP", "6101"},
                       {"UF", "35"},
                       {"NF", "000000001"},
                       {"MunicípioDest", "0000000"},
                       {"Valor", "20"}});
    Add("tblIESubstituto", {{"Código", 1}, {"IESubstituto", "111"}, {"NF", "123"}, {"Valor", "1"}});
    Add("tblIESubstituto", {{"Código", 1}, {"IESubstituto", "112"}, {"NF", "9"}, {"Valor", "2"}});
    Add("tblIESubstituido", {{"Código", 1}, {"IESubstituido", "211"}, {"NF", "5"}, {"Valor", "3"}});
    Add("tblIEsRemetente", {{"Código", 1}, {"IERemetente", "311"}, {"Valor", "4"}});
    Add("tblRecibosCredito",
        {{"Código", 1}, {"CodAutorização", "1234567890123456"}, {"Valor", "5"}});
    Add("tblRecibosCredito", {{"Código", 1}, {"CodAutorização", "99"}, {"Valor", "6"}});
  }

  void Add(const char* table, std::initializer_list<std::pair<const char*, Variant>> values) {
    auto rs = db_->OpenRecordset(table);
    rs->AddNew();
    for (const auto& [column, value] : values) rs->SetValue(column, value);
    rs->Update();
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
