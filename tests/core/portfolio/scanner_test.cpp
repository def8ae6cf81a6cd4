#include "core/portfolio/scanner.h"

#include <sys/mount.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/strings.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::TempDir;
namespace stdfs = std::filesystem;

struct FilterCase {
  bool limit;
  const char* filter;
  const char* path;
  bool passes;
  bool lists;
};

TEST(SearchFilterTest, BothSubstringDirectionsAndTheShortRoot) {
  const FilterCase cases[] = {
      {true, "C:\\DATA\\MS", "C:\\DATA", true, true},           // on the way down
      {true, "C:\\DATA\\MS", "C:\\DATA\\MS", true, true},       // the filter path itself
      {true, "C:\\DATA\\MS", "C:\\DATA\\MS\\SUB", true, true},  // below it
      {true, "C:\\DATA\\MS", "C:\\GAMES", false, false},
      {true, "C:\\DATA\\MS", "C:", true, false},  // root: passes, listed only if F occurs in it
      {true, "MS", "C:\\DATA\\MS", true, true},   // a fragment
      {true, "MS", "C:\\DATA", false, false},
      {true, "MS", "C:", false, false},
      {true, "", "C:", true, true},         // an empty filter occurs everywhere
      {false, "", "C:", true, true},        // limit off: the empty filter text occurs in "C:"
      {false, "X:\\Q", "C:", true, false},  // limit off: still only if the text occurs
      {false, "X:\\Q", "C:\\ANY", true, true},
      {true, "/DATA/MS", "/", true, false},
      {true, "/DATA/MS", "/DATA", true, true},
      {true, "/DATA/MS", "/DAT", true, true},  // plain substrings, not path components
      {true, "/", "/", true, true},
  };
  for (const FilterCase& c : cases) {
    const SearchFilter filter{c.limit, c.filter};
    EXPECT_EQ(PassesSearchFilter(c.path, filter), c.passes) << c.filter << " / " << c.path;
    EXPECT_EQ(ListsFolder(c.path, filter), c.lists) << c.filter << " / " << c.path;
  }
}

// A folder holding a MASTER file.
void MakePortfolio(const stdfs::path& dir, const char* masterName = "MASTER") {
  stdfs::create_directories(dir);
  testing::WriteBytes(dir / masterName, std::vector<uint8_t>(53, 0));
}

std::string Folder(const TempDir& tmp, const std::string& relative) {
  return tmp.str() + "/" + relative + (relative.empty() ? "" : "/");
}

SearchFilter Limit(const std::string& filter) {
  return {true, ToUpperAscii(filter)};
}

class ScannerTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakePortfolio(tmp_ / "DATA");
    MakePortfolio(tmp_ / "DATA" / "MS");
    MakePortfolio(tmp_ / "DATA" / "MS" / "SUB", "master");  // any letter case
    MakePortfolio(tmp_ / "GAMES");
    MakePortfolio(tmp_ / "GAMES" / "XMSX", "Emaster");  // EMASTER alone
    MakePortfolio(tmp_ / ".hidden");
    MakePortfolio(tmp_ / "DATA" / ".dot" / "inner");
    stdfs::create_directories(tmp_ / "NOMASTER" / "MASTER");  // a folder named MASTER is no file
    MakePortfolio(tmp_ / "A_msq_B");
    MakePortfolio(tmp_ / "A_msq_B" / "SUB");
    MakePortfolio(tmp_ / "GAMES" / "X_MSQ_");  // below a folder without the fragment
  }
  TempDir tmp_;
};

TEST_F(ScannerTreeTest, ListsThePortfoliosTheFilterLetItReachSorted) {
  const struct {
    SearchFilter filter;
    std::vector<std::string> folders;
  } cases[] = {
      // Limit off: every Portfolio, dot names skipped.
      {{},
       {"A_msq_B", "A_msq_B/SUB", "DATA", "DATA/MS", "DATA/MS/SUB", "GAMES", "GAMES/XMSX",
        "GAMES/X_MSQ_"}},
      // A path: the way down to it and everything below.
      {Limit(tmp_.str() + "/DATA/MS"), {"DATA", "DATA/MS", "DATA/MS/SUB"}},
      // A fragment: only paths holding it, never below a folder without it.
      {Limit("_msq_"), {"A_msq_B", "A_msq_B/SUB"}},
  };
  for (const auto& c : cases) {
    const ScanResult r = ScanPortfolios(tmp_.str(), c.filter);
    EXPECT_FALSE(r.cancelled);
    std::vector<std::string> expected;
    for (const std::string& f : c.folders) expected.push_back(Folder(tmp_, f));
    EXPECT_EQ(r.folders, expected) << c.filter.filterUpper;
  }
}

TEST_F(ScannerTreeTest, ProgressSeesEachFolderAndCountAndCanCancel) {
  std::vector<std::string> seen;
  int lastCount = 0;
  ScanPortfolios(tmp_.str(), {}, [&](const std::string& folder, int count) {
    seen.push_back(folder);
    lastCount = count;
    return true;
  });
  EXPECT_EQ(lastCount, 8);
  EXPECT_EQ(seen.front(), tmp_.str());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), tmp_.str() + "/NOMASTER"), 1);

  int calls = 0;
  const ScanResult r =
      ScanPortfolios(tmp_.str(), {}, [&](const std::string&, int) { return ++calls < 3; });
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(calls, 3);
  EXPECT_LT(r.folders.size(), 8u);

  const ScanResult missing = ScanPortfolios(tmp_.str() + "/MISSING", {}, [&](auto&&...) {
    ADD_FAILURE() << "a missing root reports no folder";
    return true;
  });
  EXPECT_TRUE(missing.folders.empty());
  EXPECT_FALSE(missing.cancelled);
}

TEST(ScannerTest, SubFoldersAreWalkedInReverseListingOrder) {
  TempDir tmp;
  for (const char* name : {"a", "b", "c", "d", "e", "f"}) stdfs::create_directories(tmp / name);
  std::vector<std::string> listed;
  for (const auto& e : stdfs::directory_iterator(tmp.root())) {
    listed.insert(listed.begin(), tmp.str() + "/" + e.path().filename().string());
  }
  std::vector<std::string> walked;
  ScanPortfolios(tmp.str(), {}, [&](const std::string& folder, int) {
    if (folder != tmp.str()) walked.push_back(folder);
    return true;
  });
  EXPECT_EQ(walked, listed);
}

TEST(ScannerTest, SymbolicLinksToFoldersAreNeverFollowedSoLoopsEnd) {
  TempDir tmp;
  MakePortfolio(tmp / "A");
  stdfs::create_directory_symlink(tmp.root(), tmp / "A" / "up");  // a loop back to the root
  stdfs::create_directory_symlink(tmp / "A", tmp / "LINKED");
  stdfs::create_directory_symlink(tmp / "A" / "up", tmp / "A" / "up2");
  stdfs::create_directories(tmp / "B");
  stdfs::create_symlink(tmp / "A" / "MASTER", tmp / "B" / "MASTER");  // a link to a file counts
  int folders = 0;
  const ScanResult r = ScanPortfolios(tmp.str() + "/", {},
                                      [&](const std::string&, int) { return ++folders < 1000; });
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.folders, (std::vector<std::string>{Folder(tmp, "A"), Folder(tmp, "B")}));
}

TEST(ScannerTest, ProcEndsWithoutFollowingItsLinks) {
  // /proc/self, /proc/<pid>/cwd and /proc/<pid>/root lead back up the system tree.
  if (!stdfs::is_directory("/proc/self")) GTEST_SKIP() << "no /proc here";
  int folders = 0;
  const ScanResult r =
      ScanPortfolios("/proc", {}, [&](const std::string&, int) { return ++folders < 1000000; });
  EXPECT_FALSE(r.cancelled);
  EXPECT_GT(folders, 1);
}

// Mounts a tmpfs (or binds source) for the test and takes it away again.
class TmpfsMount {
 public:
  explicit TmpfsMount(const stdfs::path& at, const stdfs::path& bindSource = {}) : at_(at) {
    stdfs::create_directories(at);
    mounted_ = bindSource.empty()
                   ? ::mount("quillet-test", at.c_str(), "tmpfs", 0, "size=1m") == 0
                   : ::mount(bindSource.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~TmpfsMount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  stdfs::path at_;
  bool mounted_ = false;
};

TEST(ScannerTest, TheWalkStaysOnItsVolume) {
  TempDir tmp;
  MakePortfolio(tmp / "HOME");
  TmpfsMount mount(tmp / "OTHER");
  if (!mount.mounted()) GTEST_SKIP() << "needs the right to mount a tmpfs";
  const std::string other = (tmp / "OTHER").string();
  MakePortfolio(stdfs::path(other) / "INSIDE");
  const ScanResult fromRoot = ScanPortfolios(tmp.str(), {});
  EXPECT_EQ(fromRoot.folders, (std::vector<std::string>{Folder(tmp, "HOME")}));
  const ScanResult onOther = ScanPortfolios(other, {});
  EXPECT_EQ(onOther.folders, (std::vector<std::string>{other + "/INSIDE/"}));
}

TEST(ScannerTest, AFolderBoundBelowItselfIsWalkedOnce) {
  // A bind mount stays on the same volume, so only the walk's memory of the
  // folders it entered ends this loop.
  TempDir tmp;
  MakePortfolio(tmp / "P");
  TmpfsMount bind(tmp / "P" / "again", tmp.root());
  if (!bind.mounted()) GTEST_SKIP() << "needs the right to bind-mount";
  int folders = 0;
  const ScanResult r =
      ScanPortfolios(tmp.str(), {}, [&](const std::string&, int) { return ++folders < 1000; });
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.folders, (std::vector<std::string>{Folder(tmp, "P")}));
}

}  // namespace
}  // namespace quillet
