// The engine adapter against raw SQLite on the same work, side by side in one run
// (side_by_side.h):
//  - opening a whole table and adding one row, in tables of 100 and 100,000 rows (the
//    adapter's cost must not grow with the table);
//  - one apuração aggregate of one declaration in a file of 1,000 declarations.
// Each side works on its own copy of the file, so neither sees the other's writes.
#include <benchmark/benchmark.h>

#include <map>

#include "bench_support.h"
#include "orvalis/dbengine.h"
#include "side_by_side.h"

namespace orvalis::bench {
namespace {

constexpr int kCfopsPerDeclaration = 50;

// Files are built once per size and reused by every benchmark of the run.
struct Fixture {
  explicit Fixture(int declarations) {
    path = dir.File("bench.mdb");
    raw_path = dir.File("raw.mdb");
    NewDeclarationFile(*workspace, path)->Close();
    FillDeclarations(path, declarations, kCfopsPerDeclaration, 20);
    std::filesystem::copy_file(path, raw_path);
    db = workspace->OpenDatabase(path, false, false, kPassword);
  }
  ScratchDir dir;
  std::string path;
  std::string raw_path;
  std::shared_ptr<Workspace> workspace = Engine().CreateWorkspace("", "admin", "");
  std::shared_ptr<Database> db;
};

Fixture& FixtureOf(int declarations) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& slot = fixtures[declarations];
  if (!slot) slot = std::make_unique<Fixture>(declarations);
  return *slot;
}

// ---- open a whole table and add one row ----

[[gnu::noinline]] void AdapterOpenTableAddRow(Database& db, int64_t row) {
  auto rs = db.OpenRecordset("Select * from tblDetalhesCFOPs");
  rs->AddNew();
  rs->SetValue("NroVEK", Variant(1));
  rs->SetValue("CFOP", Variant("9" + std::to_string(row)));
  rs->SetValue("Imposto", Variant("12,34"));
  rs->Update();
  rs->Close();
}

struct RawOpenTableAddRow {
  explicit RawOpenTableAddRow(const std::string& path) : raw(path) {
    sqlite3_prepare_v2(raw.db, "SELECT * FROM tblDetalhesCFOPs", -1, &select, nullptr);
    sqlite3_prepare_v2(raw.db,
                       "INSERT INTO tblDetalhesCFOPs(NroVEK, CFOP, Imposto) VALUES (1, ?1, 123400)",
                       -1, &insert, nullptr);
  }
  ~RawOpenTableAddRow() {
    sqlite3_finalize(select);
    sqlite3_finalize(insert);
  }
  // The read ends before the write, as the component's does: a read still running on the
  // connection would keep every commit from folding the log back into the file, so the
  // log would grow without end and no checkpoint would ever be paid for.
  [[gnu::noinline]] void operator()(int64_t row) {
    sqlite3_step(select);
    sqlite3_reset(select);
    const std::string cfop = "9" + std::to_string(row);
    sqlite3_bind_text(insert, 1, cfop.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  RawDb raw;
  sqlite3_stmt* select = nullptr;
  sqlite3_stmt* insert = nullptr;
};

// Table rows = declarations x 50 CFOP rows: 2 gives 100 rows, 2000 gives 100,000.
void BM_OpenTableAddRow(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  RawOpenTableAddRow raw(f.raw_path);
  static int64_t next = 0;  // codes unused in either file across repetitions
  const int64_t base = next;
  SideBySide sides;
  sides.Run(
      state, [&](int64_t i) { AdapterOpenTableAddRow(*f.db, base + i); },
      [&](int64_t i) { raw(base + i); });
  next = base + state.iterations();
  sides.Report(state);
  state.counters["rows"] = static_cast<double>(state.range(0) * kCfopsPerDeclaration);
}
BENCHMARK(BM_OpenTableAddRow)->Arg(2)->Arg(2000)->UseManualTime()->Apply(FixedIterations);

// ---- one apuração aggregate ----

constexpr const char* kCampo051 =
    "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] FROM tblDetalhesCFOPs "
    "WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or (tblDetalhesCFOPs.CFOP) Like '6*' Or "
    "(tblDetalhesCFOPs.CFOP) Like '7*')) GROUP BY tblDetalhesCFOPs.NroVEK HAVING "
    "(((tblDetalhesCFOPs.NroVEK)=";

[[gnu::noinline]] void AdapterAggregate(Database& db, int declaration) {
  std::string sql = std::string(kCampo051) + std::to_string(declaration) + "));";
  auto rs = db.OpenRecordset(sql);
  benchmark::DoNotOptimize(rs->GetValue("Soma de Imposto"));
  rs->Close();
}

struct RawAggregate {
  explicit RawAggregate(const std::string& path) : raw(path) {
    sqlite3_prepare_v2(raw.db,
                       "SELECT sum(Imposto) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND "
                       "(CFOP LIKE '5%' OR CFOP LIKE '6%' OR CFOP LIKE '7%') GROUP BY NroVEK",
                       -1, &sum, nullptr);
  }
  ~RawAggregate() { sqlite3_finalize(sum); }
  [[gnu::noinline]] void operator()(int declaration) {
    sqlite3_bind_int(sum, 1, declaration);
    if (sqlite3_step(sum) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int64(sum, 0));
    sqlite3_reset(sum);
  }
  RawDb raw;
  sqlite3_stmt* sum = nullptr;
};

void BM_ApuracaoAggregate(benchmark::State& state) {
  Fixture& f = FixtureOf(1000);
  RawAggregate raw(f.raw_path);
  auto declaration = [](int64_t i) { return static_cast<int>(i % 1000 + 1); };
  SideBySide sides;
  sides.Run(
      state, [&](int64_t i) { AdapterAggregate(*f.db, declaration(i)); },
      [&](int64_t i) { raw(declaration(i)); });
  sides.Report(state);
}
BENCHMARK(BM_ApuracaoAggregate)->UseManualTime()->Apply(FixedIterations);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
