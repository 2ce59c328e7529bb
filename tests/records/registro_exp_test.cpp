// RegistroExp and RegistroExps: export registers, whose record keeps its recordset between
// operations and matches its number as a pattern, and whose list walks by the end-of-file
// mark.
#include "orvalis/records/registro_exp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using R = RegistroExp;

class RegistroExpTest : public testing::RecordsTest {
 protected:
  RegistroExpTest() {
    for (const char* re : {"123", "129", "456"}) {
      AddRow("tblRegistroExportação", {{"NroVEK", Variant(vek_)}, {"RE", Variant(re)}});
    }
  }
  std::string StoredNumbers() {
    std::string numbers;
    auto rs = db_->OpenRecordset("SELECT RE FROM tblRegistroExportação ORDER BY RE");
    for (; !rs->IsEof(); rs->MoveNext()) numbers += ToText(rs->GetValue("RE")) + " ";
    return numbers;
  }

  int32_t vek_ = AddDeclaration();
};

TEST_F(RegistroExpTest, FetchOfNothingKeepsTheValuesAndUpdateRenumbersTheFetchedRowOnce) {
  auto record = Bound<RegistroExp>();
  record->Fetch(vek_, "12*");
  EXPECT_EQ(record->Get(R::kRE), Variant("123"));  // the first in RE order
  record->Fetch(vek_, "999");
  EXPECT_EQ(record->Get(R::kRE), Variant("123"));
  record->Update();  // the values stay, but no row is current
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Update", 3021));
  record->Fetch(vek_, "123");
  record->Set(R::kRE, "124");
  record->Update();
  EXPECT_EQ(StoredNumbers(), "124 129 456 ");
  record->Set(R::kRE, "125");
  record->Update();  // the recordset was closed by the first Update
  EXPECT_EQ(StoredNumbers(), "124 129 456 ");
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Update", 3420));
}

TEST_F(RegistroExpTest, CreateKeepsTheNewRowForAFollowingUpdate) {
  auto record = Created<R>({{R::kNroVEK, vek_}, {R::kRE, "777"}});
  record->Set(R::kRE, "778");
  record->Update();
  EXPECT_EQ(StoredNumbers(), "123 129 456 778 ");
  record->Set(R::kRE, "779");
  record->Create();
  record->Create();  // the same key again: refused, nothing added
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Create", 3022));
  EXPECT_EQ(Rows("tblRegistroExportação"), 5);
}

TEST_F(RegistroExpTest, DeleteRemovesTheFirstMatchAndNothingForAMissingOne) {
  auto record = Holding<R>({{R::kNroVEK, vek_}, {R::kRE, "1*"}});
  record->Delete();
  EXPECT_EQ(StoredNumbers(), "129 456 ");
  EXPECT_EQ(record->Get(R::kRE), Variant("1*"));
  record->Set(R::kRE, "999");
  EXPECT_EQ(testing::ErrorOf([&] { record->Delete(); }), 0);
  record->Update();  // after a Delete: nothing current
  EXPECT_EQ(StoredNumbers(), "129 456 ");
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Delete", 3021));
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Update", 3021));
}

TEST_F(RegistroExpTest, PastTheEndOnlyItemOrANewFetchStartsOver) {
  auto list = Bound<RegistroExps>();
  list->Fetch(vek_);
  for (auto item = list->MoveFirst(); !list->Last(); item = list->MoveNext()) {
  }
  EXPECT_EQ(list->MoveFirst(), nullptr);
  EXPECT_EQ(list->MovePrevious(), nullptr);
  EXPECT_TRUE(list->recordset()->IsEof());  // not moved
  EXPECT_EQ(list->Item(1)->Get(R::kRE), Variant("123"));
  EXPECT_FALSE(list->Last());
  EXPECT_EQ(list->Count(), 3);
}

}  // namespace
}  // namespace orvalis
