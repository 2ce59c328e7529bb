// CorrigeConverteDB and CorrigeDAO35: conversions of closed files through CompactoTemp.mdb
// in the component's folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "orvalis/class_registry.h"
#include "orvalis/corrige_converte_db.h"
#include "database/module_state.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;

class CorrigeConverteDBTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = testing::NewDeclarationFile(*workspace_, path_);
    db->Execute("INSERT INTO tblContribuinte (IE, UF) VALUES ('110042490114', 'SP')");
    db->Close();
  }

  // The taxpayer rows of the file at `path`, opened with the password.
  int32_t Taxpayers(const std::string& path) {
    auto db = workspace_->OpenDatabase(path, false, false, kDatabasePassword);
    const int32_t count =
        ToLong(db->OpenRecordset("SELECT count(*) AS n FROM tblContribuinte")->GetValue("n"));
    db->Close();
    return count;
  }

  testing::ComponentHome home_;
  testing::TempDir files_;
  std::string path_ = files_.File("vek.mdb");
  std::string temporary_ = home_.File("CompactoTemp.mdb");
  std::shared_ptr<Workspace> workspace_ = testing::NewWorkspace();
};

TEST_F(CorrigeConverteDBTest, ConvertsInPlaceAndLeavesNoTemporaryFile) {
  std::ofstream(home_.File("BDTemp.mdb")) << "old new file";
  std::ofstream(temporary_) << "stale copy";
  EXPECT_TRUE(database::CorrigeConverteDB(path_));
  EXPECT_FALSE(fs::exists(temporary_));
  EXPECT_FALSE(fs::exists(home_.File("BDTemp.mdb")));
  EXPECT_EQ(Taxpayers(path_), 1);
  for (const auto& entry : fs::directory_iterator(files_.path())) {
    EXPECT_EQ(entry.path().filename(), "vek.mdb");  // no staging copy left beside it
  }
}

TEST_F(CorrigeConverteDBTest, Dao35WritesACopyAndRefusesAnExistingOne) {
  const std::string before = testing::ReadFileBytes(path_);
  EXPECT_TRUE(database::CorrigeDAO35(path_));
  EXPECT_EQ(testing::ReadFileBytes(path_), before);
  EXPECT_EQ(Taxpayers(temporary_), 1);
  const std::string copy = testing::ReadFileBytes(temporary_);
  EXPECT_FALSE(database::CorrigeDAO35(path_));
  EXPECT_EQ(testing::ReadFileBytes(temporary_), copy);
}

TEST_F(CorrigeConverteDBTest, FailuresAnswerFalseAndKeepTheFile) {
  EXPECT_FALSE(database::CorrigeConverteDB(files_.File("missing.mdb")));
  EXPECT_FALSE(database::CorrigeDAO35(files_.File("missing.mdb")));
  EXPECT_FALSE(fs::exists(temporary_));

  const std::string garbage = files_.File("garbage.mdb");
  std::ofstream(garbage) << "not a declaration file";
  EXPECT_FALSE(database::CorrigeConverteDB(garbage));
  EXPECT_EQ(testing::ReadFileBytes(garbage), "not a declaration file");
  EXPECT_FALSE(fs::exists(temporary_));
}

TEST_F(CorrigeConverteDBTest, SuccessfulFallBackStillAnswersFalse) {
  // BDTemp.mdb cannot be removed (a folder with content): the main path fails first.
  fs::create_directories(home_.File("BDTemp.mdb") + "/inside");
  const std::string before = testing::ReadFileBytes(path_);
  EXPECT_FALSE(database::CorrigeConverteDB(path_));
  EXPECT_EQ(testing::ReadFileBytes(path_), before);
  EXPECT_EQ(Taxpayers(temporary_), 1);  // the version-3.0 copy of the fall-back
}

TEST_F(CorrigeConverteDBTest, LateBoundMembersInInterfaceOrder) {
  auto object = CreateObject("Orvalis.CorrigeConverteDB");
  EXPECT_EQ(testing::MemberNames(*object), "CorrigeConverteDB CorrigeDAO35 RefData");
  Variant path(path_);
  EXPECT_EQ(InvokeSlot(*object, 1, InvokeKind::kMethod, std::span(&path, 1)), Variant(true));
  EXPECT_EQ(InvokeSlot(*object, 0, InvokeKind::kMethod, std::span(&path, 1)), Variant(true));
  EXPECT_FALSE(fs::exists(temporary_));
}

}  // namespace
}  // namespace orvalis
