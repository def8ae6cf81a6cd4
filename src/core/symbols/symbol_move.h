#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/fs/file_steps.h"
#include "core/lib/master.h"
#include "core/symbols/file_journal.h"

namespace quillet {

// AddMasterEntry's answers: 0 added, 1 the symbol already exists in the
// destination, 2 the destination is full; 3 the destination could not be read
// or written (nothing changed).
enum class AddStatus { Added = 0, Exists = 1, Full = 2, Failed = 3 };

enum class TransferMode { Copy = 0, Move = 1 };

// code: LIB_OK when added; LIB_FILE_EXISTS, LIB_INVALID_PARM (full) or a file
// error otherwise, with message saying why.
struct TransferResult : Outcome {
  AddStatus status = AddStatus::Failed;
  uint16_t fileNumber = 0;  // the new file number in the destination (from 256: in XMASTER)
};

// Adds record (as stored in its source MASTER) to the Portfolio destination under
// the lowest file number its MASTER does not use; when MASTER is full and the
// destination keeps an XMASTER, as an XMASTER security under the lowest free
// number from 256, its quotes in F<n>.MWD. symbol (upper case, trimmed) is
// looked up in the destination tree first. The quote files F<n>.DAT and F<n>.DOP
// of sourceDirectory are copied to the new number first (a leftover file of that
// number is overwritten, or removed when the source has none), then the record is
// appended with both header counts raised, through MASTER + ".~NU". Every file it
// changes is remembered in journal; on failure the journal has put them back.
TransferResult AddMasterEntry(const MasterRecord& record, std::string_view symbol,
                              std::string_view destination, std::string_view sourceDirectory,
                              TransferMode mode, FileJournal& journal);

// The Move and Copy commands: symbol (as the list shows it) is upper-cased,
// trimmed and looked up from libDir; the security is added to destination by
// AddMasterEntry. A move then removes the record from the MASTER that held it
// and its quote files (F<n>.DAT, .DOP, .BAK) from that folder. The steps run in
// an order that never loses the series, and any failed step puts back the ones
// before it: both Portfolios stay as they were.
TransferResult TransferSymbol(std::string_view libDir, std::string_view symbol,
                              std::string_view destination, TransferMode mode,
                              fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
