// DetalheZFMALC and DetalhesZFMALC: free-zone shipments identified by their engine-given
// entry number, the municipality read through the join with tblMunicípiosZFM_ALC, and
// the lists of one state or one entry, which do not select UF.
#include "orvalis/records/detalhe_zfmalc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using D = DetalheZFMALC;

class DetalheZfmAlcTest : public testing::RecordsTest {
 protected:
  DetalheZfmAlcTest() {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", vek_}, {"CFOP", "6107"}});
    for (const char* uf : {"13", "14"}) {
      AddRow("tblDetalhesInterUFs", {{"NroVEK", vek_}, {"CFOP", "6107"}, {"UF", uf}});
    }
  }
  // A shipment entered through the class; its entry number.
  Variant Ship(const char* nf, const char* uf = "13", const char* município = "1302603") {
    return Created<D>({{D::kNroVEK, vek_},
                       {D::kCFOP, "6107"},
                       {D::kUF, uf},
                       {D::kNF, nf},
                       {D::kValor, "1.000,50"},
                       {D::kMunicípioDest, município}})
        ->Get(D::kNroLançamento);
  }

  int32_t vek_ = AddDeclaration();
};

TEST_F(DetalheZfmAlcTest, EntriesAreFoundByNumberWithTheMunicipalitysName) {
  const Variant first = Ship("000123");
  const Variant second = Ship("000123");  // two shipments under one state line
  EXPECT_NE(first, second);
  auto shipment = Bound<DetalheZFMALC>();
  shipment->Fetch(first);
  EXPECT_EQ(shipment->Get(D::kNroLançamento), first);
  EXPECT_EQ(shipment->Get(D::kMunicípio), Variant("Manaus"));
  EXPECT_EQ(shipment->Get(D::kValor), Variant(Currency::FromRaw(10005000)));
  EXPECT_TRUE(shipment->Get(D::kSigla).IsNull());  // only the list's Item fills it

  // Update writes and reloads the name; an entry that is not there is touched by nothing.
  shipment->Set(D::kMunicípioDest, "1200203");
  shipment->Update();
  EXPECT_EQ(shipment->Get(D::kMunicípio), Variant("Cruzeiro do Sul"));
  shipment->Set(D::kMunicípioDest, "9999999");
  shipment->Update();
  EXPECT_TRUE(shipment->Get(D::kMunicípio).IsNull());
  shipment->Fetch(ToLong(second) + 100);  // cleared, so NroLançamento 0
  EXPECT_EQ(shipment->Get(D::kNroLançamento), Variant::Integer(0));
  EXPECT_EQ(testing::UpdateThenDelete(*shipment), 0);
  EXPECT_TRUE(swallowed_.Has("DetalheZFMALC.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("DetalheZFMALC.Delete", 3021));
  shipment->Fetch(first);
  shipment->Delete();
  EXPECT_EQ(Rows("tblZFM_ALC"), 1);
}

// The lists of one state and of one entry do not select UF: their items keep the UF they
// held instead of coming back as Nothing. No list fills NroVEK or CFOP.
TEST_F(DetalheZfmAlcTest, TheListsOfOneStateOrOneEntryFillTheirItemsWithoutUF) {
  const Variant entry = Ship("000100");
  Ship("000200");
  Ship("000300", "14", "1400100");
  auto list = Bound<DetalhesZFMALC>();
  list->Fetch(vek_, "6107");
  EXPECT_EQ(list->Item(1)->Get(D::kNroVEK), Variant::Integer(0));
  EXPECT_TRUE(list->Item(1)->Get(D::kCFOP).IsNull());
  EXPECT_EQ(list->Item(3)->Get(D::kUF), Variant("14"));
  list->Fetch(vek_, "6107", "13");
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Item(2)->Get(D::kSigla), Variant("AM"));
  EXPECT_EQ(list->Item(2)->Get(D::kUF), Variant("14"));  // held from before
  list->Fetch(vek_, "6107", "1*", entry);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(1)->Get(D::kNroLançamento), entry);
}

}  // namespace
}  // namespace orvalis
