#pragma once

#include <cstdint>
#include <string_view>

#include "core/lib/mbf.h"
#include "core/lib/result.h"

namespace quillet {

// The MASTER rewrites of the rewrite engine. libDir is the Portfolio directory
// the lookup starts from, masterPath the Portfolio's MASTER file. The MASTER
// that changes is the one of the directory where the security was found.

// Sets the first date (which == 0) or the last date of the entries of fileNumber
// in that MASTER. LIB_OK, or a failure code with the file unchanged.
LibResult SetMasterDate(std::string_view libDir, std::string_view masterPath,
                        std::string_view query, const MbfFloat& dateField, uint8_t fileNumber,
                        int which);

// Stores the new name and symbol (blank-padded to 16) in every security entry of
// the old symbol's file number. LIB_OK, or a failure code with the file unchanged.
LibResult RenameMasterEntry(std::string_view libDir, std::string_view masterPath,
                            std::string_view oldSymbol, std::string_view newSymbol,
                            std::string_view newName);

}  // namespace quillet
