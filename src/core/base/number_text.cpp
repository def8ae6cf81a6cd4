#include "core/base/number_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quillet {
namespace {

constexpr std::array<uint64_t, 5> kPowersOfTen = {1, 10, 100, 1000, 10000};
using number_text::EightDigits;
using number_text::kAsciiZeros;
using number_text::WriteFourPlaces;
using number_text::WriteWhole;

// "." and the Places digits of fraction (below 10^Places). With trim the trailing
// zeros go, and the point too when no digit is left. Stores 8 bytes.
template <int Places>
[[gnu::always_inline]] inline char* WritePoint(char* p, uint32_t fraction, bool trim) {
  static_assert(Places >= 1 && Places <= 7);
  constexpr int kUnused = 8 * (8 - Places);
  const uint64_t digits = EightDigits(fraction) >> kUnused;
  const uint64_t text = '.' | (digits << 8);
  std::memcpy(p, &text, sizeof text);
  if (!trim) return p + 1 + Places;
  // Trailing zeros are the high bytes that hold '0' (all of them for no fraction).
  const int zeros = (std::countl_zero(digits ^ (kAsciiZeros >> kUnused)) - kUnused) / 8;
  return zeros == Places ? p : p + 1 + Places - zeros;
}

// value (finite, not negative) * 10^Decimals rounded to the nearest integer,
// ties to even, as printf rounds the exact binary value. False when the result
// would not fit the fast path.
template <int Decimals>
bool ScaledExactly(float value, uint64_t& scaled) {
  const uint32_t bits = std::bit_cast<uint32_t>(value) & 0x7FFFFFFFu;
  const uint32_t biased = bits >> 23;
  const uint64_t mantissa = biased == 0 ? (bits & 0x7FFFFFu) : ((bits & 0x7FFFFFu) | 0x800000u);
  // value = mantissa * 2^exponent
  const int exponent = (biased == 0 ? 1 : static_cast<int>(biased)) - 150;
  const uint64_t product = mantissa * kPowersOfTen[Decimals];  // below 2^38
  if (exponent >= 0) {
    if (exponent > 24) return false;  // from 2^48 on: the general path
    scaled = product << exponent;
    return true;
  }
  const int shift = -exponent;
  if (shift >= 63) {
    scaled = 0;  // below half of the last digit
    return true;
  }
  const uint64_t quotient = product >> shift;
  const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  scaled = quotient + ((rest > half || (rest == half && (quotient & 1))) ? 1 : 0);
  return true;
}

// scaled / 10^decimals with all its decimals, for wholes beyond eight digits.
char* WriteScaled(char* p, uint64_t scaled, int decimals) {
  uint64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  p = std::to_chars(p, p + 24, scaled / unit).ptr;
  if (decimals == 0) return p;
  *p++ = '.';
  uint64_t fraction = scaled % unit;
  for (int i = decimals - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return p + decimals;
}

}  // namespace

template <int Decimals>
char* AppendFixed(char* p, float value) {
  if (!std::isfinite(value)) {
    return std::to_chars(p, p + kNumberTextRoom, static_cast<double>(value),
                         std::chars_format::fixed, Decimals)
        .ptr;
  }
  if (std::signbit(value)) *p++ = '-';
  const float a = std::fabs(value);
  constexpr uint64_t unit = kPowersOfTen[Decimals];
  uint64_t scaled = 0;
  if (!ScaledExactly<Decimals>(a, scaled)) {
    // From 2^48 on: the library's fixed notation, same digits.
    return std::to_chars(p, p + kNumberTextRoom, static_cast<double>(a), std::chars_format::fixed,
                         Decimals)
        .ptr;
  }
  if constexpr (Decimals == 4) {
    if (scaled < 100000000) return WriteFourPlaces(p, static_cast<uint32_t>(scaled), false);
  }
  if (scaled >= 100000000 * unit) return WriteScaled(p, scaled, Decimals);
  p = WriteWhole(p, static_cast<uint32_t>(scaled / unit));
  if constexpr (Decimals > 0) p = WritePoint<Decimals>(p, scaled % unit, false);
  return p;
}

template char* AppendFixed<0>(char* p, float value);
template char* AppendFixed<2>(char* p, float value);
template char* AppendFixed<4>(char* p, float value);

namespace {

// The nearest decimal to mantissa / 2^shift (shift >= 1) with as many places as
// unit (a power of ten) has zeros, ties to even, and its distance from the value
// in units of 2^-shift / unit. Without branches: the direction is as good as random.
struct NearestDecimal {
  uint64_t scaled;
  uint64_t distance;
  bool up;  // rounded up
};
[[gnu::always_inline]] inline NearestDecimal NearestOf(uint64_t mantissa, uint64_t unit,
                                                       int shift) {
  const uint64_t product = mantissa * unit;  // below 2^64 up to 12 decimals
  const uint64_t mask = (uint64_t{1} << shift) - 1;
  const uint64_t rest = product & mask;
  const uint64_t truncated = product >> shift;
  const bool up = rest + (truncated & 1) > (uint64_t{1} << (shift - 1));
  return {truncated + up, up ? (mask + 1) - rest : rest, up};
}

}  // namespace

// Every finite value; AppendShortest takes the usual ones itself.
char* AppendShortestGeneral(char* p, float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const float a = std::fabs(value);
  // Outside this range the library's shortest fixed text; inside it the fewest
  // decimals whose nearest decimal reads back, which is the same text (below 2^24
  // every integer digit counts, so fewer decimals means fewer digits).
  if (!(a >= 0.001f && a < 16777216.0f)) {
    if (a == 0.0f) {
      if (bits >> 31) *p++ = '-';
      *p++ = '0';
      return p;
    }
    return std::to_chars(p, p + kNumberTextRoom, value, std::chars_format::fixed).ptr;
  }
  if (bits >> 31) *p++ = '-';
  // Whole values (volumes, open interest) are their digits.
  if (const auto whole = static_cast<uint32_t>(a); static_cast<float>(whole) == a) {
    return WriteWhole(p, whole);
  }
  const uint32_t biased = (bits >> 23) & 0xFFu;
  const uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
  const int shift = 150 - static_cast<int>(biased);  // a = mantissa / 2^shift, shift >= 0
  const bool lowerGapHalved = (bits & 0x7FFFFFu) == 0;
  // Below 1024 a step of the value is under 10^-4, so a decimal of fewer than
  // five places reads back only when it is the nearest four-place one with its
  // trailing zeros dropped: one try finds the usual prices.
  const bool small = biased < 137;
  if (!small) {
    // From 1024 up a step is over 10^-4 (and the value not whole, so neither is
    // the step below it halved): the nearest four-place decimal always reads
    // back, and the fewest places are one to four. No whole number reads back,
    // as those are floats here.
    uint64_t unit = 10;
    for (int decimals = 1;; ++decimals, unit *= 10) {
      const NearestDecimal d = NearestOf(mantissa, unit, shift);
      if (decimals < 4 &&
          !((2 * d.distance < unit) | ((2 * d.distance == unit) & !(mantissa & 1)))) {
        continue;
      }
      // Whole part and four places; the last of the decimals' digits is not '0'.
      const uint64_t four = d.scaled * kPowersOfTen[static_cast<size_t>(4 - decimals)];
      p = WriteWhole(p, static_cast<uint32_t>(four / 10000));
      const uint64_t point = '.' | uint64_t{number_text::kFourDigits[four % 10000]} << 8;
      std::memcpy(p, &point, sizeof point);
      return p + 1 + decimals;
    }
  }
  uint64_t unit = 10000;
  for (int decimals = 4; decimals <= 12; ++decimals, unit *= 10) {
    // shift >= 1: whole values left above. The decimal reads back when within
    // half a step of the value on its side (the step below a power of two is half
    // as wide).
    const auto [scaled, distance, up] = NearestOf(mantissa, unit, shift);
    const bool narrow = !up & (distance != 0) & lowerGapHalved;
    const bool back = narrow ? 4 * distance <= unit
                             : (2 * distance < unit) | ((2 * distance == unit) & !(mantissa & 1));
    if (!back) continue;
    if (decimals > 4) return WriteScaled(p, scaled, decimals);
    // As four places with the trailing zeros dropped: the fewest decimals never
    // end in a zero, and four are the nearest four-place decimal's own; the value
    // is not whole, so neither is the decimal. Below 2^24 the whole part has at
    // most eight digits.
    const uint64_t four = scaled * kPowersOfTen[static_cast<size_t>(4 - decimals)];
    if (four < 100000000) return WriteFourPlaces(p, static_cast<uint32_t>(four), true);
    p = WriteWhole(p, static_cast<uint32_t>(four / 10000));
    return WritePoint<4>(p, static_cast<uint32_t>(four % 10000), true);
  }
  return std::to_chars(p, p + kNumberTextRoom, a, std::chars_format::fixed).ptr;
}

}  // namespace quillet
