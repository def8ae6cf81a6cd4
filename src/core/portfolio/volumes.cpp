#include "core/portfolio/volumes.h"

#include <array>

#include "core/base/strings.h"
#include "core/messages/window.h"

namespace quillet {

bool IsRealFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 24> kPseudo = {
      "proc",    "sysfs",  "devpts",     "devtmpfs",   "tmpfs",     "cgroup",
      "cgroup2", "mqueue", "securityfs", "debugfs",    "tracefs",   "pstore",
      "bpf",     "autofs", "hugetlbfs",  "configfs",   "fusectl",   "binfmt_misc",
      "nsfs",    "ramfs",  "efivarfs",   "rpc_pipefs", "selinuxfs", "squashfs"};
  if (type.empty()) return false;
  for (std::string_view p : kPseudo) {
    if (type == p) return false;
  }
  return true;
}

std::string VolumeContaining(std::string_view path, const std::vector<std::string>& volumes) {
  if (path.empty() || path.front() != '/') return {};
  std::string best;
  size_t bestLength = 0;
  for (const std::string& v : volumes) {
    std::string_view mount = v;
    while (mount.size() > 1 && mount.back() == '/') mount.remove_suffix(1);
    const bool holds = mount == "/" || path == mount ||
                       (path.size() > mount.size() && path.substr(0, mount.size()) == mount &&
                        path[mount.size()] == '/');
    if (holds && (best.empty() || mount.size() > bestLength)) {
      best = v;
      bestLength = mount.size();
    }
  }
  return best;
}

std::string CheckSearchFilterPath(bool limit, std::string_view path,
                                  const std::vector<std::string>& volumes) {
  if (!limit || !VolumeContaining(path, volumes).empty()) return {};
  return messages::kSearchFilterUnknownDrive;
}

bool SearchFilterNeedsRescan(bool oldLimit, std::string_view oldPath, bool newLimit,
                             std::string_view newPath) {
  return oldLimit != newLimit || (newLimit && !EqualsNoCase(oldPath, newPath));
}

}  // namespace quillet
