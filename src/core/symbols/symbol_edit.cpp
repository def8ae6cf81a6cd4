#include "core/symbols/symbol_edit.h"

#include <algorithm>

#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/messages/symbols.h"
#include "core/portfolio/master_edit.h"
#include "core/portfolio/master_file.h"
#include "core/symbols/file_journal.h"

namespace quillet {

std::string ValidateSymbolEdit(std::string_view newSymbol, std::string_view newName) {
  if (newSymbol.empty()) return messages::kYouMustEnterASymbol;
  if (newSymbol.size() > static_cast<size_t>(kMasterTextSize)) {
    return messages::TextTooLong("symbol", kMasterTextSize);
  }
  if (newName.size() > static_cast<size_t>(kMasterTextSize)) {
    return messages::TextTooLong("name", kMasterTextSize);
  }
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
  result.code = RenameMasterEntry(libDir, masterPath, oldSymbol, newSymbol, newName, steps);
  if (result.code != LIB_OK) {
    result.message = messages::EditSymbolFailed(oldSymbol, LibResultText(result.code));
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

}  // namespace

DeleteResult DeleteSymbol(std::string_view masterPath, std::string_view symbol,
                          fs::FileSteps& steps) {
  DeleteResult result;
  MasterFile listing;
  if (listing.Read(MasterFileOf(masterPath), steps) != LIB_OK) {
    result.code = LIB_FILE_OPEN;
    result.message = messages::DeleteSymbolFailed(
        symbol, messages::CannotRead(MasterFileOf(masterPath).string()));
    return result;
  }
  const fs::path master = listing.Path();
  listing.DropPartialRecord();
  result.removed = listing.RemoveIf([&](const MasterRecord& record) {
    if (record.Symbol() != symbol) return false;
    result.fileNumbers.push_back(record.FileNumber());
    return true;
  });
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
  std::vector<uint8_t> numbers = result.fileNumbers;
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  for (uint8_t n : numbers) {
    if (stillUsed[n]) continue;
    for (const fs::path& quoteFile : QuoteFilesOf(master.parent_path(), n))
      doomed.push_back(quoteFile);
  }

  FileJournal journal(steps);
  std::vector<fs::path> touched{master};
  touched.insert(touched.end(), doomed.begin(), doomed.end());
  for (const fs::path& file : touched) {
    if (!journal.Remember(file)) {
      result.code = LIB_FILE_READ;
      result.message = messages::DeleteSymbolFailed(symbol, messages::CannotRead(file.string()));
      return result;
    }
  }
  if (LibResult r = listing.Write(std::string(masterPath) + ".~NU", steps); r != LIB_OK) {
    result.code = r;
    result.message = messages::DeleteSymbolFailed(symbol, messages::CannotWrite(master.string()));
    return result;
  }
  for (const fs::path& file : doomed) {
    if (LibResult r = fs::RemoveFile(file, steps); r != LIB_OK) {
      result.code = r;
      result.message = messages::DeleteSymbolFailed(symbol, messages::CannotRemove(file.string()));
      for (const fs::path& lost : journal.Restore())
        result.message += messages::UndoIncomplete(lost.string());
      result.filesDeleted.clear();
      return result;
    }
    result.filesDeleted.push_back(file.string());
  }
  return result;
}

}  // namespace quillet
