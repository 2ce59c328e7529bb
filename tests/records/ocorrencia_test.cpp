// Ocorrência and Ocorrências: occurrences by declaration, kind and sub-item, the reload
// of a created occurrence by its own Código, and the end-of-file walk.
#include "orvalis/records/ocorrencia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;

std::vector<Variant> Cleared() {
  return {Variant::Integer(0), Variant::Integer(-1), Variant(""),  Variant(""),
          Variant(""),         Variant::Integer(0),  Variant(true)};
}

class OcorrenciaTest : public testing::RecordsTest {
 protected:
  // Creates an occurrence of the fixture's declaration through the class; its Código.
  int32_t Create(const char* sub_item, bool own, int value, const char* text = "") {
    auto occurrence = Bound<Ocorrência>();
    occurrence->Set(Ocorrência::kNroVEK, vek_);
    occurrence->Set(Ocorrência::kCódSubItem, sub_item);
    occurrence->Set(Ocorrência::kOpPróprias, own);
    occurrence->Set(Ocorrência::kValor, value);
    occurrence->Set(Ocorrência::kOcorrência, text);
    occurrence->Create();
    return ToLong(occurrence->Get(Ocorrência::kCódigo));
  }
  // The sub-items and values a walk of `list` meets.
  static std::vector<std::string> Walk(Ocorrências& list) {
    std::vector<std::string> seen;
    for (auto item = list.MoveFirst(); !list.Last(); item = list.MoveNext()) {
      seen.push_back(ToText(item->Get(Ocorrência::kCódSubItem)) + "=" +
                     ToText(item->Get(Ocorrência::kValor)));
    }
    return seen;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- Ocorrência -------------------------------------------------------------------------

TEST_F(OcorrenciaTest, NewAndClearedObjectsHoldTheDefaults) {
  auto occurrence = std::make_shared<Ocorrência>();
  EXPECT_EQ(AllValues(*occurrence), Cleared());
  occurrence->Set(Ocorrência::kCódigo, 5);
  occurrence->Clear();
  EXPECT_EQ(AllValues(*occurrence), Cleared());
}

TEST_F(OcorrenciaTest, CreateReloadsItsOwnNewRow) {
  const int32_t first = Create("002.1", true, 10, "primeira");

  // The object holds the row it created, not the first one of that sub-item and kind, so
  // an Update right after it writes that row.
  auto occurrence = Bound<Ocorrência>();
  occurrence->Set(Ocorrência::kNroVEK, vek_);
  occurrence->Set(Ocorrência::kCódSubItem, "002.1");
  occurrence->Set(Ocorrência::kValor, "30,5");
  occurrence->Create();
  const int32_t third = ToLong(occurrence->Get(Ocorrência::kCódigo));
  EXPECT_GT(third, first);
  EXPECT_EQ(occurrence->Get(Ocorrência::kValor), Variant(Currency::FromRaw(305000)));
  occurrence->Set(Ocorrência::kOcorrência, "terceira, corrigida");
  occurrence->Update();
  EXPECT_EQ(
      Stored("SELECT * FROM tblOcorrências WHERE Código = " + std::to_string(third), "Ocorrência"),
      Variant("terceira, corrigida"));
  EXPECT_EQ(
      Stored("SELECT * FROM tblOcorrências WHERE Código = " + std::to_string(first), "Ocorrência"),
      Variant("primeira"));
}

TEST_F(OcorrenciaTest, FetchLoadsTheLowestCódigoClearsForNoMatchAndKeepsTheValuesOnFailure) {
  Create("003.1", true, 5);
  const int32_t lowest = Create("002.1", true, 10);
  Create("002.2", true, 20);
  Create("002.1", false, 30);
  auto occurrence = Bound<Ocorrência>();
  occurrence->Fetch(vek_, true, "002*");
  EXPECT_EQ(occurrence->Get(Ocorrência::kCódigo), Variant(lowest));
  EXPECT_EQ(occurrence->Get(Ocorrência::kOpPróprias), Variant(true));
  occurrence->Fetch(vek_, false, "002.1");
  EXPECT_EQ(occurrence->Get(Ocorrência::kValor), Variant(Currency::FromUnits(30)));
  const std::vector<Variant> held = AllValues(*occurrence);
  occurrence->Fetch(vek_, "Verdadeiro", "002.1");  // no Boolean: refused
  EXPECT_EQ(AllValues(*occurrence), held);
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Fetch", 13));
  occurrence->Fetch(vek_, true, "009*");
  EXPECT_EQ(AllValues(*occurrence), Cleared());
}

TEST_F(OcorrenciaTest, ASubItemWithAQuoteIsMatchedAsItStands) {
  const int32_t código = Create("00'2", true, 10);
  auto occurrence = Bound<Ocorrência>();
  occurrence->Fetch(vek_, true, "00'2");
  EXPECT_EQ(occurrence->Get(Ocorrência::kCódigo), Variant(código));
  auto list = Bound<Ocorrências>();
  list->Fetch(vek_, true, "00'*");
  EXPECT_EQ(list->Count(), 1);
}

TEST_F(OcorrenciaTest, UpdateAndDeleteActOnTheHeldCódigoOnly) {
  const int32_t código = Create("002.1", true, 10);
  auto missing = Bound<Ocorrência>();  // cleared: Código -1
  missing->Set(Ocorrência::kValor, 99);
  EXPECT_EQ(testing::UpdateThenDelete(*missing), 0);
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Delete", 3021));
  EXPECT_EQ(Stored("SELECT * FROM tblOcorrências", "Valor"), Variant(Currency::FromUnits(10)));

  auto occurrence = Bound<Ocorrência>();
  occurrence->Fetch(vek_, true, "002.1");
  occurrence->Set(Ocorrência::kValor, 99);
  occurrence->Set(Ocorrência::kCódSubItem, "002.9");
  occurrence->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblOcorrências", "Código"), Variant(código));  // unchanged
  EXPECT_EQ(Stored("SELECT * FROM tblOcorrências", "CódSubItem"), Variant("002.9"));
  const std::vector<Variant> held = AllValues(*occurrence);
  occurrence->Delete();
  EXPECT_EQ(Rows("tblOcorrências"), 0);
  EXPECT_EQ(AllValues(*occurrence), held);
}

// ---- Ocorrências ------------------------------------------------------------------------

TEST_F(OcorrenciaTest, TheListHoldsOneKindInCódigoOrder) {
  Create("002.1", false, 1);
  Create("002.1", true, 2);
  Create("003.1", false, 3);
  Create("002.2", true, 4);
  auto list = Bound<Ocorrências>();
  list->Fetch(vek_, false);
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"002.1=1", "003.1=3"}));
  list->Fetch(vek_, true, "002*");
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"002.1=2", "002.2=4"}));
}

TEST_F(OcorrenciaTest, PastTheEndMoveFirstNoLongerRewindsButANewFetchDoes) {
  auto list = Bound<Ocorrências>();
  list->Fetch(vek_, true);  // no rows
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->MoveFirst(), nullptr);
  EXPECT_EQ(list->Count(), 0);
  Create("002.1", true, 1);
  Create("002.2", true, 2);
  list->Fetch(vek_, true);
  EXPECT_EQ(Walk(*list).size(), 2u);
  EXPECT_EQ(list->MoveNext(), nullptr);
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->MoveFirst(), nullptr);
  EXPECT_EQ(list->MovePrevious(), nullptr);
  EXPECT_TRUE(list->recordset()->IsEof());  // not moved
  list->Fetch(vek_, true);
  EXPECT_EQ(list->MoveFirst()->Get(Ocorrência::kCódSubItem), Variant("002.1"));
}

}  // namespace
}  // namespace orvalis
