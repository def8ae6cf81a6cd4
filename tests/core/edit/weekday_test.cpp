#include "core/edit/weekday.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct WeekdayCase {
  QuoteDay day;
  QuoteDay previous;
  QuoteDay next;
};

// Day 1 (1 January 1961) was a Sunday; 2 January a Monday, 6 January a Friday.
TEST(WeekdayTest, StepsOverWeekendsAtLeastOnce) {
  const WeekdayCase cases[] = {
      {2, 0, 3},              // Monday: back past Sunday day 1 wraps to 0 (unsigned arithmetic)
      {3, 2, 4},              // Tuesday
      {6, 5, 9},              // Friday: next is the Monday after
      {7, 6, 9},              // Saturday
      {8, 6, 9},              // Sunday
      {9, 6, 10},             // Monday: back to Friday
      {1, 0, 2},              // Sunday 1 January 1961
      {32768, 32766, 32769},  // a Sunday past the signed range
      {65535, 65533, 0},      // a Sunday; forward wraps to day 0, which counts as a Monday
  };
  for (const WeekdayCase& c : cases) {
    EXPECT_EQ(PreviousWeekday(c.day), c.previous) << c.day;
    EXPECT_EQ(NextWeekday(c.day), c.next) << c.day;
  }
}

TEST(WeekdayTest, WeekendsAsTheCalendarHasThem) {
  // Saturday 1 and Sunday 2 January 2000; Monday 3 and Friday 7.
  for (int d : {1, 2, 3, 7}) EXPECT_EQ(IsWeekend(DayFromYmd(2000, 1, int16_t(d))), d < 3) << d;
}

}  // namespace
}  // namespace quillet
