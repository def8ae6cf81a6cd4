#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/mbf.h"
#include "core/base/result.h"

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

// One 53-byte MASTER entry, kept exactly as stored (dates in MBF); the accessors
// give the converted values.
struct MasterRecord {
  std::array<uint8_t, kMasterRecordSize> bytes{};

  uint8_t FileNumber() const { return bytes[kMasterFileNumber]; }
  int8_t RecordLength() const { return static_cast<int8_t>(bytes[kMasterRecordLength]); }
  int8_t FieldCount() const { return static_cast<int8_t>(bytes[kMasterFieldCount]); }
  // The 16 name characters as stored (up to a zero byte).
  std::string Name() const { return Text(kMasterName); }
  // The 16 symbol characters as stored (up to a zero byte).
  std::string Symbol() const { return Text(kMasterSymbol); }
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

// Finds a security by symbol or issue name in the MASTER of directory and, depth
// first, in the MASTER files of its <DIR> sub-directories. foundDirectory receives
// the directory that holds the matching MASTER, ending in a separator. Both out
// values are written only on success. LIB_FILE_NOT_FOUND when no security
// matches; LIB_FILE_READ when a MASTER cannot be read while following sub-directories.
LibResult FindMasterRecord(std::string_view directory, std::string_view query, MasterRecord& record,
                           std::string& foundDirectory);

// True when the security record matches the query: its trimmed name, or its
// symbol up to the blank after as many words as the query has, ignoring case.
bool MasterRecordMatches(const MasterRecord& record, std::string_view query);

}  // namespace quillet
