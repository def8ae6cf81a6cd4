#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/master.h"

namespace quillet {

// The Edit Symbol dialog's check on OK: "You must enter a symbol" for an empty
// symbol; the fields take at most 16 characters; a symbol must not begin with a
// blank or a non-ASCII byte nor hold a control byte, and a name must not mark a
// sub-directory. Empty when the entry is valid.
std::string ValidateSymbolEdit(std::string_view newSymbol, std::string_view newName);

// Edit Symbol: an entry ValidateSymbolEdit refuses, or a new symbol that another
// security already answers to (its list text compared as the lookup and the
// delete compare it), gives LIB_INVALID_PARM and the text to show; otherwise it stores newName and
// newSymbol (letter case as typed, blank-padded to 16) in every entry of the old symbol's file
// number through RenameMasterEntry, which keeps the old MASTER as its backup. A failed rewrite is
// reported; the file is then unchanged.
Outcome EditSymbol(std::string_view libDir, std::string_view masterPath, std::string_view oldSymbol,
                   std::string_view newSymbol, std::string_view newName,
                   fs::FileSteps& steps = fs::EveryStep());

struct DeleteResult : Outcome {
  int removed = 0;                    // records taken out of MASTER and XMASTER
  std::vector<uint16_t> fileNumbers;  // their file numbers
  std::vector<std::string> filesDeleted;
};

// Delete Symbol: removes every record whose symbol text (MasterRecord::Symbol) equals
// symbol exactly, lowers N and the second counter by the number removed, writes
// MASTER through master path + ".~NU" and deletes F<n>.DAT, F<n>.DOP and F<n>.BAK
// of each removed file number that no remaining security uses; then the EMASTER
// entries of the removed records, and the XMASTER securities of that symbol with
// their F<n>.MWD. No match: nothing changes (LIB_RECORD_NOT_FOUND). Any failed step puts back every
// file as it was.
DeleteResult DeleteSymbol(std::string_view masterPath, std::string_view symbol,
                          fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
