// MbfToIeee / IeeeToMbf over every 4-byte pattern: the round trips are bit-exact
// except where the format itself has no counterpart, and the MBF value agrees
// with its arithmetic definition wherever IEEE can hold it.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/base/mbf.h"
#include "fuzz_support.h"

using quillet::IeeeToMbf;
using quillet::MbfFloat;
using quillet::MbfToIeee;

namespace {

void CheckMbf(const MbfFloat& m) {
  const float value = MbfToIeee(m);
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  if (m[3] == 0) {
    FUZZ_CHECK(bits == 0);  // exponent 0 is zero whatever the mantissa holds
    return;
  }
  const uint32_t mantissa =
      (uint32_t{static_cast<uint8_t>(m[2] & 0x7F)} << 16) | (uint32_t{m[1]} << 8) | m[0];
  const bool negative = (m[2] & 0x80) != 0;
  if (m[3] >= 3) {
    // (1 + mantissa / 2^23) * 2^(exponent - 129), exactly representable.
    const double expected =
        std::ldexp(1.0 + std::ldexp(static_cast<double>(mantissa), -23), m[3] - 129);
    const double got = value;
    FUZZ_CHECK(got == (negative ? -expected : expected));
  }
  const MbfFloat back = IeeeToMbf(value);
  if (m[3] == 2 && mantissa == 0) {
    FUZZ_CHECK(value == 0.0f);  // the smallest MBF exponent lands on IEEE zero
    FUZZ_CHECK((back == MbfFloat{0, 0, 0, 0}));
    return;
  }
  FUZZ_CHECK(back == m);
}

void CheckIeee(float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const MbfFloat m = IeeeToMbf(value);
  const float back = MbfToIeee(m);
  const uint32_t exponent = (bits >> 23) & 0xFF;
  if (value == 0.0f) {
    FUZZ_CHECK((m == MbfFloat{0, 0, 0, 0}));
    FUZZ_CHECK(std::bit_cast<uint32_t>(back) == 0);  // -0.0 comes back as +0.0
    return;
  }
  if (exponent == 254) {
    FUZZ_CHECK(m[3] == 0);  // wraps to the MBF zero exponent, no range check
    FUZZ_CHECK(std::bit_cast<uint32_t>(back) == 0);
    return;
  }
  FUZZ_CHECK(std::bit_cast<uint32_t>(back) == bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 4 <= size; i += 4) {
    MbfFloat m;
    std::memcpy(m.data(), data + i, 4);
    CheckMbf(m);
    uint32_t bits = 0;
    std::memcpy(&bits, data + i, 4);
    CheckIeee(std::bit_cast<float>(bits));
  }
  return 0;
}
