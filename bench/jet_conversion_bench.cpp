// Converting files of the old engine: the largest sample file in place (per megabyte of
// the original), and the conversion of many rows through the source interface (per
// thousand rows), since the sample files hold few rows.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_support.h"
#include "database/jet_conversion.h"
#include "database/jet_file_conversion.h"

namespace orvalis::bench {
namespace {

namespace fs = std::filesystem;

const std::string kLargestSample = ORVALIS_TEST_DATA_DIR "/jet/testV2000.mdb";

// Seconds per `units` of work (a megabyte, a thousand rows), shown as such.
benchmark::Counter SecondsPer(double units) {
  return benchmark::Counter(
      units, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ConvertLargestSampleInPlace(benchmark::State& state) {
  ScratchDir scratch;
  const std::string path = scratch.File("sample.mdb");
  const double megabytes = static_cast<double>(fs::file_size(kLargestSample)) / (1 << 20);
  int64_t rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(path);
    fs::remove(path + ".jet");
    fs::copy_file(kLargestSample, path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    state.ResumeTiming();
    rows = 0;
    for (const auto& table : database::ConvertJetFileInPlace(path).tables) rows += table.rows;
  }
  state.counters["MB"] = megabytes;
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["s_per_MB"] = SecondsPer(megabytes);
}
BENCHMARK(BM_ConvertLargestSampleInPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

// A table shaped like the CFOP details of many declarations, made up row by row.
class ManyRowsSource final : public database::JetSource {
 public:
  explicit ManyRowsSource(int64_t rows) : rows_(rows) {}

  std::vector<database::JetTable> Tables() override {
    database::JetTable table{"tblDetalhesCFOPs", {}, {}, rows_, 0};
    table.columns.push_back({"NroVEK", ColumnSpec{FieldType::kLong, 4, 0}});
    table.columns.push_back({"CFOP", ColumnSpec{FieldType::kText, 10, 0}});
    for (const char* name :
         {"ValorContábil", "BaseCálculo", "Imposto", "IsentasNãoTrib", "Outras", "ImpostoRetidoST",
          "ImpRetSubstitutoST", "ImpRetSubstituido", "OutrosImpostos"}) {
      table.columns.push_back({name, ColumnSpec{FieldType::kCurrency, 8, 0}});
    }
    table.indexes.push_back({"NroVEK", true, true, {"NroVEK", "CFOP"}});
    return {table};
  }

  std::unique_ptr<database::JetRows> Rows(const database::JetTable&) override {
    return std::make_unique<Reader>(rows_);
  }

 private:
  class Reader final : public database::JetRows {
   public:
    explicit Reader(int64_t rows) : rows_(rows) {}
    bool Next(std::vector<Variant>& row) override {
      if (next_ == rows_) return false;
      row.clear();
      row.push_back(Variant::Long(static_cast<int32_t>(next_ / 20 + 1)));
      row.push_back(Variant("5." + std::to_string(100 + next_ % 20)));
      for (int c = 0; c < 9; ++c) row.push_back(Variant(Currency::FromRaw(next_ * 10000 + c)));
      ++next_;
      return true;
    }

   private:
    int64_t rows_;
    int64_t next_ = 0;
  };

  int64_t rows_;
};

void BM_ConvertRowsThroughTheSource(benchmark::State& state) {
  ScratchDir scratch;
  const std::string path = scratch.File("rows.mdb");
  const int64_t rows = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(path);
    ManyRowsSource source(rows);
    state.ResumeTiming();
    database::ConvertJetSource(source, path);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["s_per_1000_rows"] = SecondsPer(static_cast<double>(rows) / 1000);
}
BENCHMARK(BM_ConvertRowsThroughTheSource)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace orvalis::bench

BENCHMARK_MAIN();
