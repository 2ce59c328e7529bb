// The walk every collection offers, over 0, 1 and several rows, driven by late binding as
// the front-end drives it: Count, the walk MoveFirst .. MoveNext while not Last, what
// MoveFirst does past the end (rewinds by the record count, stays by the end-of-file
// mark), and a Fetch whose statement fails leaving the collection empty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::Call;
using Columns = std::vector<std::pair<const char*, Variant>>;

struct WalkCase {
  const char* collection;
  const char* table;             // where the rows go ...
  Columns (*row)(int i);         // ... with these columns, the i-th row
  std::vector<Variant> fetch;    // the arguments of the Fetch that lists them
  std::vector<Variant> failing;  // the arguments of a Fetch whose statement fails
  bool rewinds;                  // MoveFirst past the end goes back to the first row
  int already = 0;               // rows the listing shows besides those added
  const char* last = "Last";
};

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.collection; }

Variant Numbered(int i) { return Variant(std::to_string(100 + i)); }
const Variant kNoNumber("7 8");  // refused where a number goes bare

// The rows below hang off declaration 1 of taxpayer kIE (taxpayer 999 has none), its CFOPs
// 6107 and 6108 (with the state line 13 of 6108) and its occurrence 1 (not of own
// operations).
const WalkCase kCases[] = {
    {"Orvalis.CFOPs",
     "tblDetalhesCFOPs",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"CFOP", Variant(std::to_string(5101 + i))}};
     },
     {1},
     {kNoNumber},
     true,
     2},
    {"Orvalis.Referencias",
     "tblVEK",
     [](int i) -> Columns {
       return {{"IE", "999"}, {"Ref1", Date::FromYmd(2005, 1 + i, 1)}};
     },
     {"999"},
     {"999", "1#"},
     true,
     0,
     "MoveLast"},
    {"Orvalis.Contribuintes",
     "tblContribuinte",
     [](int i) -> Columns {
       return {{"IE", Numbered(i)}};
     },
     {},
     {},
     true,
     2},
    {"Orvalis.Interestaduais",
     "tblDetalhesInterUFs",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"CFOP", "6107"}, {"UF", 11 + i}};
     },
     {1, "6107"},
     {kNoNumber, "6107"},
     false},
    {"Orvalis.DetalhesZFMALC",
     "tblZFM_ALC",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"CFOP", "6108"}, {"UF", "13"}, {"NF", Numbered(i)}};
     },
     {1, "6108"},
     {kNoNumber, "6108"},
     false},
    {"Orvalis.Ocorrências",
     "tblOcorrências",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"Valor", 1}, {"OpPróprias", true}};
     },
     {1, true},
     {kNoNumber, true},
     false},
    {"Orvalis.IEsRemetentes",
     "tblIEsRemetente",
     [](int i) -> Columns {
       return {{"Código", 1}, {"IERemetente", Numbered(i)}};
     },
     {1},
     {kNoNumber},
     false},
    {"Orvalis.IESubstitutos",
     "tblIESubstituto",
     [](int i) -> Columns {
       return {{"Código", 1}, {"IESubstituto", Numbered(i)}, {"NF", Numbered(i)}};
     },
     {1},
     {kNoNumber},
     false},
    {"Orvalis.IESubstituidos",
     "tblIESubstituido",
     [](int i) -> Columns {
       return {{"Código", 1}, {"IESubstituido", Numbered(i)}, {"NF", Numbered(i)}};
     },
     {1},
     {kNoNumber},
     false},
    {"Orvalis.OcorrenciasCreditos",
     "tblRecibosCredito",
     [](int i) -> Columns {
       return {{"Código", 1}, {"CodAutorização", Numbered(i)}};
     },
     {1},
     {kNoNumber},
     false},
    {"Orvalis.DIPAMs",
     "tblDIPAM",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"CódDIPAM", "22"}, {"Município", "3550308"}};
     },
     {1, "22"},
     {kNoNumber, "22"},
     true,
     0,
     "MoveLast"},
    {"Orvalis.RegistroExps",
     "tblRegistroExportação",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"RE", Numbered(i)}};
     },
     {1},
     {kNoNumber},
     false},
    {"Orvalis.Pagamentos",
     "tblPagamento",
     [](int i) -> Columns {
       return {{"NroVEK", 1}, {"OpPróprias", true}, {"Data", "15/01/2005"}};
     },
     {1, true},
     {kNoNumber, true},
     false},
};

class WalkTest : public testing::RecordsTest,
                 public ::testing::WithParamInterface<std::tuple<WalkCase, int>> {
 protected:
  WalkTest() {
    AddDeclaration();
    AddTaxpayer("999");
    for (const char* cfop : {"6107", "6108"})
      AddRow("tblDetalhesCFOPs", {{"NroVEK", 1}, {"CFOP", cfop}});
    AddRow("tblDetalhesInterUFs", {{"NroVEK", 1}, {"CFOP", "6108"}, {"UF", "13"}});
    AddRow("tblOcorrências", {{"NroVEK", 1}, {"Valor", 1}, {"OpPróprias", false}});
  }
};

TEST_P(WalkTest, WalksEveryRowOnceAndAFailedFetchLeavesItEmpty) {
  const auto& [c, added] = GetParam();
  for (int i = 0; i < added; ++i) AddRow(c.table, c.row(i));
  const int rows = added + c.already;
  auto list = CreateObject(c.collection);
  Call(*list, "DBIndex", {Variant(path_)});
  Call(*list, "Fetch", c.fetch);
  EXPECT_EQ(GetProperty(*list, "Count"), Variant::Long(rows));
  EXPECT_EQ(Call(*list, c.last), Variant(rows == 0));

  int walked = 0;
  for (Variant item = Call(*list, "MoveFirst"); Call(*list, c.last) == Variant(false);
       item = Call(*list, "MoveNext")) {
    ASSERT_FALSE(item.IsNothing());
    ASSERT_LE(++walked, rows);
  }
  EXPECT_EQ(walked, rows);
  EXPECT_EQ(Call(*list, "MoveNext"), Variant::Nothing());
  EXPECT_EQ(Call(*list, c.last), Variant(true));
  EXPECT_EQ(Call(*list, "MoveFirst").IsNothing(), !(c.rewinds && rows > 0));

  if (c.failing.empty()) return;  // every statement of Contribuintes can be built and run
  Call(*list, "Fetch", c.failing);
  EXPECT_TRUE(swallowed_.Has(std::string(c.collection).substr(8) + ".Fetch", 13));
  EXPECT_EQ(GetProperty(*list, "Count"), Variant::Long(0));
  EXPECT_EQ(Call(*list, c.last), Variant(true));
  EXPECT_EQ(Call(*list, "Item", {Variant::Integer(1)}), Variant::Nothing());
  EXPECT_EQ(Call(*list, "MoveFirst"), Variant::Nothing());
  EXPECT_EQ(GetProperty(*list, "Conjunto"), Variant::Nothing());
}

INSTANTIATE_TEST_SUITE_P(Collections, WalkTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(0, 1, 3)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param).collection + 8;
                           std::erase_if(name, [](char c) { return c < 0 || !std::isalnum(c); });
                           return name + "_" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace orvalis
