#pragma once

#include "core/portfolio/master_file.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/quote_date.h"
#include "core/base/result.h"
#include "core/base/vector_path.h"
#include "core/fs/file_steps.h"
#include "core/lib/quote_series.h"

namespace quillet {

// A split ratio p for q: close before / close after is about p/q.
struct SplitCandidate {
  int p = 0;
  int q = 0;
  bool operator==(const SplitCandidate&) const = default;
};

// p and q from 1 to 4, p != q, p*q neither 8 nor 12, in the order they are
// tried. Their +-10 % bands do not overlap, so a pair matches at most one.
inline constexpr std::array<SplitCandidate, 8> kSplitCandidates = {
    {{1, 2}, {1, 3}, {1, 4}, {2, 1}, {2, 3}, {3, 1}, {3, 2}, {4, 1}}};

// The candidate a pair of neighbouring quotes is reported for, or none. Uses
// the close, high and low of both; the arithmetic precision is part of the
// rule (single-precision ratio, threshold and gap; double band bounds).
std::optional<SplitCandidate> SplitPairTest(const Quote& earlier, const Quote& later);

struct SplitFinding {
  std::string query;  // the symbol as passed to the reader
  SplitCandidate candidate;
  QuoteDay day = 0;  // the later quote's date
  std::string line;  // "%s possible %d for %d split on %s"
};

std::string SplitFindingLine(std::string_view query, SplitCandidate candidate, QuoteDay day);

// Tests every pair of neighbouring quotes once, in order, appending what is
// reported; every path gives the same findings.
void SearchSeriesForSplits(std::string_view query, std::span<const Quote> quotes,
                           std::vector<SplitFinding>& findings, VectorPath path = BestVectorPath());

// What a front end is told while the search runs.
class SplitSearchObserver {
 public:
  virtual ~SplitSearchObserver() = default;
  // A result line, as soon as its series has been searched.
  virtual void Found(const SplitFinding& finding) = 0;
  // A message box with an OK button; the search goes on when it returns.
  virtual void Message(const std::string& text) = 0;
  // The status text: each symbol after it was searched, then "Done search".
  virtual void Status(const std::string& text) = 0;
  // The search ran to its end: the information sound.
  virtual void Finished() {}
  // Before each series is read: how many of the total have been searched (a
  // progress bar). Returning false stops the search there (the Stop button).
  virtual bool Progress(size_t searched, size_t total) {
    (void)searched;
    (void)total;
    return true;
  }
};

enum class SplitSearchEnd {
  Done,       // every series searched
  ReadError,  // a series could not be read: the search ended there
  Stopped,    // Progress returned false: no status, sound or message followed
};

// code: LIB_OK, or on ReadError the reader's code with message the plain-words
// reason (after the "Error in SplitSearch bars read" box the observer was shown).
// A stopped search is ok(). findings: this run's, in the order found, also when
// the search ended early.
struct SplitSearchResult : Outcome {
  SplitSearchEnd end = SplitSearchEnd::Done;
  std::vector<SplitFinding> findings;
  std::string failedSymbol;  // on ReadError: the symbol whose series could not be read
};

// The symbols the search goes through: the securities of the symbol list, in its
// order. <DIR> rows are left out: they hold no series, and reading one would end
// the whole search with a read error.
std::vector<std::string> SplitSearchSymbols(const SymbolList& list);

// Searches the series of the symbols, in the order given (the symbol list's),
// in the Portfolio whose lookup directory is given. Each series is read once.
// A series that cannot be read ends the search with "Error in SplitSearch bars
// read"; findings made so far stay in the result.
SplitSearchResult SplitSearch(std::string_view directory, std::span<const std::string> symbols,
                              SplitSearchObserver& observer);

// Saves result lines, each ended by CR LF, through a working file. On failure
// nothing is written under that name; code is the file layer's and message
// messages::CannotSaveSearchResults, or LIB_INVALID_PARM and
// messages::PortfolioFileRefused for a Portfolio's file name.
Outcome SaveSplitSearchResults(const std::filesystem::path& file,
                               std::span<const std::string> lines,
                               fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
