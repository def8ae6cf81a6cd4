#pragma once

#include <string>
#include <string_view>

#include "core/base/result.h"
#include "core/portfolio/master_file.h"
#include "core/portfolio/master_repair.h"

namespace quillet {

// Makes a Portfolio folder current, as picking it in the Portfolio list does.
// On failure current is unchanged and the outcome says why in the user's words:
// LIB_FILE_NOT_FOUND "<directory> is not a folder", LIB_INVALID_PARM
// "File/Path name too long".
Outcome SetPortfolioFolder(std::string_view directory, CurrentPortfolio& current);

// What a load does with a MASTER that fails the damage tests.
enum class DamagedMaster {
  Refuse,  // list nothing (a read-only command asked)
  Ask,     // repair when RepairPrompt::Confirm says yes ("Search"/"MasterFix" off)
  Repair,  // repair without asking ("Search"/"MasterFix" on)
};

// The result of loading a Portfolio's symbol list.
//   ok():    list holds the rows (list.notice: the 255-symbol notice, to show first).
//   failed:  message is the system's message box ("Failure while filling symbols
//            grid1" when the MASTER is unreadable or stays damaged, "...grid2"
//            when its records cannot be read), and detail the reason in plain
//            words, shown before it (empty when the user declined the repair).
struct PortfolioLoad : Outcome {
  std::string detail;
  MasterCheck check;         // the damage tests as they were before any repair
  bool repairTried = false;  // repair holds what the repair did
  RepairResult repair;
  SymbolList list;
};

// Loads the symbol list of the MASTER at masterPath: the damage tests, then per
// onDamage the repair (its question and dropped-record reports go to prompt),
// then the rows. Writes nothing unless a repair runs. The prompt (owned by the
// caller) is needed only to repair: without one a damaged MASTER is refused.
PortfolioLoad LoadPortfolio(std::string_view masterPath, DamagedMaster onDamage,
                            RepairPrompt* prompt = nullptr);

}  // namespace quillet
