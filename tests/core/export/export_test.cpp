#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "core/export/export.h"
#include "core/messages/export.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::DatRow;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::Row28;
using testing::TempDir;

std::string Printf(float v, int decimals) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, decimals == 4 ? "%.4f" : "%.2f", static_cast<double>(v));
  return buffer;
}

std::string Value(float v, int decimals) {
  char buffer[kExportValueRoom];
  return std::string(buffer, AppendExportValue(buffer, v, decimals));
}

TEST(ExportValue, SameDigitsAsPrintfOverManyValues) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<uint32_t> bits(0, 0x7F7FFFFF);  // every finite non-negative float
  std::uniform_real_distribution<double> price(0.0, 100000.0);
  size_t checked = 0;
  for (int i = 0; i < 200000; ++i) {
    const uint32_t b = bits(random);
    float v;
    std::memcpy(&v, &b, sizeof v);
    // Prices as they come, and values on the ties of the last printed digit.
    const double p = price(random);
    const float onTie4 = static_cast<float>((std::floor(p * 10000.0) + 0.5) / 10000.0);
    const float onTie2 = static_cast<float>((std::floor(p * 100.0) + 0.5) / 100.0);
    for (float x : {v, static_cast<float>(p), onTie4, onTie2}) {
      ASSERT_EQ(Value(x, 4), Printf(x, 4)) << x;
      ASSERT_EQ(Value(x, 2), Printf(x, 2)) << x;
      checked += 2;
    }
  }
  // Exact ties: binary fractions that end in a 5 just past the printed digits.
  for (float x : {0.00005f, 0.125f, 0.375f, 2.5f, 0.005f, 1.005f, 1e-8f, 16777216.0f, 3.4e38f,
                  std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                  std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(Value(x, 4), Printf(x, 4)) << x;
    EXPECT_EQ(Value(x, 2), Printf(x, 2)) << x;
  }
  EXPECT_GT(checked, 1000000u);
}

TEST(ExportValue, BelowZeroOrNotANumberIsNA) {
  for (float x : {-1.0f, -0.00001f, -std::numeric_limits<float>::infinity(),
                  std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(Value(x, 4), "N/A");
    EXPECT_EQ(Value(x, 2), "N/A");
  }
  EXPECT_EQ(Value(0.0f, 4), "0.0000");
  EXPECT_EQ(Value(0.0f, 2), "0.00");
}

TEST(ExportFormatter, DatesAsFormatDateWritesThemInAnyOrder) {
  // Every day number, ascending and descending, and days in a shuffled order.
  std::vector<Quote> quotes(65536);
  for (size_t i = 0; i < quotes.size(); ++i) quotes[i].date = static_cast<QuoteDay>(i);
  std::vector<Quote> shuffled = quotes;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  ExportOptions o;
  o.useOpen = o.useHigh = o.useLow = o.useClose = o.useVolume = o.useOpenInterest = false;
  for (int order : {0, 1, 2}) {
    o.order = order == 1 ? 1 : 0;
    const std::vector<Quote>& input = order == 2 ? shuffled : quotes;
    ExportFormatter formatter(o);
    const std::string text = formatter.Text(input);
    ASSERT_EQ(text.size(), input.size() * 10);
    for (size_t i = 0; i < input.size(); ++i) {
      const Quote& q = input[o.order == 0 ? i : input.size() - 1 - i];
      ASSERT_EQ(text.substr(i * 10, 10), FormatDate(q.date) + "\r\n") << q.date;
    }
  }
}

class ExportFile : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioBuilder p(dir.root());
    rows = {Row28(DayFromYmd(100, 1, 3), 12.5f, 12.75f, 12.25f, 12.625f, 10500.0f, 0.0f),
            Row28(DayFromYmd(100, 1, 4), 12.625f, 13.0f, 12.5f, 12.875f, -1.0f, 17.0f),
            Row28(DayFromYmd(100, 1, 5), 0.0f, 1.33333f, 0.5f, 99999.99f, 1234567.0f, 3.005f)};
    p.AddSeries(7, "XYZ", "XYZ CORP", rows);
    p.WriteMaster();
  }
  std::string Export(const ExportOptions& options, ExportStatus expected = ExportStatus::Done) {
    const ExportResult r = ExportQuotes(dir.str(), "XYZ", options, true);
    EXPECT_EQ(r.status, expected);
    const std::vector<uint8_t> bytes = ReadBytes(options.path);
    return std::string(bytes.begin(), bytes.end());
  }
  ExportOptions Options() const {
    ExportOptions o;
    o.path = (dir / "OUT.TXT").string();
    return o;
  }
  TempDir dir;
  std::vector<DatRow> rows;
};

TEST_F(ExportFile, ExactBytesForEachChoice) {
  struct Case {
    const char* name;
    void (*set)(ExportOptions&);
    std::string text;
  };
  const std::string r1 = "01/03/00,12.5000,12.7500,12.2500,12.6250,10500.00,0.00\r\n";
  const std::string r2 = "01/04/00,12.6250,13.0000,12.5000,12.8750,N/A,17.00\r\n";
  const std::string r3 = "01/05/00,0.0000,1.3333,0.5000,99999.9922,1234567.00,3.01\r\n";
  const Case cases[] = {
      {"first export: every column, commas, oldest first, no title", [](ExportOptions&) {},
       r1 + r2 + r3},
      {"title row", [](ExportOptions& o) { o.title = true; },
       "DATE,OPEN,HIGH,LOW,CLOSE,VOL,OI\r\n" + r1 + r2 + r3},
      {"newest first", [](ExportOptions& o) { o.order = 1; }, r3 + r2 + r1},
      {"tab and only close",
       [](ExportOptions& o) {
         o.delimiter = 1;
         o.useOpen = o.useHigh = o.useLow = o.useVolume = o.useOpenInterest = false;
         o.title = true;
       },
       "DATE\tCLOSE\r\n01/03/00\t12.6250\r\n01/04/00\t12.8750\r\n01/05/00\t99999.9922\r\n"},
      {"space, high and volume",
       [](ExportOptions& o) {
         o.delimiter = 2;
         o.useOpen = o.useLow = o.useClose = o.useOpenInterest = false;
       },
       "01/03/00 12.7500 10500.00\r\n01/04/00 13.0000 N/A\r\n01/05/00 1.3333 1234567.00\r\n"},
      {"no column: the date only",
       [](ExportOptions& o) {
         o.useOpen = o.useHigh = o.useLow = o.useClose = o.useVolume = o.useOpenInterest = false;
         o.title = true;
         o.delimiter = 9;
       },
       "DATE\r\n01/03/00\r\n01/04/00\r\n01/05/00\r\n"},
      {"another delimiter value gives the comma",
       [](ExportOptions& o) {
         o.delimiter = -1;
         o.useOpen = o.useHigh = o.useLow = o.useVolume = false;
         o.title = true;
       },
       "DATE,CLOSE,OI\r\n01/03/00,12.6250,0.00\r\n01/04/00,12.8750,17.00\r\n01/05/"
       "00,99999.9922,3.01\r\n"},
  };
  for (const Case& c : cases) {
    ExportOptions o = Options();
    c.set(o);
    EXPECT_EQ(Export(o), c.text) << c.name;
  }
}

// A series far longer than one write chunk (no OI field, one value below
// zero), in both orders: the file holds exactly the formatter's text.
TEST_F(ExportFile, ALongSeriesIsWrittenWholeAcrossChunks) {
  PortfolioBuilder p(dir / "long");
  std::vector<DatRow> many = testing::DailyRows(DayFromYmd(85, 6, 3), 20000, 6);
  many[10][5] = -3.0f;
  p.AddSeries(3, "LONG", "LONG SERIES", many, 24, 6);
  p.WriteMaster();
  SeriesData series;
  ASSERT_EQ(ReadWholeSeries((dir / "long").string(), "LONG", series), LIB_OK);
  for (int order : {0, 1}) {
    ExportOptions o = Options();
    o.order = order;
    o.title = order == 1;
    const ExportResult r = ExportQuotes((dir / "long").string(), "LONG", o, true);
    ASSERT_EQ(r.status, ExportStatus::Done);
    EXPECT_EQ(r.rows, 20000);
    const std::vector<uint8_t> bytes = ReadBytes(o.path);
    ASSERT_GT(bytes.size(), 2u << 18);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ExportFormatter(o).Text(series.quotes))
        << order;
  }
}

TEST_F(ExportFile, AnExistingFileIsReplacedOnlyAfterTheQuestion) {
  ExportOptions o = Options();
  testing::WriteBytes(o.path, {'o', 'l', 'd'});
  EXPECT_TRUE(ExportTargetExists(o.path));
  const ExportResult asked = ExportQuotes(dir.str(), "XYZ", o, false);
  EXPECT_EQ(asked.status, ExportStatus::AskReplace);
  EXPECT_EQ(ReadBytes(o.path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(messages::ReplaceExistingFile(o.path),
            o.path + "\nThis file already exists\n\nReplace existing file?");
  EXPECT_EQ(ExportQuotes(dir.str(), "XYZ", o, true).status, ExportStatus::Done);
  const std::vector<uint8_t> replaced = ReadBytes(o.path);
  EXPECT_EQ(std::string(replaced.begin(), replaced.end()).substr(0, 19), "01/03/00,12.5000,12");
}

TEST_F(ExportFile, FailuresLeaveTheTargetAsItWas) {
  ExportOptions o = Options();
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  testing::WriteBytes(o.path, old);
  const auto before = testing::SnapshotTree(dir.root());

  // A symbol that cannot be read: nothing is touched.
  const ExportResult unread = ExportQuotes(dir.str(), "NOPE", o, true);
  EXPECT_EQ(unread.status, ExportStatus::ReadFailed);
  EXPECT_EQ(unread.code, LIB_FILE_NOT_FOUND);
  EXPECT_EQ(testing::SnapshotTree(dir.root()), before);

  // Any step of the write failing: the old file stays whole, no working file stays.
  for (fs::FsStep step :
       {fs::FsStep::Create, fs::FsStep::Write, fs::FsStep::Sync, fs::FsStep::Rename}) {
    testing::TestSteps failing = testing::TestSteps::Failing(step);
    const ExportResult r = ExportQuotes(dir.str(), "XYZ", o, true, failing);
    EXPECT_EQ(r.status, ExportStatus::FileError) << static_cast<int>(step);
    EXPECT_EQ(testing::SnapshotTree(dir.root()), before) << static_cast<int>(step);
  }

  // A folder that does not exist: "file export error", nothing made.
  o.path = (dir / "missing" / "OUT.TXT").string();
  EXPECT_EQ(ExportQuotes(dir.str(), "XYZ", o, true).status, ExportStatus::FileError);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_EQ(std::string(messages::kFileExportError), "file export error");

  // A read-only file is not replaced behind its back.
  o = Options();
  std::filesystem::permissions(o.path, std::filesystem::perms::owner_read);
  if (::access(o.path.c_str(), W_OK) != 0) {
    EXPECT_EQ(ExportQuotes(dir.str(), "XYZ", o, true).status, ExportStatus::FileError);
    EXPECT_EQ(ReadBytes(o.path), old);
  }
}

TEST_F(ExportFile, AFailureMidWayLeavesNoTruncatedFile) {
  // A series long enough to be written in several chunks; the second write fails.
  PortfolioBuilder p(dir / "long");
  p.AddSeries(3, "LONG", "LONG SERIES", testing::DailyRows(DayFromYmd(85, 6, 3), 20000));
  p.WriteMaster();
  ExportOptions o = Options();
  int writes = 0;
  testing::TestSteps failing([&writes](size_t, fs::FsStep s, const std::filesystem::path&) {
    return s == fs::FsStep::Write && ++writes >= 2;
  });
  const ExportResult r = ExportQuotes((dir / "long").string(), "LONG", o, true, failing);
  EXPECT_EQ(r.status, ExportStatus::FileError);
  EXPECT_GE(writes, 2);
  EXPECT_FALSE(std::filesystem::exists(o.path));
  EXPECT_FALSE(std::filesystem::exists(o.path + ".~WR"));
}

}  // namespace
}  // namespace quillet
