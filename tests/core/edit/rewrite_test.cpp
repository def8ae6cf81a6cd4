#include "core/edit/rewrite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/edit/weekday.h"
#include "core/fs/fault.h"
#include "core/lib/mbf.h"
#include "core/messages/edit.h"
#include "support/fault_steps.h"
#include "support/portfolio_builder.h"

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

QuoteChange Change(int16_t kind, QuoteDay from, QuoteDay to, std::array<float, 6> values = {}) {
  QuoteChange c;
  c.kind = kind;
  c.fromDay = from;
  c.toDay = to;
  c.values = values;
  return c;
}

QuoteDay DayOf(const DatRow& row) {
  return DayFromDateField(row[0]);
}

class RewriteTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::SetFaultHook(nullptr); }

  // One security AAA, file 1, in the Portfolio root.
  void MakeSeries(const std::vector<DatRow>& rows, int recordLength = 28, int fields = 7) {
    rows_ = rows;
    builder_.AddSeries(1, "AAA", "Alpha", rows, recordLength, fields);
    builder_.WriteMaster();
  }
  RewriteResult Run(const QuoteChange& change, const std::string& symbol = "AAA") {
    return RewriteSeries(tmp_.str(), (tmp_ / "MASTER").string(), change, symbol);
  }
  std::vector<uint8_t> Dat() const { return ReadBytes(tmp_ / "F1.DAT"); }
  std::vector<uint8_t> Master() const { return ReadBytes(tmp_ / "MASTER"); }
  bool WorkingFilesLeft() const {
    for (const auto& [name, bytes] : SnapshotTree(tmp_.root())) {
      if (name.ends_with(".NEW") || name.ends_with(".~CP")) return true;
    }
    return false;
  }

  TempDir tmp_;
  PortfolioBuilder builder_{tmp_.root()};
  std::vector<DatRow> rows_;
};

TEST_F(RewriteTest, ReplaceSetsTheHeldFieldsOfThatDayBitForBit) {
  MakeSeries(DailyRows(kMonday, 5));
  const std::vector<uint8_t> before = Dat();
  const std::array<float, 6> values = {1.1f, 2.2f, 0.3f, 1e-3f, 123456.0f, 7.0f};
  ASSERT_TRUE(Run(Change(CHANGE_REPLACE, DayOf(rows_[2]), DayOf(rows_[2]), values)).ok());

  std::vector<DatRow> expected = rows_;
  for (size_t k = 0; k < 6; ++k) expected[2][k + 1] = values[k];
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
  EXPECT_EQ(ReadBytes(tmp_ / "F1.BAK"), before);
  EXPECT_FALSE(WorkingFilesLeft());
}

TEST_F(RewriteTest, ScaleRoundsEachProductToSinglePrecision) {
  MakeSeries(DailyRows(kMonday, 6));
  const std::array<float, 6> f = {1.0f / 3.0f, 0.5f, 3.0f, 0.1f, 10.0f, 2.0f};
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, DayOf(rows_[1]), DayOf(rows_[3]), f)).ok());
  std::vector<DatRow> expected = rows_;
  for (size_t r = 1; r <= 3; ++r) {
    for (size_t k = 0; k < 6; ++k) expected[r][k + 1] = rows_[r][k + 1] * f[k];
  }
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
}

TEST_F(RewriteTest, KindTwoScalesAndUnknownKindsCopy) {
  MakeSeries(DailyRows(kMonday, 3));
  const std::vector<uint8_t> before = Dat();
  ASSERT_TRUE(Run(Change(9, 0, 0xFFFF, {5, 5, 5, 5, 5, 5})).ok());
  EXPECT_EQ(Dat(), before);
  ASSERT_TRUE(Run(Change(2, 0, 0xFFFF, {2, 2, 2, 2, 2, 2})).ok());
  std::vector<DatRow> expected = rows_;
  for (auto& row : expected) {
    for (size_t k = 1; k < row.size(); ++k) row[k] *= 2.0f;
  }
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
}

TEST_F(RewriteTest, EveryRecordPassesThroughTheConversions) {
  MakeSeries(DailyRows(kMonday, 3));
  std::vector<uint8_t> bytes = Dat();
  // In a record outside the range: an MBF zero with stray mantissa bits, and a
  // negative zero (exponent 2, empty mantissa) become zeros; the smallest
  // exponents with a mantissa are kept as they are.
  const uint8_t stray[4] = {0x12, 0x34, 0x56, 0x00};
  const uint8_t negativeZero[4] = {0x00, 0x00, 0x80, 0x02};
  const uint8_t tiny[4] = {0x01, 0x00, 0x00, 0x02};
  const uint8_t tinier[4] = {0x12, 0x34, 0xD6, 0x01};
  std::memcpy(&bytes[28 * 3 + 8], stray, 4);
  std::memcpy(&bytes[28 * 3 + 12], negativeZero, 4);
  std::memcpy(&bytes[28 * 3 + 16], tiny, 4);
  std::memcpy(&bytes[28 * 3 + 20], tinier, 4);
  WriteBytes(tmp_ / "F1.DAT", bytes);
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, DayOf(rows_[0]), DayOf(rows_[0]), {1, 1, 1, 1, 1, 1})).ok());
  std::vector<uint8_t> expected = bytes;
  std::memset(&expected[28 * 3 + 8], 0, 8);
  EXPECT_EQ(Dat(), expected);
  // The same words in range, scaled by 1: what the conversions and the product give.
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, 0, 0xFFFF, {1, 1, 1, 1, 1, 1})).ok());
  for (int offset : {16, 20}) {
    const float product = MbfToIeee(&expected[28 * 3 + static_cast<size_t>(offset)]) * 1.0f;
    StoreMbf(product, &expected[28 * 3 + static_cast<size_t>(offset)]);
  }
  EXPECT_EQ(Dat(), expected);
}

TEST_F(RewriteTest, DayRangeIsInclusiveAndUnsigned) {
  struct Case {
    QuoteDay from, to;
    std::vector<bool> changed;
  };
  // Days of the rows: 2, 3, 32766 (a Thursday), 40000, 65534.
  const std::vector<QuoteDay> days = {2, 3, 32766, 40000, 65534};
  const Case cases[] = {
      {3, 32766, {false, true, true, false, false}},
      {32767, 65535, {false, false, false, true, true}},  // above the signed range
      {0, 0xFFFF, {true, true, true, true, true}},
      {40000, 3, {false, false, false, false, false}},  // from after to: nothing, still rewritten
      {40001, 65533, {false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    PortfolioBuilder b(dir.root());
    std::vector<DatRow> rows;
    for (QuoteDay d : days) rows.push_back(Row28(d, 1, 2, 3, 4, 5, 6));
    b.AddSeries(1, "AAA", "Alpha", rows);
    b.WriteMaster();
    ASSERT_TRUE(RewriteSeries(dir.str(), (dir / "MASTER").string(),
                              Change(CHANGE_SCALE, c.from, c.to, {2, 2, 2, 2, 2, 2}), "AAA")
                    .ok());
    for (size_t r = 0; r < rows.size(); ++r) {
      if (c.changed[r]) {
        for (size_t k = 1; k < 7; ++k) rows[r][k] *= 2.0f;
      }
    }
    EXPECT_EQ(ReadBytes(dir / "F1.DAT"), PortfolioBuilder::DatBytes(28, rows))
        << c.from << ".." << c.to;
    EXPECT_TRUE(std::filesystem::exists(dir / "F1.BAK"));
  }
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
    TempDir dir;
    PortfolioBuilder b(dir.root());
    const std::vector<DatRow> rows = DailyRows(kMonday, c.quotes);
    b.AddSeries(1, "AAA", "Alpha", rows).AddSeries(2, "BBB", "Beta", DailyRows(kMonday, 2));
    b.WriteMaster();
    const std::vector<uint8_t> masterBefore = ReadBytes(dir / "MASTER");
    const QuoteDay day = DayOf(rows[c.deleted]);
    ASSERT_TRUE(
        RewriteSeries(dir.str(), (dir / "MASTER").string(), Change(CHANGE_DELETE, day, day), "AAA")
            .ok());
    std::vector<DatRow> kept = rows;
    kept.erase(kept.begin() + static_cast<long>(c.deleted));
    EXPECT_EQ(ReadBytes(dir / "F1.DAT"), PortfolioBuilder::DatBytes(28, kept));

    std::vector<uint8_t> master = masterBefore;
    if (c.firstFrom >= 0) {
      const MbfFloat f = DateFieldFromDay(DayOf(rows[static_cast<size_t>(c.firstFrom)]));
      std::memcpy(&master[53 + 25], f.data(), 4);
    }
    if (c.lastFrom >= 0) {
      const MbfFloat f = DateFieldFromDay(DayOf(rows[static_cast<size_t>(c.lastFrom)]));
      std::memcpy(&master[53 + 29], f.data(), 4);
    }
    EXPECT_EQ(ReadBytes(dir / "MASTER"), master) << c.quotes << "/" << c.deleted;
    // One MASTER rewrite: its backup holds the state before the command.
    EXPECT_EQ(std::filesystem::exists(dir / "MASTER.BAK"), master != masterBefore);
    if (master != masterBefore) {
      EXPECT_EQ(ReadBytes(dir / "MASTER.BAK"), masterBefore);
    }
  }
}

TEST_F(RewriteTest, DeleteOfAMissingDayChangesNothing) {
  MakeSeries(DailyRows(kMonday, 4));
  const auto before = SnapshotTree(tmp_.root());
  const QuoteDay saturday = kMonday + 5;
  for (const QuoteChange& c : {Change(CHANGE_DELETE, saturday, saturday),
                               Change(CHANGE_DELETE, DayOf(rows_[3]), DayOf(rows_[0]))}) {
    const RewriteResult r = Run(c);
    EXPECT_EQ(r.code, kRewriteDeleteNotFound);
    EXPECT_EQ(r.message, messages::kDeleteFindrecFailed);
    EXPECT_EQ(SnapshotTree(tmp_.root()), before);
  }
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

TEST_F(RewriteTest, IntradayDayChangesEveryBarAndDeletesTheFirst) {
  MakeSeries(IntradayRows(kMonday, 3));
  builder_.WriteDop(1, "\"DATE\"\n\"TIME\"\n\"OPEN\"\n\"HIGH\"\n\"LOW\"\n\"CLOSE\"\n\"VOL\"\n");
  const QuoteDay tuesday = kMonday + 1;
  ASSERT_TRUE(Run(Change(CHANGE_REPLACE, tuesday, tuesday, {1, 2, 3, 4, 5, 6})).ok());
  std::vector<DatRow> expected = rows_;
  for (size_t r = 3; r < 6; ++r) {
    for (size_t k = 2; k < 7; ++k) expected[r][k] = static_cast<float>(k - 1);  // no OI slot
  }
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));

  ASSERT_TRUE(Run(Change(CHANGE_DELETE, tuesday, tuesday)).ok());
  expected.erase(expected.begin() + 3);
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
}

TEST_F(RewriteTest, InsertCopiesAheadOfTheDayDatedTheWeekdayBefore) {
  struct Case {
    QuoteDay day;       // the quote copied
    QuoteDay copyDate;  // the copy's date
  };
  const QuoteDay monday = DayFromYmd(2000, 1, 10), friday = DayFromYmd(2000, 1, 7);
  const QuoteDay saturday = DayFromYmd(2000, 1, 8), sunday = DayFromYmd(2000, 1, 9);
  const QuoteDay tuesday = DayFromYmd(2000, 1, 11), wednesday = DayFromYmd(2000, 1, 12);
  const Case cases[] = {
      {monday, friday}, {saturday, friday}, {sunday, friday}, {wednesday, tuesday}};
  for (const Case& c : cases) {
    TempDir dir;
    PortfolioBuilder b(dir.root());
    const std::vector<DatRow> rows = {Row28(friday - 3, 1, 1, 1, 1, 1, 1),
                                      Row28(c.day, 2, 3, 1, 2, 500, 9),
                                      Row28(monday + 7, 4, 4, 4, 4, 4, 4)};
    b.AddSeries(1, "AAA", "Alpha", rows).WriteMaster();
    const std::vector<uint8_t> master = ReadBytes(dir / "MASTER");
    ASSERT_TRUE(RewriteSeries(dir.str(), (dir / "MASTER").string(),
                              Change(CHANGE_INSERT, c.day, c.day), "AAA")
                    .ok());
    std::vector<DatRow> expected = rows;
    DatRow copy = rows[1];
    copy[0] = DateValueFromDay(c.copyDate);
    expected.insert(expected.begin() + 1, copy);
    EXPECT_EQ(ReadBytes(dir / "F1.DAT"), PortfolioBuilder::DatBytes(28, expected)) << c.day;
    EXPECT_EQ(ReadBytes(dir / "MASTER"), master);  // an insert never touches MASTER
  }
}

TEST_F(RewriteTest, InsertOfAnIntradayDayCopiesEveryBarAndCountsThem) {
  MakeSeries(IntradayRows(kMonday + 1, 2));  // Tuesday, Wednesday
  builder_.WriteDop(1, "\"DATE\"\n\"TIME\"\n\"OPEN\"\n\"HIGH\"\n\"LOW\"\n\"CLOSE\"\n\"VOL\"\n");
  const QuoteDay wednesday = kMonday + 2;
  ASSERT_TRUE(Run(Change(CHANGE_INSERT, wednesday, wednesday)).ok());
  std::vector<DatRow> expected(rows_.begin(), rows_.begin() + 3);
  for (size_t r = 3; r < 6; ++r) {
    DatRow copy = rows_[r];
    copy[0] = DateValueFromDay(kMonday + 1);
    expected.push_back(copy);
  }
  expected.insert(expected.end(), rows_.begin() + 3, rows_.end());
  const std::vector<uint8_t> dat = Dat();
  EXPECT_EQ(dat, PortfolioBuilder::DatBytes(28, expected));
  EXPECT_EQ(LoadInt16(&dat[2]), 10);  // 6 + 3 quotes, plus one
}

TEST_F(RewriteTest, InsertWithNothingInRangeChangesNothing) {
  MakeSeries(DailyRows(kMonday, 3));
  const auto before = SnapshotTree(tmp_.root());
  EXPECT_EQ(Run(Change(CHANGE_INSERT, kMonday + 5, kMonday + 6)).code, LIB_RECORD_NOT_FOUND);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);
}

TEST_F(RewriteTest, RecordsKeepTheirOwnLayout) {
  // A DOP naming three fields in its own order, in a 24-byte record of six
  // slots: slots 4 and 5 are unnamed, slot 6 lies beyond the MASTER's field count.
  MasterEntry e;
  e.fileNumber = 1;
  e.symbol = "AAA";
  e.name = "Alpha";
  e.recordLength = 24;
  e.fieldCount = 5;
  builder_.Add(e).WriteMaster();
  builder_.WriteDop(1, "\"CLOSE\",0,2\n\"DATE\",0,0\n\"VOL\",0,0\n");
  const QuoteDay d0 = kMonday, d1 = kMonday + 1;
  std::vector<DatRow> rows = {{10.0f, DateValueFromDay(d0), 300.0f, 7.5f, -2.0f, 0.0f},
                              {20.0f, DateValueFromDay(d1), 400.0f, 8.5f, -3.0f, 0.0f}};
  std::vector<uint8_t> bytes = PortfolioBuilder::DatBytes(24, rows);
  const uint8_t raw[4] = {0xDE, 0xAD, 0xBE, 0x00};  // not a field: never converted
  std::memcpy(&bytes[24 + 20], raw, 4);
  std::memcpy(&bytes[48 + 20], raw, 4);
  WriteBytes(tmp_ / "F1.DAT", bytes);

  ASSERT_TRUE(Run(Change(CHANGE_SCALE, d1, d1, {9, 9, 9, 0.5f, 3.0f, 9})).ok());
  rows[1][0] = 10.0f;    // close
  rows[1][2] = 1200.0f;  // volume
  std::vector<uint8_t> expected = PortfolioBuilder::DatBytes(24, rows);
  std::memcpy(&expected[24 + 20], raw, 4);
  std::memcpy(&expected[48 + 20], raw, 4);
  EXPECT_EQ(Dat(), expected);

  ASSERT_TRUE(Run(Change(CHANGE_INSERT, d1, d1)).ok());
  std::vector<uint8_t> copy(expected.begin() + 48, expected.end());
  const MbfFloat date = DateFieldFromDay(d0);
  std::memcpy(&copy[4], date.data(), 4);
  expected.insert(expected.begin() + 48, copy.begin(), copy.end());
  StoreInt16(4, &expected[2]);
  EXPECT_EQ(Dat(), expected);
}

TEST_F(RewriteTest, PartialTailIsKept) {
  MakeSeries(DailyRows(kMonday, 2));
  std::vector<uint8_t> bytes = Dat();
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  WriteBytes(tmp_ / "F1.DAT", bytes);
  ASSERT_TRUE(Run(Change(CHANGE_SCALE, 0, 0xFFFF, {1, 1, 1, 1, 1, 1})).ok());
  EXPECT_EQ(Dat(), bytes);
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
  const MbfFloat first = DateFieldFromDay(DayOf(rows[1]));
  std::memcpy(&expected[53 + 25], first.data(), 4);
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "MASTER"), expected);
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "F1.DAT"),
            PortfolioBuilder::DatBytes(28, {rows.begin() + 1, rows.end()}));
}

TEST_F(RewriteTest, LookupFailuresTouchNothing) {
  MakeSeries(DailyRows(kMonday, 2));
  MasterEntry odd;
  odd.fileNumber = 2;
  odd.symbol = "ODD";
  odd.recordLength = 36;
  builder_.Add(odd).Add({3, "GONE", "No file"}).WriteMaster();
  builder_.WriteDat(2, 36, {});
  const auto before = SnapshotTree(tmp_.root());
  const QuoteChange c = Change(CHANGE_SCALE, 0, 0xFFFF, {2, 2, 2, 2, 2, 2});
  EXPECT_EQ(Run(c, "NOPE").code, LIB_FILE_NOT_FOUND);
  EXPECT_EQ(Run(c, "ODD").code, LIB_UNKNOWN_LAYOUT);
  EXPECT_EQ(Run(c, "GONE").code, LIB_FILE_OPEN);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);
}

TEST_F(RewriteTest, AProductAnMbfNumberCannotHoldIsRefused) {
  MakeSeries({Row28(kMonday, 1, 1, 1, 1, 1e30f, 1), Row28(kMonday + 1, 1, 1, 1, 1, 1, 1)});
  const auto before = SnapshotTree(tmp_.root());
  EXPECT_EQ(Run(Change(CHANGE_SCALE, 0, 0xFFFF, {1, 1, 1, 1, 1e10f, 1})).code, LIB_INVALID_PARM);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);
  // Out of range, the same factor changes nothing and is accepted.
  EXPECT_TRUE(Run(Change(CHANGE_SCALE, kMonday + 1, kMonday + 1, {1, 1, 1, 1, 1e10f, 1})).ok());
}

// Fails the n-th file step of a run, for every n: each run either fails with the
// quote file and MASTER as they were, or succeeds with the full result.
TEST_F(RewriteTest, AFailureAtAnyFileStepLeavesTheFilesAsTheyWere) {
  const std::vector<QuoteChange> changes = {
      Change(CHANGE_SCALE, 0, 0xFFFF, {2, 2, 2, 2, 2, 2}),
      Change(CHANGE_DELETE, kMonday, kMonday),  // rewrites MASTER too
      Change(CHANGE_INSERT, kMonday + 1, kMonday + 1),
  };
  for (const QuoteChange& change : changes) {
    // A clean run counts the steps and gives the expected result.
    TempDir clean;
    {
      PortfolioBuilder b(clean.root());
      b.AddSeries(1, "AAA", "Alpha", DailyRows(kMonday, 5)).WriteMaster();
    }
    const auto steps = testing::RecordSteps([&] {
      ASSERT_TRUE(RewriteSeries(clean.str(), (clean / "MASTER").string(), change, "AAA").ok());
    });
    const std::vector<uint8_t> doneDat = ReadBytes(clean / "F1.DAT");
    const std::vector<uint8_t> doneMaster = ReadBytes(clean / "MASTER");
    ASSERT_GT(steps.size(), 5u);

    for (size_t failAt = 0; failAt < steps.size(); ++failAt) {
      TempDir dir;
      PortfolioBuilder b(dir.root());
      b.AddSeries(1, "AAA", "Alpha", DailyRows(kMonday, 5)).WriteMaster();
      const std::vector<uint8_t> dat = ReadBytes(dir / "F1.DAT");
      const std::vector<uint8_t> master = ReadBytes(dir / "MASTER");
      RewriteResult r;
      {
        testing::FailNthStep fail(failAt);
        r = RewriteSeries(dir.str(), (dir / "MASTER").string(), change, "AAA");
      }
      const fs::FsStep failed = steps[failAt].step;
      const std::string where = "kind " + std::to_string(change.kind) + ": " +
                                testing::StepName(failed) + " " + steps[failAt].file;
      if (r.ok()) {
        // Only a folder sync after a completed rename may fail unreported.
        EXPECT_EQ(failed, fs::FsStep::Sync) << where;
        EXPECT_EQ(ReadBytes(dir / "F1.DAT"), doneDat) << where;
        EXPECT_EQ(ReadBytes(dir / "MASTER"), doneMaster) << where;
      } else {
        EXPECT_EQ(ReadBytes(dir / "F1.DAT"), dat) << where;
        EXPECT_EQ(ReadBytes(dir / "MASTER"), master) << where;
      }
      for (const auto& [name, bytes] : SnapshotTree(dir.root())) {
        EXPECT_FALSE(name.ends_with(".NEW") || name.ends_with(".~CP")) << where << " " << name;
      }
    }
  }
}

}  // namespace
}  // namespace quillet
