#include "core/lib/quote_text.h"

#include <algorithm>
#include <array>

#include "core/messages/read.h"

namespace quillet {

char* AppendQuoteGridText(char* p, const Quote& quote, int column) {
  if (column == 0) {
    const std::string date = FormatDate(quote.date);
    return std::copy(date.begin(), date.end(), p);
  }
  const int field = FIELD_OPEN + column - 1;
  const float v = quote.Value(field);
  if (v < 0.0f) return std::copy(messages::kNotAvailable.begin(), messages::kNotAvailable.end(), p);
  return field >= FIELD_VOL ? AppendFixed<0>(p, v) : AppendFixed<4>(p, v);
}

std::array<std::string, 7> QuoteGridTexts(const Quote& quote) {
  std::array<std::string, 7> texts;
  std::array<char, kQuoteTextRoom> buffer;
  for (int column = 0; column < 7; ++column) {
    texts[static_cast<size_t>(column)].assign(buffer.data(),
                                              AppendQuoteGridText(buffer.data(), quote, column));
  }
  return texts;
}

}  // namespace quillet
