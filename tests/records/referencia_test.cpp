// Referencia and Referencias: declaration headers found by taxpayer and month, the
// engine-given NroVEK read back, and the cascade that goes with deleting a header.
#include "orvalis/records/referencia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "orvalis/records/cfop.h"
#include "orvalis/records/ocorrencia.h"
#include "orvalis/records/pagamento.h"
#include "orvalis/records/registro_exp.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using testing::kIE;
using testing::MemberNames;

const Date kMarch = Date::FromYmd(2005, 3, 1);
const Date kApril = Date::FromYmd(2005, 4, 1);

std::vector<Variant> Cleared() {
  std::vector<Variant> values(14, Variant::Null());
  for (size_t zero : {Referencia::kNroVEK, Referencia::kSaldoCredor, Referencia::kSaldoCredAntDig,
                      Referencia::kSaldoCredAntDigST, Referencia::kTransmitida}) {
    values[zero] = Variant::Integer(0);
  }
  values[Referencia::kTipo] = Variant::Integer(1);
  values[Referencia::kMovimento] = Variant(false);
  return values;
}

class ReferenciaTest : public testing::RecordsTest {
 protected:
  ReferenciaTest() { AddTaxpayer(kIE); }

  // A header of the fixture's taxpayer made through the class; its NroVEK.
  Variant CreateHeader(Date ref1, const Variant& transmitida = Variant("N")) {
    auto header = Bound<Referencia>();
    header->Set(Referencia::kIE, kIE);
    header->Set(Referencia::kRef1, ref1);
    header->Set(Referencia::kTransmitida, transmitida);
    header->Set(Referencia::kIcmsFixPerRES, "5");
    header->Set(Referencia::kSaldoCredAntDigST, "3");
    header->Create();
    return header->Get(Referencia::kNroVEK);
  }
};

// ---- Referencia -------------------------------------------------------------------------

TEST_F(ReferenciaTest, NewAndClearedObjectsHoldTheDefaults) {
  auto header = std::make_shared<Referencia>();
  EXPECT_EQ(AllValues(*header), Cleared());
  header->Set(Referencia::kTipo, 2);
  header->Clear();
  EXPECT_EQ(AllValues(*header), Cleared());
}

TEST_F(ReferenciaTest, CreateReadsBackTheNumberTheEngineGave) {
  const Variant first = CreateHeader(kMarch);
  const Variant second = CreateHeader(kApril);
  ASSERT_EQ(first.kind(), VariantKind::kLong);
  EXPECT_NE(first, second);
  EXPECT_EQ(Stored("SELECT * FROM tblVEK WHERE Ref1 = #01/04/2005#", "NroVEK"), second);
  EXPECT_TRUE(swallowed_.reports().empty());
}

TEST_F(ReferenciaTest, FetchFindsTheHeaderByTaxpayerAndMonth) {
  const Variant nro = CreateHeader(kMarch);
  CreateHeader(kApril);
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  EXPECT_EQ(header->Get(Referencia::kNroVEK), nro);
  EXPECT_EQ(header->Get(Referencia::kRef1), Variant(kMarch));
  EXPECT_EQ(header->Get(Referencia::kIcmsFixPerRES), Variant(Currency::FromUnits(5)));
  EXPECT_EQ(header->recordset()->Source(),
            std::string("Select * from tblVEK Where (IE='") + kIE + "') And(Ref1 = #01/03/2005#)");
  // Only the first 10 characters count: a time part is left out.
  header->Fetch(kIE, "01/04/2005 13:45:00");
  EXPECT_NE(header->Get(Referencia::kNroVEK), nro);
  header->Fetch(kIE, Variant(Date::FromYmd(2005, 3, 1, 13, 45)));
  EXPECT_EQ(header->Get(Referencia::kNroVEK), nro);
}

TEST_F(ReferenciaTest, FetchOfAMissingHeaderClearsAndLeavesNoCurrentRow) {
  CreateHeader(kMarch);
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  header->Fetch(kIE, "01/05/2005");
  EXPECT_EQ(AllValues(*header), Cleared());
  header->Set(Referencia::kTransmitida, "S");
  header->Update();
  header->Delete();
  EXPECT_EQ(Rows("tblVEK WHERE Transmitida = 'S'"), 0);
  EXPECT_EQ(Rows("tblVEK"), 1);
}

TEST_F(ReferenciaTest, UpdateAfterFetchWritesThatRowAndKeepsItsNumber) {
  const Variant nro = CreateHeader(kMarch, "N");
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  header->Set(Referencia::kTransmitida, "S");
  header->Set(Referencia::kRef1, kApril);  // a header can move to another month
  header->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Transmitida"), Variant("S"));
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kApril));
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "NroVEK"), nro);
}

TEST_F(ReferenciaTest, UpdateAndDeleteOnAFreshObjectDoNothing) {
  CreateHeader(kMarch);
  auto header = Bound<Referencia>();
  header->Set(Referencia::kIE, kIE);
  EXPECT_EQ(testing::UpdateThenDelete(*header), 0);
  EXPECT_EQ(Rows("tblVEK"), 1);
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 424));
}

TEST_F(ReferenciaTest, AFailingFetchLeavesNoRecordset) {
  CreateHeader(kMarch);
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  ASSERT_NE(header->recordset(), nullptr);
  header->Fetch(kIE, "1#) Or (1=");  // a '#' cannot go between the date's marks
  EXPECT_EQ(header->recordset(), nullptr);
  EXPECT_TRUE(swallowed_.Has("Referencia.Fetch", 13));
  header->Delete();  // nothing current to delete
  EXPECT_EQ(Rows("tblVEK"), 1);
}

TEST_F(ReferenciaTest, ATaxpayerWithAQuoteInItsIEIsFound) {
  AddTaxpayer("12'3");
  auto header = Bound<Referencia>();
  header->Set(Referencia::kIE, "12'3");
  header->Set(Referencia::kRef1, kMarch);
  header->Create();
  EXPECT_EQ(header->Get(Referencia::kNroVEK).kind(), VariantKind::kLong);
  auto headers = Bound<Referencias>();
  headers->Fetch("12'3");
  EXPECT_EQ(headers->Count(), 1);
  EXPECT_TRUE(swallowed_.reports().empty());
}

TEST_F(ReferenciaTest, DeletingAHeaderDeletesEveryDetailOfIt) {
  const Variant nro = CreateHeader(kMarch);
  const Variant kept = CreateHeader(kApril);
  for (const Variant& vek : {nro, kept}) {
    auto cfop = Bound<CFOP>();
    cfop->Set(CFOP::kNroVEK, vek);
    cfop->Set(CFOP::kCFOP, "5101");
    cfop->Create();
    auto occurrence = Bound<Ocorrência>();
    occurrence->Set(Ocorrência::kNroVEK, vek);
    occurrence->Set(Ocorrência::kCódSubItem, "002.1");
    occurrence->Set(Ocorrência::kValor, 10);
    occurrence->Create();
    auto payment = Bound<Pagamento>();
    payment->Set(Pagamento::kNroVEK, vek);
    payment->Set(Pagamento::kData, "15/03/2005");
    payment->Create();
    auto register_ = Bound<RegistroExp>();
    register_->Set(RegistroExp::kNroVEK, vek);
    register_->Set(RegistroExp::kRE, "123");
    register_->Create();
  }
  ASSERT_TRUE(swallowed_.reports().empty());

  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  header->Delete();
  const std::string of_kept = " WHERE NroVEK = " + ToText(kept);
  for (const char* table :
       {"tblVEK", "tblDetalhesCFOPs", "tblOcorrências", "tblPagamento", "tblRegistroExportação"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(Rows(table), 1);
    EXPECT_EQ(Rows(table + of_kept), 1);
  }
}

// ---- Referencias ------------------------------------------------------------------------

TEST_F(ReferenciaTest, CollectionListsTheTaxpayersHeaders) {
  CreateHeader(kMarch);
  CreateHeader(kApril);
  AddDeclaration("999", kMarch);
  auto headers = Bound<Referencias>();
  headers->Fetch(kIE);
  EXPECT_EQ(headers->Count(), 2);
  EXPECT_EQ(headers->recordset()->Source(),
            std::string("Select * from tblVEK Where (IE='") + kIE + "')");
  headers->Fetch(kIE, "01/04/2005");
  EXPECT_EQ(headers->Count(), 1);
  EXPECT_EQ(headers->MoveFirst()->Get(Referencia::kRef1), Variant(kApril));
}

TEST_F(ReferenciaTest, ItemLeavesTheFourUnlistedColumnsAtTheirDefaults) {
  CreateHeader(kMarch);
  auto headers = Bound<Referencias>();
  headers->Fetch(kIE);
  auto item = headers->MoveFirst();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Get(Referencia::kTransmitida), Variant("N"));
  EXPECT_TRUE(item->Get(Referencia::kIcmsFixPerRES).IsNull());
  EXPECT_EQ(item->Get(Referencia::kSaldoCredAntDigST), Variant::Integer(0));
  EXPECT_FALSE(headers->MoveLast());
  EXPECT_EQ(headers->MoveNext(), nullptr);
  EXPECT_TRUE(headers->MoveLast());
}

TEST_F(ReferenciaTest, LateBoundMembersNameTheLastOperationMoveLast) {
  auto headers = CreateObject("Orvalis.Referencias");
  EXPECT_EQ(MemberNames(*headers),
            (std::vector<std::string>{"DBIndex", "Item", "Fetch", "MovePrevious", "MoveNext",
                                      "MoveFirst", "MoveLast", "Conjunto", "Count"}));
  EXPECT_EQ(MemberNames(*CreateObject("Orvalis.Referencia")),
            (std::vector<std::string>{"DBIndex",
                                      "Fetch",
                                      "Create",
                                      "Delete",
                                      "Update",
                                      "Clear",
                                      "NroVEK",
                                      "IE",
                                      "Tipo",
                                      "RegTrib",
                                      "Ref1",
                                      "Ref2",
                                      "Movimento",
                                      "SaldoCredor",
                                      "SaldoCredAntDig",
                                      "SaldoCredAntDigST",
                                      "Transmitida",
                                      "Origem",
                                      "OrigemPrefDig",
                                      "IcmsFixPerRES"}));
  testing::Call(*headers, "DBIndex", {Variant(path_)});
  testing::Call(*headers, "Fetch", {Variant(kIE)});
  EXPECT_EQ(testing::Call(*headers, "movelast"), Variant(true));
}

}  // namespace
}  // namespace orvalis
