#include "engine/fault_injection.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace orvalis::testing {
namespace {

using engine::ArmFault;
using engine::FaultSite;

class FaultInjectionTest : public ::testing::Test {
 protected:
  void TearDown() override { engine::ClearFaults(); }
  TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = NewWorkspace();
};

// An armed pass fails its operation, leaves the file as it was, and the next pass runs.
TEST_F(FaultInjectionTest, TheArmedPassFailsAndLeavesTheFileAsItWas) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("a.mdb"));
  db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
  ArmFault(FaultSite::kStatement, 2);
  db->Execute("UPDATE tblContribuinte SET CNPJ = 'x'");
  EXPECT_EQ(ErrorOf([&] { db->Execute("UPDATE tblContribuinte SET CNPJ = 'y'"); }), 3000);
  EXPECT_EQ(engine::FaultPasses(FaultSite::kStatement), 2);
  auto rs = db->OpenRecordset("tblContribuinte");
  EXPECT_EQ(ToText(rs->GetValue("CNPJ")), "x");

  ArmFault(FaultSite::kSchemaChange, 1);
  auto table = db->CreateTableDef("tblNova");
  table->AppendField(table->CreateField("A", FieldType::kLong));
  EXPECT_EQ(ErrorOf([&] { db->AppendTableDef(table); }), 3000);
  for (const auto& t : db->TableDefs()) EXPECT_NE(t->Name(), "tblNova");
  table = db->CreateTableDef("tblNova");
  table->AppendField(table->CreateField("A", FieldType::kLong));
  db->AppendTableDef(table);
  EXPECT_EQ(engine::FaultPasses(FaultSite::kSchemaChange), 2);
}

TEST_F(FaultInjectionTest, SuspendedFaultsCountButDoNotFire) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("a.mdb"));
  ArmFault(FaultSite::kStatement, 1);
  {
    engine::FaultsSuspended suspended;
    db->Execute("DELETE FROM tblContribuinte");
  }
  EXPECT_EQ(engine::FaultPasses(FaultSite::kStatement), 1);
  db->Execute("DELETE FROM tblContribuinte");
}

}  // namespace
}  // namespace orvalis::testing
