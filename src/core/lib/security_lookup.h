#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/result.h"
#include "core/fs/folder_listing.h"
#include "core/lib/index_files.h"
#include "core/lib/master.h"

namespace quillet {

// A Portfolio folder as the lookup reads it: its names (listed once a name is
// missing) and its merged index files.
struct FolderIndex {
  explicit FolderIndex(std::string directory);
  fs::FolderListing names;  // Directory(): the folder, ending in a separator
  PortfolioIndex index;
  LibResult code;                          // what ReadPortfolioIndex gave
  std::pair<uint64_t, uint64_t> identity;  // fs::FolderIdentity
};

// The lookup of securities by symbol or name. Each folder it visits is read
// once and kept while the object lives: a pass over many securities (the split
// search) reads each folder once, not once per security. The files must not
// change meanwhile. LookupMasterRecord and LookupByFileNumber are a lookup of
// their own each.
class SecurityLookup {
 public:
  // What LookupMasterRecord finds.
  MasterLookup Find(std::string_view directory, std::string_view query);
  // What LookupByFileNumber finds.
  MasterLookup FindByFileNumber(std::string_view directory, std::string_view query, int fileNumber);
  // The folder, read on first use.
  const FolderIndex& Folder(const std::string& directory);

 private:
  MasterLookup Walk(std::string_view directory,
                    const std::function<bool(const MasterRecord&)>& matches);

  std::map<std::string, FolderIndex, std::less<>> folders_;  // by Directory()
};

}  // namespace quillet
