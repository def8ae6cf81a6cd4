#include "core/splitsearch/split_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/fs/text_output.h"
#include "core/messages/export.h"
#include "core/messages/read.h"
#include "core/messages/splitsearch.h"

namespace quillet {

std::vector<std::string> SplitSearchSymbols(const SymbolList& list) {
  std::vector<std::string> symbols;
  for (const SymbolRow& row : list.rows) {
    if (!row.isDirectory) symbols.push_back(row.symbol);
  }
  return symbols;
}

std::optional<SplitCandidate> SplitPairTest(const Quote& earlier, const Quote& later) {
  const float before = earlier.Value(FIELD_CLOSE);
  const float after = later.Value(FIELD_CLOSE);
  if (before == 0.0f || after == 0.0f) return std::nullopt;
  const float ratio = before / after;
  // Between the bands of 2 for 3 and 3 for 2 (most pairs) no candidate can match.
  const double r0 = ratio;
  if (r0 >= 1.1 * (2.0 / 3.0) && r0 <= 0.9 * (3.0 / 2.0)) return std::nullopt;
  for (const SplitCandidate& c : kSplitCandidates) {
    const double target = static_cast<double>(c.p) / static_cast<double>(c.q);
    const double r = ratio;
    if (!(0.9 * target < r && r < 1.1 * target)) continue;
    const float change = std::fabs(before - after);
    const float threshold = change * 0.8f;
    // The facing extremes: the low before and the high after a fall, the high
    // before and the low after a rise or an unchanged close.
    const float gap = before > after ? earlier.Value(FIELD_LOW) - later.Value(FIELD_HIGH)
                                     : earlier.Value(FIELD_HIGH) - later.Value(FIELD_LOW);
    if (std::fabs(gap) > threshold) return c;
  }
  return std::nullopt;
}

std::string SplitFindingLine(std::string_view query, SplitCandidate candidate, QuoteDay day) {
  const std::string symbol(query);
  const std::string date = FormatDate(day);
  // One formatting into a buffer that holds every usual line; a longer one is
  // measured and formatted again.
  std::array<char, 96> buffer;
  const int n = std::snprintf(buffer.data(), buffer.size(), messages::kPossibleSplit,
                              symbol.c_str(), candidate.p, candidate.q, date.c_str());
  if (n <= 0) return {};
  if (static_cast<size_t>(n) < buffer.size())
    return std::string(buffer.data(), static_cast<size_t>(n));
  std::string line(static_cast<size_t>(n), '\0');
  std::snprintf(line.data(), line.size() + 1, messages::kPossibleSplit, symbol.c_str(), candidate.p,
                candidate.q, date.c_str());
  return line;
}

namespace {

void Report(std::string_view query, std::span<const Quote> quotes, size_t k,
            std::vector<SplitFinding>& findings) {
  const std::optional<SplitCandidate> c = SplitPairTest(quotes[k], quotes[k + 1]);
  if (!c) return;
  const QuoteDay day = quotes[k + 1].date;
  findings.push_back({std::string(query), *c, day, SplitFindingLine(query, *c, day)});
}

#if defined(__x86_64__)
// Pairs go through the AVX2 path in blocks of this many.
constexpr size_t kPairBlock = 256;

// The quiet band of close ratios, between the bands of 2 for 3 and 3 for 2, where
// SplitPairTest reports nothing: 1.1 * (2/3) <= r <= 0.9 * (3/2) in double. As r
// is a float, the bounds rounded inward to floats give the same test in single
// precision: r >= low exactly when double(r) >= 1.1 * (2/3), and so for high.
struct QuietBand {
  float low, high;
};
QuietBand MakeQuietBand() {
  const double low = 1.1 * (2.0 / 3.0), high = 0.9 * (3.0 / 2.0);
  float l = static_cast<float>(low), h = static_cast<float>(high);
  if (static_cast<double>(l) < low) l = std::nextafter(l, 2.0f);
  if (static_cast<double>(h) > high) h = std::nextafter(h, 0.0f);
  return {l, h};
}

// Marks with -1 the pairs (closes[i], closes[i + 1]), i < kPairBlock, whose ratio
// (the same single-precision division as SplitPairTest's) is outside the quiet
// band, eight pairs at a time: only those can be reported. A zero or not-a-number
// close gives a ratio outside the band, so its pair gets the full test too.
// groups[g] is nonzero when any of pairs 8g to 8g + 7 is marked.
__attribute__((target("avx2"))) void MarkPairsToTest(const float* closes, QuietBand band,
                                                     std::array<int32_t, kPairBlock>& marks,
                                                     std::array<int32_t, kPairBlock / 8>& groups) {
  using Floats = float __attribute__((vector_size(32)));
  using Ints = int32_t __attribute__((vector_size(32)));
  for (size_t i = 0; i < kPairBlock; i += 8) {
    Floats before, after;
    std::memcpy(&before, closes + i, sizeof before);
    std::memcpy(&after, closes + i + 1, sizeof after);
    const Floats ratio = before / after;
    const Ints mark = ~((ratio >= band.low) & (ratio <= band.high));
    std::memcpy(&marks[i], &mark, sizeof mark);
    groups[i / 8] = mark[0] | mark[1] | mark[2] | mark[3] | mark[4] | mark[5] | mark[6] | mark[7];
  }
}

// The ratios of a block of pairs first, eight at a time; the full test only for
// the pairs outside the quiet band.
void SearchInBlocks(std::string_view query, std::span<const Quote> quotes,
                    std::vector<SplitFinding>& findings) {
  static const QuietBand band = MakeQuietBand();
  std::array<float, kPairBlock + 8> closes;
  std::array<int32_t, kPairBlock> marks;
  std::array<int32_t, kPairBlock / 8> groups;
  for (size_t first = 0; first + 1 < quotes.size(); first += kPairBlock) {
    const size_t pairs = std::min(kPairBlock, quotes.size() - 1 - first);
    for (size_t i = 0; i <= pairs; ++i) closes[i] = quotes[first + i].Value(FIELD_CLOSE);
    // A short last block is padded with equal closes: a ratio of 1 is quiet.
    std::fill(closes.begin() + static_cast<ptrdiff_t>(pairs) + 1, closes.end(), 1.0f);
    MarkPairsToTest(closes.data(), band, marks, groups);
    for (size_t i = 0; i < pairs; ++i) {
      if (groups[i / 8] == 0) {
        i |= 7;  // the whole group is quiet
        continue;
      }
      if (marks[i] != 0) Report(query, quotes, first + i, findings);
    }
  }
}
#endif  // __x86_64__

}  // namespace

void SearchSeriesForSplits(std::string_view query, std::span<const Quote> quotes,
                           std::vector<SplitFinding>& findings, [[maybe_unused]] VectorPath path) {
#if defined(__x86_64__)
  // A path the processor lacks is never taken, whatever the caller asks.
  if (path != VectorPath::Scalar && path <= BestVectorPath()) {
    SearchInBlocks(query, quotes, findings);
    return;
  }
#endif
  for (size_t k = 0; k + 1 < quotes.size(); ++k) Report(query, quotes, k, findings);
}

SplitSearchResult SplitSearch(std::string_view directory, std::span<const std::string> symbols,
                              SplitSearchObserver& observer) {
  SplitSearchResult result;
  SeriesData series;
  // The Portfolio's index files and names read once for all its symbols.
  SecurityLookup lookup;
  for (size_t k = 0; k < symbols.size(); ++k) {
    const std::string& symbol = symbols[k];
    if (!observer.Progress(k, symbols.size())) {
      result.end = SplitSearchEnd::Stopped;
      return result;
    }
    if (LibResult r = ReadWholeSeries(lookup, directory, symbol, series); r != LIB_OK) {
      result.end = SplitSearchEnd::ReadError;
      result.failedSymbol = symbol;
      result.code = r;
      result.message = messages::DescribeReadFailure(r, directory, symbol, series.masterUnreadable);
      observer.Message(messages::kErrorInSplitSearchBarsRead);
      return result;
    }
    // The header's count decides, as the count-only read would tell it; the
    // pairs are those of the quotes the file really holds, so a file shorter
    // than its header is searched only as far as it goes.
    if (series.total < 2) {
      observer.Message(messages::FewerThanTwoQuotes(symbol));
    } else {
      const std::string query = symbol.substr(0, kSeriesQueryLimit);
      const size_t before = result.findings.size();
      SearchSeriesForSplits(query, series.quotes, result.findings);
      for (size_t i = before; i < result.findings.size(); ++i) observer.Found(result.findings[i]);
    }
    observer.Status(symbol);
  }
  observer.Status(messages::kDoneSearch);
  observer.Finished();
  if (result.findings.empty()) observer.Message(messages::kNoCandidateSplits);
  return result;
}

Outcome SaveSplitSearchResults(const std::filesystem::path& file,
                               std::span<const std::string> lines, fs::FileSteps& steps) {
  if (IsPortfolioFileName(file))
    return {LIB_INVALID_PARM, messages::PortfolioFileRefused(file.string())};
  const LibResult r = WriteTextLines(file, lines, steps);
  if (r == LIB_OK) return {};
  return {r, messages::CannotSaveSearchResults(file.string())};
}

}  // namespace quillet
