#include "core/fs/file_steps.h"

#include <system_error>

namespace quillet::fs {
namespace {
class AllowEveryStep final : public FileSteps {
 public:
  bool Allow(FsStep, const std::filesystem::path&) override { return true; }
};
}  // namespace

FileSteps& EveryStep() {
  static AllowEveryStep steps;
  return steps;
}

namespace {
thread_local int lastFailure = 0;
}  // namespace

void NoteFailure(int error) {
  lastFailure = error;
}

std::string LastFailureReason() {
  return lastFailure == 0 ? std::string() : std::generic_category().message(lastFailure);
}

}  // namespace quillet::fs
