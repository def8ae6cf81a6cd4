#include "core/splitsearch/symbol_order.h"

#include <algorithm>

#include "core/fs/files.h"
#include "core/lib/master.h"
#include "core/lib/mbf.h"
#include "core/lib/strings.h"

namespace quillet {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ListOrderLess(const std::string& a, const std::string& b) {
  const auto lower = [](char x, char y) { return LowerAscii(x) < LowerAscii(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) return false;
  return a < b;
}

}  // namespace

std::string ListedSymbol(const uint8_t* record) {
  std::string symbol;
  for (int i = 0; i < kMasterTextSize; ++i) {
    const auto c = static_cast<int8_t>(record[kMasterSymbol + i]);
    if (c <= 32) break;
    symbol += static_cast<char>(c);
  }
  return symbol;
}

LibResult ReadSymbolListOrder(std::string_view directory, std::vector<std::string>& symbols) {
  symbols.clear();
  const fs::path master = fs::FindNoCase(fs::WithSeparator(directory), kMasterFileName);
  std::vector<uint8_t> bytes;
  if (master.empty() || !fs::ReadWholeFile(master, bytes)) return LIB_FILE_OPEN;
  if (bytes.size() < static_cast<size_t>(kMasterRecordSize)) return LIB_FILE_READ;
  const int count = std::min<int>(LoadInt16(bytes.data() + kMasterHeaderCount), kMostListedSymbols);
  for (int i = 1; i <= count; ++i) {
    const size_t offset = static_cast<size_t>(i) * kMasterRecordSize;
    if (offset + kMasterRecordSize > bytes.size()) {
      symbols.clear();
      return LIB_FILE_READ;
    }
    symbols.push_back(ListedSymbol(bytes.data() + offset));
  }
  std::stable_sort(symbols.begin(), symbols.end(), ListOrderLess);
  return LIB_OK;
}

}  // namespace quillet
