// CFOP and CFOPs: the record and collection pattern on the CFOP details, the walk shared
// by every collection, the error trap and the late-bound surface (with the member lists of
// every record and collection class).
#include "orvalis/records/cfop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/engine_objects.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using testing::Call;
using testing::ErrorOf;
using testing::MemberNames;

Variant Money(int64_t ten_thousandths) { return Variant(Currency::FromRaw(ten_thousandths)); }

std::vector<Variant> Cleared() {
  std::vector<Variant> values(11, Variant::Integer(0));
  values[CFOP::kCFOP] = Variant::Null();
  return values;
}

class CfopTest : public testing::RecordsTest {
 protected:
  void AddCfop(const std::string& code, const Variant& imposto = Variant("10")) {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", Variant(vek_)}, {"CFOP", code}, {"Imposto", imposto}});
  }
  // Adds rows with these codes to the fixture's declaration and lists them.
  std::shared_ptr<CFOPs> Listed(const std::vector<std::string>& codes) {
    for (const auto& code : codes) AddCfop(code);
    auto cfops = Bound<CFOPs>();
    cfops->Fetch(vek_);
    return cfops;
  }
  // A bound CFOP holding the fixture's declaration, `code` and `imposto`.
  std::shared_ptr<CFOP> Holding(const std::string& code, const Variant& imposto) {
    auto cfop = Bound<CFOP>();
    cfop->Set(CFOP::kNroVEK, vek_);
    cfop->Set(CFOP::kCFOP, code);
    cfop->Set(CFOP::kImposto, imposto);
    return cfop;
  }
  // The CFOP codes a walk of `cfops` meets: MoveFirst, then MoveNext until Last.
  static std::vector<std::string> Walk(CFOPs& cfops) {
    std::vector<std::string> codes;
    for (auto item = cfops.MoveFirst(); !cfops.Last(); item = cfops.MoveNext()) {
      if (!item) break;
      codes.push_back(ToText(item->Get(CFOP::kCFOP)));
    }
    return codes;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- CFOP -------------------------------------------------------------------------------

TEST_F(CfopTest, NewAndClearedObjectsHoldTheDefaults) {
  auto cfop = std::make_shared<CFOP>();
  EXPECT_EQ(AllValues(*cfop), Cleared());
  for (size_t field = 0; field < cfop->layout().size(); ++field) cfop->Set(field, Variant("9"));
  cfop->Clear();
  EXPECT_EQ(AllValues(*cfop), Cleared());
  EXPECT_EQ(cfop->recordset(), nullptr);
}

TEST_F(CfopTest, FetchLoadsTheRowClearsForAMissingKeyAndKeepsTheValuesOnFailure) {
  AddCfop("5101", "12,34");
  auto cfop = Bound<CFOP>();
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
  EXPECT_EQ(AllValues(*cfop), Cleared());
  EXPECT_EQ(swallowed_.size(), 2u);
}

TEST_F(CfopTest, CreateReloadsWhatTheTableStored) {
  auto cfop = Holding("5102", "1.234,56");
  cfop->Set(CFOP::kOutras, 2.5);
  cfop->Create();
  EXPECT_EQ(cfop->Get(CFOP::kImposto), Money(12345600));
  EXPECT_EQ(cfop->Get(CFOP::kOutras), Money(25000));
  EXPECT_TRUE(cfop->Get(CFOP::kBaseCálculo) == Money(0));
  ASSERT_TRUE(cfop->recordset()->IsOpen());  // left open on the reloaded row
  EXPECT_EQ(cfop->recordset()->GetValue("CFOP"), Variant("5102"));
}

TEST_F(CfopTest, RefusedCreateLeavesNoRowNoReloadAndReportsWhy) {
  AddCfop("5101");
  auto cfop = Holding("5101", "7");
  EXPECT_EQ(ErrorOf([&] { cfop->Create(); }), 0);
  EXPECT_TRUE(swallowed_.Has("CFOP.Create", 3022));
  EXPECT_EQ(cfop->Get(CFOP::kImposto), Variant("7"));

  cfop->Set(CFOP::kNroVEK, vek_ + 100);  // no such declaration
  cfop->Set(CFOP::kCFOP, "5102");
  cfop->Create();
  EXPECT_TRUE(swallowed_.Has("CFOP.Create", 3201));
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 1);
}

TEST_F(CfopTest, UpdateAndDeleteActOnTheHeldKeysOnlyAndKeepTheValues) {
  AddCfop("5101", "10");
  AddCfop("5102");
  auto cfop = Bound<CFOP>();
  cfop->Fetch(vek_, "5101");
  cfop->Set(CFOP::kImposto, "20");
  cfop->Set(CFOP::kValorContábil, 100);
  cfop->Update();
  const std::string stored = "SELECT * FROM tblDetalhesCFOPs WHERE CFOP = '5101'";
  EXPECT_EQ(Stored(stored, "Imposto"), Money(200000));
  EXPECT_EQ(Stored(stored, "ValorContábil"), Money(1000000));

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
  EXPECT_EQ(swallowed_.size(), 1u);
  EXPECT_TRUE(swallowed_.Has("CFOP.Update", 3021));
}

TEST_F(CfopTest, KeysAndPatternsWithAQuoteAreMatchedAsTheyStand) {
  auto cfop = Holding("51'01", "1");
  cfop->Create();
  EXPECT_EQ(cfop->Get(CFOP::kImposto), Money(10000));  // reloaded by its quoted key
  cfop->Set(CFOP::kImposto, "2");
  cfop->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblDetalhesCFOPs", "Imposto"), Money(20000));

  auto cfops = Bound<CFOPs>();
  cfops->Fetch(vek_, "51'*");
  EXPECT_EQ(cfops->Count(), 1);
  cfops->Fetch(vek_, "' Or '1'='1");
  EXPECT_EQ(cfops->Count(), 0);

  cfop->Delete();
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 0);
}

TEST_F(CfopTest, DeleteZfmAlcDeletesOneShipmentOfThatDeclarationAndCfop) {
  AddCfop("6107");
  AddRow("tblDetalhesInterUFs", {{"NroVEK", Variant(vek_)}, {"CFOP", "6107"}, {"UF", "13"}});
  for (const char* nf : {"1", "2", "3"}) {
    AddRow("tblZFM_ALC",
           {{"NroVEK", Variant(vek_)}, {"CFOP", "6107"}, {"UF", "13"}, {"NF", Variant(nf)}});
  }
  auto cfop = Bound<CFOP>();
  cfop->DeleteZFM_ALC(vek_, "6107");
  EXPECT_EQ(Rows("tblZFM_ALC"), 2);
  cfop->DeleteZFM_ALC(vek_, "6'107");
  EXPECT_EQ(Rows("tblZFM_ALC"), 2);
  EXPECT_EQ(AllValues(*cfop), Cleared());
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
  EXPECT_EQ(swallowed_.size(), 4u);
  for (const char* operation : {"CFOP.Fetch", "CFOP.Create", "CFOP.Update", "CFOP.Delete"}) {
    EXPECT_TRUE(swallowed_.Has(operation, 424)) << operation;
  }
}

// ---- CFOPs and the walk -----------------------------------------------------------------

TEST_F(CfopTest, FetchFiltersByDeclarationAndPattern) {
  for (const char* code : {"5101", "5102", "6101"}) AddCfop(code);
  const int32_t other = AddDeclaration(testing::kIE, Date::FromYmd(2005, 4, 1));
  AddRow("tblDetalhesCFOPs", {{"NroVEK", Variant(other)}, {"CFOP", "5101"}});
  auto cfops = Bound<CFOPs>();
  cfops->Fetch(vek_);
  EXPECT_EQ(Walk(*cfops), (std::vector<std::string>{"5101", "5102", "6101"}));
  cfops->Fetch(vek_, "5*");
  EXPECT_EQ(Walk(*cfops), (std::vector<std::string>{"5101", "5102"}));
}

TEST_F(CfopTest, ItemAndCountKeepThePositionAndMovePreviousStopsBeforeTheFirst) {
  auto cfops = Listed({"5101", "5102", "5103", "5104"});
  auto first = cfops->Item(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Get(CFOP::kCFOP), Variant("5101"));
  auto second = cfops->Item(Variant("2"));
  EXPECT_EQ(second, first);  // the same item object, refilled
  EXPECT_EQ(first->Get(CFOP::kCFOP), Variant("5102"));
  EXPECT_EQ(cfops->Item(0), nullptr);
  EXPECT_EQ(cfops->Item(5), nullptr);
  EXPECT_TRUE(swallowed_.Has("CFOPs.Item", 3001));
  EXPECT_EQ(cfops->Count(), 4);
  EXPECT_EQ(cfops->recordset()->AbsolutePosition(), 1);  // left where it was
  EXPECT_EQ(cfops->Item()->Get(CFOP::kCFOP), Variant("5102"));
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
  auto cfops = Listed({"5101", "5102"});
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

TEST_F(CfopTest, EveryOperationBeforeFetchGivesItsEmptyResult) {
  auto cfops = Bound<CFOPs>();
  EXPECT_EQ(cfops->Item(), nullptr);
  EXPECT_EQ(cfops->Item(1), nullptr);
  EXPECT_EQ(cfops->MoveFirst(), nullptr);
  EXPECT_EQ(cfops->MovePrevious(), nullptr);
  EXPECT_EQ(cfops->MoveNext(), nullptr);
  EXPECT_FALSE(cfops->Last());
  EXPECT_EQ(cfops->Count(), 0);
  EXPECT_EQ(cfops->Conjunto(), nullptr);
}

// The list of another declaration must never stand for the answer.
TEST_F(CfopTest, AFailingFetchLeavesTheListEmpty) {
  auto cfops = Listed({"5101", "5102", "5103"});
  cfops->Item(2);
  for (const Variant& no_number : {Variant("5 5"), Variant::Null()}) {
    cfops->Fetch(no_number);
    EXPECT_EQ(cfops->recordset(), nullptr);
    EXPECT_EQ(cfops->Count(), 0);
    EXPECT_TRUE(cfops->Last());
    EXPECT_EQ(cfops->Item(), nullptr);
    EXPECT_EQ(cfops->MoveFirst(), nullptr);
    EXPECT_EQ(cfops->Conjunto(), nullptr);
  }
  EXPECT_TRUE(swallowed_.Has("CFOPs.Fetch", 13));
  EXPECT_TRUE(swallowed_.Has("CFOPs.Fetch", 3075));
}

TEST_F(CfopTest, ConjuntoIsTheRecordsetItself) {
  auto cfops = Listed({"5101", "5102"});
  auto conjunto = cfops->Conjunto();
  ASSERT_NE(conjunto, nullptr);
  EXPECT_EQ(UnwrapRecordset(Variant(conjunto)), cfops->recordset());
  Call(*conjunto, "MoveNext");
  EXPECT_EQ(cfops->Item()->Get(CFOP::kCFOP), Variant("5102"));
}

// ---- Late-bound surface -----------------------------------------------------------------

TEST_F(CfopTest, LateBoundCallsReachTheTypedOperations) {
  auto cfop = CreateObject("Orvalis.CFOP");
  Call(*cfop, "dbindex", {Variant(path_)});
  LetProperty(*cfop, "NroVEK", Variant(vek_));
  LetProperty(*cfop, "cfop", Variant("5101"));
  LetProperty(*cfop, "VALORCONTÁBIL", Variant("99,5"));
  Call(*cfop, "Create");
  EXPECT_EQ(GetProperty(*cfop, "valorcontábil"), Money(995000));
  EXPECT_EQ(ErrorOf([&] { Call(*cfop, "DBIndex", {Variant("nowhere.mdb")}); }), 3265);

  auto cfops = CreateObject("Orvalis.CFOPs");
  Call(*cfops, "DBIndex", {Variant(path_)});
  Call(*cfops, "Fetch", {Variant(vek_)});
  EXPECT_EQ(GetProperty(*cfops, "Count"), Variant::Long(1));
  Variant item = Call(*cfops, "Item", {Variant::Integer(1)});
  ASSERT_TRUE(item.IsObject() && !item.IsNothing());
  EXPECT_EQ(GetProperty(*item.object_value(), "CFOP"), Variant("5101"));
  EXPECT_TRUE(Call(*cfops, "Item", {Variant::Integer(2)}).IsNothing());
  EXPECT_TRUE(swallowed_.Has("CFOPs.Item", 3001));
  EXPECT_EQ(Call(*cfops, "MoveNext"), Variant::Nothing());
}

}  // namespace
}  // namespace orvalis
