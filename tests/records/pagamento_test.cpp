// Pagamento and Pagamentos: payments with an engine-given PagtoID, listed in the order of
// their date, and only real day-first dates stored.
#include "orvalis/records/pagamento.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using P = Pagamento;

class PagamentoTest : public testing::RecordsTest {
 protected:
  // A payment of the fixture's declaration made through the class, left holding it.
  std::shared_ptr<Pagamento> Create(const Variant& date, bool own, const Variant& value = 100) {
    return Created<P>(
        {{P::kNroVEK, vek_}, {P::kData, date}, {P::kOpPróprias, own}, {P::kValor, value}});
  }
  Variant StoredPayment(const char* column) { return Stored("SELECT * FROM tblPagamento", column); }

  int32_t vek_ = AddDeclaration();
};

TEST_F(PagamentoTest, CreateReadsBackOnlyThePagtoIDAndWritesGoToThatPayment) {
  auto created = Create("03/02/2005", false, "1.234,56");
  const Variant id = created->Get(P::kPagtoID);
  ASSERT_EQ(id.kind(), VariantKind::kLong);
  EXPECT_EQ(created->Get(P::kValor), Variant("1.234,56"));  // not reloaded
  EXPECT_EQ(StoredPayment("Valor"), Variant(Currency::FromRaw(12345600)));

  auto payment = Bound<Pagamento>();
  const std::vector<Variant> cleared = testing::AllValues(*payment);
  payment->Fetch(id);
  EXPECT_EQ(payment->Get(P::kData), Variant("03/02/2005"));
  EXPECT_EQ(payment->Get(P::kOpPróprias), Variant(false));
  payment->Set(P::kValor, 75);
  payment->Update();
  EXPECT_EQ(StoredPayment("Valor"), Variant(Currency::FromUnits(75)));
  payment->Fetch(ToLong(id) + 1);
  EXPECT_EQ(testing::AllValues(*payment), cleared);
  payment->Set(P::kData, "04/02/2005");  // PagtoID -1 matches no row
  EXPECT_EQ(testing::UpdateThenDelete(*payment), 0);
  EXPECT_TRUE(swallowed_.Has("Pagamento.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Pagamento.Delete", 3021));
  EXPECT_EQ(StoredPayment("Data"), Variant("03/02/2005"));
  created->Delete();
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
  auto payment = Create("03/02/2005", true);
  for (const Case& c : refused) {
    payment->Set(P::kData, c.data);
    payment->Create();
    payment->Update();
    EXPECT_TRUE(swallowed_.Has("Pagamento.Create", c.error)) << ToText(c.data);
    EXPECT_TRUE(swallowed_.Has("Pagamento.Update", c.error)) << ToText(c.data);
  }
  EXPECT_EQ(Rows("tblPagamento"), 1);
  EXPECT_EQ(StoredPayment("Data"), Variant("03/02/2005"));
  payment->Set(P::kData, "5/2/05");
  payment->Update();
  EXPECT_EQ(StoredPayment("Data"), Variant("5/2/05"));
}

// A row stored before dates were checked (or by another program) makes the list's
// statement fail: the list is empty, never the one of the other kind fetched before.
TEST_F(PagamentoTest, AListWhoseDatesCannotBeReadIsEmptyNotThePreviousOne) {
  Create("01/01/2005", false);
  AddRow("tblPagamento", {{"NroVEK", vek_}, {"OpPróprias", true}, {"Data", "31/02/2020"}});
  auto list = Bound<Pagamentos>();
  list->Fetch(vek_, false);
  EXPECT_EQ(list->Count(), 1);
  list->Fetch(vek_, true);
  EXPECT_TRUE(swallowed_.Has("Pagamentos.Fetch", 3464));
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->Item(1), nullptr);
}

}  // namespace
}  // namespace orvalis
