// Inputs the fuzzers found, kept as plain tests (the sanitizer build catches
// the undefined behaviour the first one had).

#include <gtest/gtest.h>

#include "core/lib/quote_series.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::PortfolioBuilder;
using testing::TempDir;

TEST(ReaderRegression, EmptyDatFileReadsAsNoQuotes) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  p.AddSeries(1, "EMPTY", "EMPTY", {}).WriteMaster();
  testing::WriteBytes(dir / "F1.DAT", {});
  SeriesData series;
  ASSERT_EQ(ReadWholeSeries(dir.str(), "EMPTY", series), LIB_OK);
  EXPECT_EQ(series.total, 0);
  EXPECT_TRUE(series.quotes.empty());
}

// A header saying no quote is in use while stale records follow it.
TEST(ReaderRegression, DateSearchIgnoresRecordsPastTheHeaderCount) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  p.AddSeries(1, "STALE", "STALE", testing::DailyRows(14245, 3)).WriteMaster();
  for (int16_t last : {1, 0, -5}) {
    p.WriteDat(1, 28, testing::DailyRows(14245, 3), last);
    const QuoteDay first = DayFromDateField(testing::DailyRows(14245, 1)[0][0]);
    EXPECT_EQ(FindQuoteByDate(dir.str(), "STALE", first, 0), LIB_RECORD_NOT_FOUND) << "L=" << last;
    EXPECT_EQ(FindQuoteByDate(dir.str(), "STALE", 1, 0), LIB_RECORD_NOT_FOUND) << "L=" << last;
  }
  // With the header in step the same records are found.
  p.WriteDat(1, 28, testing::DailyRows(14245, 3));
  EXPECT_EQ(FindQuoteByDate(dir.str(), "STALE", 1, 0), 0);
}

}  // namespace
}  // namespace quillet
