#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/lib/master.h"

namespace quillet {

// The symbol list shows at most this many rows; a Portfolio holds at most this many securities.
inline constexpr int kMaxSymbols = 255;
// A master path must be shorter than this.
inline constexpr size_t kMaxMasterPath = 300;

// The current Portfolio: where its MASTER is and how the library is given it.
struct CurrentPortfolio {
  std::string masterPath;     // ends in "MASTER"
  std::string portfolioPath;  // the master path cut before its last separator (window title)
  std::string libDir;         // the Portfolio directory ending in a separator (lookup, readers)
};

// Makes masterPath current: it must be shorter than 300 characters (else message
// receives "File/Path name too long") and end in "MASTER" (else false without a
// message). On false, current is unchanged.
bool SetMasterPath(std::string_view masterPath, CurrentPortfolio& current, std::string& message);

// The Portfolio's master path from its directory ("/data/ms" or "/data/ms/").
std::string MasterPathOf(std::string_view directory);

// The MASTER file a master path names, found whatever the letter case of its
// name on disk; the path as given when there is none.
std::filesystem::path MasterFileOf(std::string_view masterPath);

// The three damage tests, in order; the later ones run only when the earlier passed.
enum class MasterDamage { None, Size, FileNumbers, Symbols };

struct MasterCheck {
  LibResult result =
      LIB_OK;  // LIB_FILE_OPEN / LIB_FILE_READ when the file or its header cannot be read
  MasterDamage damage = MasterDamage::None;
  int16_t count = 0;  // N from the header
  uint64_t size = 0;  // bytes in the file
  int record = 0;     // 1-based record that failed the file-number or symbol test
  uint8_t fileNumber = 0;
  bool fromEmaster = false;  // no MASTER: its EMASTER reads and stands in, untested

  bool Sound() const { return result == LIB_OK && damage == MasterDamage::None; }
  // "sound", the failed test in words, or the read failure.
  std::string Describe(std::string_view masterPath) const;
};

// A folder without MASTER whose EMASTER reads is sound (fromEmaster).
MasterCheck TestMasterFile(std::string_view masterPath);
// The same tests on a MASTER file already read.
MasterCheck TestMaster(const MasterFile& master);

// One row of the symbol list.
struct SymbolRow {
  std::string symbol;  // MasterRecord::Symbol
  std::string name;    // the 16 name bytes as stored (trailing blanks kept)
  uint16_t fileNumber = 0;
  // 1-based record number in MASTER (in the EMASTER that stands in for it), or
  // for an XMASTER security its place among PortfolioIndex::extended.
  int record = 0;
  bool isDirectory = false;  // a <DIR> entry: listed, but it holds no quotes of its own
  IndexSource source = IndexSource::Master;
};

struct SymbolList {
  LibResult result = LIB_OK;
  int16_t count = 0;  // N from the header
  // List order: ascending symbol text, letter case set aside, then byte order;
  // equal texts in file order.
  std::vector<SymbolRow> rows;
  std::string notice;  // the 255-symbol notice, shown before the list; empty when none
  // Set when EMASTER or XMASTER took part: the lists then tell each row's source.
  bool indexFiles = false;
  bool fromEmaster = false;           // no MASTER: EMASTER's securities are listed
  std::vector<std::string> warnings;  // index entries and files ignored
};

// The list's sort rule: letter case set aside, then byte order.
bool SymbolListLess(std::string_view a, std::string_view b);

// Reads the rows of the first min(N, 255) records, then those of XMASTER (and
// those of EMASTER when there is no MASTER). LIB_FILE_OPEN when the file or
// its header cannot be read, LIB_FILE_READ when it holds fewer records than the
// list needs ("Failure while filling symbols grid2" either way).
SymbolList ReadSymbolList(std::string_view masterPath);

}  // namespace quillet
