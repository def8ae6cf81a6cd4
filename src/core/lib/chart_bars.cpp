#include "core/lib/chart_bars.h"

#include <algorithm>

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

void Widen(ChartBar& bar, float v) {
  if (!Held(v)) return;
  if (!Held(bar.high) || v > bar.high) bar.high = v;
  if (!Held(bar.low) || v < bar.low) bar.low = v;
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
  for (int64_t c = 0; c < count; ++c) {
    // Integer split of n quotes over count columns: every column gets at least one.
    const auto begin = static_cast<int32_t>(first + n * c / count);
    const auto end = static_cast<int32_t>(first + n * (c + 1) / count);
    ChartBar bar;
    bar.first = begin;
    bar.count = end - begin;
    bar.date = quotes[static_cast<size_t>(begin)].date;
    for (int32_t i = begin; i < end; ++i) {
      const Quote& q = quotes[static_cast<size_t>(i)];
      const float open = fields.candles ? q.Value(FIELD_OPEN) : q.Value(FIELD_CLOSE);
      if (!Held(bar.open)) bar.open = open;
      if (Held(q.Value(FIELD_CLOSE))) bar.close = q.Value(FIELD_CLOSE);
      Widen(bar, q.Value(FIELD_CLOSE));
      if (fields.candles) {
        Widen(bar, q.Value(FIELD_OPEN));
        Widen(bar, q.Value(FIELD_HIGH));
        Widen(bar, q.Value(FIELD_LOW));
      }
      if (fields.volume && Held(q.Value(FIELD_VOL)) &&
          (!Held(bar.volume) || q.Value(FIELD_VOL) > bar.volume)) {
        bar.volume = q.Value(FIELD_VOL);
      }
    }
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
