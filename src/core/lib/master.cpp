#include "core/lib/master.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/index_files.h"

namespace quillet {

std::string MasterRecord::Text(int offset) const {
  const char* begin = reinterpret_cast<const char*>(bytes.data() + offset);
  const size_t length = strnlen(begin, kMasterTextSize);
  return std::string(begin, length);
}

std::string MasterRecord::Symbol() const {
  const uint8_t* area = bytes.data() + kMasterSymbol;
  size_t length = 0;
  while (length<kMasterTextSize&& static_cast<int8_t>(area[length])> 32) ++length;
  return std::string(reinterpret_cast<const char*>(area), length);
}

void MasterRecord::SetText(int offset, std::string_view text) {
  for (int i = 0; i < kMasterTextSize; ++i) {
    bytes[static_cast<size_t>(offset + i)] = static_cast<uint8_t>(
        static_cast<size_t>(i) < text.size() ? text[static_cast<size_t>(i)] : ' ');
  }
}

bool MasterRecord::IsDirectory() const {
  return std::memcmp(bytes.data() + kMasterName + 11, "<DIR>", 5) == 0 && bytes[kMasterName] != ' ';
}

std::string MasterRecord::DirectoryName() const {
  std::string name(reinterpret_cast<const char*>(bytes.data() + kMasterName), 8);
  name = name.substr(0, name.find('\0'));
  return TrimTrailingBlanks(name);
}

bool MasterRecordMatches(const MasterRecord& record, std::string_view query) {
  std::string name = record.Name();
  if (EqualsNoCase(query, TrimTrailingBlanks(name))) return true;
  const std::string symbol = record.SymbolField();
  const size_t end = IndexOfNthChar(symbol, ' ', CountChar(query, ' ') + 1);
  return EqualsNoCase(query, std::string_view(symbol).substr(0, end));
}

LibResult MasterFile::Read(const std::filesystem::path& file, fs::FileSteps& steps) {
  std::vector<uint8_t> bytes;
  if (file.empty() || !fs::ReadWholeFile(file, bytes, steps)) {
    *this = MasterFile{};
    return LIB_FILE_OPEN;
  }
  return Assign(bytes, file);
}

LibResult MasterFile::Assign(std::span<const uint8_t> bytes, const std::filesystem::path& file) {
  *this = MasterFile{};
  if (bytes.size() < static_cast<size_t>(kMasterRecordSize)) return LIB_FILE_READ;
  path_ = file;
  std::memcpy(header_.data(), bytes.data(), kMasterRecordSize);
  const size_t whole = bytes.size() / kMasterRecordSize - 1;
  records_.resize(whole);
  for (size_t k = 0; k < whole; ++k) {
    std::memcpy(records_[k].bytes.data(), &bytes[(k + 1) * kMasterRecordSize], kMasterRecordSize);
  }
  tail_.assign(bytes.begin() + static_cast<std::ptrdiff_t>((whole + 1) * kMasterRecordSize),
               bytes.end());
  return LIB_OK;
}

LibResult MasterFile::ReadIn(const std::filesystem::path& directory) {
  return Read(fs::FindNoCase(directory, kMasterFileName));
}

void MasterFile::AddToCounts(int delta) {
  for (int offset : {kMasterHeaderCount, kMasterHeaderCount2}) {
    uint8_t* at = header_.data() + offset;
    StoreInt16(static_cast<int16_t>(LoadInt16(at) + delta), at);
  }
}

uint64_t MasterFile::Size() const {
  return (records_.size() + 1) * kMasterRecordSize + tail_.size();
}

const MasterRecord* MasterFile::FindSymbol(std::string_view symbol) const {
  for (const MasterRecord& r : records_) {
    if (!r.IsDirectory() && r.Symbol() == symbol) return &r;
  }
  return nullptr;
}

const MasterRecord* MasterFile::FindSecurity(std::string_view query) const {
  for (const MasterRecord& r : records_) {
    if (!r.IsDirectory() && MasterRecordMatches(r, query)) return &r;
  }
  return nullptr;
}

const MasterRecord* MasterFile::FindDirectory(std::string_view name) const {
  for (const MasterRecord& r : records_) {
    if (r.IsDirectory() && EqualsNoCase(r.DirectoryName(), name)) return &r;
  }
  return nullptr;
}

uint8_t MasterFile::LowestFreeFileNumber() const {
  std::array<bool, 256> used{};
  used[0] = true;
  for (const MasterRecord& r : records_) used[r.FileNumber()] = true;
  const auto free = std::find(used.begin(), used.end(), false);
  return free == used.end() ? 0 : static_cast<uint8_t>(free - used.begin());
}

int MasterFile::ChangeSecurities(uint8_t fileNumber,
                                 const std::function<void(MasterRecord&)>& change) {
  int changed = 0;
  for (MasterRecord& r : records_) {
    if (r.FileNumber() != fileNumber || r.IsDirectory()) continue;
    change(r);
    ++changed;
  }
  return changed;
}

int MasterFile::SetDate(uint8_t fileNumber, MasterDate which, const MbfFloat& dateField) {
  const int offset = which == MasterDate::Last ? kMasterLastDate : kMasterFirstDate;
  return ChangeSecurities(fileNumber, [&](MasterRecord& r) {
    std::memcpy(r.bytes.data() + offset, dateField.data(), dateField.size());
  });
}

int MasterFile::Rename(uint8_t fileNumber, std::string_view name, std::string_view symbol) {
  return ChangeSecurities(fileNumber, [&](MasterRecord& r) {
    r.SetText(kMasterName, name);
    r.SetText(kMasterSymbol, symbol);
  });
}

int MasterFile::RemoveIf(const std::function<bool(const MasterRecord&)>& remove) {
  // In file order, each record once: callers keep state across records.
  size_t kept = 0;
  for (size_t i = 0; i < records_.size(); ++i) {
    if (!remove(records_[i])) records_[kept++] = records_[i];
  }
  const int removed = static_cast<int>(records_.size() - kept);
  records_.resize(kept);
  return removed;
}

std::vector<uint8_t> MasterFile::Bytes() const {
  std::vector<uint8_t> bytes(header_.begin(), header_.end());
  bytes.reserve(Size());
  for (const MasterRecord& r : records_) bytes.insert(bytes.end(), r.bytes.begin(), r.bytes.end());
  bytes.insert(bytes.end(), tail_.begin(), tail_.end());
  return bytes;
}

LibResult MasterFile::Write(const std::filesystem::path& working, fs::FileSteps& steps) const {
  return fs::ReplaceFile(path_, working, Bytes(), steps);
}

namespace {

struct Level {
  std::string path;  // the directory of this level, ending in a separator
  int resume = 0;    // 0 not yet visited; N + 1 exhausted; else next record to examine
};

// A sub-directory name that stays inside its parent: no separators, no "." or "..".
bool SafeDirectoryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

}  // namespace

namespace {

MasterLookup Lookup(std::string_view directory,
                    const std::function<bool(const MasterRecord&)>& matches) {
  MasterLookup lookup;
  std::vector<Level> stack;
  stack.push_back({fs::WithSeparator(directory), 0});
  // Folders already searched, so that a tree whose entries lead back to one
  // (links, odd names) is searched once and always ends.
  std::set<std::pair<uint64_t, uint64_t>> searched;
  searched.insert(fs::FolderIdentity(stack.back().path));
  PortfolioIndex index;
  const MasterFile& master = index.master;

  while (true) {
    Level& level = stack.back();
    int count = 0;
    if (ReadPortfolioIndex(level.path, index) != LIB_OK) {
      level.resume = 1;
      if (stack.size() == 1) lookup.masterUnreadable = true;
    } else {
      count = master.Count();
      const std::vector<MasterRecord>& records = master.Records();
      const auto present = [&](int k) { return static_cast<size_t>(k) <= records.size(); };
      if (level.resume == 0) {
        for (int k = 1; k <= count; ++k) {
          if (!present(k)) {
            level.resume = 1;
            count = 0;
            break;
          }
          const MasterRecord& candidate = records[static_cast<size_t>(k - 1)];
          if (candidate.IsDirectory()) {
            if (level.resume == 0) level.resume = k;
          } else if (matches(candidate)) {
            lookup.code = LIB_OK;
            lookup.record = candidate;
            lookup.directory = level.path;
            return lookup;
          }
        }
        if (level.resume == 0) level.resume = count + 1;
        // XMASTER's securities after MASTER's, before any sub-directory.
        for (const MasterRecord& candidate : index.extended) {
          if (!matches(candidate)) continue;
          lookup.code = LIB_OK;
          lookup.record = candidate;
          lookup.directory = level.path;
          return lookup;
        }
      }
      // Step into the next sub-directory entry of this level, if any.
      std::string subPath;
      while (level.resume <= count && subPath.empty()) {
        const int k = level.resume;
        if (!present(k)) {
          lookup.code = LIB_FILE_READ;
          return lookup;
        }
        const MasterRecord& entry = records[static_cast<size_t>(k - 1)];
        ++level.resume;
        if (!entry.IsDirectory()) continue;
        const std::string name = entry.DirectoryName();
        if (!SafeDirectoryName(name) || stack.size() >= static_cast<size_t>(kMasterMaxLevels))
          continue;
        const fs::path sub = fs::FindNoCase(level.path, name);
        if (sub.empty()) continue;
        std::string candidate = fs::WithSeparator(sub.string());
        if (candidate.size() > kMasterMaxPath) continue;
        if (!searched.insert(fs::FolderIdentity(candidate)).second) continue;
        subPath = std::move(candidate);
      }
      if (!subPath.empty()) {
        stack.push_back({std::move(subPath), 0});
        continue;
      }
    }
    // Nothing left at this level.
    if (stack.size() == 1) return lookup;
    stack.pop_back();
  }
}

}  // namespace

MasterLookup LookupMasterRecord(std::string_view directory, std::string_view query) {
  MasterLookup lookup =
      Lookup(directory, [&](const MasterRecord& r) { return MasterRecordMatches(r, query); });
  if (lookup.code != LIB_FILE_NOT_FOUND || lookup.masterUnreadable || query.empty()) return lookup;
  // A symbol area cut by a control or non-ASCII byte is listed by the text before
  // that byte: the lookup finds it by that text too, when nothing else answers.
  return Lookup(directory, [&](const MasterRecord& r) { return EqualsNoCase(r.Symbol(), query); });
}

MasterLookup LookupByFileNumber(std::string_view directory, std::string_view query,
                                int fileNumber) {
  MasterLookup lookup;
  PortfolioIndex index;
  if (ReadPortfolioIndex(std::string(directory), index) != LIB_OK) {
    lookup.masterUnreadable = true;
    return lookup;
  }
  std::vector<MasterRecord> records = index.master.Records();
  records.insert(records.end(), index.extended.begin(), index.extended.end());
  for (const MasterRecord& r : records) {
    if (r.IsDirectory() || r.QuoteFileNumber() != fileNumber) continue;
    if (!MasterRecordMatches(r, query) && !EqualsNoCase(r.Symbol(), query)) continue;
    lookup.code = LIB_OK;
    lookup.record = r;
    lookup.directory = fs::WithSeparator(directory);
    break;
  }
  return lookup;
}

LibResult FindMasterRecord(std::string_view directory, std::string_view query, MasterRecord& record,
                           std::string& foundDirectory) {
  MasterLookup lookup = LookupMasterRecord(directory, query);
  if (lookup.ok()) {
    record = lookup.record;
    foundDirectory = std::move(lookup.directory);
  }
  return lookup.code;
}

}  // namespace quillet
