// Decimation of a series to pixel columns: no day's extreme is ever lost, the
// columns tile the range, and values the file does not hold never become zeros.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/lib/chart_bars.h"

namespace quillet {
namespace {

constexpr ChartFields kCandles{true, true, true};
constexpr ChartFields kCloseOnly{false, true, false};

// Random walks with bad ticks: a close above the high, a low above the open.
std::vector<Quote> Walk(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> step(-1.0f, 1.0f);
  std::vector<Quote> quotes(static_cast<size_t>(n));
  float price = 50.0f;
  for (int i = 0; i < n; ++i) {
    price = std::max(1.0f, price + step(rng));
    Quote& q = quotes[static_cast<size_t>(i)];
    q.date = static_cast<QuoteDay>(1000 + i);
    q.values = {price, price + 1.0f, price - 1.0f, price + step(rng) / 2, 100.0f + price, 0.0f};
    if (i % 97 == 5) q.Value(FIELD_CLOSE) = price * 3;  // a tick far above the high
  }
  return quotes;
}

TEST(ChartBars, EveryDaysHighAndLowIsKeptAndColumnsTileTheRange) {
  struct Case {
    int quotes, first, last, columns;
    ChartFields fields;
  };
  const Case cases[] = {
      {32766, 0, 32766, 800, kCandles}, {32766, 0, 32766, 801, kCloseOnly},
      {1000, 100, 900, 799, kCandles},  {1000, 100, 900, 800, kCandles},
      {1000, 100, 900, 5000, kCandles}, {401, 0, 401, 1, kCandles},
      {2, 0, 2, 3, kCloseOnly},         {10, 5, 5, 800, kCandles},
      {10, -3, 99, 4, kCandles},  // a range beyond the series is cut to it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.quotes << " " << c.first << ".." << c.last << " in " << c.columns);
    const std::vector<Quote> quotes = Walk(c.quotes, static_cast<unsigned>(c.columns));
    const std::vector<ChartBar> bars = DecimateBars(quotes, c.first, c.last, c.columns, c.fields);
    const int first = std::max(c.first, 0), last = std::min(c.last, c.quotes);
    ASSERT_EQ(bars.size(), static_cast<size_t>(std::min(last - first, c.columns)));
    int next = first;
    for (const ChartBar& bar : bars) {
      ASSERT_EQ(bar.first, next);
      ASSERT_GE(bar.count, 1);
      EXPECT_EQ(bar.date, quotes[static_cast<size_t>(bar.first)].date);
      float high = -1, low = 1e30f, volume = -1;
      for (int i = bar.first; i < bar.first + bar.count; ++i) {
        const Quote& q = quotes[static_cast<size_t>(i)];
        for (int f : {FIELD_OPEN, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE}) {
          if (!c.fields.candles && f != FIELD_CLOSE) continue;
          high = std::max(high, q.Value(f));
          low = std::min(low, q.Value(f));
        }
        volume = std::max(volume, q.Value(FIELD_VOL));
      }
      EXPECT_EQ(bar.high, high);
      EXPECT_EQ(bar.low, low);
      EXPECT_EQ(bar.volume, c.fields.volume ? volume : kAbsentValue);
      const Quote& last = quotes[static_cast<size_t>(bar.first + bar.count - 1)];
      EXPECT_EQ(bar.close, last.Value(FIELD_CLOSE));
      next = bar.first + bar.count;
    }
    if (!bars.empty()) {
      EXPECT_EQ(next, last);
    }
  }
}

TEST(ChartBars, ValuesTheFileDoesNotHoldAreNeverDrawn) {
  std::vector<Quote> quotes = Walk(4, 1);
  quotes[0].Value(FIELD_OPEN) = kAbsentValue;
  quotes[3].Value(FIELD_CLOSE) = kAbsentValue;
  for (Quote& q : quotes) q.Value(FIELD_VOL) = kAbsentValue;
  const std::vector<ChartBar> bars = DecimateBars(quotes, 0, 4, 1, kCandles);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].open, quotes[1].Value(FIELD_OPEN));
  EXPECT_EQ(bars[0].close, quotes[2].Value(FIELD_CLOSE));
  EXPECT_EQ(bars[0].volume, kAbsentValue);
  EXPECT_GT(bars[0].low, 0.0f);
  // No close field: nothing to draw at all.
  EXPECT_TRUE(DecimateBars(quotes, 0, 4, 10, ChartFields{}).empty());
}

TEST(ChartBars, FieldsFollowTheLayout) {
  struct Case {
    std::array<int16_t, kQuoteFieldCount> positions;
    bool candles, close, volume;
  };
  const Case cases[] = {{{1, 0, 2, 3, 4, 5, 6, 7}, true, true, true},
                        {{1, 0, 0, 2, 3, 4, 5, 0}, false, true, true},
                        {{1, 0, 2, 3, 4, 0, 5, 0}, false, false, true},
                        {{1, 0, 2, 3, 4, 5, 0, 0}, true, true, false}};
  for (const Case& c : cases) {
    FieldLayout layout;
    layout.positions = c.positions;
    const ChartFields f = ChartFieldsOf(layout);
    EXPECT_EQ(f.candles, c.candles);
    EXPECT_EQ(f.close, c.close);
    EXPECT_EQ(f.volume, c.volume);
  }
}

TEST(ChartBars, NearestQuoteByDay) {
  std::vector<Quote> quotes(4);
  const QuoteDay days[] = {10, 11, 14, 20};
  for (size_t i = 0; i < 4; ++i) quotes[i].date = days[i];
  struct Case {
    QuoteDay day;
    int32_t index;
  };
  for (const Case& c : {Case{0, 0}, Case{11, 1}, Case{12, 1}, Case{13, 2}, Case{17, 2}, Case{18, 3},
                        Case{60000, 3}}) {
    EXPECT_EQ(NearestQuote(quotes, c.day), c.index) << c.day;
  }
  std::swap(quotes[0], quotes[3]);  // out of date order: searched as stored
  EXPECT_EQ(NearestQuote(quotes, 19), 0);
  EXPECT_EQ(NearestQuote({}, 5), -1);
}

}  // namespace
}  // namespace quillet
