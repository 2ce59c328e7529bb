// Referencia and Referencias: declaration headers found by taxpayer and month, the
// engine-given NroVEK read back, and the cascade that goes with deleting a header.
#include "orvalis/records/referencia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;
using testing::kIE;

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

TEST_F(ReferenciaTest, CreateReadsBackTheNumberAndFetchFindsTheHeaderByTaxpayerAndMonth) {
  const Variant nro = CreateHeader(kMarch);
  const Variant april = CreateHeader(kApril);
  ASSERT_EQ(nro.kind(), VariantKind::kLong);
  EXPECT_NE(nro, april);
  EXPECT_EQ(Stored("SELECT * FROM tblVEK WHERE Ref1 = #01/04/2005#", "NroVEK"), april);
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  EXPECT_EQ(header->Get(Referencia::kNroVEK), nro);
  EXPECT_EQ(header->Get(Referencia::kRef1), Variant(kMarch));
  EXPECT_EQ(header->Get(Referencia::kIcmsFixPerRES), Variant(Currency::FromUnits(5)));
  // Only the first 10 characters count: a time part is left out.
  header->Fetch(kIE, "01/04/2005 13:45:00");
  EXPECT_EQ(header->Get(Referencia::kNroVEK), april);
  header->Fetch(kIE, Variant(Date::FromYmd(2005, 3, 1, 13, 45)));
  EXPECT_EQ(header->Get(Referencia::kNroVEK), nro);
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

TEST_F(ReferenciaTest, WithoutAFetchedHeaderUpdateAndDeleteDoNothing) {
  CreateHeader(kMarch);
  auto header = Bound<Referencia>();
  header->Set(Referencia::kIE, kIE);
  header->Set(Referencia::kRef1, kMarch);
  EXPECT_EQ(testing::UpdateThenDelete(*header), 0);  // a fresh object
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 424));
  EXPECT_TRUE(swallowed_.Has("Referencia.Delete", 424));
  header->Fetch(kIE, "01/03/2005");
  header->Fetch(kIE, "01/05/2005");  // a missing header: cleared, no current row
  EXPECT_EQ(AllValues(*header), Cleared());
  header->Set(Referencia::kTransmitida, "S");
  header->Set(Referencia::kRef1, kMarch);
  EXPECT_EQ(testing::UpdateThenDelete(*header), 0);
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 3021));
  EXPECT_TRUE(swallowed_.Has("Referencia.Delete", 3021));
  EXPECT_EQ(Rows("tblVEK WHERE Transmitida = 'S'"), 0);
  // A failing Fetch leaves no recordset: a '#' cannot go between the date's marks.
  header->Fetch(kIE, "01/03/2005");
  header->Fetch(kIE, "1#) Or (1=");
  EXPECT_EQ(header->recordset(), nullptr);
  EXPECT_TRUE(swallowed_.Has("Referencia.Fetch", 13));
  header->Delete();
  EXPECT_TRUE(swallowed_.Has("Referencia.Delete", 424));
  EXPECT_EQ(Rows("tblVEK"), 1);
}

// Two headers may share a taxpayer and a month; the object must hold the one it made.
TEST_F(ReferenciaTest, CreateHoldsTheHeaderItMadeNotAnotherOfTheSameMonth) {
  const Variant first = CreateHeader(kMarch, "N");
  auto header = Bound<Referencia>();
  header->Set(Referencia::kIE, kIE);
  header->Set(Referencia::kRef1, kMarch);
  header->Create();
  const Variant second = header->Get(Referencia::kNroVEK);
  EXPECT_GT(ToLong(second), ToLong(first));
  AddRow("tblDetalhesCFOPs", {{"NroVEK", first}, {"CFOP", "5101"}});
  header->Delete();  // the second header only: the first keeps its details
  EXPECT_EQ(Rows("tblVEK WHERE NroVEK = " + ToText(first)), 1);
  EXPECT_EQ(Rows("tblVEK WHERE NroVEK = " + ToText(second)), 0);
  EXPECT_EQ(Rows("tblDetalhesCFOPs"), 1);
}

// Fetch compares day-first dates, so Ref1 is stored without its time of day; a header
// without a Ref1 could never be found again and is not stored.
TEST_F(ReferenciaTest, Ref1IsStoredAsADayAndANullRef1IsRefused) {
  auto header = Bound<Referencia>();
  header->Set(Referencia::kIE, kIE);
  header->Set(Referencia::kRef1, Date::FromYmd(2005, 3, 1, 13, 45));
  header->Create();
  EXPECT_EQ(header->Get(Referencia::kRef1), Variant(kMarch));
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kMarch));
  header->Set(Referencia::kRef1, "01/04/2005 10:30:00");
  header->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kApril));
  header->Fetch(kIE, "01/04/2005");
  EXPECT_EQ(header->Get(Referencia::kRef1), Variant(kApril));

  header->Set(Referencia::kRef1, Variant::Null());
  header->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kApril));
  header->Create();
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 94));
  EXPECT_TRUE(swallowed_.Has("Referencia.Create", 94));
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
}

TEST_F(ReferenciaTest, DeletingAHeaderDeletesEveryDetailOfIt) {
  const Variant nro = CreateHeader(kMarch);
  const Variant kept = CreateHeader(kApril);
  for (const Variant& vek : {nro, kept}) {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", vek}, {"CFOP", "5101"}});
    AddRow("tblOcorrências", {{"NroVEK", vek}, {"CódSubItem", "002.1"}, {"Valor", 10}});
    AddRow("tblPagamento", {{"NroVEK", vek}, {"Data", "15/03/2005"}});
    AddRow("tblRegistroExportação", {{"NroVEK", vek}, {"RE", "123"}});
  }
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
  // The last operation is named MoveLast.
  auto late = CreateObject("Orvalis.Referencias");
  testing::Call(*late, "DBIndex", {Variant(path_)});
  testing::Call(*late, "Fetch", {Variant(kIE)});
  EXPECT_EQ(testing::Call(*late, "movelast"), Variant(false));
  testing::Call(*late, "MoveNext");
  EXPECT_EQ(testing::Call(*late, "MoveLast"), Variant(true));
}

}  // namespace
}  // namespace orvalis
