// Contribuinte and Contribuintes: the taxpayer register, its input masks, the UF rules for
// IEs beginning with "8" and the list ordered by the IE's last digit.
#include "orvalis/records/contribuinte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

class ContribuinteTest : public testing::RecordsTest {
 protected:
  Variant StoredUF(const std::string& ie) {
    return Stored("SELECT * FROM tblContribuinte WHERE IE = '" + ie + "'", "UF");
  }
  // Creates a taxpayer with that IE and UF through the class.
  std::shared_ptr<Contribuinte> Create(const std::string& ie, const Variant& uf) {
    return Created<Contribuinte>(
        {{Contribuinte::kIE, ie}, {Contribuinte::kRS, "Comércio Ltda"}, {Contribuinte::kUF, uf}});
  }
};

TEST_F(ContribuinteTest, CreateWritesTheMasksWithoutReloadAndFetchReadsThem) {
  auto created = Create("123", "SP");
  EXPECT_EQ(Stored("SELECT * FROM tblContribuinte", "CNPJ"), Variant("__.___.___/____-__"));
  EXPECT_EQ(created->recordset()->GetValue("IE"), Variant("123"));  // left on the new row
  auto taxpayer = Bound<Contribuinte>();
  const std::vector<Variant> cleared = testing::AllValues(*taxpayer);
  taxpayer->Fetch("123");
  EXPECT_EQ(taxpayer->Get(Contribuinte::kRS), Variant("Comércio Ltda"));
  EXPECT_EQ(taxpayer->Get(Contribuinte::kCEP), Variant("_____-___"));
  EXPECT_TRUE(taxpayer->Get(Contribuinte::kEmail).IsNull());
  taxpayer->Fetch("456");
  EXPECT_EQ(testing::AllValues(*taxpayer), cleared);

  // A Null UF reads as an empty text in the record, as Null in a list's item.
  AddTaxpayer("789", Variant::Null());
  taxpayer->Fetch("789");
  EXPECT_EQ(taxpayer->Get(Contribuinte::kUF), Variant(""));
  auto taxpayers = Bound<Contribuintes>();
  taxpayers->Fetch("789");
  EXPECT_TRUE(taxpayers->Item()->Get(Contribuinte::kUF).IsNull());

  // A duplicate IE, and an IE that is not there, write nothing.
  Create("123", "RJ");
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Create", 3022));
  taxpayer->Set(Contribuinte::kIE, "999");
  EXPECT_EQ(testing::UpdateThenDelete(*taxpayer), 0);
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Contribuinte.Delete", 3021));
  EXPECT_EQ(Rows("tblContribuinte"), 2);
  EXPECT_EQ(StoredUF("123"), Variant("SP"));
}

// The UF rules, case by case: what Create stores, then what Update stores when the
// object holds `update_uf`.
struct UfCase {
  const char* ie;
  Variant stored_after_create;
  Variant update_uf;
  Variant stored_after_update;
};

class UfRuleTest : public ContribuinteTest, public ::testing::WithParamInterface<UfCase> {};

TEST_P(UfRuleTest, CreateAndUpdateFollowTheRuleOfTheIE) {
  const UfCase& c = GetParam();
  auto taxpayer = Create(c.ie, "SP");
  EXPECT_EQ(StoredUF(c.ie), c.stored_after_create);
  taxpayer->Set(Contribuinte::kUF, c.update_uf);
  taxpayer->Update();
  EXPECT_EQ(StoredUF(c.ie), c.stored_after_update);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UfRuleTest,
    ::testing::Values(
        // An IE beginning with "8": Create leaves UF out; Update writes one that is held.
        UfCase{"800123", Variant::Null(), Variant("AM"), Variant("AM")},
        UfCase{"800123", Variant::Null(), Variant(""), Variant::Null()},
        UfCase{"800123", Variant::Null(), Variant(), Variant::Null()},
        // Any other IE: both always write it, the empty text too.
        UfCase{"123800", Variant("SP"), Variant("AM"), Variant("AM")},
        UfCase{"123800", Variant("SP"), Variant(""), Variant("")}));

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

TEST_F(ContribuinteTest, TheWholeListIsOrderedByTheLastDigitOfTheIE) {
  for (const char* ie : {"1119", "2220", "3335", "4441", "5550"}) AddTaxpayer(ie);
  auto taxpayers = Bound<Contribuintes>();
  for (std::optional<int16_t> ordenado : {std::optional<int16_t>(), std::optional<int16_t>(1)}) {
    taxpayers->Fetch(Variant::Missing(), ordenado);  // pOrdenado changes nothing
    std::string last_digits;
    for (auto item = taxpayers->MoveFirst(); !taxpayers->Last(); item = taxpayers->MoveNext()) {
      last_digits += ToText(item->Get(Contribuinte::kIE)).back();
    }
    EXPECT_EQ(last_digits, "00159");
  }
}

}  // namespace
}  // namespace orvalis
