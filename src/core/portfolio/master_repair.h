#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/portfolio/master_file.h"

namespace quillet {

// How the repair asks and reports; the GUI shows the "Fix Master File" dialog
// (with the information beep before a report), the CLI writes to stderr.
class RepairPrompt {
 public:
  virtual ~RepairPrompt() = default;
  // The question before anything is changed; true to repair.
  virtual bool Confirm(const std::string& message) = 0;
  // A record that was dropped; the repair goes on when this returns.
  virtual void Dropped(const std::string& message) = 0;
};

// message: what to show when neither repaired nor declined.
struct RepairResult : Outcome {
  bool repaired = false;  // the file was rewritten and replaced
  bool declined = false;  // the user said no; nothing changed
  int written = 0;        // records in the new file (its header count)
  int dropped = 0;
  bool backupMade = false;  // false when an earlier backup was kept
  std::string backupPath;
};

// Rewrites a damaged MASTER: the old file is kept as master path + ".bak" (only
// when no backup exists yet), the new content goes through master path + ".tmp"
// and replaces MASTER by rename-over. A record without a symbol gets its issue
// name as symbol; the first record of a file number stays, later ones are
// dropped and reported; a partial record at the end is dropped; the header
// count becomes the number of records written. masterFix skips the question.
// On any failure MASTER is left as it was (and a backup made by this call is
// removed again).
RepairResult RepairMasterFile(std::string_view masterPath, bool masterFix, RepairPrompt& prompt,
                              fs::FileSteps& steps = fs::EveryStep());

// A change cut short is finished first; then the damage tests, then the repair
// when they fail. True when the file is sound
// or has been repaired.
struct CheckResult {
  bool sound = false;
  MasterCheck check;    // the tests as they were before any repair
  RepairResult repair;  // when a repair was tried
  bool repairTried = false;
  // A change cut short that was finished first (its words), or why it could not be.
  Outcome finished;
};
CheckResult CheckMasterFile(std::string_view masterPath, bool masterFix, RepairPrompt& prompt);

// What `check` tells of a Portfolio, changing nothing: the damage tests, a change
// cut short (told, not finished) and the index-file entries that are ignored
// (told, never damage; only when the MASTER tests could run).
struct PortfolioReport {
  MasterCheck check;
  std::string unfinished;             // the change cut short, in the user's words
  std::vector<std::string> warnings;  // ignored EMASTER or XMASTER entries
  bool Sound() const { return check.Sound() && unfinished.empty(); }
  std::string Describe(std::string_view masterPath) const {
    return check.Sound() && !unfinished.empty() ? unfinished : check.Describe(masterPath);
  }
};
PortfolioReport ReportPortfolio(std::string_view libDir, std::string_view masterPath);

}  // namespace quillet
