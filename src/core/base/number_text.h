#pragma once

#include <cstddef>

namespace quillet {

// Quote values as text, written straight into a caller's buffer: what the grid,
// the export and the typed tables show. Each call appends at p and returns the
// end; it may write scratch bytes past the end, within kNumberTextRoom of p.
inline constexpr size_t kNumberTextRoom = 64;

// The text printf's "%.<Decimals>f" gives for the value (the exact binary value
// rounded to Decimals places, ties to even), for every float: a sign for a
// negative value (-0.0 included), "inf", "nan" and "-nan" as glibc writes them.
// Made for 0, 2 and 4 places.
template <int Decimals>
char* AppendFixed(char* p, float value);

// The stored float's shortest text that reads back to it, in fixed notation
// (what std::to_chars gives with chars_format::fixed and no precision). The value
// must be finite.
char* AppendShortest(char* p, float value);

}  // namespace quillet
