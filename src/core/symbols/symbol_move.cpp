#include "core/symbols/symbol_move.h"

#include <vector>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/messages/symbols.h"
#include "core/portfolio/master_file.h"
#include "core/portfolio/write_guard.h"

namespace quillet {
namespace {

constexpr const char* kWorkingSuffix = ".~NU";

// Appends the restore failures of journal to message.
void Undo(FileJournal& journal, std::string& message) {
  for (const fs::path& lost : journal.Restore()) message += messages::UndoIncomplete(lost.string());
}

// Makes destination's F<n>.ext exactly the source's: copied over a leftover
// file, or a leftover removed when the source has none. The reason it failed,
// or empty.
std::string TransferQuoteFile(const fs::path& sourceDir, int oldNumber, const fs::path& destDir,
                              int newNumber, const char* extension, FileJournal& journal) {
  const fs::path source = fs::FindNoCase(sourceDir, fs::QuoteFileName(oldNumber, extension));
  const fs::path target = fs::PathNoCase(destDir, fs::QuoteFileName(newNumber, extension));
  if (source.empty() && !fs::Exists(target)) return {};
  if (!journal.Remember(target))
    return messages::CannotRead(target.string(), fs::LastFailureReason());
  if (source.empty()) {
    return fs::RemoveFile(target, journal.Steps()) == LIB_OK
               ? std::string()
               : messages::CannotRemove(target.string(), fs::LastFailureReason());
  }
  switch (fs::CopyFileSynced(source, target, journal.Steps())) {
    case LIB_OK:
      return {};
    case LIB_FILE_READ:
      return messages::CannotRead(source.string(), fs::LastFailureReason());
    default:
      return messages::CannotWrite(target.string(), fs::LastFailureReason());
  }
}

}  // namespace

TransferResult AddMasterEntry(const MasterRecord& record, std::string_view symbol,
                              std::string_view destination, std::string_view sourceDirectory,
                              TransferMode mode, FileJournal& journal) {
  const bool move = mode == TransferMode::Move;
  const std::string destDir = fs::WithSeparator(destination);
  const std::string masterPath = MasterPathOf(destination);
  const auto refuse = [](AddStatus status, LibResult code, std::string message) {
    TransferResult result;
    result.status = status;
    result.code = code;
    result.message = std::move(message);
    return result;
  };
  // A failed step puts back the ones before it.
  const auto fail = [&](const std::string& reason) {
    TransferResult result =
        refuse(AddStatus::Failed, LIB_FILE_WRITE, messages::MoveCopyFailed(move, symbol, reason));
    Undo(journal, result.message);
    return result;
  };

  const MasterLookup lookup = LookupMasterRecord(destDir, symbol);
  if (lookup.ok()) {
    return refuse(AddStatus::Exists, LIB_FILE_EXISTS,
                  messages::SymbolAlreadyExists(symbol, destination));
  }
  // Nothing is written to a destination that cannot be read in full.
  MasterFile master;
  if (lookup.code != LIB_FILE_NOT_FOUND ||
      master.Read(MasterFileOf(masterPath), journal.Steps()) != LIB_OK) {
    return refuse(AddStatus::Failed, LIB_FILE_READ, messages::DestinationUnreadable(masterPath));
  }
  if (master.Count() >= kMaxSymbols || master.SecondCount() == kMaxSymbols) {
    return refuse(AddStatus::Full, LIB_INVALID_PARM, messages::kPortfolioFull);
  }
  // A count that no longer matches the records would be made worse by one more.
  if (const MasterCheck check = TestMaster(master); !check.Sound()) {
    return refuse(AddStatus::Failed, LIB_FILE_READ,
                  messages::DestinationDamaged(masterPath, check.Describe(masterPath)));
  }
  const uint8_t number = master.LowestFreeFileNumber();
  if (number == 0) return refuse(AddStatus::Full, LIB_INVALID_PARM, messages::kPortfolioFull);
  // A leftover file of the new number is replaced: not one its owner protected.
  WriteGuard guard;
  if (!guard.Writable({fs::FindNoCase(destDir, fs::QuoteFileName(number, "DAT")),
                       fs::FindNoCase(destDir, fs::QuoteFileName(number, "DOP"))})) {
    return refuse(AddStatus::Failed, kWriteRefused,
                  messages::MoveCopyFailed(move, symbol, guard.message));
  }

  // The quote files first: the new record never points at a file not yet there.
  const fs::path sourceDir{std::string(sourceDirectory)};
  for (const char* extension : {"DAT", "DOP"}) {
    const std::string reason =
        TransferQuoteFile(sourceDir, record.FileNumber(), destDir, number, extension, journal);
    if (!reason.empty()) return fail(reason);
  }
  master.AddToCounts(+1);
  MasterRecord added = record;
  added.bytes[kMasterFileNumber] = number;
  master.Append(added);
  if (!journal.Remember(master.Path()) ||
      master.Write(masterPath + kWorkingSuffix, journal.Steps()) != LIB_OK) {
    return fail(messages::CannotWrite(master.Path().string(), fs::LastFailureReason()));
  }
  TransferResult result;
  result.status = AddStatus::Added;
  result.fileNumber = number;
  return result;
}

TransferResult TransferSymbol(std::string_view libDir, std::string_view symbol,
                              std::string_view destination, TransferMode mode,
                              fs::FileSteps& steps) {
  const bool move = mode == TransferMode::Move;
  fs::NoteFailure(0);
  const std::string query = ToUpperAscii(TrimBlanks(symbol));
  const auto lookUp = [&] {
    return query.empty() ? MasterLookup{} : LookupMasterRecord(libDir, query);
  };
  MasterLookup found = lookUp();
  // Both Portfolios are held from here to the last step, and the security is
  // looked up again under the locks: a writer before may have changed it.
  WriteGuard guard;
  const auto refused = [&](const std::string& why) {
    TransferResult result;
    result.code = kWriteRefused;
    result.message = messages::MoveCopyFailed(move, query, why);
    return result;
  };
  std::vector<fs::path> folders{std::string(libDir), std::string(destination)};
  if (found.ok()) folders.emplace_back(found.directory);
  if (!guard.Lock(std::move(folders))) return refused(guard.message);
  if (found.ok()) found = lookUp();
  if (!found.ok()) {
    TransferResult result;
    result.code = found.code;
    result.message = messages::SymbolNotFound(query, libDir);
    return result;
  }
  const MasterRecord& record = found.record;
  const std::string& sourceDir = found.directory;
  std::vector<fs::path> changed{MasterFileOf(MasterPathOf(destination))};
  if (move) {
    changed.push_back(MasterFileOf(MasterPathOf(sourceDir)));
    for (const char* extension : {"DAT", "DOP", "BAK"})
      changed.push_back(
          fs::FindNoCase(sourceDir, fs::QuoteFileName(record.FileNumber(), extension)));
  }
  if (!guard.Writable(changed)) return refused(guard.message);

  FileJournal journal(steps);
  TransferResult result = AddMasterEntry(record, query, destination, sourceDir, mode, journal);
  if (!result.ok() || !move) return result;

  // The record leaves the MASTER that held it (where the lookup found it), then its files.
  const auto fail = [&](const std::string& reason) {
    result.status = AddStatus::Failed;
    result.code = LIB_FILE_WRITE;
    result.fileNumber = 0;
    result.message = messages::MoveCopyFailed(true, query, reason);
    Undo(journal, result.message);
    return result;
  };
  const std::string sourceMasterPath = MasterPathOf(sourceDir);
  MasterFile source;
  if (source.Read(MasterFileOf(sourceMasterPath), steps) != LIB_OK) {
    return fail(
        messages::CannotRead(MasterFileOf(sourceMasterPath).string(), fs::LastFailureReason()));
  }
  source.DropPartialRecord();
  const int removed = source.RemoveIf([&](const MasterRecord& r) {
    return !r.IsDirectory() && r.FileNumber() == record.FileNumber();
  });
  if (removed == 0) return fail(messages::SymbolNotInMaster(query, sourceMasterPath));
  source.AddToCounts(-removed);
  if (!journal.Remember(source.Path()) ||
      source.Write(sourceMasterPath + kWorkingSuffix, steps) != LIB_OK) {
    return fail(messages::CannotWrite(source.Path().string(), fs::LastFailureReason()));
  }
  // Every security of that number has left this MASTER, so its files go too.
  for (const char* extension : {"DAT", "DOP", "BAK"}) {
    const fs::path file =
        fs::FindNoCase(fs::path(sourceDir), fs::QuoteFileName(record.FileNumber(), extension));
    if (file.empty()) continue;
    if (!journal.Remember(file))
      return fail(messages::CannotRead(file.string(), fs::LastFailureReason()));
    if (fs::RemoveFile(file, steps) != LIB_OK)
      return fail(messages::CannotRemove(file.string(), fs::LastFailureReason()));
  }
  return result;
}

}  // namespace quillet
