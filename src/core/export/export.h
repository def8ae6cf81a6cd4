#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "core/fs/file_steps.h"
#include "core/lib/quote_series.h"

namespace quillet {

// The export dialog's radio groups, with the values the "Delim" and "Newest"
// settings store. A stored value outside them converts as it is: any other
// delimiter gives the comma, any other order newest first.
enum class ExportDelimiter : int { Comma = 0, Tab = 1, Space = 2 };
enum class ExportOrder : int { OldestFirst = 0, NewestFirst = 1 };

// The choices of one export, as the export dialog holds them. The defaults are
// those of a first export: every column, commas, oldest first, no title row.
struct ExportOptions {
  std::string path = "output.txt";
  ExportDelimiter delimiter = ExportDelimiter::Comma;
  bool useClose = true;
  bool useHigh = true;
  bool useLow = true;
  bool useOpenInterest = true;
  bool useOpen = true;
  bool useVolume = true;
  bool title = false;
  ExportOrder order = ExportOrder::OldestFirst;
};

// The longest output path the dialog takes.
inline constexpr size_t kExportPathLimit = 200;

// The delimiter character of the dialog's choice.
char DelimiterChar(ExportDelimiter delimiter);

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
  // The file exists and replaceExisting was false: message is the question
  // ("...Replace existing file?"); call again with true on Yes. Nothing was written.
  AskReplace,
  // The series cannot be read (symbol not found, layout unknown, DAT not
  // openable): nothing was written; message says why.
  ReadFailed,
  // The file cannot be created, or a write failed on the way: the target is as
  // it was; message is "file export error".
  FileError,
};

// code: LIB_OK when done; LIB_FILE_EXISTS when asking; the reader's or the
// file layer's code otherwise. message: what the user is shown (empty when done).
struct ExportResult : Outcome {
  ExportStatus status = ExportStatus::Done;
  int32_t rows = 0;  // data rows written
};

// Told the rows written so far and the rows to write, after each part of a long
// export is written (a progress bar); the export cannot be stopped half-way.
using ExportProgress = std::function<void(int32_t written, int32_t total)>;

// True when a file exists at the path (the export then asks before replacing it).
bool ExportTargetExists(const std::filesystem::path& file);

// Writes the series of symbol (found from the Portfolio's lookup directory) to
// options.path. The file appears complete or not at all: it is written to a
// working file that is swapped in at the end.
ExportResult ExportQuotes(std::string_view directory, std::string_view symbol,
                          const ExportOptions& options, bool replaceExisting,
                          const ExportProgress& progress = {},
                          fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
