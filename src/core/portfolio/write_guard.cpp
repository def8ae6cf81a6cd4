#include "core/portfolio/write_guard.h"

#include "core/fs/swap_intent.h"
#include "core/messages/writes.h"
#include "core/portfolio/master_file.h"

namespace quillet {

bool WriteGuard::Lock(std::vector<std::filesystem::path> folders) {
  if (lock_.Acquire(std::move(folders))) return true;
  message = messages::PortfolioBusy(lock_.busy().string());
  return false;
}

bool WriteGuard::Writable(const std::vector<std::filesystem::path>& files) {
  for (const std::filesystem::path& file : files) {
    if (file.empty() || !fs::IsReadOnly(file)) continue;
    message = messages::FileReadOnly(file.string());
    return false;
  }
  return true;
}

bool WriteGuard::BackupPlace(const std::filesystem::path& backup) {
  if (fs::IsPlainFileOrAbsent(backup)) return true;
  message = messages::BackupNotAFile(backup.string());
  return false;
}

namespace {

std::filesystem::path FolderOf(std::string_view masterPath) {
  const std::filesystem::path folder = MasterFileOf(masterPath).parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// The files a change cut short in folder has still to replace, or empty.
std::string PendingFiles(const std::filesystem::path& folder) {
  std::string files;
  for (const fs::Swap& swap : fs::PendingSwaps(folder))
    files += (files.empty() ? "" : ", ") + swap.second;
  return files;
}

}  // namespace

std::string DescribeUnfinishedChange(std::string_view masterPath) {
  const std::filesystem::path folder = FolderOf(masterPath);
  const std::string files = PendingFiles(folder);
  return files.empty() ? std::string() : messages::UnfinishedChange(folder.string(), files);
}

Outcome FinishUnfinishedChange(std::string_view masterPath) {
  const std::filesystem::path folder = FolderOf(masterPath);
  const std::string files = PendingFiles(folder);
  if (files.empty()) return {};
  WriteGuard guard;
  if (!guard.Lock({folder})) return {kWriteRefused, guard.message};
  if (!PendingFiles(folder).empty())
    return {LIB_FILE_WRITE, messages::UnfinishedChange(folder.string(), files)};
  return {LIB_OK, messages::ChangeFinished(folder.string(), files)};
}

}  // namespace quillet
