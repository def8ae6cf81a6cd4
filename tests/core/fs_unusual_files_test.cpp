// Files that do not read as plain files do: FIFOs and devices named like the
// format's files are refused at once (no reader waits for a writer that never
// comes), and a read that fails is a failure, never the end of a shorter file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/export/export.h"
#include "core/fs/files.h"
#include "core/lib/quote_series.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

TEST(SpecialFiles, FifoAndDevicesAreRefusedWithoutWaiting) {
  TempDir dir;
  const path fifo = dir / "F1.DAT";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ::alarm(20);  // a reader that waits ends the test instead of hanging it
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(fs::ReadWholeFile(fifo, bytes));
  EXPECT_FALSE(fs::ReadFileRange(fifo, 0, 4, bytes));
  EXPECT_FALSE(fs::InputFile(fifo).IsOpen());
  ::alarm(0);
  EXPECT_FALSE(fs::ReadWholeFile("/dev/zero", bytes));
  EXPECT_FALSE(fs::InputFile("/dev/null").IsOpen());
}

// Each read of a series failing in turn: the reader, the window reader and the
// export report it, with no quotes and no file; a clean read gets them all.
TEST(ReadErrors, AFailedReadIsNeverAShortSeries) {
  TempDir dir;
  PortfolioBuilder p(dir.root());
  // 28-byte records are read in pieces straight into the quotes; 24-byte ones in one block.
  p.AddSeries(1, "LONG", "LONG", DailyRows(DayFromYmd(80, 1, 2), 20000))
      .AddSeries(2, "NOOI", "NO OI", DailyRows(DayFromYmd(80, 1, 2), 300, 6), 24, 6);
  p.WriteMaster();
  for (const char* symbol : {"LONG", "NOOI"}) {
    TestSteps clean;
    SeriesData whole;
    ASSERT_EQ(ReadWholeSeries(dir.str(), symbol, whole, clean), LIB_OK);
    const size_t reads = clean.recorded().size();
    EXPECT_GE(reads, 2u) << symbol;
    for (size_t k = 0; k < reads; ++k) {
      ASSERT_EQ(clean.recorded()[k].step, fs::FsStep::Read);
      TestSteps failing = TestSteps::FailingAt(k);
      SeriesData series;
      EXPECT_EQ(ReadWholeSeries(dir.str(), symbol, series, failing), LIB_FILE_READ) << k;
      EXPECT_TRUE(series.quotes.empty()) << symbol << " read " << k;

      TestSteps failingAgain = TestSteps::FailingAt(k);
      QuoteSeries window;
      ASSERT_EQ(CreateQuoteSeries(window, 500), LIB_OK);
      const LibResult r = ReadQuoteSeries(window, dir.str(), symbol, 0, 200, failingAgain);
      EXPECT_EQ(r, failingAgain.failed() ? LIB_FILE_READ : LIB_OK);

      TestSteps failingExport = TestSteps::FailingAt(k);
      ExportOptions options;
      options.path = (dir / "OUT.TXT").string();
      const ExportResult e = ExportQuotes(dir.str(), symbol, options, true, {}, failingExport);
      EXPECT_EQ(e.status, ExportStatus::ReadFailed) << symbol << " read " << k;
      EXPECT_EQ(e.code, LIB_FILE_READ);
      EXPECT_FALSE(fs::Exists(options.path));
    }
  }
}

}  // namespace
}  // namespace quillet::testing
