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
using testing::Columns;

struct WalkCase {
  const char* collection;
  const char* table;             // where the rows go, with these columns ...
  Columns row;                   // ... and, the i-th row, the i-th of `values` in `varying`
  const char* varying;           // (nullptr: none; the key is a counter)
  std::vector<Variant> fetch;    // the arguments of the Fetch that lists them
  std::vector<Variant> failing;  // the arguments of a Fetch whose statement fails
  bool rewinds;                  // MoveFirst past the end goes back to the first row
  int already = 0;               // rows the listing shows besides those added
  const char* last = "Last";
  std::vector<Variant> values = {"100", "101", "102"};
};

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.collection; }

const Variant kNoNumber("7 8");  // refused where a number goes bare

// The rows below hang off declaration 1 of taxpayer kIE (taxpayer 999 has none), its CFOPs
// 6107 and 6108 (with the state line 13 of 6108) and its occurrence 1 (not of own
// operations).
const WalkCase kCases[] = {
    WalkCase("Orvalis.CFOPs", "tblDetalhesCFOPs", {{"NroVEK", 1}}, "CFOP", {1}, {kNoNumber}, true,
             2),
    WalkCase("Orvalis.Referencias", "tblVEK", {{"IE", "999"}}, nullptr, {"999"}, {"999", "1#"},
             true, 0, "MoveLast"),
    WalkCase("Orvalis.Contribuintes", "tblContribuinte", {}, "IE", {}, {}, true, 2),
    WalkCase("Orvalis.Interestaduais", "tblDetalhesInterUFs", {{"NroVEK", 1}, {"CFOP", "6107"}},
             "UF", {1, "6107"}, {kNoNumber, "6107"}, false, 0, "Last", {11, 12, 13}),
    WalkCase("Orvalis.DetalhesZFMALC", "tblZFM_ALC",
             {{"NroVEK", 1}, {"CFOP", "6108"}, {"UF", "13"}}, "NF", {1, "6108"},
             {kNoNumber, "6108"}, false),
    WalkCase("Orvalis.Ocorrências", "tblOcorrências",
             {{"NroVEK", 1}, {"Valor", 1}, {"OpPróprias", true}}, nullptr, {1, true},
             {kNoNumber, true}, false),
    WalkCase("Orvalis.IEsRemetentes", "tblIEsRemetente", {{"Código", 1}}, "IERemetente", {1},
             {kNoNumber}, false),
    WalkCase("Orvalis.IESubstitutos", "tblIESubstituto", {{"Código", 1}, {"NF", "1"}},
             "IESubstituto", {1}, {kNoNumber}, false),
    WalkCase("Orvalis.IESubstituidos", "tblIESubstituido", {{"Código", 1}, {"NF", "1"}},
             "IESubstituido", {1}, {kNoNumber}, false),
    WalkCase("Orvalis.OcorrenciasCreditos", "tblRecibosCredito", {{"Código", 1}}, "CodAutorização",
             {1}, {kNoNumber}, false),
    WalkCase("Orvalis.DIPAMs", "tblDIPAM",
             {{"NroVEK", 1}, {"CódDIPAM", "22"}, {"Município", "3550308"}}, nullptr, {1, "22"},
             {kNoNumber, "22"}, true, 0, "MoveLast"),
    WalkCase("Orvalis.RegistroExps", "tblRegistroExportação", {{"NroVEK", 1}}, "RE", {1},
             {kNoNumber}, false),
    WalkCase("Orvalis.Pagamentos", "tblPagamento",
             {{"NroVEK", 1}, {"OpPróprias", true}, {"Data", "15/01/2005"}}, nullptr, {1, true},
             {kNoNumber, true}, false),
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
  for (int i = 0; i < added; ++i) {
    Columns row = c.row;
    if (c.varying) row.emplace_back(c.varying, c.values.at(i));
    AddRow(c.table, row);
  }
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
