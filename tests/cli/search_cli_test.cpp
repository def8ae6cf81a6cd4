#include <gtest/gtest.h>

#include "core/base/quote_date.h"
#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempDir;

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class SearchCli : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioBuilder p(dir / "PF");
    auto rows = testing::DailyRows(DayFromYmd(99, 5, 24), 4);
    rows[3] = testing::Row28(DayFromYmd(99, 5, 27), 5, 5.2f, 4.8f, 5, 1000, 0);
    rows[2][4] = 10.0f;
    rows[2][3] = 9.5f;
    p.AddSeries(1, "XYZ", "XYZ CORP", rows);
    p.AddSeries(2, "ABC", "ABC ONE", testing::DailyRows(DayFromYmd(99, 5, 3), 1));
    p.WriteMaster();
    pf = (dir / "PF").string();
  }
  TempDir dir;
  std::string pf;
};

TEST_F(SearchCli, SplitSearchPrintsLinesAndSavesThemWithCrLf) {
  const auto r = RunCli({"split-search", pf, "-o", (dir / "result.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "XYZ possible 2 for 1 split on 05/27/99\n");
  // ABC comes first in the list and has one quote.
  EXPECT_EQ(
      r.err,
      "For symbol ABC\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.\n");
  EXPECT_EQ(Text(ReadBytes(dir / "result.txt")), "XYZ possible 2 for 1 split on 05/27/99\r\n");
}

TEST_F(SearchCli, SplitSearchCannotSaveSaysSoAndWritesNothing) {
  const auto r = RunCli({"split-search", pf, "-o", (dir / "no" / "result.txt").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("could not be saved"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST_F(SearchCli, SplitSearchReadErrorAndUsage) {
  std::filesystem::remove(dir / "PF" / "F1.DAT");
  const auto r = RunCli({"split-search", pf});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error in SplitSearch bars read"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Done search"), std::string::npos);
  EXPECT_EQ(RunCli({"split-search"}).status, 2);
}

TEST_F(SearchCli, ExportWritesTheFileAndRefusesToReplaceWithoutForce) {
  const std::string out = (dir / "out.csv").string();
  auto r =
      RunCli({"export", pf, "xyz", out, "--columns", "close", "--delimiter", "tab", "--title"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected =
      "DATE\tCLOSE\r\n05/24/99\t10.5000\r\n05/25/99\t10.7500\r\n"
      "05/26/99\t10.0000\r\n05/27/99\t5.0000\r\n";
  EXPECT_EQ(Text(ReadBytes(out)), expected);

  r = RunCli({"export", pf, "XYZ", out, "--newest-first"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, out + "\nThis file already exists\n\nReplace existing file?\n");
  EXPECT_EQ(Text(ReadBytes(out)), expected);

  r = RunCli({"export", pf, "XYZ", out, "--newest-first", "--force", "--columns", ""});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Text(ReadBytes(out)), "05/27/99\r\n05/26/99\r\n05/25/99\r\n05/24/99\r\n");
}

TEST_F(SearchCli, ExportFailuresAndInvalidInput) {
  const std::string out = (dir / "out.csv").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"export", pf, "XYZ", out, "--delimiter", "semicolon"}, 2, "unknown delimiter"},
      {{"export", pf, "XYZ", out, "--columns", "open,price"}, 2, "unknown column"},
      {{"export", pf, "NOPE", out}, 1, "Symbol NOPE was not found"},
      {{"export", pf, "XYZ", (dir / "no" / "out.csv").string()}, 1, "file export error"},
  };
  for (const Case& c : cases) {
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
}  // namespace quillet
