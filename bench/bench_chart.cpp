// Drawing a full series (32 766 quotes) in the price chart and rendering it to an
// image, against loading the same series into the quote grid's model.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QTemporaryDir>

#include "bench_data.h"
#include "bench_ratio.h"
#include "gui/app/registry_profile.h"
#include "gui/chart/quote_chart.h"
#include "gui/view/grid_models.h"

namespace {

using namespace quillet;

// Baseline: what a click on the symbol costs the grid.
void BM_LoadIntoQuoteGrid(benchmark::State& state) {
  QuoteGridModel model;
  for (auto _ : state) {
    model.LoadSeries(bench::SharedFullSeries().dir, "BENCH");
    benchmark::DoNotOptimize(model.rowCount());
  }
}
BENCHMARK(BM_LoadIntoQuoteGrid)->Apply(bench::FastestOf);

// The chart of the loaded series built anew (decimated to its pixel columns) and
// painted into an image of a usual pane's size.
void BM_ChartBuildAndRender(benchmark::State& state) {
  QTemporaryDir settings;
  CRegistryProfile profile;
  profile.OpenRoot(settings.filePath("settings.ini"));
  QuoteGridModel model;
  model.LoadSeries(bench::SharedFullSeries().dir, "BENCH");
  QTableView grid;
  grid.setModel(&model);
  QAction toggle(nullptr);
  QWidget pane;
  auto* chart = new CQuoteChart(&pane);
  chart->Attach(&grid, &model, &toggle, profile, nullptr, nullptr);
  pane.resize(1000, 320);
  chart->resize(1000, 320);
  pane.show();
  QApplication::processEvents();
  QImage image(1000, 320, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    chart->Reload();
    QPainter painter(&image);
    chart->render(&painter);
  }
  state.counters["bars"] = static_cast<double>(chart->bars().size());
  state.counters["quotes"] = model.rowCount();
}
BENCHMARK(BM_ChartBuildAndRender)->Apply(bench::FastestOf);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return quillet::bench::RunWithRatios(
      argc, argv, {{"BM_ChartBuildAndRender", "BM_LoadIntoQuoteGrid", 5.0, true}});
}
