// quillet-cli as its users see it: one row per command line, run on a fresh copy
// of one test tree, with the exit status, what it prints (stderr lines marked
// "2> ") and every file it changes. What the files hold is the core's to prove;
// these rows pin what the command line adds: arguments, texts, exit codes and
// which files each command touches.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/lib/index_files.h"
#include "support/cli_runner.h"
#include "support/crash_points.h"
#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

namespace stdfs = std::filesystem;

// Where the command's output goes: captured, a full disk, or a pipe whose reader
// has gone (stderr too, as "2>&1 | head" leaves it).
enum class Stdout { Captured, DevFull, ClosedPipe };

struct CliRow {
  // The arguments, split at blanks ('a b' is one argument, '' an empty one);
  // {T} stands for the tree's folder, here and below.
  std::string line;
  int status;
  std::string text;                       // stdout, then each line of stderr after "2> "
  std::vector<std::string> changes = {};  // files below {T} changed, made (+) or removed (-)
  void (*prepare)(const path& tree) = nullptr;
  bool asNobody = false;
  bool textPart = false;  // text is a part of what is printed
  Stdout stdoutTo = Stdout::Captured;
};

void PrintTo(const CliRow& row, std::ostream* os) {
  *os << row.line;
}

// A: IBM and MSFT. B: ZZZ. C: damaged (record 2 has no symbol). E: AAA on
// Thursday 6 and Monday 10 to Wednesday 12 January 2000, and NOI without open
// interest. Q: IBM with a negative open and DC of date and close only. S: XYZ
// with a 2 for 1 split on 05/27/99 and ABC of one quote.
void Tree(const path& t) {
  PortfolioBuilder a(t / "A");
  a.AddSeries(7, "IBM", "INTL BUSINESS", DailyRows(100, 4))
      .AddSeries(2, "MSFT", "MICROSOFT", DailyRows(100, 3));
  a.WriteMaster();
  PortfolioBuilder(t / "B").AddSeries(1, "ZZZ", "ZED", DailyRows(100, 2)).WriteMaster();
  PortfolioBuilder(t / "C")
      .Add(SecurityEntry(1, "OK", "FINE"))
      .Add(SecurityEntry(2, "", "NONAME"))
      .WriteMaster();
  std::vector<DatRow> rows;
  for (int d : {6, 10, 11, 12}) {
    const auto v = static_cast<float>(d);
    rows.push_back(
        Row28(DayFromYmd(2000, 1, static_cast<int16_t>(d)), v, v + 1, v - 1, v, 1000 + v, 50));
  }
  std::vector<DatRow> noOi = rows;
  for (DatRow& r : noOi) r.resize(6);
  PortfolioBuilder(t / "E")
      .AddSeries(1, "AAA", "Alpha", rows)
      .AddSeries(2, "NOI", "No OI", noOi, 24, 6)
      .WriteMaster();
  PortfolioBuilder q(t / "Q");
  q.AddSeries(1, "IBM", "INTL BUS MACH",
              {Row28(14247, 10.5f, 11.0f, 10.25f, 10.75f, 15300.0f, 12.0f),
               Row28(14248, 10.75f, 11.5f, 10.5f, 11.25f, 20000.0f, 0.0f),
               Row28(14249, -2.0f, 12.0f, 11.0f, 11.5f, 1e9f, 3.0f)})
      .AddSeries(2, "DC", "DATE CLOSE", {{1000103.0f, 5.0f}, {1000104.0f, 6.0f}}, 18, 2)
      .AddSeries(3, "TICK", "INTRADAY", {{1000103.0f, 93500.0f, 10.5f, 11, 10, 10.75f, 500}}, 28, 7)
      .WriteDop(3,
                "\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",2,2\n\"HIGH\",2,2\n\"LOW\",2,2\n\"CLOSE\",2,"
                "2\n\"VOL\",0,0\n");
  q.WriteMaster();
  // Names in any case are found, by a walk over the whole folder too.
  stdfs::rename(t / "Q" / "F3.DOP", t / "Q" / "f3.Dop");
  stdfs::rename(t / "Q" / "F1.DAT", t / "Q" / "f1.dat");
  auto split = DailyRows(DayFromYmd(99, 5, 24), 4);
  split[3] = Row28(DayFromYmd(99, 5, 27), 5, 5.2f, 4.8f, 5, 1000, 0);
  split[2][4] = 10.0f;
  split[2][3] = 9.5f;
  PortfolioBuilder(t / "S")
      .AddSeries(1, "XYZ", "XYZ CORP", split)
      .AddSeries(2, "ABC", "ABC ONE", DailyRows(DayFromYmd(99, 5, 3), 1))
      .WriteMaster();
}

// A folder nobody may list (root would read every folder).
void Locked(const path& t) {
  PortfolioBuilder(t / "LOCKED" / "INNER").WriteMaster();
  for (const auto& e : stdfs::recursive_directory_iterator(t))
    ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
  for (const path& p : {t, t.parent_path()}) ::chmod(p.c_str(), 0755);
  ::chmod((t / "LOCKED").c_str(), 0);
}

// IBM listed twice in A, N still 2.
void IbmTwice(const path& t) {
  auto bytes = ReadBytes(t / "A" / "MASTER");
  bytes.insert(bytes.end(), bytes.begin() + 53, bytes.begin() + 106);
  WriteBytes(t / "A" / "MASTER", bytes);
}

// A change cut short between its swaps: the quote file has still to be swapped in.
void CutShort(const path& t) {
  WriteBytes(t / "A" / "F7.NEW", ReadBytes(t / "B" / "F1.DAT"));
  const std::string intent = "F7.NEW\tF7.DAT\n";
  WriteBytes(t / "A" / "MASTER.~IN", {intent.begin(), intent.end()});
}

// A folder in the working file's place: it cannot be made, even by root.
void FolderAtF1New(const path& t) {
  stdfs::create_directory(t / "E" / "F1.NEW");
}

void AaaCountsNone(const path& t) {
  auto bytes = ReadBytes(t / "E" / "F1.DAT");
  bytes[2] = bytes[3] = 0;
  WriteBytes(t / "E" / "F1.DAT", bytes);
}

void XyzDatGone(const path& t) {
  stdfs::remove(t / "S" / "F1.DAT");
}

void OldOutCsv(const path& t) {
  WriteBytes(t / "out.csv", {'o', 'l', 'd'});
}

void IbmCopiedToB(const path& t) {
  RunCli({"symbol-copy", (t / "A").string(), "IBM", (t / "B").string()});
}

void Demo(const path& t) {
  stdfs::copy(path(QUILLET_SOURCE_DIR) / "samples", t / "demo", stdfs::copy_options::recursive);
}

void DemoWithBareDir(const path& t) {
  Demo(t);
  auto master = ReadBytes(t / "demo" / "Stocks" / "MASTER");
  std::fill_n(master.begin() + 5 * 53 + 36, 16, ' ');  // record 5 is the <DIR> entry
  WriteBytes(t / "demo" / "Stocks" / "MASTER", master);
}

// B listed by an EMASTER named in lower case alone, its MASTER gone.
void BEmasterOnly(const path& t) {
  PortfolioIndex index;
  ReadPortfolioIndex(t / "B", index);
  IndexFile e;
  e.Assign(std::vector<uint8_t>(kEmasterRecordSize, 0), IndexKind::Emaster, t / "B" / "emaster");
  for (MasterRecord r : index.master.Records()) {
    r.fieldMask = 0x7F;
    e.AppendEmaster(r);
  }
  WriteBytes(e.Path(), e.Bytes());
  stdfs::remove(t / "B" / "MASTER");
}

// N: a name holding a comma, quotes, a tab, a line end, a backslash, ESC and DEL.
void OddName(const path& t) {
  PortfolioBuilder(t / "N")
      .AddSeries(1, "ODD", "A,\"B\"\tC\nD\\\x1b\x7f", {Row28(14247, 1.5f, 2, 1, 1.25f, 100, 0)})
      .WriteMaster();
}

std::string Refused(const std::string& file) {
  return "2> " + file +
         "\n2> is named as a file of a Portfolio (MASTER, EMASTER, XMASTER, F<n>.DAT, F<n>.DOP, "
         "F<n>.MWD)\n2> Nothing is written over it; choose another name.\n";
}

std::vector<CliRow> Rows() {
  return {
      // scan
      {"scan {T}", 0, "{T}/A/\n{T}/B/\n{T}/C/\n{T}/E/\n{T}/Q/\n{T}/S/\n"},
      {"scan {T} --filter {T}/b", 0, "{T}/B/\n"},
      {"scan {T} --filter /nowhere", 0,
       "2> No master files found on drive {T}\n2> \n2> (Is your Portfolio Search Filter setting "
       "correct?)\n"},
      {"scan {T}/none", 2,
       "2> {T}/none is not a folder\n2> usage: quillet-cli scan ROOT [--filter PATH]\n"},
      {"scan {T}", 0, "{T}/A/\n{T}/B/\n{T}/C/\n{T}/E/\n{T}/Q/\n{T}/S/\n", {}, Locked, true},
      // symbols, check, repair
      {"symbols {T}/A", 0, "IBM\tINTL BUSINESS   \t7\nMSFT\tMICROSOFT       \t2\n"},
      {"symbols {T}/C", 1,
       "2> damaged: symbols: record 2 has no symbol\n2> Failure while filling symbols grid1\n"},
      {"symbols {T}/C --repair",
       0,
       "NONAME\tNONAME          \t2\nOK\tFINE            \t1\n",
       {"+C/MASTER.bak", "C/MASTER"}},
      {"check {T}/A", 0, "sound\n"},
      {"check {T}/C", 1, "symbols: record 2 has no symbol\n"},
      {"check {T}/none", 2, "2> {T}/none is not a folder\n2> usage: quillet-cli check DIR\n"},
      // EMASTER alone lists a Portfolio: found, sound, never rewritten.
      {"scan {T} --filter {T}/b", 0, "{T}/B/\n", {}, BEmasterOnly},
      {"check {T}/B", 0, "sound\n", {}, BEmasterOnly},
      {"repair {T}/B", 0, "sound: nothing to repair\n", {}, BEmasterOnly},
      {"repair {T}/A",
       0,
       "damaged: size: the header counts 2 records, so the file should be 159 bytes long, but it "
       "is 212 bytes\nrepaired: 2 records written, 1 dropped; backup made: {T}/A/MASTER.bak\n2> An "
       "error was found with the item named\n2> \n2> INTL BUSINESS   \n2> or\n2> IBM             "
       "\n2> \n2> This item is file F7.DAT\n2> \n2> Write this information down now. When repair "
       "is complete\n2> consult the Fixing Bad Master topic in the Quillet Help\n2> file to ensure "
       "that your repair was done correctly.\n",
       {"+A/MASTER.bak", "A/MASTER"},
       IbmTwice},
      {"repair {T}/A", 0, "sound: nothing to repair\n"},
      {"repair {T}/C",
       0,
       "damaged: symbols: record 2 has no symbol\nrepaired: 2 records written, 0 dropped; backup "
       "made: {T}/C/MASTER.bak\n",
       {"+C/MASTER.bak", "C/MASTER"}},
      {"repair {T}/none", 2, "2> {T}/none is not a folder\n2> usage: quillet-cli repair DIR\n"},
      {"check {T}/A",
       1,
       "A change of F7.DAT in {T}/A was cut short; repair, or the next change to the Portfolio, "
       "finishes it\n",
       {},
       CutShort},
      {"repair {T}/A",
       0,
       "A change of F7.DAT in {T}/A that was cut short is now finished\n",
       {"-A/F7.NEW", "-A/MASTER.~IN", "A/F7.DAT"},
       CutShort},
      // quotes, facts
      {"quotes {T}/Q ibm", 0,
       "01/05/00\tN/A\t12.0000\t11.0000\t11.5000\t1000000000\t3\n01/04/"
       "00\t10.7500\t11.5000\t10.5000\t11.2500\t20000\t0\n01/03/"
       "00\t10.5000\t11.0000\t10.2500\t10.7500\t15300\t12\n"},
      {"quotes {T}/Q IBM --oldest-first", 0,
       "01/03/00\t10.5000\t11.0000\t10.2500\t10.7500\t15300\t12\n01/04/"
       "00\t10.7500\t11.5000\t10.5000\t11.2500\t20000\t0\n01/05/00\tN/"
       "A\t12.0000\t11.0000\t11.5000\t1000000000\t3\n"},
      {"quotes {T}/Q DC", 0,
       "01/04/00\tN/A\tN/A\tN/A\t6.0000\tN/A\tN/A\n01/03/00\tN/A\tN/A\tN/A\t5.0000\tN/A\tN/A\n"},
      {"quotes {T}/missing IBM", 2,
       "2> {T}/missing is not a folder\n2> usage: quillet-cli quotes DIR SYMBOL "
       "[--oldest-first] [--file-number N]\n"},
      {"quotes {T}/Q NOPE", 1,
       "2> Error in FillQuotesGrid: Symbol NOPE was not found in the Portfolio {T}/Q\n"},
      {"quotes {T}/Q IBM --bogus", 2,
       "2> The following argument was not expected: --bogus\n2> usage: quillet-cli quotes DIR "
       "SYMBOL [--oldest-first] [--file-number N]\n"},
      {"facts {T}/Q IBM", 0,
       "Path:\t{T}/Q\nFile number\t1\nDAT file record length\t28\nDAT file number of "
       "fields\t7\nNumber of quotes\t3\nName of issue\tINTL BUS MACH   \nFirst date in "
       "file*\t1000103\nLast date in file*\t1000105\nData format\tD Daily\nSymbol\tIBM             "
       "\nDate Input\tWhole Num.\nDate Display\tWhole Num.\nTime Input\t\nTime Display\t\nOpen "
       "Input\tWhole Num.\nOpen Display\tWhole Num.\nHigh Input\tWhole Num.\nHigh Display\tWhole "
       "Num.\nLow Input\tWhole Num.\nLow Display\tWhole Num.\nClose Input\tWhole Num.\nClose "
       "Display\tWhole Num.\nVol Input\tWhole Num.\nVol Display\tWhole Num.\nOI Input\tWhole "
       "Num.\nOI Display\tWhole Num.\n"},
      {"facts {T}/Q NOPE", 1, "2> Symbol NOPE was not found in the Portfolio {T}/Q\n"},
      // --file-number: the security of that number alone answers.
      {"quotes {T}/Q IBM --file-number 2", 1,
       "2> Error in FillQuotesGrid: Symbol IBM was not found in the Portfolio {T}/Q\n"},
      {"quotes {T}/Q DC --file-number 2", 0,
       "01/04/00\tN/A\tN/A\tN/A\t6.0000\tN/A\tN/A\n01/03/00\tN/A\tN/A\tN/A\t5.0000\tN/A\tN/A\n"},
      {"facts {T}/Q", 2,
       "2> wrong number of arguments: SYMBOL is required\n2> usage: quillet-cli facts DIR "
       "SYMBOL [--file-number N]\n"},
      // edit, split, adjust, add, delete
      {"edit {T}/E AAA 01/10/00 1 2 3 4.5 500 7", 0, "", {"+E/F1.BAK", "E/F1.DAT"}},
      {"edit {T}/E NOI 01/10/00 1 2 3 4 5 N/A", 0, "", {"+E/F2.BAK", "E/F2.DAT"}},
      {"edit {T}/E AAA 01/10/00 N/A 2 3 4 5 6", 2, "2> Invalid Data Entered\n"},
      {"edit {T}/E NOI 01/10/00 1 2 3 4 5 6", 2,
       "2> This file holds no Open Interest field: leave it N/A\n"},
      {"edit {T}/E AAA 01/10/00 1 2 3 4 5 6",
       1,
       "2> Single Date Edit Failed\n2> The quote file {T}/E/F1.DAT is damaged: its header counts "
       "no quotes, but 4 records follow it\n",
       {},
       AaaCountsNone},
      {"edit {T}/E AAA 01/07/00 1 2 3 4 5 6", 2, "2> Invalid Data Entered\n"},
      {"edit {T}/E ZZZ 01/10/00 1 2 3 4 5 6", 1,
       "2> Single Date Edit Failed\n2> Symbol ZZZ was not found in the Portfolio {T}/E\n"},
      {"edit {T}/E AAA 01/10/00 1 2 3 4 5 6",
       1,
       "2> Single Date Edit Failed\n2> The files of AAA could not be rewritten; they are as they "
       "were (Is a directory)\n",
       {"+E/F1.BAK"},
       FolderAtF1New},
      {"split {T}/E AAA 01/11/00 2 1", 0, "", {"+E/F1.BAK", "E/F1.DAT"}},
      {"split {T}/E AAA 01/13/00 2 1", 2, "2> Invalid Data Entered\n"},
      {"split {T}/S XYZ 04/55/99 2 1", 2, "2> Invalid Data Entered\n"},  // not 05/25/99
      {"split {T}/E AAA 01/10/00 2", 2,
       "2> wrong number of arguments: OLD is required\n2> usage: quillet-cli split DIR SYMBOL DATE "
       "NEW OLD\n"},
      {"adjust {T}/E AAA 01/12/00 01/12/00 10 3 0.5", 0, "", {"+E/F1.BAK", "E/F1.DAT"}},
      {"adjust {T}/E AAA 01/06/00 01/13/00 1 1 1", 2, "2> Invalid Data Entered\n"},
      {"add {T}/E AAA 01/10/00", 0, "01/07/00\n", {"+E/F1.BAK", "E/F1.DAT"}},
      {"add {T}/E AAA 01/11/00", 2, "2> Date 01/10/00 already exists.\n"},
      {"delete {T}/E AAA 01/12/00", 0, "", {"+E/F1.BAK", "+E/MASTER.BAK", "E/F1.DAT", "E/MASTER"}},
      {"delete {T}/E AAA 01/07/00", 2, "2> Invalid Data Entered\n"},
      {"delete {T}/E ZZZ 01/10/00", 1,
       "2> Delete Edit Failed\n2> Symbol ZZZ was not found in the Portfolio {T}/E\n"},
      // split-search, export
      {"split-search {T}/S -o {T}/result.txt",
       0,
       "XYZ possible 2 for 1 split on 05/27/99\n2> For symbol ABC\n2> SplitSearch cannot perform "
       "search\n2> as there are fewer than 2 quotes.\n",
       {"+result.txt"}},
      {"split-search {T}/S -o {T}/no/result.txt", 1,
       "XYZ possible 2 for 1 split on 05/27/99\n2> For symbol ABC\n2> SplitSearch cannot perform "
       "search\n2> as there are fewer than 2 quotes.\n2> The search results could not be saved to "
       "{T}/no/result.txt\n2> The file was not written; choose another file or folder.\n"},
      {"split-search {T}/S",
       1,
       "2> For symbol ABC\n2> SplitSearch cannot perform search\n2> as there are fewer than 2 "
       "quotes.\n2> Error in SplitSearch bars read\n2> The quote file of XYZ cannot be opened\n",
       {},
       XyzDatGone},
      {"split-search", 2,
       "2> wrong number of arguments: DIR is required\n2> usage: quillet-cli split-search DIR [-o "
       "FILE] "
       "[--force]\n"},
      {"split-search {T}/S -o {T}/out.csv",
       1,
       "2> {T}/out.csv\n2> This file already exists\n2> \n2> Replace existing file?\n",
       {},
       OldOutCsv},
      {"split-search {T}/S -o {T}/s/Master --force", 1, Refused("{T}/s/Master")},
      {"export {T}/S XYZ {T}/S/f1.dat --force", 1, Refused("{T}/S/f1.dat")},
      {"dump {T}/S {T}/S/F2.DoP --force", 1, Refused("{T}/S/F2.DoP")},
      {"export {T}/S xyz {T}/out.csv --columns close --delimiter tab --title", 0, "", {"+out.csv"}},
      {"export {T}/S XYZ {T}/out.csv --newest-first",
       1,
       "2> {T}/out.csv\n2> This file already exists\n2> \n2> Replace existing file?\n",
       {},
       OldOutCsv},
      {"export {T}/S XYZ {T}/out.csv --newest-first --force --columns ''",
       0,
       "",
       {"out.csv"},
       OldOutCsv},
      {"export {T}/S XYZ {T}/out.csv --delimiter semicolon", 2,
       "2> --delimiter: semicolon not in {comma,tab,space}\n2> usage: quillet-cli export DIR "
       "SYMBOL FILE [--columns open,high,low,close,vol,oi] [--delimiter comma|tab|space] "
       "[--newest-first] [--title] [--force] [--file-number N]\n"},
      {"export {T}/S XYZ {T}/out.csv --columns open,price", 2,
       "2> unknown column 'price' (open, high, low, close, vol, oi)\n2> usage: quillet-cli export "
       "DIR SYMBOL FILE [--columns open,high,low,close,vol,oi] [--delimiter comma|tab|space] "
       "[--newest-first] [--title] [--force] [--file-number N]\n"},
      {"export {T}/S NOPE {T}/out.csv", 1, "2> Symbol NOPE was not found in the Portfolio {T}/S\n"},
      {"export {T}/S XYZ {T}/no/out.csv", 1, "2> file export error\n"},
      // dump: absent fields empty, negative values kept, ISO dates; an unreadable series
      // is named and the rest dumped; names quoted as RFC 4180 asks
      {"dump {T}/Q", 0,
       "symbol,name,date,time,open,high,low,close,volume,open_interest\r\n"
       "DC,DATE CLOSE,2000-01-03,,,,,5,,\r\nDC,DATE CLOSE,2000-01-04,,,,,6,,\r\n"
       "IBM,INTL BUS MACH,2000-01-03,,10.5,11,10.25,10.75,15300,12\r\n"
       "IBM,INTL BUS MACH,2000-01-04,,10.75,11.5,10.5,11.25,20000,0\r\n"
       "IBM,INTL BUS MACH,2000-01-05,,-2,12,11,11.5,1000000000,3\r\n"
       "TICK,INTRADAY,2000-01-03,09:35:00,10.5,11,10,10.75,500,\r\n"},
      {"dump {T}/Q - --format jsonl", 0,
       "{\"symbol\":\"DC\",\"name\":\"DATE "
       "CLOSE\",\"date\":\"2000-01-03\",\"time\":null,\"open\":null,"
       "\"high\":null,\"low\":null,\"close\":5,\"volume\":null,\"open_interest\":null}\n"
       "{\"symbol\":\"DC\",\"name\":\"DATE "
       "CLOSE\",\"date\":\"2000-01-04\",\"time\":null,\"open\":null,"
       "\"high\":null,\"low\":null,\"close\":6,\"volume\":null,\"open_interest\":null}\n"
       "{\"symbol\":\"IBM\",\"name\":\"INTL BUS "
       "MACH\",\"date\":\"2000-01-03\",\"time\":null,\"open\":10.5,"
       "\"high\":11,\"low\":10.25,\"close\":10.75,\"volume\":15300,\"open_interest\":12}\n"
       "{\"symbol\":\"IBM\",\"name\":\"INTL BUS "
       "MACH\",\"date\":\"2000-01-04\",\"time\":null,\"open\":10.75,"
       "\"high\":11.5,\"low\":10.5,\"close\":11.25,\"volume\":20000,\"open_interest\":0}\n"
       "{\"symbol\":\"IBM\",\"name\":\"INTL BUS "
       "MACH\",\"date\":\"2000-01-05\",\"time\":null,\"open\":-2,"
       "\"high\":12,\"low\":11,\"close\":11.5,\"volume\":1000000000,\"open_interest\":3}\n"
       "{\"symbol\":\"TICK\",\"name\":\"INTRADAY\",\"date\":\"2000-01-03\",\"time\":\"09:35:00\","
       "\"open\":10.5,"
       "\"high\":11,\"low\":10,\"close\":10.75,\"volume\":500,\"open_interest\":null}\n"},
      {"dump {T}/S {T}/all.csv",
       1,
       "2> The quote file of XYZ cannot be opened\n",
       {"+all.csv"},
       XyzDatGone},
      {"dump {T}/N",
       0,
       "symbol,name,date,time,open,high,low,close,volume,open_interest\r\n"
       "ODD,\"A,\"\"B\"\"\tC\nD\\\x1b\x7f\",2000-01-03,,1.5,2,1,1.25,100,0\r\n",
       {},
       OddName},
      {"dump {T}/N --format jsonl",
       0,
       "{\"symbol\":\"ODD\",\"name\":\"A,\\\"B\\\"\\tC\\nD\\\\\\u001b\\u007f\",\"date\":\"2000-01-"
       "03\","
       "\"time\":null,\"open\":1.5,\"high\":2,\"low\":1,\"close\":1.25,\"volume\":100,\"open_"
       "interest\":0}\n",
       {},
       OddName},
      // TSV: the name's control bytes escaped, one line per record
      {"symbols {T}/N", 0, "ODD\tA,\"B\"\\tC\\nD\\\\\\x1b\\x7f    \t1\n", {}, OddName},
      // Output that cannot be written fails; an operation whose reader went away
      // still ends whole (no working file left)
      {.line = "quotes {T}/Q IBM",
       .status = 1,
       .text = "2> quillet-cli: the output could not be written: No space left on device\n",
       .stdoutTo = Stdout::DevFull},
      {.line = "repair {T}/A",
       .status = 1,
       .text = "",
       .changes = {"+A/MASTER.bak", "A/MASTER"},
       .prepare = IbmTwice,
       .stdoutTo = Stdout::ClosedPipe},
      // symbol-edit, symbol-delete, symbol-copy, symbol-move
      {"symbol-edit {T}/A ibm ibm 'big blue'", 0, "", {"+A/MASTER.BAK", "A/MASTER"}},
      {"symbol-edit {T}/A IBM '' NAME", 2, "2> You must enter a symbol\n"},
      {"symbol-edit {T}/A IBM ' X' NAME", 2,
       "2> The symbol cannot begin with a blank or a character outside ASCII, nor hold control "
       "characters\n"},
      {"symbol-edit {T}/A IBM msft NAME", 2,
       "2> The Symbol edit failed.\n2> \n2> Reason: Symbol msft: already used by MSFT "
       "(MICROSOFT)\n2> Nothing was changed.\n"},
      {"symbol-edit {T}/A NONE X N", 1,
       "2> The Symbol edit failed.\n2> \n2> Reason: Symbol NONE: File Not Found\n2> Nothing was "
       "changed.\n"},
      {"symbol-delete {T}/A IBM", 0, "", {"-A/F7.DAT", "A/MASTER"}},
      {"symbol-delete {T}/A NONE", 1,
       "2> Symbol NONE was not found in the Portfolio\n2> {T}/A\n2> Nothing was changed.\n"},
      {"symbol-copy {T}/A IBM {T}/B", 0, "2\n", {"+B/F2.DAT", "B/MASTER"}},
      {"symbol-copy {T}/A IBM {T}/B",
       1,
       "2> The Symbol addition failed.\n2> \n2> Reason: Symbol IBM already exists in\n2> {T}/B\n",
       {},
       IbmCopiedToB},
      {"symbol-move {T}/A msft {T}/B",
       0,
       "2\n",
       {"+B/F2.DAT", "-A/F2.DAT", "A/MASTER", "B/MASTER"}},
      {"symbol-move {T}/A IBM", 2,
       "2> wrong number of arguments: DEST is required\n2> usage: quillet-cli symbol-move DIR "
       "SYMBOL DEST\n"},
      // The demo tree is found and sound; its <DIR> entry, left without a symbol as other tools
      // leave it, is refused, then repaired.
      {"scan {T}/demo",
       0,
       "{T}/demo/Futures/\n{T}/demo/Stocks/\n{T}/demo/Stocks/FUNDS/\n",
       {},
       Demo},
      {"check {T}/demo/Stocks/FUNDS", 0, "sound\n", {}, Demo},
      {"check {T}/demo/Futures", 0, "sound\n", {}, Demo},
      {"symbols {T}/demo/Stocks",
       1,
       "2> damaged: symbols: record 5 has no symbol\n2> Failure while filling symbols grid1\n",
       {},
       DemoWithBareDir},
      {"symbols {T}/demo/Stocks --repair",
       0,
       "BRK\tBERKSHIRE HATH A\t3\nFUNDS\tFUNDS      <DIR>\t0\nIBM\tINTL BUS MACH   "
       "\t1\nINTC\tINTEL CORP      \t4\nMSFT\tMICROSOFT CORP  \t2\n",
       {"+demo/Stocks/MASTER.bak", "demo/Stocks/MASTER"},
       DemoWithBareDir},
      // usage
      {"frobnicate", 2, "2> quillet-cli: unknown command 'frobnicate' (see quillet-cli --help)\n"},
      {"", 2, "Usage: quillet-cli [OPTIONS] [SUBCOMMAND]\n", {}, nullptr, false, true},
      {"--help", 0, "other control bytes and DEL \\xNN.\n", {}, nullptr, false, true},
      {"quotes --help",
       0,
       "Usage: quillet-cli quotes [OPTIONS] DIR SYMBOL\n",
       {},
       nullptr,
       false,
       true},
      {"--version", 0, "quillet-cli ", {}, nullptr, false, true},
  };
}

std::string Fill(std::string text, const path& tree) {
  for (size_t at; (at = text.find("{T}")) != std::string::npos;) text.replace(at, 3, tree.string());
  return text;
}

std::vector<std::string> Arguments(const std::string& line, const path& tree) {
  std::vector<std::string> args;
  for (size_t at = 0; at < line.size();) {
    if (line[at] == ' ') {
      ++at;
    } else if (line[at] == '\'') {
      const size_t end = line.find('\'', at + 1);
      args.push_back(Fill(line.substr(at + 1, end - at - 1), tree));
      at = end + 1;
    } else {
      const size_t end = std::min(line.find(' ', at), line.size());
      args.push_back(Fill(line.substr(at, end - at), tree));
      at = end;
    }
  }
  return args;
}

class CliTable : public ::testing::TestWithParam<CliRow> {};

TEST_P(CliTable, StatusTextAndFilesChanged) {
  const CliRow& row = GetParam();
  TempDir temp;
  const path tree = temp / "t";
  Tree(tree);
  if (row.prepare) row.prepare(tree);
  const TreeSnapshot before = SnapshotTree(tree);
  const std::vector<std::string> args = Arguments(row.line, tree);
  int output = -1;
  if (row.stdoutTo == Stdout::DevFull) output = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (row.stdoutTo == Stdout::ClosedPipe) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    output = ends[1];
  }
  const CliResult r = row.asNobody ? RunCliAsNobody(args)
                                   : RunCli(args, 60, output, row.stdoutTo == Stdout::ClosedPipe);
  if (output >= 0) ::close(output);
  std::string text = r.out;
  for (size_t at = 0; at < r.err.size();) {
    const size_t end = std::min(r.err.find('\n', at), r.err.size() - 1) + 1;
    text += "2> " + r.err.substr(at, end - at);
    at = end;
  }
  EXPECT_EQ(r.status, row.status) << r.err;
  if (row.textPart) {
    EXPECT_NE(text.find(Fill(row.text, tree)), std::string::npos) << text;
  } else {
    EXPECT_EQ(text, Fill(row.text, tree));
  }
  std::vector<std::string> expected = row.changes;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(TreeChanges(before, SnapshotTree(tree)), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CliTable, ::testing::ValuesIn(Rows()));

// --json of every command that prints, parsed back: the values and their types
// (an integer is no float, a number no string), as a script reads them.
struct JsonRow {
  std::string line;
  int status;
  std::string json;  // {T} stands for the tree's folder
};

void PrintTo(const JsonRow& row, std::ostream* os) {
  *os << row.line;
}

std::vector<JsonRow> JsonRows() {
  const std::string noOi =
      R"("open":6,"high":7,"low":5,"close":6,"volume":1006,"open_interest":null})";
  return {
      {"--json scan {T} --filter {T}/b", 0, R"([{"folder":"{T}/B/"}])"},
      {"--json symbols {T}/A", 0,
       R"([{"symbol":"IBM","name":"INTL BUSINESS","file_number":7,"directory":false},)"
       R"({"symbol":"MSFT","name":"MICROSOFT","file_number":2,"directory":false}])"},
      {"--json check {T}/C", 1, R"({"sound":false,"result":"symbols: record 2 has no symbol"})"},
      {"repair {T}/C --json", 0,
       R"({"repaired":true,"damage":"symbols: record 2 has no symbol","written":2,"dropped":0,)"
       R"("backup":"{T}/C/MASTER.bak","result":"repaired: 2 records written, 0 dropped; backup )"
       R"(made: {T}/C/MASTER.bak"})"},
      {"--json repair {T}/A", 0, R"({"repaired":false,"result":"sound: nothing to repair"})"},
      {"--json quotes {T}/Q IBM", 0,
       R"([{"date":"2000-01-05","open":-2,"high":12,"low":11,"close":11.5,"volume":1000000000,)"
       R"("open_interest":3},{"date":"2000-01-04","open":10.75,"high":11.5,"low":10.5,"close":11.25,)"
       R"("volume":20000,"open_interest":0},{"date":"2000-01-03","open":10.5,"high":11,"low":10.25,)"
       R"("close":10.75,"volume":15300,"open_interest":12}])"},
      {"--json quotes {T}/Q DC --oldest-first", 0,
       R"([{"date":"2000-01-03","open":null,"high":null,"low":null,"close":5,"volume":null,)"
       R"("open_interest":null},{"date":"2000-01-04","open":null,"high":null,"low":null,)"
       R"("close":6,"volume":null,"open_interest":null}])"},
      {"--json quotes {T}/E NOI --oldest-first", 0,
       R"([{"date":"2000-01-06",)" + noOi +
           R"(,{"date":"2000-01-10","open":10,"high":11,"low":9,)"
           R"("close":10,"volume":1010,"open_interest":null},{"date":"2000-01-11","open":11,"high":12,)"
           R"("low":10,"close":11,"volume":1011,"open_interest":null},{"date":"2000-01-12","open":12,)"
           R"("high":13,"low":11,"close":12,"volume":1012,"open_interest":null}])"},
      {"--json quotes {T}/Q TICK", 0,
       R"([{"date":"2000-01-03T09:35:00","open":10.5,"high":11,"low":10,"close":10.75,)"
       R"("volume":500,"open_interest":null}])"},
      {"--json facts {T}/Q DC", 0,
       R"({"path":"{T}/Q","file_number":2,"record_length":18,"field_count":2,"quotes":2,)"
       R"("name":"DATE CLOSE","first_date":"2000-01-03","last_date":"2000-01-04",)"
       R"("periodicity":"D Daily","symbol":"DC","fields":{"date":{"input":"Whole Num.",)"
       R"("display":"Whole Num."},"time":null,"open":null,"high":null,"low":null,)"
       R"("close":{"input":"Whole Num.","display":"Whole Num."},"volume":null,)"
       R"("open_interest":null}})"},
      {"--json add {T}/E AAA 01/10/00", 0, R"({"date":"2000-01-07"})"},
      {"--json split-search {T}/S", 0,
       R"([{"symbol":"XYZ","new":2,"old":1,"date":"1999-05-27",)"
       R"("line":"XYZ possible 2 for 1 split on 05/27/99"}])"},
      {"--json symbol-copy {T}/A IBM {T}/B", 0, R"({"file_number":2})"},
  };
}

class JsonTable : public ::testing::TestWithParam<JsonRow> {};

TEST_P(JsonTable, ParsesBackWithItsTypes) {
  const JsonRow& row = GetParam();
  TempDir temp;
  const path tree = temp / "t";
  Tree(tree);
  const CliResult r = RunCli(Arguments(row.line, tree));
  EXPECT_EQ(r.status, row.status) << r.err;
  const auto parsed = nlohmann::ordered_json::parse(r.out, nullptr, false);
  ASSERT_FALSE(parsed.is_discarded()) << r.out;
  EXPECT_EQ(parsed.dump(), nlohmann::ordered_json::parse(Fill(row.json, tree)).dump());
}

INSTANTIATE_TEST_SUITE_P(Rows, JsonTable, ::testing::ValuesIn(JsonRows()));

}  // namespace
}  // namespace quillet::testing
