#include "core/symbols/symbol_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/mbf.h"
#include "core/messages/symbols.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::SecurityEntry;
using testing::SnapshotTree;
using testing::TempDir;

TEST(ValidateSymbolEditTest, EmptySymbolAndLengthLimits) {
  const struct {
    std::string symbol, name, message;
  } cases[] = {
      {"IBM", "", ""},
      {"", "NAME", "You must enter a symbol"},
      {std::string(16, 'S'), std::string(16, 'N'), ""},
      {std::string(17, 'S'), "N", "The symbol can hold at most 16 characters"},
      {"S", std::string(17, 'N'), "The name can hold at most 16 characters"},
      // Listed as nothing (a damaged MASTER), or holding bytes no one can type.
      {" IBM", "", messages::kSymbolCharacters},
      {"\xE9T", "", messages::kSymbolCharacters},
      {"A\tB", "", messages::kSymbolCharacters},
      {"A\x7F", "", messages::kSymbolCharacters},
      {"BRK A", "", ""},
      {"S", "ABCDEFGHIJK<DIR>", messages::kNameLooksLikeDirectory},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ValidateSymbolEdit(c.symbol, c.name), c.message) << c.symbol;
}

TEST(EditSymbolTest, StoresTextsAsTypedBlankPaddedAndRefusalsChangeNothing) {
  TempDir tmp;
  PortfolioBuilder p(tmp.root());
  p.Add(SecurityEntry(1, "IBM", "INTL BUSINESS")).Add(SecurityEntry(2, "MSFT")).WriteMaster();
  const std::string master = tmp.str() + "/MASTER";
  const auto before = SnapshotTree(tmp.root());
  const Outcome empty = EditSymbol(tmp.str(), master, "IBM", "", "N");
  EXPECT_EQ(empty.code, LIB_INVALID_PARM);
  EXPECT_EQ(empty.message, messages::kYouMustEnterASymbol);
  const Outcome missing = EditSymbol(tmp.str(), master, "XYZ", "A", "B");
  EXPECT_EQ(missing.code, LIB_FILE_NOT_FOUND);
  EXPECT_FALSE(missing.message.empty());
  // Another security answers to it (letter case set aside; listed up to the blank).
  for (const char* taken : {"msft", "MSFT X"}) {
    const Outcome twice = EditSymbol(tmp.str(), master, "IBM", taken, "N");
    EXPECT_EQ(twice.code, LIB_INVALID_PARM) << taken;
  }
  EXPECT_EQ(SnapshotTree(tmp.root()), before);

  // The texts go in as typed, blank-padded: a symbol and name of 16 characters fill them.
  auto expected = ReadBytes(tmp / "MASTER");
  ASSERT_TRUE(EditSymbol(tmp.str(), master, "msft", std::string(16, 'X'), "big blue  ").ok());
  std::memset(&expected[2 * 53 + kMasterSymbol], 'X', 16);
  std::memcpy(&expected[2 * 53 + kMasterName], "big blue        ", 16);
  EXPECT_EQ(ReadBytes(tmp / "MASTER"), expected);  // nothing else changed
}

// Each row: MASTER entries (file numbers may repeat), the symbol deleted, the
// list texts left, the quote files gone and kept.
TEST(DeleteSymbolTest, RemovesMatchingRecordsLowersBothCountsAndDeletesUnusedFiles) {
  const struct Case {
    std::vector<MasterEntry> entries;
    std::string symbol;
    LibResult code;
    std::vector<std::string> left;
    std::vector<std::string> gone, kept;
  } cases[] = {
      {{SecurityEntry(3, "AAA"), SecurityEntry(7, "IBM"), SecurityEntry(4, "ZZZ")},
       "IBM",
       LIB_OK,
       {"AAA", "ZZZ"},
       {"F7.DAT", "F7.DOP", "F7.BAK", "MASTER.~NU"},
       {"F3.DAT", "F3.DOP", "F3.BAK", "F4.DAT"}},
      {{SecurityEntry(1, "ONLY")}, "ONLY", LIB_OK, {}, {"F1.DAT"}, {}},
      // The comparison stops where the list text stops and keeps letter case.
      {{SecurityEntry(1, "AB CD"), SecurityEntry(2, "IBM")}, "AB", LIB_OK, {"IBM"}, {"F1.DAT"}, {}},
      {{SecurityEntry(1, "IBM")}, "ibm", LIB_RECORD_NOT_FOUND, {"IBM"}, {}, {"F1.DAT"}},
      // Two records carry DUP; F5 is shared with KEEP, which stays.
      {{SecurityEntry(3, "DUP"), SecurityEntry(5, "KEEP"), SecurityEntry(5, "DUP")},
       "DUP",
       LIB_OK,
       {"KEEP"},
       {"F3.DAT", "F3.DOP", "F3.BAK"},
       {"F5.DAT", "F5.DOP", "F5.BAK"}},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    PortfolioBuilder p(tmp.root());
    for (const MasterEntry& e : c.entries) {
      p.Add(e);
      p.WriteDat(e.fileNumber, 28, testing::DailyRows(100, 3));
      p.WriteDop(e.fileNumber, "DATE\nOPEN\n");
      testing::WriteBytes(tmp / ("F" + std::to_string(e.fileNumber) + ".BAK"), {1, 2});
    }
    p.WriteMaster();
    const std::vector<uint8_t> before = ReadBytes(tmp / "MASTER");
    const DeleteResult r = DeleteSymbol(tmp.str() + "/MASTER", c.symbol);
    EXPECT_EQ(r.code, c.code) << c.symbol << " " << r.message;
    MasterFile after;
    ASSERT_EQ(after.Read(tmp / "MASTER"), LIB_OK);
    std::vector<std::string> left;
    for (const MasterRecord& record : after.Records()) left.push_back(record.Symbol());
    EXPECT_EQ(left, c.left) << c.symbol;
    // Both counters equal the records left; every other header byte and record is kept.
    EXPECT_EQ(after.Count(), static_cast<int16_t>(c.left.size()));
    EXPECT_EQ(after.SecondCount(), static_cast<int16_t>(c.left.size()));
    const std::vector<uint8_t> bytes = after.Bytes();
    EXPECT_TRUE(std::equal(bytes.begin() + 4, bytes.begin() + 53, before.begin() + 4));
    for (const MasterRecord& record : after.Records()) {
      EXPECT_NE(std::search(before.begin(), before.end(), record.bytes.begin(), record.bytes.end()),
                before.end());
    }
    for (const std::string& f : c.gone) EXPECT_FALSE(std::filesystem::exists(tmp / f)) << f;
    for (const std::string& f : c.kept) EXPECT_TRUE(std::filesystem::exists(tmp / f)) << f;
    if (c.code != LIB_OK) {
      EXPECT_EQ(r.message, "Symbol " + c.symbol + " was not found in\n" + tmp.str() +
                               "/MASTER\nNothing was changed.");
      EXPECT_EQ(ReadBytes(tmp / "MASTER"), before);
    }
  }
}

}  // namespace
}  // namespace quillet
