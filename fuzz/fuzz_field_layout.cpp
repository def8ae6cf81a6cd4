// ParseFieldLayout and ReadFieldLayout over arbitrary DOP text, and the
// inference from a record length (with an arbitrary first quote for 20 bytes).
// A layout names each record field at most once, counts only recognised
// lines, and the file read gives what the text parse gives.

#include <algorithm>
#include <set>
#include <string_view>

#include "core/lib/field_layout.h"
#include "fuzz_support.h"

using namespace quillet;
using quillet::fuzz::stdfs::path;

namespace {

// Lines as the reader counts them: a line longer than 299 characters counts as several.
size_t CountLines(std::string_view text) {
  size_t lines = 0;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
    const size_t take = std::min(end, kDopLineLimit);
    text.remove_prefix(take);
    ++lines;
  }
  return lines;
}

void CheckPositions(const FieldLayout& layout, size_t maxPosition) {
  std::set<int16_t> seen;
  for (int16_t p : layout.positions) {
    FUZZ_CHECK(p >= 0);
    if (p == 0) continue;
    FUZZ_CHECK(static_cast<size_t>(p) <= maxPosition);
    FUZZ_CHECK(seen.insert(p).second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int8_t recordLength = static_cast<int8_t>(data[0]);
  const bool withDop = (data[1] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  const path dir = quillet::fuzz::FreshDir();

  if (withDop) {
    const FieldLayout parsed = ParseFieldLayout(text);
    CheckPositions(parsed, std::min<size_t>(CountLines(text), 32767));
    quillet::fuzz::WriteFile(dir / "F1.DOP", text);
    FieldLayout read;
    FUZZ_CHECK(ReadFieldLayout(dir.string(), 1, recordLength, read) == LIB_OK);
    FUZZ_CHECK(read == parsed);
    return 0;
  }

  // No DOP: the text is the DAT file, which decides only the 20-byte layouts.
  quillet::fuzz::WriteFile(dir / "F1.DAT", text);
  FieldLayout inferred;
  const LibResult r = ReadFieldLayout(dir.string(), 1, recordLength, inferred);
  const bool known = recordLength == 12 || recordLength == 16 || recordLength == 18 ||
                     recordLength == 20 || recordLength == 24 || recordLength == 28;
  FUZZ_CHECK(r == (known ? LIB_OK : LIB_UNKNOWN_LAYOUT));
  if (r != LIB_OK) {
    FUZZ_CHECK(inferred == FieldLayout{});
    return 0;
  }
  CheckPositions(inferred, static_cast<size_t>(recordLength / 4));
  FUZZ_CHECK(inferred.positions[FIELD_DATE] == 1 && !inferred.Has(FIELD_TIME));
  FUZZ_CHECK(inferred.inputFormats == decltype(inferred.inputFormats){});
  FUZZ_CHECK(inferred.displayFormats == decltype(inferred.displayFormats){});
  return 0;
}
