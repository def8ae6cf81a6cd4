#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fs/file_steps.h"

namespace quillet {

// The files a symbol command changes, as they were before, so that a failed
// step can put every earlier step back: a file's bytes, or that it was absent.
class FileJournal {
 public:
  explicit FileJournal(fs::FileSteps& steps = fs::EveryStep()) : steps_(&steps) {}
  // Remembers file as it is now; false when it exists but cannot be read.
  bool Remember(const std::filesystem::path& file);
  // Puts the remembered files that changed back, the last remembered first;
  // returns the files left changed (empty when all are as they were).
  std::vector<std::filesystem::path> Restore();
  void Clear() { entries_.clear(); }
  // The steps every file step of the command goes through.
  fs::FileSteps& Steps() const { return *steps_; }

 private:
  struct Entry {
    std::filesystem::path file;
    bool existed = false;
    std::vector<uint8_t> bytes;
  };
  fs::FileSteps* steps_;
  std::vector<Entry> entries_;
};

}  // namespace quillet
