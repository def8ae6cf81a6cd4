// Every write, interrupted at each of its file steps (a failed step and a dead
// process), leaves each file as before or as after. One row per operation:
// the file layer's own operations here; each write command adds its row.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/fs/fault.h"
#include "core/fs/safe_replace.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

std::vector<uint8_t> NewDatBytes(int quotes) {
  return PortfolioBuilder::DatBytes(28, DailyRows(14245, quotes));
}

void TwoSeries(const path& root) {
  PortfolioBuilder p(root);
  p.AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(10000, 40))
      .AddSeries(2, "AAPL", "APPLE", DailyRows(12000, 9));
  p.WriteMaster();
}

LibResult WriteRecordByRecord(const path& root) {
  // Over 64 KiB, so the working file takes more than one write.
  fs::AtomicFile out;
  if (LibResult r = out.Open(root / "F1.DAT", root / "F1.NEW"); r != LIB_OK) return r;
  const std::vector<uint8_t> bytes = NewDatBytes(3000);
  for (size_t at = 0; at < bytes.size(); at += 28) {
    if (!out.Write(&bytes[at], 28)) return LIB_FILE_WRITE;
  }
  return out.Commit();
}

std::vector<CrashPointCase> FsCases() {
  return {
      {"AtomicFileRecordByRecord", TwoSeries, WriteRecordByRecord},
      {"ReplaceFileOverMaster", TwoSeries,
       [](const path& root) {
         PortfolioBuilder p(root);
         p.Add({.fileNumber = 1, .symbol = "IBM", .name = "IBM CORP"});
         return fs::ReplaceFile(root / "MASTER", root / "MASTER.NEW", p.MasterBytes());
       }},
      {"ReplaceFileMakesNewFile", TwoSeries,
       [](const path& root) {
         return fs::ReplaceFile(root / "F3.DAT", root / "F3.NEW", NewDatBytes(5));
       }},
      {"CopyOverOlderBackup",
       [](const path& root) {
         TwoSeries(root);
         WriteBytes(root / "F1.BAK", NewDatBytes(2));
       },
       [](const path& root) { return fs::CopyFileSynced(root / "F1.DAT", root / "F1.BAK"); }},
      {"CopyIntoOtherPortfolio",
       [](const path& root) {
         TwoSeries(root / "A");
         TwoSeries(root / "B");
       },
       [](const path& root) {
         return fs::CopyFileSynced(root / "A" / "F1.DAT", root / "B" / "F3.DAT");
       }},
      {.name = "RenameWorkingFileOverTarget",
       .build =
           [](const path& root) {
             TwoSeries(root);
             WriteBytes(root / "F1.NEW", NewDatBytes(7));
           },
       .operation =
           [](const path& root) { return fs::RenameFile(root / "F1.NEW", root / "F1.DAT"); },
       .retryAfterCrash = false},  // the working file is gone once renamed
      {"RemoveBackup",
       [](const path& root) {
         TwoSeries(root);
         WriteBytes(root / "F1.BAK", NewDatBytes(2));
       },
       [](const path& root) { return fs::RemoveFile(root / "F1.BAK"); }},
      // The order every quote-file rewrite follows: backup first, then the swap.
      {.name = "BackupThenReplace",
       .build = TwoSeries,
       .operation =
           [](const path& root) {
             if (LibResult r = fs::CopyFileSynced(root / "F1.DAT", root / "F1.BAK"); r != LIB_OK)
               return r;
             return fs::ReplaceFile(root / "F1.DAT", root / "F1.NEW", NewDatBytes(41));
           },
       .backups = {{"F1.DAT", "F1.BAK"}},
       .retryAfterCrash = false},  // a second run backs up the new content
      // The order a move between Portfolios follows: copy, then remove the source.
      {.name = "CopyThenRemoveSource",
       .build =
           [](const path& root) {
             TwoSeries(root / "A");
             TwoSeries(root / "B");
           },
       .operation =
           [](const path& root) {
             if (LibResult r = fs::CopyFileSynced(root / "A" / "F1.DAT", root / "B" / "F3.DAT");
                 r != LIB_OK) {
               return r;
             }
             return fs::RemoveFile(root / "A" / "F1.DAT");
           },
       .keepOne = {{"A/F1.DAT", "B/F3.DAT"}},
       .failureRestoresAll = false,
       .retryAfterCrash = false},
  };
}

class CrashPoints : public ::testing::TestWithParam<CrashPointCase> {};

TEST_P(CrashPoints, EveryStepLeavesEachFileBeforeOrAfter) {
  const CrashPointReport report = RunCrashPoints(GetParam());
  std::printf("[crash points] %s: %zu steps, %d interrupted runs\n", GetParam().name.c_str(),
              report.steps.size(), report.runs);
  std::string all;
  for (const std::string& f : report.failures) all += "  " + f + "\n";
  EXPECT_TRUE(report.failures.empty()) << all;
  EXPECT_EQ(report.runs, static_cast<int>(2 * report.steps.size()));
}

INSTANTIATE_TEST_SUITE_P(FileLayer, CrashPoints, ::testing::ValuesIn(FsCases()),
                         [](const auto& info) { return info.param.name; });

// The harness itself: writes that are not safe must be caught.
LibResult DeleteThenRename(const path& root) {
  const path working = root / "F1.NEW";
  WriteBytes(working, NewDatBytes(41));
  if (LibResult r = fs::RemoveFile(root / "F1.DAT"); r != LIB_OK) return r;
  return fs::RenameFile(working, root / "F1.DAT");
}

LibResult WriteInPlace(const path& root) {
  const std::vector<uint8_t> bytes = NewDatBytes(41);
  std::ofstream out(root / "F1.DAT", std::ios::binary | std::ios::trunc);
  for (size_t at = 0; at < bytes.size(); at += 28) {
    if (!fs::StepAllowed(fs::FsStep::Write, root / "F1.DAT")) return LIB_FILE_WRITE;
    out.write(reinterpret_cast<const char*>(&bytes[at]), 28);
    out.flush();
  }
  return LIB_OK;
}

TEST(CrashPointHarness, CatchesAFileMissingBetweenDeleteAndRename) {
  const CrashPointReport report = RunCrashPoints({"DeleteThenRename", TwoSeries, DeleteThenRename});
  bool missing = false, leftover = false;
  for (const std::string& f : report.failures) {
    missing =
        missing || f.find("F1.DAT is neither as before nor as after: missing") != std::string::npos;
    leftover = leftover || f.find("working file F1.NEW left behind") != std::string::npos;
  }
  EXPECT_TRUE(missing);
  EXPECT_TRUE(leftover);
}

TEST(CrashPointHarness, CatchesAPartialFile) {
  const CrashPointReport report = RunCrashPoints({"WriteInPlace", TwoSeries, WriteInPlace});
  bool partial = false;
  for (const std::string& f : report.failures)
    partial = partial || f.find("partial") != std::string::npos;
  EXPECT_TRUE(partial);
}

TEST(CrashPointHarness, CatchesAMissingBackupAndAMoveInNeitherPlace) {
  CrashPointCase c{.name = "ReplaceWithoutBackup",
                   .build = TwoSeries,
                   .operation =
                       [](const path& root) {
                         return fs::ReplaceFile(root / "F1.DAT", root / "F1.NEW", NewDatBytes(41));
                       },
                   .backups = {{"F1.DAT", "F1.BAK"}}};
  bool noBackup = false;
  for (const std::string& f : RunCrashPoints(c).failures)
    noBackup = noBackup || f.find("without its backup") != std::string::npos;
  EXPECT_TRUE(noBackup);

  CrashPointCase move{.name = "RemoveThenCopy",
                      .build =
                          [](const path& root) {
                            TwoSeries(root / "A");
                            TwoSeries(root / "B");
                          },
                      .operation =
                          [](const path& root) {
                            const std::vector<uint8_t> bytes = ReadBytes(root / "A" / "F1.DAT");
                            if (LibResult r = fs::RemoveFile(root / "A" / "F1.DAT"); r != LIB_OK)
                              return r;
                            return fs::ReplaceFile(root / "B" / "F3.DAT", root / "B" / "F3.NEW",
                                                   bytes);
                          },
                      .keepOne = {{"A/F1.DAT", "B/F3.DAT"}},
                      .failureRestoresAll = false,
                      .retryAfterCrash = false};
  bool neither = false;
  for (const std::string& f : RunCrashPoints(move).failures)
    neither = neither || f.find("in none of its places") != std::string::npos;
  EXPECT_TRUE(neither);
}

}  // namespace
}  // namespace quillet::testing
