#include <gtest/gtest.h>

#include <cstring>

#include "core/edit/rewrite.h"
#include "core/lib/index_files.h"
#include "core/lib/quote_series.h"
#include "core/lib/series_facts.h"
#include "core/portfolio/load.h"
#include "support/index_oracle.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

namespace quillet {
namespace {

using testing::OracleEntry;

// Each quote as the reader gives it against the independent decoding.
void ExpectSameQuotes(const std::vector<Quote>& got, const std::vector<testing::OracleQuote>& want,
                      const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) {
    const Quote& q = got[i];
    const testing::OracleQuote& w = want[i];
    ASSERT_EQ(DateValueFromDay(q.date), w[0]) << what << " quote " << i;
    ASSERT_EQ(q.time, TimeFromTimeField(w[1])) << what << " quote " << i;
    for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
      ASSERT_EQ(q.Value(f), w[static_cast<size_t>(f)]) << what << " quote " << i << " field " << f;
    }
  }
}

struct RealCase {
  const char* folder;
  size_t securities;  // listed
  size_t readable;    // with a quote file
  size_t xmaster;     // of them in XMASTER
};

TEST(RealData, EverySecurityOfEveryDatabaseReads) {
  const auto root = testing::RealDataDir();
  if (root.empty()) GTEST_SKIP() << "no real data in this checkout";
  const RealCase cases[] = {
      {"equis_a", 2846, 2846, 2591}, {"equis_b", 4, 4, 2},
      {"bbfinance", 40, 40, 0},      {"stooq_intraday", 1, 1, 0},
      {"emaster_only", 255, 0, 0},   {"mixed_index_lowercase", 422, 2, 294},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.folder);
    const auto dir = root / c.folder;
    const std::vector<OracleEntry> oracle = testing::OracleIndex(dir);
    ASSERT_EQ(oracle.size(), c.securities);

    // The list every front end shows: every security, each with its source.
    const PortfolioLoad load = LoadPortfolio(MasterPathOf(dir.string()), DamagedMaster::Refuse);
    ASSERT_TRUE(load.ok()) << load.detail;
    ASSERT_EQ(load.list.rows.size(), c.securities);
    size_t fromXmaster = 0;
    for (const SymbolRow& row : load.list.rows) fromXmaster += row.source == IndexSource::Xmaster;
    EXPECT_EQ(fromXmaster, c.xmaster);

    PortfolioIndex index;
    ASSERT_EQ(ReadPortfolioIndex(dir, index), LIB_OK);
    std::vector<MasterRecord> records = index.master.Records();
    records.insert(records.end(), index.extended.begin(), index.extended.end());
    ASSERT_EQ(records.size(), oracle.size());
    size_t readable = 0;
    for (size_t i = 0; i < records.size(); ++i) {
      const OracleEntry& want = oracle[i];
      const std::string what = want.source + " " + std::to_string(want.number) + " " + want.symbol;
      ASSERT_EQ(records[i].QuoteFileNumber(), want.number) << what;
      ASSERT_EQ(records[i].Symbol(), want.symbol) << what;
      SeriesData series;
      const LibResult r = ReadRecordSeries(dir.string(), records[i], series);
      const auto quotes = testing::OracleQuotes(dir, want);
      if (!quotes) {
        EXPECT_EQ(r, LIB_FILE_OPEN) << what;
        continue;
      }
      ASSERT_EQ(r, LIB_OK) << what;
      ++readable;
      ExpectSameQuotes(series.quotes, *quotes, what);
      // Found by its symbol too, as the grid, export and split search ask (the
      // first of a shared symbol answers).
      if (i % 97 == 0 && want.source == "XMASTER") {
        SeriesData looked;
        ASSERT_EQ(ReadWholeSeries(dir.string(), want.symbol, looked), LIB_OK) << what;
        EXPECT_EQ(looked.info.record.QuoteFileNumber(), want.number) << what;
        ExpectSameQuotes(looked.quotes, *quotes, what);
      }
    }
    EXPECT_EQ(readable, c.readable);
  }
}

// Quote counts read unsigned up to 65 534; a write past 65 535 is refused with
// the file untouched. Intraday records without DOP: TIME after DATE, OI only in 32.
TEST(IndexLayouts, LongFilesAndIntradayRecords) {
  testing::TempDir tmp;
  const QuoteDay day = DayFromYmd(2013, 11, 15);
  const std::vector<testing::DatRow> many(65534, testing::Row28(day, 1, 2, 0.5f, 1.5f, 9, 0));
  testing::PortfolioBuilder b(tmp.root());
  b.AddSeries(1, "LONG", "LONG", many);
  const std::vector<testing::DatRow> bars = {
      {static_cast<float>(DateValueFromDay(day)), 93500, 8.5f, 8.6f, 8.4f, 8.55f, 1713, 44}};
  b.AddSeries(2, "I28", "I28", bars, 28, 7).SetPeriodicity('I');
  b.AddSeries(3, "I32", "I32", bars, 32, 8).SetPeriodicity('I');
  b.WriteMaster();
  SeriesData series;
  ASSERT_EQ(ReadWholeSeries(tmp.str(), "LONG", series), LIB_OK);
  EXPECT_EQ(series.quotes.size(), 65534u);
  SeriesFacts facts;
  ASSERT_EQ(ReadSeriesFacts(tmp.str(), "LONG", facts), LIB_OK);
  EXPECT_EQ(facts.quoteCount, 65534);
  const auto dat = testing::ReadBytes(tmp / "F1.DAT");
  EXPECT_EQ(RewriteSeries(tmp.str(), MasterPathOf(tmp.str()),
                          testing::Change(CHANGE_INSERT, day, day), "LONG")
                .code,
            LIB_INVALID_PARM);
  EXPECT_EQ(testing::ReadBytes(tmp / "F1.DAT"), dat);
  for (const char* symbol : {"I28", "I32"}) {
    ASSERT_EQ(ReadWholeSeries(tmp.str(), symbol, series), LIB_OK) << symbol;
    ASSERT_EQ(series.quotes.size(), 1u);
    const Quote& q = series.quotes[0];
    EXPECT_EQ(q.time, TimeFromHms(9, 35, 0)) << symbol;
    EXPECT_EQ(q.Value(FIELD_OPEN), 8.5f) << symbol;
    EXPECT_EQ(q.Value(FIELD_VOL), 1713.0f) << symbol;
    EXPECT_EQ(q.Value(FIELD_OI), symbol == std::string("I32") ? 44.0f : kAbsentValue) << symbol;
  }
}

TEST(RealData, IndexFactsAndDamageWarnings) {
  const auto root = testing::RealDataDir();
  if (root.empty()) GTEST_SKIP() << "no real data in this checkout";
  // An XMASTER security: its long name, the bitmask's fields and its source.
  SeriesFacts facts;
  ASSERT_EQ(ReadSeriesFacts((root / "equis_a").string(), "AZM.L", facts), LIB_OK);
  EXPECT_EQ(facts.fileNumber, 256);
  EXPECT_EQ(facts.fields, "DATE OPEN HIGH LOW CLOSE VOL OI");
  EXPECT_EQ(facts.source, "XMASTER");
  EXPECT_EQ(facts.firstDate, 961231.0f);
  // The 12-byte XMASTER stub of bbfinance is ignored with a warning, never fatal.
  const PortfolioLoad load =
      LoadPortfolio(MasterPathOf((root / "bbfinance").string()), DamagedMaster::Refuse);
  ASSERT_TRUE(load.ok());
  ASSERT_EQ(load.list.warnings.size(), 1u);
  EXPECT_NE(load.list.warnings[0].find("XMASTER"), std::string::npos);
}

}  // namespace
}  // namespace quillet
