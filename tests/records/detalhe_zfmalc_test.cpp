// DetalheZFMALC and DetalhesZFMALC: free-zone shipments identified by their engine-given
// entry number, the municipality read through the join with tblMunicípiosZFM_ALC, and
// the three forms of the list.
#include "orvalis/records/detalhe_zfmalc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using D = DetalheZFMALC;

constexpr const char* kManaus = "1302603";

std::string Shown(const Variant& value) { return value.IsNull() ? "" : ToText(value); }

class DetalheZfmAlcTest : public testing::RecordsTest {
 protected:
  DetalheZfmAlcTest() {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", vek_}, {"CFOP", "6107"}});
    for (const char* uf : {"13", "14"}) {
      AddRow("tblDetalhesInterUFs", {{"NroVEK", vek_}, {"CFOP", "6107"}, {"UF", uf}});
    }
  }
  // A shipment entered through the class; its entry number.
  Variant Ship(const char* nf, const char* uf = "13", const char* município = kManaus) {
    auto shipment = Bound<DetalheZFMALC>();
    shipment->Set(D::kNroVEK, vek_);
    shipment->Set(D::kCFOP, "6107");
    shipment->Set(D::kUF, uf);
    shipment->Set(D::kNF, nf);
    shipment->Set(D::kData, Date::FromYmd(2005, 3, 10));
    shipment->Set(D::kValor, "1.000,50");
    shipment->Set(D::kCNPJDest, "12.345.678/0001-90");
    shipment->Set(D::kMunicípioDest, município);
    shipment->Create();
    return shipment->Get(D::kNroLançamento);
  }
  // "NF/UF/Sigla/Município" of each item of a walk.
  static std::vector<std::string> Walk(DetalhesZFMALC& list) {
    std::vector<std::string> seen;
    for (auto item = list.MoveFirst(); !list.Last(); item = list.MoveNext()) {
      seen.push_back(Shown(item->Get(D::kNF)) + "/" + Shown(item->Get(D::kUF)) + "/" +
                     Shown(item->Get(D::kSigla)) + "/" + Shown(item->Get(D::kMunicípio)));
    }
    return seen;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- DetalheZFMALC ----------------------------------------------------------------------

TEST_F(DetalheZfmAlcTest, CreateGivesTheEntryNumberAndTheMunicipalitysName) {
  std::vector<Variant> cleared(11, Variant::Null());
  for (size_t zero : {D::kNroLançamento, D::kNroVEK, D::kValor})
    cleared[zero] = Variant::Integer(0);
  EXPECT_EQ(AllValues(*Bound<DetalheZFMALC>()), cleared);

  const Variant first = Ship("000123");
  const Variant second = Ship("000123");  // two shipments under one state line
  EXPECT_NE(first, second);
  auto shipment = Bound<DetalheZFMALC>();
  shipment->Fetch(first);
  EXPECT_EQ(shipment->Get(D::kNroLançamento), first);
  EXPECT_EQ(shipment->Get(D::kMunicípio), Variant("Manaus"));
  EXPECT_EQ(shipment->Get(D::kValor), Variant(Currency::FromRaw(10005000)));
  EXPECT_EQ(shipment->Get(D::kData), Variant(Date::FromYmd(2005, 3, 10)));
  EXPECT_TRUE(shipment->Get(D::kSigla).IsNull());  // only the list's Item fills it

  const Variant unknown = Ship("000124", "13", "9999999");
  shipment->Fetch(unknown);
  EXPECT_EQ(shipment->Get(D::kNF), Variant("000124"));
  EXPECT_TRUE(shipment->Get(D::kMunicípio).IsNull());
}

TEST_F(DetalheZfmAlcTest, UpdateWritesAndReloadsAndAMissingEntryTouchesNothing) {
  const Variant entry = Ship("000123");
  auto shipment = Bound<DetalheZFMALC>();
  shipment->Fetch(entry);
  shipment->Set(D::kValor, 50);
  shipment->Set(D::kMunicípioDest, "1200203");
  shipment->Update();
  EXPECT_EQ(Stored("SELECT Valor FROM tblZFM_ALC", "Valor"), Variant(Currency::FromUnits(50)));
  EXPECT_EQ(shipment->Get(D::kMunicípio), Variant("Cruzeiro do Sul"));

  shipment->Fetch(ToLong(entry) + 100);  // no such entry: cleared, so NroLançamento 0
  EXPECT_EQ(shipment->Get(D::kNroLançamento), Variant::Integer(0));
  EXPECT_EQ(testing::UpdateThenDelete(*shipment), 0);
  EXPECT_TRUE(swallowed_.Has("DetalheZFMALC.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("DetalheZFMALC.Delete", 3021));
  EXPECT_EQ(Rows("tblZFM_ALC"), 1);
  shipment->Fetch(entry);
  shipment->Delete();
  EXPECT_EQ(Rows("tblZFM_ALC"), 0);
}

TEST_F(DetalheZfmAlcTest, AShipmentWithoutItsStateLineIsRefused) {
  auto shipment = Bound<DetalheZFMALC>();
  shipment->Set(D::kNroVEK, vek_);
  shipment->Set(D::kCFOP, "6107");
  shipment->Set(D::kUF, "35");
  shipment->Create();
  EXPECT_TRUE(swallowed_.Has("DetalheZFMALC.Create", 3201));
  EXPECT_EQ(Rows("tblZFM_ALC"), 0);
}

// ---- DetalhesZFMALC ---------------------------------------------------------------------

TEST_F(DetalheZfmAlcTest, TheListOfEveryStateIsInInvoiceOrderWithUFAndSigla) {
  Ship("000300", "14", "1400100");
  Ship("000100");
  Ship("000200", "13", "9999999");
  auto list = Bound<DetalhesZFMALC>();
  list->Fetch(vek_, "6107");
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"000100/13/AM/Manaus", "000200/13//",
                                                   "000300/14/RR/Boa Vista"}));
  auto item = list->Item(1);
  EXPECT_EQ(item->Get(D::kNroVEK), Variant::Integer(0));  // never filled by Item
  EXPECT_TRUE(item->Get(D::kCFOP).IsNull());
}

// The lists of one state and of one entry do not select UF: their items keep the UF they
// held instead of coming back as Nothing.
TEST_F(DetalheZfmAlcTest, TheListsOfOneStateOrOneEntryFillTheirItemsWithoutUF) {
  const Variant entry = Ship("000100");
  Ship("000200");
  Ship("000300", "14", "1400100");
  auto list = Bound<DetalhesZFMALC>();
  list->Fetch(vek_, "6107", "13");
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"000100//AM/Manaus", "000200//AM/Manaus"}));
  list->Fetch(vek_, "6107", "1*", entry);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(1)->Get(D::kNroLançamento), entry);
}

}  // namespace
}  // namespace orvalis
