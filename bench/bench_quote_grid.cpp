// Opening a full series into the window's quote grid model and making the texts of
// a screenful of rows, against a plain read of the same DAT file.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "bench_data.h"
#include "bench_ratio.h"
#include "core/fs/files.h"
#include "gui/view/grid_models.h"

namespace {

using namespace quillet;

// Rows a quote grid shows at once on a tall window.
constexpr int kVisibleRows = 40;

// Baseline: the DAT file's bytes into a buffer, nothing else.
void BM_RawRead(benchmark::State& state) {
  const auto file = fs::path(bench::SharedFullSeries().dir) / "F1.DAT";
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    fs::ReadWholeFile(file, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_RawRead);

// What a click on the symbol costs: the whole series into the model, then the
// cells of the first screen formatted as the view asks for them.
void BM_OpenIntoQuoteGrid(benchmark::State& state) {
  QuoteGridModel model;
  for (auto _ : state) {
    model.LoadSeries(bench::SharedFullSeries().dir, "BENCH");
    for (int row = 0; row < kVisibleRows; ++row) {
      for (int column = 0; column < 7; ++column) {
        benchmark::DoNotOptimize(model.data(model.index(row, column), Qt::DisplayRole));
      }
    }
  }
  state.counters["quotes"] = model.rowCount();
}
BENCHMARK(BM_OpenIntoQuoteGrid);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return quillet::bench::RunWithRatios(argc, argv,
                                       {{"BM_OpenIntoQuoteGrid", "BM_RawRead", 3.0, true}});
}
