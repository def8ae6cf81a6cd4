#include <gtest/gtest.h>

#include <algorithm>

#include "core/messages/splitsearch.h"
#include "core/splitsearch/split_search.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::DatRow;
using testing::MasterEntry;
using testing::PortfolioBuilder;
using testing::ReadBytes;
using testing::TempDir;

// Records what the search tells a front end, in order; asks it to stop before
// symbol stopAt.
class Recorder : public SplitSearchObserver {
 public:
  explicit Recorder(size_t stopAt = SIZE_MAX) : stopAt_(stopAt) {}
  void Found(const SplitFinding& f) override { events.push_back("found:" + f.line); }
  void Message(const std::string& text) override { events.push_back("message:" + text); }
  void Status(const std::string& text) override { events.push_back("status:" + text); }
  void Finished() override { events.push_back("finished"); }
  bool Progress(size_t searched, size_t total) override {
    EXPECT_GT(total, searched);
    return searched < stopAt_;
  }
  std::vector<std::string> events;

 private:
  size_t stopAt_;
};

// n daily quotes with narrow bars and small moves, whose price level changes by
// the factor after each index in splits (a real gap between the bars there).
std::vector<DatRow> SeriesWithSplits(int n, const std::vector<std::pair<int, float>>& splits) {
  std::vector<DatRow> rows;
  QuoteDay day = DayFromYmd(90, 1, 2);
  float factor = 1.0f;
  size_t next = 0;
  for (int i = 0; i < n; ++i, ++day) {
    while (day % 7 == 0 || day % 7 == 1) ++day;
    if (next < splits.size() && splits[next].first == i) factor *= splits[next++].second;
    const float close = (20.0f + static_cast<float>(i % 5) * 0.01f) * factor;
    rows.push_back(testing::Row28(day, close, close * 1.002f, close * 0.998f, close,
                                  1000.0f + static_cast<float>(i), 0.0f));
  }
  return rows;
}

std::vector<std::string> Lines(const SplitSearchResult& r) {
  std::vector<std::string> lines;
  for (const SplitFinding& f : r.findings) lines.push_back(f.line);
  return lines;
}

// Splits on and around the seams of the grid's 400-quote windows and of the
// search's blocks: every one is reported once, in file order, and nothing else.
TEST(SplitSearch, EverySplitOfEverySeriesIsReportedOnce) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  struct Seam {
    int at;  // the first quote at the new price level
    float factor;
    SplitCandidate reported;
  };
  const Seam seams[] = {{1, 0.5f, {2, 1}},          {256, 2.0f, {1, 2}}, {399, 0.5f, {2, 1}},
                        {400, 1.0f / 3.0f, {3, 1}}, {401, 1.5f, {2, 3}}, {799, 0.25f, {4, 1}}};
  const std::vector<std::pair<std::string, int>> series = {
      {"TWO", 2},    {"W399", 399}, {"W400", 400},  {"W401", 401},
      {"W402", 402}, {"W800", 800}, {"W1000", 1000}};
  uint8_t fileNumber = 1;
  std::vector<std::string> symbols, expected;
  for (const auto& [symbol, n] : series) {
    std::vector<std::pair<int, float>> splits;
    for (const Seam& s : seams) {
      if (s.at < n) splits.push_back({s.at, s.factor});
    }
    const std::vector<DatRow> rows = SeriesWithSplits(n, splits);
    for (const Seam& s : seams) {
      if (s.at < n) {
        expected.push_back(SplitFindingLine(symbol, s.reported,
                                            DayFromDateField(rows[static_cast<size_t>(s.at)][0])));
      }
    }
    p.AddSeries(fileNumber++, symbol, symbol + " INC", rows);
    symbols.push_back(symbol);
  }
  p.WriteMaster();

  Recorder recorder;
  const SplitSearchResult result = SplitSearch(dir.str(), symbols, recorder);
  ASSERT_EQ(result.end, SplitSearchEnd::Done);
  EXPECT_EQ(Lines(result), expected);
}

// What a front end is told, in order, for each way a search ends.
TEST(SplitSearch, WhatTheFrontEndIsToldInOrder) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  p.AddSeries(1, "ONE", "ONE QUOTE", testing::DailyRows(DayFromYmd(99, 5, 3), 1));
  std::vector<DatRow> rows = testing::DailyRows(DayFromYmd(99, 5, 24), 4);
  rows[3] = testing::Row28(DayFromYmd(99, 5, 27), 5, 5.2f, 4.8f, 5, 1000, 0);
  rows[2][4] = 10.0f;  // close 10 then 5, low 9.5 before and high 5.2 after
  p.AddSeries(2, "XYZ", "XYZ CORP", rows);
  p.AddSeries(3, "FLAT", "FLAT", testing::DailyRows(DayFromYmd(99, 5, 3), 50));
  p.AddSeries(4, "GONE", "NO DAT FILE", testing::DailyRows(DayFromYmd(99, 5, 3), 5));
  // The header claims 9 quotes, 3 are there: only the pairs the file holds are searched.
  MasterEntry shortEntry;
  shortEntry.fileNumber = 5;
  shortEntry.symbol = shortEntry.name = "SHORT";
  p.Add(shortEntry);
  p.WriteDat(5, 28, testing::DailyRows(DayFromYmd(99, 1, 4), 3), 10);
  p.WriteMaster();
  std::filesystem::remove(dir / "F4.DAT");

  const std::string fewer =
      "message:For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 "
      "quotes.";
  const std::string found = "found:XYZ possible 2 for 1 split on 05/27/99";
  const std::string none = std::string("message:") + messages::kNoCandidateSplits;
  const std::string readError = std::string("message:") + messages::kErrorInSplitSearchBarsRead;
  struct Case {
    std::vector<std::string> symbols;
    size_t stopAt;  // Progress returns false before this symbol
    SplitSearchEnd end;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {{"ONE", "XYZ"},
       9,
       SplitSearchEnd::Done,
       {fewer, "status:ONE", found, "status:XYZ", "status:Done search", "finished"}},
      {{"FLAT"}, 9, SplitSearchEnd::Done, {"status:FLAT", "status:Done search", "finished", none}},
      {{"SHORT", "XYZ"},
       9,
       SplitSearchEnd::Done,
       {"status:SHORT", found, "status:XYZ", "status:Done search", "finished"}},
      {{"XYZ", "GONE", "FLAT"}, 9, SplitSearchEnd::ReadError, {found, "status:XYZ", readError}},
      {{"XYZ", "FLAT"}, 1, SplitSearchEnd::Stopped, {found, "status:XYZ"}},
      {{"XYZ"}, 0, SplitSearchEnd::Stopped, {}},
  };
  for (const Case& c : cases) {
    Recorder recorder(c.stopAt);
    const SplitSearchResult result = SplitSearch(dir.str(), c.symbols, recorder);
    EXPECT_EQ(result.end, c.end) << c.symbols[0];
    EXPECT_EQ(recorder.events, c.events) << c.symbols[0];
    // What was found before the end stays in the result.
    EXPECT_EQ(result.findings.size(),
              static_cast<size_t>(std::count(c.events.begin(), c.events.end(), found)));
    EXPECT_EQ(result.ok(), c.end != SplitSearchEnd::ReadError);
    if (c.end == SplitSearchEnd::ReadError) {
      EXPECT_EQ(result.failedSymbol, "GONE");
      EXPECT_EQ(result.code, LIB_FILE_OPEN);
      EXPECT_EQ(result.message, "The quote file of GONE cannot be opened");
    }
  }
}

// The saved lines end in CR LF; a name that cannot be written is refused with the
// search's message and nothing written (failed steps: the crash-point table).
TEST(SaveSplitSearchResults, BytesOrNothing) {
  TempDir dir;
  const std::vector<std::string> lines = {"A possible 2 for 1 split on 05/27/99",
                                          "B possible 1 for 2 split on 01/02/03"};
  ASSERT_TRUE(SaveSplitSearchResults(dir / "result.txt", lines).ok());
  const std::string text =
      "A possible 2 for 1 split on 05/27/99\r\nB possible 1 for 2 split on 01/02/03\r\n";
  EXPECT_EQ(ReadBytes(dir / "result.txt"), std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(SaveSplitSearchResults(dir / "empty.txt", {}).ok());
  EXPECT_TRUE(ReadBytes(dir / "empty.txt").empty());

  const auto before = testing::SnapshotTree(dir.root());
  for (const std::filesystem::path& file : {dir / "missing" / "result.txt", dir.root()}) {
    const Outcome r = SaveSplitSearchResults(file, lines);
    EXPECT_FALSE(r.ok()) << file;
    EXPECT_EQ(r.message, messages::CannotSaveSearchResults(file.string()));
    EXPECT_EQ(testing::SnapshotTree(dir.root()), before) << file;
  }
}

// The search goes through the symbol list's securities in list order, leaving out
// <DIR> rows, which hold no series (the order itself is the list's).
TEST(SplitSearchSymbols, SecuritiesOfTheSymbolListInItsOrder) {
  SymbolList list;
  for (const char* s : {"msft", "SUB", "IBM", "AAPL"})
    list.rows.push_back({s, s, 1, 1, s[0] == 'S'});
  EXPECT_EQ(SplitSearchSymbols(list), (std::vector<std::string>{"msft", "IBM", "AAPL"}));
}

}  // namespace
}  // namespace quillet
