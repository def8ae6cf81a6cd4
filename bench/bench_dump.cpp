// The command line as scripts run it, each run a whole quillet-cli process:
// `quotes` of a 32 766-quote series into a file against `export` of the same
// series, and `dump` of a 255-series Portfolio of 2 000 quotes each in rows per
// second, against copying its quote files (the bytes any converter must read).
// Times are the processes' CPU time (user and system), so a busy machine does not
// skew them; the dumps and their baseline take the fastest of repeated runs, as
// the CPU time of a 35 MB write still swings with what else the machine does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench_ratio.h"
#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace {

using namespace quillet;

constexpr int kLongQuotes = 32766;
constexpr int kSeries = 255;
constexpr int kSeriesQuotes = 2000;

std::vector<testing::DatRow> Rows(int count, unsigned seed) {
  std::vector<testing::DatRow> rows = testing::DailyRows(DayFromYmd(61, 1, 2), count);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> cents(100, 90000);
  std::uniform_real_distribution<float> volume(0.0f, 5.0e6f);
  for (auto& r : rows) {
    // Prices in cents, as quotes are stored.
    const int base = cents(random);
    r[1] = static_cast<float>(base) / 100.0f;
    r[2] = static_cast<float>(base + 50) / 100.0f;
    r[3] = static_cast<float>(base - 50) / 100.0f;
    r[4] = static_cast<float>(base + 10) / 100.0f;
    r[5] = std::round(volume(random));
    r[6] = std::round(volume(random) / 100.0f);
  }
  return rows;
}

struct BenchData {
  testing::TempDir dir;
  BenchData() {
    testing::PortfolioBuilder one(dir / "ONE");
    one.AddSeries(1, "LONG", "LONG SERIES", Rows(kLongQuotes, 1)).WriteMaster();
    testing::PortfolioBuilder full(dir / "FULL");
    for (int n = 1; n <= kSeries; ++n) {
      full.AddSeries(static_cast<uint8_t>(n), "S" + std::to_string(n),
                     "SERIES " + std::to_string(n), Rows(kSeriesQuotes, static_cast<unsigned>(n)));
    }
    full.WriteMaster();
  }
  std::string At(const char* name) const { return (dir / name).string(); }
};

BenchData& Data() {
  static BenchData data;
  return data;
}

// CPU seconds (user and system) of the children waited for so far: what a run
// costs, whatever else the machine is doing meanwhile.
double ChildrenSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs quillet-cli with stdout into a file; the iteration's time is its CPU time.
void Run(benchmark::State& state, const std::vector<std::string>& args) {
  const double before = ChildrenSeconds();
  const int fd = ::open(Data().At("stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const testing::CliResult r = testing::RunCli(args, 120, fd);
  ::close(fd);
  if (r.status != 0) state.SkipWithError(r.err.c_str());
  state.SetIterationTime(ChildrenSeconds() - before);
}

void BM_QuotesCommand(benchmark::State& state) {
  for (auto _ : state) Run(state, {"quotes", Data().At("ONE"), "LONG"});
}
BENCHMARK(BM_QuotesCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

void BM_ExportCommand(benchmark::State& state) {
  for (auto _ : state) {
    Run(state, {"export", Data().At("ONE"), "LONG", Data().At("export.txt"), "--force"});
  }
}
BENCHMARK(BM_ExportCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

void BM_DumpCsv(benchmark::State& state) {
  for (auto _ : state) Run(state, {"dump", Data().At("FULL"), Data().At("dump.csv"), "--force"});
}
BENCHMARK(BM_DumpCsv)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(1.0)
    ->Apply(bench::FastestOf);

void BM_DumpJsonl(benchmark::State& state) {
  for (auto _ : state) Run(state, {"dump", Data().At("FULL"), "--format", "jsonl"});
}
BENCHMARK(BM_DumpJsonl)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(1.0)
    ->Apply(bench::FastestOf);

// The baseline: `cat` of every quote file of the Portfolio into one file.
void BM_CatQuoteFiles(benchmark::State& state) {
  for (auto _ : state) {
    const double before = ChildrenSeconds();
    const std::string command = "cat " + Data().At("FULL") + "/F*.DAT > " + Data().At("cat.out");
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
    state.SetIterationTime(ChildrenSeconds() - before);
  }
}
BENCHMARK(BM_CatQuoteFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(1.0)
    ->Apply(bench::FastestOf);

}  // namespace

int main(int argc, char** argv) {
  constexpr double kDumpRows = static_cast<double>(kSeries) * kSeriesQuotes;
  return quillet::bench::RunWithRatios(
      argc, argv,
      {{"BM_QuotesCommand", "BM_ExportCommand", 1.5, true, true},
       {"BM_DumpCsv", "BM_CatQuoteFiles", 0.0, true, true}},
      {{"dump_csv", "BM_DumpCsv", kDumpRows, "Mrows/s", 7.5, true},
       {"dump_jsonl", "BM_DumpJsonl", kDumpRows, "Mrows/s", 0.0, true}},
      [] { Data(); });
}
