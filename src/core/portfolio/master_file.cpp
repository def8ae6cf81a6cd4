#include "core/portfolio/master_file.h"

#include <algorithm>
#include <array>

#include "core/fs/files.h"
#include "core/lib/index_files.h"
#include "core/messages/portfolio.h"

namespace quillet {

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
  // Empty for a bare "MASTER": the current directory.
  current.portfolioPath = std::filesystem::path(current.masterPath).parent_path().string();
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
  MasterFile master;
  const std::filesystem::path file = MasterFileOf(masterPath);
  if (LibResult r = master.Read(file); r != LIB_OK) {
    MasterCheck check;
    check.result = r;
    // No MASTER at all: an EMASTER that reads stands in for it. Its securities
    // are never tested as MASTER records, so nothing offers to rewrite it.
    PortfolioIndex index;
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
    if (fs::FindNoCase(dir, kMasterFileName).empty() && ReadPortfolioIndex(dir, index) == LIB_OK &&
        index.fromEmaster) {
      check.result = LIB_OK;
      check.count = index.master.Count();
      check.fromEmaster = true;
    }
    return check;
  }
  return TestMaster(master);
}

MasterCheck TestMaster(const MasterFile& master) {
  MasterCheck check;
  check.size = master.Size();
  check.count = master.Count();
  // A negative N gives a negative expected size, which no file has.
  const int64_t expected = (static_cast<int64_t>(check.count) + 1) * kMasterRecordSize;
  if (expected != static_cast<int64_t>(check.size)) {
    check.damage = MasterDamage::Size;
    return check;
  }
  const std::vector<MasterRecord>& records = master.Records();
  const auto fail = [&](MasterDamage damage, size_t i) {
    check.damage = damage;
    check.record = static_cast<int>(i) + 1;
    check.fileNumber = records[i].FileNumber();
    return check;
  };
  std::array<bool, 256> seen{};
  for (size_t i = 0; i < records.size(); ++i) {
    if (seen[records[i].FileNumber()]) return fail(MasterDamage::FileNumbers, i);
    seen[records[i].FileNumber()] = true;
  }
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].Symbol().empty()) return fail(MasterDamage::Symbols, i);
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
  PortfolioIndex index;
  if (ReadPortfolioIndex(MasterFileOf(masterPath).parent_path(), index) != LIB_OK) {
    list.result = LIB_FILE_OPEN;
    return list;
  }
  const MasterFile& master = index.master;
  list.warnings = index.warnings;
  list.fromEmaster = index.fromEmaster;
  list.indexFiles = index.emaster.Present() || index.xmaster.Present();
  list.count = master.Count();
  size_t shown = static_cast<size_t>(std::max<int>(list.count, 0));
  if (shown > static_cast<size_t>(kMaxSymbols)) {
    list.notice = messages::TooManySymbols(list.count, kMaxSymbols);
    shown = kMaxSymbols;
  }
  if (master.Records().size() < shown) {
    list.result = LIB_FILE_READ;
    return list;
  }
  for (size_t i = 0; i < shown; ++i) {
    const MasterRecord& record = master.Records()[i];
    list.rows.push_back({record.Symbol(), record.Name(), record.FileNumber(),
                         static_cast<int>(i) + 1, record.IsDirectory(), record.source});
  }
  for (size_t i = 0; i < index.extended.size(); ++i) {
    const MasterRecord& record = index.extended[i];
    list.rows.push_back({record.Symbol(), record.Name(), record.wideFileNumber,
                         static_cast<int>(i) + 1, false, IndexSource::Xmaster});
  }
  // The list keeps its rows in ascending order of the symbol text.
  std::stable_sort(list.rows.begin(), list.rows.end(), [](const SymbolRow& a, const SymbolRow& b) {
    return SymbolListLess(a.symbol, b.symbol);
  });
  return list;
}

}  // namespace quillet
