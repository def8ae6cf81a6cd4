#include "core/fs/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/fs/files.h"

namespace quillet::fs {
namespace {

constexpr size_t kBufferSize = 1 << 16;

path ParentOf(const path& file) {
  path parent = file.parent_path();
  return parent.empty() ? path(".") : parent;
}

// The result of an OS call, its errno noted when it failed.
bool Noted(bool ok) {
  if (!ok) NoteFailure(errno);
  return ok;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool SyncDirectory(const path& directory, FileSteps& steps) {
  if (!steps.Allow(FsStep::Sync, directory)) return false;
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

AtomicFile::~AtomicFile() {
  Abandon();
}

LibResult AtomicFile::Open(const path& target, const path& working) {
  Abandon();
  target_ = target;
  working_ = working;
  failed_ = false;
  prepared_ = false;
  buffer_.clear();
  if (!steps_->Allow(FsStep::Create, working)) return LIB_FILE_OPEN;
  // The working file takes the target's permissions, so the swap changes content only.
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  // Whatever stands at the working name is left over from an interrupted write, or
  // was put there: it is removed without being followed, and the working file is
  // made fresh. A link is never written through, a FIFO never waited on.
  if (!Noted(::unlink(working.c_str()) == 0 || errno == ENOENT)) return LIB_FILE_OPEN;
  fd_ = ::open(working.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (!Noted(fd_ >= 0)) return LIB_FILE_OPEN;
  buffer_.reserve(kBufferSize);
  return LIB_OK;
}

bool AtomicFile::Flush() {
  if (failed_ || fd_ < 0) return false;
  if (buffer_.empty()) return true;
  WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
  return !failed_;
}

bool AtomicFile::WriteOut(const uint8_t* data, size_t size) {
  if (!steps_->Allow(FsStep::Write, working_) || !Noted(WriteAll(fd_, data, size))) failed_ = true;
  return !failed_;
}

bool AtomicFile::Write(const void* data, size_t size) {
  if (failed_ || fd_ < 0) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (buffer_.size() + size > kBufferSize && !Flush()) return false;
  if (size >= kBufferSize) return WriteOut(bytes, size);
  buffer_.insert(buffer_.end(), bytes, bytes + size);
  return true;
}

LibResult AtomicFile::Prepare() {
  if (fd_ < 0) return LIB_FILE_WRITE;
  bool ok = Flush();
  // The content reaches the disk before the name does: a crash after the rename
  // must not leave the target naming a file whose blocks were never written.
  ok = ok && steps_->Allow(FsStep::Sync, working_) && Noted(::fsync(fd_) == 0);
  ok = Noted(::close(fd_) == 0) && ok;
  fd_ = -1;
  if (!ok) {
    ::unlink(working_.c_str());
    working_.clear();
    return LIB_FILE_WRITE;
  }
  prepared_ = true;
  return LIB_OK;
}

LibResult AtomicFile::Commit() {
  if (!prepared_ && Prepare() != LIB_OK) return LIB_FILE_WRITE;
  prepared_ = false;
  const bool ok = steps_->Allow(FsStep::Rename, working_) &&
                  Noted(std::rename(working_.c_str(), target_.c_str()) == 0);
  if (!ok) {
    ::unlink(working_.c_str());
    working_.clear();
    return LIB_FILE_WRITE;
  }
  working_.clear();
  // The new content is in place; a failed folder sync cannot undo that, and the
  // rename itself has succeeded, so it is not reported as a lost write.
  SyncDirectory(ParentOf(target_), *steps_);
  return LIB_OK;
}

void AtomicFile::Abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!working_.empty()) {
    ::unlink(working_.c_str());
    working_.clear();
  }
  buffer_.clear();
  prepared_ = false;
}

LibResult ReplaceFile(const path& target, const path& working, std::span<const uint8_t> bytes,
                      FileSteps& steps) {
  AtomicFile out(steps);
  if (LibResult r = out.Open(target, working); r != LIB_OK) return r;
  if (!out.Write(bytes)) return LIB_FILE_WRITE;
  return out.Commit();
}

LibResult CopyFileSynced(const path& source, const path& destination, FileSteps& steps) {
  if (!steps.Allow(FsStep::Copy, source)) return LIB_FILE_READ;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(source, bytes, steps)) return LIB_FILE_READ;
  path working = destination;
  working += ".~CP";
  return ReplaceFile(destination, working, bytes, steps);
}

LibResult RemoveFile(const path& file, FileSteps& steps) {
  if (!steps.Allow(FsStep::Remove, file)) return LIB_FILE_WRITE;
  if (!Noted(::unlink(file.c_str()) == 0 || errno == ENOENT)) return LIB_FILE_WRITE;
  SyncDirectory(ParentOf(file), steps);
  return LIB_OK;
}

}  // namespace quillet::fs
