#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/export/export.h"
#include "core/fs/files.h"
#include "core/fs/folders.h"
#include "core/fs/text_output.h"
#include "core/lib/security_lookup.h"
#include "core/messages/export.h"
#include "core/messages/read.h"
#include "core/portfolio/load.h"

// dump: every series of a Portfolio as one long table, streamed a series at a
// time (a series is at most 65 534 quotes), so memory stays the same whatever
// the Portfolio holds.
namespace quillet::cli {
namespace {

namespace stdfs = std::filesystem;

constexpr size_t kChunk = 1 << 18;
constexpr const char* kCsvHeader =
    "symbol,name,date,time,open,high,low,close,volume,open_interest\r\n";

// A CSV field by RFC 4180: quoted when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text) {
  const std::string utf8 = JsonText(text, true);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

class Dump {
 public:
  Dump(const Options& o, fs::AtomicFile* file)
      : csv_(o.format != "jsonl"),
        recursive_(o.recursive),
        progress_(ErrorStreamIsTerminal()),
        file_(file),
        chunk_(kChunk + 4096, '\0') {}

  // False when the output could not be written (the rest is not worth reading).
  bool Run(const std::string& top) {
    if (csv_) Write(kCsvHeader);
    Portfolio(top, 0);
    Flush();
    if (progress_) Error("");
    return ok_;
  }
  bool SeriesFailed() const { return seriesFailed_; }

 private:
  void Portfolio(const stdfs::path& folder, int level) {
    std::error_code ec;
    const stdfs::path canonical = stdfs::weakly_canonical(folder, ec);
    if (level >= kMasterMaxLevels || !seen_.insert(ec ? folder : canonical).second) return;
    const std::string dir = folder.string();
    const PortfolioLoad load = LoadPortfolio(MasterPathOf(dir), DamagedMaster::Refuse);
    // Read once for the files of every series (a DOP is mostly absent).
    const FolderIndex portfolio(dir);
    if (!load.ok() || portfolio.code != LIB_OK) {
      if (!load.detail.empty()) Error(load.detail);
      Error(load.ok() ? messages::DescribeReadFailure(LIB_FILE_OPEN, dir, "", true) : load.message);
      seriesFailed_ = true;
      return;
    }
    std::vector<stdfs::path> folders;
    for (const SymbolRow& row : load.list.rows) {
      if (!ok_) return;
      const MasterRecord& record =
          (row.source == IndexSource::Xmaster
               ? portfolio.index.extended
               : portfolio.index.master.Records())[static_cast<size_t>(row.record - 1)];
      if (row.isDirectory) {
        const std::string name = record.DirectoryName();
        if (recursive_ && name != "." && name != ".." && name.find('/') == std::string::npos) {
          folders.push_back(fs::PathNoCase(folder, name));
        }
        continue;
      }
      Series(dir, portfolio.names, row, record);
    }
    for (const stdfs::path& sub : folders) {
      if (fs::IsDirectory(sub.string())) Portfolio(sub, level + 1);
    }
  }

  void Series(const std::string& dir, const fs::FolderListing& names, const SymbolRow& row,
              const MasterRecord& record) {
    if (LibResult r = ReadRecordSeries(names, record, series_); r != LIB_OK) {
      Error(messages::DescribeReadFailure(r, dir, row.symbol, false));
      seriesFailed_ = true;
      return;
    }
    ExportFormatter formatter =
        TypedFormatter(csv_ ? TypedForm::Csv : TypedForm::Json, series_.info, true);
    if (csv_) {
      formatter.SetRowStart(CsvField(row.symbol) + "," + CsvField(row.name) + ",");
    } else {
      // The object of symbol and name, left open for the quote's keys.
      std::string start =
          Json{{"symbol", JsonText(row.symbol, true)}, {"name", JsonText(row.name, true)}}.dump(
              -1, ' ', true);
      start.back() = ',';
      formatter.SetRowStart(std::move(start));
    }
    const size_t room = formatter.RowRoom() + 1;
    if (chunk_.size() < kChunk + room) chunk_.resize(kChunk + room);
    for (const Quote& q : series_.quotes) {
      char* p = formatter.WriteRow(chunk_.data() + used_, q);
      if (!csv_) *p++ = '\n';
      used_ = static_cast<size_t>(p - chunk_.data());
      if (used_ >= kChunk) Flush();
    }
    rows_ += series_.quotes.size();
    ++series_count_;
    if (progress_) {
      std::fprintf(stderr, "\rdump: %zu series, %zu rows", series_count_, rows_);
      std::fflush(stderr);
    }
  }

  void Write(std::string_view text) {
    if (used_ + text.size() > chunk_.size()) Flush();
    if (text.size() > chunk_.size()) chunk_.resize(text.size());
    std::copy(text.begin(), text.end(), chunk_.data() + used_);
    used_ += text.size();
  }

  void Flush() {
    if (used_ == 0) return;
    if (file_) {
      ok_ = ok_ && file_->Write(chunk_.data(), used_);
    } else {
      Out({chunk_.data(), used_});
      ok_ = ok_ && !OutputFailed();
    }
    used_ = 0;
  }

  bool csv_, recursive_, progress_;
  fs::AtomicFile* file_;
  std::string chunk_;
  size_t used_ = 0;
  bool ok_ = true;
  bool seriesFailed_ = false;
  size_t rows_ = 0, series_count_ = 0;
  SeriesData series_;
  std::set<stdfs::path> seen_;
};

}  // namespace

int RunDump(const Options& o) {
  const std::string& dir = o.arg[0];
  const std::string file = o.arg[1].empty() ? "-" : o.arg[1];
  if (file == "-") {
    Dump dump(o, nullptr);
    dump.Run(dir);
    return dump.SeriesFailed() ? kExitFailed : kExitOk;
  }
  if (!OutputAllowed(file, o.force)) return kExitFailed;
  // Through a working file swapped in at the end: the file appears whole or not at all.
  fs::AtomicFile out;
  if (OpenTextOutput(out, file) != LIB_OK) {
    Error(file + ": " + messages::kFileExportError);
    return kExitFailed;
  }
  Dump dump(o, &out);
  if (!dump.Run(dir) || out.Commit() != LIB_OK) {
    out.Abandon();
    Error(file + ": " + messages::kFileExportError);
    return kExitFailed;
  }
  return dump.SeriesFailed() ? kExitFailed : kExitOk;
}

}  // namespace quillet::cli
