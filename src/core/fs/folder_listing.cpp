#include "core/fs/folder_listing.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>

#include "core/base/strings.h"

namespace quillet::fs {

FolderListing::FolderListing(std::string directory) : directory_(WithSeparator(directory)) {}

path FolderListing::Named(std::string_view name) const {
  return directory_.empty() ? path(std::string(name)) : path(directory_ + std::string(name));
}

void FolderListing::List() const {
  tried_ = true;
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
  if (!listed_) {
    // Until a name is missing, one look at the name as asked costs less than a listing.
    std::error_code ec;
    path exact = Named(name);
    if (std::filesystem::exists(directory_.empty() ? path(".") / exact : exact, ec)) return exact;
    if (!tried_) List();
    if (!listed_) return {};
  }
  const std::string key = ToUpperAscii(name);
  const auto first =
      std::lower_bound(entries_.begin(), entries_.end(), key,
                       [](const Entry& e, const std::string& k) { return e.upper < k; });
  auto last = first;
  while (last != entries_.end() && last->upper == key) ++last;
  if (first == last) return {};
  // An exact match wins, as in FindNoCase.
  const auto exact = std::find_if(first, last, [&](const Entry& e) { return e.name == name; });
  return Named((exact != last ? exact : first)->name);
}

path FolderListing::PathOf(std::string_view name) const {
  path found = Find(name);
  return found.empty() ? Named(name) : found;
}

}  // namespace quillet::fs
