// Timing the component and raw SQLite on one work in one run.
//
// The two sides take turns within every iteration (which one goes first alternates), so
// both meet the same load on a shared machine. The benchmark's time is the component's
// (register it with UseManualTime); its counters give raw SQLite's time per iteration and
// the ratio component / raw by elapsed time ("ratio") and by this thread's CPU time
// ("cpu_ratio"). Run with --benchmark_repetitions=N to get their medians.
//
// ORVALIS_BENCH_ITERATIONS=n in the environment fixes the iterations of every benchmark
// registered with FixedIterations, so that instruction counts (callgrind) repeat exactly;
// the work of each side is a function of its own, kept out of line, so that callgrind
// counts each side apart.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>

namespace orvalis::bench {

// Applies ORVALIS_BENCH_ITERATIONS, when set, to a benchmark (use with ->Apply).
void FixedIterations(benchmark::internal::Benchmark* benchmark);

class SideBySide {
 public:
  struct NoObserver {
    void operator()(int64_t, double, double) const {}
  };
  // Runs `component(i)` and `raw(i)` once per iteration i (0, 1, ...), timing each, and
  // then `observe(i, component_seconds, raw_seconds)`.
  template <class Component, class Raw, class Observer = NoObserver>
  void Run(benchmark::State& state, Component&& component, Raw&& raw, Observer&& observe = {}) {
    int64_t i = 0;
    for (auto _ : state) {
      double component_seconds = 0;
      double raw_seconds = 0;
      if (i % 2 == 0) {
        component_seconds = Time(component_, component, i);
        raw_seconds = Time(raw_, raw, i);
      } else {
        raw_seconds = Time(raw_, raw, i);
        component_seconds = Time(component_, component, i);
      }
      state.SetIterationTime(component_seconds);
      observe(i, component_seconds, raw_seconds);
      ++i;
    }
  }
  // Sets the counters raw_us, ratio and cpu_ratio.
  void Report(benchmark::State& state) const;

 private:
  struct Totals {
    double elapsed = 0;
    double cpu = 0;
  };
  static double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }
  template <class Work>
  static double Time(Totals& totals, Work& work, int64_t i) {
    const double cpu_start = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work(i);
    const auto end = std::chrono::steady_clock::now();
    totals.cpu += ThreadCpuSeconds() - cpu_start;
    const double elapsed = std::chrono::duration<double>(end - start).count();
    totals.elapsed += elapsed;
    return elapsed;
  }

  Totals component_;
  Totals raw_;
};

}  // namespace orvalis::bench
