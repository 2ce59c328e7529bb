// A process upgrading a large "0600" file dies at random moments and at chosen points of
// the upgrade: afterwards the file is the old one or the fully upgraded one, never a mix,
// and it opens.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "database/module_state.h"
#include "engine/fault_injection.h"
#include "orvalis/mantem_db.h"
#include "orvalis/transaction.h"
#include "support/child_process.h"
#include "support/declaration_snapshot.h"
#include "support/old_format_files.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using namespace testing;  // NOLINT: the test helpers

constexpr int kDeclarations = 300;
constexpr int kCfopsPerDeclaration = 40;
constexpr int kRandomKills = 8;

// Multiplies the sample rows: every declaration gets CFOP rows, a state line with
// free-zone shipments, and an occurrence with substitute and substituted registrations.
// Declarations and occurrences are added through recordsets, which give their counters.
void AddBulkRows(Database& db) {
  Transaction bulk(db);
  for (int d = 0; d < kDeclarations; ++d) {
    const int32_t number = ToLong(AddRow(db, "tblVEK",
                                         {{"IE", "110042490114"},
                                          {"Tipo", Variant::Byte(1)},
                                          {"Ref1", Date::FromYmd(2006, 1, 1)}})
                                      ->GetValue("NroVEK"));
    AddRow(db, "tblOcorrências", {{"NroVEK", number}, {"CódSubItem", "002.01"}, {"Valor", 1}});
  }
  auto each = [&](const std::string& insert, const std::string& values, const char* from) {
    db.Execute(insert + " SELECT " + values + from);
  };
  const char* declarations = " FROM tblVEK WHERE NroVEK > 3";
  const char* occurrences = " FROM tblOcorrências WHERE Código > 3";
  for (int c = 0; c < kCfopsPerDeclaration; ++c) {
    each("INSERT INTO tblDetalhesCFOPs (NroVEK, CFOP, ValorContábil, Imposto)",
         "NroVEK, '" + std::to_string(5101 + c) + "', " + std::to_string(100 + c) + ", Null",
         declarations);
  }
  each("INSERT INTO tblDetalhesInterUFs (NroVEK, CFOP, UF, ValorContábil_1)",
       "NroVEK, '5101', '13', 10", declarations);
  for (int n = 0; n < 5; ++n) {
    const std::string suffix = std::to_string(n);
    each("INSERT INTO tblZFM_ALC (NroVEK, CFOP, UF, NF, Valor)",
         "NroVEK, '5101', '13', '1000" + suffix + "', 3", declarations);
    each("INSERT INTO tblIESubstituto (Código, IESubstituto, NF)",
         "Código, '33" + suffix + "', '20000" + suffix + "'", occurrences);
    each("INSERT INTO tblIESubstituido (Código, IESubstituido, NF)",
         "Código, '55" + suffix + "', '30000" + suffix + "'", occurrences);
  }
  bulk.Commit();
  EXPECT_EQ(CountRows(db, "tblDetalhesCFOPs"), 3 + kDeclarations * kCfopsPerDeclaration);
}

class FormatUpgradeKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto workspace = NewWorkspace();
    auto db = NewDeclarationFile(*workspace, pristine_);
    MakeFileOfVersion(*db, "0600");
    AddBulkRows(*db);
    workspace->Close();
    old_ = SnapshotOf(pristine_);
    // The same upgrade in this process gives the upgraded file and the upgrade's length.
    Restore();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(MantemDB().CompatibilizaFormato(path_));
    duration_ = std::chrono::steady_clock::now() - start;
    upgraded_ = SnapshotOf(path_);
    ASSERT_FALSE(upgraded_ == old_);
  }
  void TearDown() override { engine::ClearFaults(); }

  // Puts the old file back at `path_`, without anything an earlier process left.
  void Restore() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_ + suffix);
    std::filesystem::copy_file(pristine_, path_);
  }

  int Upgrade() { return MantemDB().CompatibilizaFormato(path_) ? 0 : 1; }

  // The file after the child ended: the old or the upgraded one, and it opens upgraded.
  void ExpectWholeFile(const std::string& when) {
    SCOPED_TRACE(when);
    const FileSnapshot found = SnapshotOf(path_);
    EXPECT_TRUE(found == old_ || found == upgraded_);
    ASSERT_EQ(mantem_.Db_Open(path_), 1);
    mantem_.Db_close(path_);
    EXPECT_TRUE(SnapshotOf(path_) == upgraded_);
  }

  ComponentHome home_;
  MantemDB mantem_;
  std::string pristine_ = home_.File("pristine.mdb");
  std::string path_ = home_.File("upgrading.mdb");
  FileSnapshot old_;
  FileSnapshot upgraded_;
  std::chrono::steady_clock::duration duration_{};
};

TEST_F(FormatUpgradeKillTest, KilledAtRandomMoments) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(duration_);
  std::uniform_int_distribution<int64_t> moment(0, longest.count());
  for (int k = 0; k < kRandomKills; ++k) {
    Restore();
    const std::chrono::microseconds delay(moment(random));
    const int status = RunKilledAfter(delay, [this] { return Upgrade(); });
    ExpectWholeFile("killed after " + std::to_string(delay.count()) + " us, " +
                    (status < 0 ? "mid-way" : "after it ended"));
  }
}

// The process ends on the spot at chosen schema changes and at the stamp.
TEST_F(FormatUpgradeKillTest, CrashedAtChosenPoints) {
  Restore();
  engine::ClearFaults();
  ASSERT_TRUE(mantem_.CompatibilizaFormato(path_));
  const int64_t changes = engine::FaultPasses(engine::FaultSite::kSchemaChange);
  const int64_t statements = engine::FaultPasses(engine::FaultSite::kStatement);
  const std::pair<engine::FaultSite, int64_t> points[] = {
      {engine::FaultSite::kSchemaChange, 1},
      {engine::FaultSite::kSchemaChange, changes / 2},
      {engine::FaultSite::kSchemaChange, changes},
      {engine::FaultSite::kStatement, statements},  // the stamp
  };
  for (const auto& [site, n] : points) {
    Restore();
    EXPECT_EQ(RunCrashingAt(site, n, [this] { return Upgrade(); }), 137);
    EXPECT_TRUE(SnapshotOf(path_) == old_);
    ExpectWholeFile(std::string(engine::FaultSiteName(site)) + " " + std::to_string(n));
  }
}

}  // namespace
}  // namespace orvalis
