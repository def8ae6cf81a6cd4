#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/fs/portfolio_lock.h"

namespace quillet {

// What every write checks before its first change: it holds the lock of each
// Portfolio folder it changes from its first read to its last swap, and refuses
// read-only files and backup names taken by anything but a regular file. Each
// check gives false with message set to what the user is told; nothing is
// changed then.
class WriteGuard {
 public:
  // Locks the folders (and finishes a change left half-way in them).
  bool Lock(std::vector<std::filesystem::path> folders);
  // Each existing file of files may be written.
  bool Writable(const std::vector<std::filesystem::path>& files);
  // Nothing, or a regular file, stands at the backup's name.
  bool BackupPlace(const std::filesystem::path& backup);

  std::string message;

 private:
  fs::PortfolioLock lock_;
};

// What check says of a change cut short in the folder of the MASTER at
// masterPath (the next writer, repair among them, finishes it); empty when none.
std::string DescribeUnfinishedChange(std::string_view masterPath);
// Finishes such a change as the next writer would: the words for what was
// finished (empty message when nothing was pending), or why it could not be.
Outcome FinishUnfinishedChange(std::string_view masterPath);

}  // namespace quillet
