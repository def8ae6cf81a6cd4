#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/fs/files.h"

namespace quillet::fs {

// A folder's names for many case-blind lookups in a row (every series of a
// Portfolio): Find gives what FindNoCase gives. A name that stands as asked is
// found by its own path until a lookup misses; the folder is then listed, once,
// and every later lookup answered from that listing. One object serves one
// thread.
class FolderListing {
 public:
  explicit FolderListing(std::string directory);
  // The folder as given, ending in a separator.
  const std::string& Directory() const { return directory_; }
  path Find(std::string_view name) const;
  // The found entry, or the folder's path for the name as given.
  path PathOf(std::string_view name) const;

 private:
  void List() const;
  path Named(std::string_view name) const;

  std::string directory_;
  mutable bool tried_ = false;              // a listing was attempted
  mutable bool listed_ = false;             // and succeeded
  mutable std::vector<std::string> names_;  // in listing order: the first case-blind match wins
  mutable int scans_ = 0;                   // lookups answered by reading names_ through
  // The upper-case names with their places in names_, sorted: made once the
  // lookups are more than one series asks.
  mutable std::vector<std::pair<std::string, size_t>> keys_;
};

}  // namespace quillet::fs
