#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace quillet::bench {

// Marks a benchmark as one figure of `make bench`'s summary: its time against
// the baseline benchmark of the same program (measured in the same run) and
// the ratio it must stay within. scripts/run-bench.sh reads the label.
inline void ReportAgainst(benchmark::State& state, std::string_view baseline, double targetRatio) {
  char target[32];
  std::snprintf(target, sizeof target, "%g", targetRatio);
  state.SetLabel("baseline=" + std::string(baseline) + " target=" + target);
}

// For a benchmark that measures its own baseline: the ratio as a counter.
inline void ReportRatio(benchmark::State& state, double ratio, double targetRatio) {
  char target[32];
  std::snprintf(target, sizeof target, "%g", targetRatio);
  state.counters["ratio"] = ratio;
  state.SetLabel(std::string("target=") + target);
}

}  // namespace quillet::bench
