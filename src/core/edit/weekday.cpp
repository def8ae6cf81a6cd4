#include "core/edit/weekday.h"

namespace quillet {

bool IsWeekend(QuoteDay day) {
  const int weekday = static_cast<QuoteDay>(day - 1) % 7;
  return weekday == 0 || weekday == 6;
}

QuoteDay PreviousWeekday(QuoteDay day) {
  do {
    --day;
  } while (IsWeekend(day));
  return day;
}

QuoteDay NextWeekday(QuoteDay day) {
  do {
    ++day;
  } while (IsWeekend(day));
  return day;
}

}  // namespace quillet
