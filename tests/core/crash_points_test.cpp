// Every write, interrupted at each of its file steps (a failed step and a dead
// process), leaves each file as before or as after. One row per operation:
// the file layer's own operations here; each write command adds its row.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "core/base/mbf.h"
#include "core/edit/rewrite.h"
#include "core/fs/fault.h"
#include "core/fs/safe_replace.h"
#include "core/portfolio/master_edit.h"
#include "core/portfolio/master_repair.h"
#include "core/symbols/symbol_edit.h"
#include "core/symbols/symbol_move.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

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

// The write operations of the system, each through its core entry point.

const QuoteDay kFirstDay = DayFromYmd(2000, 1, 3);  // a Monday
constexpr int kQuotes = 40;
constexpr const char* kDop =
    "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n"
    "\"VOL\",0,0\r\n\"OI\",0,0\r\n";

using testing::Change;

QuoteDay NthDay(int n) {
  return DayFromDateField(DailyRows(kFirstDay, kQuotes)[n][0]);
}

// IBM in F1 (with a DOP) and AAPL in F2, in root.
void RewritePortfolio(const path& root) {
  PortfolioBuilder p(root);
  p.AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, kQuotes))
      .AddSeries(2, "AAPL", "APPLE", DailyRows(kFirstDay, 9));
  p.WriteMaster();
  p.WriteDop(1, kDop);
}

std::function<LibResult(const path&)> Rewrite(const QuoteChange& change,
                                              const std::string& symbol = "IBM") {
  return [change, symbol](const path& root) {
    const RewriteResult r =
        RewriteSeries(root.string() + "/", (root / "MASTER").string(), change, symbol);
    return r.ok()                             ? LIB_OK
           : r.code == kRewriteDeleteNotFound ? LIB_RECORD_NOT_FOUND
                                              : static_cast<LibResult>(r.code);
  };
}

class YesPrompt : public RepairPrompt {
 public:
  bool Confirm(const std::string&) override { return true; }
  void Dropped(const std::string&) override {}
};

// Nine securities whose header says ten, and file 3 listed twice.
void DamagedMaster(const path& root) {
  PortfolioBuilder p(root);
  for (int i = 1; i <= 9; ++i)
    p.Add(SecurityEntry(static_cast<uint8_t>(i), "S" + std::to_string(i), "NAME"));
  p.Add(SecurityEntry(3, "DUP", "AGAIN"));
  p.WriteMaster(11);
}

LibResult Repair(const path& root) {
  YesPrompt yes;
  const RepairResult r = RepairMasterFile((root / "MASTER").string(), true, yes);
  return r.repaired ? LIB_OK : r.code != LIB_OK ? r.code : LIB_FILE_WRITE;
}

// Source A: IBM in F7 (DAT, DOP, BAK) and MSFT in F2. Destination B uses 1 and 2.
void TwoPortfolios(const path& root) {
  PortfolioBuilder a(root / "A");
  a.AddSeries(2, "MSFT", "MICROSOFT", DailyRows(kFirstDay, 6))
      .AddSeries(7, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, kQuotes));
  a.WriteMaster();
  a.WriteDop(7, kDop);
  WriteBytes(root / "A" / "F7.BAK", NewDatBytes(3));
  PortfolioBuilder b(root / "B");
  b.AddSeries(1, "D1", "ONE", DailyRows(kFirstDay, 2))
      .AddSeries(2, "D2", "TWO", DailyRows(kFirstDay, 3));
  b.WriteMaster();
}

LibResult Transfer(const path& root, TransferMode mode) {
  const TransferResult r =
      TransferSymbol((root / "A").string(), "IBM", (root / "B").string(), mode);
  return r.ok() ? LIB_OK : LIB_FILE_WRITE;
}

std::vector<CrashPointCase> WriteCases() {
  const std::vector<std::pair<std::string, std::string>> datBackup = {{"F1.DAT", "F1.BAK"}};
  return {
      {.name = "RewriteReplace",
       .build = RewritePortfolio,
       .operation = Rewrite(
           Change(CHANGE_REPLACE, NthDay(5), NthDay(5), {1.5f, 2.5f, 0.5f, 2.0f, 1000.0f, 7.0f})),
       .backups = datBackup,
       .retryAfterCrash = false},  // a second run backs up the new content
      {.name = "RewriteScale",
       .build = RewritePortfolio,
       .operation = Rewrite(
           Change(CHANGE_SCALE, NthDay(0), NthDay(30), {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 1.0f})),
       .backups = datBackup,
       .retryAfterCrash = false},
      {.name = "RewriteInsert",
       .build = RewritePortfolio,
       .operation = Rewrite(Change(CHANGE_INSERT, NthDay(12), NthDay(12))),
       .backups = datBackup,
       .retryAfterCrash = false},
      {.name = "RewriteDelete",
       .build = RewritePortfolio,
       .operation = Rewrite(Change(CHANGE_DELETE, NthDay(12), NthDay(12))),
       .backups = datBackup,
       .retryAfterCrash = false},
      // The last quote: the MASTER's last date follows, with its own backup.
      {.name = "RewriteDeleteLastQuote",
       .build = RewritePortfolio,
       .operation = Rewrite(Change(CHANGE_DELETE, NthDay(kQuotes - 1), NthDay(kQuotes - 1))),
       .backups = {{"F1.DAT", "F1.BAK"}, {"MASTER", "MASTER.BAK"}},
       .retryAfterCrash = false},
      {.name = "RewriteInSubDirectory",
       .build =
           [](const path& root) {
             PortfolioBuilder top(root);
             top.AddSeries(1, "AAPL", "APPLE", DailyRows(kFirstDay, 9))
                 .Add(MasterEntry::Directory("SUB"));
             top.WriteMaster();
             RewritePortfolio(root / "SUB");
           },
       .operation = Rewrite(
           Change(CHANGE_SCALE, NthDay(3), NthDay(20), {2.0f, 2.0f, 2.0f, 2.0f, 1.0f, 1.0f})),
       .backups = {{"SUB/F1.DAT", "SUB/F1.BAK"}},
       .retryAfterCrash = false},
      {.name = "SetMasterDate",
       .build = RewritePortfolio,
       .operation =
           [](const path& root) {
             return SetMasterDate(root.string() + "/", (root / "MASTER").string(), "IBM",
                                  DateFieldFromDay(NthDay(2)), 1, MasterDate::First);
           },
       .backups = {{"MASTER", "MASTER.BAK"}},
       .retryAfterCrash = false},
      {.name = "RenameMasterEntry",
       .build = RewritePortfolio,
       .operation =
           [](const path& root) {
             return RenameMasterEntry(root.string() + "/", (root / "MASTER").string(), "IBM",
                                      "IBMX", "RENAMED");
           },
       .backups = {{"MASTER", "MASTER.BAK"}},
       .retryAfterCrash = false},  // the old symbol is gone once renamed
      {.name = "RepairMaster",
       .build = DamagedMaster,
       .operation = Repair,
       .backups = {{"MASTER", "MASTER.bak"}}},
      // An earlier backup is kept: the repaired file has none of its own.
      {.name = "RepairMasterKeepsEarlierBackup",
       .build =
           [](const path& root) {
             DamagedMaster(root);
             WriteBytes(root / "MASTER.bak", {1, 2, 3});
           },
       .operation = Repair},
      {.name = "SymbolDelete",
       .build =
           [](const path& root) {
             RewritePortfolio(root);
             WriteBytes(root / "F1.BAK", NewDatBytes(3));
           },
       .operation =
           [](const path& root) {
             const DeleteResult r = DeleteSymbol((root / "MASTER").string(), "IBM");
             return r.code;
           },
       .retryAfterCrash = false},  // the symbol is gone from MASTER once it is written
      {.name = "SymbolCopy",
       .build = TwoPortfolios,
       .operation = [](const path& root) { return Transfer(root, TransferMode::Copy); },
       .keepOne = {{"A/F7.DAT", "B/F3.DAT"}},
       .retryAfterCrash = false},  // a second copy finds the symbol in the destination
      {.name = "SymbolMove",
       .build = TwoPortfolios,
       .operation = [](const path& root) { return Transfer(root, TransferMode::Move); },
       .keepOne = {{"A/F7.DAT", "B/F3.DAT"}, {"A/F7.DOP", "B/F3.DOP"}},
       .retryAfterCrash = false},
  };
}

INSTANTIATE_TEST_SUITE_P(Writes, CrashPoints, ::testing::ValuesIn(WriteCases()),
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
