// Contribuinte and Contribuintes: the taxpayer register, its input masks, the UF rules for
// IEs beginning with "8" and the list ordered by the IE's last digit.
#include "orvalis/records/contribuinte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;

std::vector<Variant> Cleared() {
  std::vector<Variant> values(18);
  values[Contribuinte::kCNPJ] = Variant("__.___.___/____-__");
  values[Contribuinte::kCNAE] = Variant("____-_/__");
  values[Contribuinte::kCEP] = Variant("_____-___");
  return values;
}

class ContribuinteTest : public testing::RecordsTest {
 protected:
  Variant StoredUF(const std::string& ie) {
    return Stored("SELECT * FROM tblContribuinte WHERE IE = '" + ie + "'", "UF");
  }
  // Creates a taxpayer with that IE and UF through the class.
  std::shared_ptr<Contribuinte> Create(const std::string& ie, const Variant& uf) {
    auto taxpayer = Bound<Contribuinte>();
    taxpayer->Set(Contribuinte::kIE, ie);
    taxpayer->Set(Contribuinte::kRS, "Comércio Ltda");
    taxpayer->Set(Contribuinte::kUF, uf);
    taxpayer->Create();
    return taxpayer;
  }
};

// ---- Contribuinte -----------------------------------------------------------------------

TEST_F(ContribuinteTest, NewAndClearedObjectsHoldTheMasksAndEmpty) {
  auto taxpayer = std::make_shared<Contribuinte>();
  EXPECT_EQ(AllValues(*taxpayer), Cleared());
  taxpayer->Set(Contribuinte::kCEP, "01310-100");
  taxpayer->Clear();
  EXPECT_EQ(AllValues(*taxpayer), Cleared());
}

TEST_F(ContribuinteTest, CreateWritesTheMasksOfAnUntouchedObjectAndFetchReadsThem) {
  auto created = Create("123", "SP");
  EXPECT_EQ(Stored("SELECT * FROM tblContribuinte", "CNPJ"), Variant("__.___.___/____-__"));
  EXPECT_EQ(created->recordset()->GetValue("IE"), Variant("123"));  // left on the new row
  auto taxpayer = Bound<Contribuinte>();
  taxpayer->Fetch("123");
  EXPECT_EQ(taxpayer->Get(Contribuinte::kRS), Variant("Comércio Ltda"));
  EXPECT_EQ(taxpayer->Get(Contribuinte::kCEP), Variant("_____-___"));
  EXPECT_TRUE(taxpayer->Get(Contribuinte::kEmail).IsNull());
  taxpayer->Fetch("456");
  EXPECT_EQ(AllValues(*taxpayer), Cleared());

  // A Null UF reads as an empty text in the record, as Null in a list's item.
  AddTaxpayer("789", Variant::Null());
  taxpayer->Fetch("789");
  EXPECT_EQ(taxpayer->Get(Contribuinte::kUF), Variant(""));
  auto taxpayers = Bound<Contribuintes>();
  taxpayers->Fetch("789");
  EXPECT_TRUE(taxpayers->Item()->Get(Contribuinte::kUF).IsNull());
}

// The UF rules, case by case: what Create stores, then what Update stores when the
// object holds `update_uf`.
struct UfCase {
  const char* ie;
  const char* create_uf;
  Variant stored_after_create;
  Variant update_uf;
  Variant stored_after_update;
};

class UfRuleTest : public ContribuinteTest, public ::testing::WithParamInterface<UfCase> {};

TEST_P(UfRuleTest, CreateAndUpdateFollowTheRuleOfTheIE) {
  const UfCase& c = GetParam();
  auto taxpayer = Create(c.ie, c.create_uf);
  EXPECT_EQ(StoredUF(c.ie), c.stored_after_create);
  taxpayer->Set(Contribuinte::kUF, c.update_uf);
  taxpayer->Update();
  EXPECT_EQ(StoredUF(c.ie), c.stored_after_update);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UfRuleTest,
    ::testing::Values(
        // An IE beginning with "8": Create leaves UF out; Update writes one that is held.
        UfCase{"800123", "SP", Variant::Null(), Variant("AM"), Variant("AM")},
        UfCase{"800123", "SP", Variant::Null(), Variant(""), Variant::Null()},
        UfCase{"800123", "SP", Variant::Null(), Variant(), Variant::Null()},
        // Any other IE: both always write it, the empty text too.
        UfCase{"123800", "SP", Variant("SP"), Variant("AM"), Variant("AM")},
        UfCase{"123800", "SP", Variant("SP"), Variant(""), Variant("")}));

TEST_F(ContribuinteTest, UpdateOfAnIEBeginningWith8KeepsTheStoredUF) {
  AddTaxpayer("800999", Variant("RJ"));
  auto taxpayer = Bound<Contribuinte>();
  taxpayer->Fetch("800999");
  taxpayer->Set(Contribuinte::kUF, "");
  taxpayer->Set(Contribuinte::kRS, "Nova Razão");
  taxpayer->Update();
  EXPECT_EQ(StoredUF("800999"), Variant("RJ"));
  EXPECT_EQ(Stored("SELECT * FROM tblContribuinte", "RazãoSocial"), Variant("Nova Razão"));
}

TEST_F(ContribuinteTest, DuplicateCreateAndMissingUpdateOrDeleteWriteNothing) {
  Create("123", "SP");
  auto again = Create("123", "RJ");
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Create", 3022));
  auto missing = Bound<Contribuinte>();
  missing->Set(Contribuinte::kIE, "999");
  EXPECT_EQ(testing::UpdateThenDelete(*missing), 0);
  EXPECT_EQ(Rows("tblContribuinte"), 1);
  EXPECT_EQ(StoredUF("123"), Variant("SP"));
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Delete", 3021));
}

TEST_F(ContribuinteTest, DeleteRemovesTheTaxpayerWithItsDeclarations) {
  AddDeclaration("123");
  AddDeclaration("456");
  auto taxpayer = Bound<Contribuinte>();
  taxpayer->Fetch("123");
  taxpayer->Delete();
  EXPECT_EQ(Rows("tblContribuinte"), 1);
  EXPECT_EQ(Rows("tblVEK WHERE IE = '123'"), 0);
  EXPECT_EQ(Rows("tblVEK"), 1);
}

TEST_F(ContribuinteTest, AnIEWithAQuoteIsMatchedAsItStands) {
  Create("12'3", "SP");
  Create("124", "RJ");
  auto taxpayer = Bound<Contribuinte>();
  taxpayer->Fetch("12'3");
  EXPECT_EQ(taxpayer->Get(Contribuinte::kUF), Variant("SP"));
  taxpayer->Set(Contribuinte::kUF, "MG");
  taxpayer->Update();
  EXPECT_EQ(StoredUF("12''3"), Variant("MG"));
  taxpayer->Delete();
  EXPECT_EQ(Rows("tblContribuinte"), 1);
}

// ---- Contribuintes ----------------------------------------------------------------------

TEST_F(ContribuinteTest, TheWholeListIsOrderedByTheLastDigitOfTheIE) {
  for (const char* ie : {"1119", "2220", "3335", "4441", "5550"}) AddTaxpayer(ie);
  auto taxpayers = Bound<Contribuintes>();
  for (std::optional<int16_t> ordenado : {std::optional<int16_t>(), std::optional<int16_t>(1)}) {
    taxpayers->Fetch(Variant::Missing(), ordenado);  // pOrdenado changes nothing
    std::vector<char> last_digits;
    for (auto item = taxpayers->MoveFirst(); !taxpayers->Last(); item = taxpayers->MoveNext()) {
      last_digits.push_back(ToText(item->Get(Contribuinte::kIE)).back());
    }
    EXPECT_EQ(last_digits, (std::vector<char>{'0', '0', '1', '5', '9'}));
  }
  taxpayers->Fetch("3335");
  EXPECT_EQ(taxpayers->Count(), 1);
  EXPECT_EQ(taxpayers->Item(1)->Get(Contribuinte::kIE), Variant("3335"));
}

}  // namespace
}  // namespace orvalis
