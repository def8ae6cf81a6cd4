#include "core/messages/portfolio.h"

namespace quillet::messages {

std::string NoMasterFilesFound(std::string_view drive) {
  return "No master files found on drive " + std::string(drive) +
         "\n\n(Is your Portfolio Search Filter setting correct?)";
}

std::string TooManySymbols(int count, int shown) {
  return "File has " + std::to_string(count) + " symbols.\nWill only display the first " +
         std::to_string(shown) + " symbols";
}

std::string NoSymbolsTitle(std::string_view portfolioPath) {
  return "Quillet - " + std::string(portfolioPath) + " - " + kNoSymbols;
}

std::string MasterSizeDamage(int16_t count, int64_t expected, uint64_t actual) {
  if (count < 0) {
    return "size: the header counts " + std::to_string(count) +
           " records, which no file can hold; the file is " + std::to_string(actual) + " bytes";
  }
  return "size: the header counts " + std::to_string(count) + " records, so the file should be " +
         std::to_string(expected) + " bytes long, but it is " + std::to_string(actual) + " bytes";
}

std::string MasterFileNumberDamage(int record, uint8_t fileNumber) {
  return "file numbers: record " + std::to_string(record) + " uses file number " +
         std::to_string(fileNumber) + " a second time";
}

std::string MasterSymbolDamage(int record) {
  return "symbols: record " + std::to_string(record) + " has no symbol";
}

std::string MasterUnreadable(std::string_view masterPath) {
  return "The Master file\n" + std::string(masterPath) + "\ncannot be read";
}

std::string Damaged(std::string_view damage) {
  return "damaged: " + std::string(damage);
}

std::string NothingToRepair() {
  return std::string(kMasterSound) + ": nothing to repair";
}

std::string NotAFolder(std::string_view path) {
  return std::string(path) + " is not a folder";
}

std::string RepairQuestion(std::string_view masterPath) {
  return "The Master file\n" + std::string(masterPath) +
         "\nappears corrupted.\n\nShould Quillet try to repair this file now?\n\n"
         "If Yes, your exisitng Master file will be saved\nas file Master.bak\n\n";
}

std::string DroppedRecord(std::string_view name, std::string_view symbol, int fileNumber) {
  return "An error was found with the item named\n\n" + std::string(name) + "\nor\n" +
         std::string(symbol) + "\n\nThis item is file F" + std::to_string(fileNumber) +
         ".DAT\n\nWrite this information down now. When repair is complete\n"
         "consult the Fixing Bad Master topic in the Quillet Help\n"
         "file to ensure that your repair was done correctly.";
}

std::string RepairBackupFailed(std::string_view masterPath, std::string_view backupPath) {
  return "The Master file\n" + std::string(masterPath) + "\nwas not repaired: its backup\n" +
         std::string(backupPath) + "\ncould not be written. Nothing was changed.";
}

std::string RepairWriteFailed(std::string_view masterPath) {
  return "The Master file\n" + std::string(masterPath) +
         "\nwas not repaired: the repaired copy could not be written. Nothing was changed.";
}

std::string RepairDone(int written, int dropped, bool backupMade, std::string_view backupPath) {
  std::string text = "repaired: " + std::to_string(written) + " records written, " +
                     std::to_string(dropped) + " dropped; ";
  text += backupMade ? "backup made: " : "earlier backup kept: ";
  text += backupPath;
  return text;
}

}  // namespace quillet::messages
