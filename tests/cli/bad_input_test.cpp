// Malformed Portfolios given to every command that reads or writes them: each
// row names the input, the command lines, the exit status and the message. No
// row may crash, hang or change a file: a write command refuses or fails before
// it touches anything, a read-only Portfolio included.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "core/base/mbf.h"
#include "support/cli_runner.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

// One command line and what it must give; {DIR} stands for the Portfolio folder,
// {DEST} for the destination Portfolio of a copy or move (root/DEST).
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
// The symbol commands name the symbol they could not find ("Symbol IBM was not
// found...", "Symbol IBM: File Not Found").
constexpr const char* kSymbolNotFound = "Symbol IBM";
constexpr const char* kMasterUnreadable = "The Master file\n{DIR}/MASTER\ncannot be read";
constexpr const char* kSizeDamage = "size: the header counts ";
constexpr const char* kInvalidData = "Invalid Data Entered";
// Stands for each write command's own failure headline.
constexpr const char* kHeadline = "{HEADLINE}";
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

// Each write command on IBM, with arguments that would change a sound
// Portfolio, giving the status and message (a part of stderr) asked.
// (add: IBM of GappedAt lacks 01/06/70, the weekday before.)
struct WriteCommand {
  std::vector<std::string> args;
  bool quoteCommand;  // reads the series before it changes anything
  std::string headline;
};
const std::vector<WriteCommand>& WriteCommands() {
  static const std::vector<WriteCommand> commands = {
      {{"edit", "{DIR}", "IBM", "01/05/70", "1", "2", "0.5", "1.5", "100", "10"},
       true,
       "Single Date Edit Failed"},
      {{"split", "{DIR}", "IBM", "01/08/70", "2", "1"}, true, "Split Edit Failed"},
      {{"adjust", "{DIR}", "IBM", "01/05/70", "01/09/70", "2", "1", "1"},
       true,
       "Adjust Edit Failed"},
      {{"add", "{DIR}", "IBM", "01/07/70"}, true, "Add Quote Failed"},
      {{"delete", "{DIR}", "IBM", "01/08/70"}, true, "Delete Edit Failed"},
      {{"symbol-edit", "{DIR}", "IBM", "IBMX", "NEW NAME"}, false, "The Symbol edit failed."},
      {{"symbol-delete", "{DIR}", "IBM"}, false, "The Symbol deletion failed."},
      {{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, false, "The Symbol copy failed."},
      {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, false, "The Symbol move failed."},
  };
  return commands;
}
// The quote commands fail with quoteMessage (exit quoteStatus), the symbol
// commands with symbolMessage (exit symbolStatus; not run when it is empty: they
// do not read what is malformed). kHeadline asks for each command's own headline.
std::vector<CliRun> WritesFail(const std::string& quoteMessage, const std::string& symbolMessage,
                               int symbolStatus = 1, int quoteStatus = 1) {
  std::vector<CliRun> runs;
  for (const WriteCommand& c : WriteCommands()) {
    const std::string& message = c.quoteCommand ? quoteMessage : symbolMessage;
    if (message.empty()) continue;
    runs.push_back({c.args, c.quoteCommand ? quoteStatus : symbolStatus,
                    message == kHeadline ? c.headline : message});
  }
  return runs;
}
std::vector<CliRun> operator+(std::vector<CliRun> a, const std::vector<CliRun>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// check, symbols and repair, each failing with the message (exit 1).
std::vector<CliRun> MasterCommandsFail(const std::string& message) {
  return {{{"check", "{DIR}"}, 1, message},
          {{"symbols", "{DIR}"}, 1, message},
          {{"repair", "{DIR}"}, 1, message}};
}

// Every command given a DIR that is no folder.
std::vector<CliRun> NotAFolder() {
  constexpr const char* kNotAFolder = "{DIR} is not a folder";
  return std::vector<CliRun>{{{"quotes", "{DIR}", "IBM"}, 2, kNotAFolder},
                             {{"facts", "{DIR}", "IBM"}, 2, kNotAFolder},
                             {{"check", "{DIR}"}, 2, kNotAFolder},
                             {{"symbols", "{DIR}"}, 2, kNotAFolder},
                             {{"repair", "{DIR}"}, 2, kNotAFolder},
                             {{"split-search", "{DIR}"}, 2, kNotAFolder},
                             {{"dump", "{DIR}"}, 2, kNotAFolder},
                             {{"export", "{DIR}", "IBM", "{DIR}.csv"}, 2, kNotAFolder}} +
         WritesFail(kNotAFolder, kNotAFolder, 2, 2);
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

// The destination of copies and moves: D1 and D2 in root/DEST.
void Destination(const path& root) {
  PortfolioBuilder p(root / "DEST");
  p.AddSeries(1, "D1", "ONE", DailyRows(DayFromYmd(90, 1, 2), 3))
      .AddSeries(2, "D2", "TWO", DailyRows(DayFromYmd(90, 1, 2), 4));
  p.WriteMaster();
}

// The standard Portfolio in root with the destination beside it (root/DEST).
path WithDestination(const path& root) {
  Standard(root);
  Destination(root);
  return root;
}

// The standard Portfolio without IBM's quote of 01/06/70 (so a quote can be added).
path GappedAt(const path& root) {
  PortfolioBuilder p = Standard(root);
  std::vector<DatRow> rows = DailyRows(DayFromYmd(70, 1, 2), 30);
  rows.erase(rows.begin() + 2);
  p.WriteDat(1, 28, rows);
  Destination(root);
  return root;
}

// Every file and folder below root (root too) read-only.
void MakeReadOnly(const path& root) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0555 : 0444);
  }
  ::chmod(root.c_str(), 0555);
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

// The standard Portfolio in root with the destination beside it, then changed.
std::function<path(const path&)> Changed(std::function<void(const path& root)> change) {
  return [change](const path& r) {
    WithDestination(r);
    change(r);
    return r;
  };
}

void CutMaster(const path& r, size_t size) {
  ChangeMaster(r, [size](auto& b) { b.resize(size); });
}

void Fifo(const path& file) {
  std::filesystem::remove(file);
  ::mkfifo(file.c_str(), 0644);
}

// The standard Portfolio with IBM's header counting n - 1 quotes.
std::function<path(const path&)> DatHeaderCount(int16_t n) {
  return [n](const path& r) {
    Standard(r).WriteDat(1, 28, DailyRows(DayFromYmd(70, 1, 2), 30), n);
    return r;
  };
}

// The standard Portfolio in root/folder with the mode of one of its entries (or
// of the folder itself) set.
std::function<path(const path&)> WithMode(std::string folder, std::string entry, mode_t mode) {
  return [=](const path& r) {
    const path dir = folder.empty() ? r : r / folder;
    Standard(dir);
    ::chmod((entry.empty() ? dir : dir / entry).c_str(), mode);
    return dir;
  };
}

// An edit of IBM on date with open as the first value.
CliRun EditRefused(const std::string& date, const std::string& open) {
  return {{"edit", "{DIR}", "IBM", date, open, "2", "0.5", "1.5", "100", "10"}, 2, kInvalidData};
}

std::vector<BadInputRow> Rows() {
  const auto sizeDamage = std::vector<CliRun>{{{"check", "{DIR}"}, 1, "", kSizeDamage},
                                              {{"symbols", "{DIR}"}, 1, kSizeDamage}};
  return {
      // MASTER damage
      {"MasterCutInsideFirstRecord",
       Changed([](const path& r) { CutMaster(r, kMasterRecordSize + 30); }),
       BothFail(kNotFound) + WritesFail(kNotFound, kSymbolNotFound) + sizeDamage},
      {"MasterShorterThanItsHeader", Changed([](const path& r) { CutMaster(r, 20); }),
       BothFail(kNoMaster) + WritesFail(kNoMaster, kSymbolNotFound) +
           MasterCommandsFail(kMasterUnreadable)},
      {"MasterEmpty", Changed([](const path& r) { WriteBytes(r / "MASTER", {}); }),
       BothFail(kNoMaster) + WritesFail(kNoMaster, kSymbolNotFound) +
           MasterCommandsFail(kMasterUnreadable)},
      {"MasterCountNegative", Changed([](const path& r) { Standard(r).WriteMaster(-3); }),
       BothFail(kNotFound) + WritesFail(kNotFound, kSymbolNotFound) + sizeDamage},
      {"MasterCountBeyondItsRecords",
       [](const path& r) {
         Standard(r).WriteMaster(202);
         return r;
       },
       {{{"quotes", "{DIR}", "AAPL"}, 0, "", "01/"},
        {{"quotes", "{DIR}", "MSFT"}, 1, "Symbol MSFT was not found"}}},
      {"MasterWithAFileNumberTwice",
       [](const path& r) {
         Standard(r).Add(SecurityEntry(1, "DUP", "AGAIN")).WriteMaster();
         return r;
       },
       {{{"check", "{DIR}"}, 1, "", "file number"}, {{"symbols", "{DIR}"}, 1, "file number"}}},
      {"MasterRecordWithoutSymbol",
       [](const path& r) {
         Standard(r).Add(SecurityEntry(3, "", "NO SYMBOL")).WriteMaster();
         return r;
       },
       {{{"check", "{DIR}"}, 1, "", "symbol"}, {{"symbols", "{DIR}"}, 1, "symbol"}}},
      // MASTER record fields
      {"RecordLength0", [](const path& r) { return Standard(r, 0).directory(); },
       BothFail(kUnknownLayout) + WritesFail(kUnknownLayout, "")},
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
       BothFail(kUnknownLayout) + WritesFail(kUnknownLayout, "")},
      {"FieldCount0", [](const path& r) { return Standard(r, 28, 0).directory(); },
       BothRead("00/00/00\tN/A")},
      {"FieldCount50", [](const path& r) { return Standard(r, 28, 50).directory(); },
       BothRead(kFirstQuote)},
      // DAT header and size
      {"DatHeaderCount0", DatHeaderCount(0), BothRead("")},
      {"DatHeaderCountNegative", DatHeaderCount(-7), BothRead("")},
      {"DatHeaderCountBeyondTheFile", DatHeaderCount(5000), BothRead(kFirstQuote)},
      {"DatShorterThanOneRecord",
       [](const path& r) {
         Standard(r);
         std::vector<uint8_t> dat = ReadBytes(r / "F1.DAT");
         dat.resize(10);
         WriteBytes(r / "F1.DAT", dat);
         return r;
       },
       BothRead("") + WritesFail(kInvalidData, "", 1, 2)},
      {"DatMissing", Changed([](const path& r) { std::filesystem::remove(r / "F1.DAT"); }),
       BothFail(kCannotOpen) + WritesFail(kCannotOpen, "")},
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
       BothRead("00/00/00\t") + WritesFail(kInvalidData, "", 1, 2)},
      {"DatesWithDay0", [](const path& r) { return DatWithValue(r, 0, 700300.0f); },
       BothRead("02/28/70\t")},
      // DOP files
      {"DopOfBinaryJunk",
       [](const path& r) {
         std::mt19937 random(5);
         std::string junk;
         for (int i = 0; i < 4096; ++i) junk += static_cast<char>(random() & 0xFF);
         Standard(r).WriteDop(1, junk);
         return r;
       },
       BothRead("")},
      {"DopOf100000Lines",
       [](const path& r) {
         std::string text;
         for (int i = 0; i < 100000; ++i)
           text += i % 2 ? "\"CLOSE\",2,2\r\n" : "\"VOLUME\",0,100\r\n";
         Standard(r).WriteDop(1, text);
         return r;
       },
       BothRead("00/00/00\tN/A")},
      // Sub-directories
      {"DirEntryNamingAMissingFolder",
       [](const path& r) {
         PortfolioBuilder(r).Add(MasterEntry::Directory("GONE")).WriteMaster();
         Destination(r);
         return r;
       },
       BothFail(kNotFound) + WritesFail(kNotFound, kSymbolNotFound)},
      {"DirEntryNamingItsOwnFolder",
       [](const path& r) {
         PortfolioBuilder(r)
             .Add(MasterEntry::Directory("."))
             .Add(MasterEntry::Directory("SELF"))
             .WriteMaster();
         std::filesystem::create_directory_symlink(".", r / "SELF");
         Destination(r);
         return r;
       },
       BothFail(kNotFound) + WritesFail(kNotFound, kSymbolNotFound)},
      {"DirEntryNamingItsParent",
       [](const path& r) {
         PortfolioBuilder(r).Add(MasterEntry::Directory("SUB")).WriteMaster();
         PortfolioBuilder(r / "SUB")
             .Add(MasterEntry::Directory(".."))
             .Add(MasterEntry::Directory("UP"))
             .WriteMaster();
         std::filesystem::create_directory_symlink("..", r / "SUB" / "UP");
         return r;
       },
       BothFail(kNotFound)},
      {"FortyNestedSubdirectoriesSymbolAtTheBottom",
       [](const path& r) {
         NestedChain(r, 40, 40);
         Destination(r);
         return r;
       },
       BothFail(kNotFound) + WritesFail(kNotFound, kSymbolNotFound)},
      {"FortyNestedSubdirectoriesSymbolAtLevel20",
       [](const path& r) { return NestedChain(r, 40, 20); }, BothRead(kFirstQuote)},
      {"PathOf400Characters",
       [](const path& r) {
         path dir = r;
         while (dir.string().size() < 400) dir /= std::string(60, 'p');
         return StandardAt(dir);
       },
       BothRead(kFirstQuote)},
      // Every command refuses a DIR that is no folder alike: invalid input.
      {"MissingPortfolioFolder", [](const path& r) { return r / "nowhere"; }, NotAFolder()},
      {"PlainFileAsPortfolioFolder",
       [](const path& r) {
         WriteBytes(r / "file", {'x'});
         return r / "file";
       },
       NotAFolder()},
      {"MasterIsAFolder",
       [](const path& r) {
         std::filesystem::create_directories(r / "MASTER");
         Destination(r);
         return r;
       },
       BothFail(kNoMaster) + WritesFail(kNoMaster, kSymbolNotFound) +
           MasterCommandsFail(kMasterUnreadable)},
      // Special files never make a read wait.
      {"MasterIsAFifo",
       [](const path& r) {
         Fifo(r / "MASTER");
         Destination(r);
         return r;
       },
       BothFail(kNoMaster) + WritesFail(kNoMaster, kSymbolNotFound) +
           MasterCommandsFail(kMasterUnreadable)},
      {"DatIsAFifo", Changed([](const path& r) { Fifo(r / "F1.DAT"); }),
       BothFail(kCannotOpen) + WritesFail(kCannotOpen, "") +
           std::vector<CliRun>{{{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, 1, "F1.DAT"},
                               {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "F1.DAT"}}},
      {"DopIsAFifo",
       [](const path& r) {
         Standard(r);
         Fifo(r / "F1.DOP");
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
      {.name = "FolderListableButNotSearchable",
       .build = WithMode("P", "", 0444),
       .runs = BothFail(kNoMaster),
       .asNobody = true},
      {.name = "MasterWithoutReadPermission",
       .build = WithMode("", "MASTER", 0),
       .runs = BothFail(kNoMaster),
       .asNobody = true},
      {.name = "DatWithoutReadPermission",
       .build = WithMode("", "F1.DAT", 0),
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

      {"WriteArgumentsRefused",
       GappedAt,
       {EditRefused("13/45/70", "1"),
        EditRefused("01/06/70", "1"),
        EditRefused("01/05/70", "x"),
        EditRefused("01/05/70", "nan"),
        EditRefused("01/05/70", "1e39"),
        {{"split", "{DIR}", "IBM", "01/08/70", "0", "1"}, 2, kInvalidData},
        {{"split", "{DIR}", "IBM", "01/07/99", "2", "1"}, 2, kInvalidData},
        {{"adjust", "{DIR}", "IBM", "01/05/70", "01/09/70", "0", "1", "1"}, 2, kInvalidData},
        {{"add", "{DIR}", "IBM", "01/02/70"}, 2, "Add Quote Failed"},
        {{"add", "{DIR}", "IBM", "01/09/70"}, 2, "Date 01/08/70 already exists."},
        {{"delete", "{DIR}", "IBM", "01/06/70"}, 2, kInvalidData},
        {{"symbol-edit", "{DIR}", "IBM", "", "NAME"}, 2, "You must enter a symbol"},
        {{"symbol-edit", "{DIR}", "IBM", std::string(17, 'X'), "NAME"},
         2,
         "The symbol can hold at most 16 characters"},
        {{"symbol-delete", "{DIR}", "MSFT"}, 1, "Symbol MSFT was not found in the Portfolio"},
        {{"symbol-copy", "{DIR}", "IBM", "{DIR}"}, 1, "Symbol IBM already exists in"},
        {{"symbol-copy", "{DIR}", "IBM", "{DEST}/nowhere"}, 2, "is not a folder"},
        {{"edit", "{DIR}", "IBM"}, 2, "wrong number of arguments"}}},
      {"CopyIntoMalformedDestinations",
       [](const path& r) {
         WithDestination(r);
         WriteBytes(r / "DEST" / "MASTER", {1, 2, 3});
         std::filesystem::create_directories(r / "D2" / "MASTER");
         return r;
       },
       {{{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, 1, "{DEST}/MASTER\ncannot be read"},
        {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "{DEST}/MASTER\ncannot be read"},
        {{"symbol-copy", "{DIR}", "IBM", "{DEST}/../D2"}, 1, "D2/MASTER\ncannot be read"}}},
      {"CopyIntoAFullDestination",
       [](const path& r) {
         Standard(r);
         PortfolioBuilder dest(r / "DEST");
         for (int n = 1; n <= 255; ++n)
           dest.Add(SecurityEntry(static_cast<uint8_t>(n), "S" + std::to_string(n)));
         dest.WriteMaster();
         return r;
       },
       {{{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, 1, "maximum number of symbols (255)"},
        {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "maximum number of symbols (255)"}}},
      // Read-only Portfolios, as an unprivileged user: the writes fail cleanly.
      {.name = "ReadOnlyPortfolio",
       .build =
           [](const path& r) {
             GappedAt(r / "P");
             MakeReadOnly(r / "P");
             return r / "P";
           },
       .runs = WritesFail(kHeadline, kHeadline) +
               std::vector<CliRun>{
                   {{"edit", "{DIR}", "IBM", "01/05/70", "1", "2", "0.5", "1.5", "100", "10"},
                    1,
                    "{DIR}/F1.DAT is read-only"}},
       .asNobody = true},
      {.name = "ReadOnlyDamagedPortfolio",
       .build =
           [](const path& r) {
             Standard(r / "P").WriteMaster(9);
             MakeReadOnly(r / "P");
             return r / "P";
           },
       .runs = {{{"repair", "{DIR}"}, 1, "was not repaired: {DIR}/MASTER is read-only"},
                {{"symbols", "{DIR}", "--repair"}, 1, "Failure while filling symbols grid1"},
                {{"check", "{DIR}"}, 1, "", kSizeDamage}},
       .asNobody = true},
      {.name = "CopyAndMoveIntoAReadOnlyDestination",
       .build =
           [](const path& r) {
             WithDestination(r / "P");
             ::chmod((r / "P").c_str(), 0777);
             for (const auto& e : std::filesystem::directory_iterator(r / "P"))
               if (!e.is_directory()) ::chmod(e.path().c_str(), 0666);
             MakeReadOnly(r / "P" / "DEST");
             return r / "P";
           },
       .runs = {{{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, 1, "{DEST}/MASTER is read-only"},
                {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "{DEST}/MASTER is read-only"}},
       .asNobody = true},
      // Files protected with chmod a-w in a writable folder: refused by their mode
      // (root included, whom the OS would let write them).
      {"ReadOnlyQuoteFile",
       [](const path& r) {
         ::chmod((GappedAt(r) / "F1.DAT").c_str(), 0444);
         return r;
       },
       WritesFail("{DIR}/F1.DAT is read-only", "") +
           std::vector<CliRun>{
               {{"symbol-delete", "{DIR}", "IBM"}, 1, "{DIR}/F1.DAT is read-only"},
               {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "{DIR}/F1.DAT is read-only"}}},
      {"ReadOnlyMaster",
       [](const path& r) {
         ::chmod((GappedAt(r) / "MASTER").c_str(), 0444);
         return r;
       },
       {{{"delete", "{DIR}", "IBM", "02/12/70"}, 1, "{DIR}/MASTER is read-only"},
        {{"symbol-edit", "{DIR}", "IBM", "IBMX", "NEW NAME"}, 1, "{DIR}/MASTER is read-only"},
        {{"symbol-delete", "{DIR}", "IBM"}, 1, "{DIR}/MASTER is read-only"},
        {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 1, "{DIR}/MASTER is read-only"},
        {{"symbol-copy", "{DEST}", "D1", "{DIR}"}, 1, "{DIR}/MASTER is read-only"}}},
      {.name = "FolderWithoutReadPermission",
       .build =
           [](const path& r) {
             WithDestination(r / "P");
             ::chmod((r / "P").c_str(), 0);
             return r / "P";
           },
       // DEST lies in the closed folder too: nobody cannot even see it is a folder.
       .runs = BothFail(kNoMaster) + WritesFail(kNoMaster, "") +
               MasterCommandsFail(kMasterUnreadable) +
               std::vector<CliRun>{
                   {{"symbol-edit", "{DIR}", "IBM", "IBMX", "NEW NAME"}, 1, kSymbolNotFound},
                   {{"symbol-delete", "{DIR}", "IBM"}, 1, kSymbolNotFound},
                   {{"symbol-copy", "{DIR}", "IBM", "{DEST}"}, 2, "is not a folder"},
                   {{"symbol-move", "{DIR}", "IBM", "{DEST}"}, 2, "is not a folder"}},
       .asNobody = true},
  };
}

std::string Fill(std::string text, const std::string& dir, const std::string& dest) {
  for (size_t at; (at = text.find("{DIR}")) != std::string::npos;) text.replace(at, 5, dir);
  for (size_t at; (at = text.find("{DEST}")) != std::string::npos;) text.replace(at, 6, dest);
  return text;
}

class BadInput : public ::testing::TestWithParam<BadInputRow> {};

TEST_P(BadInput, ClearMessageNoCrashNoHangNothingChanged) {
  const BadInputRow& row = GetParam();
  TempDir temp;
  if (row.asNobody) ::chmod(temp.root().c_str(), 0755);  // nobody may enter the test folder
  const path dir = row.build(temp.root());
  const std::string dest = (dir / "DEST").string();
  const TreeSnapshot before = SnapshotTree(temp.root());
  for (const CliRun& run : row.runs) {
    std::vector<std::string> args;
    for (const std::string& a : run.args) args.push_back(Fill(a, dir.string(), dest));
    const CliResult result = row.asNobody ? RunCliAsNobody(args, 20) : RunCli(args, 20);
    const std::string line = "quillet-cli " + run.args[0] + " (" + row.name + ")";
    ASSERT_NE(result.status, -1) << line << " crashes or hangs\n" << result.err;
    EXPECT_EQ(result.status, run.status) << line << "\n" << result.err;
    if (run.err.empty()) {
      EXPECT_EQ(result.err, "") << line;
    } else {
      EXPECT_NE(result.err.find(Fill(run.err, dir.string(), dest)), std::string::npos)
          << line << "\n"
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
