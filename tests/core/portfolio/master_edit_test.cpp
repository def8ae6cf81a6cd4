#include "core/portfolio/master_edit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/base/quote_date.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::DailyRows;
using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::SnapshotTree;
using testing::TempDir;

class MasterEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // File 1 twice (two entries of one file number), file 2, and a <DIR> entry
    // whose first byte also reads 1.
    MasterEntry dir = MasterEntry::Directory("SUB");
    dir.fileNumber = 1;
    top_.Add({1, "AAA", "Alpha"}).Add({2, "BBB", "Beta"}).Add(dir).Add({1, "AAA2", "Alpha again"});
    top_.WriteMaster();
    sub_.Add({1, "SUBSEC", "In Sub"}).WriteMaster();
  }
  std::string Master() const { return (tmp_ / "MASTER").string(); }

  TempDir tmp_;
  PortfolioBuilder top_{tmp_.root()};
  PortfolioBuilder sub_{tmp_ / "SUB"};
};

// Only the security entries of the file number change (records 1 and 4, never
// the <DIR> entry whose first byte also reads 1); the backup holds the state
// before the last call only.
TEST_F(MasterEditTest, DatesAndNamesGoIntoEverySecurityEntryOfTheFile) {
  const std::vector<uint8_t> before = ReadBytes(tmp_ / "MASTER");
  const MbfFloat date = DateFieldFromDay(DayFromYmd(2001, 2, 3));
  ASSERT_EQ(SetMasterDate(tmp_.str(), Master(), "AAA", date, 1, MasterDate::First), LIB_OK);
  std::vector<uint8_t> expected = before;
  for (int record : {1, 4}) std::memcpy(&expected[53 * record + kMasterFirstDate], date.data(), 4);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER"), expected);
  const std::vector<uint8_t> afterFirst = expected;
  ASSERT_EQ(SetMasterDate(tmp_.str(), Master(), "AAA", date, 1, MasterDate::Last), LIB_OK);
  for (int record : {1, 4}) std::memcpy(&expected[53 * record + kMasterLastDate], date.data(), 4);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER"), expected);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER.BAK"), afterFirst);

  ASSERT_EQ(RenameMasterEntry(tmp_.str(), Master(), "aaa", "Z", ""), LIB_OK);
  for (int record : {1, 4}) {
    std::memcpy(&expected[53 * record + kMasterName], "                ", 16);
    std::memcpy(&expected[53 * record + kMasterSymbol], "Z               ", 16);
  }
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER"), expected);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "MASTER.NEW"));
}

TEST_F(MasterEditTest, ChangesTheMasterWhereTheSecurityWasFound) {
  const std::vector<uint8_t> top = ReadBytes(tmp_ / "MASTER");
  const std::vector<uint8_t> sub = ReadBytes(tmp_ / "SUB" / "MASTER");
  ASSERT_EQ(RenameMasterEntry(tmp_.str(), Master(), "SUBSEC", "NEW", "Renamed"), LIB_OK);
  EXPECT_EQ(ReadBytes(tmp_ / "MASTER"), top);
  std::vector<uint8_t> expected = sub;
  std::memcpy(&expected[53 + kMasterName], "Renamed         ", 16);
  std::memcpy(&expected[53 + kMasterSymbol], "NEW             ", 16);
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "MASTER"), expected);
  EXPECT_EQ(ReadBytes(tmp_ / "SUB" / "MASTER.BAK"), sub);
}

TEST_F(MasterEditTest, RefusalsChangeNothing) {
  const auto before = SnapshotTree(tmp_.root());
  EXPECT_EQ(RenameMasterEntry(tmp_.str(), Master(), "NOPE", "X", "Y"), LIB_FILE_NOT_FOUND);
  EXPECT_EQ(RenameMasterEntry(tmp_.str(), Master(), "AAA", "SEVENTEEN-CHARS!!", "Y"),
            LIB_INVALID_PARM);
  EXPECT_EQ(SetMasterDate(tmp_.str(), Master(), "AAA", DateFieldFromDay(5), 9, MasterDate::First),
            LIB_RECORD_NOT_FOUND);
  EXPECT_EQ(SnapshotTree(tmp_.root()), before);
}

}  // namespace
}  // namespace quillet
