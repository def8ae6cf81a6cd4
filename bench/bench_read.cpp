// Whole-series decoding against a plain read of the same bytes.

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "bench_ratio.h"
#include "core/fs/files.h"
#include "core/lib/quote_series.h"

namespace {

using namespace quillet;

constexpr int kQuotes = bench::kFullSeriesQuotes;

bench::FullSeries& SharedData() {
  return bench::SharedFullSeries();
}

// Baseline: the DAT file's bytes into a buffer, nothing else.
void BM_RawRead(benchmark::State& state) {
  const auto file = fs::path(SharedData().dir) / "F1.DAT";
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    fs::ReadWholeFile(file, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_RawRead);

// The whole series: lookup, layout, one open, one read, decoding every quote.
void BM_ReadWholeSeries(benchmark::State& state) {
  SeriesData series;
  for (auto _ : state) {
    ReadWholeSeries(SharedData().dir, "BENCH", series);
    benchmark::DoNotOptimize(series.quotes.data());
  }
  state.counters["quotes"] = static_cast<double>(series.quotes.size());
}
BENCHMARK(BM_ReadWholeSeries);

// The grid's way for comparison: 400-quote windows through the paging reader.
void BM_ReadQuoteSeriesWindows(benchmark::State& state) {
  QuoteSeries s;
  CreateQuoteSeries(s, 400);
  for (auto _ : state) {
    for (int r = 0; r < kQuotes;) {
      const int chunk = std::min(400, kQuotes - r);
      ReadQuoteSeries(s, SharedData().dir, "BENCH", kQuotes - r - chunk,
                      static_cast<int16_t>(chunk));
      r += chunk;
    }
    benchmark::DoNotOptimize(s.rows.data());
  }
}
BENCHMARK(BM_ReadQuoteSeriesWindows);

}  // namespace

int main(int argc, char** argv) {
  return quillet::bench::RunWithRatios(argc, argv,
                                       {{"BM_ReadWholeSeries", "BM_RawRead", 3.0, true}});
}
