#include "core/symbols/symbol_edit.h"

#include <algorithm>
#include <optional>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/index_files.h"
#include "core/messages/symbols.h"
#include "core/portfolio/master_edit.h"
#include "core/portfolio/master_file.h"
#include "core/portfolio/write_guard.h"
#include "core/symbols/file_journal.h"

namespace quillet {

namespace {

// The entry as the edit would store it.
MasterRecord Edited(std::string_view newSymbol, std::string_view newName) {
  MasterRecord record;
  record.SetText(kMasterName, newName);
  record.SetText(kMasterSymbol, newSymbol);
  return record;
}

// Another security that the lookup or the delete would take for the new symbol's
// list text: in the MASTER that holds the edited security, or found first from
// libDir in another folder. Null when there is none (or the edited one is not found).
std::optional<MasterRecord> OtherAnswering(std::string_view libDir, std::string_view masterPath,
                                           std::string_view oldSymbol,
                                           const std::string& listText) {
  const MasterLookup self = LookupMasterRecord(libDir, oldSymbol);
  if (!self.ok()) return std::nullopt;
  MasterFile master;
  if (master.Read(master_edit::MasterFileFor(self.directory, masterPath)) == LIB_OK) {
    for (const MasterRecord& r : master.Records()) {
      if (r.IsDirectory() || r.FileNumber() == self.record.FileNumber()) continue;
      if (EqualsNoCase(r.Symbol(), listText) || MasterRecordMatches(r, listText)) return r;
    }
  }
  const MasterLookup other = LookupMasterRecord(libDir, listText);
  if (other.ok() && other.directory != self.directory) return other.record;
  return std::nullopt;
}

// RenameMasterEntry, with EMASTER and XMASTER kept in step: a security that only
// they list is renamed there alone.
LibResult RenameSecurity(std::string_view libDir, std::string_view masterPath,
                         std::string_view oldSymbol, std::string_view newSymbol,
                         std::string_view newName, fs::FileSteps& steps) {
  const MasterLookup self = LookupMasterRecord(libDir, oldSymbol);
  if (!self.ok()) return self.code;
  MasterRecord renamed = self.record;
  renamed.SetText(kMasterName, newName);
  renamed.SetText(kMasterSymbol, newSymbol);
  if (self.record.source != IndexSource::Master) {
    return UpdateIndexFiles(self.directory, self.record, renamed, IndexChange::Texts, steps);
  }
  MasterFile old;
  if (old.Read(master_edit::MasterFileFor(self.directory, masterPath), steps) != LIB_OK) {
    return LIB_FILE_OPEN;
  }
  if (LibResult r = RenameMasterEntry(libDir, masterPath, oldSymbol, newSymbol, newName, steps);
      r != LIB_OK) {
    return r;
  }
  const LibResult r =
      UpdateIndexFiles(self.directory, self.record, renamed, IndexChange::Texts, steps);
  // EMASTER stayed as it was: MASTER goes back with it.
  if (r != LIB_OK) master_edit::RestoreMaster(old, steps);
  return r;
}

}  // namespace

std::string ValidateSymbolEdit(std::string_view newSymbol, std::string_view newName) {
  if (newSymbol.empty()) return messages::kYouMustEnterASymbol;
  if (newSymbol.size() > static_cast<size_t>(kMasterTextSize)) {
    return messages::TextTooLong("symbol", kMasterTextSize);
  }
  if (newName.size() > static_cast<size_t>(kMasterTextSize)) {
    return messages::TextTooLong("name", kMasterTextSize);
  }
  // The list shows a symbol up to its first blank, control or non-ASCII byte: one
  // that starts there would list as nothing, which the damage tests call damaged.
  const MasterRecord edited = Edited(newSymbol, newName);
  const bool control = std::any_of(newSymbol.begin(), newSymbol.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 || c == 127;
  });
  if (edited.Symbol().empty() || control) return messages::kSymbolCharacters;
  if (edited.IsDirectory()) return messages::kNameLooksLikeDirectory;
  return {};
}

Outcome EditSymbol(std::string_view libDir, std::string_view masterPath, std::string_view oldSymbol,
                   std::string_view newSymbol, std::string_view newName, fs::FileSteps& steps) {
  Outcome result;
  result.message = ValidateSymbolEdit(newSymbol, newName);
  if (!result.message.empty()) {
    result.code = LIB_INVALID_PARM;
    return result;
  }
  // The check for another security and the rename hold the Portfolio as one.
  WriteGuard guard;
  const MasterLookup self = guard.Lock({fs::path(std::string(libDir))})
                                ? LookupMasterRecord(libDir, oldSymbol)
                                : MasterLookup{};
  if (self.ok()) {
    const fs::path master =
        MasterFileOf(master_edit::MasterFileFor(self.directory, masterPath).string());
    if (!guard.Lock({fs::path(self.directory)}) || !guard.Writable({master}) ||
        !guard.BackupPlace(master_edit::MasterBackupPath(master))) {
      result.code = kWriteRefused;
    }
    // EMASTER and XMASTER are renamed in as MASTER is, with their backups.
    for (const char* name : {kEmasterFileName, kXmasterFileName}) {
      const fs::path index = fs::FindNoCase(self.directory, name);
      if (result.code == LIB_OK && !index.empty() &&
          (!guard.Writable({index}) || !guard.BackupPlace(fs::PathNoCase(
                                           self.directory, index.filename().string() + ".BAK")))) {
        result.code = kWriteRefused;
      }
    }
  } else if (!guard.message.empty()) {
    result.code = kWriteRefused;
  }
  if (result.code == kWriteRefused) {
    result.message = messages::EditSymbolFailed(oldSymbol, guard.message);
    return result;
  }
  // Two securities answering to one symbol: a lookup would take the first, a
  // delete would remove both.
  if (const auto other =
          OtherAnswering(libDir, masterPath, oldSymbol, Edited(newSymbol, newName).Symbol())) {
    std::string otherName = other->Name();
    result.code = LIB_INVALID_PARM;
    result.message = messages::EditSymbolFailed(
        newSymbol, messages::SymbolUsedByAnother(TrimBlanks(other->SymbolField()),
                                                 TrimTrailingBlanks(otherName)));
    return result;
  }
  fs::NoteFailure(0);
  result.code = RenameSecurity(libDir, masterPath, oldSymbol, newSymbol, newName, steps);
  if (result.code != LIB_OK) {
    std::string reason(LibResultText(result.code));
    const bool fileStep = result.code == LIB_FILE_OPEN || result.code == LIB_FILE_READ ||
                          result.code == LIB_FILE_WRITE;
    if (const std::string os = fs::LastFailureReason(); fileStep && !os.empty()) {
      reason += " (" + os + ")";
    }
    result.message = messages::EditSymbolFailed(oldSymbol, reason);
  }
  return result;
}

namespace {

// The quote files of a file number, in the order the delete removes them.
std::vector<fs::path> QuoteFilesOf(const fs::path& directory, int fileNumber) {
  std::vector<fs::path> files;
  for (const char* extension : {"DAT", "DOP", "BAK"}) {
    const fs::path file = fs::FindNoCase(directory, fs::QuoteFileName(fileNumber, extension));
    if (!file.empty()) files.push_back(file);
  }
  return files;
}

// The EMASTER and XMASTER of directory that a delete of symbol changes, given
// the records it takes out of MASTER.
std::vector<fs::path> IndexFilesChanged(const fs::path& directory, std::string_view symbol,
                                        const std::vector<MasterRecord>& removed) {
  std::vector<fs::path> files;
  PortfolioIndex index;
  if (ReadPortfolioIndex(directory, index) != LIB_OK) return files;
  const bool emaster = std::any_of(removed.begin(), removed.end(), [&](const MasterRecord& r) {
    return ListedInIndexFiles(directory, r);
  });
  const bool xmaster = std::any_of(index.extended.begin(), index.extended.end(),
                                   [&](const MasterRecord& r) { return r.Symbol() == symbol; });
  if (emaster && index.emaster.Present()) files.push_back(index.emaster.Path());
  if (xmaster) files.push_back(index.xmaster.Path());
  return files;
}

// Takes the EMASTER entries of the records removed from MASTER and the XMASTER
// securities of symbol (with their quote files) out of directory, each file swapped
// with its backup and remembered in journal. False when nothing was there to take;
// a failure puts back every journalled file and says so in result.
bool RemoveIndexEntries(const fs::path& directory, std::string_view symbol,
                        const std::vector<MasterRecord>& removed, FileJournal& journal,
                        DeleteResult& result) {
  PortfolioIndex index;
  if (ReadPortfolioIndex(directory, index) != LIB_OK) return false;
  if (WriteGuard guard; !guard.Writable(IndexFilesChanged(directory, symbol, removed))) {
    result.code = kWriteRefused;
    result.message = messages::DeleteSymbolFailed(symbol, guard.message);
    for (const fs::path& lost : journal.Restore())
      result.message += messages::UndoIncomplete(lost.string());
    return true;
  }
  std::vector<MasterRecord> gone = removed;
  for (const MasterRecord& r : index.extended) {
    if (r.Symbol() == symbol) gone.push_back(r);
  }
  const auto fail = [&](LibResult code, const std::string& reason) {
    result.code = code;
    result.message = messages::DeleteSymbolFailed(symbol, reason);
    for (const fs::path& lost : journal.Restore())
      result.message += messages::UndoIncomplete(lost.string());
    result.filesDeleted.clear();
    return true;
  };
  bool any = false;
  for (const MasterRecord& r : gone) {
    const IndexFile& file = r.wideFileNumber != 0 ? index.xmaster : index.emaster;
    if (!file.Present()) continue;
    any = true;
    if (!journal.Remember(file.Path()))
      return fail(LIB_FILE_READ,
                  messages::CannotRead(file.Path().string(), fs::LastFailureReason()));
    if (UpdateIndexFiles(directory, r, r, IndexChange::Remove, journal.Steps(),
                         IndexSwap::Journaled) != LIB_OK) {
      return fail(LIB_FILE_WRITE,
                  messages::CannotWrite(file.Path().string(), fs::LastFailureReason()));
    }
    if (r.wideFileNumber == 0) continue;
    ++result.removed;
    result.fileNumbers.push_back(r.wideFileNumber);
    for (const char* extension : {"MWD", "DOP", "BAK"}) {
      const fs::path quoteFile =
          fs::FindNoCase(directory, fs::QuoteFileName(r.wideFileNumber, extension));
      if (quoteFile.empty()) continue;
      if (!journal.Remember(quoteFile) || fs::RemoveFile(quoteFile, journal.Steps()) != LIB_OK) {
        return fail(LIB_FILE_WRITE,
                    messages::CannotRemove(quoteFile.string(), fs::LastFailureReason()));
      }
      result.filesDeleted.push_back(quoteFile.string());
    }
  }
  return any;
}

}  // namespace

DeleteResult DeleteSymbol(std::string_view masterPath, std::string_view symbol,
                          fs::FileSteps& steps) {
  DeleteResult result;
  fs::NoteFailure(0);
  WriteGuard guard;
  if (!guard.Lock({MasterFileOf(masterPath).parent_path()})) {
    result.code = kWriteRefused;
    result.message = messages::DeleteSymbolFailed(symbol, guard.message);
    return result;
  }
  MasterFile listing;
  if (listing.Read(MasterFileOf(masterPath), steps) != LIB_OK) {
    result.code = LIB_FILE_OPEN;
    result.message = messages::DeleteSymbolFailed(
        symbol, messages::CannotRead(MasterFileOf(masterPath).string(), fs::LastFailureReason()));
    return result;
  }
  const fs::path master = listing.Path();
  listing.DropPartialRecord();
  std::vector<MasterRecord> removedRecords;
  result.removed = listing.RemoveIf([&](const MasterRecord& record) {
    if (record.Symbol() != symbol) return false;
    result.fileNumbers.push_back(record.FileNumber());
    removedRecords.push_back(record);
    return true;
  });
  if (result.removed == 0) {
    FileJournal journal(steps);
    if (RemoveIndexEntries(master.parent_path(), symbol, {}, journal, result)) return result;
  }
  if (result.removed == 0) {
    result.code = LIB_RECORD_NOT_FOUND;
    result.message = messages::SymbolNotInMaster(symbol, masterPath);
    return result;
  }
  listing.AddToCounts(-result.removed);
  std::vector<bool> stillUsed(256, false);
  for (const MasterRecord& kept : listing.Records()) {
    if (!kept.IsDirectory()) stillUsed[kept.FileNumber()] = true;
  }

  // Quote files go only when no security left in MASTER still uses them.
  std::vector<fs::path> doomed;
  std::vector<uint16_t> numbers = result.fileNumbers;
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  for (uint16_t n : numbers) {
    if (stillUsed[n]) continue;
    for (const fs::path& quoteFile : QuoteFilesOf(master.parent_path(), n))
      doomed.push_back(quoteFile);
  }

  FileJournal journal(steps);
  std::vector<fs::path> touched{master};
  touched.insert(touched.end(), doomed.begin(), doomed.end());
  if (!guard.Writable(touched) ||
      !guard.Writable(IndexFilesChanged(master.parent_path(), symbol, removedRecords))) {
    result.code = kWriteRefused;
    result.message = messages::DeleteSymbolFailed(symbol, guard.message);
    return result;
  }
  for (const fs::path& file : touched) {
    if (!journal.Remember(file)) {
      result.code = LIB_FILE_READ;
      result.message = messages::DeleteSymbolFailed(
          symbol, messages::CannotRead(file.string(), fs::LastFailureReason()));
      return result;
    }
  }
  if (LibResult r = listing.Write(std::string(masterPath) + ".~NU", steps); r != LIB_OK) {
    result.code = r;
    result.message = messages::DeleteSymbolFailed(
        symbol, messages::CannotWrite(master.string(), fs::LastFailureReason()));
    return result;
  }
  for (const fs::path& file : doomed) {
    if (LibResult r = fs::RemoveFile(file, steps); r != LIB_OK) {
      result.code = r;
      result.message = messages::DeleteSymbolFailed(
          symbol, messages::CannotRemove(file.string(), fs::LastFailureReason()));
      for (const fs::path& lost : journal.Restore())
        result.message += messages::UndoIncomplete(lost.string());
      result.filesDeleted.clear();
      return result;
    }
    result.filesDeleted.push_back(file.string());
  }
  RemoveIndexEntries(master.parent_path(), symbol, removedRecords, journal, result);
  return result;
}

}  // namespace quillet
