#include "core/portfolio/master_file.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/base/mbf.h"
#include "core/fs/files.h"
#include "core/messages/portfolio.h"

namespace quillet {

std::string SymbolText(const uint8_t* record) {
  const uint8_t* area = record + kMasterSymbol;
  size_t length = 0;
  while (length<kMasterTextSize&& static_cast<int8_t>(area[length])> 32) ++length;
  return std::string(reinterpret_cast<const char*>(area), length);
}

bool SetMasterPath(std::string_view masterPath, CurrentPortfolio& current, std::string& message) {
  if (masterPath.size() >= kMaxMasterPath) {
    message = messages::kFilePathNameTooLong;
    return false;
  }
  constexpr std::string_view kEnding = kMasterFileName;
  if (masterPath.size() < kEnding.size() ||
      masterPath.substr(masterPath.size() - kEnding.size()) != kEnding) {
    return false;
  }
  current.masterPath = std::string(masterPath);
  const size_t cut = masterPath.rfind('/');
  if (cut == std::string_view::npos) {
    current.portfolioPath.clear();  // the current directory
  } else {
    current.portfolioPath = std::string(masterPath.substr(0, cut == 0 ? 1 : cut));
  }
  current.libDir = fs::WithSeparator(current.portfolioPath);
  return true;
}

std::string MasterPathOf(std::string_view directory) {
  return fs::WithSeparator(directory) + kMasterFileName;
}

std::filesystem::path MasterFileOf(std::string_view masterPath) {
  const std::filesystem::path given{std::string(masterPath)};
  const std::filesystem::path found =
      fs::FindNoCase(given.parent_path(), given.filename().string());
  return found.empty() ? given : found;
}

std::string MasterCheck::Describe(std::string_view masterPath) const {
  if (result != LIB_OK) return messages::MasterUnreadable(masterPath);
  switch (damage) {
    case MasterDamage::None:
      return messages::kMasterSound;
    case MasterDamage::Size:
      return messages::MasterSizeDamage(
          count, (static_cast<int64_t>(count) + 1) * kMasterRecordSize, size);
    case MasterDamage::FileNumbers:
      return messages::MasterFileNumberDamage(record, fileNumber);
    case MasterDamage::Symbols:
      return messages::MasterSymbolDamage(record);
  }
  return {};
}

MasterCheck TestMasterFile(std::string_view masterPath) {
  std::vector<uint8_t> file;
  if (!fs::ReadWholeFile(MasterFileOf(masterPath), file)) {
    MasterCheck check;
    check.result = LIB_FILE_OPEN;
    return check;
  }
  return TestMasterBytes(file);
}

MasterCheck TestMasterBytes(const std::vector<uint8_t>& file) {
  MasterCheck check;
  check.size = file.size();
  if (file.size() < static_cast<size_t>(kMasterRecordSize)) {
    check.result = LIB_FILE_READ;
    return check;
  }
  check.count = LoadInt16(file.data() + kMasterHeaderCount);
  // A negative N gives a negative expected size, which no file has.
  const int64_t expected = (static_cast<int64_t>(check.count) + 1) * kMasterRecordSize;
  if (expected != static_cast<int64_t>(file.size())) {
    check.damage = MasterDamage::Size;
    return check;
  }
  const size_t records = file.size() / kMasterRecordSize - 1;
  std::array<bool, 256> seen{};
  for (size_t k = 1; k <= records; ++k) {
    const uint8_t number = file[k * kMasterRecordSize + kMasterFileNumber];
    if (seen[number]) {
      check.damage = MasterDamage::FileNumbers;
      check.record = static_cast<int>(k);
      check.fileNumber = number;
      return check;
    }
    seen[number] = true;
  }
  for (size_t k = 1; k <= records; ++k) {
    if (SymbolText(&file[k * kMasterRecordSize]).empty()) {
      check.damage = MasterDamage::Symbols;
      check.record = static_cast<int>(k);
      check.fileNumber = file[k * kMasterRecordSize + kMasterFileNumber];
      return check;
    }
  }
  return check;
}

bool SymbolListLess(std::string_view a, std::string_view b) {
  const auto up = [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  };
  const auto lower = [&](char x, char y) { return up(x) < up(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) return false;
  return a < b;
}

SymbolList ReadSymbolList(std::string_view masterPath) {
  SymbolList list;
  fs::InputFile in;
  std::array<uint8_t, kMasterRecordSize> header{};
  if (!in.Open(MasterFileOf(masterPath)) || !in.ReadExact(0, header.data(), header.size())) {
    list.result = LIB_FILE_OPEN;
    return list;
  }
  list.count = LoadInt16(header.data() + kMasterHeaderCount);
  int shown = std::max<int>(list.count, 0);
  if (shown > kMaxSymbols) {
    list.notice = messages::TooManySymbols(list.count, kMaxSymbols);
    shown = kMaxSymbols;
  }
  std::vector<uint8_t> bytes;
  if (!in.ReadAt(kMasterRecordSize, static_cast<size_t>(shown) * kMasterRecordSize, bytes)) {
    list.result = LIB_FILE_READ;
    return list;
  }
  const size_t present = bytes.size() / kMasterRecordSize;
  for (size_t i = 0; i < present && i < static_cast<size_t>(shown); ++i) {
    MasterRecord record;
    std::memcpy(record.bytes.data(), &bytes[i * kMasterRecordSize], kMasterRecordSize);
    list.rows.push_back({SymbolText(record), record.Name(), record.FileNumber(),
                         static_cast<int>(i) + 1, record.IsDirectory()});
  }
  if (list.rows.size() != static_cast<size_t>(shown)) {
    list.rows.clear();
    list.result = LIB_FILE_READ;
    return list;
  }
  // The list keeps its rows in ascending order of the symbol text.
  std::stable_sort(list.rows.begin(), list.rows.end(), [](const SymbolRow& a, const SymbolRow& b) {
    return SymbolListLess(a.symbol, b.symbol);
  });
  return list;
}

}  // namespace quillet
