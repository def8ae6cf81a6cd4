// The golden table of write operations: each row builds a Portfolio, runs one
// write through its core entry point and names every file a clean run changes.
// The same rows feed the crash points: interrupted at each of its file steps (a
// failed step and a dead process), every write leaves each file as before or as after.

#include <gtest/gtest.h>

#include <fstream>

#include "core/edit/rewrite.h"
#include "core/export/export.h"
#include "core/fs/safe_replace.h"
#include "core/lib/index_files.h"
#include "core/portfolio/master_edit.h"
#include "core/portfolio/master_repair.h"
#include "core/splitsearch/split_search.h"
#include "core/symbols/symbol_edit.h"
#include "core/symbols/symbol_move.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"
#include "support/quote_changes.h"

namespace quillet::testing {
namespace {

using Steps = fs::FileSteps;
const QuoteDay kFirstDay = DayFromYmd(2000, 1, 3);  // a Monday
constexpr int kQuotes = 40;
constexpr const char* kDop =
    "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n"
    "\"VOL\",0,0\r\n\"OI\",0,0\r\n";

std::vector<uint8_t> NewDatBytes(int quotes) {
  return PortfolioBuilder::DatBytes(28, DailyRows(14245, quotes));
}

QuoteDay NthDay(int n) {
  return DayFromDateField(DailyRows(kFirstDay, kQuotes)[n][0]);
}

// IBM in F1 (with a DOP) and AAPL in F2, in root.
void TwoSeries(const path& root) {
  PortfolioBuilder p(root);
  p.AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(kFirstDay, kQuotes))
      .AddSeries(2, "AAPL", "APPLE", DailyRows(kFirstDay, 9));
  p.WriteMaster();
  p.WriteDop(1, kDop);
}

void TwoPortfoliosAB(const path& root) {
  TwoSeries(root / "A");
  TwoSeries(root / "B");
}

// Lays out base, then the extra file.
std::function<void(const path&)> With(std::function<void(const path&)> base, std::string file,
                                      std::vector<uint8_t> bytes) {
  return [=](const path& root) {
    base(root);
    WriteBytes(root / file, bytes);
  };
}

LibResult WriteRecordByRecord(const path& root, Steps& steps) {
  // Over 64 KiB, so the working file takes more than one write.
  fs::AtomicFile out(steps);
  if (LibResult r = out.Open(root / "F1.DAT", root / "F1.NEW"); r != LIB_OK) return r;
  const std::vector<uint8_t> bytes = NewDatBytes(3000);
  for (size_t at = 0; at < bytes.size(); at += 28) {
    if (!out.Write(&bytes[at], 28)) return LIB_FILE_WRITE;
  }
  return out.Commit();
}

auto Rewrite(const QuoteChange& change, const std::string& symbol = "IBM") {
  return [change, symbol](const path& root, Steps& steps) {
    const RewriteResult r =
        RewriteSeries(root.string() + "/", (root / "MASTER").string(), change, symbol, steps);
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

LibResult Repair(const path& root, Steps& steps) {
  YesPrompt yes;
  const RepairResult r = RepairMasterFile((root / "MASTER").string(), true, yes, steps);
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

// TwoSeries with an EMASTER entry for each and an XMASTER security XS in F256.MWD.
void WithIndexFiles(const path& root) {
  TwoSeries(root);
  PortfolioIndex index;
  ReadPortfolioIndex(root, index);
  std::vector<uint8_t> emaster(kEmasterRecordSize, 0), xmaster(kXmasterRecordSize, 0);
  std::copy(kXmasterMagic.begin(), kXmasterMagic.end(), xmaster.begin());
  IndexFile e, x;
  e.Assign(emaster, IndexKind::Emaster, root / "EMASTER");
  x.Assign(xmaster, IndexKind::Xmaster, root / "XMASTER");
  for (MasterRecord r : index.master.Records()) {
    r.fieldMask = 0x7F;
    e.AppendEmaster(r);
  }
  MasterRecord xs = index.master.Records()[1];
  xs.SetText(kMasterSymbol, "XS");
  xs.wideFileNumber = 256;
  xs.fieldMask = 0x7F;
  x.AppendXmaster(xs);
  WriteBytes(root / "EMASTER", e.Bytes());
  WriteBytes(root / "XMASTER", x.Bytes());
  WriteBytes(root / "F256.MWD", ReadBytes(root / "F2.DAT"));
}

auto Transfer(TransferMode mode) {
  return [mode](const path& root, Steps& steps) {
    const TransferResult r =
        TransferSymbol((root / "A").string(), "IBM", (root / "B").string(), mode, steps);
    return r.ok() ? LIB_OK : LIB_FILE_WRITE;
  };
}

LibResult Export(const path& root, Steps& steps) {
  ExportOptions options;
  options.path = (root / "IBM.TXT").string();
  return ExportQuotes(root.string(), "IBM", options, true, {}, steps).code;
}

// A rewrite of IBM's quote file, backed up first; a second run would back up
// the new content, so none is made.
CrashPointCase RewriteRow(std::string name, const QuoteChange& change) {
  return {.name = std::move(name),
          .build = TwoSeries,
          .operation = Rewrite(change),
          .changes = {"F1.DAT", "+F1.BAK"},
          .backups = {{"F1.DAT", "F1.BAK"}},
          .retryAfterCrash = false};
}

std::vector<CrashPointCase> Rows() {
  return {
      // More than one write to the working file.
      {"AtomicFileRecordByRecord", TwoSeries, WriteRecordByRecord, {"F1.DAT"}},
      // The write commands: the primitives of the file layer in the orders they are used.
      RewriteRow("RewriteReplace", Change(CHANGE_REPLACE, NthDay(5), NthDay(5),
                                          {1.5f, 2.5f, 0.5f, 2.0f, 1000.0f, 7.0f})),
      RewriteRow("RewriteScale",
                 Change(CHANGE_SCALE, NthDay(0), NthDay(30), {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 1.0f})),
      RewriteRow("RewriteInsert", Change(CHANGE_INSERT, NthDay(12), NthDay(12))),
      RewriteRow("RewriteDelete", Change(CHANGE_DELETE, NthDay(12), NthDay(12))),
      // The last quote: the MASTER's last date follows, with its own backup.
      {.name = "RewriteDeleteLastQuote",
       .build = TwoSeries,
       .operation = Rewrite(Change(CHANGE_DELETE, NthDay(kQuotes - 1), NthDay(kQuotes - 1))),
       .changes = {"F1.DAT", "+F1.BAK", "MASTER", "+MASTER.BAK"},
       .backups = {{"F1.DAT", "F1.BAK"}, {"MASTER", "MASTER.BAK"}},
       .whole = true,
       .retryAfterCrash = false},
      {.name = "RewriteInSubDirectory",
       .build =
           [](const path& root) {
             PortfolioBuilder top(root);
             top.AddSeries(1, "AAPL", "APPLE", DailyRows(kFirstDay, 9))
                 .Add(MasterEntry::Directory("SUB"));
             top.WriteMaster();
             TwoSeries(root / "SUB");
           },
       .operation = Rewrite(
           Change(CHANGE_SCALE, NthDay(3), NthDay(20), {2.0f, 2.0f, 2.0f, 2.0f, 1.0f, 1.0f})),
       .changes = {"SUB/F1.DAT", "+SUB/F1.BAK"},
       .backups = {{"SUB/F1.DAT", "SUB/F1.BAK"}},
       .retryAfterCrash = false},
      {.name = "SetMasterDate",
       .build = TwoSeries,
       .operation =
           [](const path& root, Steps& steps) {
             return SetMasterDate(root.string() + "/", (root / "MASTER").string(), "IBM",
                                  DateFieldFromDay(NthDay(2)), 1, MasterDate::First, steps);
           },
       .changes = {"MASTER", "+MASTER.BAK"},
       .backups = {{"MASTER", "MASTER.BAK"}},
       .retryAfterCrash = false},
      {.name = "RenameMasterEntry",
       .build = TwoSeries,
       .operation =
           [](const path& root, Steps& steps) {
             return RenameMasterEntry(root.string() + "/", (root / "MASTER").string(), "IBM",
                                      "IBMX", "RENAMED", steps);
           },
       .changes = {"MASTER", "+MASTER.BAK"},
       .backups = {{"MASTER", "MASTER.BAK"}},
       .retryAfterCrash = false},  // the old symbol is gone once renamed
      {.name = "RepairMaster",
       .build = DamagedMaster,
       .operation = Repair,
       .changes = {"MASTER", "+MASTER.bak"},
       .backups = {{"MASTER", "MASTER.bak"}}},
      // An earlier backup is kept: the repaired file has none of its own.
      {.name = "RepairMasterKeepsEarlierBackup",
       .build = With(DamagedMaster, "MASTER.bak", {1, 2, 3}),
       .operation = Repair,
       .changes = {"MASTER"}},
      {.name = "SymbolDelete",
       .build = With(TwoSeries, "F1.BAK", NewDatBytes(3)),
       .operation =
           [](const path& root, Steps& steps) {
             return DeleteSymbol((root / "MASTER").string(), "IBM", steps).code;
           },
       .changes = {"MASTER", "-F1.DAT", "-F1.DOP", "-F1.BAK"},
       .retryAfterCrash = false},  // the symbol is gone from MASTER once it is written
      {.name = "SymbolCopy",
       .build = TwoPortfolios,
       .operation = Transfer(TransferMode::Copy),
       .changes = {"B/MASTER", "+B/F3.DAT", "+B/F3.DOP"},
       .keepOne = {{"A/F7.DAT", "B/F3.DAT"}},
       .retryAfterCrash = false},  // a second copy finds the symbol in the destination
      // A leftover F3.DAT that no record of B uses is overwritten.
      {.name = "SymbolCopyOverALeftoverFile",
       .build = With(TwoPortfolios, "B/F3.DAT", {7, 7}),
       .operation = Transfer(TransferMode::Copy),
       .changes = {"B/MASTER", "B/F3.DAT", "+B/F3.DOP"},
       .retryAfterCrash = false},
      {.name = "SymbolMove",
       .build = TwoPortfolios,
       .operation = Transfer(TransferMode::Move),
       .changes = {"A/MASTER", "-A/F7.DAT", "-A/F7.DOP", "-A/F7.BAK", "B/MASTER", "+B/F3.DAT",
                   "+B/F3.DOP"},
       .keepOne = {{"A/F7.DAT", "B/F3.DAT"}, {"A/F7.DOP", "B/F3.DOP"}},
       .retryAfterCrash = false},
      // EMASTER and XMASTER swapped with their backups like MASTER.
      {.name = "RewriteDeleteLastQuoteWithEmaster",
       .build = WithIndexFiles,
       .operation = Rewrite(Change(CHANGE_DELETE, NthDay(kQuotes - 1), NthDay(kQuotes - 1))),
       .changes = {"F1.DAT", "+F1.BAK", "MASTER", "+MASTER.BAK", "EMASTER", "+EMASTER.BAK"},
       .backups = {{"F1.DAT", "F1.BAK"}, {"MASTER", "MASTER.BAK"}, {"EMASTER", "EMASTER.BAK"}},
       .retryAfterCrash = false},
      {.name = "RewriteXmasterSeries",
       .build = WithIndexFiles,
       .operation = Rewrite(Change(CHANGE_DELETE, NthDay(8), NthDay(8)), "XS"),
       .changes = {"F256.MWD", "+F256.BAK", "XMASTER", "+XMASTER.BAK"},
       .backups = {{"F256.MWD", "F256.BAK"}, {"XMASTER", "XMASTER.BAK"}},
       .retryAfterCrash = false},
      {.name = "SymbolDeleteXmasterSeries",
       .build = WithIndexFiles,
       .operation =
           [](const path& root, Steps& steps) {
             return DeleteSymbol((root / "MASTER").string(), "XS", steps).code;
           },
       .changes = {"XMASTER", "-F256.MWD"},
       .retryAfterCrash = false},
      {.name = "SymbolEditWithEmaster",
       .build = WithIndexFiles,
       .operation =
           [](const path& root, Steps& steps) {
             return EditSymbol(root.string() + "/", (root / "MASTER").string(), "IBM", "IBMX",
                               "RENAMED", steps)
                 .code;
           },
       .changes = {"MASTER", "+MASTER.BAK", "EMASTER", "+EMASTER.BAK"},
       .backups = {{"MASTER", "MASTER.BAK"}, {"EMASTER", "EMASTER.BAK"}},
       .retryAfterCrash = false},
      {"Export", TwoSeries, Export, {"+IBM.TXT"}},
      {"ExportOverAnEarlierFile", With(TwoSeries, "IBM.TXT", {'o', 'l', 'd'}), Export, {"IBM.TXT"}},
      {"SaveSplitSearchResults",
       TwoSeries,
       [](const path& root, Steps& steps) {
         const std::vector<std::string> lines = {"IBM possible 2 for 1 split on 01/10/00"};
         return SaveSplitSearchResults(root / "SPLITS.TXT", lines, steps).code;
       },
       {"+SPLITS.TXT"}},
  };
}

class CrashPoints : public ::testing::TestWithParam<CrashPointCase> {};

TEST_P(CrashPoints, GoldenChangesAndEveryStepLeavesEachFileBeforeOrAfter) {
  const CrashPointReport report = RunCrashPoints(GetParam());
  std::string all;
  for (const std::string& f : report.failures) all += "  " + f + "\n";
  EXPECT_TRUE(report.failures.empty()) << all;
  EXPECT_EQ(report.runs, static_cast<int>(2 * report.steps.size()));
}

// A link or FIFO at a working name is removed, never followed or waited on.
TEST_P(CrashPoints, WorkingNamesTakenByLinksOrFifosAreNeverFollowed) {
  std::string all;
  for (const std::string& f : RunWithWorkingNamesTaken(GetParam())) all += "  " + f + "\n";
  EXPECT_TRUE(all.empty()) << all;
}

INSTANTIATE_TEST_SUITE_P(Writes, CrashPoints, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

// The content is on disk before its name is, and the name before the call returns.
TEST(SafeReplace, SyncsTheWorkingFileBeforeItsRenameAndTheFolderAfter) {
  TempDir dir;
  TestSteps steps;
  ASSERT_EQ(fs::ReplaceFile(dir / "F1.DAT", dir / "F1.NEW", NewDatBytes(3), steps), LIB_OK);
  EXPECT_EQ(steps.Names(dir.root()),
            (std::vector<std::string>{"Create F1.NEW", "Write F1.NEW", "Sync F1.NEW",
                                      "Rename F1.NEW", "Sync ."}));
}

// The harness itself: writes that are not safe must be caught.
bool Reports(const CrashPointCase& c, const std::string& failure) {
  for (const std::string& f : RunCrashPoints(c).failures)
    if (f.find(failure) != std::string::npos) return true;
  return false;
}

LibResult DeleteThenRename(const path& root, Steps& steps) {
  const path working = root / "F1.NEW";
  WriteBytes(working, NewDatBytes(41));
  if (LibResult r = fs::RemoveFile(root / "F1.DAT", steps); r != LIB_OK) return r;
  return std::rename(working.c_str(), (root / "F1.DAT").c_str()) == 0 ? LIB_OK : LIB_FILE_WRITE;
}

LibResult WriteInPlace(const path& root, Steps& steps) {
  const std::vector<uint8_t> bytes = NewDatBytes(41);
  std::ofstream out(root / "F1.DAT", std::ios::binary | std::ios::trunc);
  for (size_t at = 0; at < bytes.size(); at += 28) {
    if (!steps.Allow(fs::FsStep::Write, root / "F1.DAT")) return LIB_FILE_WRITE;
    out.write(reinterpret_cast<const char*>(&bytes[at]), 28);
    out.flush();
  }
  return LIB_OK;
}

TEST(CrashPointHarness, CatchesUnsafeWrites) {
  EXPECT_TRUE(Reports({"DeleteThenRename", TwoSeries, DeleteThenRename},
                      "F1.DAT is neither as before nor as after: missing"));
  EXPECT_TRUE(Reports({"DeleteThenRename", TwoSeries, DeleteThenRename},
                      "working file F1.NEW left behind"));
  EXPECT_TRUE(Reports({"WriteInPlace", TwoSeries, WriteInPlace}, "partial"));
  EXPECT_TRUE(Reports({"WrongChanges", TwoSeries, WriteInPlace, {"F1.DAT", "+F1.BAK"}},
                      "clean run changes F1.DAT"));
  const auto replace = [](const path& root, Steps& steps) {
    return fs::ReplaceFile(root / "F1.DAT", root / "F1.NEW", NewDatBytes(41), steps);
  };
  EXPECT_TRUE(Reports({.name = "ReplaceWithoutBackup",
                       .build = TwoSeries,
                       .operation = replace,
                       .backups = {{"F1.DAT", "F1.BAK"}}},
                      "without its backup"));
  EXPECT_TRUE(Reports(
      {.name = "RemoveThenCopy",
       .build = TwoPortfoliosAB,
       .operation =
           [](const path& root, Steps& steps) {
             const std::vector<uint8_t> bytes = ReadBytes(root / "A" / "F1.DAT");
             if (LibResult r = fs::RemoveFile(root / "A" / "F1.DAT", steps); r != LIB_OK) return r;
             return fs::ReplaceFile(root / "B" / "F3.DAT", root / "B" / "F3.NEW", bytes, steps);
           },
       .keepOne = {{"A/F1.DAT", "B/F3.DAT"}},
       .failureRestoresAll = false,
       .retryAfterCrash = false},
      "in none of its places"));
  EXPECT_TRUE(Reports({.name = "TwoSwapsUnrecorded",
                       .build = TwoSeries,
                       .operation =
                           [](const path& root, Steps& steps) {
                             if (LibResult r = fs::ReplaceFile(root / "MASTER", root / "MASTER.NEW",
                                                               {{1, 2}}, steps);
                                 r != LIB_OK)
                               return r;
                             return fs::ReplaceFile(root / "F1.DAT", root / "F1.NEW",
                                                    NewDatBytes(41), steps);
                           },
                       .whole = true},
                      "half-made change that check does not report"));
}

}  // namespace
}  // namespace quillet::testing
