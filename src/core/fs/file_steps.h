#pragma once

#include <filesystem>
#include <string>

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

// The OS's reason for the last file step that failed on this thread ("No space
// left on device"), kept like errno so that a failure message can name it after
// the clean-up that follows the failure; empty when the step gave none.
std::string LastFailureReason();
// Notes the errno of a failed OS call (0 forgets the last reason). A FileSteps
// that refuses a step may note the error it stands for.
void NoteFailure(int error);

}  // namespace quillet::fs
