#pragma once

#include <filesystem>

namespace quillet::fs {

// The file steps of every read and write.
enum class FsStep { Create, Write, Sync, Rename, Remove, Copy, Read };

// Asked before each file step the file layer takes for an operation. An
// operation is given one (tests give theirs, to record the order of the steps or
// to fail or stop the process at a chosen one) or uses EveryStep().
class FileSteps {
 public:
  virtual ~FileSteps() = default;
  // False makes the step fail as the system call would. A rename is announced
  // with the file renamed (the working file), a folder sync with the folder.
  virtual bool Allow(FsStep step, const std::filesystem::path& file) = 0;
};

// Allows every step.
FileSteps& EveryStep();

}  // namespace quillet::fs
