#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/base/result.h"

namespace quillet::testing {

using std::filesystem::path;

// One write operation proved against interruption at each of its file steps.
struct CrashPointCase {
  std::string name;
  // Lays out the files the operation works on, below root (a fresh folder each run).
  std::function<void(const path& root)> build;
  // The write itself on the tree below root; LIB_OK when done.
  std::function<LibResult(const path& root)> operation;
  // Backups the rules promise (file -> its backup, relative to root): once the
  // file has changed, the backup holds the content the file had before.
  std::vector<std::pair<std::string, std::string>> backups = {};
  // Groups of files (relative to root) of which at least one holds the first
  // one's original content at every moment: a moved file is never in neither place.
  std::vector<std::vector<std::string>> keepOne = {};
  // A failed operation leaves every file as it was (one-file writes); off for
  // operations over several files that may stop half-way, safely.
  bool failureRestoresAll = true;
  // Running the operation again after a crash succeeds and gives the after
  // state: what a crash left behind is never taken for data.
  bool retryAfterCrash = true;
};

struct CrashPointReport {
  std::vector<std::string> steps;  // "Create F1.DAT.~CP", ... of the clean run
  int runs = 0;                    // interrupted runs made (failed step and dead process)
  std::vector<std::string> failures;
};

// Runs the operation once to count its file steps, then for each step k: once
// with step k failing (fs::SetFaultHook) and once in a forked child that dies
// at step k. After each, every file must be exactly as before or exactly as
// after (never missing, never partial), backups present as promised, and no
// working file (*.NEW, *.tmp, *.~NU, *.~CP) left by a failure the process survived.
CrashPointReport RunCrashPoints(const CrashPointCase& c);

// Test output names the case, not its bytes.
inline void PrintTo(const CrashPointCase& c, std::ostream* os) {
  *os << c.name;
}

// True for the names of working files that must never outlive an operation.
bool IsWorkingFileName(const std::string& name);

}  // namespace quillet::testing
