// The record and collection classes against raw SQLite on the same work:
//  - 100,000 CFOP rows entered one by one through CFOP.Create, spread over 1,000
//    declarations: the cost of a row must not grow with the table, so the counters give
//    the cost per row over the first and over the last 10,000 rows, and one row is timed
//    alone in tables of 10,000 and of 100,000 rows; raw SQLite runs one prepared INSERT
//    per row, each in its own transaction, into the same kind of file;
//  - one declaration's 50 CFOP rows fetched through CFOPs, counted and walked to the end,
//    in files of 10 and of 1,000 declarations: the cost must not depend on the file; raw
//    SQLite runs the same SELECT and steps the rows, reading every column; the same walk
//    on the adapter's recordset alone shows what the record layer adds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

#include "bench_support.h"
#include "database/module_state.h"
#include "orvalis/records/cfop.h"

namespace orvalis::bench {
namespace {

constexpr int kDeclarations = 1000;
constexpr int kRowsToEnter = 100000;
constexpr int kSegment = 10000;
constexpr int kCfopsPerDeclaration = 50;

// A declaration file of `declarations` declarations with `cfops` CFOP rows each, opened
// in the shared workspace so that objects can be bound to it.
struct DeclarationFile {
  DeclarationFile(int declarations, int cfops) : path(dir.File("records.mdb")) {
    NewDeclarationFile(*Engine().CreateWorkspace("", "admin", ""), path)->Close();
    FillDeclarations(path, declarations, cfops, 0);
    db = FindOrCreateSharedWorkspace()->OpenDatabase(path, false, false, kDatabasePassword);
  }
  ~DeclarationFile() { db->Close(); }

  ScratchDir dir;
  std::string path;
  std::shared_ptr<Database> db;
};

using Clock = std::chrono::steady_clock;

// Row `row` goes to declaration row % 1000 + 1 under a code of its own, one that the
// rows FillDeclarations writes never use.
std::string CodeOf(int row) { return std::to_string(90000 + row / kDeclarations); }
int DeclarationOf(int row) { return row % kDeclarations + 1; }

// Enters rows through CFOP.Create.
class CfopCreate {
 public:
  explicit CfopCreate(const DeclarationFile& file) { cfop_->DBIndex(file.path); }
  void operator()(int row) {
    cfop_->Set(CFOP::kNroVEK, DeclarationOf(row));
    cfop_->Set(CFOP::kCFOP, CodeOf(row));
    cfop_->Set(CFOP::kValorContábil, Variant(Currency::FromRaw(int64_t{10000} * row)));
    cfop_->Set(CFOP::kImposto, Variant(Currency::FromRaw(int64_t{1800} * row)));
    cfop_->Create();
  }

 private:
  std::shared_ptr<CFOP> cfop_ = std::make_shared<CFOP>();
};

// Enters the same rows with one prepared INSERT each, in autocommit.
class RawSqliteInsert {
 public:
  explicit RawSqliteInsert(const DeclarationFile& file) : raw_(file.path) {
    sqlite3_prepare_v2(raw_.db,
                       "INSERT INTO tblDetalhesCFOPs(NroVEK, CFOP, ValorContábil, BaseCálculo, "
                       "Imposto, IsentasNãoTrib, Outras, ImpostoRetidoST, ImpRetSubstitutoST, "
                       "ImpRetSubstituido, OutrosImpostos) VALUES (?1, ?2, ?3, 0, ?4, 0, 0, 0, "
                       "0, 0, 0)",
                       -1, &insert_, nullptr);
  }
  ~RawSqliteInsert() { sqlite3_finalize(insert_); }
  void operator()(int row) {
    const std::string code = CodeOf(row);
    sqlite3_bind_int(insert_, 1, DeclarationOf(row));
    sqlite3_bind_text(insert_, 2, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert_, 3, int64_t{10000} * row);
    sqlite3_bind_int64(insert_, 4, int64_t{1800} * row);
    sqlite3_step(insert_);
    sqlite3_reset(insert_);
  }

 private:
  RawDb raw_;
  sqlite3_stmt* insert_ = nullptr;
};

int32_t StoredRows(const DeclarationFile& file) {
  return ToLong(
      file.db->OpenRecordset("SELECT count(*) AS n FROM tblDetalhesCFOPs")->GetValue("n"));
}

// 100,000 rows into an empty file of 1,000 declarations; the counters give the cost per
// row over the first and over the last 10,000.
template <typename Enter>
void BM_Enter100k(benchmark::State& state) {
  DeclarationFile file(kDeclarations, 0);
  Enter enter(file);
  Clock::duration first{};
  Clock::duration last{};
  for (auto _ : state) {
    for (int row = 0; row < kRowsToEnter; ++row) {
      const auto start = Clock::now();
      enter(row);
      const auto took = Clock::now() - start;
      if (row < kSegment) first += took;
      if (row >= kRowsToEnter - kSegment) last += took;
    }
  }
  const auto per_row = [](Clock::duration elapsed) {
    return std::chrono::duration<double, std::micro>(elapsed).count() / kSegment;
  };
  state.counters["us_per_row_first_10k"] = per_row(first);
  state.counters["us_per_row_last_10k"] = per_row(last);
  if (StoredRows(file) != kRowsToEnter) state.SkipWithError("not every row was entered");
}
BENCHMARK_TEMPLATE(BM_Enter100k, CfopCreate)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_TEMPLATE(BM_Enter100k, RawSqliteInsert)->Iterations(1)->Unit(benchmark::kSecond);

// One row at a time into a table that already holds state.range(0) rows.
template <typename Enter>
void BM_EnterOneRowAt(benchmark::State& state) {
  DeclarationFile file(kDeclarations, static_cast<int>(state.range(0)) / kDeclarations);
  Enter enter(file);
  int row = 0;
  for (auto _ : state) enter(row++);
  if (StoredRows(file) != state.range(0) + row) state.SkipWithError("not every row was entered");
}
BENCHMARK_TEMPLATE(BM_EnterOneRowAt, CfopCreate)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_EnterOneRowAt, RawSqliteInsert)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);

// Files are built once per size and reused.
DeclarationFile& FileOf(int declarations) {
  static std::map<int, std::unique_ptr<DeclarationFile>> files;
  auto& slot = files[declarations];
  if (!slot) slot = std::make_unique<DeclarationFile>(declarations, kCfopsPerDeclaration);
  return *slot;
}

void BM_CfopsFetchCountWalk(benchmark::State& state) {
  const int declarations = static_cast<int>(state.range(0));
  DeclarationFile& file = FileOf(declarations);
  auto cfops = std::make_shared<CFOPs>();
  cfops->DBIndex(file.path);
  const Variant declaration(declarations / 2 + 1);
  for (auto _ : state) {
    cfops->Fetch(declaration);
    int rows = 0;
    benchmark::DoNotOptimize(cfops->Count());
    for (auto item = cfops->MoveFirst(); !cfops->Last(); item = cfops->MoveNext()) {
      benchmark::DoNotOptimize(item->Get(CFOP::kImposto));
      ++rows;
    }
    if (rows != kCfopsPerDeclaration) state.SkipWithError("wrong row count");
  }
  state.counters["rows"] = kCfopsPerDeclaration;
}
BENCHMARK(BM_CfopsFetchCountWalk)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_RawSqliteSelectStep(benchmark::State& state) {
  const int declarations = static_cast<int>(state.range(0));
  DeclarationFile& file = FileOf(declarations);
  RawDb raw(file.path);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(raw.db, "SELECT * FROM tblDetalhesCFOPs WHERE (NroVEK = ?1)", -1, &select,
                     nullptr);
  for (auto _ : state) {
    sqlite3_bind_int(select, 1, declarations / 2 + 1);
    int rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(select); ++column) {
        benchmark::DoNotOptimize(sqlite3_column_value(select, column));
      }
      ++rows;
    }
    sqlite3_reset(select);
    if (rows != kCfopsPerDeclaration) state.SkipWithError("wrong row count");
  }
  sqlite3_finalize(select);
  state.counters["rows"] = kCfopsPerDeclaration;
}
BENCHMARK(BM_RawSqliteSelectStep)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The same work on the engine adapter's recordset directly (the statement of CFOPs,
// Count's MoveLast and bookmark, every column read by name on every row): what the
// record layer adds is the difference from BM_CfopsFetchCountWalk.
void BM_RecordsetFetchCountWalk(benchmark::State& state) {
  const int declarations = static_cast<int>(state.range(0));
  DeclarationFile& file = FileOf(declarations);
  const std::string sql =
      "Select * from tblDetalhesCFOPs Where (NroVEK = " + std::to_string(declarations / 2 + 1) +
      ")";
  for (auto _ : state) {
    auto rs = file.db->OpenRecordset(sql);
    const Bookmark first = rs->GetBookmark();
    rs->MoveLast();
    benchmark::DoNotOptimize(rs->RecordCount());
    rs->SetBookmark(first);
    for (; !rs->IsEof(); rs->MoveNext()) {
      for (const auto& column : rs->Columns()) benchmark::DoNotOptimize(rs->GetValue(column.name));
    }
  }
  state.counters["rows"] = kCfopsPerDeclaration;
}
BENCHMARK(BM_RecordsetFetchCountWalk)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
