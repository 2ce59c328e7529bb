// The engine adapter against raw SQLite on the same work:
//  - opening a whole table and adding one row, in tables of 100 and 100,000 rows (the
//    adapter's cost must not grow with the table);
//  - one apuração aggregate of one declaration in a file of 1,000 declarations.
#include <benchmark/benchmark.h>

#include <map>

#include "bench_support.h"
#include "orvalis/dbengine.h"

namespace orvalis::bench {
namespace {

constexpr int kCfopsPerDeclaration = 50;

// Files are built once per size and reused by every benchmark of the run.
struct Fixture {
  explicit Fixture(int declarations) {
    path = dir.File("bench.mdb");
    NewDeclarationFile(*workspace, path)->Close();
    FillDeclarations(path, declarations, kCfopsPerDeclaration, 20);
    db = workspace->OpenDatabase(path, false, false, kPassword);
  }
  ScratchDir dir;
  std::string path;
  std::shared_ptr<Workspace> workspace = Engine().CreateWorkspace("", "admin", "");
  std::shared_ptr<Database> db;
};

Fixture& FixtureOf(int declarations) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& slot = fixtures[declarations];
  if (!slot) slot = std::make_unique<Fixture>(declarations);
  return *slot;
}

// Table rows = declarations x 50 CFOP rows: 2 gives 100 rows, 2000 gives 100,000.
void BM_AdapterOpenTableAddRow(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  static int next = 0;
  for (auto _ : state) {
    auto rs = f.db->OpenRecordset("Select * from tblDetalhesCFOPs");
    rs->AddNew();
    rs->SetValue("NroVEK", Variant(1));
    rs->SetValue("CFOP", Variant("9" + std::to_string(next++)));
    rs->SetValue("Imposto", Variant("12,34"));
    rs->Update();
    rs->Close();
  }
  state.counters["rows"] = static_cast<double>(state.range(0) * kCfopsPerDeclaration);
}
BENCHMARK(BM_AdapterOpenTableAddRow)->Arg(2)->Arg(2000);

void BM_RawSqliteOpenTableAddRow(benchmark::State& state) {
  Fixture& f = FixtureOf(static_cast<int>(state.range(0)));
  RawDb raw(f.path);
  sqlite3_stmt* select = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(raw.db, "SELECT * FROM tblDetalhesCFOPs", -1, &select, nullptr);
  sqlite3_prepare_v2(raw.db,
                     "INSERT INTO tblDetalhesCFOPs(NroVEK, CFOP, Imposto) VALUES (1, ?1, 123400)",
                     -1, &insert, nullptr);
  static int next = 0;
  for (auto _ : state) {
    sqlite3_step(select);
    std::string cfop = "8" + std::to_string(next++);
    sqlite3_bind_text(insert, 1, cfop.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
    sqlite3_reset(select);
  }
  sqlite3_finalize(select);
  sqlite3_finalize(insert);
  state.counters["rows"] = static_cast<double>(state.range(0) * kCfopsPerDeclaration);
}
BENCHMARK(BM_RawSqliteOpenTableAddRow)->Arg(2)->Arg(2000);

constexpr const char* kCampo051 =
    "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] FROM tblDetalhesCFOPs "
    "WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or (tblDetalhesCFOPs.CFOP) Like '6*' Or "
    "(tblDetalhesCFOPs.CFOP) Like '7*')) GROUP BY tblDetalhesCFOPs.NroVEK HAVING "
    "(((tblDetalhesCFOPs.NroVEK)=";

void BM_AdapterApuracaoAggregate(benchmark::State& state) {
  Fixture& f = FixtureOf(1000);
  int declaration = 0;
  for (auto _ : state) {
    std::string sql = std::string(kCampo051) + std::to_string(declaration++ % 1000 + 1) + "));";
    auto rs = f.db->OpenRecordset(sql);
    benchmark::DoNotOptimize(rs->GetValue("Soma de Imposto"));
    rs->Close();
  }
}
BENCHMARK(BM_AdapterApuracaoAggregate);

void BM_RawSqliteApuracaoAggregate(benchmark::State& state) {
  Fixture& f = FixtureOf(1000);
  RawDb raw(f.path);
  sqlite3_stmt* sum = nullptr;
  sqlite3_prepare_v2(raw.db,
                     "SELECT sum(Imposto) FROM tblDetalhesCFOPs WHERE NroVEK = ?1 AND "
                     "(CFOP LIKE '5%' OR CFOP LIKE '6%' OR CFOP LIKE '7%') GROUP BY NroVEK",
                     -1, &sum, nullptr);
  int declaration = 0;
  for (auto _ : state) {
    sqlite3_bind_int(sum, 1, declaration++ % 1000 + 1);
    if (sqlite3_step(sum) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int64(sum, 0));
    sqlite3_reset(sum);
  }
  sqlite3_finalize(sum);
}
BENCHMARK(BM_RawSqliteApuracaoAggregate);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
