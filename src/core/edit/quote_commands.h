#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/edit/rewrite.h"
#include "core/lib/quote_series.h"

namespace quillet {

// The rules of the quote commands (edit, split, adjust, delete, add): what the
// dialogs check on OK and the change each command asks of RewriteSeries. Front
// ends collect the texts, call these, and show the message of a failed check.

// The checks below return an Outcome: ok() when the input holds, else
// LIB_INVALID_PARM and the message the dialog shows ("Invalid Data Entered",
// "Date %s already exists.", ...); the change is set only when the input holds.

// The quote commands, each with its own failure message ("Single Date Edit
// Failed", "Split Edit Failed", ...).
enum class QuoteCommand { Edit, Split, Adjust, Delete, Add };
const char* QuoteCommandFailed(QuoteCommand command);

// What a quote command works on: the security and its whole series, read
// before any check.
struct QuoteTarget : Outcome {
  std::string directory;  // the Portfolio's lookup directory
  std::string symbol;     // as the user gave it (the lookup finds it)
  SeriesData series;
  // The Date texts of the oldest and the newest quote ("" without quotes).
  std::string FirstDate() const;
  std::string LastDate() const;
};
// Reads the series. On failure message holds the command's failure message
// and, on the next line, why the series could not be read.
QuoteTarget ReadQuoteTarget(std::string_view directory, std::string_view symbol,
                            QuoteCommand command);

// Applies a checked change to the target's files (RewriteSeries; the MASTER is
// the lookup directory's). On failure message holds, one per line, the
// engine's own message (when it has one), the command's failure message and the
// reason in plain words; the files are as the engine leaves them on failure.
Outcome ApplyQuoteChange(const QuoteTarget& target, const QuoteChange& change,
                         QuoteCommand command);

// The longest texts the dialogs' boxes take.
inline constexpr size_t kDateTextLength = 8;
inline constexpr size_t kEditValueLimit = 16;
inline constexpr size_t kSplitSharesLimit = 5;
inline constexpr size_t kAdjustFactorLimit = 8;

// A number as "%f" reads it: leading white space, then the longest prefix that
// is a decimal number. Nothing when no number starts the text, or when it lies
// outside the single-precision range.
std::optional<float> ReadFloatText(std::string_view text);

// The numeric boxes take digits, "." and control characters only.
bool NumEditAccepts(char c);

// Which of Open, High, Low, Close, Volume and Open interest the file holds.
std::array<bool, 6> HeldValueFields(const SeriesInfo& info);

// Single-quote edit: the date text of the quote shown and the six boxes' texts
// (Open .. Open interest). The text of a field the file does not hold is not read.
struct EditQuoteTexts {
  std::string date;
  std::array<std::string, 6> values;
};
Outcome MakeEditChange(const EditQuoteTexts& texts, const std::array<bool, 6>& held,
                       QuoteChange& change);

// Split: a newShares-for-oldShares split applies to every quote before date.
// firstDate and lastDate are the Date texts of the oldest and the newest quote.
struct SplitTexts {
  std::string date;
  std::string newShares = "1";
  std::string oldShares = "1";
};
Outcome MakeSplitChange(const SplitTexts& texts, std::string_view firstDate,
                        std::string_view lastDate, QuoteChange& change);

// Adjust: multiply prices, volume and open interest of the quotes from .. to.
struct AdjustTexts {
  std::string from;
  std::string to;
  std::string price = "1";
  std::string volume = "1";
  std::string openInterest = "1";
};
Outcome MakeAdjustChange(const AdjustTexts& texts, std::string_view firstDate,
                         std::string_view lastDate, QuoteChange& change);

// Delete of the quote whose Date text is dateText.
Outcome MakeDeleteChange(std::string_view dateText, QuoteChange& change);

// Add: a copy of the selected quote on the weekday before it.
struct AddPlan {
  QuoteDay newDay = 0;
  std::string newDate;  // the Date text of the new quote
  QuoteChange change;
};
// quotes: the loaded series (any order); selectedDate: the Date text of the
// selected quote. Refused ahead of the oldest quote, when the weekday before
// already has a quote ("Date %s already exists."), and when a quote lies between
// that weekday and the selected day (the copy would break the date order).
Outcome PlanAddQuote(std::span<const Quote> quotes, std::string_view selectedDate, AddPlan& plan);

// The first quote whose Date text is exactly dateText (a command-line stand-in
// for the selected grid row); "Invalid Data Entered" when there is none.
Outcome SelectQuoteByDate(std::span<const Quote> quotes, std::string_view dateText, size_t& index);

}  // namespace quillet
