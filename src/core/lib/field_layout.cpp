#include "core/lib/field_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "core/base/mbf.h"
#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/folder_listing.h"

namespace quillet {
namespace {

// Decimal value as atoi reads it: leading blanks, an optional sign, digits;
// saturated to 16 bits instead of overflowing.
int16_t ReadFormat(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && (token[i] == ' ' || token[i] == '\t')) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
  long value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    value = std::min<long>(value * 10 + (token[i] - '0'), 1L << 20);
  }
  if (negative) value = -value;
  return static_cast<int16_t>(std::clamp<long>(value, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max()));
}

void ApplyDopLine(std::string_view line, int& next, FieldLayout& layout) {
  if (line.empty() || line[0] != '"') return;
  std::array<std::string_view, 3> tokens{};
  size_t start = 0;
  for (size_t t = 0; t < tokens.size() && start <= line.size(); ++t) {
    const size_t comma = line.find(',', start);
    tokens[t] = line.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  std::string_view name = tokens[0].substr(1);
  name = name.substr(0, name.find('\0'));
  for (int f = 0; f < kQuoteFieldCount; ++f) {
    const std::string_view field = kQuoteFieldNames[static_cast<size_t>(f)];
    if (name.size() >= field.size() && EqualsNoCase(name.substr(0, field.size()), field)) {
      layout.positions[static_cast<size_t>(f)] = static_cast<int16_t>(next);
      layout.inputFormats[static_cast<size_t>(f)] = ReadFormat(tokens[1]);
      layout.displayFormats[static_cast<size_t>(f)] = ReadFormat(tokens[2]);
      // A file of many lines cannot push positions past the 16-bit range.
      next = std::min(next + 1, static_cast<int>(std::numeric_limits<int16_t>::max()));
      return;
    }
  }
}

void SetPositions(FieldLayout& layout, std::initializer_list<QuoteField> fields) {
  int16_t position = 1;
  for (QuoteField f : fields) layout.positions[static_cast<size_t>(f)] = position++;
}

}  // namespace

FieldLayout ParseFieldLayout(std::string_view text) {
  FieldLayout layout;
  int next = 1;
  // Lines as fgets reads them into a 300-character buffer: a line longer than
  // 299 characters continues as another line.
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const size_t lineEnd = newline == std::string_view::npos ? text.size() : newline + 1;
    const size_t take = std::min(lineEnd, kDopLineLimit);
    ApplyDopLine(text.substr(0, take), next, layout);
    text.remove_prefix(take);
  }
  return layout;
}

uint8_t FieldMaskOf(const FieldLayout& layout, int recordLength) {
  uint8_t mask = 0;
  int next = 1;
  for (size_t f = 0; f < kFieldMaskBits.size(); ++f) {
    if (layout.positions[f] == 0) continue;
    if (layout.positions[f] != next++) return 0;
    mask = static_cast<uint8_t>(mask | kFieldMaskBits[f]);
  }
  return 4 * (next - 1) == recordLength ? mask : 0;
}

namespace {

// The layout the series' DOP file names, when one opens; else an empty layout.
bool DopLayoutOf(const fs::FolderListing& folder, int fileNumber, FieldLayout& layout) {
  layout = FieldLayout{};
  const fs::path dop = folder.Find(fs::QuoteFileName(fileNumber, "DOP"));
  std::vector<uint8_t> bytes;
  if (dop.empty() || !fs::ReadWholeFile(dop, bytes)) return false;
  layout =
      ParseFieldLayout(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

}  // namespace

LibResult ReadFieldLayout(const fs::FolderListing& folder, int fileNumber, int recordLength,
                          FieldLayout& layout) {
  if (DopLayoutOf(folder, fileNumber, layout)) return LIB_OK;
  switch (static_cast<int8_t>(recordLength)) {
    case 12:
      SetPositions(layout, {FIELD_DATE, FIELD_CLOSE, FIELD_VOL});
      return LIB_OK;
    case 16:
      SetPositions(layout, {FIELD_DATE, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE});
      return LIB_OK;
    case 18:
      SetPositions(layout, {FIELD_DATE, FIELD_CLOSE});
      return LIB_OK;
    case 24:
      SetPositions(layout, {FIELD_DATE, FIELD_OPEN, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE, FIELD_VOL});
      return LIB_OK;
    case 28:
      SetPositions(layout, {FIELD_DATE, FIELD_OPEN, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE, FIELD_VOL,
                            FIELD_OI});
      return LIB_OK;
    case 20:
      break;
    default:
      return LIB_UNKNOWN_LAYOUT;
  }
  // 20 bytes: a price or a volume in field 5 of the first quote decides. Both
  // reads go into one buffer unchecked, so a file without quotes decides on its header.
  const fs::path dat = folder.Find(fs::QuoteFileName(fileNumber, "DAT"));
  std::vector<uint8_t> head;
  if (dat.empty() || !fs::ReadFileRange(dat, 0, 40, head)) return LIB_UNKNOWN_LAYOUT;
  std::array<uint8_t, 20> record{};
  std::copy_n(head.begin(), std::min<size_t>(head.size(), 20), record.begin());
  if (head.size() > 20) std::copy(head.begin() + 20, head.end(), record.begin());
  const float f2 = MbfToIeee(&record[4]);
  const float f5 = MbfToIeee(&record[16]);
  // Written so that a value that is not a number takes the volume branch.
  if (!(f5 != 0.0f && 2.0f * f2 >= f5)) {
    SetPositions(layout, {FIELD_DATE, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE, FIELD_VOL});
  } else {
    SetPositions(layout, {FIELD_DATE, FIELD_OPEN, FIELD_HIGH, FIELD_LOW, FIELD_CLOSE});
  }
  return LIB_OK;
}

LibResult ReadSecurityLayout(const fs::FolderListing& folder, int fileNumber, int recordLength,
                             uint8_t fieldMask, char periodicity, FieldLayout& layout) {
  const bool intraday = periodicity == 'I' && (recordLength == 28 || recordLength == 32);
  if (fieldMask == 0 && !intraday) return ReadFieldLayout(folder, fileNumber, recordLength, layout);
  if (DopLayoutOf(folder, fileNumber, layout)) return LIB_OK;
  if (fieldMask == 0) fieldMask = recordLength == 28 ? 0xBF : 0xFF;  // no OI in 28 bytes
  int16_t position = 1;
  for (size_t f = 0; f < kFieldMaskBits.size(); ++f) {
    if ((fieldMask & kFieldMaskBits[f]) != 0) layout.positions[f] = position++;
  }
  return LIB_OK;
}

LibResult ReadSecurityLayout(std::string_view directory, int fileNumber, int recordLength,
                             uint8_t fieldMask, char periodicity, FieldLayout& layout) {
  return ReadSecurityLayout(fs::FolderListing(std::string(directory)), fileNumber, recordLength,
                            fieldMask, periodicity, layout);
}

LibResult ReadFieldLayout(std::string_view directory, int fileNumber, int recordLength,
                          FieldLayout& layout) {
  return ReadFieldLayout(fs::FolderListing(std::string(directory)), fileNumber, recordLength,
                         layout);
}

}  // namespace quillet
