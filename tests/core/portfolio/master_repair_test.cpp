#include "core/portfolio/master_repair.h"

#include <cstring>
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
using testing::ReadBytes;
using testing::TempDir;

class FakePrompt : public RepairPrompt {
 public:
  explicit FakePrompt(bool answer = true) : answer_(answer) {}
  bool Confirm(const std::string& message) override {
    questions.push_back(message);
    return answer_;
  }
  void Dropped(const std::string& message) override { reports.push_back(message); }
  std::vector<std::string> questions;
  std::vector<std::string> reports;

 private:
  bool answer_;
};

using testing::SecurityEntry;

std::vector<uint8_t> Record(const std::vector<uint8_t>& master, int k) {
  return {master.begin() + k * 53, master.begin() + (k + 1) * 53};
}

class RepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 1; i <= 9; ++i) {
      builder_.Add(SecurityEntry(static_cast<uint8_t>(i), "S" + std::to_string(i),
                                 "NAME " + std::to_string(i)));
    }
  }
  std::string master() const { return (tmp_ / "MASTER").string(); }
  TempDir tmp_;
  PortfolioBuilder builder_{tmp_.root()};
};

TEST_F(RepairTest, DeclinedChangesNothing) {
  builder_.WriteMaster(10);
  const auto before = testing::SnapshotTree(tmp_.root());
  FakePrompt no(false);
  const RepairResult r = RepairMasterFile(master(), false, no);
  EXPECT_TRUE(r.declined);
  EXPECT_FALSE(r.repaired);
  ASSERT_EQ(no.questions.size(), 1u);
  EXPECT_EQ(no.questions[0], "The Master file\n" + master() +
                                 "\nappears corrupted.\n\nShould Quillet try to repair this file "
                                 "now?\n\nIf Yes, your exisitng Master file will be saved\nas file "
                                 "Master.bak\n\n");
  EXPECT_EQ(testing::SnapshotTree(tmp_.root()), before);
}

TEST_F(RepairTest, HeaderCountTooHighIsSetToTheRecordsWritten) {
  builder_.WriteMaster(10);
  const auto old = ReadBytes(master());
  FakePrompt prompt;
  const RepairResult r = RepairMasterFile(master(), true, prompt);
  ASSERT_TRUE(r.repaired) << r.message;
  EXPECT_TRUE(prompt.questions.empty());  // automatic repair asks nothing
  EXPECT_TRUE(prompt.reports.empty());
  EXPECT_EQ(r.written, 9);
  std::vector<uint8_t> expected = old;
  StoreInt16(9, expected.data());
  EXPECT_EQ(ReadBytes(master()), expected);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER.bak"), old);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.tmp"));
  EXPECT_TRUE(TestMasterFile(master()).Sound());
}

TEST_F(RepairTest, RecordWithNeitherSymbolNorNameIsDroppedSoTheFilePassesTheTests) {
  builder_.Add(SecurityEntry(10, "", ""));                // all blanks
  builder_.Add(SecurityEntry(11, "", " LEADING BLANK"));  // the name gives no symbol either
  builder_.Add(SecurityEntry(10, "TEN", "TEN AGAIN"));    // its file number stays free
  builder_.WriteMaster();
  FakePrompt prompt;
  const RepairResult r = RepairMasterFile(master(), true, prompt);
  ASSERT_TRUE(r.repaired) << r.message;
  EXPECT_EQ(r.written, 10);
  EXPECT_EQ(r.dropped, 2);
  EXPECT_EQ(prompt.reports.size(), 2u);
  EXPECT_TRUE(TestMasterFile(master()).Sound());
  const auto after = ReadBytes(master());
  ASSERT_EQ(after.size(), 11u * 53);
  EXPECT_EQ(after[10 * 53], 10);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&after[10 * 53 + 36]), 3), "TEN");
}

TEST_F(RepairTest, LaterRecordOfAFileNumberIsDroppedAndReported) {
  // Records 3 and 8 both use file number 5; the second counter is never touched.
  auto bytes = builder_.MasterBytes();
  bytes[3 * 53] = 5;
  bytes[8 * 53] = 5;
  bytes[5 * 53] = 12;
  StoreInt16(77, &bytes[2]);
  testing::WriteBytes(master(), bytes);
  FakePrompt prompt;
  const RepairResult r = RepairMasterFile(master(), false, prompt);
  ASSERT_TRUE(r.repaired);
  EXPECT_EQ(prompt.questions.size(), 1u);
  ASSERT_EQ(prompt.reports.size(), 1u);
  EXPECT_EQ(prompt.reports[0],
            "An error was found with the item named\n\nNAME 8          \nor\nS8              \n\n"
            "This item is file F5.DAT\n\nWrite this information down now. When repair is complete\n"
            "consult the Fixing Bad Master topic in the Quillet Help\nfile to ensure that your "
            "repair was done correctly.");
  const auto after = ReadBytes(master());
  ASSERT_EQ(after.size(), 9u * 53);
  EXPECT_EQ(LoadInt16(&after[0]), 8);
  EXPECT_EQ(LoadInt16(&after[2]), 77);
  EXPECT_EQ(Record(after, 3), Record(bytes, 3));
  EXPECT_EQ(Record(after, 8), Record(bytes, 9));
}

TEST_F(RepairTest, RecordWithoutSymbolGetsItsNameAndTrailingBytesGo) {
  auto bytes = builder_.MasterBytes();
  std::memset(&bytes[4 * 53 + 36], ' ', 16);
  bytes.resize(bytes.size() + 20, 0xAB);
  testing::WriteBytes(master(), bytes);
  FakePrompt prompt;
  ASSERT_TRUE(RepairMasterFile(master(), true, prompt).repaired);
  const auto after = ReadBytes(master());
  ASSERT_EQ(after.size(), 10u * 53);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&after[4 * 53 + 36]), 16),
            "NAME 4          ");
  EXPECT_TRUE(TestMasterFile(master()).Sound());
  EXPECT_TRUE(prompt.reports.empty());
}

TEST_F(RepairTest, AnEarlierBackupIsKept) {
  builder_.WriteMaster(10);
  const std::vector<uint8_t> earlier{1, 2, 3};
  testing::WriteBytes(tmp_ / "master.BAK", earlier);  // found whatever its letter case
  FakePrompt prompt;
  const RepairResult r = RepairMasterFile(master(), true, prompt);
  ASSERT_TRUE(r.repaired);
  EXPECT_FALSE(r.backupMade);
  EXPECT_EQ(ReadBytes(tmp_ / "master.BAK"), earlier);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.bak"));
}

TEST_F(RepairTest, AFailureAtAnyFileStepLeavesTheFolderAsItWas) {
  FakePrompt prompt;
  const size_t steps = testing::ExpectEachStepFailureSafe(
      tmp_.root(), [&] { builder_.WriteMaster(10); },
      [&] {
        const RepairResult r = RepairMasterFile(master(), true, prompt);
        if (!r.repaired) {
          EXPECT_FALSE(r.message.empty());
        }
        return r.repaired;
      });
  EXPECT_GE(steps, 6u);
}

TEST(CheckMasterFileTest, RealDataWithADuplicatedRecordIsRepairedBackToTheOriginal) {
  const auto real = testing::RealDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data here";
  TempDir tmp;
  const auto original = ReadBytes(real / "bbfinance" / "MASTER");
  ASSERT_EQ(original.size(), 41u * 53);
  auto damaged = original;
  damaged.insert(damaged.end(), original.begin() + 5 * 53, original.begin() + 6 * 53);
  testing::WriteBytes(tmp / "MASTER", damaged);
  const std::string master = (tmp / "MASTER").string();
  EXPECT_EQ(TestMasterFile(master).damage, MasterDamage::Size);
  FakePrompt prompt;
  const CheckResult r = CheckMasterFile(master, true, prompt);
  ASSERT_TRUE(r.sound);
  EXPECT_EQ(prompt.reports.size(), 1u);
  EXPECT_EQ(ReadBytes(tmp / "MASTER"), original);  // N 40, second counter 44, records as they were
  EXPECT_EQ(ReadBytes(tmp / "MASTER.bak"), damaged);
}

}  // namespace
}  // namespace quillet
