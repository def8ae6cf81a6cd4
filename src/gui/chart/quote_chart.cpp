#include "gui/chart/quote_chart.h"

#include <QAction>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsItem>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineSeries>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTableView>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "gui/app/registry_profile.h"
#include "gui/app/settings_keys.h"
#include "gui/view/grid_models.h"

namespace quillet {

namespace {

// The axis value of a day: noon, local time, so the date axis never shows the day before.
std::optional<qint64> DayToX(QuoteDay day) {
  const Ymd ymd = YmdFromDay(day);
  const QDate date(ymd.year + 1900, ymd.month, ymd.day);
  if (day == 0 || !date.isValid()) return std::nullopt;
  return QDateTime(date, QTime(12, 0)).toMSecsSinceEpoch();
}

constexpr int32_t kFewestShown = 10;  // the deepest zoom, in quotes
constexpr qint64 kHalfDay = 12LL * 3600 * 1000;

constexpr QRgb kIncreasing = qRgb(0x2e, 0x8b, 0x57);
constexpr QRgb kDecreasing = qRgb(0xc0, 0x39, 0x2b);
constexpr QRgb kClose = qRgb(0x1f, 0x4e, 0x9c);
constexpr QRgb kVolume = qRgb(0x90, 0x90, 0x90);
constexpr QRgb kMarker = qRgb(0xe0, 0x80, 0x00);
constexpr QRgb kFinding = qRgb(0x80, 0x20, 0xa0);

}  // namespace

// The pixels the bars are written to: the plot's own image, or those of the paint
// device where the plot lands on them one to one. Coordinates are the plot's, (0, 0)
// its top left pixel.
struct CQuoteChart::PlotPixels {
  QRgb* bits;        // the device's first pixel
  qsizetype stride;  // pixels from one row to the next
  QPoint origin;     // the device pixel of the plot's (0, 0)
  QRect clip;        // the pixels of the plot that may be written
};

namespace {

using PlotPixels = CQuoteChart::PlotPixels;

// Fills the pixels [x0, x1) x [y0, y1) (cut to the clip) with an opaque colour: a bar
// is a few runs of pixels, far cheaper written in place than through the paint
// engine's per-row spans.
void FillPixels(const PlotPixels& to, int x0, int x1, int y0, int y1, QRgb colour) {
  x0 = std::max(x0, to.clip.left());
  x1 = std::min(x1, to.clip.right() + 1);
  y0 = std::max(y0, to.clip.top());
  y1 = std::min(y1, to.clip.bottom() + 1);
  if (x0 >= x1 || y0 >= y1) return;
  QRgb* line = to.bits + (y0 + to.origin.y()) * to.stride + (x0 + to.origin.x());
  const int width = x1 - x0;
  int rows = y1 - y0;
  // Never a pointer past the last row.
  if (width == 1) {  // most bars of a long series: one pixel wide, four rows a step
    const qsizetype stride = to.stride;
    for (; rows >= 4; rows -= 4) {
      line[0] = line[stride] = line[2 * stride] = line[3 * stride] = colour;
      if (rows == 4) return;
      line += 4 * stride;
    }
    for (;; line += stride) {
      *line = colour;
      if (--rows == 0) return;
    }
  }
  // White (the background, every byte the same): the C library's wide stores.
  const bool bytes = colour == 0xffffffffu;
  for (;; line += to.stride) {
    if (bytes) {
      std::memset(line, 0xff, static_cast<size_t>(width) * sizeof(QRgb));
    } else {
      std::fill(line, line + width, colour);
    }
    if (--rows == 0) return;
  }
}

// The device's own pixels under a plot of size pixels, when the plot lands on them
// one to one: a raster image of 32-bit pixels, the plot moved by whole pixels,
// drawn opaque, every clip a plain rectangle. Otherwise none: the plot is drawn
// into an image of its own, which the painter then copies.
std::optional<PlotPixels> DevicePixels(QPainter& painter, QSize pixels) {
  QPaintEngine* engine = painter.paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
      engine->paintDevice()->devType() != QInternal::Image) {
    return std::nullopt;
  }
  QImage& image = *static_cast<QImage*>(engine->paintDevice());
  const QImage::Format format = image.format();
  if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
       format != QImage::Format_ARGB32_Premultiplied) ||
      !image.isDetached() || painter.opacity() < 1 ||
      painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
    return std::nullopt;
  }
  const QTransform& toDevice = painter.deviceTransform();
  if (toDevice.type() > QTransform::TxTranslate) return std::nullopt;
  // Where the painter would put the plot's image (it rounds a position to a pixel).
  const QPoint origin(qRound(toDevice.dx()), qRound(toDevice.dy()));
  QRect onDevice = QRect(origin, pixels) & image.rect();
  for (const QRegion& clip :
       {painter.hasClipping() ? toDevice.map(painter.clipRegion()) : QRegion(),
        engine->systemClip()}) {
    if (clip.isEmpty()) continue;
    if (clip.rectCount() != 1) return std::nullopt;
    onDevice &= clip.boundingRect();
  }
  if (onDevice.isEmpty()) return std::nullopt;
  return PlotPixels{reinterpret_cast<QRgb*>(image.bits()), image.bytesPerLine() / 4, origin,
                    onDevice.translated(-origin)};
}

}  // namespace

// The chart's bars, marked day and findings, painted over the plot area.
class CPlotItem : public QGraphicsItem {
 public:
  CPlotItem(const CQuoteChart& chart, QGraphicsItem* parent)
      : QGraphicsItem(parent), m_chart(chart) {}
  void SetSize(QSizeF size) {
    prepareGeometryChange();
    m_size = size;
  }
  QRectF boundingRect() const override { return QRectF(QPointF(0, 0), m_size); }
  QSize Pixels() const {
    return {static_cast<int>(std::ceil(m_size.width())),
            static_cast<int>(std::ceil(m_size.height()))};
  }
  // Whether paint covers the item's area with opaque pixels (a series is shown).
  bool Opaque() const { return m_chart.m_dayFrom != 0 && !Pixels().isEmpty(); }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    if (!Opaque()) return;
    const QSize pixels = Pixels();
    if (const std::optional<PlotPixels> device = DevicePixels(*painter, pixels)) {
      m_chart.PaintPlot(painter, *device, nullptr, pixels);
    } else {
      // The same pixels each time: a fresh image of this size costs the system a new
      // mapping of memory on every redraw.
      if (m_image.size() != pixels) m_image = QImage(pixels, QImage::Format_RGB32);
      const PlotPixels own{reinterpret_cast<QRgb*>(m_image.bits()), m_image.bytesPerLine() / 4,
                           QPoint(), m_image.rect()};
      m_chart.PaintPlot(painter, own, &m_image, pixels);
      painter->drawImage(QPointF(0, 0), m_image);
    }
    m_chart.PaintMarks(painter, m_size);
  }

 private:
  const CQuoteChart& m_chart;
  QSizeF m_size;
  QImage m_image;
};

CQuoteChart::CQuoteChart(QWidget* parent) : QChartView(parent) {
  setObjectName("CQuoteChart");
  setAccessibleName("Chart");
  setRenderHint(QPainter::Antialiasing, false);
  setFocusPolicy(Qt::ClickFocus);
  setMinimumHeight(fontMetrics().height() * 4);
  setToolTip("Wheel: zoom, drag: pan, Home: whole series, click: select the day");

  auto* c = new QChart;
  c->legend()->hide();
  c->setMargins(QMargins(2, 2, 2, 2));
  // The view fills its background in one go; the chart's own (a shaded shape) would
  // cost more than all the bars.
  c->setBackgroundVisible(false);
  setBackgroundBrush(Qt::white);
  setChart(c);

  m_dateAxis = new QDateTimeAxis;
  m_dateAxis->setFormat("MM/dd/yy");
  m_dateAxis->setTickCount(6);
  m_priceAxis = new QValueAxis;
  m_priceAxis->setLabelFormat("%.2f");
  m_volumeAxis = new QValueAxis;
  m_volumeAxis->setLabelFormat("%.0f");
  // The plot item draws the grid with the bars (see PaintPlot).
  for (QAbstractAxis* axis :
       std::initializer_list<QAbstractAxis*>{m_dateAxis, m_priceAxis, m_volumeAxis}) {
    axis->setGridLineVisible(false);
  }
  c->addAxis(m_dateAxis, Qt::AlignBottom);
  c->addAxis(m_priceAxis, Qt::AlignLeft);
  c->addAxis(m_volumeAxis, Qt::AlignRight);
  for (QAbstractAxis* axis :
       std::initializer_list<QAbstractAxis*>{m_dateAxis, m_priceAxis, m_volumeAxis}) {
    // A zero-width pen draws the same one-pixel lines, and spares the scene the outline
    // of each tick it would otherwise compute for its bounds on every paint.
    QPen pen = axis->linePen();
    pen.setWidth(0);
    axis->setLinePen(pen);
    // The grid lines and shades are hidden, yet still asked for their bounds.
    for (auto [get, set] : {std::pair{&QAbstractAxis::gridLinePen, &QAbstractAxis::setGridLinePen},
                            {&QAbstractAxis::minorGridLinePen, &QAbstractAxis::setMinorGridLinePen},
                            {&QAbstractAxis::shadesPen, &QAbstractAxis::setShadesPen}}) {
      pen = (axis->*get)();
      pen.setWidth(0);
      (axis->*set)(pen);
    }
  }
  // An empty series holds the axes to the plot: Qt Charts lays out a date axis
  // only for the domain of a series.
  auto* domain = new QLineSeries;
  c->addSeries(domain);
  domain->attachAxis(m_dateAxis);
  domain->attachAxis(m_priceAxis);
  m_plot = new CPlotItem(*this, c);
  m_plot->setZValue(2.5);  // under the axis lines and their ticks
  connect(c, &QChart::plotAreaChanged, this, &CQuoteChart::PlacePlot);
}

CQuoteChart::~CQuoteChart() = default;

void CQuoteChart::Attach(QTableView* grid, QuoteGridModel* model, QAction* toggle,
                         const CRegistryProfile& profile, const std::string* libDir,
                         const std::string* symbol) {
  m_libDir = libDir;
  m_symbol = symbol;
  m_grid = grid;
  m_model = model;
  // The chart reads the model's quotes in place: never while the model replaces them.
  connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
    m_quotes = {};
    m_first = m_last = 0;
    m_marked = -1;
    m_marks.clear();
  });
  connect(model, &QAbstractItemModel::modelReset, this, &CQuoteChart::Reload);
  connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    if (!rows.isEmpty()) MarkRow(rows.front().row());
  });
  connect(this, &CQuoteChart::quoteClicked, this, [this](int index) {
    const int row = static_cast<int>(m_quotes.size()) - 1 - index;
    const QModelIndex cell = m_model->index(row, 0);
    if (!cell.isValid()) return;
    m_grid->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(cell);
  });
  toggle->setCheckable(true);
  const bool shown = profile.GetInt(settings::kSettings, settings::kChart, settings::kChartDefault);
  toggle->setChecked(shown);
  setHidden(!shown);
  connect(toggle, &QAction::toggled, this, [this, &profile](bool on) {
    setHidden(!on);
    profile.WriteInt(settings::kSettings, settings::kChart, on ? 1 : 0);
    if (on) Redraw();
  });
  Reload();
}

void CQuoteChart::Reload() {
  m_quotes = m_model ? std::span<const Quote>(m_model->quotes()) : std::span<const Quote>();
  m_fields = m_model && !m_quotes.empty() ? ChartFieldsOf(m_model->layout()) : ChartFields{};
  m_marked = -1;
  FindMarks();
  ShowAll();
}

void CQuoteChart::StartFindings(const std::string& libDir) {
  m_findingsDir = libDir;
}

void CQuoteChart::AddFinding(const SplitFinding& finding) {
  m_findings.push_back({m_findingsDir, finding});
  const size_t before = m_marks.size();
  FindMarks();
  if (m_marks.size() != before) Redraw();
}

void CQuoteChart::ClearFindings() {
  m_findings.clear();
  FindMarks();
  Redraw();
}

void CQuoteChart::FindMarks() {
  m_marks.clear();
  if (!m_libDir || !m_symbol || m_quotes.empty()) return;
  for (const Finding& f : m_findings) {
    if (f.libDir != *m_libDir || f.finding.query != *m_symbol) continue;
    const int32_t index = NearestQuote(m_quotes, f.finding.day);
    if (m_quotes[static_cast<size_t>(index)].date != f.finding.day) continue;
    m_marks.push_back(
        {index, QString("%1 for %2").arg(f.finding.candidate.p).arg(f.finding.candidate.q)});
  }
}

void CQuoteChart::PlacePlot() {
  const QRectF plot = chart()->plotArea();
  m_plot->setPos(plot.topLeft());
  m_plot->SetSize(plot.size());
}

void CQuoteChart::ShowAll() {
  ShowRange(0, static_cast<int32_t>(m_quotes.size()));
}

void CQuoteChart::ShowRange(int32_t first, int32_t last) {
  const auto size = static_cast<int32_t>(m_quotes.size());
  const int32_t span = std::min(size, std::max(last - first, kFewestShown));
  m_first = std::clamp(first, 0, size - span);
  m_last = m_first + span;
  Redraw();
}

void CQuoteChart::ZoomAt(double factor, double fraction) {
  const int32_t span = m_last - m_first;
  const auto next = static_cast<int32_t>(std::lround(span * factor));
  const auto first = static_cast<int32_t>(m_first + std::lround(fraction * (span - next)));
  ShowRange(first, first + next);
}

int CQuoteChart::Columns() const {
  const int plot = static_cast<int>(chart()->plotArea().width());
  return std::max(1, plot > 1 ? plot : width());
}

void CQuoteChart::Redraw() {
  m_bars = DecimateBars(m_quotes, m_first, m_last, Columns(), m_fields);
  double low = std::numeric_limits<double>::max(), high = -low, volumeHigh = 0;
  for (const ChartBar& bar : m_bars) {
    if (bar.date == 0 || bar.close < 0) continue;
    low = std::min<double>(low, bar.low);
    high = std::max<double>(high, bar.high);
    volumeHigh = std::max<double>(volumeHigh, bar.volume);
  }
  m_volumeAxis->setVisible(m_fields.volume);
  if (low > high) low = 0, high = 1;
  if (high - low < 1e-6) low -= 0.5, high += 0.5;
  // The lower third is left to the volume bars, which fill at most a quarter.
  m_priceLow = low - (high - low) * 0.45;
  m_priceHigh = high + (high - low) * 0.05;
  m_priceAxis->setRange(m_priceLow, m_priceHigh);
  m_volumeHigh = volumeHigh > 0 ? volumeHigh * 4 : 1;
  m_volumeAxis->setRange(0, m_volumeHigh);

  // The days shown: those of the first and last quote, or the earliest and latest
  // day of a range stored out of date order.
  m_dayFrom = m_dayTo = 0;
  if (m_first < m_last) {
    m_dayFrom = m_quotes[static_cast<size_t>(m_first)].date;
    m_dayTo = m_quotes[static_cast<size_t>(m_last - 1)].date;
    if (m_dayFrom == 0 || m_dayTo < m_dayFrom) {
      m_dayFrom = std::numeric_limits<QuoteDay>::max(), m_dayTo = 0;
      for (int32_t i = m_first; i < m_last; ++i) {
        const QuoteDay day = m_quotes[static_cast<size_t>(i)].date;
        if (day == 0) continue;
        m_dayFrom = std::min(m_dayFrom, day);
        m_dayTo = std::max(m_dayTo, day);
      }
      if (m_dayTo == 0) m_dayFrom = 0;
    }
  }
  // Days as local times cost the time zone rules each: only when the days change.
  if (m_dayFrom != m_axisFrom || m_dayTo != m_axisTo) {
    const std::optional<qint64> from = DayToX(m_dayFrom), to = DayToX(m_dayTo);
    if (from && to) {
      m_dateAxis->setRange(QDateTime::fromMSecsSinceEpoch(*from - kHalfDay),
                           QDateTime::fromMSecsSinceEpoch(*to + kHalfDay));
      m_axisFrom = m_dayFrom;
      m_axisTo = m_dayTo;
    }
  }
  m_plot->update();
}

// The axis spans whole days, dayFrom to dayTo; a day is drawn in the pixel column
// of its middle.
int CQuoteChart::ColumnOf(QuoteDay day, double width) const {
  const double days = static_cast<double>(m_dayTo) - m_dayFrom + 1;
  return static_cast<int>(std::floor(width * (day - m_dayFrom + 0.5) / days));
}

double CQuoteChart::PriceY(float price, double height) const {
  return height * (m_priceHigh - price) / (m_priceHigh - m_priceLow);
}

void CQuoteChart::PaintPlot(QPainter* painter, const PlotPixels& to, QImage* image,
                            QSize pixels) const {
  const double w = m_plot->boundingRect().width(), h = m_plot->boundingRect().height();
  // Opaque, so putting it on the view is a plain copy; the grid lines go in first,
  // at the ticks of the axes (spread evenly over the plot).
  FillPixels(to, 0, pixels.width(), 0, pixels.height(), qRgb(0xff, 0xff, 0xff));
  const QRgb grid = m_priceAxis->gridLineColor().rgb();  // opaque
  for (int k = 1; k < m_dateAxis->tickCount() - 1; ++k) {
    const int x = static_cast<int>(w * k / (m_dateAxis->tickCount() - 1));
    FillPixels(to, x, x + 1, 0, pixels.height(), grid);
  }
  for (int k = 1; k < m_priceAxis->tickCount() - 1; ++k) {
    const int y = static_cast<int>(h * k / (m_priceAxis->tickCount() - 1));
    FillPixels(to, 0, pixels.width(), y, y + 1, grid);
  }
  // Bars a few pixels apart get a body (at most 0.7 of a day); denser ones are one
  // column each.
  const double places =
      std::max<double>(static_cast<double>(m_bars.size()), m_dayTo - m_dayFrom + 1.0);
  const int body = std::max(1, static_cast<int>(0.7 * w / places));
  // A pixel row, kept to just outside the plot whatever the value (NaN included).
  auto row = [h](double y) {
    return static_cast<int>(std::floor(y > -1 ? std::min(y, h + 1) : -1));
  };
  QPolygonF closes;
  for (const ChartBar& bar : m_bars) {
    if (bar.date == 0 || bar.close < 0) continue;
    const int x = ColumnOf(bar.date, w), left = x - body / 2;
    if (bar.volume >= 0) {
      const double y = h * (1 - bar.volume / m_volumeHigh);
      FillPixels(to, left, left + body, row(y), pixels.height(), kVolume);
    }
    if (!m_fields.candles) {
      const double at = x + 0.5;
      closes << QPointF(at, PriceY(bar.open, h));
      // A column of several days is drawn as its full span, so no extreme is hidden.
      if (bar.count > 1)
        closes << QPointF(at, PriceY(bar.low, h)) << QPointF(at, PriceY(bar.high, h));
      closes << QPointF(at, PriceY(bar.close, h));
    } else if (bar.open >= 0) {
      const QRgb colour = bar.close >= bar.open ? kIncreasing : kDecreasing;
      FillPixels(to, x, x + 1, row(PriceY(bar.high, h)), row(PriceY(bar.low, h)) + 1, colour);
      if (body > 1) {
        FillPixels(to, left, left + body, row(PriceY(std::max(bar.open, bar.close), h)),
                   row(PriceY(std::min(bar.open, bar.close), h)) + 1, colour);
      }
    }
  }
  if (closes.isEmpty()) return;
  const QPen pen(QColor(kClose), 1);
  if (image) {
    QPainter line(image);
    line.setPen(pen);
    line.drawPolyline(closes);
    return;
  }
  // On the device's pixels: placed as the image would be, cut to the plot.
  painter->save();
  const QTransform& toDevice = painter->deviceTransform();
  painter->translate(to.origin.x() - toDevice.dx(), to.origin.y() - toDevice.dy());
  painter->setClipRect(to.clip, Qt::IntersectClip);
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setPen(pen);
  painter->drawPolyline(closes);
  painter->restore();
}

void CQuoteChart::PaintMarks(QPainter* painter, QSizeF size) const {
  const double w = size.width(), h = size.height();
  const bool marked = m_marked >= m_first && m_marked < m_last;
  if (marked && m_quotes[static_cast<size_t>(m_marked)].date != 0) {
    const double x = ColumnOf(m_quotes[static_cast<size_t>(m_marked)].date, w) + 0.5;
    painter->setPen(QPen(QColor(kMarker), 1, Qt::DashLine));
    painter->drawLine(QPointF(x, 0), QPointF(x, h));
  }
  // Findings sit along the top of the plot, over their days, with their ratio.
  const QFontMetrics metrics(painter->font());
  for (const Mark& m : m_marks) {
    const QuoteDay day = m.index >= m_first && m.index < m_last
                             ? m_quotes[static_cast<size_t>(m.index)].date
                             : QuoteDay{0};
    if (day == 0) continue;
    const double x = ColumnOf(day, w) + 0.5, y = h * 0.03 + 3;
    painter->fillRect(QRectF(x - 3.5, y - 3.5, 7, 7), QColor(kFinding));
    const int width = metrics.horizontalAdvance(m.label);
    // Beside the mark, on its left when the right edge is too near.
    const double textX = x + 6 + width <= w ? x + 6 : x - 6 - width;
    painter->setPen(QColor(kFinding));
    painter->drawText(QPointF(textX, y - 3.5 + metrics.ascent()), m.label);
  }
}

void CQuoteChart::MarkRow(int row) {
  const auto size = static_cast<int32_t>(m_quotes.size());
  const int32_t index = size - 1 - row;
  if (row < 0 || index < 0) return;
  m_marked = index;
  if (index < m_first || index >= m_last) {
    // Bring the day into view, keeping the zoom.
    const int32_t span = m_last - m_first;
    ShowRange(index - span / 2, index - span / 2 + span);
  } else {
    m_plot->update();
  }
}

int32_t CQuoteChart::QuoteAt(QPoint pos) const {
  if (m_first >= m_last || m_dayFrom == 0) return -1;
  const QRectF plot = chart()->plotArea();
  const QPointF inChart = chart()->mapFromScene(mapToScene(pos));
  if (!plot.contains(inChart)) return -1;
  const double days = static_cast<double>(m_dayTo) - m_dayFrom + 1;
  const auto day = static_cast<QuoteDay>(
      m_dayFrom +
      std::clamp(std::floor((inChart.x() - plot.left()) / plot.width() * days), 0.0, days - 1));
  const std::span<const Quote> shown =
      m_quotes.subspan(static_cast<size_t>(m_first), static_cast<size_t>(m_last - m_first));
  return m_first + NearestQuote(shown, day);
}

QPoint CQuoteChart::PointOf(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_quotes.size() || m_dayFrom == 0) return {};
  const Quote& q = m_quotes[static_cast<size_t>(index)];
  if (q.date == 0) return {};
  const QRectF plot = chart()->plotArea();
  const QPointF at = plot.topLeft() + QPointF(ColumnOf(q.date, plot.width()) + 0.5,
                                              PriceY(q.Value(FIELD_CLOSE), plot.height()));
  return mapFromScene(chart()->mapToScene(at));
}

void CQuoteChart::wheelEvent(QWheelEvent* event) {
  if (m_quotes.empty()) return;
  const QRectF plot = chart()->plotArea();
  const QPointF inChart = chart()->mapFromScene(mapToScene(event->position().toPoint()));
  const double fraction = std::clamp((inChart.x() - plot.left()) / plot.width(), 0.0, 1.0);
  ZoomAt(event->angleDelta().y() > 0 ? 0.8 : 1.25, fraction);
  event->accept();
}

void CQuoteChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
  m_pressed = true;
  m_dragged = false;
  m_pressAt = event->position().toPoint();
  m_pressFirst = m_first;
  event->accept();
}

void CQuoteChart::mouseMoveEvent(QMouseEvent* event) {
  if (!m_pressed) return QChartView::mouseMoveEvent(event);
  const int dx = event->position().toPoint().x() - m_pressAt.x();
  if (!m_dragged && std::abs(dx) < 4) return;
  m_dragged = true;
  const double perPixel = (m_last - m_first) / std::max(1.0, chart()->plotArea().width());
  const auto shift = static_cast<int32_t>(std::lround(dx * perPixel));
  ShowRange(m_pressFirst - shift, m_pressFirst - shift + (m_last - m_first));
  event->accept();
}

void CQuoteChart::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_pressed) return QChartView::mouseReleaseEvent(event);
  m_pressed = false;
  if (!m_dragged) {
    const int32_t index = QuoteAt(event->position().toPoint());
    if (index >= 0) emit quoteClicked(index);
  }
  event->accept();
}

void CQuoteChart::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Home) {
    ShowAll();
    event->accept();
    return;
  }
  QChartView::keyPressEvent(event);
}

void CQuoteChart::drawBackground(QPainter* painter, const QRectF& rect) {
  if (!m_plot->Opaque()) return QChartView::drawBackground(painter, rect);
  // Only the frame around the plot: its image covers the rest, and filling the whole
  // view first would write every pixel twice. A pixel in from each edge of the
  // plot, so a plot placed between pixels leaves no gap.
  const QRectF plot = m_plot->sceneBoundingRect();
  const QRect inside(QPoint(static_cast<int>(std::ceil(plot.left())) + 1,
                            static_cast<int>(std::ceil(plot.top())) + 1),
                     QPoint(static_cast<int>(std::floor(plot.right())) - 2,
                            static_cast<int>(std::floor(plot.bottom())) - 2));
  for (const QRect& part : QRegion(rect.toAlignedRect()).subtracted(inside)) {
    painter->fillRect(part, backgroundBrush());
  }
}

void CQuoteChart::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  // The plot area follows once the chart is laid out again: one bar per new column.
  QTimer::singleShot(0, this, [this] {
    if (!m_quotes.empty()) Redraw();
  });
}

}  // namespace quillet
