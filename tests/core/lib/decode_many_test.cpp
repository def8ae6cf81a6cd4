// Block decoding on every path this processor runs (the quote-shaped path, in
// place and not, and the general one) against the one-record decoder, bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <vector>

#include "core/base/mbf_words.h"
#include "core/lib/quote_series.h"

namespace quillet {
namespace {

FieldLayout Layout(std::array<int16_t, kQuoteFieldCount> positions) {
  FieldLayout layout;
  layout.positions = positions;
  return layout;
}
// DATE then OPEN to OI: 28-byte records that decode where they lie.
const FieldLayout kQuoteShaped = Layout({1, 0, 2, 3, 4, 5, 6, 7});

// Every record of the block decoded alone, compared byte for byte (NaN-safe) with
// DecodeMany on a copy of the block and, where records decode where they lie, in
// the quotes' own bytes.
void ExpectSameAsDecode(const RecordDecoder& decoder, const std::vector<uint8_t>& block, int length,
                        VectorPath path) {
  const size_t count = block.size() / static_cast<size_t>(length);
  std::vector<uint8_t> scratch = block;
  std::vector<Quote> many(count), inPlace(count);
  decoder.DecodeMany(scratch.data(), count, length, many.data(), path);
  const bool decodesInPlace = decoder.DecodesInPlace(length) && count > 0;
  if (decodesInPlace) {
    std::memcpy(inPlace.data(), block.data(), block.size());
    decoder.DecodeMany(reinterpret_cast<uint8_t*>(inPlace.data()), count, length, inPlace.data(),
                       path);
  }
  for (size_t i = 0; i < count; ++i) {
    const Quote one = decoder.Decode(block.data() + i * static_cast<size_t>(length));
    ASSERT_EQ(std::memcmp(&one, &many[i], sizeof(Quote)), 0) << "record " << i;
    if (decodesInPlace) {
      ASSERT_EQ(std::memcmp(&one, &inPlace[i], sizeof(Quote)), 0) << "in place, record " << i;
    }
  }
}

// A word a date field may hold: the real, the odd and the impossible.
uint32_t RandomWord(std::mt19937& rng) {
  switch (rng() % 6) {
    case 0:
      return rng();  // any bits: NaN, infinities, zero exponents
    case 1:          // a whole value below 2^24, like every real date
      return FloatToMbfWord(static_cast<float>(rng() % (1u << 24)));
    case 2:  // CYYMMDD-like, month and day from 0 to 99
      return FloatToMbfWord(static_cast<float>(rng() % 2 * 1000000 + rng() % 100 * 10000 +
                                               rng() % 100 * 100 + rng() % 100));
    case 3:  // negative, fractional or huge
      return FloatToMbfWord(std::bit_cast<float>(static_cast<uint32_t>(rng())));
    case 4:
      return FloatToMbfWord(static_cast<float>(rng() % 2000000) + 0.5f);
    default: {
      const float specials[] = {0.0f,      -0.0f, -1.0f,  16777216.0f, 16777215.0f, 599999.0f,
                                600000.0f, 1e30f, -1e30f, 1000229.0f,  990229.0f};
      return FloatToMbfWord(specials[rng() % std::size(specials)]);
    }
  }
}

std::vector<uint8_t> RandomBlock(std::mt19937& rng, size_t count, int length) {
  std::vector<uint8_t> block(count * static_cast<size_t>(length));
  for (size_t p = 0; p + 4 <= block.size(); p += 4) StoreWord(RandomWord(rng), &block[p]);
  for (size_t p = block.size() / 4 * 4; p < block.size(); ++p)
    block[p] = static_cast<uint8_t>(rng());
  return block;
}

// Blocks of every record length and random layouts, of sizes at the edges of the
// vector groups and of the rounds of 256 records; every other one in the
// quote-shaped layout, which at 28 bytes decodes in place.
TEST(DecodeMany, RandomRecordsOfEveryLengthAndLayoutMatchDecode) {
  EXPECT_TRUE(RecordDecoder(kQuoteShaped, 28, 7).DecodesInPlace(28));
  EXPECT_FALSE(RecordDecoder(kQuoteShaped, 32, 8).DecodesInPlace(32));
  EXPECT_FALSE(RecordDecoder(Layout({1, 2, 3, 4, 5, 6, 7, 0}), 28, 7).DecodesInPlace(28));
  const size_t counts[] = {0, 1, 7, 8, 9, 15, 16, 17, 255, 256, 257, 1000};
  for (VectorPath path : UsableVectorPaths()) {
    std::mt19937 rng(20240611);
    for (int length = 4; length <= kMaxRecordLength; ++length) {
      for (size_t round = 0; round < std::size(counts); ++round) {
        FieldLayout layout;
        for (auto& p : layout.positions) p = static_cast<int16_t>(rng() % 22);  // 0: absent
        int fieldCount = static_cast<int>(rng() % 21);
        if (round == 0) layout = Layout({1, 2, 3, 4, 5, 6, 7, 8});
        if (round % 2 == 1) {
          layout = kQuoteShaped;
          fieldCount = 7;
        }
        SCOPED_TRACE("path " + std::to_string(static_cast<int>(path)) + " length " +
                     std::to_string(length) + " count " + std::to_string(counts[round]));
        ExpectSameAsDecode(RecordDecoder(layout, length, fieldCount),
                           RandomBlock(rng, counts[round], length), length, path);
      }
    }
  }
}

// Every whole value a date field can take below 2^24 (and past it), through the
// quote-shaped path and through the general one (4-byte records: the date alone).
TEST(DecodeMany, EveryWholeDateValueGivesDayFromDateField) {
  const RecordDecoder shaped(kQuoteShaped, 28, 7);
  const RecordDecoder general(Layout({1, 0, 0, 0, 0, 0, 0, 0}), 4, 1);
  constexpr int32_t kBatch = 1 << 16;
  std::vector<uint8_t> records(static_cast<size_t>(kBatch) * 28);
  std::vector<uint8_t> words(static_cast<size_t>(kBatch) * 4);
  std::vector<Quote> a(kBatch), b(kBatch);
  for (VectorPath path : UsableVectorPaths()) {
    for (int32_t first = 0; first < (1 << 24) + 4 * kBatch; first += kBatch) {
      std::fill(records.begin(), records.end(), 0);
      for (int32_t k = 0; k < kBatch; ++k) {
        const uint32_t w = FloatToMbfWord(static_cast<float>(first + k));
        StoreWord(w, &records[static_cast<size_t>(k) * 28]);
        StoreWord(w, &words[static_cast<size_t>(k) * 4]);
      }
      shaped.DecodeMany(records.data(), kBatch, 28, a.data(), path);
      general.DecodeMany(words.data(), kBatch, 4, b.data(), path);
      for (int32_t k = 0; k < kBatch; ++k) {
        const QuoteDay want = DayFromDateField(static_cast<float>(first + k));
        ASSERT_EQ(a[static_cast<size_t>(k)].date, want) << first + k;
        ASSERT_EQ(b[static_cast<size_t>(k)].date, want) << first + k;
        ASSERT_EQ(a[static_cast<size_t>(k)].time, 0);
      }
    }
  }
}

}  // namespace
}  // namespace quillet
