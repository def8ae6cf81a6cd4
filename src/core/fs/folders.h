#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Folders: what the Portfolio scanner and the front ends ask of the file system.
namespace quillet::fs {

// Whether the text ends in the platform's path separator.
bool EndsInSeparator(std::string_view path);

// True when path names a folder (a link to one counts).
bool IsDirectory(std::string_view path);

// What a folder listing tells of one entry, without following a link.
enum class EntryType { Folder, File, Link, Other };

// The identity of an open folder: its volume and its node on that volume.
struct FolderId {
  uint64_t volume = 0;
  uint64_t node = 0;
  auto operator<=>(const FolderId&) const = default;
};

// One folder opened for listing; closed when it goes.
class Folder {
 public:
  // followLink: whether path may itself be a link to a folder (the walk's start).
  Folder(const std::filesystem::path& path, bool followLink);
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  bool IsOpen() const { return fd_ >= 0; }
  FolderId Id() const { return id_; }
  // Calls visit with the name and type of every entry but "." and "..", in the
  // order the file system lists them; false when the folder could not be listed.
  bool List(const std::function<void(const char* name, EntryType type)>& visit);
  // Whether the entry name (a link followed) is a regular file.
  bool IsFileEntry(const char* name) const;

 private:
  int fd_ = -1;
  FolderId id_;
};

// The volume a folder lies on; false when path is not a folder.
bool FolderVolume(const std::filesystem::path& path, uint64_t& volume);

// The longest path text the platform accepts.
size_t MaxPathLength();

}  // namespace quillet::fs
