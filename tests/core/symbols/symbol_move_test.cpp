#include "core/symbols/symbol_move.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/mbf.h"
#include "core/messages/symbols.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::SnapshotTree;
using testing::TempDir;
namespace stdfs = std::filesystem;

MasterEntry Entry(uint8_t number, const std::string& symbol, const std::string& name = "NAME") {
  MasterEntry e = testing::SecurityEntry(number, symbol, name);
  e.firstDate = 1000103.0f;
  e.lastDate = 1000110.0f;
  return e;
}

std::vector<uint8_t> Record(const std::vector<uint8_t>& master, int k) {
  return {master.begin() + k * 53, master.begin() + (k + 1) * 53};
}

class TransferTest : public ::testing::Test {
 protected:
  // Source A: IBM in F7 (with DOP and BAK), MSFT in F2. Destination B: numbers 1, 2, 4.
  void Build(const std::vector<uint8_t>& destNumbers = {1, 2, 4}) {
    stdfs::remove_all(a());
    stdfs::remove_all(b());
    PortfolioBuilder src(a());
    src.Add(Entry(2, "MSFT")).Add(Entry(7, "ibm", "INTL BUSINESS"));
    src.WriteMaster();
    src.WriteDat(7, 28, testing::DailyRows(200, 5));
    src.WriteDop(7, "DATE\nOPEN\nHIGH\n");
    testing::WriteBytes(a() / "F7.BAK", {9, 9, 9});
    src.WriteDat(2, 28, testing::DailyRows(300, 2));
    PortfolioBuilder dst(b());
    for (uint8_t n : destNumbers) {
      dst.Add(Entry(n, "D" + std::to_string(n)));
      dst.WriteDat(n, 28, testing::DailyRows(400, 1));
    }
    dst.WriteMaster();
    srcMaster_ = ReadBytes(a() / "MASTER");
    dstMaster_ = ReadBytes(b() / "MASTER");
  }
  stdfs::path a() const { return tmp_ / "A"; }
  stdfs::path b() const { return tmp_ / "B"; }
  TransferResult Run(TransferMode mode, const std::string& symbol = "ibm",
                     fs::FileSteps& steps = fs::EveryStep()) {
    return TransferSymbol(a().string(), symbol, b().string(), mode, steps);
  }
  TempDir tmp_;
  std::vector<uint8_t> srcMaster_, dstMaster_;
};

TEST_F(TransferTest, CopyAppendsTheRecordAsStoredUnderTheLowestFreeNumber) {
  Build();
  const auto dat = ReadBytes(a() / "F7.DAT");
  const auto source = SnapshotTree(a());
  const TransferResult r = Run(TransferMode::Copy);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.fileNumber, 3);
  auto expected = dstMaster_;
  StoreInt16(4, &expected[0]);
  StoreInt16(4, &expected[2]);
  auto record = Record(srcMaster_, 2);
  record[0] = 3;  // only the file number changes: symbol "ibm", name and MBF dates as stored
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(ReadBytes(b() / "MASTER"), expected);
  EXPECT_EQ(ReadBytes(b() / "F3.DAT"), dat);
  EXPECT_EQ(ReadBytes(b() / "F3.DOP"), ReadBytes(a() / "F7.DOP"));
  EXPECT_FALSE(stdfs::exists(b() / "F3.BAK"));
  EXPECT_FALSE(stdfs::exists(b() / "MASTER.~NU"));
  EXPECT_EQ(SnapshotTree(a()), source);
}

TEST_F(TransferTest, NewFileNumberIsTheLowestFree) {
  std::vector<uint8_t> upTo254(254);
  std::iota(upTo254.begin(), upTo254.end(), 1);  // the 255th security is still taken
  const struct {
    std::vector<uint8_t> used;
    int expected;
  } cases[] = {{{1, 2, 3, 4, 5}, 6}, {{}, 1}, {{2, 3}, 1}, {upTo254, 255}};
  for (const auto& c : cases) {
    Build(c.used);
    const TransferResult r = Run(TransferMode::Copy);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.fileNumber, c.expected);
    EXPECT_EQ(LoadInt16(ReadBytes(b() / "MASTER").data()), int(c.used.size()) + 1);
  }
}

TEST_F(TransferTest, LeftoverFilesOfTheNewNumberAreReplaced) {
  Build();
  testing::WriteBytes(b() / "f3.dat", {1, 2, 3});  // no record uses it; found whatever its case
  testing::WriteBytes(b() / "F3.DOP", {4, 5, 6});
  stdfs::remove(a() / "F7.DOP");  // the source has no DOP
  ASSERT_TRUE(Run(TransferMode::Copy).ok());
  EXPECT_EQ(ReadBytes(b() / "f3.dat"), ReadBytes(a() / "F7.DAT"));
  EXPECT_FALSE(stdfs::exists(b() / "F3.DAT") && !stdfs::equivalent(b() / "F3.DAT", b() / "f3.dat"));
  EXPECT_FALSE(stdfs::exists(b() / "F3.DOP"));  // a stale DOP would describe the wrong fields
}

TEST_F(TransferTest, MoveTakesRecordAndFilesOutOfTheSource) {
  Build();
  const auto dat = ReadBytes(a() / "F7.DAT");
  const auto dop = ReadBytes(a() / "F7.DOP");
  const TransferResult r = Run(TransferMode::Move, " ibm ");
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.fileNumber, 3);
  EXPECT_EQ(ReadBytes(b() / "F3.DAT"), dat);
  EXPECT_EQ(ReadBytes(b() / "F3.DOP"), dop);
  for (const char* gone : {"F7.DAT", "F7.DOP", "F7.BAK", "MASTER.~NU"}) {
    EXPECT_FALSE(stdfs::exists(a() / gone)) << gone;
  }
  std::vector<uint8_t> expected(srcMaster_.begin(), srcMaster_.begin() + 2 * 53);
  StoreInt16(1, &expected[0]);
  StoreInt16(1, &expected[2]);
  EXPECT_EQ(ReadBytes(a() / "MASTER"), expected);
  EXPECT_TRUE(stdfs::exists(a() / "F2.DAT"));
}

TEST_F(TransferTest, RefusalsChangeNothing) {
  Build();
  const struct {
    const char* what;
    std::function<void()> prepare;
    const char* symbol;
    AddStatus status;
    std::string message;
  } cases[] = {
      {"symbol in destination", [&] { PortfolioBuilder(b()).Add(Entry(1, "IBM")).WriteMaster(); },
       "ibm", AddStatus::Exists, messages::SymbolAlreadyExists("IBM", b().string())},
      {"name in destination",
       [&] { PortfolioBuilder(b()).Add(Entry(1, "X", "IBM")).WriteMaster(); }, "IBM",
       AddStatus::Exists, messages::SymbolAlreadyExists("IBM", b().string())},
      {"full by count",
       [&] {
         PortfolioBuilder full(b());
         for (int i = 1; i <= 255; ++i)
           full.Add(Entry(static_cast<uint8_t>(i), "S" + std::to_string(i)));
         full.WriteMaster();
       },
       "ibm", AddStatus::Full, messages::kPortfolioFull},
      {"full by second counter",
       [&] {
         auto bytes = ReadBytes(b() / "MASTER");
         StoreInt16(255, &bytes[2]);
         testing::WriteBytes(b() / "MASTER", bytes);
       },
       "ibm", AddStatus::Full, messages::kPortfolioFull},
      {"no destination MASTER", [&] { stdfs::remove(b() / "MASTER"); }, "ibm", AddStatus::Failed,
       messages::DestinationUnreadable(b().string() + "/MASTER")},
      {"damaged destination",
       [&] {
         auto bytes = ReadBytes(b() / "MASTER");
         bytes.push_back(0);
         testing::WriteBytes(b() / "MASTER", bytes);
       },
       "ibm", AddStatus::Failed, ""},
      {"not in source", [] {}, "NONE", AddStatus::Failed, messages::SymbolNotFound("NONE", "")},
  };
  for (const auto& c : cases) {
    for (TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
      Build();
      c.prepare();
      const auto before = SnapshotTree(tmp_.root());
      const TransferResult r = Run(mode, c.symbol);
      EXPECT_EQ(r.status, c.status) << c.what;
      if (!c.message.empty() && c.status != AddStatus::Failed) {
        EXPECT_EQ(r.message, c.message) << c.what;
      }
      EXPECT_FALSE(r.message.empty()) << c.what;
      EXPECT_EQ(SnapshotTree(tmp_.root()), before) << c.what;
    }
  }
}

// A full disk when the destination MASTER is written: the OS's reason is named,
// and as every file is as it was, no failed undo is reported.
TEST_F(TransferTest, AFullDiskIsNamedAndNothingIsLeftChanged) {
  for (TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
    Build();
    const auto before = SnapshotTree(tmp_.root());
    testing::TestSteps full(
        [](size_t, fs::FsStep step, const stdfs::path& file) {
          return step == fs::FsStep::Write && file.filename() == "MASTER.~NU";
        },
        ENOSPC);
    const TransferResult r = Run(mode, "ibm", full);
    EXPECT_EQ(r.status, AddStatus::Failed);
    EXPECT_EQ(r.message, messages::MoveCopyFailed(
                             mode == TransferMode::Move, "IBM",
                             "cannot write " + b().string() + "/MASTER (No space left on device)"));
    EXPECT_EQ(SnapshotTree(tmp_.root()), before);
  }
}

TEST_F(TransferTest, MoveFromASubDirectoryTakesItOutOfThatMaster) {
  Build();
  // A's MASTER points to SUB, whose security has file number 2, like MSFT in A.
  PortfolioBuilder src(a());
  src.Add(Entry(2, "MSFT")).Add(MasterEntry::Directory("SUB"));
  src.WriteMaster();
  PortfolioBuilder sub(a() / "SUB");
  sub.Add(Entry(2, "DEEP"));
  sub.WriteMaster();
  sub.WriteDat(2, 28, testing::DailyRows(500, 4));
  const auto subDat = ReadBytes(a() / "SUB" / "F2.DAT");
  const auto topMaster = ReadBytes(a() / "MASTER");
  const auto topDat = ReadBytes(a() / "F2.DAT");
  const TransferResult r = Run(TransferMode::Move, "DEEP");
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(ReadBytes(b() / "F3.DAT"), subDat);
  EXPECT_EQ(ReadBytes(a() / "MASTER"), topMaster);  // MSFT stays
  EXPECT_EQ(ReadBytes(a() / "F2.DAT"), topDat);
  EXPECT_EQ(ReadBytes(a() / "SUB" / "MASTER").size(), 53u);
  EXPECT_FALSE(stdfs::exists(a() / "SUB" / "F2.DAT"));
}

TEST(TransferRealDataTest, CopyAndMoveBetweenSampleCopies) {
  const auto real = testing::RealDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data here";
  TempDir tmp;
  for (const char* folder : {"bbfinance", "equis_a", "equis_b"}) {
    stdfs::copy(real / folder, tmp / folder);
    for (const auto& e : stdfs::directory_iterator(tmp / folder)) {
      stdfs::permissions(e.path(), stdfs::perms::owner_write, stdfs::perm_options::add);
    }
    stdfs::permissions(tmp / folder, stdfs::perms::owner_all, stdfs::perm_options::add);
  }
  const std::string bb = (tmp / "bbfinance").string();
  // bbfinance: N = 40, second counter 44; AEMI is F20.
  const auto bbMaster = ReadBytes(tmp / "bbfinance" / "MASTER");
  // equis_a's MASTER is full: the copy goes into its XMASTER, after its highest number.
  const TransferResult full =
      TransferSymbol(bb, "AEMI", (tmp / "equis_a").string(), TransferMode::Copy);
  ASSERT_EQ(full.status, AddStatus::Added) << full.message;
  EXPECT_EQ(full.fileNumber, 2854);
  const auto dat = ReadBytes(tmp / "bbfinance" / "F20.DAT");
  EXPECT_EQ(ReadBytes(tmp / "equis_a" / "F2854.MWD"), dat);
  const TransferResult moved =
      TransferSymbol(bb, "aemi", (tmp / "equis_b").string(), TransferMode::Move);
  ASSERT_TRUE(moved.ok()) << moved.message;
  EXPECT_EQ(moved.fileNumber, 3);
  EXPECT_EQ(ReadBytes(tmp / "equis_b" / "F3.DAT"), dat);
  const auto after = ReadBytes(tmp / "bbfinance" / "MASTER");
  ASSERT_EQ(after.size(), bbMaster.size() - 53);
  EXPECT_EQ(LoadInt16(&after[0]), 39);
  EXPECT_EQ(LoadInt16(&after[2]), 43);
  EXPECT_FALSE(stdfs::exists(tmp / "bbfinance" / "F20.DAT"));
}

}  // namespace
}  // namespace quillet
