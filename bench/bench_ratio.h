#pragma once

// Runs the registered benchmarks and prints, after Google Benchmark's own table,
// one line per comparison of a figure with its baseline measured in the same run:
// (CPU time, system time included, so other work on the machine does not skew it;
// wall-clock time where a comparison asks for it, as when waiting on the disk counts;
// of repeated runs the fastest, see FastestOf):
//   RATIO <figure> vs <baseline>: <ratio>x (target <op> <limit>x) PASS|MISS
// and one line per throughput figure held to a fixed bar:
//   FIGURE <name>: <value> <unit> (bar <op> <bar>) PASS|MISS
// scripts/run-bench.sh collects these lines into its summary table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace quillet::bench {

struct Comparison {
  std::string figure;    // benchmark name
  std::string baseline;  // benchmark name
  // The figure passes when figure/baseline <= limit (atMost) or baseline/figure >= limit;
  // a limit of 0 shows the ratio with no target.
  double limit;
  bool atMost;
  bool wallClock = false;
};

// Items handled per second by one benchmark, in millions, against a bar.
struct Throughput {
  std::string name;       // as the summary shows it, no blanks
  std::string benchmark;  // benchmark name
  double itemsPerIteration;
  std::string unit;  // e.g. "Mrows/s"
  double bar;        // passes when the figure >= bar; 0: shown with no bar
  bool wallClock = false;
};

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // Of repeated runs the fastest ("min", where a benchmark computes it) tells best
      // what the code costs on a shared machine; else their median; else the one run.
      const int rank = run.run_type == Run::RT_Iteration ? 1
                       : run.aggregate_name == "median"  ? 2
                       : run.aggregate_name == "min"     ? 3
                                                         : 0;
      int& best = rank_[run.run_name.function_name];
      if (rank == 0 || rank < best) continue;
      best = rank;
      // In seconds, whatever unit each benchmark reports in.
      const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
      cpu_[run.run_name.function_name] = run.GetAdjustedCPUTime() / unit;
      wall_[run.run_name.function_name] = run.GetAdjustedRealTime() / unit;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Seconds per iteration; 0 when the benchmark did not run.
  double Time(const std::string& name, bool wallClock = false) const {
    const std::map<std::string, double>& seconds = wallClock ? wall_ : cpu_;
    const auto it = seconds.find(name);
    return it == seconds.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> cpu_, wall_;
  std::map<std::string, int> rank_;
};

// Repeats a benchmark and adds the "min" aggregate its ratios then use, for figures
// that swing with the load other work puts on the machine:
//   BENCHMARK(BM_Figure)->Apply(bench::FastestOf);
inline void FastestOf(benchmark::internal::Benchmark* b) {
  b->Repetitions(7)->ComputeStatistics(
      "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

// prepare runs after the flags are read and before any timing (test data).
inline int RunWithRatios(int argc, char** argv, const std::vector<Comparison>& comparisons,
                         const std::vector<Throughput>& throughputs = {},
                         void (*prepare)() = nullptr) {
  benchmark::Initialize(&argc, argv);
  if (prepare) prepare();
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Comparison& c : comparisons) {
    const double figure = reporter.Time(c.figure, c.wallClock),
                 baseline = reporter.Time(c.baseline, c.wallClock);
    if (figure <= 0 || baseline <= 0) continue;
    const double ratio = c.atMost ? figure / baseline : baseline / figure;
    if (c.limit <= 0) {
      std::printf("RATIO %s vs %s: %.2fx (target none) INFO\n", c.figure.c_str(),
                  c.baseline.c_str(), ratio);
      continue;
    }
    const bool pass = c.atMost ? ratio <= c.limit : ratio >= c.limit;
    std::printf("RATIO %s vs %s: %.2fx (target %s %.1fx) %s\n", c.figure.c_str(),
                c.baseline.c_str(), ratio, c.atMost ? "<=" : ">=", c.limit, pass ? "PASS" : "MISS");
  }
  for (const Throughput& t : throughputs) {
    const double seconds = reporter.Time(t.benchmark, t.wallClock);
    if (seconds <= 0) continue;
    const double value = t.itemsPerIteration / seconds / 1e6;
    if (t.bar <= 0) {
      std::printf("FIGURE %s: %.2f %s (bar none) INFO\n", t.name.c_str(), value, t.unit.c_str());
      continue;
    }
    std::printf("FIGURE %s: %.2f %s (bar >= %.1f) %s\n", t.name.c_str(), value, t.unit.c_str(),
                t.bar, value >= t.bar ? "PASS" : "MISS");
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace quillet::bench
