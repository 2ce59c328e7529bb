// Interestadual and Interestaduais: state lines read through the join with tblEstados,
// the state looked up by its abbreviation, the thirteen accessor functions and the walk
// by the end-of-file mark with an untrapped Count.
#include "orvalis/records/interestadual.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::ErrorOf;
using I = Interestadual;

Variant Money(int units) { return Variant(Currency::FromUnits(units)); }

class InterestadualTest : public testing::RecordsTest {
 protected:
  InterestadualTest() { AddCfop("6107"); }

  void AddCfop(const char* cfop) { AddRow("tblDetalhesCFOPs", {{"NroVEK", vek_}, {"CFOP", cfop}}); }
  // A state line of CFOP 6107 added around the class: state code `uf`, tax `imposto`.
  void AddLine(const char* uf, int imposto) {
    AddRow("tblDetalhesInterUFs",
           {{"NroVEK", vek_}, {"CFOP", "6107"}, {"UF", uf}, {"Imposto", Money(imposto)}});
  }
  // A bound object holding the declaration, `cfop` and the state of `sigla` (looked up).
  std::shared_ptr<Interestadual> Holding(const char* sigla, const char* cfop = "6107") {
    return RecordsTest::Holding<I>({{I::kNroVEK, vek_}, {I::kCFOP, cfop}, {I::kSigla, sigla}});
  }
  Variant StoredTax(const std::string& where) {
    return Stored("SELECT Imposto FROM tblDetalhesInterUFs WHERE " + where, "Imposto");
  }

  int32_t vek_ = AddDeclaration();
};

TEST_F(InterestadualTest, LetSiglaLooksTheStateUpAndKeepsUFForAnUnknownOne) {
  auto line = Holding("AM");
  EXPECT_EQ(line->Get(I::kUF), Variant("13"));
  line->Set(I::kSigla, "XX");
  EXPECT_EQ(line->Get(I::kSigla), Variant("XX"));
  EXPECT_EQ(line->Get(I::kUF), Variant("13"));
  auto unbound = std::make_shared<Interestadual>();
  unbound->Set(I::kSigla, "AM");  // the lookup fails quietly
  EXPECT_EQ(unbound->Get(I::kUF), Variant(""));
  EXPECT_TRUE(swallowed_.Has("Interestadual.Sigla", 424));
}

TEST_F(InterestadualTest, WritesGoToTheLineOfTheHeldStateAndReloadIt) {
  auto line = Holding("AM");
  line->Set(I::kImposto, "12,5");
  line->Create();
  EXPECT_EQ(Stored("SELECT * FROM tblDetalhesInterUFs", "UF"), Variant("13"));
  EXPECT_EQ(line->Get(I::kImposto), Variant(Currency::FromRaw(125000)));  // reloaded
  line->Create();                                                         // the same keys again
  EXPECT_TRUE(swallowed_.Has("Interestadual.Create", 3022));

  AddLine("33", 20);
  line->Fetch(vek_, "6107", "AM");
  line->Set(I::kImposto, 15);
  line->Update();
  EXPECT_EQ(StoredTax("UF = '13'"), Money(15));
  EXPECT_EQ(line->Get(I::kImposto), Money(15));  // reloaded: currency now
  line->Fetch(vek_, "6107", "AM");
  line->Set(I::kSigla, "RJ");  // the lookup's recordset replaces the fetched one
  line->Set(I::kImposto, 99);
  line->Update();
  EXPECT_TRUE(swallowed_.Has("Interestadual.Update", 3027));
  EXPECT_EQ(StoredTax("UF = '13'"), Money(15));
  EXPECT_EQ(StoredTax("UF = '33'"), Money(20));
  line->Fetch(vek_, "6107", "SP");  // no such line: cleared
  EXPECT_EQ(line->Get(I::kNroVEK), Variant::Integer(0));

  line = Holding("RJ");
  line->Delete();
  EXPECT_EQ(Rows("tblDetalhesInterUFs"), 1);
  line->Delete();  // no such line any more
  EXPECT_TRUE(swallowed_.Has("Interestadual.Delete", 3021));
  line = Holding("XX");  // no such state: Delete stops at the lookup
  line->Set(I::kUF, "13");
  line->Delete();
  EXPECT_EQ(Rows("tblDetalhesInterUFs"), 1);
}

// The reload after Create and Update matches the held keys as they stand: a CFOP with a
// wildcard in it must not reload another CFOP's line.
TEST_F(InterestadualTest, TheReloadFindsOnlyTheRowOfTheHeldKeys) {
  AddLine("13", 10);
  AddCfop("610*");
  auto line = Holding("AM", "610*");
  line->Set(I::kImposto, 7);
  line->Create();
  EXPECT_EQ(line->Get(I::kCFOP), Variant("610*"));
  EXPECT_EQ(line->Get(I::kImposto), Money(7));
  line->Set(I::kImposto, 8);
  line->Update();
  line->Update();
  EXPECT_EQ(StoredTax("CFOP = '610*'"), Money(8));
  EXPECT_EQ(StoredTax("CFOP = '6107'"), Money(10));
}

TEST_F(InterestadualTest, TheAccessorsReadOneColumnAndCountLetsItsErrorsThrough) {
  auto lines = Bound<Interestaduais>();
  EXPECT_EQ(ErrorOf([&] { lines->Count(); }), 424);  // before any Fetch
  AddLine("35", 30);                                 // SP
  AddLine("13", 10);                                 // AM
  AddLine("33", 20);                                 // RJ
  lines->Fetch(vek_, "6107");
  EXPECT_EQ(lines->Value(I::kImposto, 2), Money(20));
  EXPECT_EQ(lines->recordset()->AbsolutePosition(), 1);  // left on the second row
  EXPECT_EQ(lines->Value(I::kSigla), Variant("RJ"));
  EXPECT_EQ(testing::Call(*lines, "ValorContabil1", {Variant::Integer(3)}), Variant::Null());
  EXPECT_EQ(testing::Call(*lines, "UF"), Variant("35"));
  EXPECT_EQ(lines->Value(I::kImposto, 4), Variant());  // no such row: Empty
  EXPECT_TRUE(swallowed_.Has("Interestaduais.Imposto", 3001));

  EXPECT_EQ(lines->MoveNext(), nullptr);
  EXPECT_EQ(lines->MoveFirst(), nullptr);  // past the end: no rewind
  EXPECT_EQ(ErrorOf([&] { lines->Count(); }), 3021);
  EXPECT_EQ(ErrorOf([&] { GetProperty(*lines, "Count"); }), 3021);
}

}  // namespace
}  // namespace orvalis
