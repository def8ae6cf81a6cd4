#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/fs/file_steps.h"

namespace quillet::fs {

using std::filesystem::path;

// The directory text with exactly one trailing separator ("" stays "": the
// current directory, to which file names are appended as they are).
std::string WithSeparator(std::string_view directory);

// The existing entry of dir whose name equals name ignoring ASCII letter case
// (an exact match wins); empty when there is none. The format's names (MASTER,
// F7.DAT, F7.DOP) come from a case-blind disk and may be stored in any case.
path FindNoCase(const path& dir, std::string_view name);
// The existing entry as above, or dir/name as given for a file still to be made.
path PathNoCase(const path& dir, std::string_view name);

// The quote file names of file number n ("F7.DAT", "F7.DOP", ...).
std::string QuoteFileName(int fileNumber, std::string_view extension);

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const path& file, std::vector<uint8_t>& bytes, FileSteps& steps = EveryStep());
// Reads up to size bytes from offset; the bytes read are returned (fewer only at
// the end of the file); false when the file cannot be opened or a read fails.
bool ReadFileRange(const path& file, uint64_t offset, size_t size, std::vector<uint8_t>& bytes,
                   FileSteps& steps = EveryStep());

bool Exists(const path& file);

// The device and inode of a folder ({0, 0} when it cannot be examined), so that
// a walk can tell a folder it has already been through under another name.
std::pair<uint64_t, uint64_t> FolderIdentity(const path& dir);

}  // namespace quillet::fs

namespace quillet::fs {

// A file opened for reading at offsets; closed when it goes. A read that fails
// is a failure, never taken for the end of the file: only the end of the file
// gives fewer bytes than asked.
class InputFile {
 public:
  explicit InputFile(FileSteps& steps = EveryStep()) : steps_(&steps) {}
  explicit InputFile(const path& file, FileSteps& steps = EveryStep()) : steps_(&steps) {
    Open(file);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  bool Open(const path& file);
  bool IsOpen() const { return fd_ >= 0; }
  uint64_t Size() const { return size_; }
  // Up to size bytes at offset into bytes; false when not open or a read fails.
  [[nodiscard]] bool ReadAt(uint64_t offset, size_t size, std::vector<uint8_t>& bytes);
  // Up to size bytes at offset into data, got the number read; false as above.
  [[nodiscard]] bool ReadInto(uint64_t offset, size_t size, uint8_t* data, size_t& got);
  // Exactly size bytes at offset into data; false when fewer are there.
  [[nodiscard]] bool ReadExact(uint64_t offset, void* data, size_t size);

 private:
  FileSteps* steps_;
  path file_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace quillet::fs
