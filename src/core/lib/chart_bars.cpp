#include "core/lib/chart_bars.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillet {

ChartFields ChartFieldsOf(const FieldLayout& layout) {
  ChartFields f;
  f.close = layout.Has(FIELD_CLOSE);
  f.candles = f.close && layout.Has(FIELD_OPEN) && layout.Has(FIELD_HIGH) && layout.Has(FIELD_LOW);
  f.volume = layout.Has(FIELD_VOL);
  return f;
}

namespace {

bool Held(float v) {
  return v >= 0.0f;
}

// OPEN, HIGH, LOW and CLOSE side by side, compared four at a time (GCC's and
// Clang's vector types, SSE2 or NEON): every quote of the series is visited on each
// redraw of the chart.
typedef float Prices __attribute__((vector_size(16)));
constexpr float kNone = std::numeric_limits<float>::infinity();

// values[] holds the fields in this order.
static_assert(FIELD_HIGH == FIELD_OPEN + 1 && FIELD_LOW == FIELD_OPEN + 2 &&
              FIELD_CLOSE == FIELD_OPEN + 3 && FIELD_VOL == FIELD_OPEN + 4);

struct Extremes {
  Prices high, low;
  float volume;
};

Prices Load(const float* values) {
  Prices v;
  std::memcpy(&v, values, sizeof v);
  return v;
}

// Each field's extremes over quotes, without a branch per value: an absent
// (negative) value never raises a high and counts as +infinity for a low.
Extremes ExtremesOf(std::span<const Quote> quotes) {
  const Prices none = {kNone, kNone, kNone, kNone}, zero = {0, 0, 0, 0};
  Prices high = {kAbsentValue, kAbsentValue, kAbsentValue, kAbsentValue}, low = none;
  // HIGH, LOW, CLOSE and VOL: only the last lane is of use, read the same way so
  // that it stays in a register.
  Prices traded = high;
  for (const Quote& q : quotes) {
    const Prices v = Load(q.values.data());
    high = high < v ? v : high;
    const Prices held = v >= zero ? v : none;
    low = held < low ? held : low;
    const Prices w = Load(q.values.data() + 1);
    traded = traded < w ? w : traded;
  }
  return {high, low, traded[3]};
}

}  // namespace

std::vector<ChartBar> DecimateBars(std::span<const Quote> quotes, int32_t first, int32_t last,
                                   int columns, const ChartFields& fields) {
  const auto size = static_cast<int32_t>(quotes.size());
  first = std::clamp(first, 0, size);
  last = std::clamp(last, first, size);
  const int64_t n = last - first;
  std::vector<ChartBar> bars;
  if (n == 0 || columns <= 0 || !fields.close) return bars;
  const int64_t count = std::min<int64_t>(n, columns);
  bars.reserve(static_cast<size_t>(count));
  const int openField = fields.candles ? FIELD_OPEN : FIELD_CLOSE;
  for (int64_t c = 0; c < count; ++c) {
    // Integer split of n quotes over count columns: every column gets at least one.
    const auto begin = static_cast<size_t>(first + n * c / count);
    const auto end = static_cast<size_t>(first + n * (c + 1) / count);
    ChartBar bar;
    bar.first = static_cast<int32_t>(begin);
    bar.count = static_cast<int32_t>(end - begin);
    bar.date = quotes[begin].date;
    for (size_t i = begin; i < end && !Held(bar.open); ++i) bar.open = quotes[i].Value(openField);
    if (!Held(bar.open)) bar.open = kAbsentValue;
    for (size_t i = end; i > begin && !Held(bar.close); --i) {
      bar.close = quotes[i - 1].Value(FIELD_CLOSE);
    }
    if (!Held(bar.close)) bar.close = kAbsentValue;
    const Extremes e = ExtremesOf(quotes.subspan(begin, end - begin));
    constexpr int kClose = FIELD_CLOSE - FIELD_OPEN;
    float top = e.high[kClose], bottom = e.low[kClose];
    if (fields.candles) {
      top = std::max({e.high[0], e.high[1], e.high[2], e.high[3]});
      bottom = std::min({e.low[0], e.low[1], e.low[2], e.low[3]});
    }
    bar.high = Held(top) ? top : kAbsentValue;
    bar.low = bottom == kNone ? kAbsentValue : bottom;
    if (fields.volume && Held(e.volume)) bar.volume = e.volume;
    bars.push_back(bar);
  }
  return bars;
}

int32_t NearestQuote(std::span<const Quote> quotes, QuoteDay day) {
  if (quotes.empty()) return -1;
  const bool sorted = std::is_sorted(
      quotes.begin(), quotes.end(), [](const Quote& a, const Quote& b) { return a.date < b.date; });
  auto distance = [day](const Quote& q) { return q.date > day ? q.date - day : day - q.date; };
  if (!sorted) {
    size_t best = 0;
    for (size_t i = 1; i < quotes.size(); ++i) {
      if (distance(quotes[i]) < distance(quotes[best])) best = i;
    }
    return static_cast<int32_t>(best);
  }
  const auto it = std::lower_bound(quotes.begin(), quotes.end(), day,
                                   [](const Quote& q, QuoteDay d) { return q.date < d; });
  size_t i = static_cast<size_t>(it - quotes.begin());
  if (i == quotes.size() || (i > 0 && distance(quotes[i - 1]) <= distance(quotes[i]))) --i;
  return static_cast<int32_t>(i);
}

}  // namespace quillet
