#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/master.h"

namespace quillet {

// A security named as the lookup finds it (symbol or issue name, any letter
// case, sub-directories too), with the text the symbol list shows for it.
struct ResolvedSymbol {
  LibResult result = LIB_FILE_NOT_FOUND;
  MasterRecord record;     // as stored
  std::string directory;   // the folder of the MASTER that holds it, ending in a separator
  std::string masterPath;  // directory + "MASTER"
  std::string listText;    // SymbolText of the record
};
ResolvedSymbol ResolveSymbol(std::string_view directory, std::string_view query);

// The Edit Symbol dialog's check on OK: "You must enter a symbol" for an empty
// symbol; the fields take at most 16 characters. Empty when the entry is valid.
std::string ValidateSymbolEdit(std::string_view newSymbol, std::string_view newName);

struct SymbolEditResult {
  LibResult code = LIB_OK;
  bool invalid = false;  // the entry was refused; message holds the dialog's text
  std::string message;   // empty on success
  bool ok() const { return code == LIB_OK && !invalid; }
};

// Edit Symbol: stores newName and newSymbol (letter case as typed, blank-padded
// to 16) in every entry of the old symbol's file number through
// RenameMasterEntry, which keeps the old MASTER as its backup. A failed rewrite
// is reported; the file is then unchanged.
SymbolEditResult EditSymbol(std::string_view libDir, std::string_view masterPath,
                            std::string_view oldSymbol, std::string_view newSymbol,
                            std::string_view newName, fs::FileSteps& steps = fs::EveryStep());

struct DeleteResult {
  LibResult code = LIB_OK;
  int removed = 0;                   // records taken out of MASTER
  std::vector<uint8_t> fileNumbers;  // their file numbers
  std::vector<std::string> filesDeleted;
  std::string message;  // empty on success
  bool ok() const { return code == LIB_OK; }
};

// Delete Symbol: removes every record whose symbol text (SymbolText) equals
// symbol exactly, lowers N and the second counter by the number removed, writes
// MASTER through master path + ".~NU" and deletes F<n>.DAT, F<n>.DOP and F<n>.BAK
// of each removed file number that no remaining security uses. No match: nothing
// changes (LIB_RECORD_NOT_FOUND). Any failed step puts back every file as it was.
DeleteResult DeleteSymbol(std::string_view masterPath, std::string_view symbol,
                          fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
