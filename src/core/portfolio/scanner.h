#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The Portfolio search filter as the scanner applies it.
struct SearchFilter {
  bool limit = false;       // "Search"/"Limit": whether the filter applies
  std::string filterUpper;  // the filter path (or fragment) in upper case
};

// pathUpper passes when the limit is off, when the filter text occurs in it (the
// path lies at or below the filter path, or holds the fragment) or when it
// occurs in the filter text (the path lies on the way down to it).
bool PassesSearchFilter(std::string_view pathUpper, const SearchFilter& filter);

// Whether a folder holding a MASTER (or EMASTER) file is listed: it passes the filter, and
// a path shorter than 4 characters (the root of a volume) only when the filter
// text occurs in it.
bool ListsFolder(std::string_view pathUpper, const SearchFilter& filter);

// Told the folder being searched and the Portfolios found so far, as each folder
// is entered and as each Portfolio is counted; returning false stops the walk.
using ScanProgress = std::function<bool(const std::string& folder, int count)>;

struct ScanResult {
  std::vector<std::string> folders;  // Portfolio folders, each ending in a separator
  bool cancelled = false;
};

// Walks directory for folders holding a MASTER or EMASTER file (any letter
// case, not a folder) and appends them to result.folders in the order found. Sub-folders
// whose name starts with "." are never entered; the others are walked in the
// reverse of the order the file system lists them. The walk stays on the volume
// directory is on, never follows a symbolic link to a folder, enters every
// folder at most once and skips folders it cannot list, so it ends on any tree.
void WalkDirectory(const std::string& directory, const SearchFilter& filter, ScanResult& result,
                   const ScanProgress& progress = {});

// The scan of a volume: the walk from root, then the folders sorted as the
// Portfolio list shows them (ascending path text).
ScanResult ScanPortfolios(const std::string& root, const SearchFilter& filter,
                          const ScanProgress& progress = {});

}  // namespace quillet
