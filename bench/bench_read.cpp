// Whole-series decoding against a plain read of the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>

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

// The decoder alone on the series' records, in place as the whole-series reader
// decodes them, on each path this processor runs (0 scalar, 1 AVX2, 2 AVX-512).
void BM_DecodeInPlace(benchmark::State& state) {
  if (static_cast<size_t>(state.range(0)) >= UsableVectorPaths().size()) {
    state.SkipWithError("a path this processor does not run");
    return;
  }
  const auto path = static_cast<VectorPath>(state.range(0));
  SeriesData series;
  ReadWholeSeries(SharedData().dir, "BENCH", series);
  std::vector<uint8_t> bytes;
  fs::ReadWholeFile(fs::path(SharedData().dir) / "F1.DAT", bytes);
  const RecordDecoder decoder(series.info.layout, 28, 7);
  std::vector<Quote> quotes(kQuotes);
  auto* const block = reinterpret_cast<uint8_t*>(quotes.data());
  for (auto _ : state) {
    std::memcpy(block, bytes.data() + 28, quotes.size() * sizeof(Quote));
    decoder.DecodeMany(block, quotes.size(), 28, quotes.data(), path);
    benchmark::DoNotOptimize(quotes.data());
  }
}
BENCHMARK(BM_DecodeInPlace)->DenseRange(0, 2);

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
