#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "core/base/mbf.h"
#include "core/base/quote_date.h"
#include "core/base/result.h"
#include "core/base/strings.h"

namespace quillet {
namespace {

// Known values both ways; zero whatever bytes 0 to 2 hold; the exponent is not
// range-checked (MBF exponent 1 wraps to 255: an infinity or NaN, not a crash).
TEST(Mbf, KnownValuesZeroAndTheUncheckedExponent) {
  const std::pair<float, MbfFloat> cases[] = {{1.0f, {0, 0, 0, 0x81}}, {-1.0f, {0, 0, 0x80, 0x81}},
                                              {0.5f, {0, 0, 0, 0x80}}, {10.5f, {0, 0, 0x28, 0x84}},
                                              {0.0f, {0, 0, 0, 0}},    {-0.0f, {0, 0, 0, 0}}};
  for (const auto& [value, mbf] : cases) {
    EXPECT_EQ(IeeeToMbf(value), mbf) << value;
    EXPECT_EQ(MbfToIeee(mbf), value) << value;
  }
  EXPECT_EQ(std::bit_cast<uint32_t>(MbfToIeee({0x12, 0x34, 0xFF, 0x00})), 0u);
  EXPECT_FALSE(std::isfinite(MbfToIeee({0, 0, 0, 1})));
}

TEST(Mbf, RoundTripIsBitExactOverTheNormalRange) {
  // Every exponent that fits both formats, with varied mantissas and both signs.
  for (uint32_t exponent = 1; exponent < 253; ++exponent) {
    for (uint32_t mantissa : {0u, 1u, 0x2AAAAAu, 0x7FFFFFu, 0x400000u}) {
      for (uint32_t sign : {0u, 1u}) {
        const uint32_t bits = (sign << 31) | (exponent << 23) | mantissa;
        const float v = std::bit_cast<float>(bits);
        EXPECT_EQ(std::bit_cast<uint32_t>(MbfToIeee(IeeeToMbf(v))), bits);
      }
    }
  }
}

TEST(QuoteDate, DayFromYmd) {
  struct Case {
    int16_t y, m, d;
    QuoteDay day;
  };
  const Case cases[] = {
      {61, 1, 1, 1},      {100, 1, 3, 14247}, {2000, 1, 3, 14247}, {64, 3, 1, 1156},
      {100, 1, 1, 14245}, {62, 1, 1, 366},    {99, 12, 31, 14244}, {240, 6, 4, 65535},
      {100, 13, 1, 0},    {100, 0, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DayFromYmd(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(QuoteDate, YmdFromDayInvertsDayFromYmdOverEveryDay) {
  for (uint32_t n = 1; n <= 65535; ++n) {
    const Ymd d = YmdFromDay(static_cast<QuoteDay>(n));
    ASSERT_GE(d.month, 1);
    ASSERT_LE(d.month, 12);
    ASSERT_EQ(DayFromYmd(d.year, d.month, d.day), n) << n;
  }
  const Ymd a = YmdFromDay(1461), b = YmdFromDay(1462);
  EXPECT_EQ((std::array{a.year, a.month, a.day}), (std::array<int16_t, 3>{64, 12, 31}));
  EXPECT_EQ((std::array{b.year, b.month, b.day}), (std::array<int16_t, 3>{65, 1, 1}));
}

TEST(QuoteDate, DateFieldTwoAndThreeDigitYears) {
  EXPECT_EQ(DayFromDateField(103.0f), DayFromDateField(1000103.0f));
  EXPECT_EQ(DayFromDateField(1000103.0f), 14247);
  EXPECT_EQ(YmdFromDay(DayFromDateField(990103.0f)).year, 99);
  EXPECT_EQ(DateFieldFromDay(14245), IeeeToMbf(1000101.0f));
  // Values no date can hold give no date instead of undefined behaviour.
  for (float v : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                  -std::numeric_limits<float>::infinity(), 1e30f, -1.0f}) {
    (void)DayFromDateField(v);
    (void)TimeFromTimeField(v);
  }
  EXPECT_EQ(TimeFromTimeField(-1.0f), 0);
}

// The date conversion as the format defines it, in single precision throughout.
QuoteDay ReferenceDayFromDateField(float x) {
  if (TruncToInt(x / 10000.0f) < 60) x += 1000000.0f;
  const int32_t y = TruncToInt(x / 10000.0f);
  const int32_t m = TruncToInt((x - static_cast<float>(int64_t{y} * 10000)) / 100.0f);
  const int32_t d =
      TruncToInt(x - static_cast<float>(int64_t{y} * 10000) - static_cast<float>(int64_t{m} * 100));
  return DayFromYmd(static_cast<int16_t>(y), static_cast<int16_t>(m), static_cast<int16_t>(d));
}

TEST(QuoteDate, DateFieldMatchesSinglePrecisionRulesForEveryWholeValue) {
  for (int32_t v = -20000; v < (1 << 24); v += (v < 2000000 ? 1 : 7)) {
    const float x = static_cast<float>(v);
    ASSERT_EQ(DayFromDateField(x), ReferenceDayFromDateField(x)) << v;
  }
  for (float x : {1000103.5f, 990103.25f, 0.5f, 12345678.0f, 3e7f}) {
    EXPECT_EQ(DayFromDateField(x), ReferenceDayFromDateField(x)) << x;
  }
}

TEST(QuoteDate, Times) {
  EXPECT_EQ(TimeFromHms(14, 30, 1), 26100);
  EXPECT_EQ(TimeFromHms(23, 59, 58), 43199);
  const Hms t = HmsFromTime(26100);
  EXPECT_EQ((std::array{t.hours, t.minutes, t.seconds}), (std::array<int16_t, 3>{14, 30, 0}));
  EXPECT_EQ(TimeFromTimeField(143000.0f), TimeFromHms(14, 30, 0));
}

TEST(QuoteDate, EveryFormWritesAndReadsBack) {
  const QuoteDay d = DayFromYmd(2000, 1, 3);
  const char* expected[] = {"00/01/03", "2000/01/03", "01/03/00", "01/03/2000",
                            "03/01/00", "03/01/2000", "000103",   "20000103",
                            "010300",   "01032000",   "030100",   "03012000"};
  for (int form = 1; form <= 12; ++form) {
    EXPECT_EQ(FormatQuoteDay(d, form, '/'), expected[form - 1]) << form;
    EXPECT_EQ(ParseQuoteDay(expected[form - 1], form), d) << form;
  }
  EXPECT_EQ(FormatQuoteDay(0, 3, '/'), "00/00/00");
  EXPECT_EQ(FormatQuoteDay(0, 4, '/'), "00/00/0000");
  EXPECT_EQ(FormatQuoteDay(d, 13, '/'), "");
  EXPECT_EQ(FormatQuoteDay(DayFromYmd(1999, 12, 31), 4, '-'), "12-31-1999");
}

TEST(QuoteDate, ParseTable) {
  struct Case {
    const char* text;
    int form;
    QuoteDay day;
  };
  const Case cases[] = {
      {"1/3/0", 3, DayFromYmd(2000, 1, 3)},
      {"12/31/99", 3, DayFromYmd(1999, 12, 31)},
      {"   \"01/03/00", 3, DayFromYmd(2000, 1, 3)},
      {"010300", 3, 0},
      {"01/03/2000", 3, DayFromYmd(2002, 1, 3)},
      {"01/03/000000", 3, 0},  // 11 characters or more
      {"", 3, 0},
      {"01/03/00", 13, 0},
      {"01/03/99", 4, DayFromYmd(1999, 1, 3)},
      {"01/03/05", 4, DayFromYmd(1999, 1, 3)},
      {"01/03/2005", 4, DayFromYmd(2005, 1, 3)},
      {"01/03/1950", 4, DayFromYmd(2050, 1, 3)},  // 1900 to 1960 reads as 2000 to 2060
      {"2000/1/3", 2, DayFromYmd(2000, 1, 3)},
      {"00-01-03", 1, DayFromYmd(2000, 1, 3)},
      {"03.01.00", 5, DayFromYmd(2000, 1, 3)},
      {"610101", 7, 1},
      {"00/00/00", 3, 0},
      {"13/01/99", 3, 0},  // no month 13
      {"/03/00", 5, 0},    // an empty component is not a date
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseQuoteDay(c.text, c.form), c.day) << c.text << " form " << c.form;
  }
}

TEST(QuoteDate, FormAndParseAgreeOverTheTwoDigitYearRange) {
  for (QuoteDay d = 1; d < DayFromYmd(2061, 1, 1); d = static_cast<QuoteDay>(d + 3)) {
    ASSERT_EQ(ParseDate(FormatDate(d)), d) << FormatDate(d);
  }
}

TEST(Strings, Helpers) {
  std::string s = "IBM   ";
  EXPECT_EQ(TrimTrailingBlanks(s), "IBM");
  EXPECT_EQ(CountChar("BRK A B", ' '), 2);
  EXPECT_EQ(IndexOfNthChar("BRK A  ", ' ', 2), 5u);
  EXPECT_EQ(IndexOfNthChar("IBM", ' ', 1), 3u);
  EXPECT_EQ(LibResultText(0), "Sucessfull");
  EXPECT_EQ(LibResultText(LIB_RECORD_NOT_FOUND), "Record Not Found");
  EXPECT_EQ(LibResultText(LIB_UNKNOWN_LAYOUT), "Unknown");
  EXPECT_EQ(LibResultText(3), "Unknown");
}

}  // namespace
}  // namespace quillet
