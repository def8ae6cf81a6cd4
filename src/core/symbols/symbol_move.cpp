#include "core/symbols/symbol_move.h"

#include <array>
#include <cstring>
#include <vector>

#include "core/base/mbf.h"
#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/messages/symbols.h"
#include "core/portfolio/master_file.h"

namespace quillet {
namespace {

constexpr const char* kWorkingSuffix = ".~NU";

void AddToCounts(std::vector<uint8_t>& master, int delta) {
  for (int offset : {kMasterHeaderCount, kMasterHeaderCount2}) {
    uint8_t* at = &master[static_cast<size_t>(offset)];
    StoreInt16(static_cast<int16_t>(LoadInt16(at) + delta), at);
  }
}

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
  if (!journal.Remember(target)) return messages::CannotRead(target.string());
  if (source.empty()) {
    return fs::RemoveFile(target, journal.Steps()) == LIB_OK
               ? std::string()
               : messages::CannotRemove(target.string());
  }
  switch (fs::CopyFileSynced(source, target, journal.Steps())) {
    case LIB_OK:
      return {};
    case LIB_FILE_READ:
      return messages::CannotRead(source.string());
    default:
      return messages::CannotWrite(target.string());
  }
}

}  // namespace

AddResult AddMasterEntry(const MasterRecord& record, std::string_view symbol,
                         std::string_view destination, std::string_view sourceDirectory,
                         TransferMode mode, FileJournal& journal) {
  const bool move = mode == TransferMode::Move;
  AddResult result;
  const std::string destDir = fs::WithSeparator(destination);
  const std::string masterPath = MasterPathOf(destination);

  MasterRecord existing;
  std::string foundIn;
  const LibResult lookup = FindMasterRecord(destDir, symbol, existing, foundIn);
  if (lookup == LIB_OK) {
    result.status = AddStatus::Exists;
    result.message = messages::SymbolAlreadyExists(symbol, destination);
    return result;
  }
  // Nothing is written to a destination that cannot be read in full.
  const fs::path master = MasterFileOf(masterPath);
  std::vector<uint8_t> bytes;
  if (lookup != LIB_FILE_NOT_FOUND || !fs::ReadWholeFile(master, bytes, journal.Steps()) ||
      bytes.size() < static_cast<size_t>(kMasterRecordSize)) {
    result.message = messages::DestinationUnreadable(masterPath);
    return result;
  }
  const int16_t count = LoadInt16(&bytes[kMasterHeaderCount]);
  const int16_t count2 = LoadInt16(&bytes[kMasterHeaderCount2]);
  if (count >= kMaxSymbols || count2 == kMaxSymbols) {
    result.status = AddStatus::Full;
    result.message = messages::kPortfolioFull;
    return result;
  }
  // A count that no longer matches the records would be made worse by one more.
  if (const MasterCheck check = TestMasterBytes(bytes); !check.Sound()) {
    result.message = messages::DestinationDamaged(masterPath, check.Describe(masterPath));
    return result;
  }
  std::array<bool, 256> used{};
  used[0] = true;
  for (size_t at = kMasterRecordSize; at + kMasterRecordSize <= bytes.size();
       at += kMasterRecordSize) {
    used[bytes[at + kMasterFileNumber]] = true;
  }
  int number = 1;
  while (number < 256 && used[static_cast<size_t>(number)]) ++number;
  if (number == 256) {
    result.status = AddStatus::Full;
    result.message = messages::kPortfolioFull;
    return result;
  }

  // The quote files first: the new record never points at a file not yet there.
  const fs::path sourceDir{std::string(sourceDirectory)};
  for (const char* extension : {"DAT", "DOP"}) {
    const std::string reason =
        TransferQuoteFile(sourceDir, record.FileNumber(), destDir, number, extension, journal);
    if (!reason.empty()) {
      result.message = messages::MoveCopyFailed(move, symbol, reason);
      Undo(journal, result.message);
      return result;
    }
  }
  AddToCounts(bytes, +1);
  MasterRecord added = record;
  added.bytes[kMasterFileNumber] = static_cast<uint8_t>(number);
  bytes.insert(bytes.end(), added.bytes.begin(), added.bytes.end());
  if (!journal.Remember(master) ||
      fs::ReplaceFile(master, masterPath + kWorkingSuffix, bytes, journal.Steps()) != LIB_OK) {
    result.message = messages::MoveCopyFailed(move, symbol, messages::CannotWrite(master.string()));
    Undo(journal, result.message);
    return result;
  }
  result.status = AddStatus::Added;
  result.fileNumber = static_cast<uint8_t>(number);
  return result;
}

TransferResult TransferSymbol(std::string_view libDir, std::string_view symbol,
                              std::string_view destination, TransferMode mode,
                              fs::FileSteps& steps) {
  TransferResult result;
  const bool move = mode == TransferMode::Move;
  const std::string query = ToUpperAscii(TrimBlanks(symbol));
  MasterRecord record;
  std::string sourceDir;
  if (query.empty() ||
      FindMasterRecord(fs::WithSeparator(libDir), query, record, sourceDir) != LIB_OK) {
    result.message = messages::SymbolNotFound(query, libDir);
    return result;
  }

  FileJournal journal(steps);
  AddResult added = AddMasterEntry(record, query, destination, sourceDir, mode, journal);
  result.status = added.status;
  result.fileNumber = added.fileNumber;
  if (added.status != AddStatus::Added) {
    result.message = std::move(added.message);
    return result;
  }
  if (!move) return result;

  // The record leaves the MASTER that held it (where the lookup found it), then its files.
  const auto fail = [&](const std::string& reason) {
    result.status = AddStatus::Failed;
    result.fileNumber = 0;
    result.message = messages::MoveCopyFailed(true, query, reason);
    Undo(journal, result.message);
    return result;
  };
  const std::string sourceMasterPath = MasterPathOf(sourceDir);
  const fs::path sourceMaster = MasterFileOf(sourceMasterPath);
  std::vector<uint8_t> old;
  if (!fs::ReadWholeFile(sourceMaster, old, steps) ||
      old.size() < static_cast<size_t>(kMasterRecordSize)) {
    return fail(messages::CannotRead(sourceMaster.string()));
  }
  std::vector<uint8_t> bytes(old.begin(), old.begin() + kMasterRecordSize);
  int removed = 0;
  for (size_t at = kMasterRecordSize; at + kMasterRecordSize <= old.size();
       at += kMasterRecordSize) {
    MasterRecord r;
    std::memcpy(r.bytes.data(), &old[at], kMasterRecordSize);
    if (!r.IsDirectory() && r.FileNumber() == record.FileNumber()) {
      ++removed;
      continue;
    }
    bytes.insert(bytes.end(), r.bytes.begin(), r.bytes.end());
  }
  if (removed == 0) return fail(messages::SymbolNotInMaster(query, sourceMasterPath));
  AddToCounts(bytes, -removed);
  if (!journal.Remember(sourceMaster) ||
      fs::ReplaceFile(sourceMaster, sourceMasterPath + kWorkingSuffix, bytes, steps) != LIB_OK) {
    return fail(messages::CannotWrite(sourceMaster.string()));
  }
  // Every security of that number has left this MASTER, so its files go too.
  for (const char* extension : {"DAT", "DOP", "BAK"}) {
    const fs::path file =
        fs::FindNoCase(fs::path(sourceDir), fs::QuoteFileName(record.FileNumber(), extension));
    if (file.empty()) continue;
    if (!journal.Remember(file)) return fail(messages::CannotRead(file.string()));
    if (fs::RemoveFile(file, steps) != LIB_OK) return fail(messages::CannotRemove(file.string()));
  }
  return result;
}

}  // namespace quillet
