#include "core/symbols/file_journal.h"

#include <system_error>

#include "core/fs/files.h"
#include "core/fs/safe_replace.h"

namespace quillet {

bool FileJournal::Remember(const std::filesystem::path& file) {
  Entry entry;
  entry.file = file;
  std::error_code ec;
  entry.existed = std::filesystem::exists(std::filesystem::symlink_status(file, ec));
  if (entry.existed && !fs::ReadWholeFile(file, entry.bytes, *steps_)) return false;
  entries_.push_back(std::move(entry));
  return true;
}

namespace {

// Whether file is as remembered (the step that failed may have changed nothing).
bool Unchanged(const std::filesystem::path& file, bool existed, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return !existed;
  std::vector<uint8_t> now;
  return existed && fs::ReadWholeFile(file, now) && now == bytes;
}

}  // namespace

std::vector<std::filesystem::path> FileJournal::Restore() {
  std::vector<std::filesystem::path> failed;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    // Only a file really left changed is rewritten, and only one that stays changed is reported.
    if (Unchanged(it->file, it->existed, it->bytes)) continue;
    std::filesystem::path working = it->file;
    working += ".~NU";
    const LibResult r = it->existed ? fs::ReplaceFile(it->file, working, it->bytes, *steps_)
                                    : fs::RemoveFile(it->file, *steps_);
    if (r != LIB_OK) failed.push_back(it->file);
  }
  entries_.clear();
  return failed;
}

}  // namespace quillet
