#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Whether a mounted file system of that type can hold Portfolios: not the kernel's
// pseudo file systems (proc, sysfs, cgroup, ...) nor memory-only ones.
bool IsRealFileSystem(std::string_view type);

// The volume of the list (mount paths) that holds path: the longest one that is
// path itself or a folder above it. Empty when path is not absolute or no volume
// holds it.
std::string VolumeContaining(std::string_view path, const std::vector<std::string>& volumes);

// The OK check of the search filter: with the limit on, the path must lie on a
// listed volume. The message to show, or empty when the filter is accepted.
std::string CheckSearchFilterPath(bool limit, std::string_view path,
                                  const std::vector<std::string>& volumes);

// Whether changing the filter calls for a new scan: the limit was switched, or
// it is on and the path changed other than in letter case.
bool SearchFilterNeedsRescan(bool oldLimit, std::string_view oldPath, bool newLimit,
                             std::string_view newPath);

}  // namespace quillet
