#pragma once

#include <array>
#include <string>

#include "core/base/number_text.h"
#include "core/lib/quote_series.h"

namespace quillet {

// The seven texts of a quote-grid row (headers: messages::kQuoteGridColumns):
// Date, Open, High, Low, Close, Volume, Open Interest. Prices "%.4f", volume and
// open interest "%.0f", "N/A" for a value below 0 (a field the file does not hold).
std::array<std::string, 7> QuoteGridTexts(const Quote& quote);

// The text of one column (0 the date to 6 the open interest) of those, written
// at p (room for kQuoteTextRoom characters); returns the end.
inline constexpr size_t kQuoteTextRoom = kNumberTextRoom;
char* AppendQuoteGridText(char* p, const Quote& quote, int column);

}  // namespace quillet
