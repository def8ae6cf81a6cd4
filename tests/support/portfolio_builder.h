#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/quote_date.h"
#include "core/lib/master.h"

namespace quillet::testing {

using std::filesystem::path;

// A fresh folder under the system temp folder, removed (with everything in it)
// when the object goes.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const path& root() const { return root_; }
  std::string str() const { return root_.string(); }
  path operator/(const std::string& name) const { return root_ / name; }

 private:
  path root_;
};

// One MASTER entry as a test describes it; Bytes() lays it out byte by byte.
struct MasterEntry {
  uint8_t fileNumber = 1;
  std::string symbol;        // blank-padded to 16
  std::string name;          // blank-padded to 16
  int8_t recordLength = 28;  // stored as a signed byte
  int8_t fieldCount = 7;
  float firstDate = 0.0f;  // on-disk CYYMMDD values
  float lastDate = 0.0f;
  char periodicity = 'D';

  std::array<uint8_t, kMasterRecordSize> Bytes() const;
  // A <DIR> entry pointing to the sub-directory name (at most 8 characters).
  static MasterEntry Directory(const std::string& name);
  bool isDirectory = false;
};

// A security entry.
inline MasterEntry SecurityEntry(uint8_t fileNumber, const std::string& symbol,
                                 const std::string& name = "NAME") {
  MasterEntry e;
  e.fileNumber = fileNumber;
  e.symbol = symbol;
  e.name = name;
  return e;
}

// The values of one DAT record, in record order (field 1 first).
using DatRow = std::vector<float>;

// A quote in the 28-byte layout: DATE, OPEN, HIGH, LOW, CLOSE, VOL, OI.
DatRow Row28(QuoteDay day, float open, float high, float low, float close, float vol, float oi);
// n daily quotes on weekdays from day on, with prices that move a little each day.
std::vector<DatRow> DailyRows(QuoteDay firstDay, int n, int fields = 7);

// Writes MASTER, DAT and DOP files of a test Portfolio, byte by byte.
class PortfolioBuilder {
 public:
  explicit PortfolioBuilder(path directory);
  const path& directory() const { return dir_; }

  PortfolioBuilder& Add(const MasterEntry& entry);
  // Writes MASTER: header N = entries (both counters), then the entries.
  // headerCount overrides N (for damaged files).
  void WriteMaster(std::optional<int16_t> headerCount = std::nullopt) const;

  // Writes F<n>.DAT: a header record whose bytes 2-3 hold rows + 1 (or lastRecord)
  // then each row, fields as MBF, the record padded with zeros to recordLength.
  void WriteDat(int fileNumber, int recordLength, const std::vector<DatRow>& rows,
                std::optional<int16_t> lastRecord = std::nullopt) const;
  void WriteDop(int fileNumber, const std::string& text) const;

  // A security with its DAT file in one call; MASTER dates from the rows.
  PortfolioBuilder& AddSeries(uint8_t fileNumber, const std::string& symbol,
                              const std::string& name, const std::vector<DatRow>& rows,
                              int recordLength = 28, int fields = 7);

  // Changes the periodicity letter of the entry added last.
  PortfolioBuilder& SetPeriodicity(char periodicity);

  static std::vector<uint8_t> DatBytes(int recordLength, const std::vector<DatRow>& rows,
                                       std::optional<int16_t> lastRecord = std::nullopt);
  std::vector<uint8_t> MasterBytes(std::optional<int16_t> headerCount = std::nullopt) const;

 private:
  path dir_;
  std::vector<MasterEntry> entries_;
};

// File bytes.
std::vector<uint8_t> ReadBytes(const path& file);
void WriteBytes(const path& file, const std::vector<uint8_t>& bytes);

// Every file below root (relative name -> bytes), to prove that nothing changed.
using TreeSnapshot = std::map<std::string, std::vector<uint8_t>>;
TreeSnapshot SnapshotTree(const path& root);

// The real databases folder, or empty when the checkout has none (tests skip).
path RealDataDir();

}  // namespace quillet::testing
