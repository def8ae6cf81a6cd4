#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/splitsearch/split_search.h"

namespace quillet {
namespace {

Quote Bar(float close, float high, float low) {
  Quote q;
  q.Value(FIELD_CLOSE) = close;
  q.Value(FIELD_HIGH) = high;
  q.Value(FIELD_LOW) = low;
  return q;
}

// A pair with the close ratio r (before = r, after = 1) and facing extremes far
// apart whichever way the close moved.
std::optional<SplitCandidate> TestRatio(float r) {
  return SplitPairTest(Bar(r, 1000.0f, 1000.0f), Bar(1.0f, 0.0f, 0.0f));
}

// The floats on each side of each band limit: only those strictly inside are
// reported, each as its own candidate.
TEST(SplitPairTest, BandLimitsAreStrictAndComputedInDouble) {
  for (const SplitCandidate& c : kSplitCandidates) {
    const double ratio = static_cast<double>(c.p) / static_cast<double>(c.q);
    const double lower = 0.9 * ratio;
    const double upper = 1.1 * ratio;
    float belowLower = static_cast<float>(lower);
    if (belowLower >= lower) belowLower = std::nextafter(belowLower, 0.0f);
    const float aboveLower = std::nextafter(belowLower, 100.0f);
    float aboveUpper = static_cast<float>(upper);
    if (aboveUpper <= upper) aboveUpper = std::nextafter(aboveUpper, 100.0f);
    const float belowUpper = std::nextafter(aboveUpper, 0.0f);
    SCOPED_TRACE(std::to_string(c.p) + " for " + std::to_string(c.q));
    EXPECT_FALSE(TestRatio(belowLower).has_value());
    EXPECT_EQ(TestRatio(aboveLower), c);
    EXPECT_EQ(TestRatio(belowUpper), c);
    EXPECT_FALSE(TestRatio(aboveUpper).has_value());
  }
}

struct GapCase {
  const char* name;
  float closeBefore, highBefore, lowBefore;
  float closeAfter, highAfter, lowAfter;
  bool reported;
};

TEST(SplitPairTest, GapAgainstThreshold) {
  const float above90 = std::nextafter(90.0f, 100.0f);
  const GapCase cases[] = {
      // A fall: the low before against the high after. Threshold |100 - 50| * 0.8f = 40.
      {"fall with a real gap", 100, 101, 98, 50, 52, 49, true},
      {"fall without a gap", 100, 101, 60, 50, 58, 49, false},
      {"gap equal to the threshold", 100, 101, 90, 50, 50, 49, false},
      {"gap one float above the threshold", 100, 101, above90, 50, 50, 49, true},
      // |g| counts: overlapping bars far apart the other way are reported too.
      {"negative gap beyond the threshold", 100, 101, 5, 50, 50, 4, true},
      // A rise: the high before against the low after. Threshold |50 - 100| * 0.8f = 40.
      {"rise with a real gap", 50, 52, 49, 100, 101, 98, true},
      {"rise gap equal to the threshold", 50, 50, 49, 100, 101, 90, false},
      {"rise uses high before, not low", 50, 90, 10, 100, 101, 90, false},
  };
  for (const GapCase& c : cases) {
    const auto found = SplitPairTest(Bar(c.closeBefore, c.highBefore, c.lowBefore),
                                     Bar(c.closeAfter, c.highAfter, c.lowAfter));
    EXPECT_EQ(found.has_value(), c.reported) << c.name;
  }
}

// A zero or not-a-number close, and 3 for 4 or 4 for 3 (between the bands),
// whatever the gap.
TEST(SplitPairTest, PairsNeverReported) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::pair<Quote, Quote> pairs[] = {
      {Bar(0.0f, 1000, 1000), Bar(50.0f, 0, 0)},    {Bar(100.0f, 1000, 1000), Bar(0.0f, 0, 0)},
      {Bar(-0.0f, 1000, 1000), Bar(50.0f, 0, 0)},   {Bar(nan, 1000, 1000), Bar(50, 0, 0)},
      {Bar(100, nan, nan), Bar(50, nan, nan)},      {Bar(30, 1000, 1000), Bar(40, -1000, -1000)},
      {Bar(30, -1000, -1000), Bar(40, 1000, 1000)}, {Bar(40, 1000, 1000), Bar(30, -1000, -1000)},
      {Bar(40, -1000, -1000), Bar(30, 1000, 1000)}, {Bar(40, 0, 0), Bar(30, 0, 0)},
  };
  for (const auto& [earlier, later] : pairs) {
    EXPECT_FALSE(SplitPairTest(earlier, later).has_value())
        << earlier.Value(FIELD_CLOSE) << " then " << later.Value(FIELD_CLOSE);
  }
}

}  // namespace
}  // namespace quillet
