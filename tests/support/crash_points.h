#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {

using std::filesystem::path;

const char* StepName(fs::FsStep step);

// The file steps the tests give an operation: every step asked about is
// recorded in order, and those the rule picks fail (index counts from 0).
class TestSteps final : public fs::FileSteps {
 public:
  using Rule = std::function<bool(size_t index, fs::FsStep step, const path& file)>;
  TestSteps() = default;
  // A failed step stands for the OS error given (ENOSPC: a full disk), or none.
  explicit TestSteps(Rule fail, int error = 0) : fail_(std::move(fail)), error_(error) {}
  // Only the index-th step fails.
  static TestSteps FailingAt(size_t index);
  // Every step of that kind fails.
  static TestSteps Failing(fs::FsStep kind);

  bool Allow(fs::FsStep step, const path& file) override;
  struct Step {
    fs::FsStep step;
    path file;
  };
  const std::vector<Step>& recorded() const { return recorded_; }
  // "Sync F1.NEW", ... with files relative to root.
  std::vector<std::string> Names(const path& root) const;
  int failed() const { return failed_; }

 private:
  Rule fail_;
  int error_ = 0;
  std::vector<Step> recorded_;
  int failed_ = 0;
};

// One write operation of the golden table: the Portfolio it starts from, the
// operation, the file changes of a clean run, and what the safety rules promise
// when it is interrupted at any of its file steps.
struct CrashPointCase {
  std::string name;
  // Lays out the files the operation works on, below root (a fresh folder each run).
  std::function<void(const path& root)> build;
  // The operation on the tree below root, through steps; LIB_OK when done.
  std::function<LibResult(const path& root, fs::FileSteps& steps)> operation;
  // Every file a clean run changes ("F1.DAT"), makes ("+F1.BAK") or removes
  // ("-F7.DAT"), relative to root; every other file keeps its bytes.
  std::vector<std::string> changes = {};
  // Backups the rules promise (file -> its backup, relative to root): once the
  // file has changed, the backup holds the content the file had before.
  std::vector<std::pair<std::string, std::string>> backups = {};
  // Groups of files (relative to root) of which at least one holds the first
  // one's original content at every moment: a moved file is never in neither place.
  std::vector<std::vector<std::string>> keepOne = {};
  // A failed operation leaves every file as it was (one-file writes); off for
  // operations over several files that may stop half-way, safely.
  bool failureRestoresAll = true;
  // A kill at any step leaves the files (backups and working files aside) wholly
  // as before or as after, or a change that check reports and the next writer
  // of the folder finishes to the after state.
  bool whole = false;
  // Running the operation again after a crash succeeds and gives the after
  // state: what a crash left behind is never taken for data.
  bool retryAfterCrash = true;
};

struct CrashPointReport {
  std::vector<std::string> steps;  // "Create F1.DAT.~CP", ... of the clean run
  int runs = 0;                    // interrupted runs made (failed step and dead process)
  std::vector<std::string> failures;
};

// Runs the operation once to record its file steps and changes (checked against
// c.changes; each rename must come after a sync of the renamed file and before a
// sync of its folder), then for each step k: once with step k failing and once
// in a forked child that dies at step k. After each, every file must be exactly
// as before or exactly as after (never missing, never partial), backups present
// as promised, and no working file (*.NEW, *.tmp, *.~NU, *.~CP, *.~WR) left by a
// failure the process survived.
CrashPointReport RunCrashPoints(const CrashPointCase& c);

// Test output names the case, not its bytes.
inline void PrintTo(const CrashPointCase& c, std::ostream* os) {
  *os << c.name;
}

// Runs the operation once to learn the working files it creates, then again with
// each of those names taken beforehand by a symbolic link and by a hard link to a
// file outside root, and by a FIFO. Each run must give the clean run's result
// (what stood at a working name is never data) within seconds, with the outside
// file untouched. Each backup name of c.backups is taken the same ways and by a
// folder: the operation must refuse all but the hard link (a regular file) with
// nothing changed. Returns what went wrong.
std::vector<std::string> RunWithWorkingNamesTaken(const CrashPointCase& c);

// The files after holds that before did not (+name), no longer holds (-name) or
// holds with other bytes (name), sorted.
std::vector<std::string> TreeChanges(const TreeSnapshot& before, const TreeSnapshot& after);

// True for the names of working files that must never outlive an operation.
bool IsWorkingFileName(const std::string& name);

}  // namespace quillet::testing
