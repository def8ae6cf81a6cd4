// ParseQuoteDay over arbitrary text in every form, and FormatQuoteDay of the
// days it gives: a day formatted in a form with a century reads back as the
// same day in that form; a two-digit-year form does so for 1961 to 2060, the
// years its two digits stand for.

#include <string>
#include <string_view>

#include "core/base/quote_date.h"
#include "fuzz_support.h"

using namespace quillet;

namespace {

bool HasCentury(int form) {
  return form % 2 == 0;
}

void CheckRoundTrip(QuoteDay day, char separator) {
  if (day == 0) return;
  const Ymd ymd = YmdFromDay(day);
  FUZZ_CHECK(ymd.month >= 1 && ymd.month <= 12 && ymd.day >= 1 && ymd.day <= 31);
  FUZZ_CHECK(DayFromYmd(ymd.year, ymd.month, ymd.day) == day);
  for (int form = 1; form <= 12; ++form) {
    const std::string text = FormatQuoteDay(day, form, separator);
    FUZZ_CHECK(text.size() == (form == 2 || form == 4 || form == 6 ? 10u
                               : form <= 6                         ? 8u
                               : form % 2 == 0                     ? 8u
                                                                   : 6u));
    const bool twoDigitYearFits = ymd.year >= 61 && ymd.year <= 160;
    if (HasCentury(form) || twoDigitYearFits) FUZZ_CHECK(ParseQuoteDay(text, form) == day);
  }
  FUZZ_CHECK(ParseDate(FormatDate(day)) == day || ymd.year > 160);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int form = data[0] % 14;  // 0 and 13 are outside the forms
  char separator = static_cast<char>(data[1]);
  // A digit or a zero byte cannot separate the parts of a date.
  if (separator == '\0' || (separator >= '0' && separator <= '9')) separator = '/';
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  const QuoteDay parsed = ParseQuoteDay(text, form);
  if (form < 1 || form > 12) FUZZ_CHECK(parsed == 0);
  // More than 10 characters after the leading blanks and quote is never a date.
  std::string_view rest = text.substr(std::min(text.find_first_not_of(' '), text.size()));
  if (!rest.empty() && rest[0] == '"') rest.remove_prefix(1);
  rest = rest.substr(0, rest.find('\0'));
  if (rest.size() > 10) FUZZ_CHECK(parsed == 0);
  CheckRoundTrip(parsed, separator);

  // The first two bytes as a day of their own: every day of the 16-bit range.
  const QuoteDay raw = static_cast<QuoteDay>(data[1] | (data[2] << 8));
  CheckRoundTrip(raw, separator);
  return 0;
}
