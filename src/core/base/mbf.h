#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quillet {

// A 4-byte Microsoft Binary Format number as stored in MASTER and DAT files.
using MbfFloat = std::array<uint8_t, 4>;

// Bit-exact conversions; no range check (an IEEE exponent of 254 or 255 wraps).
// Inline: the readers convert every field of every record.
inline MbfFloat IeeeToMbf(float value) {
  if (value == 0.0f) return {0, 0, 0, 0};
  MbfFloat b = std::bit_cast<MbfFloat>(value);
  const uint8_t sign = b[3] & 0x80;
  const uint8_t exponent = static_cast<uint8_t>((b[3] << 1) + (b[2] >> 7));
  b[2] = static_cast<uint8_t>((b[2] & 0x7F) | sign);
  b[3] = static_cast<uint8_t>(exponent + 2);
  return b;
}

inline float MbfToIeee(const MbfFloat& mbf) {
  if (mbf[3] == 0) return 0.0f;
  MbfFloat b = mbf;
  const uint8_t exponent = static_cast<uint8_t>(b[3] - 2);
  const uint8_t sign = b[2] & 0x80;
  b[2] = static_cast<uint8_t>((b[2] & 0x7F) | ((exponent & 1) << 7));
  b[3] = static_cast<uint8_t>((exponent >> 1) | sign);
  return std::bit_cast<float>(b);
}

inline MbfFloat LoadMbf(const uint8_t* bytes) {
  MbfFloat m;
  std::memcpy(m.data(), bytes, 4);
  return m;
}
inline float MbfToIeee(const uint8_t* bytes) {
  return MbfToIeee(LoadMbf(bytes));
}
inline void StoreMbf(float value, uint8_t* bytes) {
  const MbfFloat m = IeeeToMbf(value);
  std::memcpy(bytes, m.data(), 4);
}

inline int16_t LoadInt16(const uint8_t* bytes) {
  return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
}
// The record counter of a quote file header, read unsigned.
inline int32_t LoadQuoteCount(const uint8_t* bytes) {
  return static_cast<int32_t>(bytes[0] | (bytes[1] << 8));
}
inline void StoreInt16(int16_t value, uint8_t* bytes) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>((static_cast<uint16_t>(value) >> 8) & 0xFF);
}

}  // namespace quillet
