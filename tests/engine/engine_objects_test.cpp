// The engine's objects: files, passwords, workspaces, table definitions, relations,
// links and compaction.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "component/collection.h"
#include "orvalis/dbengine.h"
#include "orvalis/error.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using testing::ErrorOf;
using testing::kPassword;
using testing::NewDeclarationFile;
using testing::NewWorkspace;
using testing::TempDir;

class EngineObjectsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = NewWorkspace();
};

TEST_F(EngineObjectsTest, OpeningRefusesWhatIsNotAnOpenableDeclarationFile) {
  const std::string path = dir_.File("a.mdb");
  auto db = NewDeclarationFile(*workspace_, path);
  db->Close();

  EXPECT_EQ(ErrorOf([&] { workspace_->OpenDatabase(dir_.File("missing.mdb")); }), 3024);
  EXPECT_EQ(ErrorOf([&] { workspace_->OpenDatabase(path, false, false, ";pwd=wrong"); }), 3031);
  EXPECT_EQ(ErrorOf([&] { workspace_->OpenDatabase(path); }), 3031);  // no password given
  EXPECT_EQ(ErrorOf([&] { workspace_->CreateDatabase(path, testing::kLocale); }), 3204);

  std::ofstream(dir_.File("text.mdb")) << "not a database at all, just some words";
  EXPECT_EQ(
      ErrorOf([&] { workspace_->OpenDatabase(dir_.File("text.mdb"), false, false, kPassword); }),
      3343);

  auto ok = workspace_->OpenDatabase(path, false, false, kPassword);
  ASSERT_EQ(workspace_->Databases().size(), 1u);
  ok->Close();
  EXPECT_EQ(ErrorOf([&] { ok->OpenRecordset("tblVEK"); }), 3420);
}

TEST_F(EngineObjectsTest, ExclusiveOpenKeepsOthersOut) {
  const std::string path = dir_.File("x.mdb");
  NewDeclarationFile(*workspace_, path)->Close();
  auto exclusive = workspace_->OpenDatabase(path, true, false, kPassword);
  EXPECT_EQ(ErrorOf([&] { workspace_->OpenDatabase(path, false, false, kPassword); }), 3045);
  exclusive->Close();
  EXPECT_NO_THROW(workspace_->OpenDatabase(path, false, false, kPassword)->Close());
}

TEST_F(EngineObjectsTest, WorkspacesAreFoundByNameOrPositionAndPrivateOnesAreNotListed) {
  DBEngine& engine = Engine();
  size_t before = engine.Workspaces().size();
  auto shared = engine.CreateWorkspace("Brisquel-test", "admin", "");
  engine.AppendWorkspace(shared);
  EXPECT_EQ(ItemNamed(engine.Workspaces(), "brisquel-TEST"), shared);
  EXPECT_EQ(ItemAt(engine.Workspaces(), static_cast<int32_t>(before)), shared);
  EXPECT_EQ(
      ErrorOf([&] { engine.AppendWorkspace(engine.CreateWorkspace("Brisquel-test", "", "")); }),
      3367);
  EXPECT_EQ(engine.Workspaces().size(), before + 1);  // workspace_ was never appended
  shared->Close();
  EXPECT_EQ(engine.Workspaces().size(), before);
  EXPECT_EQ(ErrorOf([&] { ItemNamed(engine.Workspaces(), "Brisquel-test"); }), 3265);
}

TEST_F(EngineObjectsTest, TableDefinitionsDescribeTheFile) {
  auto db = NewDeclarationFile(*workspace_, dir_.File("s.mdb"));
  auto vek = ItemNamed(db->TableDefs(), "TBLVEK");
  auto nro = ItemNamed(vek->Fields(), "nrovek");
  EXPECT_EQ(nro->Type(), FieldType::kLong);
  EXPECT_EQ(nro->Attributes() & kAutoIncrField, kAutoIncrField);
  EXPECT_EQ(ItemNamed(vek->Fields(), "IE")->Size(), 15);
  EXPECT_TRUE(ItemNamed(vek->Indexes(), "NroVEK")->Primary());

  // The upgrade's kind of work: add, fill, drop and rename columns, drop and add indexes.
  auto zfm = ItemNamed(db->TableDefs(), "tblZFM_ALC");
  zfm->AppendField(zfm->CreateField("NF2", FieldType::kText, 9));
  db->Execute("UPDATE tblZFM_ALC SET NF2 = NF");
  zfm->DeleteField("NF");
  ItemNamed(zfm->Fields(), "NF2")->SetName("NF");
  EXPECT_EQ(ItemNamed(zfm->Fields(), "NF")->Size(), 9);
  EXPECT_EQ(zfm->Fields().back()->Name(), "NF");

  auto substituto = ItemNamed(db->TableDefs(), "tblIESubstituto");
  EXPECT_EQ(ErrorOf([&] { substituto->DeleteField("NF"); }), 3280);  // in the primary key
  db->DeleteRelation("OcorrênciasIESubstituto");
  substituto->DeleteIndex("Código");
  EXPECT_TRUE(substituto->Indexes().empty());
  auto index = substituto->CreateIndex("Código");
  index->AppendField(index->CreateField("Código"));
  index->SetPrimary(true);
  substituto->AppendIndex(index);
  EXPECT_EQ(ErrorOf([&] { substituto->AppendIndex(index); }), 3284);
  EXPECT_EQ(ErrorOf([&] { ItemNamed(db->Relations(), "OcorrênciasIESubstituto"); }), 3265);

  db->Execute("DROP TABLE tblResumoCFOPsSaídas");
  EXPECT_EQ(ErrorOf([&] { ItemNamed(db->TableDefs(), "tblResumoCFOPsSaídas"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { db->Execute("DROP TABLE tblVEK"); }), 3303);  // tied by relations
}

TEST_F(EngineObjectsTest, LinkedTablesReadAnotherFile) {
  const std::string side = ORVALIS_FIXAS_FILE;
  const std::string path = dir_.File("l.mdb");
  auto db = NewDeclarationFile(*workspace_, path);
  auto link = db->CreateTableDef("tblEstados");
  link->SetConnect(";database=" + side);
  link->SetSourceTableName("tblEstados");
  db->AppendTableDef(link);
  auto rs = db->OpenRecordset("SELECT Código FROM tblEstados WHERE Sigla='SP'");
  EXPECT_EQ(ToText(rs->GetValue("Código")), "35");
  EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3027);
  db->Close();

  // The link survives closing and opening; a missing side file fails the link.
  db = workspace_->OpenDatabase(path, false, false, kPassword);
  EXPECT_EQ(ItemNamed(db->TableDefs(), "tblEstados")->Connect(), ";database=" + side);
  EXPECT_EQ(testing::CountRows(*db, "tblEstados"), 27);
  db->DeleteTableDef("tblEstados");
  auto missing = db->CreateTableDef("tblEstados");
  missing->SetConnect(";database=" + dir_.File("nowhere.fix"));
  missing->SetSourceTableName("tblEstados");
  EXPECT_EQ(ErrorOf([&] { db->AppendTableDef(missing); }), 3024);
  EXPECT_EQ(ErrorOf([&] { db->OpenRecordset("tblEstados"); }), 3078);
}

TEST_F(EngineObjectsTest, CompactionCopiesWithThePasswordAndRefusesAnExistingTarget) {
  const std::string path = dir_.File("c.mdb");
  const std::string copy = dir_.File("cTemp.mdb");
  auto db = NewDeclarationFile(*workspace_, path);
  db->Execute("DELETE FROM tblVersão");
  db->Close();
  Engine().CompactDatabase(path, copy, testing::kLocale, 0, kPassword);
  auto compacted = workspace_->OpenDatabase(copy, false, false, kPassword);
  EXPECT_EQ(compacted->OpenRecordset("tblVersão")->RecordCount(), 0);
  EXPECT_EQ(compacted->Relations().size(), 11u);
  compacted->Close();
  EXPECT_EQ(ErrorOf([&] { workspace_->OpenDatabase(copy, false, false, ";pwd=other"); }), 3031);
  EXPECT_EQ(ErrorOf([&] { Engine().CompactDatabase(path, copy, "", 0, kPassword); }), 3204);
  EXPECT_EQ(ErrorOf([&] { Engine().CompactDatabase(path, dir_.File("d.mdb"), "", 0, ";pwd=x"); }),
            3031);
}

// Made before anything of the engine: destroyed at exit after the engine's own statics.
struct KeptUntilExit {
  std::shared_ptr<Workspace> workspace;
  std::shared_ptr<Database> db;
} kept_until_exit;

TEST_F(EngineObjectsTest, ADatabaseKeptUntilTheProcessExitsClosesCleanly) {
  const std::string path = dir_.File("kept.mdb");
  NewDeclarationFile(*workspace_, path)->Close();
  testing::ChildProcess child([&] {
    kept_until_exit.workspace = NewWorkspace();
    kept_until_exit.db = kept_until_exit.workspace->OpenDatabase(path, false, false, kPassword);
    std::exit(0);
    return 0;
  });
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace orvalis
