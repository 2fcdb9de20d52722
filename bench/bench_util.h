// Small helpers shared by the benchmark programs: per-iteration timing statistics, the Qt
// application every font and image operation needs, and a reporter that keeps the runs for a
// summary table after Google Benchmark's own output.
#pragma once

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace pwbench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// CPU time of the whole process (every thread), in ms: what a step costs whatever else the
// machine is doing, and, beside the wall time, how many threads it kept busy.
inline double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Stats {
  double median = 0, p95 = 0, min = 0;
};

// Median and 95th percentile (nearest rank) of a sample.
inline Stats statsOf(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  const size_t rank = static_cast<size_t>(std::ceil(0.95 * static_cast<double>(n)));
  s.p95 = v[std::clamp<size_t>(rank, 1, n) - 1];
  s.min = v.front();
  return s;
}

// Counters of a measured operation against its reference, timed in turn over the same rounds:
// "<name>_med_ms", "<name>_p95_ms" for both, and the ratios "ratio_med" and "ratio_p95".
inline void setPairCounters(benchmark::State& state, const std::string& name,
                            const std::vector<double>& times, const std::string& refName,
                            const std::vector<double>& refTimes) {
  const Stats a = statsOf(times), b = statsOf(refTimes);
  state.counters[name + "_med_ms"] = a.median;
  state.counters[name + "_p95_ms"] = a.p95;
  state.counters[refName + "_med_ms"] = b.median;
  state.counters[refName + "_p95_ms"] = b.p95;
  state.counters["ratio_med"] = a.median / b.median;
  state.counters["ratio_p95"] = a.p95 / b.p95;
}

// Offscreen unless the caller chose a platform.
inline void useOffscreenPlatform() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }

// Console output as usual, and every run's counters kept by benchmark name.
class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto& m = kept[r.benchmark_name()];
      for (const auto& [name, c] : r.counters) m[name] = c.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::map<std::string, double>> kept;
};

// Runs the benchmarks the command line selects through `rep`, which keeps them for a summary.
inline void runKeeping(int* argc, char** argv, KeepingReporter& rep) {
  benchmark::Initialize(argc, argv);
  benchmark::RunSpecifiedBenchmarks(&rep);
  benchmark::Shutdown();
}

}  // namespace pwbench
