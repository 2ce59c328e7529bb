// DIPAM: values by DIPAM code and municipality, the municipality's name read through the
// join with tblMunicípios, the code stored in the table's column Município, and Update
// writing the municipality and the value only.
#include "orvalis/records/dipam.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using D = DIPAM;

constexpr const char* kSaoPaulo = "3550308";
constexpr const char* kCampinas = "3509502";

class DipamTest : public testing::RecordsTest {
 protected:
  int32_t vek_ = AddDeclaration();
};

TEST_F(DipamTest, ValuesAreStoredByCodeReadWithTheNameAndUpdatedInTwoColumns) {
  auto entry = Created<DIPAM>({{D::kNroVEK, vek_},
                               {D::kCódDIPAM, "22"},
                               {D::kCódMunicípio, kSaoPaulo},
                               {D::kMunicípio, "Nome qualquer"},
                               {D::kValor, 100}});
  const Variant código = entry->Get(D::kCódigo);
  ASSERT_EQ(código.kind(), VariantKind::kLong);
  EXPECT_EQ(entry->Get(D::kMunicípio), Variant("Nome qualquer"));  // not reloaded
  EXPECT_EQ(Stored("SELECT * FROM tblDIPAM", "Município"), Variant(kSaoPaulo));
  EXPECT_EQ(entry->recordset()->GetValue("Código"), código);  // left on the new row

  auto fetched = Bound<DIPAM>();
  fetched->Fetch(código);
  EXPECT_EQ(testing::AllValues(*fetched),
            (std::vector<Variant>{vek_, código, "22", "São Paulo", kSaoPaulo,
                                  Variant(Currency::FromUnits(100))}));
  fetched->Fetch(ToLong(código) + 1);  // no such value: nothing changes
  EXPECT_EQ(fetched->Get(D::kMunicípio), Variant("São Paulo"));

  entry->Set(D::kCódDIPAM, "23");
  entry->Set(D::kNroVEK, vek_ + 1);
  entry->Set(D::kCódMunicípio, kCampinas);
  entry->Set(D::kValor, 150);
  entry->Update();
  fetched->Fetch(código);
  EXPECT_EQ(testing::AllValues(*fetched),
            (std::vector<Variant>{vek_, código, "22", "Campinas", kCampinas,
                                  Variant(Currency::FromUnits(150))}));

  entry->Delete();
  EXPECT_EQ(Rows("tblDIPAM"), 0);
  EXPECT_EQ(testing::UpdateThenDelete(*entry), 0);  // that Código is gone
  EXPECT_TRUE(swallowed_.Has("DIPAM.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("DIPAM.Delete", 3021));
}

}  // namespace
}  // namespace orvalis
