#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quillet {

// MbfToIeee and IeeeToMbf on whole little-endian words, for loops over every
// field of every record; the bytes they give are those of the two conversions
// (tests hold them to it for every exponent).
static_assert(std::endian::native == std::endian::little);

inline uint32_t LoadWord(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
inline void StoreWord(uint32_t w, uint8_t* p) {
  std::memcpy(p, &w, 4);
}

// MBF: exponent in byte 3, sign in bit 23. IEEE: sign in bit 31, exponent in 23-30.
// Branch-free, so loops over whole blocks of words turn into vector code.
inline uint32_t MbfWordToIeeeBits(uint32_t w) {
  const uint32_t exponent = w >> 24;
  const uint32_t bits = ((w & 0x800000u) << 8) | (((exponent - 2) & 0xFFu) << 23) | (w & 0x7FFFFFu);
  return bits & (0u - static_cast<uint32_t>(exponent != 0));  // a zero exponent gives +0.0
}
inline float MbfWordToFloat(uint32_t w) {
  return std::bit_cast<float>(MbfWordToIeeeBits(w));
}

inline uint32_t FloatToMbfWord(float value) {
  if (value == 0.0f) return 0;
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  return ((((bits >> 23) + 2) & 0xFFu) << 24) | ((bits >> 8) & 0x800000u) | (bits & 0x7FFFFFu);
}

// What MbfToIeee followed by IeeeToMbf make of a word: the same word, except
// that an exponent of 0, and an exponent of 2 with a zero mantissa (an IEEE
// zero of either sign), become zero.
inline uint32_t ConvertedMbfWord(uint32_t w) {
  const uint32_t exponent = w >> 24;
  const bool zero = exponent == 0 || (exponent == 2 && (w & 0x7FFFFFu) == 0);
  return zero ? 0u : w;
}

}  // namespace quillet
