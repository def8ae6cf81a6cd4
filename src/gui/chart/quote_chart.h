#pragma once

#include <QChartView>
#include <span>
#include <vector>

#include "core/lib/chart_bars.h"
#include "core/splitsearch/split_search.h"

class QAction;
class QDateTimeAxis;
class QTableView;
class QValueAxis;

namespace quillet {

class CPlotItem;
class CRegistryProfile;
class QuoteGridModel;

// The price chart under the quote grid: candles (or a close line when the file has
// no open, high and low), volume bars in the lower part on their own axis, a date
// axis. It shows the grid's series and follows the grid's selection both ways.
// Wide ranges are reduced to one bar per pixel column; the wheel zooms, a drag
// pans, Home shows the whole series. The chart's frame, axes and grid are Qt
// Charts'; the bars are painted by one item of its scene straight into an image,
// since an item per candle cannot redraw a long series at the speed of a click.
class CQuoteChart : public QChartView {
  Q_OBJECT
 public:
  explicit CQuoteChart(QWidget* parent = nullptr);
  ~CQuoteChart() override;

  // Draws the series of model and follows grid: a selected row marks its day, a
  // click on the chart selects the row of the nearest day. toggle (checkable) shows
  // and hides the chart; its state is kept in profile.
  // libDir and symbol name the series shown (the view's own members).
  void Attach(QTableView* grid, QuoteGridModel* model, QAction* toggle,
              const CRegistryProfile& profile, const std::string* libDir,
              const std::string* symbol);

  // The split search's findings: those of the shown symbol in the Portfolio searched
  // are marked at their days with the ratio. StartFindings names the Portfolio of the
  // findings that follow; ClearFindings drops them all (the search window closed).
  void StartFindings(const std::string& libDir);
  void AddFinding(const SplitFinding& finding);
  void ClearFindings();
  struct Mark {
    int32_t index;  // quote (file order)
    QString label;  // "2 for 1"
  };
  const std::vector<Mark>& marks() const { return m_marks; }

  // Redraws from the model's series, showing all of it.
  void Reload();
  // The visible quotes [first, last) of the series, in file order.
  void ShowRange(int32_t first, int32_t last);
  void ShowAll();
  // Zooms by factor (below 1 zooms in) keeping the quote under fraction (0..1 of the
  // plot width) in place.
  void ZoomAt(double factor, double fraction);

  int32_t visibleFirst() const { return m_first; }
  int32_t visibleLast() const { return m_last; }
  // Index (file order) of the marked quote, -1 when none.
  int32_t markedQuote() const { return m_marked; }
  const std::vector<ChartBar>& bars() const { return m_bars; }
  const ChartFields& fields() const { return m_fields; }
  // The quote nearest to a point of the widget, -1 when there is none.
  int32_t QuoteAt(QPoint pos) const;
  // Where the close of quote index is drawn, in widget pixels (its day's column).
  QPoint PointOf(int32_t index) const;

 signals:
  // The user clicked the chart at the day of quote index (file order).
  void quoteClicked(int index);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void drawBackground(QPainter* painter, const QRectF& rect) override;

 private:
  friend class CPlotItem;

 public:
  struct PlotPixels;

 private:
  void Redraw();
  void FindMarks();
  void PlacePlot();
  void MarkRow(int row);
  int Columns() const;
  // Plot coordinates (0, 0 at the top left of the plot area) of the days and values.
  int ColumnOf(QuoteDay day, double width) const;
  double PriceY(float price, double height) const;
  // The plot's background, grid and bars, written to pixels (those of image, when
  // given, else the device's of painter); then the marked day and the findings.
  void PaintPlot(QPainter* painter, const PlotPixels& to, QImage* image, QSize pixels) const;
  void PaintMarks(QPainter* painter, QSizeF size) const;

  std::span<const Quote> m_quotes;
  ChartFields m_fields;
  std::vector<ChartBar> m_bars;
  int32_t m_first = 0;
  int32_t m_last = 0;
  int32_t m_marked = -1;

  struct Finding {
    std::string libDir;
    SplitFinding finding;
  };
  std::vector<Finding> m_findings;
  std::string m_findingsDir;
  std::vector<Mark> m_marks;
  const std::string* m_libDir = nullptr;
  const std::string* m_symbol = nullptr;

  QTableView* m_grid = nullptr;
  QuoteGridModel* m_model = nullptr;

  CPlotItem* m_plot;
  QDateTimeAxis* m_dateAxis;
  QValueAxis* m_priceAxis;
  QValueAxis* m_volumeAxis;
  // The axes' ranges: whole days dayFrom .. dayTo, prices, volume from 0.
  QuoteDay m_dayFrom = 0, m_dayTo = 0;
  QuoteDay m_axisFrom = 0, m_axisTo = 0;  // the days the date axis was last set to
  double m_priceLow = 0, m_priceHigh = 1;
  double m_volumeHigh = 1;

  // A press that moves further than a few pixels pans; otherwise it is a click.
  QPoint m_pressAt;
  int32_t m_pressFirst = 0;
  bool m_pressed = false;
  bool m_dragged = false;
};

}  // namespace quillet
