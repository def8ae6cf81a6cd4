#include "core/base/mbf_words.h"

#include <gtest/gtest.h>

#include "core/base/mbf.h"

namespace quillet {
namespace {

// The word forms give the bytes of MbfToIeee and IeeeToMbf for every exponent,
// both signs and mantissas from empty to full.
TEST(MbfWordsTest, AgreeWithTheConversionsForEveryExponent) {
  const uint32_t mantissas[] = {0, 1, 0x2AAAAA, 0x400000, 0x555555, 0x7FFFFE, 0x7FFFFF};
  for (uint32_t exponent = 0; exponent < 256; ++exponent) {
    for (uint32_t sign : {0u, 1u}) {
      for (uint32_t mantissa : mantissas) {
        const uint32_t mbf = (exponent << 24) | (sign << 23) | mantissa;
        MbfFloat bytes;
        StoreWord(mbf, bytes.data());
        const float viaBytes = MbfToIeee(bytes);
        EXPECT_EQ(std::bit_cast<uint32_t>(MbfWordToFloat(mbf)), std::bit_cast<uint32_t>(viaBytes))
            << std::hex << mbf;
        EXPECT_EQ(ConvertedMbfWord(mbf), LoadWord(IeeeToMbf(viaBytes).data())) << std::hex << mbf;

        const uint32_t ieee = (sign << 31) | (exponent << 23) | mantissa;
        const float value = std::bit_cast<float>(ieee);
        EXPECT_EQ(FloatToMbfWord(value), LoadWord(IeeeToMbf(value).data())) << std::hex << ieee;
      }
    }
  }
}

}  // namespace
}  // namespace quillet
