#include "core/portfolio/scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>

#include "core/base/strings.h"
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

// Folder texts never exceed the platform's path limit: that bounds the depth.
constexpr size_t kMaxFolderPath = PATH_MAX - 1;

std::string Join(const std::string& directory, const char* name) {
  std::string out = directory;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

bool Passes(const std::string& path, const SearchFilter& filter) {
  return !filter.limit || PassesSearchFilter(ToUpperAscii(path), filter);
}

class Walker {
 public:
  Walker(const SearchFilter& filter, ScanResult& result, const ScanProgress& progress, dev_t volume)
      : filter_(filter), result_(result), progress_(progress), volume_(volume) {}

  // False once the walk has been cancelled.
  bool Walk(const std::string& directory, bool root) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (root ? 0 : O_NOFOLLOW);
    const int fd = ::open(directory.c_str(), flags);
    if (fd < 0) return true;  // cannot be listed: skipped
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_dev != volume_ ||
        !visited_.insert({st.st_dev, st.st_ino}).second) {
      ::close(fd);
      return true;
    }
    if (!Report(directory)) {
      ::close(fd);
      return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      ::close(fd);
      return true;
    }
    bool hasMaster = false;
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (name[0] == '.') continue;  // ".", ".." and every dot-name
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat es {};
        if (::fstatat(fd, name, &es, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISDIR(es.st_mode)   ? DT_DIR
               : S_ISLNK(es.st_mode) ? DT_LNK
               : S_ISREG(es.st_mode) ? DT_REG
                                     : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        std::string sub = Join(directory, name);
        if (sub.size() <= kMaxFolderPath && Passes(sub, filter_)) folders.push_back(std::move(sub));
      } else if (!hasMaster && EqualsNoCase(name, kMasterFileName)) {
        // A MASTER reached through a link counts when the link leads to a file.
        struct stat ms {};
        hasMaster = type == DT_REG ||
                    (type == DT_LNK && ::fstatat(fd, name, &ms, 0) == 0 && S_ISREG(ms.st_mode));
      }
    }
    ::closedir(dir);

    if (hasMaster) {
      if (ListsFolder(ToUpperAscii(directory), filter_)) {
        result_.folders.push_back(Join(directory, ""));
        ++count_;
        if (!Report(directory)) return false;
      }
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
  dev_t volume_;
  int count_ = 0;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

std::string WithoutTrailingSeparators(const std::string& directory) {
  std::string out = directory;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

void WalkDirectory(const std::string& directory, const SearchFilter& filter, ScanResult& result,
                   const ScanProgress& progress) {
  const std::string start = WithoutTrailingSeparators(directory);
  struct stat st {};
  if (::stat(start.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  Walker walker(filter, result, progress, st.st_dev);
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
