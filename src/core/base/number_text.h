#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// AppendShortest for every finite value, the general steps.
char* AppendShortestGeneral(char* p, float value);

// The digit writers, here so that the usual values are written inline in a
// caller's row loop. Little-endian words: byte 0 is the first character.
namespace number_text {

inline constexpr uint64_t kAsciiZeros = 0x3030303030303030u;

// The four decimal digits of every number below 10^4, leading zeros included,
// as ASCII in memory order: a lookup is cheaper than working out the digits.
constexpr std::array<uint32_t, 10000> FourDigitTable() {
  std::array<uint32_t, 10000> table{};
  for (uint32_t i = 0; i < table.size(); ++i) {
    table[i] = (0x30u + i / 1000) | (0x30u + i / 100 % 10) << 8 | (0x30u + i / 10 % 10) << 16 |
               (0x30u + i % 10) << 24;
  }
  return table;
}
alignas(64) inline constexpr std::array<uint32_t, 10000> kFourDigits = FourDigitTable();

// The eight decimal digits of v (below 10^8), leading zeros included, as ASCII in
// memory order (byte 0 the most significant digit).
[[gnu::always_inline]] inline uint64_t EightDigits(uint32_t v) {
  return kFourDigits[v / 10000] | uint64_t{kFourDigits[v % 10000]} << 32;
}

// The count of bytes of x up to its last one that is not zero.
[[gnu::always_inline]] inline unsigned UsedBytes(uint64_t x) {
  return (71u - static_cast<unsigned>(std::countl_zero(x))) / 8u;
}

// The count of low bytes of x that are zero, at most limit (a byte index).
[[gnu::always_inline]] inline unsigned ZeroLowBytes(uint64_t x, unsigned limit) {
  return static_cast<unsigned>(std::countr_zero(x | uint64_t{1} << (8 * limit))) / 8u;
}

// The number whose EightDigits are digits, without leading zeros. Stores 8 bytes.
[[gnu::always_inline]] inline char* WholeText(char* p, uint64_t digits) {
  // The leading zeros are the low bytes that hold '0'; the last digit stays.
  const unsigned zeros = ZeroLowBytes(digits ^ kAsciiZeros, 7);
  const uint64_t kept = digits >> (8 * zeros);
  std::memcpy(p, &kept, sizeof kept);
  return p + 8 - zeros;
}

// v (below 10^8) without leading zeros. Stores 8 bytes.
[[gnu::always_inline]] inline char* WriteWhole(char* p, uint32_t v) {
  return WholeText(p, EightDigits(v));
}

// The number whose EightDigits are digits, divided by 10^4, as whole "." four
// places. With trim the trailing zeros go, and the point too when the fraction
// is 0. Stores 16 bytes.
[[gnu::always_inline]] inline char* FourPlacesText(char* p, uint64_t digits, bool trim) {
  const uint64_t marks = digits ^ kAsciiZeros;  // zero bytes where a '0' is
  const unsigned leading = ZeroLowBytes(marks, 3);
  const uint64_t whole = (digits & 0xFFFFFFFFu) >> (8 * leading);
  std::memcpy(p, &whole, sizeof whole);
  p += 4 - leading;
  const uint64_t point = '.' | ((digits >> 32) << 8);
  std::memcpy(p, &point, sizeof point);
  if (!trim) return p + 5;
  // The digits up to the last that is not '0', after the point; none, no point.
  const unsigned kept = UsedBytes(marks >> 32);
  return p + kept + (kept != 0);
}

// scaled (below 10^8) / 10^4 as FourPlacesText writes it.
[[gnu::always_inline]] inline char* WriteFourPlaces(char* p, uint32_t scaled, bool trim) {
  return FourPlacesText(p, EightDigits(scaled), trim);
}

}  // namespace number_text

// Which text a value's shortest text is: the usual ones take no general steps.
enum class ShortestForm : uint8_t {
  General,     // AppendShortestGeneral
  FourPlaces,  // a number of ten-thousandths, trailing zeros dropped
  Whole,       // a whole number
};

// The form of a value's shortest text and, for the usual forms, the number it
// writes (below 10^8): prices below 1024 whose nearest four-place decimal reads
// back, which is then the shortest text (see AppendShortestGeneral), and whole
// values below 2^24 (volumes, open interest).
[[gnu::always_inline]] inline ShortestForm ShortestFormOf(float value, uint32_t& number) {
  constexpr uint32_t kFrom = 0x3A83126Fu;    // 0.001f
  constexpr uint32_t kPrices = 0x44800000u;  // 1024.0f
  constexpr uint32_t kWholes = 0x4B800000u;  // 2^24
  const uint32_t magnitude = std::bit_cast<uint32_t>(value) & 0x7FFFFFFFu;
  const float a = std::bit_cast<float>(magnitude);
  if (magnitude - kFrom < kPrices - kFrom) {
    // The nearest four-place decimal: the product is exact in a double, and
    // adding 1.5 * 2^52 rounds it to a whole number, ties to even, which the
    // low bits then hold. It reads back when the quotient of the two exact
    // floats (both below 2^24) is the value, as the parse of its text rounds
    // the same way.
    const double rounded = static_cast<double>(a) * 10000.0 + 6755399441055744.0;
    number = static_cast<uint32_t>(std::bit_cast<uint64_t>(rounded));
    if (static_cast<float>(number) / 10000.0f == a) return ShortestForm::FourPlaces;
  } else if (magnitude - kPrices < kWholes - kPrices) {
    number = static_cast<uint32_t>(a);
    if (static_cast<float>(number) == a) return ShortestForm::Whole;
  }
  return ShortestForm::General;
}

// The stored float's shortest text that reads back to it, in fixed notation
// (what std::to_chars gives with chars_format::fixed and no precision). The value
// must be finite.
[[gnu::always_inline]] inline char* AppendShortest(char* p, float value) {
  uint32_t number = 0;
  const ShortestForm form = ShortestFormOf(value, number);
  if (form == ShortestForm::General) return AppendShortestGeneral(p, value);
  *p = '-';
  char* const q = p + (std::bit_cast<uint32_t>(value) >> 31);
  const uint64_t digits = number_text::EightDigits(number);
  return form == ShortestForm::FourPlaces ? number_text::FourPlacesText(q, digits, true)
                                          : number_text::WholeText(q, digits);
}

}  // namespace quillet
