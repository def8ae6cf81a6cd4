#include "core/fs/folder_listing.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>

#include "core/base/strings.h"

namespace quillet::fs {
namespace {

// A series' lookup asks at most this many names (EMASTER, XMASTER, the DOP and
// the quote file): so many are cheaper read through than sorted for.
constexpr int kScansBeforeSorting = 4;

}  // namespace

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
    if (name != "." && name != "..") names_.emplace_back(name);
  }
  ::closedir(folder);
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
  // An exact match wins, as in FindNoCase; else the first case-blind one.
  if (scans_ < kScansBeforeSorting) {
    ++scans_;
    const std::string* first = nullptr;
    for (const std::string& entry : names_) {
      if (!EqualsNoCase(entry, name)) continue;
      if (entry == name) return Named(entry);
      if (first == nullptr) first = &entry;
    }
    return first ? Named(*first) : path{};
  }
  if (keys_.size() != names_.size()) {
    keys_.reserve(names_.size());
    for (size_t i = 0; i < names_.size(); ++i) keys_.emplace_back(ToUpperAscii(names_[i]), i);
    std::sort(keys_.begin(), keys_.end());
  }
  const std::string key = ToUpperAscii(name);
  const auto first = std::lower_bound(keys_.begin(), keys_.end(), std::make_pair(key, size_t{0}));
  auto last = first;
  while (last != keys_.end() && last->first == key) ++last;
  if (first == last) return {};
  const auto exact =
      std::find_if(first, last, [&](const auto& k) { return names_[k.second] == name; });
  return Named(names_[(exact != last ? exact : first)->second]);
}

path FolderListing::PathOf(std::string_view name) const {
  path found = Find(name);
  return found.empty() ? Named(name) : found;
}

}  // namespace quillet::fs
