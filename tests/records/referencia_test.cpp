// Referencia and Referencias: declaration headers found by taxpayer and month, the
// engine-given NroVEK read back, Ref1 kept as a day, and writes only on the row that the
// last Fetch or Create left current.
#include "orvalis/records/referencia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::kIE;

const Date kMarch = Date::FromYmd(2005, 3, 1);
const Date kApril = Date::FromYmd(2005, 4, 1);

class ReferenciaTest : public testing::RecordsTest {
 protected:
  ReferenciaTest() { AddTaxpayer(kIE); }

  // A header of the fixture's taxpayer made through the class, left holding it.
  std::shared_ptr<Referencia> CreateHeader(const Variant& ref1) {
    return Created<Referencia>({{Referencia::kIE, kIE},
                                {Referencia::kRef1, ref1},
                                {Referencia::kTransmitida, "N"},
                                {Referencia::kIcmsFixPerRES, "5"},
                                {Referencia::kSaldoCredAntDigST, "3"}});
  }
  Variant StoredOf(const Variant& nro, const char* column) {
    return Stored("SELECT * FROM tblVEK WHERE NroVEK = " + ToText(nro), column);
  }
};

TEST_F(ReferenciaTest, CreateReadsBackTheNumberAndFetchFindsTheHeaderByTaxpayerAndMonth) {
  const Variant march = CreateHeader(kMarch)->Get(Referencia::kNroVEK);
  const Variant april = CreateHeader(kApril)->Get(Referencia::kNroVEK);
  ASSERT_EQ(march.kind(), VariantKind::kLong);
  EXPECT_EQ(Stored("SELECT * FROM tblVEK WHERE Ref1 = #01/04/2005#", "NroVEK"), april);
  auto header = Bound<Referencia>();
  header->Fetch(kIE, "01/03/2005");
  EXPECT_EQ(header->Get(Referencia::kNroVEK), march);
  EXPECT_EQ(header->Get(Referencia::kIcmsFixPerRES), Variant(Currency::FromUnits(5)));
  // Only the first 10 characters count: a time part is left out.
  header->Fetch(kIE, "01/04/2005 13:45:00");
  EXPECT_EQ(header->Get(Referencia::kNroVEK), april);
  header->Fetch(kIE, Variant(Date::FromYmd(2005, 3, 1, 13, 45)));
  EXPECT_EQ(header->Get(Referencia::kNroVEK), march);
  // Update writes the fetched row, IE and Ref1 included, and keeps its number.
  header->Set(Referencia::kTransmitida, "S");
  header->Set(Referencia::kRef1, Date::FromYmd(2005, 5, 1));
  header->Update();
  EXPECT_EQ(StoredOf(march, "Transmitida"), Variant("S"));
  EXPECT_EQ(StoredOf(march, "Ref1"), Variant(Date::FromYmd(2005, 5, 1)));
}

// Two headers may share a taxpayer and a month; the object must hold the one it made.
TEST_F(ReferenciaTest, CreateHoldsTheHeaderItMadeNotAnotherOfTheSameMonth) {
  const Variant first = CreateHeader(kMarch)->Get(Referencia::kNroVEK);
  auto header = CreateHeader(kMarch);
  const Variant second = header->Get(Referencia::kNroVEK);
  EXPECT_GT(ToLong(second), ToLong(first));
  header->Delete();  // the second header only
  EXPECT_EQ(Rows("tblVEK WHERE NroVEK = " + ToText(first)), 1);
  EXPECT_EQ(Rows("tblVEK"), 1);
}

TEST_F(ReferenciaTest, WithoutAFetchedHeaderUpdateAndDeleteDoNothing) {
  CreateHeader(kMarch);
  auto header = Holding<Referencia>({{Referencia::kIE, kIE}, {Referencia::kRef1, kMarch}});
  EXPECT_EQ(testing::UpdateThenDelete(*header), 0);  // a fresh object
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 424));
  EXPECT_TRUE(swallowed_.Has("Referencia.Delete", 424));
  const std::vector<Variant> cleared = testing::AllValues(*Bound<Referencia>());
  header->Fetch(kIE, "01/03/2005");
  header->Fetch(kIE, "01/05/2005");  // a missing header: cleared, no current row
  EXPECT_EQ(testing::AllValues(*header), cleared);
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

// Fetch compares day-first dates, so Ref1 is stored without its time of day; a header
// without a Ref1 could never be found again and is not stored.
TEST_F(ReferenciaTest, Ref1IsStoredAsADayAndANullRef1IsRefused) {
  auto header = CreateHeader(Date::FromYmd(2005, 3, 1, 13, 45));
  EXPECT_EQ(header->Get(Referencia::kRef1), Variant(kMarch));
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kMarch));
  header->Set(Referencia::kRef1, "01/04/2005 10:30:00");
  header->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kApril));

  header->Set(Referencia::kRef1, Variant::Null());
  header->Update();
  EXPECT_EQ(Stored("SELECT * FROM tblVEK", "Ref1"), Variant(kApril));
  header->Create();
  EXPECT_TRUE(swallowed_.Has("Referencia.Update", 94));
  EXPECT_TRUE(swallowed_.Has("Referencia.Create", 94));
  EXPECT_EQ(Rows("tblVEK"), 1);
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
}

}  // namespace
}  // namespace orvalis
