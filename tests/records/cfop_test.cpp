// CFOP and CFOPs, and through them what every record and collection shares: the load,
// the reload, the writes on the held keys, the error trap, the binding, Item and the moves.
// (Each class's statements are checked in statements_test, the walk in collection_walk_test.)
#include "orvalis/records/cfop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/late_bound_objects.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using testing::ErrorOf;

Variant Money(int64_t ten_thousandths) { return Variant(Currency::FromRaw(ten_thousandths)); }

class CfopTest : public testing::RecordsTest {
 protected:
  void AddCfop(const std::string& code, const Variant& imposto = Variant("10")) {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", Variant(vek_)}, {"CFOP", code}, {"Imposto", imposto}});
  }
  // A bound CFOP holding the fixture's declaration, `code` and `imposto`.
  std::shared_ptr<CFOP> Holding(const std::string& code, const Variant& imposto) {
    return RecordsTest::Holding<CFOP>(
        {{CFOP::kNroVEK, vek_}, {CFOP::kCFOP, code}, {CFOP::kImposto, imposto}});
  }

  int32_t vek_ = AddDeclaration();
};

TEST_F(CfopTest, FetchLoadsTheRowClearsForAMissingKeyAndKeepsTheValuesOnFailure) {
  AddCfop("5101", "12,34");
  auto cfop = Bound<CFOP>();
  const std::vector<Variant> cleared = AllValues(*cfop);
  cfop->Fetch(vek_, "5101");
  EXPECT_EQ(cfop->Get(CFOP::kNroVEK), Variant(vek_));
  EXPECT_EQ(cfop->Get(CFOP::kImposto), Money(123400));
  EXPECT_TRUE(cfop->Get(CFOP::kOutras).IsNull());  // a Null column stays Null
  const std::vector<Variant> held = AllValues(*cfop);
  cfop->Fetch(Variant::Null(), "5101");  // the number's place stays empty
  cfop->Fetch("7) Or (1=1", "5101");     // a text that is no number is refused
  EXPECT_EQ(AllValues(*cfop), held);
  EXPECT_EQ(swallowed_.size(), 2u);
  EXPECT_TRUE(swallowed_.Has("CFOP.Fetch", 13));
  EXPECT_TRUE(swallowed_.Has("CFOP.Fetch", 3075));
  cfop->Fetch(vek_, "5999");
  EXPECT_EQ(AllValues(*cfop), cleared);
}

TEST_F(CfopTest, CreateReloadsWhatTheTableStoredAndARefusedCreateLeavesNothing) {
  auto cfop = Holding("5102", "1.234,56");
  cfop->Set(CFOP::kOutras, 2.5);
  cfop->Create();
  EXPECT_EQ(cfop->Get(CFOP::kImposto), Money(12345600));
  EXPECT_EQ(cfop->Get(CFOP::kOutras), Money(25000));
  EXPECT_EQ(cfop->Get(CFOP::kBaseCálculo), Money(0));
  ASSERT_TRUE(cfop->recordset()->IsOpen());  // left open on the reloaded row
  EXPECT_EQ(cfop->recordset()->GetValue("CFOP"), Variant("5102"));

  auto again = Holding("5102", "7");
  EXPECT_EQ(ErrorOf([&] { again->Create(); }), 0);
  EXPECT_TRUE(swallowed_.Has("CFOP.Create", 3022));
  EXPECT_EQ(again->Get(CFOP::kImposto), Variant("7"));  // no reload
  again->Set(CFOP::kNroVEK, vek_ + 100);                // no such declaration
  again->Create();
  EXPECT_TRUE(swallowed_.Has("CFOP.Create", 3201));
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 1);
}

TEST_F(CfopTest, UpdateAndDeleteActOnTheHeldKeysOnlyAndKeepTheValues) {
  AddCfop("5101", "10");
  AddCfop("5102");
  auto cfop = Bound<CFOP>();
  cfop->Fetch(vek_, "5101");
  cfop->Set(CFOP::kImposto, "20");
  cfop->Update();
  const std::string stored = "SELECT * FROM tblDetalhesCFOPs WHERE CFOP = '5101'";
  EXPECT_EQ(Stored(stored, "Imposto"), Money(200000));
  const std::vector<Variant> held = AllValues(*cfop);
  cfop->Delete();
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 1);
  EXPECT_EQ(AllValues(*cfop), held);

  // Keys that match no row: nothing is written or deleted, and nothing raised.
  AddCfop("5101", "10");
  cfop->Set(CFOP::kCFOP, "5999");
  EXPECT_EQ(testing::UpdateThenDelete(*cfop), 0);
  EXPECT_EQ(Stored(stored, "Imposto"), Money(100000));
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 2);
  EXPECT_TRUE(swallowed_.Has("CFOP.Update", 3021));
}

TEST_F(CfopTest, DeleteZfmAlcDeletesOneShipmentOfThatDeclarationAndCfop) {
  AddCfop("6107");
  AddRow("tblDetalhesInterUFs", {{"NroVEK", Variant(vek_)}, {"CFOP", "6107"}, {"UF", "13"}});
  for (const char* nf : {"1", "2"}) {
    AddRow("tblZFM_ALC",
           {{"NroVEK", Variant(vek_)}, {"CFOP", "6107"}, {"UF", "13"}, {"NF", Variant(nf)}});
  }
  auto cfop = Bound<CFOP>();
  cfop->DeleteZFM_ALC(vek_, "6107");
  cfop->DeleteZFM_ALC(vek_ + 1, "6107");
  EXPECT_EQ(Rows("tblZFM_ALC"), 1);
}

TEST_F(CfopTest, DbIndexRaisesButUnboundOperationsDoNothing) {
  auto cfop = Bound<CFOP>();
  const auto bound = cfop->database();
  EXPECT_EQ(ErrorOf([&] { cfop->DBIndex(path_ + ".other"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { cfop->DBIndex(""); }), 3265);
  EXPECT_EQ(cfop->database(), bound);  // the binding stays

  auto unbound = std::make_shared<CFOP>();
  unbound->Set(CFOP::kCFOP, "5101");
  unbound->Fetch(vek_, "5101");
  unbound->Create();
  EXPECT_EQ(testing::UpdateThenDelete(*unbound), 0);
  EXPECT_EQ(unbound->Get(CFOP::kCFOP), Variant("5101"));
  for (const char* operation : {"CFOP.Fetch", "CFOP.Create", "CFOP.Update", "CFOP.Delete"}) {
    EXPECT_TRUE(swallowed_.Has(operation, 424)) << operation;
  }
}

// ---- CFOPs: Item, the moves and Conjunto of every collection ------------------------------

TEST_F(CfopTest, ItemAndCountKeepThePositionAndMovePreviousStopsBeforeTheFirst) {
  for (const char* code : {"5101", "5102", "5103", "5104"}) AddCfop(code);
  auto cfops = Bound<CFOPs>();
  EXPECT_FALSE(cfops->Last());  // before any Fetch: empty, but not past the end
  EXPECT_EQ(cfops->Item(1), nullptr);
  EXPECT_EQ(cfops->MoveFirst(), nullptr);
  EXPECT_EQ(cfops->MovePrevious(), nullptr);
  EXPECT_EQ(cfops->Count(), 0);
  EXPECT_EQ(cfops->Conjunto(), nullptr);
  cfops->Fetch(vek_);
  auto first = cfops->Item(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Get(CFOP::kCFOP), Variant("5101"));
  EXPECT_EQ(cfops->Item(Variant("2")), first);  // the same item object, refilled
  EXPECT_EQ(first->Get(CFOP::kCFOP), Variant("5102"));
  EXPECT_EQ(cfops->Item(0), nullptr);
  EXPECT_EQ(cfops->Item(5), nullptr);
  EXPECT_TRUE(swallowed_.Has("CFOPs.Item", 3001));
  EXPECT_EQ(cfops->Count(), 4);
  EXPECT_EQ(cfops->Item()->Get(CFOP::kCFOP), Variant("5102"));  // Count left it there
  EXPECT_EQ(cfops->MovePrevious()->Get(CFOP::kCFOP), Variant("5101"));
  EXPECT_EQ(cfops->MovePrevious(), nullptr);  // before the first row, Item fails
  EXPECT_TRUE(swallowed_.Has("CFOPs.Item", 3021));
  EXPECT_TRUE(cfops->recordset()->IsBof());
  EXPECT_FALSE(cfops->Last());
  cfops->Item(4);
  EXPECT_EQ(cfops->MoveNext(), nullptr);
  EXPECT_TRUE(cfops->Last());
  EXPECT_EQ(cfops->Count(), 0);  // no current row to come back to
  EXPECT_TRUE(swallowed_.Has("CFOPs.Count", 3021));

  // Conjunto is the recordset itself: moving it moves the collection.
  cfops->Fetch(vek_);
  auto conjunto = cfops->Conjunto();
  ASSERT_NE(conjunto, nullptr);
  EXPECT_EQ(UnwrapRecordset(Variant(conjunto)), cfops->recordset());
  testing::Call(*conjunto, "MoveNext");
  EXPECT_EQ(cfops->Item()->Get(CFOP::kCFOP), Variant("5102"));
}

TEST_F(CfopTest, ItemReadsNullTaxSubstitutionAmountsAsZeroText) {
  AddRow("tblDetalhesCFOPs", {{"NroVEK", Variant(vek_)}, {"CFOP", "5405"}});
  auto cfops = Bound<CFOPs>();
  cfops->Fetch(vek_);
  auto item = cfops->Item();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Get(CFOP::kImpRetSubstitutoST), Variant("0"));
  EXPECT_EQ(item->Get(CFOP::kImpRetSubstituido), Variant("0"));
  EXPECT_TRUE(item->Get(CFOP::kImpostoRetidoST).IsNull());
  auto cfop = Bound<CFOP>();
  cfop->Fetch(vek_, "5405");
  EXPECT_TRUE(cfop->Get(CFOP::kImpRetSubstitutoST).IsNull());
}

// An item is filled from the row as it stands: a value being edited through Conjunto as
// it was set, and nothing at all from a row deleted meanwhile.
TEST_F(CfopTest, ItemShowsPendingEditsAndKeepsItsValuesForADeletedRow) {
  AddCfop("5101");
  AddCfop("5102");
  auto cfops = Bound<CFOPs>();
  cfops->Fetch(Variant(vek_));
  Recordset& rs = *cfops->recordset();
  rs.Edit();
  rs.SetValue("Imposto", Variant("77"));
  auto item = cfops->Item();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Get(CFOP::kImposto), Variant("77"));
  EXPECT_EQ(item->Get(CFOP::kCFOP), Variant("5101"));
  rs.CancelUpdate();
  db_->Execute("DELETE FROM tblDetalhesCFOPs WHERE CFOP = '5102'");
  EXPECT_EQ(cfops->Item(2), nullptr);
  EXPECT_TRUE(swallowed_.Has("CFOPs.Item", 3167));
  EXPECT_EQ(item->Get(CFOP::kCFOP), Variant("5101"));
  EXPECT_EQ(item->Get(CFOP::kImposto), Variant("77"));
}

}  // namespace
}  // namespace orvalis
