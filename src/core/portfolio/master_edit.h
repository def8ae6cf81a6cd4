#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "core/base/mbf.h"
#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/master.h"

namespace quillet {

// The MASTER rewrites of the rewrite engine. libDir is the Portfolio directory
// the lookup starts from, masterPath the Portfolio's MASTER file. The MASTER
// that changes is the one of the directory where the security was found.

// Sets the first or the last date of the entries of fileNumber in that MASTER.
// LIB_OK, or a failure code with the file unchanged.
LibResult SetMasterDate(std::string_view libDir, std::string_view masterPath,
                        std::string_view query, const MbfFloat& dateField, uint8_t fileNumber,
                        MasterDate which, fs::FileSteps& steps = fs::EveryStep());

// Stores the new name and symbol (blank-padded to 16) in every security entry of
// the old symbol's file number. LIB_OK, or a failure code with the file unchanged:
// the lookup's code when the old symbol is not found, LIB_INVALID_PARM for a text
// longer than 16 characters.
LibResult RenameMasterEntry(std::string_view libDir, std::string_view masterPath,
                            std::string_view oldSymbol, std::string_view newSymbol,
                            std::string_view newName, fs::FileSteps& steps = fs::EveryStep());

// The pieces the rewrite engine shares with the two routines above.
namespace master_edit {

// The MASTER file that lists the securities of foundDirectory: masterPath when
// that is the Portfolio's own folder, otherwise the sub-directory's MASTER.
std::filesystem::path MasterFileFor(std::string_view foundDirectory, std::string_view masterPath);

// Backs the MASTER up (its path + ".BAK"), then swaps the new content in through
// its path + ".NEW". LIB_OK, or a failure code with the MASTER unchanged.
LibResult ReplaceMaster(const MasterFile& master, fs::FileSteps& steps = fs::EveryStep());
// The same swap without a backup: puts content back after a later step failed.
LibResult RestoreMaster(const MasterFile& master, fs::FileSteps& steps = fs::EveryStep());

// The backup (path + ".BAK") and working file (path + ".NEW") of a MASTER file,
// and the backup alone, for a MASTER swapped together with another file.
std::filesystem::path MasterBackupPath(const std::filesystem::path& master);
std::filesystem::path MasterWorkingPath(const MasterFile& master);
LibResult BackUpMaster(const MasterFile& master, fs::FileSteps& steps = fs::EveryStep());

}  // namespace master_edit
}  // namespace quillet
