// The Portfolio scan of a generated tree against `find ROOT -xdev -iname master
// -type f` on the same tree, in the same run. find runs in a child process, so
// both figures are CPU time (user + system) taken with getrusage: the scanner's
// own, and find's as a waited-for child.

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "core/portfolio/scanner.h"
#include "support/portfolio_builder.h"

namespace {

using namespace quillet;

// 20 x 20 x 50 leaf folders under 420 inner ones: about 20 400 folders, a
// Portfolio (MASTER, two quote files) in every 200th leaf.
constexpr int kTop = 20, kMiddle = 20, kLeaves = 50, kPortfolioEvery = 200;

struct Tree {
  testing::TempDir tmp;
  int portfolios = 0;
  Tree() {
    int leaf = 0;
    for (int t = 0; t < kTop; ++t) {
      for (int m = 0; m < kMiddle; ++m) {
        for (int l = 0; l < kLeaves; ++l, ++leaf) {
          const auto dir = tmp.root() / ("top" + std::to_string(t)) / ("mid" + std::to_string(m)) /
                           ("leaf" + std::to_string(l));
          std::filesystem::create_directories(dir);
          if (leaf % kPortfolioEvery == 0) {
            testing::PortfolioBuilder p(dir);
            p.AddSeries(1, "S", "NAME", testing::DailyRows(100, 10));
            p.WriteMaster();
            ++portfolios;
          } else if (leaf % 7 == 0) {
            testing::WriteBytes(dir / "notes.txt", {1, 2, 3});
          }
        }
      }
    }
  }
};

Tree& SharedTree() {
  static Tree tree;
  return tree;
}

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_FindBaseline(benchmark::State& state) {
  const std::string command =
      "find '" + SharedTree().tmp.str() + "' -xdev -iname master -type f > /dev/null";
  for (auto _ : state) {
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
    state.SetIterationTime(CpuSeconds(RUSAGE_CHILDREN) - before);
  }
}
BENCHMARK(BM_FindBaseline)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ScanPortfolios(benchmark::State& state) {
  size_t found = 0;
  for (auto _ : state) {
    const double before = CpuSeconds(RUSAGE_SELF);
    found = ScanPortfolios(SharedTree().tmp.str(), {}).folders.size();
    state.SetIterationTime(CpuSeconds(RUSAGE_SELF) - before);
  }
  state.counters["portfolios"] = static_cast<double>(found);
  if (found != static_cast<size_t>(SharedTree().portfolios)) state.SkipWithError("wrong count");
}
BENCHMARK(BM_ScanPortfolios)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Times as the runs report them (the manual CPU times above).
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SharedTree();  // built before any timing
  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double scan = reporter.seconds["BM_ScanPortfolios"];
  const double find = reporter.seconds["BM_FindBaseline"];
  if (scan > 0 && find > 0) {
    const double ratio = scan / find;
    std::printf("RATIO BM_ScanPortfolios vs BM_FindBaseline: %.2fx (target <= 1.0x) %s\n", ratio,
                ratio <= 1.0 ? "PASS" : "MISS");
  }
  benchmark::Shutdown();
  return 0;
}
