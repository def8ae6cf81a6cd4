#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/base/quote_date.h"
#include "core/lib/field_layout.h"
#include "core/lib/quote_series.h"

namespace quillet {

// What a chart of a series can draw: only fields the file holds are drawn, never
// a zero in place of a missing one.
struct ChartFields {
  bool candles = false;  // OPEN, HIGH, LOW and CLOSE are all held
  bool close = false;    // CLOSE is held (a close line when there are no candles)
  bool volume = false;   // VOL is held
};
ChartFields ChartFieldsOf(const FieldLayout& layout);

// One pixel column of a chart: the quotes first .. first + count - 1 of the series.
// Prices and volume are as stored; kAbsentValue where no quote of the column holds one.
struct ChartBar {
  int32_t first = 0;
  int32_t count = 0;
  QuoteDay date = 0;            // day of the column's first quote
  float open = kAbsentValue;    // first held open (candles) or close (close line)
  float high = kAbsentValue;    // greatest held price of any quote of the column
  float low = kAbsentValue;     // least held price of any quote of the column
  float close = kAbsentValue;   // last held close
  float volume = kAbsentValue;  // greatest held volume, so a lone spike still shows
};

// The quotes [first, last) of quotes reduced to at most columns bars, in order, each
// covering a run of neighbouring quotes (one quote per bar when they fit). A column's
// high and low are taken over every held price of its quotes (open, high, low and
// close), so a bad tick anywhere in the range always reaches the chart. A negative
// value is how the reader marks a value the file does not hold: it is skipped.
std::vector<ChartBar> DecimateBars(std::span<const Quote> quotes, int32_t first, int32_t last,
                                   int columns, const ChartFields& fields);

// The index of the quote whose day is nearest to day (ties to the earlier quote),
// for quotes in file order; -1 when there are none. Quotes out of date order are
// searched as stored.
int32_t NearestQuote(std::span<const Quote> quotes, QuoteDay day);

}  // namespace quillet
