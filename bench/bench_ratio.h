#pragma once

// Runs the registered benchmarks and prints, after Google Benchmark's own table,
// one line per comparison of a figure with its baseline measured in the same run:
// (CPU time, system time included, so other work on the machine does not skew it):
//   RATIO <figure> vs <baseline>: <ratio>x (target <op> <limit>x) PASS|MISS
// scripts/run-bench.sh collects these lines into its summary table.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace quillet::bench {

struct Comparison {
  std::string figure;    // benchmark name
  std::string baseline;  // benchmark name
  // The figure passes when figure/baseline <= limit (atMost) or baseline/figure >= limit.
  double limit;
  bool atMost;
};

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
        seconds_[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    const auto it = seconds_.find(name);
    return it == seconds_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

inline int RunWithRatios(int argc, char** argv, const std::vector<Comparison>& comparisons) {
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Comparison& c : comparisons) {
    const double figure = reporter.Time(c.figure), baseline = reporter.Time(c.baseline);
    if (figure <= 0 || baseline <= 0) continue;
    const double ratio = c.atMost ? figure / baseline : baseline / figure;
    const bool pass = c.atMost ? ratio <= c.limit : ratio >= c.limit;
    std::printf("RATIO %s vs %s: %.2fx (target %s %.1fx) %s\n", c.figure.c_str(),
                c.baseline.c_str(), ratio, c.atMost ? "<=" : ">=", c.limit, pass ? "PASS" : "MISS");
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace quillet::bench
