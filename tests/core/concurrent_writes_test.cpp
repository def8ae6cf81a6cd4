// Two processes writing one Portfolio at once (the window and the command line
// side by side): each write holds the Portfolio's lock from its first read to
// its last swap, so no write reported done is lost, and a Portfolio held too
// long is refused as busy with nothing changed.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/edit/rewrite.h"
#include "core/fs/files.h"
#include "core/lib/quote_series.h"
#include "core/portfolio/master_file.h"
#include "core/portfolio/master_repair.h"
#include "core/portfolio/write_guard.h"
#include "core/symbols/symbol_edit.h"
#include "core/symbols/symbol_move.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

namespace quillet::testing {
namespace {

const QuoteDay kFirstDay = DayFromYmd(2000, 1, 3);

// Runs mine here and theirs in a child process at the same time; true when both succeed.
bool Together(const std::function<bool()>& theirs, const std::function<bool()>& mine) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(theirs() ? 0 : 1);
  const bool ok = mine();
  int status = 0;
  ::waitpid(child, &status, 0);
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ConcurrentWrites, TwoProcessesEditingDaysOfOneSeriesLoseNoEdit) {
  TempDir dir;
  PortfolioBuilder(dir.root())
      .AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, 80))
      .WriteMaster();
  std::vector<Quote> quotes;
  {
    SeriesData series;
    ASSERT_EQ(ReadWholeSeries(dir.str(), "IBM", series), LIB_OK);
    quotes = series.quotes;
  }
  // Process p edits the quotes 2k + p, 40 each, setting the close to 1000 + k.
  const auto edits = [&](int p) {
    return [&, p] {
      for (int k = 0; k < 40; ++k) {
        const QuoteDay day = quotes[static_cast<size_t>(2 * k + p)].date;
        std::array<float, 6> values = quotes[static_cast<size_t>(2 * k + p)].values;
        values[3] = 1000.0f + static_cast<float>(k);
        if (!RewriteSeries(dir.str(), (dir / "MASTER").string(),
                           Change(CHANGE_REPLACE, day, day, values), "IBM")
                 .ok())
          return false;
      }
      return true;
    };
  };
  ASSERT_TRUE(Together(edits(0), edits(1)));
  SeriesData after;
  ASSERT_EQ(ReadWholeSeries(dir.str(), "IBM", after), LIB_OK);
  ASSERT_EQ(after.quotes.size(), 80u);
  for (size_t i = 0; i < 80; ++i)
    EXPECT_EQ(after.quotes[i].values[3], 1000.0f + static_cast<float>(i / 2)) << "quote " << i;
}

TEST(ConcurrentWrites, TwoMovesIntoOneDestinationLoseNothing) {
  for (int trial = 0; trial < 20; ++trial) {
    TempDir dir;
    PortfolioBuilder(dir / "A")
        .AddSeries(1, "AAA", "FROM A", DailyRows(kFirstDay, 30))
        .WriteMaster();
    PortfolioBuilder(dir / "B")
        .AddSeries(1, "BBB", "FROM B", DailyRows(kFirstDay, 20))
        .WriteMaster();
    PortfolioBuilder(dir / "D").AddSeries(1, "DDD", "THERE", DailyRows(kFirstDay, 5)).WriteMaster();
    const std::vector<uint8_t> a = ReadBytes(dir / "A" / "F1.DAT"),
                               b = ReadBytes(dir / "B" / "F1.DAT");
    const auto move = [&](const char* from, const char* symbol) {
      return [&, from, symbol] {
        return TransferSymbol((dir / from).string(), symbol, (dir / "D").string(),
                              TransferMode::Move)
            .ok();
      };
    };
    ASSERT_TRUE(Together(move("A", "AAA"), move("B", "BBB"))) << "trial " << trial;
    SeriesData moved;
    for (const auto& [symbol, bytes] : {std::pair{"AAA", a}, std::pair{"BBB", b}}) {
      ASSERT_EQ(ReadWholeSeries((dir / "D").string(), symbol, moved), LIB_OK) << symbol;
      EXPECT_EQ(ReadBytes(dir / "D" / fs::QuoteFileName(moved.info.record.FileNumber(), "DAT")),
                bytes);
    }
    EXPECT_EQ(ReadSymbolList((dir / "D" / "MASTER").string()).rows.size(), 3u);
    EXPECT_TRUE(ReadSymbolList((dir / "A" / "MASTER").string()).rows.empty());
    EXPECT_FALSE(fs::Exists(dir / "B" / "F1.DAT"));
  }
}

class YesPrompt : public RepairPrompt {
 public:
  bool Confirm(const std::string&) override { return true; }
  void Dropped(const std::string&) override {}
};

TEST(ConcurrentWrites, EveryWriteRefusesABusyPortfolioUnchanged) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  p.AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, 9))
      .AddSeries(2, "AAPL", "APPLE", DailyRows(kFirstDay, 9));
  p.WriteMaster(3);  // damaged, for the repair
  PortfolioBuilder(dir / "D").AddSeries(1, "DDD", "THERE", DailyRows(kFirstDay, 5)).WriteMaster();
  const TreeSnapshot before = SnapshotTree(dir.root());
  // Another thread holds the Portfolio until every write has been refused.
  std::mutex m;
  std::condition_variable cv;
  int stage = 0;
  std::thread holder([&] {
    WriteGuard other;
    other.Lock({dir.root()});
    std::unique_lock lock(m);
    stage = 1;
    cv.notify_all();
    cv.wait(lock, [&] { return stage == 2; });
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return stage == 1; });
  }
  fs::SetLockWait(std::chrono::milliseconds(30));
  const std::string master = (dir / "MASTER").string();
  YesPrompt yes;
  const std::vector<Outcome> refused = {
      RewriteSeries(dir.str(), master, Change(CHANGE_DELETE, kFirstDay, kFirstDay), "IBM"),
      EditSymbol(dir.str(), master, "IBM", "IBMX", "NEW"),
      DeleteSymbol(master, "IBM"),
      TransferSymbol(dir.str(), "IBM", (dir / "D").string(), TransferMode::Move),
      TransferSymbol((dir / "D").string(), "DDD", dir.str(), TransferMode::Copy),
      RepairMasterFile(master, true, yes)};
  fs::SetLockWait(std::chrono::seconds(10));
  {
    std::lock_guard lock(m);
    stage = 2;
  }
  cv.notify_all();
  holder.join();
  for (const Outcome& r : refused) {
    EXPECT_EQ(r.code, kWriteRefused);
    EXPECT_NE(r.message.find("is busy: another program is changing it"), std::string::npos)
        << r.message;
  }
  EXPECT_TRUE(SnapshotTree(dir.root()) == before);
}

// The record of a change cut short is a file like any other: the next writer
// acts only on working files of ours in the folder, never on a name outside it.
TEST(ConcurrentWrites, ARecordedChangeSwapsOnlyWorkingFilesWithinItsFolder) {
  TempDir dir;
  const path p = dir / "P";
  PortfolioBuilder(p).AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, 3)).WriteMaster();
  WriteBytes(dir / "outside", {1});
  WriteBytes(p / "F1.NEW", {7});
  WriteBytes(p / "F2.DAT", {8});
  const std::string record = "F1.NEW\t../outside\nF2.DAT\tF1.DAT\n../outside\tF1.DAT\n";
  WriteBytes(p / "MASTER.~IN", {record.begin(), record.end()});
  const TreeSnapshot before = SnapshotTree(dir.root());
  EXPECT_EQ(DescribeUnfinishedChange((p / "MASTER").string()), "");
  WriteGuard next;
  ASSERT_TRUE(next.Lock({p}));
  TreeSnapshot expected = before;
  expected.erase("P/MASTER.~IN");
  EXPECT_TRUE(SnapshotTree(dir.root()) == expected);
}

}  // namespace
}  // namespace quillet::testing
