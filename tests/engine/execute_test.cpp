// Action statements a caller sends through Execute: an INSERT stores its values as the
// columns keep them and gets the numbers the engine gives every new row.
#include <gtest/gtest.h>

#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

TEST(ExecuteTest, AnInsertConvertsItsValuesAndNumbersItsRows) {
  TempDir dir;
  auto workspace = NewWorkspace();
  auto db = NewDeclarationFile(*workspace, dir.File("x.mdb"));
  db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
  for (int i = 0; i < 3; ++i) db->Execute("INSERT INTO tblVEK (IE) VALUES ('1')");
  db->Execute("DELETE FROM tblVEK WHERE NroVEK = 3");  // the highest number is not given again
  db->Execute(
      "INSERT INTO tblOcorrências (NroVEK, CódSubItem, Valor) VALUES (1, 'a', '1.234,5'), (2, "
      "'b', 3000)");
  auto header = db->OpenRecordset("tblVEK");
  header->AddNew();
  header->SetValue("IE", Variant("1"));
  header->Update();
  auto numbers = db->OpenRecordset("SELECT NroVEK FROM tblVEK ORDER BY NroVEK");
  std::vector<int32_t> seen;
  for (; !numbers->IsEof(); numbers->MoveNext())
    seen.push_back(ToLong(numbers->GetValue("NroVEK")));
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 4}));
  auto rows = db->OpenRecordset("SELECT Código, Valor FROM tblOcorrências ORDER BY Código");
  EXPECT_EQ(rows->GetValue("Código"), Variant::Long(1));
  EXPECT_EQ(rows->GetValue("Valor"), Variant(Currency::FromRaw(12'345'000)));
  rows->MoveNext();
  EXPECT_EQ(rows->GetValue("Código"), Variant::Long(2));
  EXPECT_EQ(rows->GetValue("Valor"), Variant(Currency::FromUnits(3000)));
}

}  // namespace
}  // namespace orvalis::testing
