#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::RunCli;
using testing::SnapshotTree;
using testing::TempDir;
using testing::WriteBytes;
namespace stdfs = std::filesystem;

using testing::SecurityEntry;

class PortfolioCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioBuilder a(tmp_ / "A");
    a.AddSeries(7, "IBM", "INTL BUSINESS", testing::DailyRows(100, 4));
    a.AddSeries(2, "MSFT", "MICROSOFT", testing::DailyRows(100, 3));
    a.WriteMaster();
    PortfolioBuilder b(tmp_ / "B");
    b.AddSeries(1, "ZZZ", "ZED", testing::DailyRows(100, 2));
    b.WriteMaster();
    // C is damaged: its second record has no symbol.
    PortfolioBuilder c(tmp_ / "C");
    c.Add(SecurityEntry(1, "OK", "FINE")).Add(SecurityEntry(2, "", "NONAME"));
    c.WriteMaster();
  }
  std::string dir(const char* name) const { return (tmp_ / name).string(); }
  TempDir tmp_;
};

TEST_F(PortfolioCliTest, ScanListsPortfoliosSorted) {
  const auto r = RunCli({"scan", tmp_.str()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir("A") + "/\n" + dir("B") + "/\n" + dir("C") + "/\n");
  const auto filtered = RunCli({"scan", tmp_.str(), "--filter", dir("b")});
  EXPECT_EQ(filtered.out, dir("B") + "/\n");
  const auto none = RunCli({"scan", tmp_.str(), "--filter", "/nowhere"});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "No master files found on drive " + tmp_.str() +
                          "\n\n(Is your Portfolio Search Filter setting correct?)\n");
  EXPECT_EQ(RunCli({"scan", dir("none")}).status, 2);
  EXPECT_EQ(RunCli({"--json", "scan", dir("A")}).out,
            "[\n {\"folder\": \"" + dir("A") + "/\"}\n]\n");
}

TEST_F(PortfolioCliTest, ScanSkipsFoldersItCannotList) {
  PortfolioBuilder(tmp_ / "LOCKED" / "INNER").WriteMaster();
  for (const auto& e : stdfs::recursive_directory_iterator(tmp_.root())) {
    stdfs::permissions(e.path(), stdfs::perms::others_read | stdfs::perms::others_exec,
                       stdfs::perm_options::add);
  }
  stdfs::permissions(tmp_.root(), stdfs::perms::all);
  stdfs::permissions(tmp_ / "LOCKED", stdfs::perms::none);
  const auto r = testing::RunCliAsNobody({"scan", tmp_.str()});  // root would read every folder
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir("A") + "/\n" + dir("B") + "/\n" + dir("C") + "/\n");
}

TEST_F(PortfolioCliTest, SymbolsListsOrRefusesADamagedMaster) {
  const auto sound = RunCli({"symbols", dir("A")});
  EXPECT_EQ(sound.status, 0) << sound.err;
  EXPECT_EQ(sound.out, "IBM\tINTL BUSINESS   \t7\nMSFT\tMICROSOFT       \t2\n");

  const auto before = SnapshotTree(tmp_ / "C");
  const auto refused = RunCli({"symbols", dir("C")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err,
            "damaged: symbols: record 2 has no symbol\nFailure while filling symbols grid1\n");
  EXPECT_EQ(SnapshotTree(tmp_ / "C"), before);

  const auto check = RunCli({"check", dir("C")});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "symbols: record 2 has no symbol\n");

  const auto repaired = RunCli({"symbols", dir("C"), "--repair"});
  EXPECT_EQ(repaired.status, 0) << repaired.err;
  EXPECT_EQ(repaired.out, "NONAME\tNONAME          \t2\nOK\tFINE            \t1\n");
  EXPECT_EQ(ReadBytes(tmp_ / "C" / "MASTER.bak"), before.at("MASTER"));
  EXPECT_EQ(RunCli({"check", dir("C")}).out, "sound\n");
}

TEST_F(PortfolioCliTest, RepairReportsWhatItDid) {
  auto bytes = ReadBytes(tmp_ / "A" / "MASTER");
  bytes.insert(bytes.end(), bytes.begin() + 53, bytes.begin() + 106);  // IBM twice, N still 2
  WriteBytes(tmp_ / "A" / "MASTER", bytes);
  const auto r = RunCli({"repair", dir("A")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "damaged: size: the header counts 2 records, so the file should be 159 bytes long, "
            "but it is 212 bytes\nrepaired: 2 records written, 1 dropped; backup made: " +
                dir("A") + "/MASTER.bak\n");
  EXPECT_NE(r.err.find("This item is file F7.DAT"), std::string::npos);
  EXPECT_EQ(RunCli({"repair", dir("A")}).out, "sound: nothing to repair\n");
  EXPECT_EQ(RunCli({"repair", dir("none")}).status, 2);
}

TEST_F(PortfolioCliTest, SymbolEditAndDelete) {
  const auto before = SnapshotTree(tmp_.root());
  const auto empty = RunCli({"symbol-edit", dir("A"), "IBM", "", "NAME"});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, "You must enter a symbol\n");
  EXPECT_EQ(RunCli({"symbol-edit", dir("A"), "NONE", "X", "N"}).status, 1);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);

  ASSERT_EQ(RunCli({"symbol-edit", dir("A"), "ibm", "ibm", "big blue"}).status, 0);
  EXPECT_EQ(RunCli({"symbols", dir("A")}).out,
            "ibm\tbig blue        \t7\nMSFT\tMICROSOFT       \t2\n");  // letter case set aside

  const auto missing = RunCli({"symbol-delete", dir("A"), "NONE"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Symbol NONE was not found"), std::string::npos);
  const auto deleted = RunCli({"symbol-delete", dir("A"), "IBM"});  // found as the lookup finds it
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_FALSE(stdfs::exists(tmp_ / "A" / "F7.DAT"));
  EXPECT_EQ(RunCli({"symbols", dir("A")}).out, "MSFT\tMICROSOFT       \t2\n");
}

TEST_F(PortfolioCliTest, SymbolCopyAndMovePrintTheNewFileNumber) {
  const auto copied = RunCli({"symbol-copy", dir("A"), "IBM", dir("B")});
  EXPECT_EQ(copied.status, 0) << copied.err;
  EXPECT_EQ(copied.out, "2\n");
  const auto again = RunCli({"symbol-copy", dir("A"), "IBM", dir("B")});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "The Symbol addition failed.\n\nReason: Symbol IBM already exists in\n" +
                           dir("B") + "\n");
  const auto moved = RunCli({"--json", "symbol-move", dir("A"), "msft", dir("B")});
  EXPECT_EQ(moved.status, 0) << moved.err;
  EXPECT_EQ(moved.out, "[\n {\"file_number\": \"3\"}\n]\n");
  EXPECT_EQ(RunCli({"symbols", dir("A")}).out, "IBM\tINTL BUSINESS   \t7\n");
  EXPECT_EQ(RunCli({"symbols", dir("B")}).out,
            "IBM\tINTL BUSINESS   \t2\nMSFT\tMICROSOFT       \t3\nZZZ\tZED             \t1\n");
  const auto before = SnapshotTree(tmp_.root());
  EXPECT_EQ(RunCli({"symbol-move", dir("A"), "IBM"}).status, 2);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);
}

// The demo tree is found and sound; its <DIR> entry, left without a symbol as
// other tools leave it, is refused and then repaired.
TEST(PortfolioCliSamplesTest, TheDemoTreeAndADirEntryWithoutSymbol) {
  TempDir tmp;
  stdfs::copy(stdfs::path(QUILLET_SOURCE_DIR) / "samples", tmp.root(),
              stdfs::copy_options::recursive);
  const std::string futures = (tmp / "Futures").string(), stocks = (tmp / "Stocks").string();
  EXPECT_EQ(RunCli({"scan", tmp.str()}).out,
            futures + "/\n" + stocks + "/\n" + stocks + "/FUNDS/\n");
  for (const std::string& folder : {futures, stocks, stocks + "/FUNDS"}) {
    EXPECT_EQ(RunCli({"check", folder}).out, "sound\n") << folder;
  }
  auto damaged = ReadBytes(tmp / "Stocks" / "MASTER");
  std::fill_n(damaged.begin() + 5 * 53 + 36, 16, ' ');  // record 5 is the <DIR> entry
  WriteBytes(tmp / "Stocks" / "MASTER", damaged);
  const auto refused = RunCli({"symbols", stocks});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(ReadBytes(tmp / "Stocks" / "MASTER"), damaged);
  const auto repaired = RunCli({"symbols", stocks, "--repair"});
  EXPECT_EQ(repaired.status, 0) << repaired.err;
  EXPECT_EQ(ReadBytes(tmp / "Stocks" / "MASTER.bak"), damaged);
  EXPECT_EQ(RunCli({"check", stocks}).out, "sound\n");
}

}  // namespace
}  // namespace quillet
