#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/result.h"
#include "core/fs/folder_listing.h"
#include "core/lib/index_files.h"
#include "core/lib/master.h"

namespace quillet {

// How a query names a security: by MasterRecordMatches, or by the symbol
// list's text (MasterRecord::Symbol), ignoring case.
enum class LookupRule { Words, ListText };

// A Portfolio folder as the lookup reads it: its names (listed once a name is
// missing) and its merged index files.
struct FolderIndex {
  explicit FolderIndex(std::string directory);
  FolderIndex(const FolderIndex&) = delete;  // holds pointers into itself
  FolderIndex& operator=(const FolderIndex&) = delete;
  fs::FolderListing names;  // Directory(): the folder, ending in a separator
  PortfolioIndex index;
  LibResult code;                          // what ReadPortfolioIndex gave
  std::pair<uint64_t, uint64_t> identity;  // fs::FolderIdentity
  // MASTER holds every record its header counts: its <DIR> entries lead on.
  bool complete = false;

  // The first security of the folder itself that answers query by rule:
  // MASTER's in file order up to the first record missing, then XMASTER's.
  const MasterRecord* First(std::string_view query, LookupRule rule) const;

 private:
  std::vector<const MasterRecord*> securities_;  // in the order First tries them
  // Once a folder is asked often, a query without blanks (every symbol the list
  // shows) is looked up by its upper-case text here, not tried on each security.
  mutable int asked_ = 0;
  mutable std::unordered_map<std::string, size_t> byText_;  // into securities_: the first wins
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
  MasterLookup Walk(std::string_view directory, std::string_view query, LookupRule rule);

  std::map<std::string, FolderIndex, std::less<>> folders_;  // by Directory()
};

}  // namespace quillet
