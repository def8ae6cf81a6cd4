#pragma once

#include <string>
#include <string_view>
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
  struct Entry {
    std::string upper;  // the key: the name in upper case
    std::string name;
    size_t order;  // place in the listing: the first case-blind match wins
  };
  void List() const;
  path Named(std::string_view name) const;

  std::string directory_;
  mutable bool tried_ = false;   // a listing was attempted
  mutable bool listed_ = false;  // and succeeded
  mutable std::vector<Entry> entries_;  // sorted by key, then order
};

}  // namespace quillet::fs
