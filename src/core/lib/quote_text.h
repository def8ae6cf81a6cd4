#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/base/result.h"
#include "core/lib/quote_series.h"

namespace quillet {

// The seven texts of a quote-grid row (headers: messages::kQuoteGridColumns):
// Date, Open, High, Low, Close, Volume, Open Interest. Prices "%.4f", volume and
// open interest "%.0f", "N/A" for a value below 0 (a field the file does not hold).
std::array<std::string, 7> QuoteGridTexts(const Quote& quote);

// Why query's series could not be read from directory, in plain words, for a
// reader's failure code (shown after the front end's own message). Reads the
// Portfolio's MASTER only to tell "no MASTER can be read" from "not found".
std::string ReadFailureText(LibResult code, std::string_view directory, std::string_view query);

}  // namespace quillet
