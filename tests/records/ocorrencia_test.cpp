// Ocorrência: occurrences by declaration, kind and sub-item, and the reload of a created
// occurrence by its own Código, which Update and Delete then act on alone.
#include "orvalis/records/ocorrencia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using O = Ocorrência;

class OcorrenciaTest : public testing::RecordsTest {
 protected:
  // Creates an occurrence of the fixture's declaration through the class, left holding it.
  std::shared_ptr<Ocorrência> Create(const char* sub_item, bool own, const Variant& value) {
    return Created<O>({{O::kNroVEK, vek_},
                       {O::kCódSubItem, sub_item},
                       {O::kOpPróprias, own},
                       {O::kValor, value}});
  }
  Variant StoredText(const Variant& código) {
    return Stored("SELECT * FROM tblOcorrências WHERE Código = " + ToText(código), "Ocorrência");
  }

  int32_t vek_ = AddDeclaration();
};

// The object holds the row it created, not the first one of that sub-item and kind, so
// an Update right after it writes that row; Update and Delete act on that Código only.
TEST_F(OcorrenciaTest, CreateReloadsItsOwnNewRowAndWritesGoToItsCódigoOnly) {
  auto first = Create("002.1", true, 10);
  first->Set(O::kOcorrência, "primeira");
  first->Update();
  auto occurrence = Create("002.1", true, "30,5");
  const Variant código = occurrence->Get(O::kCódigo);
  EXPECT_GT(ToLong(código), ToLong(first->Get(O::kCódigo)));
  EXPECT_EQ(occurrence->Get(O::kValor), Variant(Currency::FromRaw(305000)));
  occurrence->Set(O::kOcorrência, "segunda, corrigida");
  occurrence->Set(O::kCódSubItem, "002.9");
  occurrence->Update();
  EXPECT_EQ(StoredText(código), Variant("segunda, corrigida"));
  EXPECT_EQ(StoredText(first->Get(O::kCódigo)), Variant("primeira"));
  EXPECT_EQ(Rows("tblOcorrências WHERE CódSubItem = '002.9'"), 1);

  const std::vector<Variant> held = testing::AllValues(*occurrence);
  occurrence->Delete();
  EXPECT_EQ(Rows("tblOcorrências"), 1);
  EXPECT_EQ(testing::AllValues(*occurrence), held);
  auto missing = Bound<Ocorrência>();  // cleared: Código -1
  missing->Set(O::kValor, 99);
  EXPECT_EQ(testing::UpdateThenDelete(*missing), 0);
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Delete", 3021));
  EXPECT_EQ(Rows("tblOcorrências"), 1);
}

TEST_F(OcorrenciaTest, FetchLoadsTheLowestCódigoClearsForNoMatchAndKeepsTheValuesOnFailure) {
  Create("003.1", true, 5);
  const Variant lowest = Create("002.1", true, 10)->Get(O::kCódigo);
  Create("002.2", true, 20);
  Create("002.1", false, 30);
  auto occurrence = Bound<Ocorrência>();
  const std::vector<Variant> cleared = testing::AllValues(*occurrence);
  occurrence->Fetch(vek_, true, "002*");
  EXPECT_EQ(occurrence->Get(O::kCódigo), lowest);
  occurrence->Fetch(vek_, false, "002.1");
  EXPECT_EQ(occurrence->Get(O::kValor), Variant(Currency::FromUnits(30)));
  EXPECT_EQ(occurrence->Get(O::kOpPróprias), Variant(false));
  const std::vector<Variant> held = testing::AllValues(*occurrence);
  occurrence->Fetch(vek_, "Verdadeiro", "002.1");  // no Boolean: refused
  EXPECT_EQ(testing::AllValues(*occurrence), held);
  EXPECT_TRUE(swallowed_.Has("Ocorrência.Fetch", 13));
  occurrence->Fetch(vek_, true, "009*");
  EXPECT_EQ(testing::AllValues(*occurrence), cleared);
}

}  // namespace
}  // namespace orvalis
