#include "core/fs/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/base/strings.h"

namespace quillet::fs {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens for reading without waiting: a FIFO or a device named like a data file
// must not stall the reader (it is then refused as not a regular file).
int OpenForReading(const path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) NoteFailure(errno);
  return fd;
}

bool ReadFully(int fd, uint8_t* data, size_t size, size_t& done, FileSteps& steps,
               const path& file) {
  done = 0;
  while (done < size) {
    if (!steps.Allow(FsStep::Read, file)) return false;
    const ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      NoteFailure(errno);
      return false;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string WithSeparator(std::string_view directory) {
  std::string out(directory);
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

std::pair<uint64_t, uint64_t> FolderIdentity(const path& dir) {
  struct stat st {};
  if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0) return {0, 0};
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

path FindNoCase(const path& dir, std::string_view name) {
  const path base = dir.empty() ? path(".") : dir;
  std::error_code ec;
  const path exact = base / std::string(name);
  if (std::filesystem::exists(exact, ec)) return dir.empty() ? path(std::string(name)) : exact;
  // Read by hand: every series read lists its folder for its DOP file, and a path
  // object per entry would cost more than the listing itself.
  DIR* const folder = ::opendir(base.c_str());
  if (!folder) return {};
  path found;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view entryName = entry->d_name;
    if (entryName != "." && entryName != ".." && EqualsNoCase(entryName, name)) {
      found = dir.empty() ? path(entryName) : base / entryName;
      break;
    }
  }
  ::closedir(folder);
  return found;
}

path PathNoCase(const path& dir, std::string_view name) {
  path found = FindNoCase(dir, name);
  if (!found.empty()) return found;
  return dir.empty() ? path(std::string(name)) : dir / std::string(name);
}

std::string QuoteFileName(int fileNumber, std::string_view extension) {
  return "F" + std::to_string(fileNumber) + "." + std::string(extension);
}

bool ReadWholeFile(const path& file, std::vector<uint8_t>& bytes, FileSteps& steps) {
  Fd f(OpenForReading(file));
  if (f.fd < 0) return false;
  struct stat st {};
  if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  if (!ReadFully(f.fd, bytes.data(), bytes.size(), done, steps, file)) return false;
  bytes.resize(done);
  return true;
}

bool ReadFileRange(const path& file, uint64_t offset, size_t size, std::vector<uint8_t>& bytes,
                   FileSteps& steps) {
  Fd f(OpenForReading(file));
  if (f.fd < 0) return false;
  struct stat st {};
  if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  const uint64_t available = offset < fileSize ? fileSize - offset : 0;
  bytes.resize(static_cast<size_t>(std::min<uint64_t>(available, size)));
  if (bytes.empty()) return true;
  if (::lseek(f.fd, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  size_t done = 0;
  if (!ReadFully(f.fd, bytes.data(), bytes.size(), done, steps, file)) return false;
  bytes.resize(done);
  return true;
}

bool Exists(const path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

}  // namespace quillet::fs

namespace quillet::fs {

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool InputFile::Open(const path& file) {
  if (fd_ >= 0) ::close(fd_);
  file_ = file;
  fd_ = OpenForReading(file);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  size_ = static_cast<uint64_t>(st.st_size);
  return true;
}

bool InputFile::ReadInto(uint64_t offset, size_t size, uint8_t* data, size_t& got) {
  got = 0;
  if (fd_ < 0) return false;
  const uint64_t available = offset < size_ ? size_ - offset : 0;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(available, size));
  while (got < wanted) {
    if (!steps_->Allow(FsStep::Read, file_)) return false;
    const ssize_t n = ::pread(fd_, data + got, wanted - got, static_cast<off_t>(offset + got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // the file ended early (it shrank since it was opened)
    got += static_cast<size_t>(n);
  }
  return true;
}

bool InputFile::ReadAt(uint64_t offset, size_t size, std::vector<uint8_t>& bytes) {
  if (fd_ < 0) return false;
  const uint64_t available = offset < size_ ? size_ - offset : 0;
  bytes.resize(static_cast<size_t>(std::min<uint64_t>(available, size)));
  size_t got = 0;
  const bool ok = ReadInto(offset, bytes.size(), bytes.data(), got);
  bytes.resize(got);
  return ok;
}

bool InputFile::ReadExact(uint64_t offset, void* data, size_t size) {
  size_t got = 0;
  return ReadInto(offset, size, static_cast<uint8_t*>(data), got) && got == size;
}

}  // namespace quillet::fs
