#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/base/result.h"

namespace quillet::messages {

// The texts a front end shows when a series cannot be read; the quote grid's
// own message comes first, then what went wrong in plain words.
inline constexpr const char* kErrorInFillQuotesGrid = "Error in FillQuotesGrid";

// A plain sentence for a reader failure: "Symbol IBM was not found in the
// Portfolio /data/". masterUnreadable: the reader's flag that the Portfolio has
// no readable MASTER (LIB_FILE_NOT_FOUND stands for both).
std::string DescribeReadFailure(LibResult code, std::string_view directory, std::string_view query,
                                bool masterUnreadable);

// Warnings about EMASTER and XMASTER: what is ignored, never fatal.
std::string IndexFileIgnored(std::string_view file);
std::string IndexFileSize(std::string_view file, size_t count, size_t size);
std::string IndexEntryIgnored(std::string_view file, int record, std::string_view why);

// Messages shown one after another, as one text: the non-empty parts, each on
// a line of its own (a part already ending in a line break gets no second one).
std::string JoinLines(std::initializer_list<std::string_view> parts);

// A value the file does not hold (below 0), in the quote grid and in an export.
inline constexpr std::string_view kNotAvailable = "N/A";

// The symbol grid's column headers; File and Index only while a row comes from
// EMASTER or XMASTER.
inline constexpr std::array<const char*, 4> kSymbolGridColumns = {"Symbol", "Name", "File",
                                                                  "Index"};

// The quote grid's column headers.
inline constexpr std::array<const char*, 7> kQuoteGridColumns = {
    "Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};

// The facts dialog ("About Selected Quote Series"): its labels in the order shown,
// then an Input and a Display line per field (FieldFormatLabel).
inline constexpr std::array<const char*, 10> kFactLabels = {"Path:",
                                                            "File number",
                                                            "DAT file record length",
                                                            "DAT file number of fields",
                                                            "Number of quotes",
                                                            "Name of issue",
                                                            "First date in file*",
                                                            "Last date in file*",
                                                            "Data format",
                                                            "Symbol"};
// Facts lines of a security that EMASTER or XMASTER describes, after the others.
inline constexpr const char* kFactLongName = "Long name";
inline constexpr const char* kFactFields = "Fields";
inline constexpr const char* kFactIndexFile = "Index file";
// "Date Input", "Close Display", ...: field 0 to 7 (Date, Time, Open, High, Low,
// Close, Vol, OI).
std::string FieldFormatLabel(size_t field, bool display);
// "D Daily", "I Intra-day", ... ; "ERROR" for any other letter.
std::string PeriodicityText(char periodicity);
// "Whole Num.", "100ths", "8ths", "1,000s", ...; a code with no text of its own
// shows its number.
std::string FormatCodeText(int code);

}  // namespace quillet::messages
