// Transactions and savepoints on a declaration file, and the indexes that relations make.
#include "orvalis/transaction.h"

#include <gtest/gtest.h>

#include "component/collection.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

class TransactionTest : public ::testing::Test {
 protected:
  int32_t Count(Database& db, const std::string& table) {
    return db.OpenRecordset("SELECT count(*) AS n FROM " + table)->GetValue("n").long_value();
  }

  bool HasTable(Database& db, std::string_view name) {
    return PositionNamed(db.TableDefs(), name) >= 0;
  }

  void AddTable(Database& db, const std::string& name) {
    auto table = db.CreateTableDef(name);
    table->AppendField(table->CreateField("A", FieldType::kLong));
    db.AppendTableDef(table);
  }

  TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = NewWorkspace();
};

// Rows and schema changes are kept by Commit and undone when the unit ends without it;
// an undone savepoint leaves the enclosing transaction's work.
TEST_F(TransactionTest, UnitsKeepOrUndoRowsAndSchemaChanges) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("t.mdb"));
  {
    Transaction undone(*db);
    db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
    AddTable(*db, "tblNova");
    ItemNamed(db->TableDefs(), "tblVEK")->DeleteField("ChaveInterna");
  }
  EXPECT_EQ(Count(*db, "tblContribuinte"), 0);
  EXPECT_FALSE(HasTable(*db, "tblNova"));
  EXPECT_GE(PositionNamed(ItemNamed(db->TableDefs(), "tblVEK")->Fields(), "ChaveInterna"), 0);

  {
    Transaction kept(*db);
    db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
    {
      Savepoint inner(*db);
      db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('2')");
      AddTable(*db, "tblNova");
    }
    {
      Savepoint inner(*db);
      AddTable(*db, "tblOutra");
      inner.Commit();
    }
    kept.Commit();
  }
  db->Close();
  db = workspace_->OpenDatabase(dir_.File("t.mdb"), false, false, kPassword);
  EXPECT_EQ(Count(*db, "tblContribuinte"), 1);
  EXPECT_FALSE(HasTable(*db, "tblNova"));
  EXPECT_TRUE(HasTable(*db, "tblOutra"));
}

// A transaction holds the file's write lock: a second one elsewhere waits its time and is
// refused with 3218, readers go on.
TEST_F(TransactionTest, OneWriterAtATime) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("w.mdb"));
  auto other = workspace_->OpenDatabase(dir_.File("w.mdb"), false, false, kPassword);
  Transaction first(*db);
  EXPECT_EQ(ErrorOf([&] { Transaction second(*other); }), 3218);
  EXPECT_EQ(Count(*other, "tblVersão"), 1);
}

// A relation's index is listed on its foreign table under the relation's name (as
// mantem_db_test checks for every relation), goes with the relation, and cannot be deleted
// or shadowed alone.
TEST_F(TransactionTest, RelationsListTheirIndexes) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("r.mdb"));
  auto cfops = ItemNamed(db->TableDefs(), "tblDetalhesCFOPs");
  ASSERT_EQ(ItemNamed(cfops->Indexes(), "VEKDetalhesCFOPs")->Fields()[0]->Name(), "NroVEK");
  EXPECT_EQ(ErrorOf([&] { cfops->DeleteIndex("VEKDetalhesCFOPs"); }), 3303);
  auto shadow = cfops->CreateIndex("VEKDetalhesCFOPs");
  shadow->AppendField(shadow->CreateField("CFOP"));
  EXPECT_EQ(ErrorOf([&] { cfops->AppendIndex(shadow); }), 3284);

  db->DeleteRelation("VEKDetalhesCFOPs");
  EXPECT_EQ(PositionNamed(cfops->Indexes(), "VEKDetalhesCFOPs"), -1);
  EXPECT_EQ(cfops->Indexes().size(), 1u);  // the key; DCFOPsDInterUFs1 ties tblDetalhesInterUFs
}

}  // namespace
}  // namespace orvalis::testing
