#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/mbf.h"

namespace quillet {

// Days counted from 1 January 1961 (day 1); 0 means no date. Unsigned: days
// above 32767 (from September 2050) are valid.
using QuoteDay = uint16_t;
// Two-second units since midnight.
using QuoteTime = uint16_t;

struct Ymd {
  int16_t year = 0;  // counted from 1900
  int16_t month = 0;
  int16_t day = 0;
};

struct Hms {
  int16_t hours = 0;
  int16_t minutes = 0;
  int16_t seconds = 0;
};

// year may be counted from 1900 or be a full year above 1900. A month outside
// 1 to 12 has no day number and gives 0.
QuoteDay DayFromYmd(int16_t year, int16_t month, int16_t day);
// Day 0 has no calendar date and gives all zeros.
Ymd YmdFromDay(QuoteDay day);
QuoteTime TimeFromHms(int16_t hours, int16_t minutes, int16_t seconds);
Hms HmsFromTime(QuoteTime time);

// On-disk CYYMMDD date (already IEEE); two-digit years below 60 mean 2000 on.
QuoteDay DayFromDateField(float value);
// On-disk HHMMSS time (already IEEE); the absent-field value -1.0 gives 0.
QuoteTime TimeFromTimeField(float value);
// The CYYMMDD value of a day, in single precision, and its on-disk bytes.
float DateValueFromDay(QuoteDay day);
MbfFloat DateFieldFromDay(QuoteDay day);
// The HHMMSS value of a time, in single precision.
float TimeValueFromTime(QuoteTime time);

// The twelve date text forms (1 to 12); forms 1 to 6 use the separator.
inline constexpr int kDateFormMdy = 3;
inline constexpr char kDateSeparator = '/';

std::string FormatQuoteDay(QuoteDay day, int form, char separator);
// 0 when the text is not a date of that form.
QuoteDay ParseQuoteDay(std::string_view text, int form);

// The form the application shows and reads everywhere: MM/DD/YY.
inline std::string FormatDate(QuoteDay day) {
  return FormatQuoteDay(day, kDateFormMdy, '/');
}
inline QuoteDay ParseDate(std::string_view text) {
  return ParseQuoteDay(text, kDateFormMdy);
}
// A date the user enters: MM/DD/YY naming a real calendar day, written as
// FormatDate writes it; 0 for anything else, so 02/30/99 is refused rather
// than read as 03/02/99.
QuoteDay ParseStrictDate(std::string_view text);

// Integer part of a value, toward zero; 0 for a value that is not a number,
// and clamped to the 32-bit range, so no on-disk value leads to undefined behaviour.
int32_t TruncToInt(double value);

}  // namespace quillet
