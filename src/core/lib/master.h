#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/mbf.h"
#include "core/base/result.h"
#include "core/fs/file_steps.h"

namespace quillet {

inline constexpr int kMasterRecordSize = 53;
// Offsets within a MASTER record.
inline constexpr int kMasterFileNumber = 0;
inline constexpr int kMasterRecordLength = 3;
inline constexpr int kMasterFieldCount = 4;
inline constexpr int kMasterName = 7;
inline constexpr int kMasterFirstDate = 25;
inline constexpr int kMasterLastDate = 29;
inline constexpr int kMasterPeriodicity = 33;
inline constexpr int kMasterSymbol = 36;
inline constexpr int kMasterTextSize = 16;
// The MASTER header: N at 0, a second counter at 2 that the symbol commands keep in step.
inline constexpr int kMasterHeaderCount = 0;
inline constexpr int kMasterHeaderCount2 = 2;
inline constexpr const char* kMasterFileName = "MASTER";
// Lookup limits: nesting levels (0 to 33) and the length of a working path.
inline constexpr int kMasterMaxLevels = 34;
inline constexpr size_t kMasterMaxPath = 307;

// Which index file lists a security: MASTER (file numbers 1 to 255), EMASTER
// standing in for a missing MASTER, or XMASTER (file numbers from 256).
enum class IndexSource : uint8_t { Master = 0, Emaster = 1, Xmaster = 2 };

// One 53-byte MASTER entry, kept exactly as stored (dates in MBF); the accessors
// give the converted values. A security that EMASTER or XMASTER lists is given
// the same 53 bytes as MASTER would hold them (record length and field count from
// its bitmask, dates in MBF), and carries what those bytes cannot: only bytes is
// ever written to MASTER.
struct MasterRecord {
  std::array<uint8_t, kMasterRecordSize> bytes{};
  IndexSource source = IndexSource::Master;
  uint16_t wideFileNumber = 0;  // an XMASTER number (256 and up); 0: FileNumber()
  uint8_t fieldMask = 0;        // EMASTER's or XMASTER's field bitmask; 0 when none applies
  std::string longName;         // EMASTER's long name or XMASTER's name; empty when none

  // The n of the quote file F<n>.DAT, or of F<n>.MWD for an XMASTER security.
  int QuoteFileNumber() const { return wideFileNumber != 0 ? wideFileNumber : bytes[0]; }
  const char* QuoteFileExtension() const { return wideFileNumber != 0 ? "MWD" : "DAT"; }

  uint8_t FileNumber() const { return bytes[kMasterFileNumber]; }
  int8_t RecordLength() const { return static_cast<int8_t>(bytes[kMasterRecordLength]); }
  int8_t FieldCount() const { return static_cast<int8_t>(bytes[kMasterFieldCount]); }
  // The 16 name characters as stored (up to a zero byte).
  std::string Name() const { return Text(kMasterName); }
  // The symbol as the symbol list shows it and the symbol commands compare it:
  // the symbol area cut at the first byte that is 32 or less when read as a
  // signed byte (a blank, a control character or any byte from 128 up).
  std::string Symbol() const;
  // The 16 symbol characters as stored (up to a zero byte), blanks and all:
  // what the lookup takes words from and the facts and repair reports show.
  std::string SymbolField() const { return Text(kMasterSymbol); }
  // First and last date: the on-disk CYYMMDD values converted to IEEE.
  float FirstDate() const { return MbfToIeee(&bytes[kMasterFirstDate]); }
  float LastDate() const { return MbfToIeee(&bytes[kMasterLastDate]); }
  char Periodicity() const { return static_cast<char>(bytes[kMasterPeriodicity]); }
  // "<DIR>" at name positions 11 to 15 and a name that does not start with a blank.
  bool IsDirectory() const;
  // The sub-directory name of a <DIR> entry: the first 8 name characters, trailing blanks removed.
  std::string DirectoryName() const;

  void SetText(int offset, std::string_view text);  // blank-padded to 16
  std::string Text(int offset) const;
};

// True when the security record matches the query: its trimmed name, or its
// symbol up to the blank after as many words as the query has, ignoring case.
bool MasterRecordMatches(const MasterRecord& record, std::string_view query);
// The two texts MasterRecordMatches compares a query holding that many blanks
// with: the trimmed name and the symbol's words (views of record's bytes).
std::pair<std::string_view, std::string_view> MatchedTexts(const MasterRecord& record, int blanks);

// Which date field of a MASTER entry a change sets.
enum class MasterDate { First = 0, Last = 1 };

// A whole MASTER file as stored: the header record (N, the second counter and
// 49 bytes copied unchanged), the whole records after it and any partial
// record at the end. Counters are kept as stored: the editing calls change
// records only, and each command keeps the counters as it defines.
class MasterFile {
 public:
  // Reads file whole. LIB_FILE_OPEN when it cannot be read, LIB_FILE_READ when
  // it is shorter than its header; the value is then empty.
  LibResult Read(const std::filesystem::path& file, fs::FileSteps& steps = fs::EveryStep());
  // The MASTER of directory, its name found whatever its letter case.
  LibResult ReadIn(const std::filesystem::path& directory);
  // Takes the bytes of a MASTER file already read (file is where it came from).
  LibResult Assign(std::span<const uint8_t> bytes, const std::filesystem::path& file = {});

  const std::filesystem::path& Path() const { return path_; }
  int16_t Count() const { return LoadInt16(header_.data() + kMasterHeaderCount); }
  int16_t SecondCount() const { return LoadInt16(header_.data() + kMasterHeaderCount2); }
  void SetCount(int16_t count) { StoreInt16(count, header_.data() + kMasterHeaderCount); }
  void SetSecondCount(int16_t count) { StoreInt16(count, header_.data() + kMasterHeaderCount2); }
  // N and the second counter together, as the symbol commands raise and lower them.
  void AddToCounts(int delta);
  // Bytes in the file as read: header, whole records, partial tail.
  uint64_t Size() const;
  void DropPartialRecord() { tail_.clear(); }

  std::vector<MasterRecord>& Records() { return records_; }
  const std::vector<MasterRecord>& Records() const { return records_; }

  // The first security whose list text (MasterRecord::Symbol) is symbol, exactly.
  const MasterRecord* FindSymbol(std::string_view symbol) const;
  // The first security that the lookup's rule matches (name or symbol words, case-blind).
  const MasterRecord* FindSecurity(std::string_view query) const;
  // The first <DIR> entry whose directory name is name, ignoring case.
  const MasterRecord* FindDirectory(std::string_view name) const;
  // The lowest file number from 1 to 255 that no record uses; 0 when all are taken.
  uint8_t LowestFreeFileNumber() const;

  // These change every security (never a <DIR> entry) of fileNumber and return
  // how many were changed.
  int SetDate(uint8_t fileNumber, MasterDate which, const MbfFloat& dateField);
  // Name and symbol blank-padded to 16, in every security of fileNumber.
  int Rename(uint8_t fileNumber, std::string_view name, std::string_view symbol);
  void Append(const MasterRecord& record) { records_.push_back(record); }
  // Removes the records for which remove is true, asking in file order; returns how many went.
  int RemoveIf(const std::function<bool(const MasterRecord&)>& remove);

  std::vector<uint8_t> Bytes() const;
  // Writes the file back over Path() through working, by rename-over.
  LibResult Write(const std::filesystem::path& working,
                  fs::FileSteps& steps = fs::EveryStep()) const;

 private:
  int ChangeSecurities(uint8_t fileNumber, const std::function<void(MasterRecord&)>& change);

  std::filesystem::path path_;
  std::array<uint8_t, kMasterRecordSize> header_{};
  std::vector<MasterRecord> records_;
  std::vector<uint8_t> tail_;
};

// What the lookup found. code is the system's: LIB_FILE_NOT_FOUND both when no
// security matches and when the MASTER of the given directory cannot be read;
// masterUnreadable tells the two apart.
struct MasterLookup {
  LibResult code = LIB_FILE_NOT_FOUND;
  bool masterUnreadable = false;
  MasterRecord record;    // as stored
  std::string directory;  // the folder of the MASTER that holds it, ending in a separator
  bool ok() const { return code == LIB_OK; }
};

// Finds a security by symbol or issue name in the MASTER of directory and, depth
// first, in the MASTER files of its <DIR> sub-directories; when none answers, by
// the text the symbol list shows (MasterRecord::Symbol), so that every listed
// security can be asked for by its list text. LIB_FILE_NOT_FOUND
// when no security matches.
MasterLookup LookupMasterRecord(std::string_view directory, std::string_view query);
// The security of fileNumber (XMASTER's from 256) among those of directory's own
// index files that answer query as the lookup's rule matches: for the rare
// database where two securities share a symbol.
MasterLookup LookupByFileNumber(std::string_view directory, std::string_view query, int fileNumber);
// The same, with both out values written only on success.
LibResult FindMasterRecord(std::string_view directory, std::string_view query, MasterRecord& record,
                           std::string& foundDirectory);

}  // namespace quillet
