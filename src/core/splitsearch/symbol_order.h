#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/lib/result.h"

namespace quillet {

// The symbol list holds at most this many rows (the first records of MASTER).
inline constexpr int kMostListedSymbols = 255;

// The symbol of a MASTER record as the symbol list shows it: the 16 symbol
// bytes cut at the first byte that is a blank, a control character or 128 and above.
std::string ListedSymbol(const uint8_t* record);

// The symbols of the Portfolio's MASTER in the symbol list's order: the first
// 255 records, in ascending order of the symbol text (letter case set aside,
// then byte order; equal symbols keep their record order). LIB_FILE_OPEN when
// MASTER cannot be opened, LIB_FILE_READ when it holds fewer records than its
// header says.
LibResult ReadSymbolListOrder(std::string_view directory, std::vector<std::string>& symbols);

}  // namespace quillet
