#include "core/base/quote_date.h"

#include <array>
#include <cmath>
#include <limits>

namespace quillet {
namespace {

constexpr std::array<int, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                  181, 212, 243, 273, 304, 334};

}  // namespace

int32_t TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

QuoteDay DayFromYmd(int16_t year, int16_t month, int16_t day) {
  int y = year;
  if (y > 1900) y -= 1900;
  if (month < 1 || month > 12) return 0;
  const int16_t years = static_cast<int16_t>(((y - 61) * 1461) / 4);
  int n = day + kDaysBeforeMonth[month - 1] + years;
  if (month > 2 && y % 4 == 0) ++n;
  return static_cast<QuoteDay>(n & 0xFFFF);
}

Ymd YmdFromDay(QuoteDay day) {
  if (day == 0) return {};
  const int n = day;
  const int q = (4 * n - 1) / 1461;
  const int r = n - (q * 1461) / 4;
  const int year = q + 61;
  std::array<int, 12> table = kDaysBeforeMonth;
  if (year % 4 == 0) {
    for (int k = 2; k < 12; ++k) ++table[k];
  }
  int month = 12;
  while (month > 1 && table[month - 1] >= r) --month;
  return {static_cast<int16_t>(year), static_cast<int16_t>(month),
          static_cast<int16_t>(r - table[month - 1])};
}

QuoteTime TimeFromHms(int16_t hours, int16_t minutes, int16_t seconds) {
  return static_cast<QuoteTime>((hours * 1800 + minutes * 30 + seconds / 2) & 0xFFFF);
}

Hms HmsFromTime(QuoteTime time) {
  const int rest = time % 1800;
  return {static_cast<int16_t>(time / 1800), static_cast<int16_t>(rest / 30),
          static_cast<int16_t>((rest % 30) * 2)};
}

QuoteDay DayFromDateField(float value) {
  // Whole values below 2^24 (every real date) take integer arithmetic, which gives
  // the same results as the single-precision steps below at a fraction of the cost.
  if (value >= 0.0f && value < 16777216.0f) {
    int32_t xi = static_cast<int32_t>(value);
    if (static_cast<float>(xi) == value) {
      if (xi < 600000) xi += 1000000;
      const int32_t y = xi / 10000, rest = xi % 10000;
      return DayFromYmd(static_cast<int16_t>(y), static_cast<int16_t>(rest / 100),
                        static_cast<int16_t>(rest % 100));
    }
  }
  float x = value;
  if (TruncToInt(x / 10000.0f) < 60) x += 1000000.0f;
  const int32_t y = TruncToInt(x / 10000.0f);
  const float rest = x - static_cast<float>(int64_t{y} * 10000);
  const int32_t m = TruncToInt(rest / 100.0f);
  const int32_t d = TruncToInt(rest - static_cast<float>(int64_t{m} * 100));
  return DayFromYmd(static_cast<int16_t>(y), static_cast<int16_t>(m), static_cast<int16_t>(d));
}

QuoteTime TimeFromTimeField(float value) {
  const int32_t h = TruncToInt(value / 10000.0f);
  const float rest = value - static_cast<float>(int64_t{h} * 10000);
  const int32_t m = TruncToInt(rest / 100.0f);
  const int32_t s = TruncToInt(rest - static_cast<float>(int64_t{m} * 100));
  return TimeFromHms(static_cast<int16_t>(h), static_cast<int16_t>(m), static_cast<int16_t>(s));
}

float DateValueFromDay(QuoteDay day) {
  const Ymd d = YmdFromDay(day);
  return static_cast<float>(d.year * 10000 + d.month * 100 + d.day);
}

MbfFloat DateFieldFromDay(QuoteDay day) {
  return IeeeToMbf(DateValueFromDay(day));
}

float TimeValueFromTime(QuoteTime time) {
  const Hms t = HmsFromTime(time);
  return static_cast<float>(t.hours * 10000 + t.minutes * 100 + t.seconds);
}

namespace {

enum class DatePart { Yy, Ccyy, Mm, Dd };

// The parts of the twelve forms: forms 7 to 12 repeat the order of forms 1 to 6
// without separators.
constexpr std::array<std::array<DatePart, 3>, 6> kFormParts = {{
    {DatePart::Yy, DatePart::Mm, DatePart::Dd},
    {DatePart::Ccyy, DatePart::Mm, DatePart::Dd},
    {DatePart::Mm, DatePart::Dd, DatePart::Yy},
    {DatePart::Mm, DatePart::Dd, DatePart::Ccyy},
    {DatePart::Dd, DatePart::Mm, DatePart::Yy},
    {DatePart::Dd, DatePart::Mm, DatePart::Ccyy},
}};

// A number as "%.2i" writes it.
void AppendTwoDigits(std::string& out, int value) {
  if (value >= 0 && value < 10) out += '0';
  out += std::to_string(value);
}

}  // namespace

std::string FormatQuoteDay(QuoteDay day, int form, char separator) {
  if (form < 1 || form > 12) return {};
  int yy = 0, mm = 0, dd = 0, cc = 0;
  if (day != 0) {
    const Ymd d = YmdFromDay(day);
    yy = d.year % 100;
    cc = d.year / 100 + 19;
    mm = d.month;
    dd = d.day;
  }
  std::string out;
  const auto& parts = kFormParts[static_cast<size_t>((form - 1) % 6)];
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0 && form <= 6) out += separator;
    switch (parts[i]) {
      case DatePart::Ccyy:
        AppendTwoDigits(out, cc);
        [[fallthrough]];
      case DatePart::Yy:
        AppendTwoDigits(out, yy);
        break;
      case DatePart::Mm:
        AppendTwoDigits(out, mm);
        break;
      case DatePart::Dd:
        AppendTwoDigits(out, dd);
        break;
    }
  }
  return out;
}

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A component written as two characters: copied when exactly two long,
// otherwise "0" and its first character (an empty component ends the text).
void AppendTwo(std::string& out, std::string_view component) {
  if (component.size() == 2) {
    out += component;
  } else {
    out += '0';
    out += component.empty() ? '\0' : component[0];
  }
}

// Decimal value of the two characters at pos of a zero-terminated buffer;
// stops at the first non-digit, absent positions read 0.
int ReadTwo(const std::string& buffer, size_t pos) {
  const size_t end = buffer.find('\0');
  const size_t length = end == std::string::npos ? buffer.size() : end;
  int value = 0;
  for (size_t i = pos; i < pos + 2 && i < length && IsDigit(buffer[i]); ++i) {
    value = value * 10 + (buffer[i] - '0');
  }
  return value;
}

struct FieldPositions {
  int century, year, month, day;  // -1: none
};

constexpr std::array<FieldPositions, 12> kPositions = {{
    {-1, 0, 3, 6},  // 1 YY/MM/DD
    {0, 2, 5, 8},   // 2 CCYY/MM/DD
    {-1, 6, 0, 3},  // 3 MM/DD/YY
    {6, 8, 0, 3},   // 4 MM/DD/CCYY
    {-1, 6, 3, 0},  // 5 DD/MM/YY
    {6, 8, 3, 0},   // 6 DD/MM/CCYY
    {-1, 0, 2, 4},  // 7 YYMMDD
    {0, 2, 4, 6},   // 8 CCYYMMDD
    {-1, 4, 0, 2},  // 9 MMDDYY
    {4, 6, 0, 2},   // 10 MMDDCCYY
    {-1, 4, 2, 0},  // 11 DDMMYY
    {4, 6, 2, 0},   // 12 DDMMCCYY
}};

}  // namespace

QuoteDay ParseStrictDate(std::string_view text) {
  const QuoteDay day = ParseDate(text);
  return day != 0 && FormatDate(day) == text ? day : 0;
}

QuoteDay ParseQuoteDay(std::string_view text, int form) {
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  if (start < text.size() && text[start] == '"') ++start;
  text = text.substr(start);
  // The text is read as a C string: it ends at a zero byte.
  text = text.substr(0, text.find('\0'));
  if (text.empty() || form < 1 || form > 12 || text.size() > 10) return 0;

  std::string buffer;
  if (form >= 7) {
    buffer = std::string(text);
  } else {
    size_t first = std::string_view::npos, last = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
      if (IsDigit(text[i])) continue;
      if (first == std::string_view::npos) {
        first = i;
      } else {
        last = i;
      }
    }
    if (last != std::string_view::npos) {
      const std::string_view c1 = text.substr(0, first);
      const std::string_view c2 = text.substr(first + 1, last - first - 1);
      const std::string_view c3 = text.substr(last + 1);
      if (form == 2) {
        buffer = std::string(text.substr(0, 5));
        AppendTwo(buffer, c2);
        buffer += '/';
        AppendTwo(buffer, c3);
      } else {
        AppendTwo(buffer, c1);
        buffer += '/';
        AppendTwo(buffer, c2);
        buffer += '/';
        if (form == 4 || form == 6) {
          buffer += c3.size() == 4 ? std::string(c3) : std::string("1999");
        } else {
          AppendTwo(buffer, c3);
        }
      }
    }
  }

  const FieldPositions& p = kPositions[static_cast<size_t>(form - 1)];
  const int year = ReadTwo(buffer, static_cast<size_t>(p.year));
  const int month = ReadTwo(buffer, static_cast<size_t>(p.month));
  const int day = ReadTwo(buffer, static_cast<size_t>(p.day));
  int offset = p.century >= 0 ? (ReadTwo(buffer, static_cast<size_t>(p.century)) - 19) * 100 : 0;
  if (year == 0 && month == 0 && day == 0) return 0;
  if (year < 61 && offset == 0) offset = 100;
  return DayFromYmd(static_cast<int16_t>(year + offset), static_cast<int16_t>(month),
                    static_cast<int16_t>(day));
}

}  // namespace quillet
