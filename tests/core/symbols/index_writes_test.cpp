#include <gtest/gtest.h>

#include <filesystem>

#include "core/edit/rewrite.h"
#include "core/lib/quote_series.h"
#include "core/portfolio/master_file.h"
#include "core/symbols/symbol_edit.h"
#include "core/symbols/symbol_move.h"
#include "support/index_oracle.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

namespace quillet {
namespace {

namespace stdfs = std::filesystem;
using testing::OracleEntry;

// A writable copy of a real database: its index files and the quote files named.
stdfs::path CopyOf(const stdfs::path& tmp, const std::string& folder,
                   const std::vector<std::string>& quoteFiles) {
  const stdfs::path from = testing::RealDataDir() / folder, to = tmp / folder;
  stdfs::create_directories(to);
  std::vector<std::string> names = {"MASTER", "EMASTER", "XMASTER"};
  names.insert(names.end(), quoteFiles.begin(), quoteFiles.end());
  for (const std::string& name : names) {
    const stdfs::path file = testing::FindAnyCase(from, name);
    if (file.empty()) continue;
    testing::WriteBytes(to / file.filename(), testing::ReadBytes(file));
  }
  return to;
}

std::vector<OracleEntry> Listed(const stdfs::path& dir, const std::string& symbol) {
  std::vector<OracleEntry> found;
  for (const OracleEntry& e : testing::OracleIndex(dir)) {
    if (e.symbol == symbol) found.push_back(e);
  }
  return found;
}

// The security is listed once, every index file with the dates of its quote
// file's first and last quotes, and EMASTER with MASTER's symbol and name.
void ExpectInStep(const stdfs::path& dir, const std::string& symbol, const std::string& source) {
  const std::vector<OracleEntry> listed = Listed(dir, symbol);
  ASSERT_EQ(listed.size(), 1u) << symbol;
  const OracleEntry& e = listed[0];
  EXPECT_EQ(e.source, source);
  const auto quotes = testing::OracleQuotes(dir, e);
  ASSERT_TRUE(quotes && !quotes->empty()) << symbol;
  EXPECT_EQ(e.first, quotes->front()[0]) << symbol;
  EXPECT_EQ(e.last, quotes->back()[0]) << symbol;
  if (e.source != "MASTER") return;
  const auto extra = testing::OracleEmaster(dir, e.number, e.symbol);
  ASSERT_TRUE(extra) << symbol << ": no EMASTER entry";
  EXPECT_EQ(extra->first, e.first);
  EXPECT_EQ(extra->last, e.last);
  EXPECT_EQ(extra->name, e.name);
}

enum class Op { Edit, DeleteLast, SymbolEdit, Delete, Copy, Move };

TEST(IndexWrites, EveryWriteKeepsMasterEmasterAndXmasterInStep) {
  if (testing::RealDataDir().empty()) GTEST_SKIP() << "no real data in this checkout";
  struct Series {
    std::string symbol, source, quoteFile;
  };
  const Series series[] = {{".FTSE", "MASTER", "F3.DAT"}, {"AZMT.MI", "XMASTER", "F257.MWD"}};
  for (const Series& s : series) {
    for (Op op : {Op::Edit, Op::DeleteLast, Op::SymbolEdit, Op::Delete, Op::Copy, Op::Move}) {
      SCOPED_TRACE(s.symbol + " op " + std::to_string(static_cast<int>(op)));
      testing::TempDir tmp;
      const stdfs::path dir = CopyOf(tmp.root(), "equis_a", {s.quoteFile});
      const std::string d = dir.string();
      SeriesData before;
      ASSERT_EQ(ReadWholeSeries(d, s.symbol, before), LIB_OK);
      const QuoteDay first = before.quotes.front().date, last = before.quotes.back().date;
      switch (op) {
        case Op::Edit:
          ASSERT_EQ(RewriteSeries(d, MasterPathOf(d),
                                  testing::Change(CHANGE_REPLACE, first, first, {1, 2, 1, 2, 5, 6}),
                                  s.symbol)
                        .code,
                    LIB_OK);
          ExpectInStep(dir, s.symbol, s.source);
          break;
        case Op::DeleteLast:
          ASSERT_EQ(RewriteSeries(d, MasterPathOf(d), testing::Change(CHANGE_DELETE, last, last),
                                  s.symbol)
                        .code,
                    LIB_OK);
          ExpectInStep(dir, s.symbol, s.source);
          break;
        case Op::SymbolEdit:
          ASSERT_EQ(EditSymbol(d, MasterPathOf(d), s.symbol, "NEWSYM", "NEW NAME").code, LIB_OK);
          EXPECT_TRUE(Listed(dir, s.symbol).empty());
          EXPECT_EQ(Listed(dir, "NEWSYM")[0].name, "NEW NAME");
          if (s.source == "MASTER") {
            EXPECT_EQ(testing::OracleEmaster(dir, 3, "NEWSYM")->name, "NEW NAME");
          }
          break;
        case Op::Delete:
          ASSERT_EQ(DeleteSymbol(MasterPathOf(d), s.symbol).code, LIB_OK);
          EXPECT_TRUE(Listed(dir, s.symbol).empty());
          EXPECT_TRUE(testing::FindAnyCase(dir, s.quoteFile).empty());
          EXPECT_FALSE(testing::OracleEmaster(dir, 3, s.symbol));
          break;
        case Op::Copy:
        case Op::Move: {
          // Into a database whose MASTER has room (equis_b) and one whose MASTER
          // is full (equis_a, the security renamed): MASTER + EMASTER, or XMASTER.
          const stdfs::path roomy = CopyOf(tmp.root(), "equis_b", {});
          const TransferMode mode = op == Op::Move ? TransferMode::Move : TransferMode::Copy;
          const TransferResult into = TransferSymbol(d, s.symbol, roomy.string(), mode);
          ASSERT_EQ(into.code, LIB_OK) << into.message;
          EXPECT_EQ(into.fileNumber, 3);
          ExpectInStep(roomy, s.symbol, "MASTER");
          EXPECT_EQ(Listed(dir, s.symbol).size(), op == Op::Move ? 0u : 1u);
          EXPECT_EQ(testing::FindAnyCase(dir, s.quoteFile).empty(), op == Op::Move);
          const stdfs::path full = CopyOf(tmp / "full", "equis_a", {});
          const std::string f = full.string();
          ASSERT_EQ(EditSymbol(f, MasterPathOf(f), s.symbol, "OLD", "OLD").code, LIB_OK);
          const TransferResult back = TransferSymbol(roomy.string(), s.symbol, full.string(), mode);
          ASSERT_EQ(back.code, LIB_OK) << back.message;
          EXPECT_EQ(back.fileNumber, 2854);
          ExpectInStep(full, s.symbol, "XMASTER");
          break;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillet
