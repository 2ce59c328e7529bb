// DIPAM and DIPAMs: values by DIPAM code and municipality, the municipality's name read
// through the join with tblMunicípios, the code stored in the table's column Município.
#include "orvalis/records/dipam.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using D = DIPAM;

constexpr const char* kSaoPaulo = "3550308";
constexpr const char* kCampinas = "3509502";
constexpr const char* kUnknown = "9999999";

class DipamTest : public testing::RecordsTest {
 protected:
  // A value entered through the class; the object, holding its new Código.
  std::shared_ptr<DIPAM> Enter(const char* code, const char* município, int value,
                               const char* dipam = "22") {
    auto entry = Bound<DIPAM>();
    entry->Set(D::kNroVEK, vek_);
    entry->Set(D::kCódDIPAM, dipam);
    entry->Set(D::kCódMunicípio, município);
    entry->Set(D::kMunicípio, code);
    entry->Set(D::kValor, value);
    entry->Create();
    return entry;
  }
  // "name=value" of each item of a walk of `list`.
  static std::vector<std::string> Walk(DIPAMs& list) {
    std::vector<std::string> seen;
    for (auto item = list.MoveFirst(); !list.MoveLast(); item = list.MoveNext()) {
      const Variant name = item->Get(D::kMunicípio);
      seen.push_back((name.IsNull() ? "?" : ToText(name)) + "=" + ToText(item->Get(D::kValor)));
    }
    return seen;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- DIPAM ------------------------------------------------------------------------------

TEST_F(DipamTest, CreateReadsBackTheCódigoAndStoresTheCodeNotTheName) {
  std::vector<Variant> cleared(6, Variant::Null());
  for (size_t zero : {D::kNroVEK, D::kCódigo, D::kValor}) cleared[zero] = Variant::Integer(0);
  EXPECT_EQ(AllValues(*Bound<DIPAM>()), cleared);
  auto entry = Enter("Nome qualquer", kSaoPaulo, 100);
  const Variant código = entry->Get(D::kCódigo);
  ASSERT_EQ(código.kind(), VariantKind::kLong);
  EXPECT_EQ(entry->Get(D::kMunicípio), Variant("Nome qualquer"));  // not reloaded
  EXPECT_EQ(Stored("SELECT * FROM tblDIPAM", "Município"), Variant(kSaoPaulo));
  EXPECT_EQ(entry->recordset()->GetValue("Código"), código);  // left on the new row

  auto fetched = Bound<DIPAM>();
  fetched->Fetch(código);
  EXPECT_EQ(AllValues(*fetched), (std::vector<Variant>{vek_, código, "22", "São Paulo", kSaoPaulo,
                                                       Variant(Currency::FromUnits(100))}));
  fetched->Fetch(ToLong(código) + 1);  // no such value: nothing changes
  EXPECT_EQ(fetched->Get(D::kMunicípio), Variant("São Paulo"));
}

TEST_F(DipamTest, AValueOfAnUnknownMunicipalityIsFoundWithANullName) {
  const Variant código = Enter("", kUnknown, 5)->Get(D::kCódigo);
  auto entry = Bound<DIPAM>();
  entry->Fetch(código);
  EXPECT_EQ(entry->Get(D::kCódMunicípio), Variant(kUnknown));
  EXPECT_TRUE(entry->Get(D::kMunicípio).IsNull());
}

TEST_F(DipamTest, UpdateWritesTheMunicipalityAndValueOnly) {
  auto entry = Enter("", kSaoPaulo, 100);
  entry->Set(D::kCódDIPAM, "23");
  entry->Set(D::kNroVEK, vek_ + 1);
  entry->Set(D::kCódMunicípio, kCampinas);
  entry->Set(D::kValor, 150);
  entry->Update();
  const std::string stored = "SELECT * FROM tblDIPAM";
  EXPECT_EQ(Stored(stored, "CódDIPAM"), Variant("22"));
  EXPECT_EQ(Stored(stored, "NroVEK"), Variant(vek_));
  EXPECT_EQ(Stored(stored, "Município"), Variant(kCampinas));
  EXPECT_EQ(Stored(stored, "Valor"), Variant(Currency::FromUnits(150)));

  entry->Delete();
  EXPECT_EQ(Rows("tblDIPAM"), 0);
  EXPECT_EQ(testing::UpdateThenDelete(*entry), 0);  // that Código is gone
  EXPECT_TRUE(swallowed_.Has("DIPAM.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("DIPAM.Delete", 3021));
}

// ---- DIPAMs -----------------------------------------------------------------------------

TEST_F(DipamTest, TheListIsByNameOfOneCodeAndFiltersByMunicipalityPattern) {
  Enter("", kSaoPaulo, 1);
  Enter("", kCampinas, 2);
  Enter("", kUnknown, 3);
  Enter("", "4106902", 4);  // Curitiba
  Enter("", kSaoPaulo, 9, "23");
  auto list = Bound<DIPAMs>();
  list->Fetch(vek_, "22");
  EXPECT_EQ(Walk(*list),
            (std::vector<std::string>{"?=3", "Campinas=2", "Curitiba=4", "São Paulo=1"}));
  list->Fetch(vek_, "22", "35*");
  EXPECT_FALSE(list->MoveLast());
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"Campinas=2", "São Paulo=1"}));
  auto item = list->Item(2);
  EXPECT_EQ(item->Get(D::kCódMunicípio), Variant(kSaoPaulo));
  EXPECT_EQ(item->Get(D::kCódDIPAM), Variant("22"));
  list->Fetch(vek_, "24");
  EXPECT_TRUE(list->MoveLast());
}

}  // namespace
}  // namespace orvalis
