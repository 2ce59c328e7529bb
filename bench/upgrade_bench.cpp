// The format check of Db_Open:
//  - the upgrade of a "0600" file holding 1,000 declarations and 100,000 CFOP rows;
//  - the check of a current file (nothing to do, nothing written) and the whole Db_Open
//    and Db_close of it, against raw SQLite opening the file and reading its version.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "bench_support.h"
#include "orvalis/mantem_db.h"
#include "support/old_format_files.h"

namespace orvalis::bench {
namespace {

constexpr int kDeclarations = 1000;
constexpr int kCfopsPerDeclaration = 100;
constexpr int kOccurrencesPerDeclaration = 5;

// A current file and a "0600" file with the same rows, built once per run; the scratch
// folder is the component's folder, with the fixed tables' side file.
struct Files {
  Files() {
    setenv("ORVALIS_HOME", dir.File("").c_str(), 1);
    std::filesystem::copy_file(ORVALIS_FIXAS_FILE, dir.File("tblFixas.fix"));
    NewDeclarationFile(*workspace, current)->Close();
    FillDeclarations(current, kDeclarations, kCfopsPerDeclaration, kOccurrencesPerDeclaration);
    std::filesystem::copy_file(current, old);
    auto db = workspace->OpenDatabase(old, false, false, kPassword);
    testing::MakeOldLayout(*db, testing::LayoutOfVersion("0600"));
    testing::SetStoredVersion(*db, "0600");
    db->Close();
  }
  ScratchDir dir;
  std::shared_ptr<Workspace> workspace = Engine().CreateWorkspace("", "admin", "");
  std::string current = dir.File("current.mdb");
  std::string old = dir.File("old.mdb");
  std::string work = dir.File("work.mdb");
};

Files& TheFiles() {
  static Files files;
  return files;
}

void BM_UpgradeOf0600File(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(f.work);
    std::filesystem::copy_file(f.old, f.work);
    state.ResumeTiming();
    if (!MantemDB().CompatibilizaFormato(f.work)) state.SkipWithError("refused");
  }
  state.counters["cfop_rows"] = kDeclarations * kCfopsPerDeclaration;
}
BENCHMARK(BM_UpgradeOf0600File)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FormatCheckOfCurrentFile(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state) {
    if (!MantemDB().CompatibilizaFormato(f.current)) state.SkipWithError("refused");
  }
}
BENCHMARK(BM_FormatCheckOfCurrentFile)->Unit(benchmark::kMicrosecond);

void BM_DbOpenAndCloseOfCurrentFile(benchmark::State& state) {
  Files& f = TheFiles();
  MantemDB mantem;
  for (auto _ : state) {
    if (mantem.Db_Open(f.current) != 1) state.SkipWithError("not opened");
    mantem.Db_close(f.current);
  }
}
BENCHMARK(BM_DbOpenAndCloseOfCurrentFile)->Unit(benchmark::kMicrosecond);

void BM_RawSqliteOpenAndReadVersion(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state) {
    RawDb raw(f.current);
    sqlite3_stmt* version = nullptr;
    sqlite3_prepare_v2(raw.db, "SELECT Versão FROM tblVersão", -1, &version, nullptr);
    sqlite3_step(version);
    benchmark::DoNotOptimize(sqlite3_column_text(version, 0));
    sqlite3_finalize(version);
  }
}
BENCHMARK(BM_RawSqliteOpenAndReadVersion)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
