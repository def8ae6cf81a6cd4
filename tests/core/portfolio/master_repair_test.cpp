#include "core/portfolio/master_repair.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/mbf.h"
#include "core/messages/portfolio.h"
#include "support/crash_points.h"
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

// Each row damages the nine sound records S1..S9 (file numbers 1..9) and
// gives the bytes the repair must write: records kept in order, a missing
// symbol taken from the name, the header count set to the records written and
// every other header byte (the second counter too, unless at 255) as it was.
TEST_F(RepairTest, RepairsEachKindOfDamage) {
  using Bytes = std::vector<uint8_t>;
  const Bytes sound = builder_.MasterBytes();
  const auto records = [&](const Bytes& from, std::initializer_list<int> ks) {
    Bytes out(from.begin(), from.begin() + 53);
    for (int k : ks) out.insert(out.end(), from.begin() + k * 53, from.begin() + (k + 1) * 53);
    StoreInt16(static_cast<int16_t>(ks.size()), out.data());
    return out;
  };
  const struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::function<Bytes(const Bytes&)> expected;  // from the damaged bytes
    int dropped;
  } cases[] = {
      {"header count too high", [](Bytes& b) { StoreInt16(10, b.data()); },
       [&](const Bytes& d) {
         return records(d, {1, 2, 3, 4, 5, 6, 7, 8, 9});
       },
       0},
      {"trailing bytes", [](Bytes& b) { b.resize(b.size() + 20, 0xAB); },
       [&](const Bytes& d) {
         return records(d, {1, 2, 3, 4, 5, 6, 7, 8, 9});
       },
       0},
      {"file number 5 twice: the later goes; the second counter stays",
       [](Bytes& b) {
         b[3 * 53] = 5;
         b[8 * 53] = 5;
         b[5 * 53] = 12;
         StoreInt16(77, &b[2]);
       },
       [&](const Bytes& d) {
         return records(d, {1, 2, 3, 4, 5, 6, 7, 9});
       },
       1},
      {"blank symbol gets the name", [](Bytes& b) { std::memset(&b[4 * 53 + 36], ' ', 16); },
       [&](const Bytes& d) {
         Bytes e = records(d, {1, 2, 3, 4, 5, 6, 7, 8, 9});
         std::memcpy(&e[4 * 53 + 36], &d[4 * 53 + 7], 16);
         return e;
       },
       0},
      {"neither symbol nor name: dropped, its number left free",
       [](Bytes& b) {
         std::memset(&b[2 * 53 + 36], ' ', 16);
         std::memset(&b[2 * 53 + 7], ' ', 16);
         std::memset(&b[6 * 53 + 36], 0, 16);
         b[6 * 53 + 7] = ' ';  // a name that starts with a blank gives no symbol either
         b[9 * 53] = 2;
       },
       [&](const Bytes& d) {
         return records(d, {1, 3, 4, 5, 7, 8, 9});
       },
       2},
      {"both counters at 255: the second goes down with the records dropped",
       [](Bytes& b) {
         for (int k = 2; k <= 9; ++k) std::memset(&b[k * 53 + 7], ' ', 45);
         StoreInt16(255, b.data());
         StoreInt16(255, &b[2]);
       },
       [&](const Bytes& d) {
         Bytes e = records(d, {1});
         StoreInt16(247, &e[2]);
         return e;
       },
       8},
  };
  for (const Case& c : cases) {
    Bytes damaged = sound;
    c.damage(damaged);
    testing::WriteBytes(master(), damaged);
    std::filesystem::remove(tmp_ / "MASTER.bak");
    FakePrompt prompt;
    const RepairResult r = RepairMasterFile(master(), true, prompt);
    ASSERT_TRUE(r.repaired) << c.what << ": " << r.message;
    EXPECT_TRUE(prompt.questions.empty());  // automatic repair asks nothing
    EXPECT_EQ(r.dropped, c.dropped) << c.what;
    EXPECT_EQ(prompt.reports.size(), static_cast<size_t>(c.dropped)) << c.what;
    EXPECT_EQ(ReadBytes(master()), c.expected(damaged)) << c.what;
    EXPECT_EQ(r.written, 9 - c.dropped);
    EXPECT_EQ(ReadBytes(tmp_ / "MASTER.bak"), damaged) << c.what;
    EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.tmp"));
    EXPECT_TRUE(TestMasterFile(master()).Sound()) << c.what;
  }
}

// The question, then each dropped record by name, symbol and file; an earlier
// backup (found whatever its letter case) is the one kept.
TEST_F(RepairTest, ADroppedRecordIsReportedAndAnEarlierBackupKept) {
  auto bytes = builder_.MasterBytes();
  bytes[8 * 53] = 5;
  testing::WriteBytes(master(), bytes);
  testing::WriteBytes(tmp_ / "master.BAK", {1, 2, 3});
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
  EXPECT_FALSE(r.backupMade);
  EXPECT_EQ(ReadBytes(tmp_ / "master.BAK"), std::vector<uint8_t>({1, 2, 3}));
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.bak"));
}

// Only a regular file is an earlier backup: over a dangling link, a folder or a
// link to another file the repair does not start (no copy of the MASTER exists).
TEST_F(RepairTest, ABackupNameTakenByALinkOrAFolderIsRefused) {
  auto bytes = builder_.MasterBytes();
  bytes[8 * 53] = 5;
  testing::WriteBytes(master(), bytes);
  testing::WriteBytes(tmp_ / "OTHER", {1, 2, 3});
  const std::filesystem::path backup = tmp_ / "MASTER.bak";
  for (const auto& take : std::vector<std::function<void()>>{
           [&] { std::filesystem::create_symlink(tmp_ / "gone", backup); },
           [&] { std::filesystem::create_directory(backup); },
           [&] { std::filesystem::create_symlink(tmp_ / "OTHER", backup); }}) {
    std::filesystem::remove_all(backup);
    take();
    FakePrompt prompt;
    const RepairResult r = RepairMasterFile(master(), true, prompt);
    EXPECT_FALSE(r.repaired);
    EXPECT_NE(r.message.find("MASTER.bak is not a plain file"), std::string::npos) << r.message;
    EXPECT_EQ(ReadBytes(master()), bytes);
    EXPECT_EQ(ReadBytes(tmp_ / "OTHER"), std::vector<uint8_t>({1, 2, 3}));
  }
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
