#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/quote_series.h"

namespace quillet {

// The choices of one export, as the export dialog holds them. The defaults are
// those of a first export: every column, commas, oldest first, no title row.
struct ExportOptions {
  std::string path = "output.txt";
  int delimiter = 0;  // 0 comma, 1 tab, 2 space; any other value gives the comma
  bool useClose = true;
  bool useHigh = true;
  bool useLow = true;
  bool useOpenInterest = true;
  bool useOpen = true;
  bool useVolume = true;
  bool title = false;
  int order = 0;  // 0 oldest quote first, any other value newest first
};

// The longest output path the dialog takes.
inline constexpr size_t kExportPathLimit = 200;

// The delimiter character of the dialog's choice.
char ExportDelimiter(int delimiter);

// Output columns after the date, in their fixed order: OPEN, HIGH, LOW, CLOSE, VOL, OI.
inline constexpr std::array<std::string_view, 6> kExportTitles = {"OPEN",  "HIGH", "LOW",
                                                                  "CLOSE", "VOL",  "OI"};
inline constexpr std::string_view kExportDateTitle = "DATE";

// The text of one exported value: "%.4f" for prices, "%.2f" for volume and open
// interest, "N/A" for a value below 0 or not a number. Appends at p (room for
// kExportValueRoom characters) and returns the end.
inline constexpr size_t kExportValueRoom = 64;
char* AppendExportValue(char* p, float value, int decimals);

// The longest row: a date, six values, their delimiters and the line end.
inline constexpr size_t kExportRowRoom = 8 + 6 * (1 + kExportValueRoom) + 2;

// The lines of an export: the title row and one row per quote, fields joined by
// the delimiter, each line ended by CR LF.
class ExportFormatter {
 public:
  explicit ExportFormatter(const ExportOptions& options);
  bool HasTitle() const { return title_; }
  bool NewestFirst() const { return newestFirst_; }
  void AppendTitle(std::string& out) const;
  void AppendRow(std::string& out, const Quote& quote);
  // Writes one row at p (room for kExportRowRoom characters); returns the end.
  char* WriteRow(char* p, const Quote& quote);
  // The whole file's text for a series: the title row if asked for, then the
  // rows in the chosen order.
  std::string Text(std::span<const Quote> quotes);

 private:
  char delimiter_;
  bool title_;
  bool newestFirst_;
  std::array<int, 6> fields_{};  // included quote fields, in column order
  int fieldCount_ = 0;
  // The month of the last date written: its first day (and that day's number
  // within the month), its length and its text.
  char* AppendDate(char* p, QuoteDay day);
  QuoteDay cachedFirst_ = 1;
  int cachedFirstDay_ = 1;
  int cachedDays_ = 0;
  std::array<char, 8> cachedText_{};
};

enum class ExportStatus {
  Done,
  // The file exists and replaceExisting was false: ask messages::ReplaceExistingFile
  // and call again with true on Yes. Nothing was written.
  AskReplace,
  // The series cannot be read (symbol not found, layout unknown, DAT not
  // openable): nothing was written (messages::DescribeReadFailure of code).
  ReadFailed,
  // The file cannot be created, or a write failed on the way: the target is as
  // it was ("file export error").
  FileError,
};

struct ExportResult {
  ExportStatus status = ExportStatus::Done;
  LibResult code = LIB_OK;
  int32_t rows = 0;               // data rows written
  bool masterUnreadable = false;  // ReadFailed because the Portfolio has no readable MASTER
};

// True when a file exists at the path (the export then asks before replacing it).
bool ExportTargetExists(const std::filesystem::path& file);

// Writes the series of symbol (found from the Portfolio's lookup directory) to
// options.path. The file appears complete or not at all: it is written to a
// working file that is swapped in at the end.
ExportResult ExportQuotes(std::string_view directory, std::string_view symbol,
                          const ExportOptions& options, bool replaceExisting,
                          fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
