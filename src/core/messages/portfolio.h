#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts of Portfolio discovery, master loading and master repair.
namespace quillet::messages {

// "Searching for Master Files" window.
inline constexpr const char* kSearchingForMasterFiles = "Searching for Master Files";
inline constexpr const char* kNumberOfMasterFilesFound = "Number of Master files found:";
inline constexpr const char* kScanStarting = "starting...";
std::string NoMasterFilesFound(std::string_view drive);

// Master loading.
inline constexpr const char* kFilePathNameTooLong = "File/Path name too long";
inline constexpr const char* kFailureFillingSymbolsGrid1 = "Failure while filling symbols grid1";
inline constexpr const char* kFailureFillingSymbolsGrid2 = "Failure while filling symbols grid2";
inline constexpr const char* kNoSymbols = "(no symbols)";
std::string TooManySymbols(int count, int shown);
// The window title of a Portfolio without symbols.
std::string NoSymbolsTitle(std::string_view portfolioPath);

// The damage tests, as the check names the one that failed.
std::string MasterSizeDamage(int16_t count, int64_t expected, uint64_t actual);
std::string MasterFileNumberDamage(int record, uint8_t fileNumber);
std::string MasterSymbolDamage(int record);
std::string MasterUnreadable(std::string_view masterPath);
inline constexpr const char* kMasterSound = "sound";
// A MASTER that failed a test, as a check reports it: "damaged: " and the test.
std::string Damaged(std::string_view damage);
// The repair of a sound MASTER: "sound: nothing to repair".
std::string NothingToRepair();
// A path given as a Portfolio or a root to walk that is no folder.
std::string NotAFolder(std::string_view path);

// "Fix Master File" dialog.
inline constexpr const char* kFixMasterFile = "Fix Master File";
std::string RepairQuestion(std::string_view masterPath);
std::string DroppedRecord(std::string_view name, std::string_view symbol, int fileNumber);
std::string RepairBackupFailed(std::string_view masterPath, std::string_view backupPath);
std::string RepairWriteFailed(std::string_view masterPath);
std::string RepairDone(int written, int dropped, bool backupMade, std::string_view backupPath);

}  // namespace quillet::messages
