#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/number_text.h"
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
  int fileNumber = 0;  // nonzero: the security of that file number (two share a symbol)
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
// kExportValueRoom characters) and returns the end. AppendShortest (number_text.h)
// writes the typed tables' values.
inline constexpr size_t kExportValueRoom = kNumberTextRoom;
char* AppendExportValue(char* p, float value, int decimals);

// The typed tables: CSV (RFC 4180, '.' as the decimal point whatever the locale,
// empty fields for what the file does not hold) or JSON objects.
enum class TypedForm { Csv, Json };

// The lines of an export: the title row and one row per quote, fields joined by
// the delimiter, each line ended by CR LF. The same formatter writes the command
// line's quote tables: the grid's texts and the typed forms.
class ExportFormatter {
 public:
  explicit ExportFormatter(const ExportOptions& options);
  // The quote grid's texts (QuoteGridTexts) joined by tabs, each row ended by LF.
  static ExportFormatter GridText();
  // Typed rows: ISO dates, the shortest text of each stored value, absent (empty
  // or null) for a field the file does not hold and for a value that is no finite
  // number. held: OPEN..OI as the file holds them. Csv: date, time (HH:MM:SS when
  // the series has times), the six values, CR LF. Json: an object without its
  // braces' line end; with timeKey a "time" key follows the date, without it an
  // intraday date carries its time ("1999-11-17T09:35:00").
  static ExportFormatter Typed(TypedForm form, const std::array<bool, 6>& held, bool intraday,
                               bool timeKey);
  bool HasTitle() const { return title_; }
  bool NewestFirst() const { return newestFirst_; }
  // Text written at the start of every row (the symbol and name of a dump).
  void SetRowStart(std::string text);
  void AppendTitle(std::string& out) const;
  void AppendRow(std::string& out, const Quote& quote);
  // The longest row this formatter writes.
  size_t RowRoom() const;
  // Writes one row at p (room for RowRoom() characters); returns the end.
  char* WriteRow(char* p, const Quote& quote);
  // The whole file's text for a series: the title row if asked for, then the
  // rows in the chosen order.
  std::string Text(std::span<const Quote> quotes);

 private:
  enum class Content { Date, Time, Value };
  enum class DateText { Mdy, Iso, IsoWithTime };
  // A short text (a delimiter, a JSON key, a line end) written with one copy of a
  // fixed size, which the row's room covers.
  struct Piece {
    static constexpr size_t kRoom = 24;
    std::array<char, kRoom> bytes{};
    size_t size = 0;
    Piece(std::string_view text = {});  // at most kRoom characters
    Piece(const char* text) : Piece(std::string_view(text)) {}
    Piece(const std::string& text) : Piece(std::string_view(text)) {}
    char* Write(char* p) const;
  };
  struct Column {
    Piece prefix;  // written before the column's text
    Content content = Content::Value;
    int field = 0;      // FIELD_OPEN..FIELD_OI
    int decimals = -1;  // fixed decimals; -1 the shortest text
    bool held = true;
  };
  ExportFormatter() = default;
  static constexpr size_t kShortRowStart = 64;
  void CacheMonth(QuoteDay day);
  char* AppendDate(char* p, QuoteDay day);
  template <bool Typed>
  char* WriteColumn(char* p, const Column& column, const Quote& quote);
  template <bool Typed>
  char* WriteRowAs(char* p, const Quote& quote);

  std::vector<Column> columns_;
  std::string rowStart_;
  std::array<char, kShortRowStart> shortRowStart_{};  // rowStart_ when it fits, padded
  Piece lineEnd_ = "\r\n";
  Piece absent_;             // the text of a value not shown
  bool typed_ = false;       // absent by the layout and finiteness (not below zero)
  bool quoteTexts_ = false;  // dates and times in JSON quotes
  bool gridNan_ = false;     // not-a-number as printf writes it, not "N/A"
  DateText dateText_ = DateText::Mdy;
  bool title_ = false;
  bool newestFirst_ = false;
  char delimiter_ = ',';
  // The month of the last date written: its first day (and that day's number
  // within the month), its length and its text.
  QuoteDay cachedFirst_ = 1;
  int cachedFirstDay_ = 1;
  int cachedDays_ = 0;
  std::array<char, 10> cachedText_{};
};

// The typed formatter of a series read: its fields and times as its layout
// holds them (see ExportFormatter::Typed).
ExportFormatter TypedFormatter(TypedForm form, const SeriesInfo& info, bool timeKey);

enum class ExportStatus {
  Done,
  // The file exists and replaceExisting was false: message is the question
  // ("...Replace existing file?"); call again with true on Yes. Nothing was written.
  AskReplace,
  // The series cannot be read (symbol not found, layout unknown, DAT not
  // openable): nothing was written; message says why.
  ReadFailed,
  // The file cannot be created, or a write failed on the way: the target is as
  // it was; message is "file export error". A Portfolio's file name is refused
  // first (code LIB_INVALID_PARM, messages::PortfolioFileRefused).
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
