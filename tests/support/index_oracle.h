#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// An independent reading of MASTER, EMASTER, XMASTER and the quote files, written
// from the layout facts alone (no library code), for tests to compare with.
namespace quillet::testing {

struct OracleEntry {
  std::string source;  // "MASTER", "EMASTER" (standing in for MASTER) or "XMASTER"
  int number = 0;
  std::string symbol;  // trimmed
  std::string name;    // trimmed
  uint8_t mask = 0;    // the bitmask the layout follows (inferred ones included)
  int recordLength = 0;
  float first = 0.0f, last = 0.0f;  // CYYMMDD as stored
};

// The file of dir named name in any letter case; empty when there is none.
std::filesystem::path FindAnyCase(const std::filesystem::path& dir, const std::string& name);
// The securities dir lists: MASTER's (or EMASTER's without MASTER), then XMASTER's.
std::vector<OracleEntry> OracleIndex(const std::filesystem::path& dir);
// The EMASTER entry of that file number and symbol.
std::optional<OracleEntry> OracleEmaster(const std::filesystem::path& dir, int number,
                                         const std::string& symbol);
// Each quote's DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL, OI (-1 where absent); none
// when the quote file is missing.
using OracleQuote = std::array<float, 8>;
std::optional<std::vector<OracleQuote>> OracleQuotes(const std::filesystem::path& dir,
                                                     const OracleEntry& entry);

}  // namespace quillet::testing
