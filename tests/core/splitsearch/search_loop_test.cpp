// The search loop on every path this processor runs (blocks of vector ratio
// marks, the plain loop) against the pair rule applied to every pair of
// neighbouring quotes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/splitsearch/split_search.h"

namespace quillet {
namespace {

// A close that often lands near a band edge, or is odd.
float RandomClose(std::mt19937& rng, float previous) {
  const double targets[] = {0.5, 1.0 / 3.0, 0.25, 2.0, 2.0 / 3.0, 3.0, 1.5, 4.0};
  switch (rng() % 8) {
    case 0: {  // a ratio a few floats from a band limit
      const double t = targets[rng() % 8] * (rng() % 2 ? 0.9 : 1.1);
      float r = static_cast<float>(t);
      for (int n = static_cast<int>(rng() % 5) - 2; n != 0; n += n > 0 ? -1 : 1) {
        r = std::nextafter(r, n > 0 ? 100.0f : 0.0f);
      }
      return previous / r;
    }
    case 1: {  // the edges of the quiet band
      const double edge = rng() % 2 ? 1.1 * (2.0 / 3.0) : 0.9 * 1.5;
      float r = static_cast<float>(edge);
      r = std::nextafter(r, rng() % 2 ? 100.0f : 0.0f);
      return previous / r;
    }
    case 2: {
      const float odd[] = {0.0f,
                           -0.0f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -5.0f,
                           1e-30f,
                           1e30f};
      return odd[rng() % std::size(odd)];
    }
    default:  // an ordinary day, sometimes a jump
      return std::isfinite(previous) && previous > 0.01f && previous < 1e6f
                 ? previous * (0.3f + static_cast<float>(rng() % 4000) / 1000.0f)
                 : 10.0f;
  }
}

TEST(SearchSeriesForSplits, RandomSeriesGiveWhatThePairRuleGives) {
  std::mt19937 rng(1961);
  size_t reported = 0;
  for (int series = 0; series < 300; ++series) {
    std::vector<Quote> quotes(rng() % 1100);  // empty, short, many blocks and a part one
    float close = 10.0f;
    for (size_t i = 0; i < quotes.size(); ++i) {
      close = RandomClose(rng, close);
      Quote& q = quotes[i];
      q.date = static_cast<QuoteDay>(i + 1);
      q.Value(FIELD_CLOSE) = close;
      const float spread = static_cast<float>(rng() % 100) / 10.0f;
      q.Value(FIELD_HIGH) = rng() % 50 ? close + spread : std::numeric_limits<float>::quiet_NaN();
      q.Value(FIELD_LOW) = close - spread * static_cast<float>(rng() % 3);
    }
    std::vector<std::string> want;
    for (size_t k = 0; k + 1 < quotes.size(); ++k) {
      if (const auto c = SplitPairTest(quotes[k], quotes[k + 1])) {
        want.push_back(SplitFindingLine("Q", *c, quotes[k + 1].date));
      }
    }
    for (VectorPath path : UsableVectorPaths()) {
      std::vector<SplitFinding> found;
      SearchSeriesForSplits("Q", quotes, found, path);
      std::vector<std::string> got;
      for (const SplitFinding& f : found) got.push_back(f.line);
      ASSERT_EQ(got, want) << "series " << series << " path " << static_cast<int>(path);
    }
    reported += want.size();
  }
  EXPECT_GT(reported, 1000u);  // the series do reach the bands
}

}  // namespace
}  // namespace quillet
