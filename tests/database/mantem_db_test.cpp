// Declaration files: the new file's schema, opening, closing, binding, the clean-ups,
// the links to the fixed tables and the refusal of newer or withdrawn versions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "component/collection.h"
#include "database/declaration_schema.h"
#include "database/module_state.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using testing::ComponentHome;
using testing::ErrorOf;

class MantemDBTest : public ::testing::Test {
 protected:
  std::string NewFile(const std::string& name) { return testing::NewFrontEndFile(home_, name); }
  int32_t Count(const std::string& path, const std::string& table) {
    return testing::CountRows(*BindDatabase(path), table);
  }

  void SetVersion(const std::string& path, const std::string& version) {
    auto workspace = testing::NewWorkspace();
    workspace->OpenDatabase(path, false, false, kDatabasePassword)
        ->Execute("UPDATE tblVersão SET Versão = '" + version + "'");
    workspace->Close();
  }

  ComponentHome home_;
  MantemDB mantem_;
};

TEST_F(MantemDBTest, NewFileHasTheSchemaAndOneVersionRow) {
  std::string path = NewFile("novo.mdb");
  auto workspace = testing::NewWorkspace();
  auto db = workspace->OpenDatabase(path, false, false, kDatabasePassword);
  auto tables = db->TableDefs();
  ASSERT_EQ(tables.size(), database::SchemaTables().size());
  for (const auto& definition : database::SchemaTables()) {
    auto table = ItemNamed(tables, definition.name);
    auto fields = table->Fields();
    ASSERT_EQ(fields.size(), definition.columns.size()) << definition.name;
    for (size_t i = 0; i < fields.size(); ++i) {
      const auto& expected = definition.columns[i];
      EXPECT_EQ(fields[i]->Name(), expected.name);
      EXPECT_EQ(fields[i]->Type(), expected.type) << expected.name;
      EXPECT_EQ(fields[i]->Size(), expected.size > 0 ? expected.size : DefaultSize(expected.type));
      EXPECT_EQ((fields[i]->Attributes() & kAutoIncrField) != 0, expected.counter) << expected.name;
    }
    // One index of its own, the key; then one for each relation that ties it as its
    // foreign table, named after the relation.
    auto indexes = table->Indexes();
    ASSERT_FALSE(indexes.empty()) << definition.name;
    EXPECT_EQ(indexes[0]->Name(), definition.key.front());
    EXPECT_TRUE(indexes[0]->Primary());
    EXPECT_TRUE(indexes[0]->Unique());
    EXPECT_FALSE(indexes[0]->Foreign());
    ASSERT_EQ(indexes[0]->Fields().size(), definition.key.size());
    std::vector<std::string> relation_indexes;
    for (size_t i = 1; i < indexes.size(); ++i) {
      EXPECT_TRUE(indexes[i]->Foreign()) << indexes[i]->Name();
      EXPECT_FALSE(indexes[i]->Unique()) << indexes[i]->Name();
      relation_indexes.push_back(indexes[i]->Name());
    }
    std::vector<std::string> expected;
    for (const auto& relation : database::SchemaRelations()) {
      if (relation.foreign_table == definition.name) expected.emplace_back(relation.name);
    }
    EXPECT_EQ(relation_indexes, expected) << definition.name;
  }
  auto relations = db->Relations();
  ASSERT_EQ(relations.size(), 11u);
  for (const auto& definition : database::SchemaRelations()) {
    auto relation = ItemNamed(relations, definition.name);
    EXPECT_EQ(relation->Table(), definition.table);
    EXPECT_EQ(relation->ForeignTable(), definition.foreign_table);
    EXPECT_EQ(relation->Attributes(), definition.attributes);
    EXPECT_EQ(relation->Fields().size(), definition.columns.size());
  }
  auto version = db->OpenRecordset("tblVersão");
  EXPECT_EQ(ToText(version->GetValue("Versão")), "0800");
  EXPECT_EQ(version->RecordCount(), 1);
  version->Close();
  db->Close();

  // A call replaces a file left there with the same empty file.
  std::ofstream(NewFilePath()) << "left by an earlier run";
  std::string again = NewFile("novo2.mdb");
  db = workspace->OpenDatabase(again, false, false, kDatabasePassword);
  EXPECT_EQ(db->TableDefs().size(), tables.size());
  EXPECT_EQ(db->OpenRecordset("tblVersão")->RecordCount(), 1);
  workspace->Close();
}

TEST_F(MantemDBTest, OpenCleansLinksAndCountsAndReopeningDoesNothing) {
  std::string path = NewFile("a.mdb");
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  auto db = BindDatabase(path);
  // Rows the next open would clean: a DIPAM row without code, a zero occurrence.
  testing::AddRow(*db, "tblContribuinte", {{"IE", "123"}});
  testing::AddRow(*db, "tblVEK", {{"IE", "123"}});
  testing::AddRow(*db, "tblDIPAM", {{"NroVEK", 1}});
  testing::AddRow(*db, "tblOcorrências", {{"NroVEK", 1}, {"Valor", 0}});

  // Already open: the count comes back at once, nothing is cleaned.
  EXPECT_EQ(mantem_.Db_Open(path), 1);
  EXPECT_EQ(Count(path, "tblDIPAM"), 1);
  EXPECT_EQ(Count(path, "tblOcorrências"), 1);
  EXPECT_EQ(ToText(BindDatabase(path)
                       ->OpenRecordset("SELECT Sigla FROM tblEstados WHERE Código = '35'")
                       ->GetValue("Sigla")),
            "SP");

  // A second file: 2 open; closing the first leaves the second working.
  std::string other = NewFile("b.mdb");
  EXPECT_EQ(mantem_.Db_Open(other), 2);
  mantem_.Db_close(path);
  EXPECT_EQ(Count(other, "tblVersão"), 1);
  EXPECT_EQ(mantem_.scitDB(path), nullptr);
  EXPECT_EQ(ErrorOf([&] { BindDatabase(path); }), 3265);

  // Opened again: cleaned.
  EXPECT_EQ(mantem_.Db_Open(path), 2);
  EXPECT_EQ(Count(path, "tblDIPAM"), 0);
  EXPECT_EQ(Count(path, "tblOcorrências"), 0);
  EXPECT_EQ(Count(path, "tblVEK"), 1);
}

TEST_F(MantemDBTest, LinksFollowTheComponentFolderOfEachOpen) {
  std::string path = NewFile("l.mdb");
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  mantem_.Db_close(path);
  // The same file opened by a component living in another folder.
  testing::TempDir elsewhere;
  std::filesystem::copy_file(home_.File("tblFixas.fix"), elsewhere.File("tblFixas.fix"));
  setenv("ORVALIS_HOME", elsewhere.path().c_str(), 1);
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  auto db = BindDatabase(path);
  int links = 0;
  for (const auto& table : db->TableDefs()) {
    if (table->Connect().empty()) continue;
    ++links;
    EXPECT_EQ(table->Connect(), ";database=" + elsewhere.File("tblFixas.fix"));
    EXPECT_EQ(table->SourceTableName(), table->Name());
  }
  EXPECT_EQ(links, 9);
  EXPECT_EQ(db->OpenRecordset("tblEstados")->GetValue("Sigla").IsString(), true);
  mantem_.Db_close(path);

  // Without the side file the links are gone and the open still succeeds.
  setenv("ORVALIS_HOME", home_.dir().path().c_str(), 1);
  std::filesystem::remove(home_.File("tblFixas.fix"));
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  EXPECT_EQ(ErrorOf([&] { BindDatabase(path)->OpenRecordset("tblEstados"); }), 3078);
}

// (format_upgrade_test refuses newer and withdrawn versions with their messages.)
TEST_F(MantemDBTest, ADamagedVersionOrAMissingFileIsRefused) {
  SetVersion(NewFile("nan.mdb"), "abc");  // a version that is not a number
  EXPECT_EQ(ErrorOf([&] { mantem_.Db_Open(home_.File("nan.mdb")); }), 3049);
  EXPECT_EQ(ErrorOf([&] { mantem_.Db_Open(home_.File("missing.mdb")); }), 3024);
}

TEST_F(MantemDBTest, CloseAndLookUpFollowExactPaths) {
  std::string path = NewFile("c.mdb");
  std::string same_file_other_spelling = home_.dir().path().string() + "/./c.mdb";
  EXPECT_EQ(mantem_.scitDB(""), nullptr);
  EXPECT_EQ(mantem_.scitDB(path), nullptr);
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  EXPECT_NE(mantem_.scitDB(path), nullptr);
  // Paths are compared exactly: another spelling is another open.
  EXPECT_EQ(mantem_.Db_Open(same_file_other_spelling), 2);
  mantem_.Db_close(same_file_other_spelling);
  mantem_.Db_close(home_.File("not-open.mdb"));
  EXPECT_NE(mantem_.scitDB(path), nullptr);
  mantem_.Db_close(path);
  EXPECT_EQ(ItemNamed(Engine().Workspaces(), "Brisquel")->Databases().size(), 0u);
  mantem_.Db_close(path);  // nothing open: the shared workspace closes
  EXPECT_EQ(ErrorOf([&] { ItemNamed(Engine().Workspaces(), "Brisquel"); }), 3265);
  mantem_.Db_close(path);  // no workspace: nothing happens
}

TEST_F(MantemDBTest, CompactionWorksInPlaceThroughATemporaryFile) {
  std::string path = NewFile("x.mdb");
  ASSERT_EQ(mantem_.Db_Open(path), 1);
  BindDatabase(path)->Execute("DELETE FROM tblVersão");
  mantem_.CompactarBanco(*BindDatabase(path));
  EXPECT_EQ(mantem_.scitDB(path), nullptr);  // left closed
  EXPECT_FALSE(std::filesystem::exists(home_.File("xTemp.mdb")));
  auto workspace = testing::NewWorkspace();
  auto compacted = workspace->OpenDatabase(path, false, false, kDatabasePassword);
  EXPECT_EQ(compacted->OpenRecordset("tblVersão")->RecordCount(), 0);
  compacted->Close();

  // A temporary file in the way: the compaction fails, the file is closed and unchanged.
  std::string other = NewFile("y.mdb");
  ASSERT_EQ(mantem_.Db_Open(other), 1);
  std::filesystem::copy_file(path, home_.File("yTemp.mdb"));
  std::string before = testing::ReadFileBytes(home_.File("yTemp.mdb"));
  EXPECT_EQ(ErrorOf([&] { mantem_.CompactarBanco(*BindDatabase(other)); }), 3204);
  EXPECT_EQ(mantem_.scitDB(other), nullptr);
  EXPECT_EQ(testing::ReadFileBytes(home_.File("yTemp.mdb")), before);
  EXPECT_EQ(mantem_.Db_Open(other), 1);
}

}  // namespace
}  // namespace orvalis
