// One declaration file shared by several processes at once, as front-ends on a network
// share use it: writers that add CFOP rows and change several rows in one statement, and
// a reader that opens the file and reads the apuração meanwhile. Nothing a writer was
// told it stored may be missing, no write may fail for the other writer, and the reader
// may only ever see totals that some committed state had.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "orvalis/diagnostics.h"
#include "orvalis/icms.h"
#include "orvalis/mantem_db.h"
#include "database/module_state.h"
#include "orvalis/records/cfop.h"
#include "orvalis/settings.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Declarations of the file: 1, 2 and 4 for the writers, and 3, whose ten rows a writer
// sets together to one new amount, one statement at a time.
constexpr int32_t kDeclarations = 4;
constexpr int32_t kRaisedDeclaration = 3;
constexpr int kRaisedRows = 10;

class SharedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto workspace = NewWorkspace();
    auto db = NewDeclarationFile(*workspace, path_);
    AddRow(*db, "tblContribuinte", {{"IE", "110042490114"}});
    for (int i = 0; i < kDeclarations; ++i) AddRow(*db, "tblVEK", {{"IE", "110042490114"}});
    for (int i = 0; i < kRaisedRows; ++i) {
      AddRow(*db, "tblDetalhesCFOPs",
             {{"NroVEK", kRaisedDeclaration}, {"CFOP", std::to_string(5101 + i)}, {"Imposto", 1}});
    }
    db->Close();
  }

  // The child's side of a writer: adds rows to declaration `declaration` until
  // `deadline`, writing the CFOP of each Create that reported no failure to `log`; every
  // `raise_every` rows (0: never) sets the ten rows of the shared declaration to a new
  // amount.
  int Writer(int32_t declaration, const std::string& log, Clock::time_point deadline,
             int raise_every) {
    int failures = 0;
    MantemDB files;
    files.Db_Open(path_);
    InstallDiagnosticsHook([&failures](std::string_view operation, const Error& error) {
      if (failures++ < 3) {
        std::fprintf(stderr, "%.*s: %d %s\n", static_cast<int>(operation.size()), operation.data(),
                     error.number(), error.description().c_str());
      }
    });
    CFOP row;
    row.DBIndex(path_);
    std::FILE* out = std::fopen(log.c_str(), "w");
    for (int k = 1; Clock::now() < deadline; ++k) {
      const std::string cfop = "5" + std::to_string(declaration) + std::to_string(10000000 + k);
      const int before = failures;
      row.Clear();
      row.Set(CFOP::kNroVEK, Variant::Long(declaration));
      row.Set(CFOP::kCFOP, Variant(cfop.substr(0, 10)));
      row.Set(CFOP::kImposto, Variant::Long(1));
      row.Create();
      if (failures == before) std::fprintf(out, "%s\n", cfop.substr(0, 10).c_str());
      std::fflush(out);
      if (raise_every > 0 && k % raise_every == 0) {
        NScitDB::scitDB(path_)->Execute("UPDATE tblDetalhesCFOPs SET Imposto = '" +
                                        std::to_string(k) + "' WHERE NroVEK = 3");
      }
    }
    std::fclose(out);
    return failures == 0 ? 0 : 1;
  }

  // The child's side of the reader: reads field 051 of the shared declaration until
  // `deadline`, opening the file again now and then. Each total must be one a committed
  // state had: the ten rows always hold one amount, so the total is ten times it.
  int Reader(Clock::time_point deadline) {
    auto settings = std::make_shared<MemorySettingsStore>();
    settings->Set("Brisquel", "DB", "DbAtual", path_);
    InstallSettingsStore(settings);
    MantemDB files;
    for (int round = 0; Clock::now() < deadline; ++round) {
      files.Db_Open(path_);
      ICMS icms;
      icms.LetNroVEK(Variant::Long(kRaisedDeclaration));
      for (int i = 0; i < 50; ++i) {
        const Currency total = ToCurrency(icms.Campo051ICMS());
        if (total.raw() % Currency::FromUnits(kRaisedRows).raw() != 0) {
          std::fprintf(stderr, "reader saw %s\n", ToText(Variant(total)).c_str());
          return 1;
        }
      }
      files.Db_close(path_);
    }
    return 0;
  }

  // The rows of the file that a writer's log names as stored, and their count.
  int CheckLogged(const std::string& log, int32_t declaration) {
    auto workspace = NewWorkspace();
    auto db = workspace->OpenDatabase(path_, false, false, kPassword);
    std::set<std::string> stored;
    auto rows = db->OpenRecordset("SELECT CFOP FROM tblDetalhesCFOPs WHERE NroVEK = " +
                                  std::to_string(declaration));
    for (; !rows->IsEof(); rows->MoveNext()) stored.insert(ToText(rows->GetValue("CFOP")));
    std::ifstream in(log);
    int logged = 0;
    for (std::string cfop; std::getline(in, cfop); ++logged) {
      EXPECT_TRUE(stored.count(cfop)) << "a Create that returned is not on disk: " << cfop;
    }
    EXPECT_EQ(logged, static_cast<int>(stored.size()));
    return logged;
  }

  ComponentHome home_;
  TempDir dir_;
  std::string path_ = dir_.File("shared.mdb");
};

TEST_F(SharedFileTest, WritersAndAReaderLoseNothingAndSeeOnlyCommittedStates) {
  using std::chrono::seconds;
  // One writer alone first: the rate without contention.
  const auto alone_until = Clock::now() + seconds(3);
  ChildProcess alone([&] { return Writer(1, dir_.File("alone.log"), alone_until, 0); });
  ASSERT_EQ(alone.Wait(), 0);
  const int alone_rows = CheckLogged(dir_.File("alone.log"), 1);

  // Then two writers and a reader together.
  const auto until = Clock::now() + seconds(6);
  ChildProcess first([&] { return Writer(2, dir_.File("first.log"), until, 0); });
  ChildProcess second([&] { return Writer(4, dir_.File("second.log"), until, 20); });
  ChildProcess reader([&] { return Reader(until); });
  EXPECT_EQ(first.Wait(), 0) << "a Create of the first writer failed";
  EXPECT_EQ(second.Wait(), 0) << "a write of the second writer failed";
  EXPECT_EQ(reader.Wait(), 0) << "the reader saw a total that no committed state had";
  const int together =
      CheckLogged(dir_.File("first.log"), 2) + CheckLogged(dir_.File("second.log"), 4);
  std::printf("rows per second: %d with one writer, %d with two\n", alone_rows / 3, together / 6);
}

}  // namespace
}  // namespace orvalis::testing
