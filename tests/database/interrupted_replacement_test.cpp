// Compactions and conversions killed at any moment: the file is always whole, with all
// its rows, and the next run clears what the killed one left and succeeds.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "database/module_state.h"
#include "engine/fault_injection.h"
#include "orvalis/corrige_converte_db.h"
#include "orvalis/mantem_db.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

constexpr int kRows = 3000;

class InterruptedReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto workspace = NewWorkspace();
    auto db = NewDeclarationFile(*workspace, path_);
    db->Execute("INSERT INTO tblContribuinte (IE) VALUES ('1')");
    AddRow(*db, "tblVEK", {{"IE", "1"}});
    for (int i = 0; i < kRows; ++i) {
      db->Execute("INSERT INTO tblDetalhesCFOPs (NroVEK, CFOP, Imposto) VALUES (1, '" +
                  std::to_string(100000 + i) + "', " + std::to_string(i) + ")");
    }
    db->Close();
  }

  // Compacts (or converts) the file over and over until killed.
  int Replace(bool convert) {
    MantemDB files;
    while (true) {
      if (convert) {
        if (!database::CorrigeConverteDB(path_)) return 1;
      } else {
        files.Db_Open(path_);
        files.CompactarBanco(*BindDatabase(path_));
      }
    }
  }

  // The file opens (its structural check included) with every row, and compacts.
  void ExpectWholeAndCompactable() {
    {
      auto workspace = NewWorkspace();
      auto db = workspace->OpenDatabase(path_, false, false, kPassword);
      EXPECT_EQ(CountRows(*db, "tblDetalhesCFOPs"), kRows);
    }
    MantemDB files;
    files.Db_Open(path_);
    EXPECT_EQ(ErrorOf([&] { files.CompactarBanco(*BindDatabase(path_)); }), 0);
  }

  ComponentHome home_;
  TempDir dir_;
  std::string path_ = dir_.File("x.mdb");
};

TEST_F(InterruptedReplacementTest, KilledAtRandomMomentsTheFileStaysWhole) {
  std::mt19937 random(20261206);
  for (bool convert : {false, true}) {
    for (int run = 0; run < 8; ++run) {
      SCOPED_TRACE((convert ? "conversion " : "compaction ") + std::to_string(run));
      const std::chrono::milliseconds delay(random() % 120);
      EXPECT_EQ(RunKilledAfter(delay, [&] { return Replace(convert); }), -9);
      ExpectWholeAndCompactable();
    }
  }
}

TEST_F(InterruptedReplacementTest, EndedAtEachStepTheFileStaysWhole) {
  for (bool convert : {false, true}) {
    for (int step = 1; step <= 4; ++step) {
      SCOPED_TRACE((convert ? "conversion, step " : "compaction, step ") + std::to_string(step));
      EXPECT_EQ(RunCrashingAt(engine::FaultSite::kFileStep, step, [&] { return Replace(convert); }),
                137);
      ExpectWholeAndCompactable();
    }
  }
  // The next conversion clears what the interrupted ones left in the component folder;
  // nothing is left beside the file either.
  EXPECT_TRUE(database::CorrigeConverteDB(path_));
  for (const auto& folder : {dir_.path(), home_.dir().path()}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "x.mdb" || name == "tblFixas.fix") << name;
    }
  }
}

}  // namespace
}  // namespace orvalis::testing
