#include "core/edit/rewrite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base/mbf.h"
#include "core/edit/weekday.h"
#include "core/messages/edit.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

namespace quillet {
namespace {

using testing::DailyRows;
using testing::DatRow;
using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::Row28;
using testing::SnapshotTree;
using testing::TempDir;
using testing::WriteBytes;

const QuoteDay kMonday = DayFromYmd(2000, 1, 3);

using testing::Change;

QuoteDay DayOf(const DatRow& row) {
  return DayFromDateField(row[0]);
}

// Sets the first (which 0) or last (1) date of MASTER record k to day.
void SetMasterDay(std::vector<uint8_t>& master, int k, int which, QuoteDay day) {
  const MbfFloat f = DateFieldFromDay(day);
  std::memcpy(&master[53 * k + (which ? kMasterLastDate : kMasterFirstDate)], f.data(), 4);
}

// Intraday: three bars a day, DATE,TIME,OPEN,HIGH,LOW,CLOSE,VOL.
std::vector<DatRow> IntradayRows(QuoteDay first, int days) {
  std::vector<DatRow> rows;
  QuoteDay day = first;
  for (int d = 0; d < days; ++d, day = NextWeekday(day)) {
    for (int bar = 0; bar < 3; ++bar) {
      const float v = static_cast<float>(d * 10 + bar);
      rows.push_back({DateValueFromDay(day), 93000.0f + 100.0f * static_cast<float>(bar), v, v + 1,
                      v - 1, v, 100.0f + v});
    }
  }
  return rows;
}

const char kIntradayDop[] = "\"DATE\"\n\"TIME\"\n\"OPEN\"\n\"HIGH\"\n\"LOW\"\n\"CLOSE\"\n\"VOL\"\n";

class RewriteTest : public ::testing::Test {
 protected:
  // One security AAA, file 1, in an emptied Portfolio root.
  void MakeSeries(const std::vector<DatRow>& rows, int recordLength = 28, int fields = 7) {
    for (const auto& e : std::filesystem::directory_iterator(tmp_.root()))
      std::filesystem::remove_all(e);
    rows_ = rows;
    builder_ = PortfolioBuilder(tmp_.root());
    builder_.AddSeries(1, "AAA", "Alpha", rows, recordLength, fields);
    builder_.WriteMaster();
  }
  RewriteResult Run(const QuoteChange& change, const std::string& symbol = "AAA",
                    fs::FileSteps& steps = fs::EveryStep()) {
    return RewriteSeries(tmp_.str(), (tmp_ / "MASTER").string(), change, symbol, steps);
  }
  std::vector<uint8_t> Dat() const { return ReadBytes(tmp_ / "F1.DAT"); }
  std::vector<uint8_t> Master() const { return ReadBytes(tmp_ / "MASTER"); }

  TempDir tmp_;
  PortfolioBuilder builder_{tmp_.root()};
  std::vector<DatRow> rows_;
};

// Replace and scale change the records of the inclusive, unsigned day range only.
TEST_F(RewriteTest, ReplaceAndScaleChangeTheDaysInRangeOnly) {
  struct Case {
    ChangeKind kind;
    QuoteDay from, to;
    std::array<float, 6> values;
    std::vector<bool> changed;
  };
  const std::array<float, 6> two = {2, 2, 2, 2, 2, 2};
  const std::array<float, 6> odd = {1.0f / 3.0f, 0.5f,  3.0f,
                                    0.1f,        10.0f, 2.0f};  // rounded products
  const std::array<float, 6> replace = {1.1f, 2.2f, 0.3f, 1e-3f, 123456.0f, 7.0f};
  // Days of the rows: 2, 3, 32766 (a Thursday), 40000, 65534.
  const Case cases[] = {
      {CHANGE_SCALE, 3, 32766, two, {false, true, true, false, false}},
      {CHANGE_SCALE, 32767, 65535, two, {false, false, false, true, true}},  // above signed range
      {CHANGE_SCALE, 0, 0xFFFF, odd, {true, true, true, true, true}},
      {CHANGE_SCALE, 40000, 3, two, {false, false, false, false, false}},  // from after to
      {CHANGE_SCALE, 40001, 65533, two, {false, false, false, false, false}},
      {ChangeKind{2}, 0, 0xFFFF, two, {true, true, true, true, true}},       // kind 2 scales too
      {ChangeKind{9}, 0, 0xFFFF, two, {false, false, false, false, false}},  // other kinds copy
      {CHANGE_REPLACE, 32766, 32766, replace, {false, false, true, false, false}},
  };
  for (const Case& c : cases) {
    std::vector<DatRow> rows;
    for (QuoteDay d : {2, 3, 32766, 40000, 65534}) rows.push_back(Row28(d, 1, 2, 3, 4, 5, 6));
    MakeSeries(rows);
    const std::vector<uint8_t> before = Dat();
    ASSERT_TRUE(Run(Change(c.kind, c.from, c.to, c.values)).ok());
    for (size_t r = 0; r < rows.size(); ++r) {
      for (size_t k = 0; k < 6 && c.changed[r]; ++k) {
        rows[r][k + 1] = c.kind == CHANGE_REPLACE ? c.values[k] : rows[r][k + 1] * c.values[k];
      }
    }
    const std::string what = std::to_string(static_cast<int>(c.kind)) + ": " +
                             std::to_string(c.from) + ".." + std::to_string(c.to);
    EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, rows)) << what;
    EXPECT_EQ(ReadBytes(tmp_ / "F1.BAK"), before) << what;  // still rewritten, even unchanged
  }
}

TEST_F(RewriteTest, EveryRecordPassesThroughTheConversions) {
  MakeSeries(DailyRows(kMonday, 3));
  std::vector<uint8_t> bytes = Dat();
  // In a record outside the range: an MBF zero with stray mantissa bits, and a
  // negative zero (exponent 2, empty mantissa) become zeros; the smallest
  // exponents with a mantissa are kept as they are.
  const uint8_t words[4][4] = {{0x12, 0x34, 0x56, 0x00},   // stray mantissa bits
                               {0x00, 0x00, 0x80, 0x02},   // negative zero
                               {0x01, 0x00, 0x00, 0x02},   // tiny
                               {0x12, 0x34, 0xD6, 0x01}};  // tinier
  for (size_t w = 0; w < 4; ++w) std::memcpy(&bytes[28 * 3 + 8 + 4 * w], words[w], 4);
  WriteBytes(tmp_ / "F1.DAT", bytes);
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, DayOf(rows_[0]), DayOf(rows_[0]), {1, 1, 1, 1, 1, 1})).ok());
  std::vector<uint8_t> expected = bytes;
  std::memset(&expected[28 * 3 + 8], 0, 8);
  EXPECT_EQ(Dat(), expected);
  // The same words in range, scaled by 1: what the conversions and the product give.
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, 0, 0xFFFF, {1, 1, 1, 1, 1, 1})).ok());
  for (size_t offset : {16u, 20u}) {
    StoreMbf(MbfToIeee(&expected[28 * 3 + offset]) * 1.0f, &expected[28 * 3 + offset]);
  }
  EXPECT_EQ(Dat(), expected);
  // A partial record at the end is no quote, but it is not the rewrite's to drop.
  expected.insert(expected.end(), {1, 2, 3, 4, 5});
  WriteBytes(tmp_ / "F1.DAT", expected);
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, 0, 0xFFFF, {1, 1, 1, 1, 1, 1})).ok());
  EXPECT_EQ(Dat(), expected);
}

TEST_F(RewriteTest, DeleteKeepsMasterDatesInStep) {
  struct Case {
    int quotes;
    size_t deleted;
    int firstFrom;  // row whose day becomes the first date, -1 unchanged
    int lastFrom;   // row whose day becomes the last date, -1 unchanged
  };
  const Case cases[] = {
      {4, 0, 1, -1},   // the first of several: the old second quote
      {4, 3, -1, 2},   // the last of several: the old second-to-last
      {4, 2, -1, -1},  // a middle quote: MASTER untouched
      {1, 0, 0, 0},    // the only quote: its own day, both dates
  };
  for (const Case& c : cases) {
    MakeSeries(DailyRows(kMonday, c.quotes));
    builder_.AddSeries(2, "BBB", "Beta", DailyRows(kMonday, 2)).WriteMaster();
    const std::vector<uint8_t> masterBefore = Master();
    const QuoteDay day = DayOf(rows_[c.deleted]);
    ASSERT_TRUE(Run(Change(CHANGE_DELETE, day, day)).ok());
    std::vector<DatRow> kept = rows_;
    kept.erase(kept.begin() + static_cast<long>(c.deleted));
    EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, kept));

    std::vector<uint8_t> master = masterBefore;
    if (c.firstFrom >= 0) SetMasterDay(master, 1, 0, DayOf(rows_[size_t(c.firstFrom)]));
    if (c.lastFrom >= 0) SetMasterDay(master, 1, 1, DayOf(rows_[size_t(c.lastFrom)]));
    EXPECT_EQ(Master(), master) << c.quotes << "/" << c.deleted;
    // One MASTER rewrite: its backup holds the state before the command.
    EXPECT_EQ(std::filesystem::exists(tmp_ / "MASTER.BAK"), master != masterBefore);
    if (master != masterBefore) {
      EXPECT_EQ(ReadBytes(tmp_ / "MASTER.BAK"), masterBefore);
    }
  }
}

TEST_F(RewriteTest, InsertCopiesAheadOfTheDayDatedTheWeekdayBefore) {
  struct Case {
    QuoteDay day;       // the quote copied
    QuoteDay copyDate;  // the copy's date
  };
  const QuoteDay monday = DayFromYmd(2000, 1, 10), friday = DayFromYmd(2000, 1, 7);
  const Case cases[] = {{monday, friday},
                        {DayFromYmd(2000, 1, 8), friday},  // Saturday
                        {DayFromYmd(2000, 1, 9), friday},  // Sunday
                        {DayFromYmd(2000, 1, 12), DayFromYmd(2000, 1, 11)}};
  for (const Case& c : cases) {
    MakeSeries({Row28(friday - 3, 1, 1, 1, 1, 1, 1), Row28(c.day, 2, 3, 1, 2, 500, 9),
                Row28(monday + 7, 4, 4, 4, 4, 4, 4)});
    const std::vector<uint8_t> master = Master();
    ASSERT_TRUE(Run(Change(CHANGE_INSERT, c.day, c.day)).ok());
    std::vector<DatRow> expected = rows_;
    DatRow copy = rows_[1];
    copy[0] = DateValueFromDay(c.copyDate);
    expected.insert(expected.begin() + 1, copy);
    EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected)) << c.day;
    EXPECT_EQ(Master(), master);  // an insert never touches MASTER
  }
}

// A day of three bars: a replace changes every bar, an insert copies every bar
// (and counts them), a delete removes the first.
TEST_F(RewriteTest, IntradayDaysChangeCopyAndDeleteBars) {
  MakeSeries(IntradayRows(kMonday, 3));
  builder_.WriteDop(1, kIntradayDop);
  const QuoteDay tuesday = kMonday + 1, wednesday = kMonday + 2;
  ASSERT_TRUE(Run(Change(CHANGE_REPLACE, tuesday, tuesday, {1, 2, 3, 4, 5, 6})).ok());
  std::vector<DatRow> expected = rows_;
  for (size_t r = 3; r < 6; ++r) {
    for (size_t k = 2; k < 7; ++k) expected[r][k] = static_cast<float>(k - 1);  // no OI slot
  }
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));

  ASSERT_TRUE(Run(Change(CHANGE_DELETE, tuesday, tuesday)).ok());
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));

  ASSERT_TRUE(Run(Change(CHANGE_INSERT, wednesday, wednesday)).ok());
  std::vector<DatRow> copies(expected.begin() + 5, expected.end());
  for (DatRow& copy : copies) copy[0] = DateValueFromDay(tuesday);
  expected.insert(expected.begin() + 5, copies.begin(), copies.end());
  const std::vector<uint8_t> dat = Dat();
  EXPECT_EQ(dat, PortfolioBuilder::DatBytes(28, expected));
  EXPECT_EQ(LoadInt16(&dat[2]), 12);  // 8 + 3 quotes, plus one
}

TEST_F(RewriteTest, RecordsKeepTheirOwnLayout) {
  // A DOP naming three fields in its own order, in a 24-byte record of six
  // slots: slots 4 and 5 are unnamed, slot 6 lies beyond the MASTER's field count.
  MasterEntry e = testing::SecurityEntry(1, "AAA", "Alpha");
  e.recordLength = 24;
  e.fieldCount = 5;
  builder_.Add(e).WriteMaster();
  builder_.WriteDop(1, "\"CLOSE\",0,2\n\"DATE\",0,0\n\"VOL\",0,0\n");
  const QuoteDay d0 = kMonday, d1 = kMonday + 1;
  std::vector<DatRow> rows = {{10.0f, DateValueFromDay(d0), 300.0f, 7.5f, -2.0f, 0.0f},
                              {20.0f, DateValueFromDay(d1), 400.0f, 8.5f, -3.0f, 0.0f}};
  // Not a field: never converted (an MBF zero with stray bits would become zeros).
  const uint8_t raw[4] = {0x68, 0x79, 0xBF, 0x00};
  const auto withRaw = [&](std::vector<uint8_t> bytes) {
    for (size_t at = 24; at < bytes.size(); at += 24) {
      std::memcpy(&bytes[at + 12], raw, 4);
      std::memcpy(&bytes[at + 20], raw, 4);
    }
    return bytes;
  };
  WriteBytes(tmp_ / "F1.DAT", withRaw(PortfolioBuilder::DatBytes(24, rows)));

  ASSERT_TRUE(Run(Change(CHANGE_SCALE, d1, d1, {9, 9, 9, 0.5f, 3.0f, 9})).ok());
  rows[1][0] = 10.0f;    // close
  rows[1][2] = 1200.0f;  // volume
  std::vector<uint8_t> expected = withRaw(PortfolioBuilder::DatBytes(24, rows));
  EXPECT_EQ(Dat(), expected);

  ASSERT_TRUE(Run(Change(CHANGE_INSERT, d1, d1)).ok());
  std::vector<uint8_t> copy(expected.begin() + 48, expected.end());
  const MbfFloat date = DateFieldFromDay(d0);
  std::memcpy(&copy[4], date.data(), 4);
  expected.insert(expected.begin() + 48, copy.begin(), copy.end());
  StoreInt16(4, &expected[2]);
  EXPECT_EQ(Dat(), expected);

  ASSERT_TRUE(Run(Change(CHANGE_DELETE, d0, d0)).ok());
  expected.erase(expected.begin() + 24, expected.begin() + 48);
  StoreInt16(3, &expected[2]);
  EXPECT_EQ(Dat(), expected);
}

TEST_F(RewriteTest, SecurityInASubDirectoryUsesItsOwnMaster) {
  builder_.Add(MasterEntry::Directory("SUB")).WriteMaster();
  PortfolioBuilder sub(tmp_ / "SUB");
  const std::vector<DatRow> rows = DailyRows(kMonday, 3);
  sub.AddSeries(1, "SUBSEC", "In Sub", rows).WriteMaster();
  const std::vector<uint8_t> top = Master(), subMaster = ReadBytes(tmp_ / "SUB" / "MASTER");
  ASSERT_TRUE(Run(Change(CHANGE_DELETE, kMonday, kMonday), "SUBSEC").ok());
  EXPECT_EQ(Master(), top);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.BAK"));
  std::vector<uint8_t> expected = subMaster;
  SetMasterDay(expected, 1, 0, DayOf(rows[1]));
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "MASTER"), expected);
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "F1.DAT"),
            PortfolioBuilder::DatBytes(28, {rows.begin() + 1, rows.end()}));
}

TEST_F(RewriteTest, RefusalsTouchNothing) {
  MakeSeries({Row28(kMonday, 1, 1, 1, 1, 1e30f, 1), Row28(kMonday + 1, 1, 1, 1, 1, 1, 1),
              Row28(kMonday + 2, 1, 1, 1, 1, 1, 1)});
  MasterEntry odd = testing::SecurityEntry(2, "ODD");
  odd.recordLength = 36;
  builder_.Add(odd).Add(testing::SecurityEntry(3, "GONE", "No file")).WriteMaster();
  builder_.WriteDat(2, 36, {});
  const auto before = SnapshotTree(tmp_.root());
  const QuoteDay saturday = kMonday + 5;
  const std::array<float, 6> big = {1, 1, 1, 1, 1e10f, 1};
  struct Case {
    QuoteChange change;
    const char* symbol;
    int16_t code;
    std::string_view message;
  };
  const Case cases[] = {
      {Change(CHANGE_DELETE, saturday, saturday), "AAA", kRewriteDeleteNotFound,
       messages::kDeleteFindrecFailed},
      {Change(CHANGE_DELETE, kMonday + 2, kMonday), "AAA", kRewriteDeleteNotFound,
       messages::kDeleteFindrecFailed},
      {Change(CHANGE_INSERT, saturday, saturday + 1), "AAA", LIB_RECORD_NOT_FOUND, {}},
      // An edit of a day another writer deleted since it was shown.
      {Change(CHANGE_REPLACE, saturday, saturday, big), "AAA", LIB_RECORD_NOT_FOUND, {}},
      {Change(CHANGE_SCALE, 0, 0xFFFF, big), "AAA", LIB_INVALID_PARM, {}},  // 1e40: no MBF form
      {Change(CHANGE_SCALE, 0, 0xFFFF, big), "NOPE", LIB_FILE_NOT_FOUND, {}},
      {Change(CHANGE_SCALE, 0, 0xFFFF, big), "ODD", LIB_UNKNOWN_LAYOUT, {}},
      {Change(CHANGE_SCALE, 0, 0xFFFF, big), "GONE", LIB_FILE_OPEN, {}},
  };
  for (const Case& c : cases) {
    const RewriteResult r = Run(c.change, c.symbol);
    EXPECT_EQ(r.code, c.code) << c.symbol << " " << static_cast<int>(c.change.kind);
    if (!c.message.empty()) {
      EXPECT_EQ(r.message, c.message);
    }
    EXPECT_EQ(SnapshotTree(tmp_.root()), before)
        << c.symbol << " " << static_cast<int>(c.change.kind);
  }
  // Out of range, the same factor changes nothing and is accepted.
  EXPECT_TRUE(Run(Change(CHANGE_SCALE, kMonday + 1, kMonday + 1, big)).ok());
}

// The quote file's swap fails after the MASTER dates went in, and putting the
// MASTER back fails too: the result says so instead of "as they were".
TEST_F(RewriteTest, AFailedRestoreOfTheMasterIsReported) {
  MakeSeries(DailyRows(kMonday, 5));
  const std::vector<uint8_t> dat = Dat(), master = Master();
  int masterSwaps = 0;
  // A rename is announced with the working file renamed.
  testing::TestSteps steps([&](size_t, fs::FsStep step, const std::filesystem::path& file) {
    if (step != fs::FsStep::Rename) return false;
    if (file.filename() == "F1.NEW") return true;
    return file.filename() == "MASTER.NEW" && ++masterSwaps == 2;
  });
  const RewriteResult r = Run(Change(CHANGE_DELETE, kMonday, kMonday), "AAA", steps);
  EXPECT_EQ(r.code, LIB_FILE_WRITE);
  EXPECT_EQ(r.masterNotRestored, (tmp_ / "MASTER").string());
  EXPECT_EQ(Dat(), dat);
  EXPECT_NE(Master(), master);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER.BAK"), master);
  const std::string text = messages::DescribeRewriteFailure(
      r.code, tmp_.str(), "AAA", r.masterUnreadable, r.masterNotRestored);
  EXPECT_EQ(text.find("as they were"), std::string::npos) << text;
  EXPECT_NE(text.find("could not be put back"), std::string::npos) << text;
}

}  // namespace
}  // namespace quillet
