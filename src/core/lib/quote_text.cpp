#include "core/lib/quote_text.h"

#include <array>
#include <cstdio>

#include "core/messages/read.h"

namespace quillet {

std::array<std::string, 7> QuoteGridTexts(const Quote& quote) {
  std::array<std::string, 7> texts;
  texts.fill(std::string(messages::kNotAvailable));
  texts[0] = FormatDate(quote.date);
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
    const float v = quote.Value(f);
    if (v < 0.0f) continue;
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), f >= FIELD_VOL ? "%.0f" : "%.4f",
                  static_cast<double>(v));
    texts[static_cast<size_t>(f - FIELD_OPEN + 1)] = buffer.data();
  }
  return texts;
}

}  // namespace quillet
