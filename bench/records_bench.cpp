// The record and collection classes against raw SQLite on the same work, side by side in
// one run (side_by_side.h):
//  - one declaration's 50 CFOP rows fetched through CFOPs, counted and walked to the end,
//    in files of 10 and of 1,000 declarations: the cost must not depend on the file; raw
//    SQLite runs the same SELECT and steps the rows, reading every column; the same walk
//    on the adapter's recordset alone shows what the record layer adds;
//  - 100,000 CFOP rows entered one by one through CFOP.Create, spread over 1,000
//    declarations: raw SQLite runs one prepared INSERT per row, each in its own
//    transaction, into a file of its own. The cost of a row must not grow with the
//    table: the counters give the cost per row over the first and over the last 10,000
//    rows, and one row is timed alone in tables of 10,000 and of 100,000 rows.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bench_support.h"
#include "database/module_state.h"
#include "orvalis/records/cfop.h"
#include "side_by_side.h"

namespace orvalis::bench {
namespace {

constexpr int kDeclarations = 1000;
constexpr int kRowsToEnter = 100000;
constexpr int kSegment = 10000;
constexpr int kCfopsPerDeclaration = 50;

// A declaration file of `declarations` declarations with `cfops` CFOP rows each, opened
// in the shared workspace so that objects can be bound to it, and a copy of it for raw
// SQLite.
struct DeclarationFile {
  DeclarationFile(int declarations, int cfops)
      : path(dir.File("records.mdb")), raw_path(dir.File("raw.mdb")) {
    NewDeclarationFile(*Engine().CreateWorkspace("", "admin", ""), path)->Close();
    FillDeclarations(path, declarations, cfops, 0);
    std::filesystem::copy_file(path, raw_path);
    db = FindOrCreateSharedWorkspace()->OpenDatabase(path, false, false, kDatabasePassword);
  }
  ~DeclarationFile() { db->Close(); }

  ScratchDir dir;
  std::string path;
  std::string raw_path;
  std::shared_ptr<Database> db;
};

// ---- Fetch, Count and walk of one declaration's CFOP rows ----

// Files are built once per size and reused.
DeclarationFile& FileOf(int declarations) {
  static std::map<int, std::unique_ptr<DeclarationFile>> files;
  auto& slot = files[declarations];
  if (!slot) slot = std::make_unique<DeclarationFile>(declarations, kCfopsPerDeclaration);
  return *slot;
}

int MiddleDeclaration(int declarations) { return declarations / 2 + 1; }

// Fetch, Count, then MoveFirst and MoveNext until Last, reading an amount of each item.
[[gnu::noinline]] int CfopsFetchCountWalk(CFOPs& cfops, const Variant& declaration) {
  cfops.Fetch(declaration);
  int rows = 0;
  benchmark::DoNotOptimize(cfops.Count());
  for (auto item = cfops.MoveFirst(); !cfops.Last(); item = cfops.MoveNext()) {
    benchmark::DoNotOptimize(item->Get(CFOP::kImposto));
    ++rows;
  }
  return rows;
}

// The same on the recordset alone: the statement of CFOPs, Count's MoveLast and
// bookmark, every column read by name on every row.
[[gnu::noinline]] int RecordsetFetchCountWalk(Database& db, const std::string& sql) {
  auto rs = db.OpenRecordset(sql);
  const Bookmark first = rs->GetBookmark();
  rs->MoveLast();
  benchmark::DoNotOptimize(rs->RecordCount());
  rs->SetBookmark(first);
  int rows = 0;
  for (; !rs->IsEof(); rs->MoveNext()) {
    for (const auto& column : rs->Columns()) benchmark::DoNotOptimize(rs->GetValue(column.name));
    ++rows;
  }
  return rows;
}

// Raw SQLite: the SELECT stepped to its end, every column of every row read.
class RawSelectStep {
 public:
  explicit RawSelectStep(const std::string& path) : raw_(path) {
    sqlite3_prepare_v2(raw_.db, "SELECT * FROM tblDetalhesCFOPs WHERE (NroVEK = ?1)", -1, &select_,
                       nullptr);
  }
  ~RawSelectStep() { sqlite3_finalize(select_); }
  [[gnu::noinline]] int operator()(int declaration) {
    sqlite3_bind_int(select_, 1, declaration);
    int rows = 0;
    while (sqlite3_step(select_) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(select_); ++column) {
        benchmark::DoNotOptimize(sqlite3_column_value(select_, column));
      }
      ++rows;
    }
    sqlite3_reset(select_);
    return rows;
  }

 private:
  RawDb raw_;
  sqlite3_stmt* select_ = nullptr;
};

void ExpectRows(benchmark::State& state, int rows) {
  if (rows != kCfopsPerDeclaration) state.SkipWithError("wrong row count");
}

// The walk `walk(file, declaration)` against raw SQLite's, in a file of state.range(0)
// declarations.
template <typename Walk>
void WalkSideBySide(benchmark::State& state, Walk&& walk) {
  const int declarations = static_cast<int>(state.range(0));
  DeclarationFile& file = FileOf(declarations);
  const int declaration = MiddleDeclaration(declarations);
  RawSelectStep raw(file.raw_path);
  SideBySide sides;
  sides.Run(
      state, [&](int64_t) { ExpectRows(state, walk(file, declaration)); },
      [&](int64_t) { ExpectRows(state, raw(declaration)); });
  sides.Report(state);
  state.counters["rows"] = kCfopsPerDeclaration;
}

void BM_CfopsFetchCountWalk(benchmark::State& state) {
  auto cfops = std::make_shared<CFOPs>();
  WalkSideBySide(state, [&](DeclarationFile& file, int declaration) {
    if (!cfops->database()) cfops->DBIndex(file.path);
    return CfopsFetchCountWalk(*cfops, Variant(declaration));
  });
}

void BM_RecordsetFetchCountWalk(benchmark::State& state) {
  WalkSideBySide(state, [](DeclarationFile& file, int declaration) {
    return RecordsetFetchCountWalk(*file.db, "Select * from tblDetalhesCFOPs Where (NroVEK = " +
                                                 std::to_string(declaration) + ")");
  });
}

// Walks in files of 10 and of 1,000 declarations.
void InFilesOfTenAndAThousand(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(10)->Arg(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);
  FixedIterations(benchmark);
}
BENCHMARK(BM_CfopsFetchCountWalk)->Apply(InFilesOfTenAndAThousand);
BENCHMARK(BM_RecordsetFetchCountWalk)->Apply(InFilesOfTenAndAThousand);

// ---- rows entered one by one ----

// Row `row` goes to declaration row % 1000 + 1 under a code of its own, one that the
// rows FillDeclarations writes never use.
std::string CodeOf(int64_t row) { return std::to_string(90000 + row / kDeclarations); }
int DeclarationOf(int64_t row) { return static_cast<int>(row % kDeclarations + 1); }

// Enters rows through CFOP.Create.
class CfopCreate {
 public:
  explicit CfopCreate(const DeclarationFile& file) { cfop_->DBIndex(file.path); }
  [[gnu::noinline]] void operator()(int64_t row) {
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
  explicit RawSqliteInsert(const DeclarationFile& file) : raw_(file.raw_path) {
    sqlite3_prepare_v2(raw_.db,
                       "INSERT INTO tblDetalhesCFOPs(NroVEK, CFOP, ValorContábil, BaseCálculo, "
                       "Imposto, IsentasNãoTrib, Outras, ImpostoRetidoST, ImpRetSubstitutoST, "
                       "ImpRetSubstituido, OutrosImpostos) VALUES (?1, ?2, ?3, 0, ?4, 0, 0, 0, "
                       "0, 0, 0)",
                       -1, &insert_, nullptr);
  }
  ~RawSqliteInsert() { sqlite3_finalize(insert_); }
  [[gnu::noinline]] void operator()(int64_t row) {
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

int64_t StoredRows(const std::string& path) {
  RawDb raw(path);
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(raw.db, "SELECT count(*) FROM tblDetalhesCFOPs", -1, &count, nullptr);
  sqlite3_step(count);
  const int64_t rows = sqlite3_column_int64(count, 0);
  sqlite3_finalize(count);
  return rows;
}

// 100,000 rows into files of 1,000 empty declarations, one row per iteration on each
// side; the counters give each side's cost per row over the first and the last 10,000.
void BM_Enter100k(benchmark::State& state) {
  DeclarationFile file(kDeclarations, 0);
  CfopCreate create(file);
  RawSqliteInsert insert(file);
  double first[2] = {0, 0};
  double last[2] = {0, 0};
  SideBySide sides;
  sides.Run(state, create, insert, [&](int64_t row, double component_seconds, double raw_seconds) {
    double* segment = row < kSegment ? first : row >= kRowsToEnter - kSegment ? last : nullptr;
    if (segment == nullptr) return;
    segment[0] += component_seconds;
    segment[1] += raw_seconds;
  });
  sides.Report(state);
  const auto per_row = [](double seconds) { return seconds * 1e6 / kSegment; };
  state.counters["us_per_row_first_10k"] = per_row(first[0]);
  state.counters["us_per_row_last_10k"] = per_row(last[0]);
  state.counters["raw_us_per_row_first_10k"] = per_row(first[1]);
  state.counters["raw_us_per_row_last_10k"] = per_row(last[1]);
  if (StoredRows(file.path) != kRowsToEnter || StoredRows(file.raw_path) != kRowsToEnter) {
    state.SkipWithError("not every row was entered");
  }
}
BENCHMARK(BM_Enter100k)->Iterations(kRowsToEnter)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One row at a time into tables that already hold state.range(0) rows.
void BM_EnterOneRowAt(benchmark::State& state) {
  DeclarationFile file(kDeclarations, static_cast<int>(state.range(0)) / kDeclarations);
  CfopCreate create(file);
  RawSqliteInsert insert(file);
  SideBySide sides;
  sides.Run(
      state, [&](int64_t row) { create(row); }, [&](int64_t row) { insert(row); });
  sides.Report(state);
  const int64_t expected = state.range(0) + state.iterations();
  if (StoredRows(file.path) != expected || StoredRows(file.raw_path) != expected) {
    state.SkipWithError("not every row was entered");
  }
}
BENCHMARK(BM_EnterOneRowAt)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
