#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/master.h"

namespace quillet {
namespace fs {
class FolderListing;
}

// EMASTER: a 192-byte header (count at 0 and 2), then 192-byte records.
inline constexpr int kEmasterRecordSize = 192;
inline constexpr int kEmasterFileNumber = 2;
inline constexpr int kEmasterFieldCount = 6;
inline constexpr int kEmasterFieldMask = 7;
inline constexpr int kEmasterSymbol = 11;
inline constexpr int kEmasterName = 32;
inline constexpr int kEmasterPeriodicity = 60;
inline constexpr int kEmasterFirstDate = 64;  // IEEE single CYYMMDD, not MBF
inline constexpr int kEmasterLastDate = 72;
inline constexpr int kEmasterLongName = 139;
inline constexpr const char* kEmasterFileName = "EMASTER";

// XMASTER: magic, count at 10 (and 14), the next free file number at 18; a
// 150-byte header, then 150-byte records.
inline constexpr int kXmasterRecordSize = 150;
inline constexpr int kXmasterCount = 10;
inline constexpr int kXmasterCount2 = 14;
inline constexpr int kXmasterNextNumber = 18;
inline constexpr int kXmasterSymbol = 1;
inline constexpr int kXmasterName = 16;
inline constexpr int kXmasterPeriodicity = 62;
inline constexpr int kXmasterFileNumber = 65;  // 16 bits
inline constexpr int kXmasterFieldMask = 70;
inline constexpr int kXmasterFirstDate = 108;  // 32-bit YYYYMMDD
inline constexpr int kXmasterLastDate = 116;
inline constexpr std::array<uint8_t, 4> kXmasterMagic = {0x5D, 0xFE, 0x58, 0x4D};
inline constexpr const char* kXmasterFileName = "XMASTER";
inline constexpr int kFirstXmasterNumber = 256;

enum class IndexKind { Emaster, Xmaster };
inline const char* NameOf(IndexKind kind) {
  return kind == IndexKind::Emaster ? kEmasterFileName : kXmasterFileName;
}

// EMASTER or XMASTER as stored, kept byte for byte: a write changes only the
// entries and counters it names.
class IndexFile {
 public:
  // LIB_FILE_OPEN when the folder has no such file; LIB_FILE_READ (with a
  // warning) when the file is not one of its kind; the file is then absent.
  LibResult ReadIn(const std::filesystem::path& directory, IndexKind kind);
  // The same for the file found beforehand (empty: the folder has none).
  LibResult Read(const std::filesystem::path& file, IndexKind kind);
  LibResult Assign(std::span<const uint8_t> bytes, IndexKind kind,
                   const std::filesystem::path& file = {});

  bool Present() const { return !bytes_.empty(); }
  IndexKind Kind() const { return kind_; }
  const std::filesystem::path& Path() const { return path_; }
  size_t RecordSize() const { return kind_ == IndexKind::Emaster ? 192 : 150; }
  // Entries held whole, at most as many as the header counts.
  size_t Entries() const { return entries_; }
  uint8_t* Entry(size_t i) { return bytes_.data() + (i + 1) * RecordSize(); }
  const uint8_t* Entry(size_t i) const { return bytes_.data() + (i + 1) * RecordSize(); }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // The security entry i describes; false (with the reason) for an entry that
  // describes none: no date in its bitmask, a file number out of its range, a
  // symbol that is not text.
  bool Security(size_t i, MasterRecord& out, std::string* why = nullptr) const;
  // Entry i's symbol as stored (up to a zero byte).
  std::string EntrySymbol(size_t i) const;

  // Writes dates (CYYMMDD, 0 for none) into entry i in its file's own encoding.
  void SetDates(size_t i, float first, float last);
  void SetSymbolAndName(size_t i, std::string_view symbol, std::string_view name);
  void Remove(size_t i);
  // A new XMASTER entry for record (its wide file number, dates, texts, bitmask).
  void AppendXmaster(const MasterRecord& record);
  // A new EMASTER entry for a MASTER security (file number, dates, texts, bitmask).
  void AppendEmaster(const MasterRecord& record);
  // The number for a new XMASTER security: from 256 up, past every number the
  // file has given (never one of a deleted security).
  int NextFreeNumber() const;

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  LibResult Write(const std::filesystem::path& working,
                  fs::FileSteps& steps = fs::EveryStep()) const;

 private:
  void SetCount(size_t count);

  IndexKind kind_ = IndexKind::Emaster;
  std::filesystem::path path_;
  std::vector<uint8_t> bytes_;
  size_t entries_ = 0;
  std::vector<std::string> warnings_;
};

// The name of the index file a security comes from: "MASTER", "EMASTER", "XMASTER".
const char* IndexSourceText(IndexSource source);

// The bitmask's fields, in the order they lie in a record ("DATE TIME OPEN ...").
std::string FieldMaskText(uint8_t mask);

// Every security a Portfolio folder lists: MASTER's (each given the bitmask and
// long name of the EMASTER entry of its file number and symbol), or EMASTER's when
// the folder has no MASTER, then XMASTER's from file number 256.
struct PortfolioIndex {
  MasterFile master;  // as stored; built from EMASTER when fromEmaster
  bool fromEmaster = false;
  std::vector<MasterRecord> extended;  // XMASTER's securities, in file order
  IndexFile emaster;
  IndexFile xmaster;
  std::vector<std::string> warnings;  // entries and files ignored, in the user's words
};

// LIB_OK when MASTER reads or EMASTER stands in for it; otherwise what reading
// MASTER gave (the other files are then not read).
LibResult ReadPortfolioIndex(const std::filesystem::path& directory, PortfolioIndex& index);
// The same in a folder whose names are looked up through folder.
LibResult ReadPortfolioIndex(const fs::FolderListing& folder, PortfolioIndex& index);

// Keeps EMASTER and XMASTER of directory in step with a change of the security
// record: dates (MBF in record) and symbol and name as record now holds them, or
// its removal. Files a security has no entry in are not written.
enum class IndexChange { Dates, Texts, Remove };
// WithBackup: each file backed up to its path + ".BAK", swapped in through ".NEW" (the
// quote commands and the symbol edit, like MASTER there). Journaled: swapped in
// through ".~NU" with no backup, the caller's FileJournal remembering it (the
// delete, copy and move, like MASTER there).
enum class IndexSwap { WithBackup, Journaled };
// True for an XMASTER security and for one with an entry in EMASTER.
bool ListedInIndexFiles(const std::filesystem::path& directory, const MasterRecord& record);

// Backs file up (its path + ".BAK"), then swaps its content in through its path + ".NEW".
LibResult ReplaceIndexFile(const IndexFile& file, fs::FileSteps& steps = fs::EveryStep());
// previous, when given, receives each file written as it was before, for
// RestoreIndexFiles to put back should a later step fail.
LibResult UpdateIndexFiles(const std::filesystem::path& directory, const MasterRecord& before,
                           const MasterRecord& after, IndexChange change,
                           fs::FileSteps& steps = fs::EveryStep(),
                           IndexSwap swap = IndexSwap::WithBackup,
                           std::vector<IndexFile>* previous = nullptr);
// Puts the files back as they were, without a backup.
LibResult RestoreIndexFiles(const std::vector<IndexFile>& previous,
                            fs::FileSteps& steps = fs::EveryStep());
// Writes file in place through its path + ".~NU", without a backup.
LibResult WriteIndexFileJournaled(const IndexFile& file, fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
