#include "core/portfolio/master_file.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/mbf.h"
#include "core/messages/portfolio.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::TempDir;

using testing::SecurityEntry;

TEST(MasterRecordSymbol, CutAtTheFirstByteThatIsBlankControlOrHigh) {
  struct Case {
    std::vector<uint8_t> area;
    std::string text;
  };
  const Case cases[] = {
      {{'I', 'B', 'M'}, "IBM"},
      {{'A', 'B', ' ', 'C', 'D'}, "AB"},
      {{' ', 'I', 'B', 'M'}, ""},
      {{0x01, 'X'}, ""},
      {{'X', 0x80, 'Y'}, "X"},  // 128 reads as -128
      {{0xC1, 'Y'}, ""},
      {{'X', 0x7F, 'Y'}, "X\x7FY"},  // 127 is still above 32
      {{'X', 0x21}, "X!"},
      {{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'},
       "ABCDEFGHIJKLMNOP"},  // 16 characters, no terminator
  };
  for (const Case& c : cases) {
    MasterRecord r;
    r.bytes.fill(' ');
    std::memcpy(&r.bytes[kMasterSymbol], c.area.data(), c.area.size());
    r.bytes[kMasterSymbol + 16] = 'Z';  // the byte after the area is never part of it
    EXPECT_EQ(r.Symbol(), c.text);
  }
}

TEST(SetMasterPathTest, LengthAndEndingRules) {
  CurrentPortfolio current{"/old/MASTER", "/old", "/old/"};
  std::string message;
  const std::string dir = "/" + std::string(292, 'd');  // + "/MASTER" = 300 characters
  EXPECT_FALSE(SetMasterPath(dir + "/MASTER", current, message));
  EXPECT_EQ(message, messages::kFilePathNameTooLong);
  EXPECT_EQ(current.masterPath, "/old/MASTER");

  message.clear();
  EXPECT_TRUE(SetMasterPath(dir.substr(1) + "/MASTER", current, message));  // 299 characters
  EXPECT_TRUE(message.empty());

  EXPECT_FALSE(SetMasterPath("/data/master", current, message));  // "MASTER" with its letter case
  EXPECT_TRUE(message.empty());
  EXPECT_FALSE(SetMasterPath("/data/MASTER.BAK", current, message));

  ASSERT_TRUE(SetMasterPath("/data/ms/MASTER", current, message));
  EXPECT_EQ(current.portfolioPath, "/data/ms");
  EXPECT_EQ(current.libDir, "/data/ms/");
  ASSERT_TRUE(SetMasterPath("/MASTER", current, message));
  EXPECT_EQ(current.portfolioPath, "/");
  EXPECT_EQ(current.libDir, "/");
}

struct DamageCase {
  const char* what;
  MasterDamage damage;
  int record;
};

TEST(TestMasterFileTest, TheThreeTestsInOrder) {
  TempDir tmp;
  PortfolioBuilder good(tmp / "p");
  good.Add(SecurityEntry(1, "AAA")).Add(SecurityEntry(7, "BBB")).Add(SecurityEntry(3, "CCC"));
  const std::string master = (tmp / "p" / "MASTER").string();
  const std::vector<uint8_t> sound = good.MasterBytes();

  auto with = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> bytes = sound;
    change(bytes);
    testing::WriteBytes(master, bytes);
    return TestMasterFile(master);
  };
  const struct {
    DamageCase expect;
    std::function<void(std::vector<uint8_t>&)> change;
  } cases[] = {
      {{"sound", MasterDamage::None, 0}, [](std::vector<uint8_t>&) {}},
      {{"one byte longer", MasterDamage::Size, 0}, [](std::vector<uint8_t>& b) { b.push_back(0); }},
      {{"N says 4", MasterDamage::Size, 0}, [](std::vector<uint8_t>& b) { StoreInt16(4, &b[0]); }},
      {{"N negative", MasterDamage::Size, 0},
       [](std::vector<uint8_t>& b) { StoreInt16(-1, &b[0]); }},
      {{"7 twice", MasterDamage::FileNumbers, 3}, [](std::vector<uint8_t>& b) { b[3 * 53] = 7; }},
      {{"blank symbol", MasterDamage::Symbols, 2},
       [](std::vector<uint8_t>& b) { b[2 * 53 + 36] = ' '; }},
      {{"high byte symbol", MasterDamage::Symbols, 1},
       [](std::vector<uint8_t>& b) { b[53 + 36] = 0xE9; }},
      {{"both: numbers first", MasterDamage::FileNumbers, 3},
       [](std::vector<uint8_t>& b) {
         b[3 * 53] = 1;
         b[53 + 36] = 0;
       }},
      {{"second counter is not read", MasterDamage::None, 0},
       [](std::vector<uint8_t>& b) { StoreInt16(99, &b[2]); }},
  };
  for (const auto& c : cases) {
    const MasterCheck check = with(c.change);
    EXPECT_EQ(check.result, LIB_OK) << c.expect.what;
    EXPECT_EQ(check.damage, c.expect.damage) << c.expect.what;
    EXPECT_EQ(check.record, c.expect.record) << c.expect.what;
    EXPECT_EQ(check.Sound(), c.expect.damage == MasterDamage::None) << c.expect.what;
  }
  EXPECT_EQ(with([](std::vector<uint8_t>& b) { b.push_back(0); }).Describe(master),
            "size: the header counts 3 records, so the file should be 212 bytes long, but it is "
            "213 bytes");
  // A negative count names no size at all, not a wrapped-around one.
  EXPECT_EQ(with([](std::vector<uint8_t>& b) { StoreInt16(-3, &b[0]); }).Describe(master),
            "size: the header counts -3 records, which no file can hold; the file is 212 bytes");

  testing::WriteBytes(master, std::vector<uint8_t>(52, 0));
  EXPECT_EQ(TestMasterFile(master).result, LIB_FILE_READ);
  EXPECT_EQ(TestMasterFile((tmp / "none" / "MASTER").string()).result, LIB_FILE_OPEN);

  // N = 0 and 53 bytes is sound.
  PortfolioBuilder empty(tmp / "e");
  empty.WriteMaster();
  EXPECT_TRUE(TestMasterFile((tmp / "e" / "MASTER").string()).Sound());
}

TEST(ReadSymbolListTest, RowsInListOrderNamesAsStoredAndTheFirst255) {
  TempDir tmp;
  PortfolioBuilder p(tmp.root());
  p.Add(SecurityEntry(4, "MSFT", "MICROSOFT CORP"))
      .Add(SecurityEntry(9, "AB CD", "ABCD"))
      .Add(SecurityEntry(2, "IBM", "IBM"));
  p.WriteMaster();
  const std::string master = tmp.str() + "/MASTER";
  SymbolList list = ReadSymbolList(master);
  ASSERT_EQ(list.result, LIB_OK);
  EXPECT_TRUE(list.notice.empty());
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].symbol, "AB");
  EXPECT_EQ(list.rows[0].fileNumber, 9);
  EXPECT_EQ(list.rows[0].record, 2);
  EXPECT_EQ(list.rows[1].symbol, "IBM");
  EXPECT_EQ(list.rows[2].name, "MICROSOFT CORP  ");  // trailing blanks kept

  p.WriteMaster(4);  // fewer records than the header says
  EXPECT_EQ(ReadSymbolList(master).result, LIB_FILE_READ);
  EXPECT_EQ(ReadSymbolList(tmp.str() + "/none/MASTER").result, LIB_FILE_OPEN);
  p.WriteMaster(0);
  list = ReadSymbolList(master);
  EXPECT_EQ(list.result, LIB_OK);
  EXPECT_TRUE(list.rows.empty());

  for (int i = 3; i < 300; ++i)
    p.Add(SecurityEntry(static_cast<uint8_t>(i % 256), "S" + std::to_string(1000 + i)));
  p.WriteMaster();
  list = ReadSymbolList(master);
  ASSERT_EQ(list.result, LIB_OK);
  EXPECT_EQ(list.notice, "File has 300 symbols.\nWill only display the first 255 symbols");
  ASSERT_EQ(list.rows.size(), 255u);
  EXPECT_EQ(list.rows.back().symbol, "S1254");
}

TEST(PortfolioRealDataTest, SamplesPassTheChecksAndList) {
  const auto real = testing::RealDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data here";
  const struct {
    const char* folder;
    size_t rows;
    const char* first;
  } cases[] = {
      {"bbfinance", 40, "AEMI"},
      {"equis_a", 255 + 2591, nullptr},  // with XMASTER's
      {"equis_b", 2 + 2, nullptr},
      {"emaster_only", 255, nullptr},  // no MASTER
      {"mixed_index_lowercase", 128 + 294, nullptr},  // its MASTER is named "master"
      {"stooq_intraday", 1, nullptr},
  };
  for (const auto& c : cases) {
    const std::string master = MasterPathOf((real / c.folder).string());
    EXPECT_TRUE(TestMasterFile(master).Sound()) << c.folder;
    const SymbolList list = ReadSymbolList(master);
    EXPECT_EQ(list.result, LIB_OK) << c.folder;
    EXPECT_TRUE(list.notice.empty()) << c.folder;
    EXPECT_EQ(list.rows.size(), c.rows) << c.folder;
    if (c.first) {
      EXPECT_EQ(list.rows.front().symbol, c.first);
    }
  }
}

}  // namespace
}  // namespace quillet
