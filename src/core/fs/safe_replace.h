#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"

namespace quillet::fs {

using std::filesystem::path;

// Writes a file through a working file that is swapped in by rename-over, so the
// target is always either exactly as before or exactly as after:
//   AtomicFile out;
//   if (out.Open(target, working) != LIB_OK) ...
//   out.Write(...); ...
//   LibResult r = out.Commit();
// Every write is checked; the first failure is remembered and makes Commit fail.
// A working file not committed is removed when the object goes.
class AtomicFile {
 public:
  explicit AtomicFile(FileSteps& steps = EveryStep()) : steps_(&steps) {}
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  // Creates (truncates) the working file. LIB_FILE_OPEN when it cannot be made.
  LibResult Open(const path& target, const path& working);
  bool Write(const void* data, size_t size);
  bool Write(std::span<const uint8_t> bytes) { return Write(bytes.data(), bytes.size()); }
  // Flush, fsync, rename over the target, fsync the folder. LIB_FILE_WRITE on
  // any failure, with the working file removed and the target untouched.
  LibResult Commit();
  // Flush and fsync without the rename: the working file is complete on disk and
  // waits for Commit (several files swapped as one change, see swap_intent.h).
  LibResult Prepare();
  // Removes the working file and leaves the target untouched.
  void Abandon();
  const path& Working() const { return working_; }

 private:
  bool Flush();
  bool WriteOut(const uint8_t* data, size_t size);
  FileSteps* steps_;
  int fd_ = -1;
  bool failed_ = false;
  bool prepared_ = false;
  path target_;
  path working_;
  std::vector<uint8_t> buffer_;
};

// The whole content in one go, through the working file.
LibResult ReplaceFile(const path& target, const path& working, std::span<const uint8_t> bytes,
                      FileSteps& steps = EveryStep());

// Copies source over destination (a backup, or a quote file into another
// Portfolio) through destination + ".~CP", synced: the destination is never partial.
LibResult CopyFileSynced(const path& source, const path& destination,
                         FileSteps& steps = EveryStep());

// Removes a file; a file that is already gone counts as removed.
LibResult RemoveFile(const path& file, FileSteps& steps = EveryStep());

bool SyncDirectory(const path& directory, FileSteps& steps = EveryStep());

}  // namespace quillet::fs
