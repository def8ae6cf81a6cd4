#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/result.h"

namespace quillet {

namespace fs {
class FolderListing;
}

// The eight quote fields, in the order used throughout the library.
enum QuoteField : int {
  FIELD_DATE = 0,
  FIELD_TIME = 1,
  FIELD_OPEN = 2,
  FIELD_HIGH = 3,
  FIELD_LOW = 4,
  FIELD_CLOSE = 5,
  FIELD_VOL = 6,
  FIELD_OI = 7,
};
inline constexpr int kQuoteFieldCount = 8;
inline constexpr std::array<std::string_view, kQuoteFieldCount> kQuoteFieldNames = {
    "DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

// The field bitmask bits of EMASTER and XMASTER for DATE, TIME, OPEN, HIGH, LOW,
// CLOSE, VOL, OI: the fields present lie in that order, 4 bytes each.
inline constexpr std::array<uint8_t, kQuoteFieldCount> kFieldMaskBits = {0x01, 0x80, 0x20, 0x02,
                                                                         0x04, 0x08, 0x10, 0x40};

// 1-based field positions within a DAT record (0: the file has no such field)
// and the input and display format codes of a DOP file (0 when inferred).
struct FieldLayout {
  std::array<int16_t, kQuoteFieldCount> positions{};
  std::array<int16_t, kQuoteFieldCount> inputFormats{};
  std::array<int16_t, kQuoteFieldCount> displayFormats{};

  bool Has(int field) const { return positions[static_cast<size_t>(field)] != 0; }
  bool operator==(const FieldLayout&) const = default;
};

// The layout of file number fileNumber in directory: from its F<n>.DOP when that
// file opens, otherwise inferred from the record length (for 20-byte records
// from the first quote of F<n>.DAT). LIB_UNKNOWN_LAYOUT when it cannot be inferred.
LibResult ReadFieldLayout(std::string_view directory, int fileNumber, int recordLength,
                          FieldLayout& layout);
// The same with the folder's names listed beforehand (one listing for many series).
LibResult ReadFieldLayout(const fs::FolderListing& folder, int fileNumber, int recordLength,
                          FieldLayout& layout);

// The layout of a security as every reader takes it: its DOP file first, then
// the field bitmask of its EMASTER or XMASTER entry (0: none), then for intraday
// periodicity ('I') records of 28 bytes as DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL
// and of 32 bytes with OI after them, then ReadFieldLayout's inference.
LibResult ReadSecurityLayout(std::string_view directory, int fileNumber, int recordLength,
                             uint8_t fieldMask, char periodicity, FieldLayout& layout);
LibResult ReadSecurityLayout(const fs::FolderListing& folder, int fileNumber, int recordLength,
                             uint8_t fieldMask, char periodicity, FieldLayout& layout);

// The field bitmask that describes layout in records of recordLength bytes; 0
// when the fields do not lie in the bitmask's order, 4 bytes each, filling the record.
uint8_t FieldMaskOf(const FieldLayout& layout, int recordLength);

// The DOP text's layout (what ReadFieldLayout does with a DOP file that opens).
FieldLayout ParseFieldLayout(std::string_view dopText);

// Lines of a DOP file are read up to this many characters; a longer line is
// read as more than one line.
inline constexpr size_t kDopLineLimit = 299;

}  // namespace quillet
