#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::RunCli;

class ReadCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PortfolioBuilder b(tmp_.root());
    b.AddSeries(1, "IBM", "INTL BUS MACH",
                {testing::Row28(14247, 10.5f, 11.0f, 10.25f, 10.75f, 15300.0f, 12.0f),
                 testing::Row28(14248, 10.75f, 11.5f, 10.5f, 11.25f, 20000.0f, 0.0f),
                 testing::Row28(14249, -2.0f, 12.0f, 11.0f, 11.5f, 1e9f, 3.0f)});
    b.AddSeries(2, "DC", "DATE CLOSE", {{1000103.0f, 5.0f}, {1000104.0f, 6.0f}}, 18, 2);
    b.WriteMaster();
    before_ = testing::SnapshotTree(tmp_.root());
  }
  void TearDown() override { EXPECT_EQ(testing::SnapshotTree(tmp_.root()), before_); }  // read-only
  testing::TempDir tmp_;
  testing::TreeSnapshot before_;
};

TEST_F(ReadCommands, QuotesNewestFirstWithTheGridTexts) {
  const auto r = RunCli({"quotes", tmp_.str(), "ibm"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "01/05/00\tN/A\t12.0000\t11.0000\t11.5000\t1000000000\t3\n"
            "01/04/00\t10.7500\t11.5000\t10.5000\t11.2500\t20000\t0\n"
            "01/03/00\t10.5000\t11.0000\t10.2500\t10.7500\t15300\t12\n");
  const auto oldest = RunCli({"quotes", tmp_.str(), "IBM", "--oldest-first"});
  EXPECT_EQ(oldest.out.substr(0, 8), "01/03/00");
  const auto twoFields = RunCli({"quotes", tmp_.str(), "DC"});
  EXPECT_EQ(
      twoFields.out,
      "01/04/00\tN/A\tN/A\tN/A\t6.0000\tN/A\tN/A\n01/03/00\tN/A\tN/A\tN/A\t5.0000\tN/A\tN/A\n");
  const auto json = RunCli({"--json", "quotes", tmp_.str(), "DC"});
  EXPECT_NE(json.out.find("\"close\": \"6.0000\""), std::string::npos) << json.out;
}

TEST_F(ReadCommands, Facts) {
  const auto r = RunCli({"facts", tmp_.str(), "IBM"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Number of quotes\t3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("First date in file*\t1000103\n"), std::string::npos);
  EXPECT_NE(r.out.find("Data format\tD Daily\n"), std::string::npos);
  EXPECT_NE(r.out.find("Close Display\tWhole Num.\n"), std::string::npos);
  EXPECT_NE(r.out.find("Time Input\t\n"), std::string::npos);
}

TEST_F(ReadCommands, FailuresAndUsage) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"quotes", tmp_.str() + "/missing", "IBM"}, 1, "No MASTER file can be read"},
      {{"quotes", tmp_.str(), "IBM", "--bogus"}, 2, "unknown option --bogus"},
      {{"frobnicate"}, 2, "unknown command"},
      {{}, 2, ""},
  };
  for (const Case& c : cases) {
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunCli({"--help"}).status, 0);
  EXPECT_EQ(RunCli({"quotes", "--help"}).status, 0);
  EXPECT_NE(RunCli({"--version"}).out.find("quillet-cli"), std::string::npos);
}

}  // namespace
}  // namespace quillet
