#include "core/portfolio/scanner.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/folders.h"
#include "core/lib/index_files.h"
#include "core/lib/master.h"

namespace quillet {

bool PassesSearchFilter(std::string_view pathUpper, const SearchFilter& filter) {
  if (!filter.limit) return true;
  return pathUpper.find(filter.filterUpper) != std::string_view::npos ||
         std::string_view(filter.filterUpper).find(pathUpper) != std::string_view::npos;
}

bool ListsFolder(std::string_view pathUpper, const SearchFilter& filter) {
  return PassesSearchFilter(pathUpper, filter) &&
         (pathUpper.size() >= 4 || pathUpper.find(filter.filterUpper) != std::string_view::npos);
}

namespace {

// One folder name after another, as the walk forms sub-folder paths.
std::string Join(const std::string& directory, const std::string& name) {
  return fs::WithSeparator(directory) + name;
}

bool Passes(const std::string& path, const SearchFilter& filter) {
  return !filter.limit || PassesSearchFilter(ToUpperAscii(path), filter);
}

class Walker {
 public:
  Walker(const SearchFilter& filter, ScanResult& result, const ScanProgress& progress,
         uint64_t volume)
      : filter_(filter), result_(result), progress_(progress), volume_(volume) {}

  // False once the walk has been cancelled.
  bool Walk(const std::string& directory, bool root) {
    fs::Folder folder(directory, root);
    if (!folder.IsOpen() || folder.Id().volume != volume_ || !visited_.insert(folder.Id()).second) {
      return true;  // cannot be listed, another volume, or entered before: skipped
    }
    if (!Report(directory)) return false;
    bool hasMaster = false;
    std::vector<std::string> folders;
    folder.List([&](const char* name, fs::EntryType type) {
      if (name[0] == '.') return;  // every dot-name
      if (type == fs::EntryType::Folder) {
        std::string sub = Join(directory, name);
        if (sub.size() <= fs::MaxPathLength() && Passes(sub, filter_)) {
          folders.push_back(std::move(sub));
        }
      } else if (!hasMaster &&
                 (EqualsNoCase(name, kMasterFileName) || EqualsNoCase(name, kEmasterFileName))) {
        // EMASTER alone lists a Portfolio's securities too. A MASTER or EMASTER
        // reached through a link counts when the link leads to a file.
        hasMaster = type == fs::EntryType::File ||
                    (type == fs::EntryType::Link && folder.IsFileEntry(name));
      }
    });

    if (hasMaster && ListsFolder(ToUpperAscii(directory), filter_)) {
      result_.folders.push_back(fs::WithSeparator(directory));
      ++count_;
      if (!Report(directory)) return false;
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
      if (!Walk(*it, false)) return false;
    }
    return true;
  }

 private:
  bool Report(const std::string& folder) {
    if (!progress_ || progress_(folder, count_)) return true;
    result_.cancelled = true;
    return false;
  }

  const SearchFilter& filter_;
  ScanResult& result_;
  const ScanProgress& progress_;
  uint64_t volume_;
  int count_ = 0;
  std::set<fs::FolderId> visited_;
};

std::string WithoutTrailingSeparators(const std::string& directory) {
  std::string out = directory;
  while (out.size() > 1 && fs::EndsInSeparator(out)) out.pop_back();
  return out;
}

}  // namespace

void WalkDirectory(const std::string& directory, const SearchFilter& filter, ScanResult& result,
                   const ScanProgress& progress) {
  const std::string start = WithoutTrailingSeparators(directory);
  uint64_t volume = 0;
  if (!fs::FolderVolume(start, volume)) return;
  Walker walker(filter, result, progress, volume);
  walker.Walk(start, true);
}

ScanResult ScanPortfolios(const std::string& root, const SearchFilter& filter,
                          const ScanProgress& progress) {
  ScanResult result;
  WalkDirectory(root, filter, result, progress);
  std::sort(result.folders.begin(), result.folders.end());
  return result;
}

}  // namespace quillet
