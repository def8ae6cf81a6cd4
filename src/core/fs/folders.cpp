#include "core/fs/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet::fs {

bool EndsInSeparator(std::string_view path) {
  return !path.empty() && path.back() == std::filesystem::path::preferred_separator;
}

bool IsDirectory(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Folder::Folder(const std::filesystem::path& path, bool followLink) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
  fd_ = ::open(path.c_str(), flags);
  if (fd_ < 0) return;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  id_ = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
}

bool Folder::List(const std::function<void(const char* name, EntryType type)>& visit) {
  if (fd_ < 0) return false;
  // The listing takes its own descriptor: this one stays for IsFileEntry.
  const int listFd = ::dup(fd_);
  if (listFd < 0) return false;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return false;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat es {};
      if (::fstatat(fd_, name, &es, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISDIR(es.st_mode)   ? DT_DIR
             : S_ISLNK(es.st_mode) ? DT_LNK
             : S_ISREG(es.st_mode) ? DT_REG
                                   : DT_UNKNOWN;
    }
    visit(name, type == DT_DIR   ? EntryType::Folder
                : type == DT_REG ? EntryType::File
                : type == DT_LNK ? EntryType::Link
                                 : EntryType::Other);
  }
  ::closedir(dir);
  return true;
}

bool Folder::IsFileEntry(const char* name) const {
  struct stat st {};
  return fd_ >= 0 && ::fstatat(fd_, name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

bool FolderVolume(const std::filesystem::path& path, uint64_t& volume) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  volume = static_cast<uint64_t>(st.st_dev);
  return true;
}

size_t MaxPathLength() {
  return PATH_MAX - 1;
}

}  // namespace quillet::fs
