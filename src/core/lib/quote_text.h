#pragma once

#include <array>
#include <string>

#include "core/lib/quote_series.h"

namespace quillet {

// The seven texts of a quote-grid row: Date, Open, High, Low, Close, Volume,
// Open Interest. Prices "%.4f", volume and open interest "%.0f", "N/A" for a
// value below 0 (a field the file does not hold).
inline constexpr std::array<const char*, 7> kQuoteGridColumns = {
    "Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};
std::array<std::string, 7> QuoteGridTexts(const Quote& quote);

}  // namespace quillet
