// The fixed reference tables as an open declaration file sees them through its links:
// counts and codes of states and municipalities, IBGE check digits, state capitals,
// free-zone municipalities and the CFOP table; and that every table says where it is from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "orvalis/mantem_db.h"
#include "database/module_state.h"
#include "orvalis/recordset.h"
#include "orvalis/variant.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Municipality codes whose seventh digit breaks the IBGE rule yet are the official codes.
const std::set<std::string> kCheckDigitExceptions = {"2201919", "2201988", "2202251",
                                                     "2611533", "3117836", "3152131",
                                                     "4305871", "5203939", "5203962"};

// IBGE's check digit of a municipality code: weights 1, 2, 1, 2, 1, 2 over the first six
// digits, a two-digit product counting as the sum of its digits; the digit brings the
// sum up to a multiple of ten.
int CheckDigit(const std::string& code) {
  int sum = 0;
  for (size_t i = 0; i < 6; ++i) {
    int product = (code[i] - '0') * (i % 2 == 0 ? 1 : 2);
    sum += product / 10 + product % 10;
  }
  return (10 - sum % 10) % 10;
}

bool AllDigits(const std::string& text, size_t length) {
  return text.size() == length && text.find_first_not_of("0123456789") == std::string::npos;
}

class ReferenceTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mantem_.Db_Open(path_), 1); }
  void TearDown() override { mantem_.Db_close(path_); }

  // Every row of `sql`, each as the texts of its columns in select order.
  Rows Select(const std::string& sql) {
    auto recordset = BindDatabase(path_)->OpenRecordset(sql);
    Rows rows;
    for (; !recordset->IsEof(); recordset->MoveNext()) {
      auto& row = rows.emplace_back();
      for (size_t c = 0; c < recordset->Columns().size(); ++c)
        row.push_back(ToText(recordset->GetValue(static_cast<int32_t>(c))));
    }
    return rows;
  }

  // The first column of `rows`, each value once; a failure names a value seen twice.
  static std::set<std::string> UniqueKeys(const Rows& rows) {
    std::set<std::string> keys;
    for (const auto& row : rows) EXPECT_TRUE(keys.insert(row[0]).second) << row[0];
    return keys;
  }

  std::map<std::string, std::string> StateLetters() {
    std::map<std::string, std::string> letters;
    for (const auto& row : Select("SELECT Código, Sigla FROM tblEstados")) letters[row[0]] = row[1];
    return letters;
  }

  testing::ComponentHome home_;
  MantemDB mantem_;
  std::string path_ = testing::NewFrontEndFile(home_, "fixas.mdb");
};

TEST_F(ReferenceTablesTest, StatesAndMunicipalitiesAreCountedOnceEach) {
  Rows states = Select("SELECT Código, Sigla, Estado FROM tblEstados");
  EXPECT_EQ(states.size(), 27u);
  EXPECT_EQ(UniqueKeys(states).size(), 27u);
  std::set<std::string> letters;
  for (const auto& state : states) {
    EXPECT_TRUE(AllDigits(state[0], 2)) << state[0];
    EXPECT_TRUE(letters.insert(state[1]).second) << state[1];
    EXPECT_FALSE(state[2].empty());
  }
  // 5,570 until Boa Esperança do Norte (MT, 5101837) was installed in 2025.
  Rows municipalities = Select("SELECT CódMunicípio FROM tblMunicípios");
  EXPECT_EQ(municipalities.size(), 5571u);
  EXPECT_EQ(UniqueKeys(municipalities).count("5101837"), 1u);
}

TEST_F(ReferenceTablesTest, MunicipalityCodesCarryTheirStateAndCheckDigit) {
  auto letters = StateLetters();
  std::set<std::string> breaking_the_rule;
  for (const auto& row : Select("SELECT CódMunicípio, Município, UF FROM tblMunicípios")) {
    const std::string& code = row[0];
    ASSERT_TRUE(AllDigits(code, 7)) << code;
    ASSERT_EQ(letters.count(code.substr(0, 2)), 1u) << code;
    EXPECT_EQ(row[2], letters[code.substr(0, 2)]) << code;
    EXPECT_FALSE(row[1].empty()) << code;
    if (CheckDigit(code) != code[6] - '0') breaking_the_rule.insert(code);
  }
  // The known exceptions and no other: each is shipped and each really breaks the rule.
  EXPECT_EQ(breaking_the_rule, kCheckDigitExceptions);
}

TEST_F(ReferenceTablesTest, EveryStateHasItsCapital) {
  Rows capitals = Select(
      "SELECT tblEstados.Sigla, tblMunicípios.UF, tblMunicípios.Município, "
      "tblEstados.CódCapital FROM tblEstados INNER JOIN tblMunicípios ON "
      "tblEstados.CódCapital = tblMunicípios.CódMunicípio ORDER BY tblEstados.Sigla");
  ASSERT_EQ(capitals.size(), 27u);
  std::map<std::string, std::string> capital_of;
  for (const auto& row : capitals) {
    EXPECT_EQ(row[0], row[1]) << row[2];
    capital_of[row[0]] = row[3] + " " + row[2];
  }
  for (const auto& [state, capital] :
       std::map<std::string, std::string>{{"SP", "3550308 São Paulo"},
                                          {"AM", "1302603 Manaus"},
                                          {"DF", "5300108 Brasília"},
                                          {"MS", "5002704 Campo Grande"},
                                          {"TO", "1721000 Palmas"}}) {
    EXPECT_EQ(capital_of[state], capital) << state;
  }
}

TEST_F(ReferenceTablesTest, FreeZoneMunicipalitiesAreMunicipalitiesOfTheirState) {
  Rows zones = Select(
      "SELECT tblMunicípiosZFM_ALC.CódMunicípio, tblMunicípiosZFM_ALC.Município, "
      "tblMunicípios.Município, tblMunicípiosZFM_ALC.UF, tblMunicípios.UF, "
      "tblMunicípiosZFM_ALC.Área FROM tblMunicípiosZFM_ALC LEFT JOIN tblMunicípios ON "
      "tblMunicípiosZFM_ALC.CódMunicípio = tblMunicípios.CódMunicípio");
  EXPECT_EQ(zones.size(), 12u);
  EXPECT_EQ(UniqueKeys(zones).size(), 12u);
  std::multiset<std::string> areas;
  for (const auto& row : zones) {
    EXPECT_EQ(row[1], row[2]) << row[0];
    EXPECT_EQ(row[3], row[4]) << row[0];
    areas.insert(row[5]);
    if (row[5] == "ZFM") {
      EXPECT_EQ(row[3], "AM") << row[0];
    }
  }
  EXPECT_EQ(areas.count("ZFM"), 3u);
  EXPECT_EQ(areas.count("ALC"), 9u);
}

TEST_F(ReferenceTablesTest, CfopCodesAreWellFormedUniqueAndUnderTheirHeading) {
  std::map<char, std::string> part_of;  // first digit: the part of the table it names
  Rows headings = Select("SELECT CFOP, Descrição, Quadro FROM tblQuadroCFOPs");
  for (const auto& code : UniqueKeys(headings)) {
    EXPECT_TRUE(AllDigits(code, 4) && (code.ends_with("00") || code.ends_with("50"))) << code;
  }
  for (const auto& row : headings) {
    EXPECT_FALSE(row[1].empty()) << row[0];
    EXPECT_EQ(part_of.emplace(row[0][0], row[2]).first->second, row[2]) << row[0];
  }
  EXPECT_EQ(part_of.size(), 6u);

  Rows codes = Select("SELECT CFOP, Descrição FROM tblTodosCFOPs");
  EXPECT_EQ(codes.size(), 619u);
  EXPECT_EQ(UniqueKeys(codes).size(), codes.size());
  for (const auto& row : codes) {
    EXPECT_TRUE(AllDigits(row[0], 4) && std::string("123567").find(row[0][0]) != std::string::npos)
        << row[0];
    EXPECT_NE(row[0].substr(2), "00") << row[0];
    EXPECT_FALSE(row[1].empty()) << row[0];
    EXPECT_EQ(part_of.count(row[0][0]), 1u) << row[0];
  }
}

// Every table shipped is listed with its origin and status in data/fixas/SOURCES.md.
TEST(ReferenceTableSources, EveryShippedTableIsDescribed) {
  auto folder =
      std::filesystem::path(ORVALIS_TEST_DATA_DIR).parent_path().parent_path() / "data" / "fixas";
  std::ifstream in(folder / "SOURCES.md");
  ASSERT_TRUE(in) << folder;
  std::stringstream sources;
  sources << in.rdbuf();
  int tables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".csv") continue;
    ++tables;
    std::string row = "| `" + entry.path().stem().string() + "` |";
    EXPECT_NE(sources.str().find(row), std::string::npos) << row;
  }
  EXPECT_EQ(tables, 9);
}

}  // namespace
}  // namespace orvalis
