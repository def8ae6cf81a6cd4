// Export of a 32 766-quote series, against the per-row method (one reader call
// with count 1 per row, printf formatting) kept here as the baseline.
#include <benchmark/benchmark.h>

#include "bench_ratio.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "core/export/export.h"
#include "support/portfolio_builder.h"

namespace {

using namespace quillet;

constexpr int kQuotes = 32766;

struct BenchSeries {
  testing::TempDir dir;
  std::string out;

  BenchSeries() {
    testing::PortfolioBuilder p(dir.root() / "PF");
    std::vector<testing::DatRow> rows = testing::DailyRows(DayFromYmd(61, 1, 2), kQuotes);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> price(1.0f, 900.0f);
    std::uniform_real_distribution<float> volume(0.0f, 5.0e7f);
    for (auto& r : rows) {
      const float base = price(random);
      r[1] = base;
      r[2] = base * 1.01f;
      r[3] = base * 0.99f;
      r[4] = base * 1.002f;
      r[5] = std::round(volume(random));
      r[6] = std::round(volume(random) / 100.0f);
    }
    p.AddSeries(1, "LONG", "LONG SERIES", rows);
    p.WriteMaster();
    out = (dir.root() / "OUT.TXT").string();
  }
  std::string Portfolio() const { return (dir.root() / "PF").string(); }
};

BenchSeries& Series() {
  static BenchSeries series;
  return series;
}

// The per-row method: each row one call of the reader (lookup, layout, open,
// read one quote), formatted with fprintf into a text file.
void BM_ExportPerRowBaseline(benchmark::State& state) {
  const std::string dir = Series().Portfolio();
  const std::string out = Series().out + ".base";
  for (auto _ : state) {
    std::FILE* file = std::fopen(out.c_str(), "wb");
    QuoteSeries series;
    CreateQuoteSeries(series, 1);
    int32_t index = 0;
    while (ReadQuoteSeries(series, dir, "LONG", index, 1) == LIB_OK) {
      ++index;
      const Quote& q = series.rows[0];
      std::fputs(FormatDate(q.date).c_str(), file);
      for (int i = 0; i < 6; ++i) {
        const float v = q.values[static_cast<size_t>(i)];
        if (v < 0.0f || std::isnan(v)) {
          std::fputs(",N/A", file);
        } else {
          std::fprintf(file, i >= 4 ? ",%.2f" : ",%.4f", static_cast<double>(v));
        }
      }
      std::fputs("\r\n", file);
    }
    FreeQuoteSeries(series);
    std::fclose(file);
  }
  state.SetItemsProcessed(state.iterations() * kQuotes);
}
BENCHMARK(BM_ExportPerRowBaseline)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The export as the command runs it: one read, formatting, the working file
// written, synced and swapped in.
void BM_ExportQuotes(benchmark::State& state) {
  const std::string dir = Series().Portfolio();
  ExportOptions options;
  options.path = Series().out;
  for (auto _ : state) {
    const ExportResult r = ExportQuotes(dir, "LONG", options, true);
    if (r.status != ExportStatus::Done) state.SkipWithError("export failed");
  }
  state.SetItemsProcessed(state.iterations() * kQuotes);
}
BENCHMARK(BM_ExportQuotes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Formatting alone (seven fields a row), the part the converters compete on.
void BM_ExportFormatting(benchmark::State& state) {
  SeriesData series;
  ReadWholeSeries(Series().Portfolio(), "LONG", series);
  ExportFormatter formatter{ExportOptions{}};
  std::vector<char> text(series.quotes.size() * formatter.RowRoom());
  for (auto _ : state) {
    char* p = text.data();
    for (const Quote& q : series.quotes) p = formatter.WriteRow(p, q);
    benchmark::DoNotOptimize(p);
  }
  state.SetItemsProcessed(state.iterations() * kQuotes);
}
BENCHMARK(BM_ExportFormatting)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  // Export: wall-clock time, since the command waits for its file to reach the disk.
  return quillet::bench::RunWithRatios(
      argc, argv, {{"BM_ExportQuotes", "BM_ExportPerRowBaseline", 50.0, false, true}},
      {{"export_whole_command", "BM_ExportQuotes", kQuotes, "Mrows/s", 0.0, true},
       {"export_formatting", "BM_ExportFormatting", kQuotes, "Mrows/s", 7.5}},
      [] { Series(); });
}
