// The rewrite of a full quote file (a scale over the whole range) against
// copying that file twice, each copy synced and renamed into place as the
// rewrite's backup and new file are.

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "bench_ratio.h"
#include "core/edit/rewrite.h"
#include "core/fs/safe_replace.h"

namespace {

using namespace quillet;

constexpr int kQuotes = bench::kFullSeriesQuotes;

bench::FullSeries& SharedData() {
  return bench::SharedFullSeries();
}

// Baseline: two synced copies of the quote file.
void BM_CopyTwice(benchmark::State& state) {
  const fs::path dir = SharedData().dir;
  for (auto _ : state) {
    fs::CopyFileSynced(dir / "F1.DAT", dir / "COPY1.DAT");
    fs::CopyFileSynced(dir / "F1.DAT", dir / "COPY2.DAT");
  }
}
BENCHMARK(BM_CopyTwice);

// Backup, every record converted and scaled, new file swapped in. The factors
// alternate so the values stay the same from run to run.
void BM_RewriteScaleAll(benchmark::State& state) {
  QuoteChange change;
  change.kind = CHANGE_SCALE;
  change.fromDay = 0;
  change.toDay = 0xFFFF;
  const fs::path master = fs::path(SharedData().dir) / "MASTER";
  bool up = true;
  for (auto _ : state) {
    change.values.fill(up ? 2.0f : 0.5f);
    up = !up;
    const RewriteResult r = RewriteSeries(SharedData().dir, master.string(), change, "BENCH");
    if (!r.ok()) state.SkipWithError("rewrite failed");
  }
}
BENCHMARK(BM_RewriteScaleAll);

}  // namespace

int main(int argc, char** argv) {
  return quillet::bench::RunWithRatios(argc, argv,
                                       {{"BM_RewriteScaleAll", "BM_CopyTwice", 3.0, true}});
}
