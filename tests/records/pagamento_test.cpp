// Pagamento and Pagamentos: payments with an engine-given PagtoID, listed by kind in the
// order of their date, and only real day-first dates stored.
#include "orvalis/records/pagamento.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;

std::vector<Variant> Cleared() {
  return {Variant::Integer(0), Variant(true), Variant::Integer(-1), Variant(""),
          Variant::Integer(0)};
}

class PagamentoTest : public testing::RecordsTest {
 protected:
  // A bound payment of the fixture's declaration holding these values.
  std::shared_ptr<Pagamento> Holding(const Variant& date, bool own,
                                     const Variant& value = Variant("100")) {
    auto payment = Bound<Pagamento>();
    payment->Set(Pagamento::kNroVEK, vek_);
    payment->Set(Pagamento::kData, date);
    payment->Set(Pagamento::kOpPróprias, own);
    payment->Set(Pagamento::kValor, value);
    return payment;
  }
  // A payment made through the class; its PagtoID.
  Variant Create(const char* date, bool own, const Variant& value = Variant("100")) {
    auto payment = Holding(date, own, value);
    payment->Create();
    return payment->Get(Pagamento::kPagtoID);
  }
  std::vector<std::string> Dates(Pagamentos& list) {
    std::vector<std::string> dates;
    for (auto item = list.MoveFirst(); !list.Last(); item = list.MoveNext()) {
      dates.push_back(ToText(item->Get(Pagamento::kData)));
    }
    return dates;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- Pagamento --------------------------------------------------------------------------

TEST_F(PagamentoTest, CreateReadsBackOnlyThePagtoID) {
  EXPECT_EQ(AllValues(*Bound<Pagamento>()), Cleared());
  auto payment = Holding("15/01/2005", true, "1.234,56");
  payment->Create();
  const Variant id = payment->Get(Pagamento::kPagtoID);
  ASSERT_EQ(id.kind(), VariantKind::kLong);
  EXPECT_EQ(payment->Get(Pagamento::kValor), Variant("1.234,56"));  // not reloaded
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Valor"), Variant(Currency::FromRaw(12345600)));
  EXPECT_NE(Create("16/01/2005", true), id);
}

TEST_F(PagamentoTest, FetchLoadsThePaymentAndClearsForAnUnknownId) {
  const Variant id = Create("03/02/2005", false, Variant("50"));
  auto payment = Bound<Pagamento>();
  payment->Fetch(id);
  EXPECT_EQ(payment->Get(Pagamento::kData), Variant("03/02/2005"));
  EXPECT_EQ(payment->Get(Pagamento::kOpPróprias), Variant(false));
  EXPECT_EQ(payment->Get(Pagamento::kValor), Variant(Currency::FromUnits(50)));
  payment->Fetch(ToLong(id) + 1);
  EXPECT_EQ(AllValues(*payment), Cleared());
}

TEST_F(PagamentoTest, UpdateWritesTheHeldPaymentAndNothingForAClearedObject) {
  const Variant id = Create("03/02/2005", true);
  auto payment = Bound<Pagamento>();
  payment->Fetch(id);
  payment->Set(Pagamento::kValor, 75);
  payment->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Valor"), Variant(Currency::FromUnits(75)));
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "PagtoID"), id);

  payment->Clear();  // PagtoID -1 matches no row
  payment->Set(Pagamento::kData, "04/02/2005");
  payment->Set(Pagamento::kValor, 1);
  EXPECT_EQ(testing::UpdateThenDelete(*payment), 0);
  EXPECT_TRUE(swallowed_.Has("Pagamento.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Pagamento.Delete", 3021));
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Valor"), Variant(Currency::FromUnits(75)));
  payment->Fetch(id);
  payment->Delete();
  EXPECT_EQ(Rows("tblPagamento"), 0);
}

// One bad date would break the date-ordered list of the whole declaration.
TEST_F(PagamentoTest, ADataThatIsNoRealDayFirstDateIsNotStored) {
  struct Case {
    Variant data;
    int32_t error;
  };
  const Case refused[] = {
      {"31/02/2020", 13}, {"2020-02-15", 13}, {"15/01/2005 10:00", 13}, {"01/2005", 13}, {"", 13},
      {"hoje", 13},       {45000, 13},        {Variant::Null(), 94},
  };
  const Variant id = Create("03/02/2005", true);
  auto payment = Bound<Pagamento>();
  payment->Fetch(id);
  for (const Case& c : refused) {
    payment->Set(Pagamento::kData, c.data);
    payment->Create();
    payment->Update();
    EXPECT_TRUE(swallowed_.Has("Pagamento.Create", c.error)) << ToText(c.data);
    EXPECT_TRUE(swallowed_.Has("Pagamento.Update", c.error)) << ToText(c.data);
  }
  EXPECT_EQ(Rows("tblPagamento"), 1);
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Data"), Variant("03/02/2005"));
  payment->Set(Pagamento::kData, "5/2/05");
  payment->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Data"), Variant("5/2/05"));
}

// ---- Pagamentos -------------------------------------------------------------------------

TEST_F(PagamentoTest, TheListHoldsOneKindInDateOrderNotTextOrder) {
  for (const char* date : {"03/02/2005", "15/01/2005", "20/12/2004"}) Create(date, true);
  Create("01/01/2005", false);
  auto list = Bound<Pagamentos>();
  list->Fetch(vek_, true);
  EXPECT_EQ(Dates(*list), (std::vector<std::string>{"20/12/2004", "15/01/2005", "03/02/2005"}));
  list->Fetch(vek_, false);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(1)->Get(Pagamento::kData), Variant("01/01/2005"));
}

// A row stored before dates were checked (or by another program) makes the list's
// statement fail: the list is empty, never the one of the other kind fetched before.
TEST_F(PagamentoTest, AListWhoseDatesCannotBeReadIsEmptyNotThePreviousOne) {
  Create("01/01/2005", false);
  AddRow("tblPagamento", {{"NroVEK", vek_}, {"OpPróprias", true}, {"Data", "31/02/2020"}});
  auto list = Bound<Pagamentos>();
  list->Fetch(vek_, false);
  EXPECT_EQ(Dates(*list), (std::vector<std::string>{"01/01/2005"}));
  list->Fetch(vek_, true);
  EXPECT_TRUE(swallowed_.Has("Pagamentos.Fetch", 3464));
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->Item(1), nullptr);
}

TEST_F(PagamentoTest, LateBoundKindIsABoolean) {
  Create("15/01/2005", false);
  auto list = CreateObject("Orvalis.Pagamentos");
  testing::Call(*list, "DBIndex", {Variant(path_)});
  testing::Call(*list, "Fetch", {Variant(vek_), Variant("False")});
  EXPECT_EQ(GetProperty(*list, "count"), Variant::Long(1));
}

}  // namespace
}  // namespace orvalis
