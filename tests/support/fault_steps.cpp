#include "support/fault_steps.h"

#include <memory>

namespace quillet::testing {

std::vector<RecordedStep> RecordSteps(const std::function<void()>& fn) {
  auto steps = std::make_shared<std::vector<RecordedStep>>();
  fs::SetFaultHook([steps](fs::FsStep step, const std::filesystem::path& file) {
    steps->push_back({step, file.string()});
    return true;
  });
  fn();
  fs::SetFaultHook({});
  return *steps;
}

FailNthStep::FailNthStep(size_t index) : fired_(std::make_shared<bool>(false)) {
  auto counter = std::make_shared<size_t>(0);
  auto fired = fired_;
  fs::SetFaultHook([counter, fired, index](fs::FsStep, const std::filesystem::path&) {
    if ((*counter)++ != index) return true;
    *fired = true;
    return false;
  });
}

FailNthStep::~FailNthStep() {
  fs::SetFaultHook({});
}

const char* StepName(fs::FsStep step) {
  switch (step) {
    case fs::FsStep::Create:
      return "Create";
    case fs::FsStep::Write:
      return "Write";
    case fs::FsStep::Sync:
      return "Sync";
    case fs::FsStep::Rename:
      return "Rename";
    case fs::FsStep::Remove:
      return "Remove";
    case fs::FsStep::Copy:
      return "Copy";
  }
  return "?";
}

}  // namespace quillet::testing
