#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/base/strings.h"
#include "core/lib/quote_series.h"
#include "core/lib/series_facts.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::DailyRows;
using testing::PortfolioBuilder;
using testing::TempDir;

constexpr QuoteDay kStart = 14247;  // 3 January 2000, a Monday

class SeriesTest : public ::testing::Test {
 protected:
  // quotes daily quotes of IBM in records of length bytes; a header saying
  // lastRecord when one is given.
  void Make(int quotes, std::optional<int16_t> lastRecord = std::nullopt, int length = 28) {
    rows_ = DailyRows(kStart, quotes, length / 4);
    PortfolioBuilder b(tmp_.root());
    b.AddSeries(1, "IBM", "INTL BUS MACH", rows_, length, length / 4);
    b.WriteMaster();
    if (lastRecord) b.WriteDat(1, length, rows_, lastRecord);
  }
  QuoteDay DayOf(int quote) const { return DayFromDateField(rows_[static_cast<size_t>(quote)][0]); }
  // Quote i as written: no TIME field, OPEN to OI from fields 2 to 7.
  Quote Written(size_t i) const {
    Quote q;
    q.date = DayFromDateField(rows_[i][0]);
    std::copy(rows_[i].begin() + 1, rows_[i].end(), q.values.begin());
    return q;
  }
  std::vector<Quote> WrittenQuotes(size_t from, size_t n) const {
    std::vector<Quote> quotes;
    for (size_t i = from; i < from + n; ++i) quotes.push_back(Written(i));
    return quotes;
  }
  TempDir tmp_;
  std::vector<testing::DatRow> rows_;
};

// The paging reader against the quotes written: windows, the newest quotes, the
// 16000 limit of a negative count, files shorter or longer than their header, a
// count-only read (the total and the series' facts).
TEST_F(SeriesTest, PagingReads) {
  struct Case {
    int quotes;
    std::optional<int16_t> lastRecord;
    int16_t capacity;
    int32_t start;
    int16_t count;
    LibResult result;
    int rows;  // read, from quote first on
    int first;
  };
  const Case cases[] = {
      {25, {}, 0, 0, 0, LIB_OK, 0, 0},
      {25, {}, 400, -1, 10, LIB_OK, 10, 15},  // the newest ten
      {25, {}, 400, 24, 10, LIB_OK, 1, 24},   // the last quote only
      {25, {}, 400, 25, 10, LIB_RECORD_NOT_FOUND, 0, 0},
      {5, {}, 400, -1, 10, LIB_OK, 5, 0},  // the newest ten of five
      {0, {}, 400, 0, 10, LIB_RECORD_NOT_FOUND, 0, 0},
      {20000, {}, 32000, 0, -1, LIB_OK, 16000, 0},
      {20000, {}, 32000, 100, -1, LIB_OK, 15900, 100},
      {20000, {}, 400, 0, -1, LIB_OK, 400, 0},  // the capacity limits too
      {10, 500, 400, 0, 400, LIB_OK, 10, 0},    // the copy stops at the end of the file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.quotes) + " quotes, start " + std::to_string(c.start) +
                 " count " + std::to_string(c.count));
    Make(c.quotes, c.lastRecord);
    QuoteSeries s;
    CreateQuoteSeries(s, c.capacity);
    ASSERT_EQ(ReadQuoteSeries(s, tmp_.str(), "IBM", c.start, c.count), c.result);
    EXPECT_EQ(s.total, c.lastRecord ? *c.lastRecord - 1 : c.quotes);
    if (c.result != LIB_OK) continue;
    EXPECT_EQ(s.directory, tmp_.str() + "/");
    EXPECT_EQ(s.info.record.FileNumber(), 1);
    ASSERT_EQ(s.count, c.rows);
    EXPECT_EQ(std::vector<Quote>(s.rows.begin(), s.rows.begin() + s.count),
              WrittenQuotes(static_cast<size_t>(c.first), static_cast<size_t>(c.rows)));
  }
}

// The whole-series reader and its windows against the one-record decoder on the
// file's bytes (and the quotes written, for 28-byte records), across the pieces it
// reads in and every record length the inference knows (18 bytes is not a whole
// number of words); a header's count holds where the file is as long.
TEST_F(SeriesTest, WholeSeriesAndWindows) {
  struct Case {
    int quotes;
    std::optional<int16_t> lastRecord;
    int read;
    int length = 28;
  };
  const Case cases[] = {{0, {}, 0},       {1, {}, 1},       {401, {}, 401},   {20000, {}, 20000},
                        {10, 500, 10},    {10, 4, 3},       {37, {}, 37, 12}, {37, {}, 37, 16},
                        {37, {}, 37, 18}, {37, {}, 37, 20}, {37, {}, 37, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.quotes) + " quotes of " + std::to_string(c.length));
    Make(c.quotes, c.lastRecord, c.length);
    SeriesData all;
    ASSERT_EQ(ReadWholeSeries(tmp_.str(), "IBM", all), LIB_OK);
    const RecordDecoder decoder(all.info.layout, c.length, c.length / 4);
    const std::vector<uint8_t> dat = testing::ReadBytes(tmp_ / "F1.DAT");
    std::vector<Quote> want;
    for (size_t i = 0; i < static_cast<size_t>(c.read); ++i) {
      want.push_back(decoder.Decode(dat.data() + (i + 1) * static_cast<size_t>(c.length)));
      ASSERT_EQ(want.back().date, DayOf(static_cast<int>(i)));
    }
    EXPECT_EQ(want, c.length == 28 ? WrittenQuotes(0, want.size()) : want);
    EXPECT_EQ(all.quotes, want);
    SeriesData part;
    ASSERT_EQ(ReadSeriesWindow(tmp_.str(), "IBM", c.read / 2, 7, part), LIB_OK);
    const auto from = want.begin() + c.read / 2;
    EXPECT_EQ(part.quotes, std::vector<Quote>(from, from + std::min(7, c.read - c.read / 2)));
    if (c.quotes == 0) {
      EXPECT_LT(FindQuoteByDate(tmp_.str(), "IBM", kStart, 0), 0);
    }
  }
  testing::WriteBytes(tmp_ / "F1.DAT", {});  // not even a header
  SeriesData all;
  ASSERT_EQ(ReadWholeSeries(tmp_.str(), "IBM", all), LIB_OK);
  EXPECT_EQ(all.total, 0);
  EXPECT_TRUE(all.quotes.empty());
}

TEST_F(SeriesTest, FindQuoteByDate) {
  Make(30);
  struct Case {
    QuoteDay day;
    int32_t result;
  };
  const Case cases[] = {
      {DayOf(0), 0},
      {DayOf(17), 17},
      {DayOf(29), 29},
      {static_cast<QuoteDay>(DayOf(29) + 1), LIB_RECORD_NOT_FOUND},  // after the last quote
      {static_cast<QuoteDay>(DayOf(0) - 10), 0},                     // before the first
      {static_cast<QuoteDay>(DayOf(10) + 1), 11},  // Tuesday..Friday step: the next quote
  };
  for (const Case& c : cases) {
    QuoteDay found = 0;
    EXPECT_EQ(FindQuoteByDate(tmp_.str(), "IBM", c.day, 0, &found), c.result) << FormatDate(c.day);
  }
  // A header saying no quote is in use while stale records follow it.
  for (int16_t last : {1, 0}) {
    Make(3, last);
    EXPECT_EQ(FindQuoteByDate(tmp_.str(), "IBM", DayOf(0), 0), LIB_RECORD_NOT_FOUND) << last;
    EXPECT_EQ(FindQuoteByDate(tmp_.str(), "IBM", 1, 0), LIB_RECORD_NOT_FOUND) << last;
  }
}

TEST_F(SeriesTest, AbsentFieldsIntradayLayoutsAndShortRecords) {
  PortfolioBuilder b(tmp_.root());
  // DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL: no OI, as intraday files are laid out.
  b.AddSeries(
      2, "INTRA", "INTRA",
      {{1000103.0f, 93000.0f, 1, 2, 0.5f, 1.5f, 100}, {1000103.0f, 93500.0f, 1.5f, 2, 1, 2, 200}});
  b.WriteDop(2,
             "\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",2,2\n\"HIGH\",2,2\n\"LOW\",2,2\n\"CLOSE\",2,"
             "2\n\"VOL\",0,0\n");
  b.WriteMaster();
  SeriesData all;
  ASSERT_EQ(ReadWholeSeries(tmp_.str(), "INTRA", all), LIB_OK);
  ASSERT_EQ(all.quotes.size(), 2u);
  EXPECT_EQ(all.quotes[1].time, TimeFromHms(9, 35, 0));
  EXPECT_EQ(all.quotes[1].Value(FIELD_VOL), 200.0f);
  EXPECT_EQ(all.quotes[1].Value(FIELD_OI), kAbsentValue);
  EXPECT_EQ(FindQuoteByDate(tmp_.str(), "INTRA", DayFromYmd(2000, 1, 3), TimeFromHms(9, 35, 0)), 1);

  // A DOP naming more fields than the 20-byte record holds: those read as absent.
  b.AddSeries(4, "FEW", "FEW", DailyRows(kStart, 2, 5), 20, 5);
  b.WriteDop(4,
             "\"DATE\",0,0\n\"OPEN\",0,0\n\"HIGH\",0,0\n\"LOW\",0,0\n\"CLOSE\",0,0\n\"VOL\",0,"
             "0\n\"OI\",0,0\n");
  b.WriteMaster();
  ASSERT_EQ(ReadWholeSeries(tmp_.str(), "FEW", all), LIB_OK);
  ASSERT_EQ(all.quotes.size(), 2u);
  EXPECT_EQ(all.quotes[0].Value(FIELD_CLOSE), DailyRows(kStart, 1)[0][4]);
  EXPECT_EQ(all.quotes[0].Value(FIELD_VOL), kAbsentValue);
  EXPECT_EQ(all.quotes[0].Value(FIELD_OI), kAbsentValue);
}

TEST_F(SeriesTest, RecordLengthsTheReaderCannotHold) {
  for (int length : {0, -1, 77, 100}) {
    PortfolioBuilder b(tmp_.root());
    testing::MasterEntry e;
    e.fileNumber = 3;
    e.symbol = "ODD";
    e.recordLength = static_cast<int8_t>(length);
    b.Add(e).WriteMaster();
    b.WriteDop(3, "\"DATE\",0,0\n");
    b.WriteDat(3, 28, DailyRows(kStart, 3));
    SeriesData all;
    EXPECT_EQ(ReadWholeSeries(tmp_.str(), "ODD", all), LIB_UNKNOWN_LAYOUT) << length;
  }
}

TEST_F(SeriesTest, Facts) {
  PortfolioBuilder b(tmp_.root());
  b.Add(testing::MasterEntry::Directory("SUB"));
  b.WriteMaster();
  PortfolioBuilder sub(tmp_ / "SUB");
  testing::MasterEntry e;
  e.fileNumber = 12;
  e.symbol = "XYZ";
  e.name = "XYZ CORP";
  e.firstDate = 990103.0f;
  e.lastDate = 1000103.0f;
  e.periodicity = 'X';
  sub.Add(e).WriteMaster();
  sub.WriteDat(12, 28, DailyRows(kStart, 3));
  sub.WriteDop(12,
               "\"DATE\",0,0\n\"OPEN\",2,2\n\"HIGH\",2,2\n\"LOW\",2,2\n\"CLOSE\",2,2\n\"VOL\",0,"
               "1000\n\"OI\",0,7\n");

  SeriesFacts f;
  ASSERT_EQ(ReadSeriesFacts(tmp_.str(), "XYZ", f), LIB_OK);
  EXPECT_EQ(f.directory, tmp_.str());  // the directory asked, not the sub-directory
  EXPECT_EQ(f.fileNumber, 12);
  EXPECT_EQ(f.quoteCount, 3);
  EXPECT_EQ(f.periodicity, "ERROR");
  EXPECT_EQ(f.displayFormats[FIELD_VOL], "1,000s");
  EXPECT_EQ(f.inputFormats[FIELD_OPEN], "100ths");
  EXPECT_EQ(f.inputFormats[FIELD_TIME], "");
  EXPECT_EQ(f.displayFormats[FIELD_OI], "7");
  const auto lines = SeriesFactLines(f);
  EXPECT_EQ(lines[6].label, "First date in file*");
  EXPECT_EQ(lines[6].text, " 990103");
  EXPECT_EQ(lines[7].text, "1000103");
  // A failure says why, as the series reader would.
  EXPECT_EQ(ReadSeriesFacts(tmp_.str(), "NOPE", f), LIB_FILE_NOT_FOUND);
  std::filesystem::remove(tmp_ / "SUB" / "F12.DAT");
  EXPECT_EQ(ReadSeriesFacts(tmp_.str(), "XYZ", f), LIB_FILE_OPEN);
}

TEST(RealData, EveryMasterSecurityOfEquisAReads) {
  const auto dir = testing::RealDataDir();
  if (dir.empty()) GTEST_SKIP() << "no real data in this checkout";
  // Symbols are looked up by the names the MASTER file gives.
  const std::vector<uint8_t> master = testing::ReadBytes(dir / "equis_a" / "MASTER");
  ASSERT_EQ(master.size(), 256u * kMasterRecordSize);
  for (int n = 1; n <= 255; ++n) {
    MasterRecord r;
    std::memcpy(r.bytes.data(), master.data() + n * kMasterRecordSize, kMasterRecordSize);
    std::string symbol = r.SymbolField();
    TrimTrailingBlanks(symbol);
    SeriesData all;
    ASSERT_EQ(ReadWholeSeries((dir / "equis_a").string(), symbol, all), LIB_OK) << symbol;
    ASSERT_FALSE(all.quotes.empty());
    EXPECT_EQ(DateValueFromDay(all.quotes.front().date), all.info.record.FirstDate()) << symbol;
  }
}

}  // namespace
}  // namespace quillet
