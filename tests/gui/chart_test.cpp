// The price chart in the real window: it follows the grid both ways, redraws from
// the series read again, draws only the fields the file holds, and its View menu
// switch is kept in the settings.
#include <QAction>
#include <QFile>
#include <QPainter>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "core/lib/quote_series.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/chart/quote_chart.h"
#include "gui/dialogs/split_search_dlg.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"
#include "support/portfolio_builder.h"

using namespace quillet;
using quillet::testing::DailyRows;
using quillet::testing::DatRow;
using quillet::testing::PortfolioBuilder;
using quillet::testing::TempDir;

class ChartTest : public QObject {
  Q_OBJECT

  // IBM: 28-byte quotes with candles; SPL: a 2 for 1 split never applied before
  // quote 50; ZCL: 12-byte DATE, CLOSE, VOL quotes.
  void WriteTree(float bump = 0.0f) {
    std::vector<DatRow> rows = DailyRows(10000, 1200);
    rows[600][2] += bump;  // a high the chart must show
    std::vector<DatRow> closes;
    for (const DatRow& r : DailyRows(10000, 30)) closes.push_back({r[0], r[4], r[5]});
    std::vector<DatRow> split = DailyRows(10000, 80);
    for (size_t i = 50; i < split.size(); ++i) {
      for (size_t f = 1; f <= 4; ++f) split[i][f] *= 0.5f;
    }
    PortfolioBuilder(m_tree.root() / "P")
        .AddSeries(1, "IBM", "INTL BUSINESS", rows)
        .AddSeries(3, "SPL", "SPLIT", split)
        .AddSeries(2, "ZCL", "CLOSE ONLY", closes, 12, 3)
        .WriteMaster();
  }

  CQuilletView* Start() {
    QFile ini(m_settings.filePath("Quillet.INI"));
    if (!ini.exists()) {
      if (!ini.open(QIODevice::WriteOnly)) return nullptr;
      ini.write("[Search]\nLimit=1\nName=" + QByteArray::fromStdString(m_tree.str()) + "\n");
      ini.close();
    }
    auto* app = CQuilletApp::instance();
    app->InitInstance(m_settings.filePath("settings.ini"));
    CQuilletView* view = app->frame()->view();
    app->frame()->resize(1000, 900);
    if (!QTest::qWaitFor([view] { return view->m_bSetupDone && view->m_nQuotes > 0; }, 10000)) {
      return nullptr;
    }
    QTest::qWait(20);  // the chart's plot area follows the resize
    return view;
  }

  int SelectedRow(CQuilletView* view) {
    const QModelIndexList rows = view->m_lstQuotes->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  }

  TempDir m_tree;
  QTemporaryDir m_settings;

 private slots:
  void initTestCase() { WriteTree(); }
  void cleanup() {
    if (CQuilletApp::instance()->frame()) CQuilletApp::instance()->frame()->close();
  }

  void followsTheGridBothWays() {
    CQuilletView* view = Start();
    QVERIFY(view);
    CQuoteChart* chart = view->m_chart;
    const int n = view->m_nQuotes;
    QCOMPARE(n, 1200);
    QVERIFY(chart->fields().candles);
    // A wide range is drawn one bar per column, yet covers every quote.
    QVERIFY(chart->bars().size() < 1200u);
    QCOMPARE(chart->bars().back().first + chart->bars().back().count, 1200);
    QCOMPARE(chart->markedQuote(), n - 1);  // row 0, the newest

    struct Case {
      int row;
    };
    for (const Case c : {Case{5}, Case{1199}, Case{600}}) {
      view->m_lstQuotes->selectRow(c.row);
      QCOMPARE(chart->markedQuote(), n - 1 - c.row);
    }
    // Zoomed in, a click on a day's column selects that day's row; a day out of view
    // brought in by the grid keeps the zoom.
    chart->ShowRange(100, 160);
    for (int index : {100, 117, 159}) {
      QTest::mouseClick(chart->viewport(), Qt::LeftButton, {}, chart->PointOf(index));
      QCOMPARE(SelectedRow(view), n - 1 - index);
      QCOMPARE(chart->markedQuote(), index);
    }
    view->m_lstQuotes->selectRow(0);
    QCOMPARE(chart->visibleLast(), n);
    QCOMPARE(chart->visibleLast() - chart->visibleFirst(), 60);
    // A drag pans instead of selecting; Home shows everything again.
    const QPoint from = chart->PointOf(n - 30);
    QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(chart->viewport(), from + QPoint(200, 0));
    QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, from + QPoint(200, 0));
    QVERIFY(chart->visibleLast() < n);
    QCOMPARE(SelectedRow(view), 0);
    QTest::keyClick(chart, Qt::Key_Home);
    QCOMPARE(chart->visibleFirst(), 0);
    QCOMPARE(chart->visibleLast(), n);
  }

  void redrawsFromTheSeriesReadAgainAndDrawsOnlyHeldFields() {
    CQuilletView* view = Start();
    QVERIFY(view);
    CQuoteChart* chart = view->m_chart;
    auto highest = [chart] {
      float h = 0;
      for (const ChartBar& b : chart->bars()) h = std::max(h, b.high);
      return h;
    };
    QCOMPARE(highest(), 10.0f + 96 * 0.25f + 1.0f);
    WriteTree(500.0f);
    view->FillQuotesGrid(3);
    QCOMPARE(highest(), 10.0f + (600 % 97) * 0.25f + 1.0f + 500.0f);
    QCOMPARE(chart->markedQuote(), 1200 - 1 - 3);
    WriteTree();

    // The close-only series: a line, its volume, no candles, no zero prices.
    view->m_lstSymbols->selectRow(2);
    view->FillQuotesGrid(0);
    QCOMPARE(view->m_szSymbol, std::string("ZCL"));
    QVERIFY(!chart->fields().candles);
    QVERIFY(chart->fields().close && chart->fields().volume);
    QCOMPARE(chart->bars().size(), 30u);
    for (const ChartBar& b : chart->bars()) QVERIFY(b.low >= 10.0f && b.open == b.close);
  }

  // The findings of the open split-search window for the shown symbol are marked
  // at their days with the ratio, and go with the window.
  void marksTheSplitSearchFindings() {
    CQuilletView* view = Start();
    QVERIFY(view);
    CQuoteChart* chart = view->m_chart;
    view->m_lstSymbols->selectRow(1);
    view->FillQuotesGrid(0);
    QCOMPARE(view->m_szSymbol, std::string("SPL"));
    OnSplitSearch(*view);
    auto* search = CQuilletApp::instance()->frame()->findChild<CSplitSearchDlg*>();
    QVERIFY(search);
    search->OnSearch();
    QCOMPARE(chart->marks().size(), 1u);
    QCOMPARE(chart->marks()[0].index, 50);
    QCOMPARE(chart->marks()[0].label, QString("2 for 1"));
    view->m_lstSymbols->selectRow(2);
    view->FillQuotesGrid(0);  // another symbol: its own findings only (none)
    QVERIFY(chart->marks().empty());
    view->m_lstSymbols->selectRow(1);
    view->FillQuotesGrid(0);
    QCOMPARE(chart->marks().size(), 1u);
    search->reject();
    QVERIFY(chart->marks().empty());
  }

  // The plot written straight into a device's pixels is the plot the painter draws
  // (taken for a region of two rectangles): at whole and part pixels, cut at the
  // device's edges, candles and a close line.
  void drawsTheSamePixelsOnAnyDevice() {
    CQuilletView* view = Start();
    QVERIFY(view);
    CQuoteChart* chart = view->m_chart;
    struct Case {
      int symbolRow;
      QPointF at;
      QImage::Format format;
    };
    for (const Case c : {Case{0, {0, 0}, QImage::Format_RGB32},
                         Case{0, {7.5, 3.25}, QImage::Format_ARGB32_Premultiplied},
                         Case{0, {-60, -40}, QImage::Format_ARGB32},
                         Case{2, {5, 2}, QImage::Format_RGB32}}) {
      view->m_lstSymbols->selectRow(c.symbolRow);
      view->FillQuotesGrid(0);

      auto draw = [&](const QRegion& source) {
        QImage image(chart->size(), c.format);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.translate(c.at);
        chart->QWidget::render(&painter, QPoint(), source);
        // The chart's corner pixel, left out of the second region.
        painter.resetTransform();
        painter.fillRect(QRect(c.at.toPoint() - QPoint(2, 2), QSize(5, 5)), Qt::black);
        return image;
      };
      const QRect all = chart->rect();
      QCOMPARE(draw(QRegion(all).subtracted(QRect(0, 0, 1, 1))), draw(all));
    }
  }

  void theViewMenuSwitchIsKept() {
    for (bool shown : {true, false, true}) {
      CQuilletView* view = Start();
      QVERIFY(view);
      QAction* toggle = CQuilletApp::instance()->frame()->action(ID_VIEW_CHART);
      QCOMPARE(toggle->isChecked(), shown);
      QCOMPARE(view->m_chart->isVisible(), shown);
      toggle->trigger();
      QCOMPARE(view->m_chart->isVisible(), !shown);
      QCOMPARE(CQuilletApp::instance()->m_profile.GetInt("Settings", "Chart", 9), shown ? 0 : 1);
      if (!shown) QVERIFY(!view->m_chart->bars().empty());  // drawn when shown again
      CQuilletApp::instance()->frame()->close();
    }
  }
};

int main(int argc, char** argv) {
  CQuilletApp app(argc, argv);
  ChartTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "chart_test.moc"
