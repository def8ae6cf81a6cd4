#include "core/symbols/symbol_edit.h"

#include <cstring>
#include <filesystem>
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
using testing::TempDir;
namespace stdfs = std::filesystem;

using testing::SecurityEntry;

std::string Text16(const std::vector<uint8_t>& master, int record, int offset) {
  return std::string(
      reinterpret_cast<const char*>(&master[static_cast<size_t>(record * 53 + offset)]), 16);
}

TEST(ValidateSymbolEditTest, EmptySymbolAndLengthLimits) {
  const struct {
    std::string symbol, name, message;
  } cases[] = {
      {"IBM", "", ""},
      {"", "NAME", "You must enter a symbol"},
      {std::string(16, 'S'), std::string(16, 'N'), ""},
      {std::string(17, 'S'), "N", "The symbol can hold at most 16 characters"},
      {"S", std::string(17, 'N'), "The name can hold at most 16 characters"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ValidateSymbolEdit(c.symbol, c.name), c.message) << c.symbol;
}

TEST(EditSymbolTest, StoresTextsAsTypedBlankPadded) {
  TempDir tmp;
  PortfolioBuilder p(tmp.root());
  p.Add(SecurityEntry(1, "IBM", "INTL BUSINESS")).Add(SecurityEntry(2, "MSFT"));
  p.WriteMaster();
  auto expected = ReadBytes(tmp / "MASTER");
  ASSERT_TRUE(EditSymbol(tmp.str(), tmp.str() + "/MASTER", "IBM", "ibm", "big blue  ").ok());
  std::memcpy(&expected[53 + kMasterSymbol], "ibm             ", 16);
  std::memcpy(&expected[53 + kMasterName], "big blue        ", 16);
  EXPECT_EQ(ReadBytes(tmp / "MASTER"), expected);  // nothing else changed

  const SymbolEditResult full = EditSymbol(tmp.str(), tmp.str() + "/MASTER", "MSFT",
                                           std::string(16, 'X'), std::string(16, 'Y'));
  ASSERT_TRUE(full.ok());
  EXPECT_EQ(Text16(ReadBytes(tmp / "MASTER"), 2, kMasterSymbol), std::string(16, 'X'));
}

TEST(EditSymbolTest, RefusedOrFailedEditsChangeNothingAndSaySo) {
  TempDir tmp;
  PortfolioBuilder p(tmp.root());
  p.Add(SecurityEntry(1, "IBM"));
  p.WriteMaster();
  const auto before = testing::SnapshotTree(tmp.root());
  const SymbolEditResult empty = EditSymbol(tmp.str(), tmp.str() + "/MASTER", "IBM", "", "N");
  EXPECT_TRUE(empty.invalid);
  EXPECT_EQ(empty.message, messages::kYouMustEnterASymbol);
  const SymbolEditResult missing = EditSymbol(tmp.str(), tmp.str() + "/MASTER", "XYZ", "A", "B");
  EXPECT_FALSE(missing.ok());
  EXPECT_FALSE(missing.message.empty());
  EXPECT_EQ(testing::SnapshotTree(tmp.root()), before);
}

class DeleteTest : public ::testing::Test {
 protected:
  void Build(const std::vector<MasterEntry>& entries) {
    PortfolioBuilder p(tmp_.root());
    for (const MasterEntry& e : entries) {
      p.Add(e);
      p.WriteDat(e.fileNumber, 28, testing::DailyRows(100, 3));
      p.WriteDop(e.fileNumber, "DATE\nOPEN\n");
      testing::WriteBytes(tmp_ / ("F" + std::to_string(e.fileNumber) + ".BAK"), {1, 2});
    }
    p.WriteMaster();
    master_ = ReadBytes(tmp_ / "MASTER");
  }
  std::string masterPath() const { return tmp_.str() + "/MASTER"; }
  bool Has(const std::string& name) const { return stdfs::exists(tmp_ / name); }
  TempDir tmp_;
  std::vector<uint8_t> master_;
};

TEST_F(DeleteTest, RemovesTheRecordLowersBothCountsAndDeletesItsFiles) {
  Build({SecurityEntry(3, "AAA"), SecurityEntry(7, "IBM"), SecurityEntry(4, "ZZZ")});
  const DeleteResult r = DeleteSymbol(masterPath(), "IBM");
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.removed, 1);
  std::vector<uint8_t> expected(master_.begin(), master_.begin() + 2 * 53);
  expected.insert(expected.end(), master_.begin() + 3 * 53, master_.end());
  StoreInt16(2, &expected[0]);
  StoreInt16(2, &expected[2]);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER"), expected);
  for (const char* gone : {"F7.DAT", "F7.DOP", "F7.BAK", "MASTER.~NU"})
    EXPECT_FALSE(Has(gone)) << gone;
  for (const char* kept : {"F3.DAT", "F3.DOP", "F3.BAK", "F4.DAT"}) EXPECT_TRUE(Has(kept)) << kept;
}

TEST_F(DeleteTest, TheOnlySecurityLeavesA53ByteMaster) {
  Build({SecurityEntry(1, "ONLY")});
  ASSERT_TRUE(DeleteSymbol(masterPath(), "ONLY").ok());
  const auto after = ReadBytes(tmp_ / "MASTER");
  ASSERT_EQ(after.size(), 53u);
  EXPECT_EQ(LoadInt16(&after[0]), 0);
  EXPECT_EQ(LoadInt16(&after[2]), 0);
}

TEST_F(DeleteTest, ComparisonStopsWhereTheListTextStopsAndKeepsLetterCase) {
  Build({SecurityEntry(1, "AB CD"), SecurityEntry(2, "IBM")});
  const auto before = testing::SnapshotTree(tmp_.root());
  const DeleteResult r = DeleteSymbol(masterPath(), "ibm");
  EXPECT_EQ(r.code, LIB_RECORD_NOT_FOUND);
  EXPECT_EQ(r.message, "Symbol ibm was not found in\n" + masterPath() + "\nNothing was changed.");
  EXPECT_EQ(testing::SnapshotTree(tmp_.root()), before);
  ASSERT_TRUE(DeleteSymbol(masterPath(), "AB").ok());
  EXPECT_FALSE(Has("F1.DAT"));
  EXPECT_EQ(LoadInt16(ReadBytes(tmp_ / "MASTER").data()), 1);
}

TEST_F(DeleteTest, SeveralMatchingRecordsLowerTheCountsByAllAndSpareSharedFiles) {
  // Two records carry DUP; file number 5 is shared with a record that stays.
  Build({SecurityEntry(3, "DUP"), SecurityEntry(5, "KEEP"), SecurityEntry(6, "X")});
  auto bytes = master_;
  bytes[3 * 53] = 5;  // X now shares F5 with KEEP
  std::copy_n("DUP", 3, &bytes[3 * 53 + 36]);
  testing::WriteBytes(tmp_ / "MASTER", bytes);
  const DeleteResult r = DeleteSymbol(masterPath(), "DUP");
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.removed, 2);
  const auto after = ReadBytes(tmp_ / "MASTER");
  ASSERT_EQ(after.size(), 2u * 53);
  EXPECT_EQ(LoadInt16(&after[0]), 1);
  EXPECT_EQ(LoadInt16(&after[2]), 1);
  EXPECT_FALSE(Has("F3.DAT"));
  EXPECT_TRUE(Has("F5.DAT"));  // KEEP still uses it
  EXPECT_TRUE(Has("F5.DOP"));
}

TEST_F(DeleteTest, AFailureAtAnyFileStepLeavesTheFolderAsItWas) {
  const size_t steps = testing::ExpectEachStepFailureSafe(
      tmp_.root(),
      [&] {
        Build({SecurityEntry(3, "AAA"), SecurityEntry(7, "IBM")});
      },
      [&](fs::FileSteps& fileSteps) {
        const DeleteResult r = DeleteSymbol(masterPath(), "IBM", fileSteps);
        if (!r.ok()) {
          EXPECT_NE(r.message.find("The Symbol deletion failed."), std::string::npos);
        }
        return r.ok();
      });
  EXPECT_GE(steps, 7u);
}

TEST(ResolveSymbolTest, FindsAsTheLookupDoesAndGivesTheListText) {
  TempDir tmp;
  PortfolioBuilder p(tmp.root());
  p.Add(SecurityEntry(1, "BRK A", "BERKSHIRE")).Add(MasterEntry::Directory("SUB"));
  p.WriteMaster();
  PortfolioBuilder sub(tmp / "SUB");
  sub.Add(SecurityEntry(4, "IBM"));
  sub.WriteMaster();
  const ResolvedSymbol brk = ResolveSymbol(tmp.str(), "brk a");
  ASSERT_EQ(brk.result, LIB_OK);
  EXPECT_EQ(brk.listText, "BRK");
  EXPECT_EQ(brk.masterPath, tmp.str() + "/MASTER");
  const ResolvedSymbol ibm = ResolveSymbol(tmp.str(), "ibm");
  ASSERT_EQ(ibm.result, LIB_OK);
  EXPECT_EQ(ibm.masterPath, tmp.str() + "/SUB/MASTER");
  EXPECT_EQ(ResolveSymbol(tmp.str(), "NONE").result, LIB_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace quillet
