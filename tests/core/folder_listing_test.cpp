// A folder's names looked up many times through one listing give what a fresh
// case-blind lookup gives each time: while names stand as asked, after the
// first miss lists the folder, and once the listing is sorted for many lookups.

#include <gtest/gtest.h>

#include "core/fs/folder_listing.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

TEST(FolderListing, EveryLookupAsFindNoCaseGivesIt) {
  TempDir dir;
  // Twins that differ in letter case only: the exact one wins, else the first listed.
  for (const char* name : {"MASTER", "master", "F1.dat", "f1.DAT", "Only.Dop", "F10.DAT"}) {
    WriteBytes(dir / name, {1});
  }
  const char* asked[] = {"MASTER", "F10.DAT",  "Master", "master",   "MASTER", "f1.DAT", "F1.dat",
                         "F1.DAT", "ONLY.DOP", "none",   "only.dop", "F1.DA",  "f10.dat"};
  for (const std::string& folder : {dir.str(), dir.str() + "/"}) {
    const fs::FolderListing names(folder);
    for (int round = 0; round < 3; ++round) {
      for (const char* name : asked) {
        EXPECT_EQ(names.Find(name), fs::FindNoCase(folder, name)) << name << " " << round;
      }
    }
  }
}

}  // namespace
}  // namespace quillet::testing
