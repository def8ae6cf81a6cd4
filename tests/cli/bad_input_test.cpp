// Malformed Portfolios given to every command that reads them: each row names
// the input, the command line, the exit status and the message. No row may
// crash, hang or change a file. Rows of the write commands join the table as
// those commands land (each also with a read-only Portfolio).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "core/lib/mbf.h"
#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

// One command line and what it must give; {DIR} stands for the Portfolio folder.
struct CliRun {
  std::vector<std::string> args;
  int status;
  std::string err;       // a part of stderr ("" : stderr must be empty)
  std::string out = {};  // a part of stdout ("" : not checked)
};

struct BadInputRow {
  std::string name;
  // Lays out the input below root; returns the Portfolio folder the commands get.
  std::function<path(const path& root)> build;
  std::vector<CliRun> runs;
  bool asNobody = false;  // permission rows: root reads everything
};

void PrintTo(const BadInputRow& row, std::ostream* os) {
  *os << row.name;
}

constexpr const char* kNotFound = "Symbol IBM was not found in the Portfolio {DIR}";
constexpr const char* kNoMaster = "No MASTER file can be read in the Portfolio {DIR}";
constexpr const char* kUnknownLayout =
    "The quote file of IBM has a record layout Quillet does not know";
constexpr const char* kCannotOpen = "The quote file of IBM cannot be opened";
constexpr const char* kFirstQuote = "01/02/70\t";  // the oldest of the standard quotes

// quotes and facts of IBM, both failing with the message.
std::vector<CliRun> BothFail(const std::string& message) {
  return {{{"quotes", "{DIR}", "IBM"}, 1, message}, {{"facts", "{DIR}", "IBM"}, 1, message}};
}
// quotes of IBM listing the text, facts succeeding.
std::vector<CliRun> BothRead(const std::string& quotesOut, const std::string& factsOut = "IBM") {
  return {{{"quotes", "{DIR}", "IBM"}, 0, "", quotesOut},
          {{"facts", "{DIR}", "IBM"}, 0, "", factsOut}};
}

// IBM (file 1, 28-byte records, 30 quotes from 2 January 1970) and AAPL (file 2).
PortfolioBuilder Standard(const path& dir, int8_t recordLength = 28, int8_t fieldCount = 7) {
  PortfolioBuilder p(dir);
  MasterEntry ibm{.fileNumber = 1,
                  .symbol = "IBM",
                  .name = "INTL BUS MACH",
                  .recordLength = recordLength,
                  .fieldCount = fieldCount};
  p.Add(ibm);
  p.WriteDat(1, 28, DailyRows(DayFromYmd(70, 1, 2), 30));
  p.AddSeries(2, "AAPL", "APPLE", DailyRows(DayFromYmd(80, 1, 2), 5));
  p.WriteMaster();
  return p;
}

path StandardAt(const path& dir) {
  Standard(dir);
  return dir;
}

void ChangeMaster(const path& dir, const std::function<void(std::vector<uint8_t>&)>& change) {
  std::vector<uint8_t> bytes = ReadBytes(dir / "MASTER");
  change(bytes);
  WriteBytes(dir / "MASTER", bytes);
}

// IBM's quotes with one field of every record set to a value.
path DatWithValue(const path& root, size_t field, float value) {
  PortfolioBuilder p = Standard(root);
  std::vector<DatRow> rows = DailyRows(DayFromYmd(70, 1, 2), 30);
  for (DatRow& row : rows) row[field] = value;
  p.WriteDat(1, 28, rows);
  return root;
}

// A chain of nested folders D/D/D..., each MASTER naming the next, IBM at one depth.
path NestedChain(const path& root, int levels, int ibmAt) {
  path dir = root;
  for (int level = 0; level <= levels; ++level) {
    PortfolioBuilder p(dir);
    if (level == ibmAt) p.AddSeries(1, "IBM", "INTL BUS MACH", DailyRows(DayFromYmd(70, 1, 2), 30));
    if (level < levels) p.Add(MasterEntry::Directory("D"));
    p.WriteMaster();
    dir /= "D";
  }
  return root;
}

std::vector<BadInputRow> Rows() {
  return {
      // MASTER damage
      {"MasterCutInsideFirstRecord",
       [](const path& r) {
         Standard(r);
         ChangeMaster(r, [](auto& b) { b.resize(kMasterRecordSize + 30); });
         return r;
       },
       BothFail(kNotFound)},
      {"MasterShorterThanItsHeader",
       [](const path& r) {
         Standard(r);
         ChangeMaster(r, [](auto& b) { b.resize(20); });
         return r;
       },
       BothFail(kNoMaster)},
      {"MasterEmpty",
       [](const path& r) {
         Standard(r);
         WriteBytes(r / "MASTER", {});
         return r;
       },
       BothFail(kNoMaster)},
      {"MasterCountNegative",
       [](const path& r) {
         Standard(r).WriteMaster(-3);
         return r;
       },
       BothFail(kNotFound)},
      {"MasterCountBeyondItsRecords",
       [](const path& r) {
         Standard(r).WriteMaster(202);
         return r;
       },
       {{{"quotes", "{DIR}", "AAPL"}, 0, "", "01/"},
        {{"quotes", "{DIR}", "MSFT"}, 1, "Symbol MSFT was not found"}}},
      // MASTER record fields
      {"RecordLength0", [](const path& r) { return Standard(r, 0).directory(); },
       BothFail(kUnknownLayout)},
      {"RecordLengthMinus1", [](const path& r) { return Standard(r, -1).directory(); },
       BothFail(kUnknownLayout)},
      {"RecordLength76WithoutDop", [](const path& r) { return Standard(r, 76).directory(); },
       BothFail(kUnknownLayout)},
      {"RecordLength76WithDop",
       [](const path& r) {
         PortfolioBuilder p = Standard(r, 76, 19);
         p.WriteDop(
             1,
             "\"DATE\",0,0\n\"OPEN\",2,2\n\"HIGH\",2,2\n\"LOW\",2,2\n\"CLOSE\",2,2\n\"VOL\",0,0\n");
         p.WriteDat(1, 76, DailyRows(DayFromYmd(70, 1, 2), 30, 19));
         return r;
       },
       BothRead(kFirstQuote)},
      {"RecordLength77WithDop",
       [](const path& r) {
         PortfolioBuilder p = Standard(r, 77, 19);
         p.WriteDop(1, "\"DATE\",0,0\n\"CLOSE\",2,2\n");
         p.WriteDat(1, 77, DailyRows(DayFromYmd(70, 1, 2), 30, 19));
         return r;
       },
       // The facts need no decoding: they show the length the reader refuses.
       {{{"quotes", "{DIR}", "IBM"}, 1, kUnknownLayout},
        {{"facts", "{DIR}", "IBM"}, 0, "", "DAT file record length\t77\n"}}},
      {"RecordLength200",
       [](const path& r) { return Standard(r, static_cast<int8_t>(200)).directory(); },
       BothFail(kUnknownLayout)},
      {"FieldCount0", [](const path& r) { return Standard(r, 28, 0).directory(); },
       BothRead("00/00/00\tN/A")},
      {"FieldCount50", [](const path& r) { return Standard(r, 28, 50).directory(); },
       BothRead(kFirstQuote)},
      // DAT header and size
      {"DatHeaderCount0",
       [](const path& r) {
         Standard(r).WriteDat(1, 28, DailyRows(DayFromYmd(70, 1, 2), 30), 0);
         return r;
       },
       BothRead("")},
      {"DatHeaderCountNegative",
       [](const path& r) {
         Standard(r).WriteDat(1, 28, DailyRows(DayFromYmd(70, 1, 2), 30), -7);
         return r;
       },
       BothRead("")},
      {"DatHeaderCountBeyondTheFile",
       [](const path& r) {
         Standard(r).WriteDat(1, 28, DailyRows(DayFromYmd(70, 1, 2), 30), 5000);
         return r;
       },
       BothRead(kFirstQuote)},
      {"DatShorterThanOneRecord",
       [](const path& r) {
         Standard(r);
         std::vector<uint8_t> dat = ReadBytes(r / "F1.DAT");
         dat.resize(10);
         WriteBytes(r / "F1.DAT", dat);
         return r;
       },
       BothRead("")},
      {"DatMissing",
       [](const path& r) {
         Standard(r);
         std::filesystem::remove(r / "F1.DAT");
         return r;
       },
       BothFail(kCannotOpen)},
      // Values
      {"NanPrices",
       [](const path& r) { return DatWithValue(r, 2, std::numeric_limits<float>::quiet_NaN()); },
       BothRead(kFirstQuote)},
      {"InfiniteVolume",
       [](const path& r) { return DatWithValue(r, 5, std::numeric_limits<float>::infinity()); },
       BothRead(kFirstQuote)},
      {"NanDates",
       [](const path& r) { return DatWithValue(r, 0, std::numeric_limits<float>::quiet_NaN()); },
       BothRead("00/00/00\t")},
      {"InfiniteDates",
       [](const path& r) { return DatWithValue(r, 0, -std::numeric_limits<float>::infinity()); },
       BothRead("")},
      {"DatesWithMonth13", [](const path& r) { return DatWithValue(r, 0, 701302.0f); },
       BothRead("00/00/00\t")},
      {"DatesWithDay0", [](const path& r) { return DatWithValue(r, 0, 700300.0f); },
       BothRead("02/28/70\t")},
      // DOP files
      {"DopOfBinaryJunk",
       [](const path& r) {
         PortfolioBuilder p = Standard(r);
         std::mt19937 random(5);
         std::string junk;
         for (int i = 0; i < 4096; ++i) junk += static_cast<char>(random() & 0xFF);
         p.WriteDop(1, junk);
         return r;
       },
       BothRead("")},
      {"DopOf100000Lines",
       [](const path& r) {
         PortfolioBuilder p = Standard(r);
         std::string text;
         for (int i = 0; i < 100000; ++i)
           text += i % 2 ? "\"CLOSE\",2,2\r\n" : "\"VOLUME\",0,100\r\n";
         p.WriteDop(1, text);
         return r;
       },
       BothRead("00/00/00\tN/A")},
      // Sub-directories
      {"DirEntryNamingAMissingFolder",
       [](const path& r) {
         PortfolioBuilder p(r);
         p.Add(MasterEntry::Directory("GONE")).WriteMaster();
         return r;
       },
       BothFail(kNotFound)},
      {"DirEntryNamingItsOwnFolder",
       [](const path& r) {
         PortfolioBuilder p(r);
         p.Add(MasterEntry::Directory(".")).Add(MasterEntry::Directory("SELF")).WriteMaster();
         std::filesystem::create_directory_symlink(".", r / "SELF");
         return r;
       },
       BothFail(kNotFound)},
      {"DirEntryNamingItsParent",
       [](const path& r) {
         PortfolioBuilder top(r);
         top.Add(MasterEntry::Directory("SUB")).WriteMaster();
         PortfolioBuilder sub(r / "SUB");
         sub.Add(MasterEntry::Directory("..")).Add(MasterEntry::Directory("UP")).WriteMaster();
         std::filesystem::create_directory_symlink("..", r / "SUB" / "UP");
         return r;
       },
       BothFail(kNotFound)},
      {"FortyNestedSubdirectoriesSymbolAtTheBottom",
       [](const path& r) { return NestedChain(r, 40, 40); }, BothFail(kNotFound)},
      {"FortyNestedSubdirectoriesSymbolAtLevel20",
       [](const path& r) { return NestedChain(r, 40, 20); }, BothRead(kFirstQuote)},
      {"PathOf400Characters",
       [](const path& r) {
         path dir = r;
         while (dir.string().size() < 400) dir /= std::string(60, 'p');
         return StandardAt(dir);
       },
       BothRead(kFirstQuote)},
      {"MissingPortfolioFolder", [](const path& r) { return r / "nowhere"; }, BothFail(kNoMaster)},
      {"MasterIsAFolder",
       [](const path& r) {
         std::filesystem::create_directories(r / "MASTER");
         return r;
       },
       BothFail(kNoMaster)},
      // Special files never make a read wait.
      {"MasterIsAFifo",
       [](const path& r) {
         ::mkfifo((r / "MASTER").c_str(), 0644);
         return r;
       },
       BothFail(kNoMaster)},
      {"DatIsAFifo",
       [](const path& r) {
         Standard(r);
         std::filesystem::remove(r / "F1.DAT");
         ::mkfifo((r / "F1.DAT").c_str(), 0644);
         return r;
       },
       BothFail(kCannotOpen)},
      {"DopIsAFifo",
       [](const path& r) {
         Standard(r);
         ::mkfifo((r / "F1.DOP").c_str(), 0644);
         return r;
       },
       BothRead(kFirstQuote)},
      // Arguments
      {"SymbolOf300Characters",
       StandardAt,
       {{{"quotes", "{DIR}", std::string(300, 'I')}, 1, "was not found in the Portfolio"}}},
      {"MissingSymbolArgument",
       StandardAt,
       {{{"quotes", "{DIR}"}, 2, "wrong number of arguments"},
        {{"facts", "{DIR}"}, 2, "wrong number of arguments"}}},
      // Permissions, as an unprivileged user
      {.name = "FolderWithoutReadPermission",
       .build =
           [](const path& r) {
             Standard(r / "P");
             ::chmod((r / "P").c_str(), 0);
             return r / "P";
           },
       .runs = BothFail(kNoMaster),
       .asNobody = true},
      {.name = "FolderListableButNotSearchable",
       .build =
           [](const path& r) {
             Standard(r / "P");
             ::chmod((r / "P").c_str(), 0444);
             return r / "P";
           },
       .runs = BothFail(kNoMaster),
       .asNobody = true},
      {.name = "MasterWithoutReadPermission",
       .build =
           [](const path& r) {
             Standard(r);
             ::chmod((r / "MASTER").c_str(), 0);
             return r;
           },
       .runs = BothFail(kNoMaster),
       .asNobody = true},
      {.name = "DatWithoutReadPermission",
       .build =
           [](const path& r) {
             Standard(r);
             ::chmod((r / "F1.DAT").c_str(), 0);
             return r;
           },
       .runs = BothFail(kCannotOpen),
       .asNobody = true},
      {.name = "SubfolderWithoutReadPermission",
       .build =
           [](const path& r) {
             PortfolioBuilder top(r);
             top.AddSeries(2, "AAPL", "APPLE", DailyRows(DayFromYmd(80, 1, 2), 5))
                 .Add(MasterEntry::Directory("SUB"));
             top.WriteMaster();
             StandardAt(r / "SUB");
             ::chmod((r / "SUB").c_str(), 0);
             return r;
           },
       .runs = {{{"quotes", "{DIR}", "IBM"}, 1, kNotFound},
                {{"quotes", "{DIR}", "AAPL"}, 0, "", "01/"}},
       .asNobody = true},
  };
}

std::string Fill(std::string text, const std::string& dir) {
  for (size_t at; (at = text.find("{DIR}")) != std::string::npos;) text.replace(at, 5, dir);
  return text;
}

class BadInput : public ::testing::TestWithParam<BadInputRow> {};

TEST_P(BadInput, ClearMessageNoCrashNoHangNothingChanged) {
  const BadInputRow& row = GetParam();
  TempDir temp;
  if (row.asNobody) ::chmod(temp.root().c_str(), 0755);  // nobody may enter the test folder
  const path dir = row.build(temp.root());
  const TreeSnapshot before = SnapshotTree(temp.root());
  for (const CliRun& run : row.runs) {
    std::vector<std::string> args;
    for (const std::string& a : run.args) args.push_back(Fill(a, dir.string()));
    const CliResult result = row.asNobody ? RunCliAsNobody(args, 20) : RunCli(args, 20);
    const std::string line = "quillet-cli " + run.args[0] + " (" + row.name + ")";
    ASSERT_NE(result.status, -1) << line << " crashes or hangs\n" << result.err;
    EXPECT_EQ(result.status, run.status) << line << "\n" << result.err;
    if (run.err.empty()) {
      EXPECT_EQ(result.err, "") << line;
    } else {
      EXPECT_NE(result.err.find(Fill(run.err, dir.string())), std::string::npos) << line << "\n"
                                                                                 << result.err;
    }
    if (!run.out.empty()) {
      EXPECT_NE(result.out.find(run.out), std::string::npos) << line << "\n" << result.out;
    }
  }
  EXPECT_TRUE(SnapshotTree(temp.root()) == before) << row.name << ": a file changed";
}

INSTANTIATE_TEST_SUITE_P(Table, BadInput, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet::testing
