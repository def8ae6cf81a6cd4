#include "core/portfolio/load.h"

#include <gtest/gtest.h>

#include "core/messages/portfolio.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::SecurityEntry;

class Prompt : public RepairPrompt {
 public:
  explicit Prompt(bool answer) : answer_(answer) {}
  bool Confirm(const std::string&) override { return ++questions, answer_; }
  void Dropped(const std::string&) override {}
  int questions = 0;

 private:
  bool answer_;
};

// Each way of loading a sound, damaged or missing MASTER: what comes back, whether
// the question was asked, and whether any file changed (only a repair writes).
TEST(LoadPortfolio, RefuseAskOrRepair) {
  const std::string grid1 = messages::kFailureFillingSymbolsGrid1;
  struct Case {
    const char* name;
    bool damaged, present;
    DamagedMaster onDamage;
    int prompt;  // -1 none, 0 answers no, 1 answers yes
    bool ok;
    int questions;
    bool filesChange;
  };
  const Case cases[] = {
      {"sound", false, true, DamagedMaster::Refuse, -1, true, 0, false},
      {"damaged, refused", true, true, DamagedMaster::Refuse, 1, false, 0, false},
      {"damaged, no prompt to repair with", true, true, DamagedMaster::Repair, -1, false, 0, false},
      {"damaged, declined", true, true, DamagedMaster::Ask, 0, false, 1, false},
      {"damaged, repaired after the question", true, true, DamagedMaster::Ask, 1, true, 1, true},
      {"damaged, repaired without a question", true, true, DamagedMaster::Repair, 0, true, 0, true},
      {"no MASTER", false, false, DamagedMaster::Repair, 1, false, 0, false},
  };
  for (const Case& c : cases) {
    testing::TempDir tmp;
    testing::PortfolioBuilder b(tmp.root());
    b.Add(SecurityEntry(2, "MSFT", "MICROSOFT")).Add(SecurityEntry(1, "IBM", "IBM CORP"));
    if (c.present) b.WriteMaster(c.damaged ? std::optional<int16_t>(3) : std::nullopt);
    const auto before = testing::SnapshotTree(tmp.root());
    const std::string masterPath = MasterPathOf(tmp.str());
    Prompt prompt(c.prompt == 1);
    const PortfolioLoad load =
        LoadPortfolio(masterPath, c.onDamage, c.prompt < 0 ? nullptr : &prompt);

    EXPECT_EQ(load.ok(), c.ok) << c.name;
    EXPECT_EQ(prompt.questions, c.questions) << c.name;
    EXPECT_EQ(testing::SnapshotTree(tmp.root()) != before, c.filesChange) << c.name;
    if (c.ok) {
      ASSERT_EQ(load.list.rows.size(), 2u) << c.name;
      EXPECT_EQ(load.list.rows[0].symbol, "IBM");  // list order
      EXPECT_TRUE(load.message.empty() && load.detail.empty()) << c.name;
      continue;
    }
    EXPECT_TRUE(load.list.rows.empty()) << c.name;
    EXPECT_EQ(load.message, grid1) << c.name;
    // The reason: the unreadable file, the failed test, or nothing when the user said no.
    const std::string detail = !c.present ? load.check.Describe(masterPath)
                               : c.questions != 0
                                   ? ""
                                   : messages::Damaged(load.check.Describe(masterPath));
    EXPECT_EQ(load.detail, detail) << c.name;
  }
}

TEST(SetPortfolioFolder, AFolderOrWhyNot) {
  testing::TempDir tmp;
  testing::WriteBytes(tmp / "file", {1});
  const std::filesystem::path deep = tmp / std::string(200, 'a') / std::string(120, 'b');
  std::filesystem::create_directories(deep);
  struct Case {
    std::string dir;
    LibResult code;
    std::string message;
  };
  const Case cases[] = {
      {tmp.str(), LIB_OK, ""},
      {(tmp / "file").string(), LIB_FILE_NOT_FOUND, messages::NotAFolder((tmp / "file").string())},
      {(tmp / "none").string(), LIB_FILE_NOT_FOUND, messages::NotAFolder((tmp / "none").string())},
      {deep.string(), LIB_INVALID_PARM, messages::kFilePathNameTooLong},
  };
  for (const Case& c : cases) {
    CurrentPortfolio current;
    current.masterPath = "before";
    const Outcome r = SetPortfolioFolder(c.dir, current);
    EXPECT_EQ(r.code, c.code) << c.dir;
    EXPECT_EQ(r.message, c.message) << c.dir;
    EXPECT_EQ(current.masterPath, r.ok() ? MasterPathOf(c.dir) : "before") << c.dir;
  }
}

}  // namespace
}  // namespace quillet
