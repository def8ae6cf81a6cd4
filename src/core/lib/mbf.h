#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace quillet {

// A 4-byte Microsoft Binary Format number as stored in MASTER and DAT files.
using MbfFloat = std::array<uint8_t, 4>;

// Bit-exact conversions; no range check (an IEEE exponent of 254 or 255 wraps).
MbfFloat IeeeToMbf(float value);
float MbfToIeee(const MbfFloat& mbf);

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
inline void StoreInt16(int16_t value, uint8_t* bytes) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>((static_cast<uint16_t>(value) >> 8) & 0xFF);
}

}  // namespace quillet
