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

class WalkTest;
// Adds `rows` rows for the collection; the arguments of its Fetch that list them.
using Seed = std::vector<Variant> (*)(WalkTest& test, int rows);

struct WalkCase {
  const char* collection;
  Seed seed;
  bool rewinds;                       // MoveFirst past the end goes back to the first row
  std::vector<Variant> failing = {};  // Fetch arguments whose statement fails (none: cannot)
  const char* last = "Last";
};

class WalkTest : public testing::RecordsTest,
                 public ::testing::WithParamInterface<std::tuple<WalkCase, int>> {
 public:
  using RecordsTest::AddDeclaration;
  using RecordsTest::AddRow;
  using RecordsTest::AddTaxpayer;

  int32_t Vek() {
    if (vek_ == 0) vek_ = AddDeclaration();
    return vek_;
  }
  // An occurrence of the declaration; its Código.
  Variant Occurrence() {
    return AddRow("tblOcorrências", {{"NroVEK", Vek()}, {"Valor", 1}, {"OpPróprias", true}})
        ->GetValue("Código");
  }
  // The CFOP 6107 of the declaration with the state line of code `uf`.
  void StateLine(const char* uf) {
    if (Rows("tblDetalhesCFOPs") == 0)
      AddRow("tblDetalhesCFOPs", {{"NroVEK", Vek()}, {"CFOP", "6107"}});
    AddRow("tblDetalhesInterUFs", {{"NroVEK", Vek()}, {"CFOP", "6107"}, {"UF", uf}});
  }
  // Adds `rows` rows to `table` for an occurrence, numbered in `column` (and in NF, a
  // key column of the substitution lists, when `with_note`); the occurrence's Código.
  std::vector<Variant> ListOf(const char* table, const char* column, int rows,
                              bool with_note = false) {
    const Variant código = Occurrence();
    for (int i = 0; i < rows; ++i) {
      const Variant number(std::to_string(100 + i));
      if (with_note) {
        AddRow(table, {{"Código", código}, {column, number}, {"NF", number}});
      } else {
        AddRow(table, {{"Código", código}, {column, number}});
      }
    }
    return {código};
  }

 private:
  int32_t vek_ = 0;
};

std::vector<Variant> SeedCfops(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) {
    t.AddRow("tblDetalhesCFOPs",
             {{"NroVEK", t.Vek()}, {"CFOP", Variant(std::to_string(5101 + i))}});
  }
  return {t.Vek()};
}
std::vector<Variant> SeedReferencias(WalkTest& t, int rows) {
  t.AddTaxpayer("999");
  for (int i = 0; i < rows; ++i) t.AddDeclaration("999", Date::FromYmd(2005, 1 + i, 1));
  return {"999"};
}
std::vector<Variant> SeedContribuintes(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) t.AddTaxpayer(std::to_string(100 + i));
  return {};
}
std::vector<Variant> SeedInterestaduais(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) t.StateLine(i == 0 ? "11" : i == 1 ? "12" : "13");
  return {t.Vek(), "6107"};
}
std::vector<Variant> SeedDetalhesZfmAlc(WalkTest& t, int rows) {
  t.StateLine("13");
  for (int i = 0; i < rows; ++i) {
    t.AddRow("tblZFM_ALC", {{"NroVEK", t.Vek()},
                            {"CFOP", "6107"},
                            {"UF", "13"},
                            {"NF", Variant(std::to_string(100 + i))}});
  }
  return {t.Vek(), "6107"};
}
std::vector<Variant> SeedOcorrencias(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) t.Occurrence();
  return {t.Vek(), true};
}
std::vector<Variant> SeedRemetentes(WalkTest& t, int rows) {
  return t.ListOf("tblIEsRemetente", "IERemetente", rows);
}
std::vector<Variant> SeedSubstitutos(WalkTest& t, int rows) {
  return t.ListOf("tblIESubstituto", "IESubstituto", rows, true);
}
std::vector<Variant> SeedSubstituidos(WalkTest& t, int rows) {
  return t.ListOf("tblIESubstituido", "IESubstituido", rows, true);
}
std::vector<Variant> SeedCreditos(WalkTest& t, int rows) {
  return t.ListOf("tblRecibosCredito", "CodAutorização", rows);
}
std::vector<Variant> SeedDipams(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) {
    t.AddRow("tblDIPAM", {{"NroVEK", t.Vek()}, {"CódDIPAM", "22"}, {"Município", "3550308"}});
  }
  return {t.Vek(), "22"};
}
std::vector<Variant> SeedRegistroExps(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) {
    t.AddRow("tblRegistroExportação", {{"NroVEK", t.Vek()}, {"RE", Variant(std::to_string(i))}});
  }
  return {t.Vek()};
}
std::vector<Variant> SeedPagamentos(WalkTest& t, int rows) {
  for (int i = 0; i < rows; ++i) {
    t.AddRow("tblPagamento", {{"NroVEK", t.Vek()}, {"OpPróprias", true}, {"Data", "15/01/2005"}});
  }
  return {t.Vek(), true};
}

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.collection; }

const Variant kNoNumber("7 8");  // refused where a number goes bare

const WalkCase kCases[] = {
    {"Orvalis.CFOPs", SeedCfops, true, {kNoNumber}},
    {"Orvalis.Referencias", SeedReferencias, true, {"999", "1#"}, "MoveLast"},
    {"Orvalis.Contribuintes", SeedContribuintes, true},
    {"Orvalis.Interestaduais", SeedInterestaduais, false, {kNoNumber, "6107"}},
    {"Orvalis.DetalhesZFMALC", SeedDetalhesZfmAlc, false, {kNoNumber, "6107"}},
    {"Orvalis.Ocorrências", SeedOcorrencias, false, {kNoNumber, true}},
    {"Orvalis.IEsRemetentes", SeedRemetentes, false, {kNoNumber}},
    {"Orvalis.IESubstitutos", SeedSubstitutos, false, {kNoNumber}},
    {"Orvalis.IESubstituidos", SeedSubstituidos, false, {kNoNumber}},
    {"Orvalis.OcorrenciasCreditos", SeedCreditos, false, {kNoNumber}},
    {"Orvalis.DIPAMs", SeedDipams, true, {kNoNumber, "22"}, "MoveLast"},
    {"Orvalis.RegistroExps", SeedRegistroExps, false, {kNoNumber}},
    {"Orvalis.Pagamentos", SeedPagamentos, false, {kNoNumber, true}},
};

TEST_P(WalkTest, WalksEveryRowOnceAndAFailedFetchLeavesItEmpty) {
  const auto& [c, rows] = GetParam();
  const std::vector<Variant> fetch = c.seed(*this, rows);
  auto list = CreateObject(c.collection);
  Call(*list, "DBIndex", {Variant(path_)});
  Call(*list, "Fetch", fetch);
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

  if (c.failing.empty()) return;
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
                           std::erase_if(name, [](char c) {
                             return !std::isalnum(static_cast<unsigned char>(c));
                           });
                           return name + "_" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace orvalis
