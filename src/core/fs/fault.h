#pragma once

#include <filesystem>
#include <functional>

namespace quillet::fs {

// The file steps of every write. Tests install a hook that fails (or stops the
// process at) a chosen step, to prove that no interruption loses data.
enum class FsStep { Create, Write, Sync, Rename, Remove, Copy };

// Returns false to make the step fail as the system call would.
using FaultHook = std::function<bool(FsStep step, const std::filesystem::path& file)>;

void SetFaultHook(FaultHook hook);
bool StepAllowed(FsStep step, const std::filesystem::path& file);

}  // namespace quillet::fs
