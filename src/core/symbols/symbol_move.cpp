#include "core/symbols/symbol_move.h"

#include <string_view>
#include <vector>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/field_layout.h"
#include "core/lib/index_files.h"
#include "core/lib/quote_series.h"
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
                              int newNumber, const char* extension, FileJournal& journal,
                              const char* newExtension = nullptr) {
  const fs::path source = fs::FindNoCase(sourceDir, fs::QuoteFileName(oldNumber, extension));
  const fs::path target = fs::PathNoCase(
      destDir, fs::QuoteFileName(newNumber, newExtension ? newExtension : extension));
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

// A MASTER security's layout as a bitmask tells it; 0 when none can.
uint8_t SourceFieldMask(const MasterRecord& record, const fs::path& sourceDir) {
  FieldLayout layout;
  if (ReadSecurityLayout(sourceDir.string(), record.QuoteFileNumber(), record.RecordLength(),
                         record.fieldMask, record.Periodicity(), layout) != LIB_OK) {
    return 0;
  }
  return FieldMaskOf(layout, record.RecordLength());
}

// Index files keep the quote file's own first and last dates: the copied entry
// takes them from the copied file.
void TakeQuoteFileDates(const std::string& destDir, MasterRecord& added) {
  SeriesData series;
  if (ReadRecordSeries(destDir, added, series) != LIB_OK || series.quotes.empty()) return;
  const MbfFloat first = DateFieldFromDay(series.quotes.front().date);
  const MbfFloat last = DateFieldFromDay(series.quotes.back().date);
  std::copy(first.begin(), first.end(), added.bytes.begin() + kMasterFirstDate);
  std::copy(last.begin(), last.end(), added.bytes.begin() + kMasterLastDate);
}

// The record as a new XMASTER security of destDir: its quote file copied to
// F<n>.MWD under the next number XMASTER has not given, then the entry appended.
template <class Fail>
TransferResult AddXmasterEntry(const MasterRecord& record, const fs::path& sourceDir,
                               const std::string& destDir, IndexFile& xmaster, FileJournal& journal,
                               const Fail& fail) {
  MasterRecord added = record;
  added.bytes[kMasterFileNumber] = 0;
  added.source = IndexSource::Xmaster;
  added.wideFileNumber = static_cast<uint16_t>(xmaster.NextFreeNumber());
  if (added.fieldMask == 0) added.fieldMask = SourceFieldMask(record, sourceDir);
  if (added.fieldMask == 0) return fail(messages::LayoutNotForXmaster());
  for (const char* extension : {"MWD", "DOP"}) {
    const bool quotes = extension == std::string_view("MWD");
    const std::string reason =
        TransferQuoteFile(sourceDir, record.QuoteFileNumber(), destDir, added.wideFileNumber,
                          quotes ? record.QuoteFileExtension() : extension, journal, extension);
    if (!reason.empty()) return fail(reason);
  }
  TakeQuoteFileDates(destDir, added);
  xmaster.AppendXmaster(added);
  if (!journal.Remember(xmaster.Path()) ||
      WriteIndexFileJournaled(xmaster, journal.Steps()) != LIB_OK) {
    return fail(messages::CannotWrite(xmaster.Path().string(), fs::LastFailureReason()));
  }
  TransferResult result;
  result.status = AddStatus::Added;
  result.fileNumber = added.wideFileNumber;
  return result;
}

// A moved security leaves the index files of its source folder: its XMASTER entry
// with its quote files, or the EMASTER entry of its MASTER record. The reason it
// failed, or empty.
std::string RemoveFromIndexFiles(const std::string& sourceDir, const MasterRecord& record,
                                 FileJournal& journal) {
  IndexFile file;
  const IndexKind kind = record.wideFileNumber != 0 ? IndexKind::Xmaster : IndexKind::Emaster;
  if (file.ReadIn(sourceDir, kind) != LIB_OK) return {};
  if (!journal.Remember(file.Path()) ||
      UpdateIndexFiles(sourceDir, record, record, IndexChange::Remove, journal.Steps(),
                       IndexSwap::Journaled) != LIB_OK) {
    return messages::CannotWrite(file.Path().string(), fs::LastFailureReason());
  }
  if (record.wideFileNumber == 0) return {};
  for (const char* extension : {"MWD", "DOP", "BAK"}) {
    const fs::path quoteFile =
        fs::FindNoCase(fs::path(sourceDir), fs::QuoteFileName(record.wideFileNumber, extension));
    if (quoteFile.empty()) continue;
    if (!journal.Remember(quoteFile) || fs::RemoveFile(quoteFile, journal.Steps()) != LIB_OK)
      return messages::CannotRemove(quoteFile.string(), fs::LastFailureReason());
  }
  return {};
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
  const bool masterFull = master.Count() >= kMaxSymbols || master.SecondCount() == kMaxSymbols ||
                          master.LowestFreeFileNumber() == 0;
  IndexFile xmaster;
  if (masterFull && xmaster.ReadIn(destDir, IndexKind::Xmaster) != LIB_OK) {
    return refuse(AddStatus::Full, LIB_INVALID_PARM, messages::kPortfolioFull);
  }
  // A count that no longer matches the records would be made worse by one more.
  if (const MasterCheck check = TestMaster(master); !check.Sound()) {
    return refuse(AddStatus::Failed, LIB_FILE_READ,
                  messages::DestinationDamaged(masterPath, check.Describe(masterPath)));
  }
  const fs::path sourceDir{std::string(sourceDirectory)};
  if (masterFull) return AddXmasterEntry(record, sourceDir, destDir, xmaster, journal, fail);
  const uint8_t number = master.LowestFreeFileNumber();
  // A leftover file of the new number is replaced: not one its owner protected.
  WriteGuard guard;
  if (!guard.Writable({fs::FindNoCase(destDir, fs::QuoteFileName(number, "DAT")),
                       fs::FindNoCase(destDir, fs::QuoteFileName(number, "DOP"))})) {
    return refuse(AddStatus::Failed, kWriteRefused,
                  messages::MoveCopyFailed(move, symbol, guard.message));
  }

  // The quote files first: the new record never points at a file not yet there.
  for (const char* extension : {"DAT", "DOP"}) {
    const bool quotes = extension == std::string_view("DAT");
    const std::string reason =
        TransferQuoteFile(sourceDir, record.QuoteFileNumber(), destDir, number,
                          quotes ? record.QuoteFileExtension() : extension, journal, extension);
    if (!reason.empty()) return fail(reason);
  }
  master.AddToCounts(+1);
  MasterRecord added = record;
  added.bytes[kMasterFileNumber] = number;
  added.wideFileNumber = 0;
  added.source = IndexSource::Master;
  IndexFile emaster;
  const bool destEmaster = emaster.ReadIn(destDir, IndexKind::Emaster) == LIB_OK;
  if (record.source != IndexSource::Master || destEmaster) TakeQuoteFileDates(destDir, added);
  master.Append(added);
  if (!journal.Remember(master.Path()) ||
      master.Write(masterPath + kWorkingSuffix, journal.Steps()) != LIB_OK) {
    return fail(messages::CannotWrite(master.Path().string(), fs::LastFailureReason()));
  }
  // A destination that keeps an EMASTER lists the new security there too.
  if (destEmaster) {
    if (added.fieldMask == 0) added.fieldMask = SourceFieldMask(record, sourceDir);
    if (added.fieldMask != 0) {
      emaster.AppendEmaster(added);
      if (!journal.Remember(emaster.Path()) ||
          WriteIndexFileJournaled(emaster, journal.Steps()) != LIB_OK) {
        return fail(messages::CannotWrite(emaster.Path().string(), fs::LastFailureReason()));
      }
    }
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
  // The destination's index files may take the new entry.
  for (const char* name : {kEmasterFileName, kXmasterFileName})
    changed.push_back(fs::FindNoCase(std::string(destination), name));
  if (move) {
    changed.push_back(MasterFileOf(MasterPathOf(sourceDir)));
    for (const char* extension : {record.QuoteFileExtension(), "DOP", "BAK"})
      changed.push_back(
          fs::FindNoCase(sourceDir, fs::QuoteFileName(record.QuoteFileNumber(), extension)));
    if (ListedInIndexFiles(sourceDir, record)) {
      changed.push_back(fs::FindNoCase(
          sourceDir, record.wideFileNumber != 0 ? kXmasterFileName : kEmasterFileName));
    }
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
  if (record.source == IndexSource::Xmaster) {
    if (const std::string reason = RemoveFromIndexFiles(sourceDir, record, journal);
        !reason.empty())
      return fail(reason);
    return result;
  }
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
  if (const std::string reason = RemoveFromIndexFiles(sourceDir, record, journal); !reason.empty())
    return fail(reason);
  return result;
}

}  // namespace quillet
