// RegistroExp and RegistroExps: export registers, whose record keeps its recordset
// between operations, and whose list walks by the end-of-file mark.
#include "orvalis/records/registro_exp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::AllValues;

class RegistroExpTest : public testing::RecordsTest {
 protected:
  RegistroExpTest() {
    for (const char* re : {"123", "129", "456"}) {
      AddRow("tblRegistroExportação", {{"NroVEK", Variant(vek_)}, {"RE", Variant(re)}});
    }
  }
  std::vector<std::string> StoredNumbers() {
    std::vector<std::string> numbers;
    auto rs = db_->OpenRecordset("SELECT RE FROM tblRegistroExportação ORDER BY RE");
    for (; !rs->IsEof(); rs->MoveNext()) numbers.push_back(ToText(rs->GetValue("RE")));
    return numbers;
  }
  static std::vector<std::string> Walk(RegistroExps& list) {
    std::vector<std::string> seen;
    for (auto item = list.MoveFirst(); !list.Last(); item = list.MoveNext()) {
      seen.push_back(ToText(item->Get(RegistroExp::kRE)));
    }
    return seen;
  }

  int32_t vek_ = AddDeclaration();
};

// ---- RegistroExp ------------------------------------------------------------------------

TEST_F(RegistroExpTest, ClearedHoldsZerosAndAFetchOfNothingKeepsTheValues) {
  auto record = Bound<RegistroExp>();
  EXPECT_EQ(AllValues(*record), (std::vector<Variant>{Variant::Integer(0), Variant::Integer(0)}));
  record->Fetch(vek_, "12*");
  EXPECT_EQ(record->Get(RegistroExp::kRE), Variant("123"));  // the first in RE order
  record->Fetch(vek_, "999");
  EXPECT_EQ(record->Get(RegistroExp::kRE), Variant("123"));
  EXPECT_EQ(record->Get(RegistroExp::kNroVEK), Variant(vek_));
  record->Clear();
  EXPECT_EQ(record->Get(RegistroExp::kRE), Variant::Integer(0));
}

TEST_F(RegistroExpTest, UpdateRenumbersTheFetchedRowOnce) {
  auto record = Bound<RegistroExp>();
  record->Fetch(vek_, "123");
  record->Set(RegistroExp::kRE, "124");
  record->Update();
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"124", "129", "456"}));
  record->Set(RegistroExp::kRE, "125");
  record->Update();  // the recordset was closed by the first Update
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"124", "129", "456"}));
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Update", 3420));
}

TEST_F(RegistroExpTest, CreateKeepsTheNewRowForAFollowingUpdate) {
  auto record = Bound<RegistroExp>();
  record->Set(RegistroExp::kNroVEK, vek_);
  record->Set(RegistroExp::kRE, "777");
  record->Create();
  EXPECT_EQ(record->recordset()->GetValue("RE"), Variant("777"));
  record->Set(RegistroExp::kRE, "778");
  record->Update();
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"123", "129", "456", "778"}));
  record->Set(RegistroExp::kRE, "779");
  record->Create();
  record->Create();  // the same key again: refused, nothing added
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Create", 3022));
  EXPECT_EQ(Rows("tblRegistroExportação"), 5);
}

TEST_F(RegistroExpTest, DeleteRemovesTheFirstMatchAndNothingForAMissingOne) {
  auto record = Bound<RegistroExp>();
  record->Set(RegistroExp::kNroVEK, vek_);
  record->Set(RegistroExp::kRE, "1*");
  record->Delete();
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"129", "456"}));
  EXPECT_EQ(record->Get(RegistroExp::kRE), Variant("1*"));
  record->Set(RegistroExp::kRE, "999");
  EXPECT_EQ(testing::ErrorOf([&] { record->Delete(); }), 0);
  record->Update();  // after a Delete: nothing current
  EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"129", "456"}));
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Delete", 3021));
  EXPECT_TRUE(swallowed_.Has("RegistroExp.Update", 3021));
}

TEST_F(RegistroExpTest, ANumberWithAQuoteIsMatchedAsItStands) {
  auto record = Bound<RegistroExp>();
  record->Set(RegistroExp::kNroVEK, vek_);
  record->Set(RegistroExp::kRE, "12'3");
  record->Create();
  record->Fetch(vek_, "12'*");
  EXPECT_EQ(record->Get(RegistroExp::kRE), Variant("12'3"));
  record->Delete();
  EXPECT_EQ(Rows("tblRegistroExportação"), 3);
}

// ---- RegistroExps -----------------------------------------------------------------------

TEST_F(RegistroExpTest, TheListIsInREOrderAndFiltersByPattern) {
  AddRow("tblRegistroExportação", {{"NroVEK", Variant(vek_)}, {"RE", Variant("100")}});
  auto list = Bound<RegistroExps>();
  list->Fetch(vek_);
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"100", "123", "129", "456"}));
  list->Fetch(vek_, "12*");
  EXPECT_EQ(Walk(*list), (std::vector<std::string>{"123", "129"}));
}

TEST_F(RegistroExpTest, PastTheEndOnlyItemOrANewFetchStartsOver) {
  auto list = Bound<RegistroExps>();
  list->Fetch(vek_);
  Walk(*list);
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->MoveFirst(), nullptr);
  EXPECT_EQ(list->MovePrevious(), nullptr);
  EXPECT_EQ(list->Item(1)->Get(RegistroExp::kRE), Variant("123"));
  EXPECT_FALSE(list->Last());
  EXPECT_EQ(list->Count(), 3);

  list->Fetch(vek_, "9*");
  EXPECT_TRUE(list->Last());
  EXPECT_EQ(list->MoveFirst(), nullptr);
}

}  // namespace
}  // namespace orvalis
