#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/edit/quote_commands.h"
#include "core/edit/rewrite.h"
#include "core/messages/edit.h"
#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::CliResult;
using testing::DailyRows;
using testing::DatRow;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::Row28;
using testing::RunCli;
using testing::SnapshotTree;
using testing::TempDir;

// Thursday 6, Monday 10, Tuesday 11, Wednesday 12 January 2000; AAA has all
// fields, NOI (24-byte records) no open interest.
class EditCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int d : {6, 10, 11, 12}) {
      const auto v = static_cast<float>(d);
      rows_.push_back(
          Row28(DayFromYmd(2000, 1, static_cast<int16_t>(d)), v, v + 1, v - 1, v, 1000 + v, 50));
    }
    std::vector<DatRow> noOi = rows_;
    for (DatRow& r : noOi) r.resize(6);
    builder_.AddSeries(1, "AAA", "Alpha", rows_).AddSeries(2, "NOI", "No OI", noOi, 24, 6);
    builder_.WriteMaster();
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, tmp_.str());
    return RunCli(args);
  }
  std::vector<uint8_t> Dat(int n = 1) const {
    return ReadBytes(tmp_ / ("F" + std::to_string(n) + ".DAT"));
  }

  TempDir tmp_;
  PortfolioBuilder builder_{tmp_.root()};
  std::vector<DatRow> rows_;
};

TEST_F(EditCliTest, InvalidInputExitsTwoAndTouchesNothing) {
  const std::string invalid = std::string(messages::kInvalidDataEntered) + "\n";
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  // The commands' own checks against the quotes; the core's tables hold the rest.
  const Case cases[] = {
      {{"edit", "AAA", "01/10/00", "N/A", "2", "3", "4", "5", "6"}, invalid},
      {{"edit", "AAA", "01/07/00", "1", "2", "3", "4", "5", "6"}, invalid},  // no such quote
      {{"split", "AAA", "01/13/00", "2", "1"}, invalid},  // after the newest quote
      {{"adjust", "AAA", "01/06/00", "01/13/00", "1", "1", "1"}, invalid},
      {{"delete", "AAA", "01/07/00"}, invalid},
      {{"add", "AAA", "01/11/00"}, "Date 01/10/00 already exists.\n"},
      {{"split", "AAA", "01/10/00", "2"}, ""},  // a missing argument
  };
  const auto before = SnapshotTree(tmp_.root());
  for (const Case& c : cases) {
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[2];
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err) << c.args[0] << " " << c.args[2];
    }
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(SnapshotTree(tmp_.root()), before);
  }
}

TEST_F(EditCliTest, EditReplacesTheHeldFieldsOfTheDay) {
  ASSERT_EQ(Run({"edit", "AAA", "01/10/00", "1", "2", "3", "4.5", "500", "7"}).status, 0);
  std::vector<DatRow> expected = rows_;
  expected[1] = Row28(DayFromYmd(2000, 1, 10), 1, 2, 3, 4.5f, 500, 7);
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
  EXPECT_TRUE(std::filesystem::exists(tmp_ / "F1.BAK"));
  // A field the file does not hold may be given as N/A.
  EXPECT_EQ(Run({"edit", "NOI", "01/10/00", "1", "2", "3", "4", "5", "N/A"}).status, 0);
}

TEST_F(EditCliTest, SplitAndAdjustScaleAsTheDialogsAsk) {
  ASSERT_EQ(Run({"split", "AAA", "01/11/00", "2", "1"}).status, 0);
  std::vector<DatRow> expected = rows_;
  for (size_t r = 0; r < 2; ++r) {
    for (size_t k = 1; k <= 4; ++k) expected[r][k] *= 0.5f;
    for (size_t k = 5; k <= 6; ++k) expected[r][k] *= 2.0f;
  }
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));

  ASSERT_EQ(Run({"adjust", "AAA", "01/12/00", "01/12/00", "10", "3", "0.5"}).status, 0);
  for (size_t k = 1; k <= 4; ++k) expected[3][k] *= 10.0f;
  expected[3][5] *= 3.0f;
  expected[3][6] *= 0.5f;
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
}

TEST_F(EditCliTest, AddPrintsTheNewDateAndDeleteRemovesIt) {
  const CliResult add = Run({"add", "AAA", "01/10/00"});
  ASSERT_EQ(add.status, 0) << add.err;
  EXPECT_EQ(add.out, "01/07/00\n");
  std::vector<DatRow> expected = rows_;
  DatRow copy = rows_[1];
  copy[0] = DateValueFromDay(DayFromYmd(2000, 1, 7));
  expected.insert(expected.begin() + 1, copy);
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));

  ASSERT_EQ(Run({"delete", "AAA", "01/12/00"}).status, 0);
  expected.pop_back();
  EXPECT_EQ(Dat(), PortfolioBuilder::DatBytes(28, expected));
}

TEST_F(EditCliTest, AFailedRewriteExitsOneWithTheCommandsMessage) {
  // A folder in the working file's place: it cannot be created, even by root.
  std::filesystem::create_directory(tmp_ / "F1.NEW");
  const auto before = SnapshotTree(tmp_.root());
  const CliResult r = Run({"edit", "AAA", "01/10/00", "1", "2", "3", "4", "5", "6"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), messages::kSingleDateEditFailed);
  EXPECT_EQ(Dat(), before.at("F1.DAT"));

  const CliResult missing = Run({"delete", "ZZZ", "01/10/00"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.substr(0, missing.err.find('\n')), messages::kDeleteEditFailed);
}

// The commands on copies of a real database change the files exactly as the
// same core request does.
TEST(EditCliRealDataTest, SplitOnARealCopyMatchesTheCore) {
  const std::filesystem::path real = testing::RealDataDir();
  if (real.empty()) GTEST_SKIP() << "no real data";
  TempDir viaCli, viaCore;
  for (const TempDir* d : {&viaCli, &viaCore}) {
    for (const char* name : {"MASTER", "F1.DAT", "F2.DAT"}) {
      std::filesystem::copy_file(real / "equis_a" / name, d->root() / name);
    }
  }
  SeriesData series;
  ASSERT_EQ(ReadWholeSeries(viaCore.str(), ".DJX", series), LIB_OK);
  ASSERT_GE(series.quotes.size(), 2u);
  const std::string first = FormatDate(series.quotes.front().date);
  const std::string last = FormatDate(series.quotes.back().date);

  const CliResult r = RunCli({"split", viaCli.str(), ".DJX", last, "3", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  QuoteChange change;
  ASSERT_TRUE(MakeSplitChange({last, "3", "1"}, first, last, change).ok());
  ASSERT_TRUE(RewriteSeries(viaCore.str(), (viaCore / "MASTER").string(), change, ".DJX").ok());
  EXPECT_EQ(SnapshotTree(viaCli.root()), SnapshotTree(viaCore.root()));
  EXPECT_NE(ReadBytes(viaCli / "F1.DAT"), ReadBytes(real / "equis_a" / "F1.DAT"));
}

}  // namespace
}  // namespace quillet
