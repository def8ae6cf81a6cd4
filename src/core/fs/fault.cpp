#include "core/fs/fault.h"

#include <utility>

namespace quillet::fs {
namespace {
FaultHook& Hook() {
  static FaultHook hook;
  return hook;
}
}  // namespace

void SetFaultHook(FaultHook hook) {
  Hook() = std::move(hook);
}

bool StepAllowed(FsStep step, const std::filesystem::path& file) {
  const FaultHook& hook = Hook();
  return !hook || hook(step, file);
}

}  // namespace quillet::fs
