#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/base/mbf.h"
#include "core/lib/master.h"
#include "core/lib/security_lookup.h"
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

// A blank first character makes a <DIR> name a security's.
TEST(FindMasterRecord, MatchesSymbolWordsAndWholeNames) {
  TempDir tmp;
  PortfolioBuilder(tmp.root())
      .Add(Security(1, "IBM", "INTL BUS MACH"))
      .Add(Security(2, "BRK A", "BERKSHIRE"))
      .Add(Security(3, "MSFT", "MICROSOFT"))
      .Add(Security(4, "C\351D", "CEDE"))
      .Add(Security(5, "C", "SEA"))
      .Add(Security(6, "X\x01Y", "EX"))
      .Add(Security(9, "ODD", "           <DIR>"))
      .Add(Security(7, "MICROSOFT", "IBM"))  // the earlier security answers first
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
      {"ODD", LIB_OK, 9},
      {"MICRO", LIB_FILE_NOT_FOUND, -1},
      {"IB", LIB_FILE_NOT_FOUND, -1},
      {"NONE", LIB_FILE_NOT_FOUND, -1},
      // Listed by the text before a control or non-ASCII byte, and found by it too,
      // unless another security answers to it as a symbol or name.
      {"x", LIB_OK, 6},
      {"C", LIB_OK, 5},
      {"c\351d", LIB_OK, 4},
  };
  // Each query on its own, then all again and again through one kept lookup
  // (which answers a folder asked often from an index).
  SecurityLookup kept;
  for (int round = 0; round < 3; ++round) {
    for (const Case& c : cases) {
      const Found f = Find(tmp.str(), c.query);
      EXPECT_EQ(f.result, c.result) << c.query;
      EXPECT_EQ(f.fileNumber, c.fileNumber) << c.query;
      if (f.result == LIB_OK) {
        EXPECT_EQ(f.directory, tmp.str() + "/");
      }
      const MasterLookup again = kept.Find(tmp.str(), c.query);
      EXPECT_EQ(again.code, c.result) << c.query << " " << round;
      EXPECT_EQ(again.ok() ? again.record.FileNumber() : -1, c.fileNumber) << c.query;
    }
  }
  // The dates come back converted from MBF.
  MasterRecord record;
  std::string dir;
  ASSERT_EQ(FindMasterRecord(tmp.str() + "/", "IBM", record, dir), LIB_OK);
  EXPECT_EQ(record.FirstDate(), 990103.0f);
  EXPECT_EQ(record.LastDate(), 1000103.0f);
}

// A missing or unreadable MASTER and a MASTER without the security give the
// same code; the lookup tells them apart.
TEST(FindMasterRecord, UnreadableMasterIsNotFoundButToldApart) {
  PortfolioBuilder b(TempDir().root());
  b.Add(Security(1, "A", "A")).Add(Security(2, "B", "B"));
  const std::vector<uint8_t> longN = b.MasterBytes(5);  // N larger than the records
  const struct {
    std::vector<uint8_t> master;  // empty: no MASTER at all
    const char* query;
    LibResult code;
    bool unreadable;
  } cases[] = {
      {{}, "A", LIB_FILE_NOT_FOUND, true},
      {{longN.begin(), longN.begin() + 30}, "A", LIB_FILE_NOT_FOUND, true},  // no whole header
      {b.MasterBytes(0), "A", LIB_FILE_NOT_FOUND, false},
      {longN, "B", LIB_OK, false},
      {longN, "C", LIB_FILE_NOT_FOUND, false},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    if (!c.master.empty()) testing::WriteBytes(tmp / "MASTER", c.master);
    const MasterLookup lookup = LookupMasterRecord(tmp.str(), c.query);
    EXPECT_EQ(lookup.code, c.code) << c.master.size();
    EXPECT_EQ(lookup.masterUnreadable, c.unreadable) << c.master.size();
    EXPECT_EQ(Find(tmp.str(), c.query).result, c.code);
  }
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

  // One lookup kept for many queries (each folder read once) answers each as a
  // fresh one does, however the folder is spelled.
  SecurityLookup kept;
  for (const std::string& dir : {tmp.str(), tmp.str() + "/"}) {
    for (const char* query : {"DEEPSYM", "TOP", "DUP", "IN B", "NONE", "in a", "NOT THIS"}) {
      const MasterLookup fresh = LookupMasterRecord(dir, query);
      const MasterLookup again = kept.Find(dir, query);
      EXPECT_EQ(again.code, fresh.code) << query;
      EXPECT_EQ(again.directory, fresh.directory) << query;
      EXPECT_EQ(again.record.bytes, fresh.record.bytes) << query;
    }
  }
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

// Read then written back, a MASTER keeps every byte: the header's 49 unread
// bytes, both counters as stored (even when wrong) and a partial record at the end.
TEST(MasterFileTest, WritesBackEveryByteAndEditsOnlyWhatItIsTold) {
  TempDir tmp;
  PortfolioBuilder b(tmp.root());
  b.Add(Security(3, "AB CD", "ALPHA"))
      .Add(MasterEntry::Directory("SUB"))
      .Add(Security(1, "X", "X"));
  std::vector<uint8_t> bytes = b.MasterBytes(7);
  bytes[20] = 0xEE;
  StoreInt16(-4, &bytes[2]);
  bytes.insert(bytes.end(), {9, 8, 7});
  testing::WriteBytes(tmp / "MASTER", bytes);
  MasterFile master;
  ASSERT_EQ(master.ReadIn(tmp.root()), LIB_OK);
  EXPECT_EQ(master.Count(), 7);
  EXPECT_EQ(master.SecondCount(), -4);
  EXPECT_EQ(master.Size(), bytes.size());
  EXPECT_EQ(master.Bytes(), bytes);
  EXPECT_EQ(master.FindSymbol("AB"), &master.Records()[0]);
  EXPECT_EQ(master.FindSymbol("ab"), nullptr);  // the list text, exactly
  EXPECT_EQ(master.FindSecurity("ab cd"), &master.Records()[0]);
  EXPECT_EQ(master.FindDirectory("sub"), &master.Records()[1]);
  EXPECT_EQ(master.LowestFreeFileNumber(), 2);  // 1 and 3 taken (the <DIR> entry is 1 too)

  // Only the security of file number 1 changes; the <DIR> entry that reads 1 does not.
  EXPECT_EQ(master.Rename(1, "NEW NAME", "NEW"), 1);
  master.AddToCounts(-1);
  ASSERT_EQ(master.Write(tmp / "MASTER.~NU"), LIB_OK);
  std::vector<uint8_t> expected = bytes;
  std::memcpy(&expected[3 * 53 + kMasterName], "NEW NAME        ", 16);
  std::memcpy(&expected[3 * 53 + kMasterSymbol], "NEW             ", 16);
  StoreInt16(6, &expected[0]);
  StoreInt16(-5, &expected[2]);
  EXPECT_EQ(testing::ReadBytes(tmp / "MASTER"), expected);
  EXPECT_FALSE(std::filesystem::exists(tmp / "MASTER.~NU"));

  EXPECT_EQ(master.RemoveIf([](const MasterRecord& r) { return r.IsDirectory(); }), 1);
  master.DropPartialRecord();
  EXPECT_EQ(master.Size(), 3u * 53);
  EXPECT_EQ(master.Assign(std::vector<uint8_t>(52, 0)), LIB_FILE_READ);
  EXPECT_EQ(master.Read(tmp / "none"), LIB_FILE_OPEN);
}

}  // namespace
}  // namespace quillet
