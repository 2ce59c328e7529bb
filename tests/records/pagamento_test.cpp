// Pagamento and Pagamentos: payments with an engine-given PagtoID, listed by kind in the
// order of their date.
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
  return {Variant::Integer(0), Variant::Integer(-1), Variant(true), Variant(""),
          Variant::Integer(0)};
}

class PagamentoTest : public testing::RecordsTest {
 protected:
  // A payment of the fixture's declaration made through the class; its PagtoID.
  Variant Create(const char* date, bool own, const Variant& value = Variant("100")) {
    auto payment = Bound<Pagamento>();
    payment->Set(Pagamento::kNroVEK, vek_);
    payment->Set(Pagamento::kData, date);
    payment->Set(Pagamento::kOpPróprias, own);
    payment->Set(Pagamento::kValor, value);
    payment->Create();
    return payment->Get(Pagamento::kPagtoID);
  }

  int32_t vek_ = AddDeclaration();
};

// ---- Pagamento --------------------------------------------------------------------------

TEST_F(PagamentoTest, CreateReadsBackOnlyThePagtoID) {
  auto payment = Bound<Pagamento>();
  EXPECT_EQ(AllValues(*payment), Cleared());
  payment->Set(Pagamento::kNroVEK, vek_);
  payment->Set(Pagamento::kData, "15/01/2005");
  payment->Set(Pagamento::kValor, "1.234,56");
  payment->Create();
  const Variant id = payment->Get(Pagamento::kPagtoID);
  ASSERT_EQ(id.kind(), VariantKind::kLong);
  EXPECT_EQ(payment->Get(Pagamento::kValor), Variant("1.234,56"));  // not reloaded
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Valor"), Variant(Currency::FromRaw(12345600)));
  EXPECT_NE(Create("16/01/2005", true), id);
  EXPECT_TRUE(swallowed_.reports().empty());
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
  payment->Set(Pagamento::kValor, 1);
  EXPECT_EQ(testing::UpdateThenDelete(*payment), 0);
  EXPECT_EQ(Stored("SELECT * FROM tblPagamento", "Valor"), Variant(Currency::FromUnits(75)));
  EXPECT_EQ(Rows("tblPagamento"), 1);
  payment->Fetch(id);
  payment->Delete();
  EXPECT_EQ(Rows("tblPagamento"), 0);
}

// ---- Pagamentos -------------------------------------------------------------------------

TEST_F(PagamentoTest, TheListHoldsOneKindInDateOrderNotTextOrder) {
  for (const char* date : {"03/02/2005", "15/01/2005", "20/12/2004"}) Create(date, true);
  Create("01/01/2005", false);
  auto list = Bound<Pagamentos>();
  list->Fetch(vek_, true);
  std::vector<std::string> dates;
  for (auto item = list->MoveFirst(); !list->Last(); item = list->MoveNext()) {
    dates.push_back(ToText(item->Get(Pagamento::kData)));
  }
  EXPECT_EQ(dates, (std::vector<std::string>{"20/12/2004", "15/01/2005", "03/02/2005"}));
  EXPECT_EQ(list->recordset()->Source(),
            "SELECT * FROM tblPagamento WHERE ((NroVEK = " + std::to_string(vek_) +
                ") And ( opPróprias)) ORDER BY cdate(Data)");
  list->Fetch(vek_, false);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(1)->Get(Pagamento::kData), Variant("01/01/2005"));
  EXPECT_EQ(list->recordset()->Source(),
            "SELECT * FROM tblPagamento WHERE ((NroVEK = " + std::to_string(vek_) +
                ") And (NOT  opPróprias)) ORDER BY cdate(Data)");
}

TEST_F(PagamentoTest, AListOverNoRowsAndAWalkPastTheEnd) {
  auto list = Bound<Pagamentos>();
  list->Fetch(vek_, true);
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->MoveFirst(), nullptr);
  Create("15/01/2005", true);
  list->Fetch(vek_, true);
  EXPECT_NE(list->MoveFirst(), nullptr);
  EXPECT_EQ(list->MoveNext(), nullptr);
  EXPECT_EQ(list->MovePrevious(), nullptr);  // past the end: no move back
  EXPECT_TRUE(list->Last());
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
