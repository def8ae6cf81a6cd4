#include <gtest/gtest.h>

#include <limits>

#include "core/lib/field_layout.h"
#include "support/portfolio_builder.h"

namespace quillet {
namespace {

using testing::PortfolioBuilder;
using testing::TempDir;

using Positions = std::array<int16_t, kQuoteFieldCount>;

TEST(FieldLayout, DopLines) {
  const FieldLayout a = ParseFieldLayout(
      "\"DATE\",0,0\r\n\"HIGH\",3,3\r\n\"LOW\",3,3\r\n\"CLOSE\",3,3\r\n\"VOLUME\",0,100\r\n");
  EXPECT_EQ(a.positions, (Positions{1, 0, 0, 2, 3, 4, 5, 0}));
  EXPECT_EQ(a.displayFormats[FIELD_VOL], 100);
  EXPECT_EQ(a.inputFormats[FIELD_HIGH], 3);

  // Lower case, comments, an unknown line that leaves no gap, OPEN INTEREST read as
  // OPEN, a repeated name (the later wins), negative codes.
  const FieldLayout b = ParseFieldLayout(
      "; comment\n\"date\",0,0\n\"SPLIT\",1,1\n\"open interest\",-3,-3\n\"close\",2,2\n"
      "\"CLOSE\",4,5\n");
  EXPECT_EQ(b.positions, (Positions{1, 0, 2, 0, 0, 4, 0, 0}));
  EXPECT_EQ(b.inputFormats[FIELD_OPEN], -3);
  EXPECT_EQ(b.displayFormats[FIELD_CLOSE], 5);

  EXPECT_EQ(ParseFieldLayout("").positions, Positions{});
  EXPECT_EQ(ParseFieldLayout("\"DATE\"\n").positions, (Positions{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FieldLayout, LongLinesAndManyLinesStayBounded) {
  // A line of more than 299 characters continues as a line of its own.
  std::string text = "\"DATE\",0,0" + std::string(289, ' ') + "\"CLOSE\",2,2\n";
  EXPECT_EQ(ParseFieldLayout(text).positions, (Positions{1, 0, 0, 0, 0, 2, 0, 0}));
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "\"DATE\",0,0\n";
  const FieldLayout l = ParseFieldLayout(many);
  EXPECT_EQ(l.positions[FIELD_DATE], std::numeric_limits<int16_t>::max());
}

TEST(FieldLayout, InferredFromRecordLength) {
  TempDir tmp;
  struct Case {
    int length;
    LibResult result;
    Positions positions;
  };
  const Case cases[] = {
      {12, LIB_OK, {1, 0, 0, 0, 0, 2, 3, 0}},
      {16, LIB_OK, {1, 0, 0, 2, 3, 4, 0, 0}},
      {18, LIB_OK, {1, 0, 0, 0, 0, 2, 0, 0}},
      {24, LIB_OK, {1, 0, 2, 3, 4, 5, 6, 0}},
      {28, LIB_OK, {1, 0, 2, 3, 4, 5, 6, 7}},
      {32, LIB_UNKNOWN_LAYOUT, {}},
      {13, LIB_UNKNOWN_LAYOUT, {}},
      {0, LIB_UNKNOWN_LAYOUT, {}},
      {-100, LIB_UNKNOWN_LAYOUT, {}},
      {20, LIB_UNKNOWN_LAYOUT, {}},  // 20 bytes and no DAT file to decide from
  };
  for (const Case& c : cases) {
    FieldLayout layout;
    EXPECT_EQ(ReadFieldLayout(tmp.str(), 1, c.length, layout), c.result) << c.length;
    EXPECT_EQ(layout.positions, c.positions) << c.length;
  }
}

TEST(FieldLayout, TwentyByteRecordsDecideOnTheFirstQuote) {
  TempDir tmp;
  PortfolioBuilder b(tmp.root());
  const Positions open{1, 0, 2, 3, 4, 5, 0, 0};
  const Positions vol{1, 0, 0, 2, 3, 4, 5, 0};
  struct Case {
    float f2, f5;
    Positions expected;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {10.5f, 10.75f, open}, {10.5f, 25000.0f, vol}, {10.5f, 0.0f, vol}, {10.0f, 20.0f, open},
      {10.0f, 20.5f, vol},   {nan, 1.0f, vol},       {1.0f, nan, vol},
  };
  for (const Case& c : cases) {
    b.WriteDat(1, 20, {{1000103.0f, c.f2, 1.0f, 1.0f, c.f5}});
    FieldLayout layout;
    ASSERT_EQ(ReadFieldLayout(tmp.str(), 1, 20, layout), LIB_OK);
    EXPECT_EQ(layout.positions, c.expected) << c.f2 << " " << c.f5;
  }
  // No quotes: the header record decides (bytes 2-3 hold the count, field 5 is 0).
  b.WriteDat(1, 20, {});
  FieldLayout layout;
  ASSERT_EQ(ReadFieldLayout(tmp.str(), 1, 20, layout), LIB_OK);
  EXPECT_EQ(layout.positions, vol);
}

TEST(FieldLayout, DopFileWinsAndIsFoundWhateverItsCase) {
  TempDir tmp;
  testing::WriteBytes(tmp / "f7.dop",
                      {'"', 'C', 'L', 'O', 'S', 'E', '"', ',', '2', ',', '2', '\n'});
  FieldLayout layout;
  ASSERT_EQ(ReadFieldLayout(tmp.str(), 7, 99, layout), LIB_OK);
  EXPECT_EQ(layout.positions, (Positions{0, 0, 0, 0, 0, 1, 0, 0}));
  testing::WriteBytes(tmp / "f7.dop", {});
  ASSERT_EQ(ReadFieldLayout(tmp.str(), 7, 28, layout), LIB_OK);
  EXPECT_EQ(layout.positions, Positions{});  // an empty DOP names no field
}

}  // namespace
}  // namespace quillet
