#include "core/fs/folder_listing.h"

#include <dirent.h>

#include <algorithm>

#include "core/base/strings.h"

namespace quillet::fs {

FolderListing::FolderListing(std::string directory) : directory_(WithSeparator(directory)) {
  // Read as FindNoCase reads a folder: a failed read ends the listing, it never throws.
  DIR* const folder = ::opendir(directory_.empty() ? "." : directory_.c_str());
  if (!folder) return;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries_.push_back({ToUpperAscii(name), std::string(name), entries_.size()});
  }
  ::closedir(folder);
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return a.upper != b.upper ? a.upper < b.upper : a.order < b.order;
  });
  listed_ = true;
}

path FolderListing::Find(std::string_view name) const {
  // A folder that cannot be listed may still be searched for its exact names.
  if (!listed_) return FindNoCase(directory_, name);
  const std::string key = ToUpperAscii(name);
  const auto first =
      std::lower_bound(entries_.begin(), entries_.end(), key,
                       [](const Entry& e, const std::string& k) { return e.upper < k; });
  auto last = first;
  while (last != entries_.end() && last->upper == key) ++last;
  if (first == last) return {};
  // An exact match wins, as in FindNoCase.
  const auto exact = std::find_if(first, last, [&](const Entry& e) { return e.name == name; });
  const std::string& found = (exact != last ? exact : first)->name;
  return directory_.empty() ? path(found) : path(directory_ + found);
}

path FolderListing::PathOf(std::string_view name) const {
  path found = Find(name);
  if (!found.empty()) return found;
  return directory_.empty() ? path(std::string(name)) : path(directory_ + std::string(name));
}

}  // namespace quillet::fs
