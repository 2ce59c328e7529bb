#include "side_by_side.h"

#include <cstdlib>

namespace orvalis::bench {

void FixedIterations(benchmark::internal::Benchmark* benchmark) {
  if (const char* iterations = std::getenv("ORVALIS_BENCH_ITERATIONS")) {
    benchmark->Iterations(std::atoll(iterations));
  }
}

void SideBySide::Report(benchmark::State& state) const {
  const double iterations = static_cast<double>(state.iterations());
  if (iterations == 0 || raw_.elapsed <= 0 || raw_.cpu <= 0) return;
  state.counters["raw_us"] = raw_.elapsed / iterations * 1e6;
  state.counters["ratio"] = component_.elapsed / raw_.elapsed;
  state.counters["cpu_ratio"] = component_.cpu / raw_.cpu;
}

}  // namespace orvalis::bench
