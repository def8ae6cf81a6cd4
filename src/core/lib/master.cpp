#include "core/lib/master.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/security_lookup.h"

namespace quillet {

namespace {

// The text at offset as stored, up to a zero byte.
std::string_view StoredText(const MasterRecord& record, int offset) {
  const char* begin = reinterpret_cast<const char*>(record.bytes.data() + offset);
  return std::string_view(begin, strnlen(begin, kMasterTextSize));
}

}  // namespace

std::string MasterRecord::Text(int offset) const {
  return std::string(StoredText(*this, offset));
}

std::string MasterRecord::Symbol() const {
  const uint8_t* area = bytes.data() + kMasterSymbol;
  size_t length = 0;
  while (length<kMasterTextSize&& static_cast<int8_t>(area[length])> 32) ++length;
  return std::string(reinterpret_cast<const char*>(area), length);
}

void MasterRecord::SetText(int offset, std::string_view text) {
  const size_t n = std::min<size_t>(text.size(), kMasterTextSize);
  std::memcpy(bytes.data() + offset, text.data(), n);
  std::memset(bytes.data() + offset + n, ' ', kMasterTextSize - n);
}

bool MasterRecord::IsDirectory() const {
  return std::memcmp(bytes.data() + kMasterName + 11, "<DIR>", 5) == 0 && bytes[kMasterName] != ' ';
}

std::string MasterRecord::DirectoryName() const {
  std::string name(reinterpret_cast<const char*>(bytes.data() + kMasterName), 8);
  name = name.substr(0, name.find('\0'));
  return TrimTrailingBlanks(name);
}

std::pair<std::string_view, std::string_view> MatchedTexts(const MasterRecord& record, int blanks) {
  std::string_view name = StoredText(record, kMasterName);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  const std::string_view symbol = StoredText(record, kMasterSymbol);
  return {name, symbol.substr(0, IndexOfNthChar(symbol, ' ', blanks + 1))};
}

bool MasterRecordMatches(const MasterRecord& record, std::string_view query) {
  // Over the stored bytes, without copies: a lookup asks this of every record
  // before the one it wants.
  const auto [name, symbol] = MatchedTexts(record, CountChar(query, ' '));
  return EqualsNoCase(query, name) || EqualsNoCase(query, symbol);
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

MasterLookup LookupMasterRecord(std::string_view directory, std::string_view query) {
  return SecurityLookup().Find(directory, query);
}

MasterLookup LookupByFileNumber(std::string_view directory, std::string_view query,
                                int fileNumber) {
  return SecurityLookup().FindByFileNumber(directory, query, fileNumber);
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
