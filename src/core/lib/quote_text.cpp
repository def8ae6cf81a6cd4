#include "core/lib/quote_text.h"

#include <array>

#include "core/base/number_text.h"
#include "core/messages/read.h"

namespace quillet {

std::array<std::string, 7> QuoteGridTexts(const Quote& quote) {
  std::array<std::string, 7> texts;
  texts[0] = FormatDate(quote.date);
  std::array<char, kNumberTextRoom> buffer;
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
    const float v = quote.Value(f);
    std::string& text = texts[static_cast<size_t>(f - FIELD_OPEN + 1)];
    if (v < 0.0f) {
      text = messages::kNotAvailable;
      continue;
    }
    char* const end =
        f >= FIELD_VOL ? AppendFixed<0>(buffer.data(), v) : AppendFixed<4>(buffer.data(), v);
    text.assign(buffer.data(), end);
  }
  return texts;
}

}  // namespace quillet
