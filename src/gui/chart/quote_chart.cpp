#include "gui/chart/quote_chart.h"

#include <QAction>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsSimpleTextItem>
#include <QItemSelectionModel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableView>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "gui/app/registry_profile.h"
#include "gui/app/settings_keys.h"
#include "gui/view/grid_models.h"

namespace quillet {

namespace {

// The x value of a day: noon, local time, so the date axis never shows the day before.
std::optional<qint64> DayToX(QuoteDay day) {
  const Ymd ymd = YmdFromDay(day);
  const QDate date(ymd.year + 1900, ymd.month, ymd.day);
  if (day == 0 || !date.isValid()) return std::nullopt;
  return QDateTime(date, QTime(12, 0)).toMSecsSinceEpoch();
}

QuoteDay XToDay(double x) {
  const QDate date = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x)).date();
  if (date.year() < 1961) return 1;
  if (date.year() > 2139) return std::numeric_limits<QuoteDay>::max();
  return DayFromYmd(static_cast<int16_t>(date.year() - 1900), static_cast<int16_t>(date.month()),
                    static_cast<int16_t>(date.day()));
}

constexpr int32_t kFewestShown = 10;  // the deepest zoom, in quotes
constexpr qint64 kHalfDay = 12LL * 3600 * 1000;

}  // namespace

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
  c->setBackgroundRoundness(0);
  setChart(c);

  m_candles = new QCandlestickSeries;
  m_candles->setIncreasingColor(QColor(0x2e, 0x8b, 0x57));
  m_candles->setDecreasingColor(QColor(0xc0, 0x39, 0x2b));
  m_candles->setBodyOutlineVisible(false);
  m_candles->setMinimumColumnWidth(1);
  m_candles->setBodyWidth(0.7);
  m_closeLine = new QLineSeries;
  m_closeLine->setPen(QPen(QColor(0x1f, 0x4e, 0x9c), 1));
  m_volume = new QLineSeries;
  m_volume->setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
  m_marker = new QLineSeries;
  m_marker->setPen(QPen(QColor(0xe0, 0x80, 0x00), 1, Qt::DashLine));

  m_findingDots = new QScatterSeries;
  m_findingDots->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  m_findingDots->setMarkerSize(7);
  m_findingDots->setColor(QColor(0x80, 0x20, 0xa0));
  m_findingDots->setBorderColor(QColor(0x80, 0x20, 0xa0));

  m_dateAxis = new QDateTimeAxis;
  m_dateAxis->setFormat("MM/dd/yy");
  m_dateAxis->setTickCount(6);
  m_priceAxis = new QValueAxis;
  m_priceAxis->setLabelFormat("%.2f");
  m_volumeAxis = new QValueAxis;
  m_volumeAxis->setLabelFormat("%.0f");
  m_volumeAxis->setGridLineVisible(false);
  c->addAxis(m_dateAxis, Qt::AlignBottom);
  c->addAxis(m_priceAxis, Qt::AlignLeft);
  c->addAxis(m_volumeAxis, Qt::AlignRight);
  // Volume first, so the prices are drawn over it.
  c->addSeries(m_volume);
  m_volume->attachAxis(m_dateAxis);
  m_volume->attachAxis(m_volumeAxis);
  for (QAbstractSeries* s :
       std::initializer_list<QAbstractSeries*>{m_candles, m_closeLine, m_marker, m_findingDots}) {
    c->addSeries(s);
    s->attachAxis(m_dateAxis);
    s->attachAxis(m_priceAxis);
  }
  connect(c, &QChart::plotAreaChanged, this, &CQuoteChart::PlaceLabels);
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

void CQuoteChart::PlaceLabels() {
  for (QGraphicsSimpleTextItem* label : m_labels) delete label;
  m_labels.clear();
  const QList<QPointF> dots = m_findingDots->points();
  for (qsizetype i = 0; i < dots.size() && i < m_dotLabels.size(); ++i) {
    const QPointF at = dots[i];
    auto* label = new QGraphicsSimpleTextItem(m_dotLabels[i], chart());
    m_labels.push_back(label);
    label->setBrush(m_findingDots->color());
    label->setPos(chart()->mapToPosition(at, m_findingDots) + QPointF(5, -2));
  }
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
  QList<QCandlestickSet*> sets;
  QList<QPointF> closes, volumes;
  double low = std::numeric_limits<double>::max(), high = -low, volumeHigh = 0;
  for (const ChartBar& bar : m_bars) {
    const std::optional<qint64> x = DayToX(bar.date);
    if (!x || bar.close < 0) continue;
    low = std::min<double>(low, bar.low);
    high = std::max<double>(high, bar.high);
    const auto at = static_cast<double>(*x);
    if (m_fields.candles && bar.open >= 0) {
      sets << new QCandlestickSet(bar.open, bar.high, bar.low, bar.close, at);
    } else if (!m_fields.candles) {
      closes << QPointF(at, bar.open);
      // A column of several days is drawn as its full span, so no extreme is hidden.
      if (bar.count > 1) closes << QPointF(at, bar.low) << QPointF(at, bar.high);
      closes << QPointF(at, bar.close);
    }
    if (bar.volume >= 0) {
      volumes << QPointF(at, 0) << QPointF(at, bar.volume) << QPointF(at, 0);
      volumeHigh = std::max<double>(volumeHigh, bar.volume);
    }
  }
  // Sets already drawn are given the new values: making their items anew costs
  // most of a redraw.
  const QList<QCandlestickSet*> old = m_candles->sets();
  if (old.size() == sets.size()) {
    for (qsizetype i = 0; i < sets.size(); ++i) {
      old[i]->setTimestamp(sets[i]->timestamp());
      old[i]->setOpen(sets[i]->open());
      old[i]->setHigh(sets[i]->high());
      old[i]->setLow(sets[i]->low());
      old[i]->setClose(sets[i]->close());
    }
    qDeleteAll(sets);
  } else {
    m_candles->clear();
    m_candles->append(sets);
  }
  m_candles->setVisible(m_fields.candles);
  m_closeLine->replace(closes);
  m_closeLine->setVisible(!m_fields.candles);
  m_volume->replace(volumes);
  m_volumeAxis->setVisible(m_fields.volume);

  if (low > high) low = 0, high = 1;
  if (high - low < 1e-6) low -= 0.5, high += 0.5;
  // The lower third is left to the volume bars, which fill at most a quarter.
  m_priceLow = low - (high - low) * 0.45;
  m_priceHigh = high + (high - low) * 0.05;
  m_priceAxis->setRange(m_priceLow, m_priceHigh);
  m_volumeAxis->setRange(0, volumeHigh > 0 ? volumeHigh * 4 : 1);
  const std::optional<qint64> from =
      m_first < m_last ? DayToX(m_quotes[static_cast<size_t>(m_first)].date) : std::nullopt;
  const std::optional<qint64> to =
      m_first < m_last ? DayToX(m_quotes[static_cast<size_t>(m_last - 1)].date) : std::nullopt;
  if (from && to && *from <= *to) {
    m_dateAxis->setRange(QDateTime::fromMSecsSinceEpoch(*from - kHalfDay),
                         QDateTime::fromMSecsSinceEpoch(*to + kHalfDay));
  }
  DrawMarker();
  // Findings sit along the top of the plot, over their days.
  QList<QPointF> dots;
  m_dotLabels.clear();
  for (const Mark& m : m_marks) {
    if (m.index < m_first || m.index >= m_last) continue;
    if (const std::optional<qint64> x = DayToX(m_quotes[static_cast<size_t>(m.index)].date)) {
      dots << QPointF(static_cast<double>(*x), m_priceHigh - (m_priceHigh - m_priceLow) * 0.03);
      m_dotLabels << m.label;
    }
  }
  m_findingDots->replace(dots);
  PlaceLabels();
}

void CQuoteChart::DrawMarker() {
  QList<QPointF> line;
  if (m_marked >= m_first && m_marked < m_last) {
    if (const std::optional<qint64> x = DayToX(m_quotes[static_cast<size_t>(m_marked)].date)) {
      line << QPointF(static_cast<double>(*x), m_priceLow)
           << QPointF(static_cast<double>(*x), m_priceHigh);
    }
  }
  m_marker->replace(line);
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
    DrawMarker();
  }
}

int32_t CQuoteChart::QuoteAt(QPoint pos) const {
  if (m_first >= m_last) return -1;
  const QPointF inChart = chart()->mapFromScene(mapToScene(pos));
  if (!chart()->plotArea().contains(inChart)) return -1;
  const QPointF value = chart()->mapToValue(inChart, m_marker);
  const std::span<const Quote> shown =
      m_quotes.subspan(static_cast<size_t>(m_first), static_cast<size_t>(m_last - m_first));
  return m_first + NearestQuote(shown, XToDay(value.x()));
}

QPoint CQuoteChart::PointOf(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_quotes.size()) return {};
  const Quote& q = m_quotes[static_cast<size_t>(index)];
  const std::optional<qint64> x = DayToX(q.date);
  if (!x) return {};
  const QPointF at =
      chart()->mapToPosition(QPointF(static_cast<double>(*x), q.Value(FIELD_CLOSE)), m_marker);
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

void CQuoteChart::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  // The plot area follows once the chart is laid out again: one bar per new column.
  QTimer::singleShot(0, this, [this] {
    if (!m_quotes.empty()) Redraw();
  });
}

}  // namespace quillet
