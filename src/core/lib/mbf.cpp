#include "core/lib/mbf.h"

#include <bit>

namespace quillet {

MbfFloat IeeeToMbf(float value) {
  if (value == 0.0f) return {0, 0, 0, 0};
  MbfFloat b = std::bit_cast<MbfFloat>(value);
  const uint8_t sign = b[3] & 0x80;
  const uint8_t exponent = static_cast<uint8_t>((b[3] << 1) + (b[2] >> 7));
  b[2] = static_cast<uint8_t>((b[2] & 0x7F) | sign);
  b[3] = static_cast<uint8_t>(exponent + 2);
  return b;
}

float MbfToIeee(const MbfFloat& mbf) {
  if (mbf[3] == 0) return 0.0f;
  MbfFloat b = mbf;
  const uint8_t exponent = static_cast<uint8_t>(b[3] - 2);
  const uint8_t sign = b[2] & 0x80;
  b[2] = static_cast<uint8_t>((b[2] & 0x7F) | ((exponent & 1) << 7));
  b[3] = static_cast<uint8_t>((exponent >> 1) | sign);
  return std::bit_cast<float>(b);
}

}  // namespace quillet
