#pragma once

#include "core/base/quote_date.h"

namespace quillet {

// Day 1, 1 January 1961, was a Sunday: (d - 1) mod 7 is 0 on Sundays and 6 on Saturdays.
bool IsWeekend(QuoteDay day);

// The nearest earlier (later) day that is neither a Saturday nor a Sunday; at
// least one step is taken. Unsigned 16-bit arithmetic: stepping below 0 or above
// 65535 wraps. No holiday calendar.
QuoteDay PreviousWeekday(QuoteDay day);
QuoteDay NextWeekday(QuoteDay day);

}  // namespace quillet
