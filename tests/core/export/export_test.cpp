#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/export/export.h"
#include "core/lib/quote_text.h"
#include "core/messages/export.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::ReadBytes;
using testing::Row28;

// The oracle: printf's digits, "N/A" below zero and for not-a-number.
std::string Printf(float v, int decimals) {
  if (v < 0.0f || std::isnan(v)) return "N/A";
  std::array<char, 128> buffer{};
  std::snprintf(buffer.data(), buffer.size(), decimals == 4 ? "%.4f" : "%.2f",
                static_cast<double>(v));
  return buffer.data();
}

std::string Value(float v, int decimals) {
  std::array<char, kExportValueRoom> buffer{};
  return std::string(buffer.data(), AppendExportValue(buffer.data(), v, decimals));
}

TEST(ExportValue, SameTextAsPrintf) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<uint32_t> bits(0, 0xFFFFFFFF);  // every float, NaN and signs too
  std::uniform_real_distribution<double> price(0.0, 100000.0);
  std::vector<float> values = {
      0.0f, -0.0f, 0.00005f, 0.125f, 0.375f, 2.5f, 0.005f, 1.005f, 1e-8f, 16777216.0f, 3.4e38f,
      -0.00001f, FLT_MAX, FLT_TRUE_MIN, INFINITY, -INFINITY, NAN, -NAN, 1e8f, 99999999.0f, 1e12f,
      1023.9999f, 0.5f, 10.05f,
      // Whole and not around the bounds of the shortest text's usual cases.
      1.0f, -7.0f, 1023.0f, 1024.0f, 1024.5f, 0.001f, 16777215.0f};
  for (float bound : {0.001f, 1024.0f, 16777216.0f}) {
    values.insert(values.end(), {std::nextafter(bound, 0.0f), std::nextafter(bound, INFINITY),
                                 -std::nextafter(bound, 0.0f)});
  }
  for (int i = 0; i < 200000; ++i) {
    const uint32_t b = bits(random);
    float v;
    std::memcpy(&v, &b, sizeof v);
    // Prices as they come, and values on the ties of the last printed digit.
    const double p = price(random);
    values.insert(values.end(), {v, static_cast<float>(p),
                                 static_cast<float>((std::floor(p * 10000.0) + 0.5) / 10000.0),
                                 static_cast<float>((std::floor(p * 100.0) + 0.5) / 100.0)});
  }
  std::array<char, kExportValueRoom> a{}, b{};
  for (float x : values) {
    ASSERT_EQ(Value(x, 4), Printf(x, 4)) << x;
    ASSERT_EQ(Value(x, 2), Printf(x, 2)) << x;
    if (!std::isfinite(x)) continue;
    // The typed tables' shortest text is the library's.
    ASSERT_EQ(
        std::string(a.data(), AppendShortest(a.data(), x)),
        std::string(b.data(),
                    std::to_chars(b.data(), b.data() + b.size(), x, std::chars_format::fixed).ptr))
        << x;
  }
  // The grid's texts are printf's, "N/A" below zero; the command line's quote
  // table is the grid's text.
  ExportFormatter grid = ExportFormatter::GridText();
  for (size_t i = 0; i + 6 <= values.size(); i += 6) {
    Quote q{static_cast<QuoteDay>(i), 0, {}};
    std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(i), 6, q.values.begin());
    std::string row;
    grid.AppendRow(row, q);
    std::string expected = FormatDate(q.date);
    for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
      std::array<char, 128> text{};
      std::snprintf(text.data(), text.size(), f >= FIELD_VOL ? "%.0f" : "%.4f",
                    static_cast<double>(q.Value(f)));
      expected += '\t' + (q.Value(f) < 0.0f ? "N/A" : std::string(text.data()));
    }
    ASSERT_EQ(row, expected + "\n");
    std::string texts;
    for (const std::string& t : QuoteGridTexts(q)) texts += (texts.empty() ? "" : "\t") + t;
    ASSERT_EQ(texts + "\n", row);
  }
}

TEST(ExportFormatter, DatesAsFormatDateWritesThemInAnyOrder) {
  // Every day number, in both orders and shuffled: the month text is reused across rows.
  std::vector<Quote> quotes(65536);
  for (size_t i = 0; i < quotes.size(); ++i) quotes[i].date = static_cast<QuoteDay>(i);
  std::vector<Quote> shuffled = quotes;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  ExportOptions o;
  o.useOpen = o.useHigh = o.useLow = o.useClose = o.useVolume = o.useOpenInterest = false;
  for (const auto* input : {&quotes, &shuffled, &quotes}) {
    const std::string text = ExportFormatter(o).Text(*input);
    ASSERT_EQ(text.size(), input->size() * 10);
    for (size_t i = 0; i < input->size(); ++i) {
      const size_t k = o.order == ExportOrder::OldestFirst ? i : input->size() - 1 - i;
      ASSERT_EQ(text.substr(i * 10, 10), FormatDate((*input)[k].date) + "\r\n");
    }
    o.order = ExportOrder::NewestFirst;
  }
}

TEST(ExportFormatter, RowStartsOfAnyLengthComeWholeAndOnce) {
  // Short starts are copied with one fixed-size copy; the bounds of that and longer ones.
  const Quote q{DayFromYmd(99, 11, 17), 0, {12.5f, 13.0f, 12.25f, 12.75f, 10500.0f, 3.0f}};
  ExportFormatter plain =
      ExportFormatter::Typed(TypedForm::Csv, {true, true, true, true, true, true}, false, true);
  std::string row;
  plain.AppendRow(row, q);
  ASSERT_EQ(row, "1999-11-17,,12.5,13,12.25,12.75,10500,3\r\n");
  for (size_t length : {0, 1, 63, 64, 65, 200}) {
    const std::string start(length, 'S');
    ExportFormatter f = plain;
    f.SetRowStart(start);
    std::string two;
    f.AppendRow(two, q);
    f.AppendRow(two, q);
    EXPECT_EQ(two, start + row + start + row) << length;
  }
}

class ExportFile : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PortfolioBuilder p(dir.root());
    p.AddSeries(
        7, "XYZ", "XYZ CORP",
        {Row28(DayFromYmd(100, 1, 3), 12.5f, 12.75f, 12.25f, 12.625f, 10500.0f, 0.0f),
         Row28(DayFromYmd(100, 1, 4), 12.625f, 13.0f, 12.5f, 12.875f, -1.0f, 17.0f),
         Row28(DayFromYmd(100, 1, 5), 0.0f, 1.33333f, 0.5f, 99999.99f, 1234567.0f, 3.005f)});
    p.WriteMaster();
    // Long enough to be written in several parts; no OI field, one value below zero.
    testing::PortfolioBuilder l(dir / "long");
    std::vector<testing::DatRow> many = testing::DailyRows(DayFromYmd(85, 6, 3), 20000, 6);
    many[10][5] = -3.0f;
    l.AddSeries(3, "LONG", "LONG SERIES", many, 24, 6);
    l.WriteMaster();
  }
  ExportOptions Options() const {
    ExportOptions o;
    o.path = (dir / "OUT.TXT").string();
    return o;
  }
  std::string Text(const std::string& file) const {
    const std::vector<uint8_t> bytes = ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
  }
  testing::TempDir dir;
};

TEST_F(ExportFile, ExactBytesForEachChoice) {
  struct Case {
    const char* name;
    const char* columns;   // the letters of OHLCVI kept; null: a first export's choices
    int delimiter, order;  // as stored: values out of range included
    bool title;
    std::string text;
  };
  const std::string r1 = "01/03/00,12.5000,12.7500,12.2500,12.6250,10500.00,0.00\r\n";
  const std::string r2 = "01/04/00,12.6250,13.0000,12.5000,12.8750,N/A,17.00\r\n";
  const std::string r3 = "01/05/00,0.0000,1.3333,0.5000,99999.9922,1234567.00,3.01\r\n";
  const Case cases[] = {
      {"first export: every column, commas, oldest first", nullptr, 0, 0, false, r1 + r2 + r3},
      {"title row", "OHLCVI", 0, 0, true, "DATE,OPEN,HIGH,LOW,CLOSE,VOL,OI\r\n" + r1 + r2 + r3},
      {"newest first", "OHLCVI", 0, 1, false, r3 + r2 + r1},
      {"a stored order of 2 is newest first", "OHLCVI", 0, 2, false, r3 + r2 + r1},
      {"tab and only close", "C", 1, 0, true,
       "DATE\tCLOSE\r\n01/03/00\t12.6250\r\n01/04/00\t12.8750\r\n01/05/00\t99999.9922\r\n"},
      {"space, high and volume", "HV", 2, 0, false,
       "01/03/00 12.7500 10500.00\r\n01/04/00 13.0000 N/A\r\n01/05/00 1.3333 1234567.00\r\n"},
      {"no column: the date only", "", 0, 0, true, "DATE\r\n01/03/00\r\n01/04/00\r\n01/05/00\r\n"},
      {"another stored delimiter gives the comma", "CI", -1, 0, true,
       "DATE,CLOSE,OI\r\n01/03/00,12.6250,0.00\r\n01/04/00,12.8750,17.00\r\n"
       "01/05/00,99999.9922,3.01\r\n"},
  };
  for (const Case& c : cases) {
    ExportOptions o = Options();
    if (c.columns) {
      bool* use[] = {&o.useOpen,  &o.useHigh,   &o.useLow,
                     &o.useClose, &o.useVolume, &o.useOpenInterest};
      for (int k = 0; k < 6; ++k) *use[k] = std::strchr(c.columns, "OHLCVI"[k]) != nullptr;
      o.delimiter = static_cast<ExportDelimiter>(c.delimiter);
      o.order = static_cast<ExportOrder>(c.order);
      o.title = c.title;
    }
    const ExportResult r = ExportQuotes(dir.str(), "XYZ", o, true);
    EXPECT_TRUE(r.ok() && r.message.empty() && r.rows == 3) << c.name;
    EXPECT_EQ(Text(o.path), c.text) << c.name;
  }
}

// A series far longer than one part, in both orders: the file holds exactly the
// formatter's text, and progress climbs to the whole.
TEST_F(ExportFile, ALongSeriesIsWrittenWholeWithProgress) {
  SeriesData series;
  ASSERT_EQ(ReadWholeSeries((dir / "long").string(), "LONG", series), LIB_OK);
  for (ExportOrder order : {ExportOrder::OldestFirst, ExportOrder::NewestFirst}) {
    ExportOptions o = Options();
    o.order = order;
    o.title = order == ExportOrder::NewestFirst;
    std::vector<int32_t> seen;
    const ExportResult r =
        ExportQuotes((dir / "long").string(), "LONG", o, true, [&](int32_t written, int32_t total) {
          EXPECT_EQ(total, 20000);
          seen.push_back(written);
        });
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.rows, 20000);
    EXPECT_GT(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 20000);
    EXPECT_EQ(Text(o.path), ExportFormatter(o).Text(series.quotes));
  }
}

// Every way an export does not go ahead: the status, its code and message, and
// the folder left byte for byte as it was.
TEST_F(ExportFile, WhatDoesNotGoAheadChangesNothing) {
  ExportOptions o = Options();
  testing::WriteBytes(o.path, {'o', 'l', 'd'});
  const auto before = testing::SnapshotTree(dir.root());
  struct Case {
    const char* name;
    std::string directory, symbol, path;
    bool replace;
    fs::FsStep failing;
    int failAt;  // the failing step's occurrence
    ExportStatus status;
    LibResult code;
    std::string message;
  };
  const std::string longDir = (dir / "long").string();
  const std::string missing = (dir / "missing" / "OUT.TXT").string();
  const Case cases[] = {
      {"existing file, no Yes yet", dir.str(), "XYZ", o.path, false, fs::FsStep::Create, 0,
       ExportStatus::AskReplace, LIB_FILE_EXISTS, messages::ReplaceExistingFile(o.path)},
      {"symbol not found", dir.str(), "NOPE", o.path, true, fs::FsStep::Create, 0,
       ExportStatus::ReadFailed, LIB_FILE_NOT_FOUND,
       "Symbol NOPE was not found in the Portfolio " + dir.str()},
      {"folder missing", dir.str(), "XYZ", missing, true, fs::FsStep::Create, 0,
       ExportStatus::FileError, LIB_FILE_OPEN, messages::kFileExportError},
      {"create fails", dir.str(), "XYZ", o.path, true, fs::FsStep::Create, 1,
       ExportStatus::FileError, LIB_FILE_OPEN, messages::kFileExportError},
      {"first write fails", dir.str(), "XYZ", o.path, true, fs::FsStep::Write, 1,
       ExportStatus::FileError, LIB_FILE_WRITE, messages::kFileExportError},
      {"second part fails", longDir, "LONG", o.path, true, fs::FsStep::Write, 2,
       ExportStatus::FileError, LIB_FILE_WRITE, messages::kFileExportError},
      {"sync fails", dir.str(), "XYZ", o.path, true, fs::FsStep::Sync, 1, ExportStatus::FileError,
       LIB_FILE_WRITE, messages::kFileExportError},
      {"rename fails", dir.str(), "XYZ", o.path, true, fs::FsStep::Rename, 1,
       ExportStatus::FileError, LIB_FILE_WRITE, messages::kFileExportError},
      {"a Portfolio's own file, whatever its case", dir.str(), "XYZ", dir.str() + "/f7.Dat", true,
       fs::FsStep::Create, 0, ExportStatus::FileError, LIB_INVALID_PARM,
       messages::PortfolioFileRefused(dir.str() + "/f7.Dat")},
  };
  for (const Case& c : cases) {
    int count = 0;
    testing::TestSteps steps([&](size_t, fs::FsStep s, const std::filesystem::path&) {
      return c.failAt != 0 && s == c.failing && ++count == c.failAt;
    });
    ExportOptions options = Options();
    options.path = c.path;
    const ExportResult r = ExportQuotes(c.directory, c.symbol, options, c.replace, {}, steps);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.code, c.code) << c.name;
    EXPECT_EQ(r.message, c.message) << c.name;
    EXPECT_EQ(testing::SnapshotTree(dir.root()), before) << c.name;
  }

  // A read-only file is not replaced behind its back.
  std::filesystem::permissions(o.path, std::filesystem::perms::owner_read);
  if (::access(o.path.c_str(), W_OK) != 0) {
    EXPECT_EQ(ExportQuotes(dir.str(), "XYZ", o, true).status, ExportStatus::FileError);
    EXPECT_EQ(testing::SnapshotTree(dir.root()), before);
  }
}

}  // namespace
}  // namespace quillet
