// Caller values on their way into statements and rows: a number written as text addresses
// the row that a write of the same text stores, a text holding a NUL never enters, and
// caller SQL cannot carry parameters that nothing binds.
#include <gtest/gtest.h>

#include "orvalis/records/cfop.h"
#include "records_fixture.h"

namespace orvalis::testing {
namespace {

class ValuePlacementTest : public RecordsTest {
 protected:
  ValuePlacementTest() {
    for (int i = 0; i < 20; ++i) AddDeclaration("1");
  }
  int32_t Cfops(const std::string& where) { return Rows("tblDetalhesCFOPs WHERE " + where); }
};

TEST_F(ValuePlacementTest, ANumberWrittenAsTextAddressesOneDeclaration) {
  // "2.0" reads as 20 (the full stop groups thousands), in a statement as in a row.
  EXPECT_EQ(SqlBareValue(Variant("2.0")), "20");
  EXPECT_EQ(SqlBareValue(Variant("1.234,5")), ToText(Variant(1234.5)));
  EXPECT_EQ(SqlBareValue(Variant("True")), "True");
  EXPECT_EQ(ErrorOf([] { SqlBareValue(Variant("2) Or (1=1")); }), 13);

  CFOP row;
  row.DBIndex(path_);
  row.Set(CFOP::kNroVEK, Variant("2.0"));
  row.Set(CFOP::kCFOP, Variant("5101"));
  row.Create();
  EXPECT_EQ(Cfops("NroVEK = 20"), 1);
  EXPECT_EQ(row.Get(CFOP::kNroVEK), Variant::Long(20));  // reloaded from the row it stored
  row.Fetch(Variant("2.0"), Variant("5101"));
  EXPECT_EQ(row.Get(CFOP::kCFOP), Variant("5101"));
  row.Delete();
  EXPECT_EQ(Cfops("NroVEK = 20"), 0);
}

TEST_F(ValuePlacementTest, ATextWithANulNeverEntersAndCallerParametersAreRefused) {
  CFOP row;
  row.DBIndex(path_);
  row.Set(CFOP::kNroVEK, Variant::Long(1));
  row.Set(CFOP::kCFOP, Variant(std::string("51\0"
                                           "01",
                                           5)));
  row.Create();
  row.Fetch(Variant::Long(1), Variant(std::string("51\0"
                                                  "01",
                                                  5)));
  EXPECT_TRUE(swallowed_.Has("CFOP.Create", 13));
  EXPECT_TRUE(swallowed_.Has("CFOP.Fetch", 13));
  EXPECT_EQ(Cfops("NroVEK = 1"), 0);
  EXPECT_EQ(ErrorOf([&] { db_->Execute(std::string("DELETE FROM tblVEK\0 WHERE 1", 28)); }), 13);

  // Raw parameters in caller SQL are a syntax error, never a silent match of nothing.
  for (const char* sql :
       {"SELECT * FROM tblVEK WHERE NroVEK = ?", "SELECT * FROM tblVEK WHERE IE = :ie",
        "SELECT * FROM tblVEK WHERE IE = @ie", "SELECT * FROM tblVEK WHERE IE = $ie"}) {
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(sql); }), 3075) << sql;
  }
  // In a text they are just characters.
  EXPECT_TRUE(db_->OpenRecordset("SELECT * FROM tblVEK WHERE IE = '?:@$'")->IsEof());
}

}  // namespace
}  // namespace orvalis::testing
