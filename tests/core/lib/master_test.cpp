#include <gtest/gtest.h>

#include <filesystem>

#include "core/lib/master.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::TempDir;

MasterEntry Security(uint8_t n, const std::string& symbol, const std::string& name) {
  MasterEntry e = testing::SecurityEntry(n, symbol, name);
  e.firstDate = 990103.0f;
  e.lastDate = 1000103.0f;
  return e;
}

struct Found {
  LibResult result;
  int fileNumber = -1;
  std::string directory;
};

Found Find(const std::string& dir, const std::string& query) {
  MasterRecord record;
  std::string found = "untouched";
  const LibResult r = FindMasterRecord(dir, query, record, found);
  if (r != LIB_OK) {
    EXPECT_EQ(found, "untouched");  // out values are written only on success
    return {r, -1, {}};
  }
  return {r, record.FileNumber(), found};
}

TEST(FindMasterRecord, MatchesSymbolWordsAndWholeNames) {
  TempDir tmp;
  PortfolioBuilder(tmp.root())
      .Add(Security(1, "IBM", "INTL BUS MACH"))
      .Add(Security(2, "BRK A", "BERKSHIRE"))
      .Add(Security(3, "MSFT", "MICROSOFT"))
      .WriteMaster();
  struct Case {
    const char* query;
    LibResult result;
    int fileNumber;
  };
  const Case cases[] = {
      {"IBM", LIB_OK, 1},
      {"ibm", LIB_OK, 1},
      {"INTL BUS MACH", LIB_OK, 1},
      {"intl bus mach", LIB_OK, 1},
      {"BRK A", LIB_OK, 2},
      {"brk a", LIB_OK, 2},
      {"BRK", LIB_OK, 2},
      {"MICROSOFT", LIB_OK, 3},
      {"MICRO", LIB_FILE_NOT_FOUND, -1},
      {"IB", LIB_FILE_NOT_FOUND, -1},
      {"NONE", LIB_FILE_NOT_FOUND, -1},
  };
  for (const Case& c : cases) {
    const Found f = Find(tmp.str(), c.query);
    EXPECT_EQ(f.result, c.result) << c.query;
    EXPECT_EQ(f.fileNumber, c.fileNumber) << c.query;
    if (f.result == LIB_OK) {
      EXPECT_EQ(f.directory, tmp.str() + "/");
    }
  }
}

TEST(FindMasterRecord, DatesComeBackConverted) {
  TempDir tmp;
  PortfolioBuilder(tmp.root()).Add(Security(4, "IBM", "IBM")).WriteMaster();
  MasterRecord record;
  std::string dir;
  ASSERT_EQ(FindMasterRecord(tmp.str() + "/", "IBM", record, dir), LIB_OK);
  EXPECT_EQ(record.FirstDate(), 990103.0f);
  EXPECT_EQ(record.LastDate(), 1000103.0f);
  EXPECT_EQ(dir, tmp.str() + "/");
}

TEST(FindMasterRecord, EmptyOrMissingMasterIsNotFound) {
  TempDir tmp;
  EXPECT_EQ(Find(tmp.str(), "IBM").result, LIB_FILE_NOT_FOUND);
  PortfolioBuilder b(tmp.root());
  b.Add(Security(1, "IBM", "IBM")).WriteMaster(0);
  EXPECT_EQ(Find(tmp.str(), "IBM").result, LIB_FILE_NOT_FOUND);
}

TEST(FindMasterRecord, SubDirectoriesDepthFirstAfterTheSecurities) {
  TempDir tmp;
  PortfolioBuilder(tmp.root())
      .Add(MasterEntry::Directory("SUBA"))
      .Add(Security(1, "TOP", "TOP"))
      .Add(MasterEntry::Directory("subb"))
      .WriteMaster();
  // Lower-case names on disk are found for the names MASTER gives.
  PortfolioBuilder(tmp / "suba")
      .Add(Security(2, "DUP", "IN A"))
      .Add(MasterEntry::Directory("DEEP"))
      .WriteMaster();
  PortfolioBuilder(tmp / "suba" / "DEEP").Add(Security(3, "DEEPSYM", "DEEP")).WriteMaster();
  PortfolioBuilder(tmp / "SUBB")
      .Add(Security(4, "DUP", "IN B"))
      .Add(Security(5, "TOP", "NOT THIS"))
      .WriteMaster();
  std::filesystem::rename(tmp / "SUBB" / "MASTER", tmp / "SUBB" / "master");

  EXPECT_EQ(Find(tmp.str(), "TOP").fileNumber, 1);
  const Found dup = Find(tmp.str(), "DUP");
  EXPECT_EQ(dup.fileNumber, 2);
  EXPECT_EQ(dup.directory, tmp.str() + "/suba/");
  const Found deep = Find(tmp.str(), "DEEPSYM");
  EXPECT_EQ(deep.fileNumber, 3);
  EXPECT_EQ(deep.directory, tmp.str() + "/suba/DEEP/");
  EXPECT_EQ(Find(tmp.str(), "IN B").fileNumber, 4);
  EXPECT_EQ(Find(tmp.str(), "IN B").directory, tmp.str() + "/SUBB/");
}

TEST(FindMasterRecord, BlankFirstCharacterMakesADirEntryASecurity) {
  TempDir tmp;
  MasterEntry e = Security(9, "ODD", "");
  e.name = "           <DIR>";
  PortfolioBuilder(tmp.root()).Add(e).WriteMaster();
  EXPECT_EQ(Find(tmp.str(), "ODD").fileNumber, 9);
}

TEST(FindMasterRecord, EveryTreeEnds) {
  TempDir tmp;
  // Entries that lead back up the tree, to themselves, out of it, or nowhere.
  PortfolioBuilder(tmp.root())
      .Add(MasterEntry::Directory("."))
      .Add(MasterEntry::Directory(".."))
      .Add(MasterEntry::Directory("LOOP"))
      .Add(MasterEntry::Directory("LOOP"))
      .Add(MasterEntry::Directory("MISSING"))
      .Add(MasterEntry::Directory("../etc"))
      .WriteMaster();
  std::filesystem::create_directory_symlink(".", tmp / "LOOP");
  EXPECT_EQ(Find(tmp.str(), "NONE").result, LIB_FILE_NOT_FOUND);

  // 40 nested levels: the lookup goes as deep as its stack allows, no further.
  TempDir deep;
  std::filesystem::path p = deep.root();
  for (int level = 0; level < 40; ++level) {
    PortfolioBuilder(p)
        .Add(MasterEntry::Directory("D"))
        .Add(Security(static_cast<uint8_t>(level + 1), "L" + std::to_string(level), "X"))
        .WriteMaster();
    p /= "D";
  }
  EXPECT_EQ(Find(deep.str(), "L33").fileNumber, 34);
  EXPECT_EQ(Find(deep.str(), "L34").result, LIB_FILE_NOT_FOUND);
}

TEST(FindMasterRecord, ShortFiles) {
  TempDir tmp;
  PortfolioBuilder b(tmp.root());
  b.Add(Security(1, "A", "A")).Add(Security(2, "B", "B"));
  std::vector<uint8_t> bytes = b.MasterBytes(5);  // N larger than the records
  testing::WriteBytes(tmp / "MASTER", bytes);
  EXPECT_EQ(Find(tmp.str(), "B").fileNumber, 2);
  EXPECT_EQ(Find(tmp.str(), "C").result, LIB_FILE_NOT_FOUND);
  bytes.resize(30);  // no whole header
  testing::WriteBytes(tmp / "MASTER", bytes);
  EXPECT_EQ(Find(tmp.str(), "A").result, LIB_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace quillet
