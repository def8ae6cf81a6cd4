#include "core/lib/index_files.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/base/mbf.h"
#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/folder_listing.h"
#include "core/fs/safe_replace.h"
#include "core/lib/field_layout.h"
#include "core/messages/read.h"

namespace quillet {
namespace {

uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void StoreU16(unsigned v, uint8_t* p) {
  p[0] = static_cast<uint8_t>(v & 0xFF);
  p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
         (static_cast<uint32_t>(p[3]) << 24);
}
void StoreU32(uint32_t v, uint8_t* p) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>((v >> (8 * k)) & 0xFF);
}
float LoadIeee(const uint8_t* p) {
  return std::bit_cast<float>(LoadU32(p));
}
void StoreIeee(float v, uint8_t* p) {
  StoreU32(std::bit_cast<uint32_t>(v), p);
}

// Zero-terminated text of at most size bytes.
std::string TextAt(const uint8_t* p, size_t size) {
  const char* begin = reinterpret_cast<const char*>(p);
  return std::string(begin, strnlen(begin, size));
}
// Text zero-terminated and zero-padded to size bytes (the stale bytes after the
// zero of an old entry go).
void StoreText(std::string_view text, uint8_t* p, size_t size) {
  std::memset(p, 0, size);
  std::memcpy(p, text.data(), std::min(text.size(), size));
}

bool PrintableSymbol(std::string_view symbol) {
  return !symbol.empty() && std::all_of(symbol.begin(), symbol.end(), [](char c) {
    return static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127;
  });
}

// YYYYMMDD to the CYYMMDD MASTER keeps; 0 stays 0.
float CyymmddOf(uint32_t yyyymmdd) {
  return yyyymmdd == 0 ? 0.0f : static_cast<float>(static_cast<int64_t>(yyyymmdd) - 19000000);
}
uint32_t YyyymmddOf(float cyymmdd) {
  return cyymmdd <= 0.0f ? 0u : static_cast<uint32_t>(std::lround(cyymmdd)) + 19000000u;
}

int Bits(uint8_t mask) {
  return std::popcount(static_cast<unsigned>(mask));
}

// The MASTER bytes of a security an index entry describes.
void FillMasterBytes(MasterRecord& r, uint8_t number, uint8_t mask, std::string_view symbol,
                     std::string_view name, char periodicity, float first, float last) {
  r.bytes.fill(0);
  r.bytes[kMasterFileNumber] = number;
  r.bytes[kMasterRecordLength] = static_cast<uint8_t>(4 * Bits(mask));
  r.bytes[kMasterFieldCount] = static_cast<uint8_t>(Bits(mask));
  r.SetText(kMasterName, name.substr(0, kMasterTextSize));
  r.SetText(kMasterSymbol, symbol.substr(0, kMasterTextSize));
  StoreMbf(first, &r.bytes[kMasterFirstDate]);
  StoreMbf(last, &r.bytes[kMasterLastDate]);
  r.bytes[kMasterPeriodicity] = static_cast<uint8_t>(periodicity);
  r.fieldMask = mask;
}

std::string MasterSymbolText(const MasterRecord& r) {
  std::string symbol = r.SymbolField();
  return TrimTrailingBlanks(symbol);
}

}  // namespace

const char* IndexSourceText(IndexSource source) {
  switch (source) {
    case IndexSource::Emaster:
      return kEmasterFileName;
    case IndexSource::Xmaster:
      return kXmasterFileName;
    default:
      return kMasterFileName;
  }
}

std::string FieldMaskText(uint8_t mask) {
  std::string text;
  for (size_t f = 0; f < kFieldMaskBits.size(); ++f) {
    if ((mask & kFieldMaskBits[f]) == 0) continue;
    if (!text.empty()) text += ' ';
    text += kQuoteFieldNames[f];
  }
  return text;
}

LibResult IndexFile::ReadIn(const std::filesystem::path& directory, IndexKind kind) {
  return Read(fs::FindNoCase(directory, NameOf(kind)), kind);
}

LibResult IndexFile::Read(const std::filesystem::path& file, IndexKind kind) {
  std::vector<uint8_t> bytes;
  *this = IndexFile{};
  kind_ = kind;
  if (file.empty() || !fs::ReadWholeFile(file, bytes)) return LIB_FILE_OPEN;
  return Assign(bytes, kind, file);
}

LibResult IndexFile::Assign(std::span<const uint8_t> bytes, IndexKind kind,
                            const std::filesystem::path& file) {
  *this = IndexFile{};
  kind_ = kind;
  const std::string name = file.empty() ? std::string(NameOf(kind)) : file.filename().string();
  const size_t size = RecordSize();
  const bool xmaster = kind == IndexKind::Xmaster;
  if (bytes.size() < size ||
      (xmaster && !std::equal(kXmasterMagic.begin(), kXmasterMagic.end(), bytes.begin()))) {
    warnings_.push_back(messages::IndexFileIgnored(name));
    return LIB_FILE_READ;
  }
  path_ = file;
  bytes_.assign(bytes.begin(), bytes.end());
  const size_t count = LoadU16(bytes_.data() + (xmaster ? kXmasterCount : 0));
  const size_t whole = bytes_.size() / size - 1;
  if (bytes_.size() % size != 0 || whole < count) {
    warnings_.push_back(messages::IndexFileSize(name, count, bytes_.size()));
  }
  entries_ = std::min(count, whole);
  return LIB_OK;
}

std::string IndexFile::EntrySymbol(size_t i) const {
  const bool x = kind_ == IndexKind::Xmaster;
  return TextAt(Entry(i) + (x ? kXmasterSymbol : kEmasterSymbol), x ? 15 : 21);
}

bool IndexFile::Security(size_t i, MasterRecord& out, std::string* why) const {
  const uint8_t* e = Entry(i);
  const bool x = kind_ == IndexKind::Xmaster;
  const std::string symbol = EntrySymbol(i);
  const uint8_t mask = e[x ? kXmasterFieldMask : kEmasterFieldMask];
  const int number = x ? LoadU16(e + kXmasterFileNumber) : e[kEmasterFileNumber];
  const char* problem = nullptr;
  if ((mask & 0x01) == 0) {
    problem = "its field bitmask holds no date";
  } else if (x ? number < kFirstXmasterNumber : number < 1) {
    problem = "its file number is out of range";
  } else if (!PrintableSymbol(symbol)) {
    problem = "its symbol is not text";
  }
  if (problem != nullptr) {
    if (why) *why = problem;
    return false;
  }
  out = MasterRecord{};
  if (x) {
    const std::string name = TextAt(e + kXmasterName, kXmasterPeriodicity - kXmasterName);
    FillMasterBytes(out, 0, mask, symbol, name, static_cast<char>(e[kXmasterPeriodicity]),
                    CyymmddOf(LoadU32(e + kXmasterFirstDate)),
                    CyymmddOf(LoadU32(e + kXmasterLastDate)));
    out.source = IndexSource::Xmaster;
    out.wideFileNumber = static_cast<uint16_t>(number);
    out.longName = name;
  } else {
    FillMasterBytes(out, static_cast<uint8_t>(number), mask, symbol,
                    TextAt(e + kEmasterName, kEmasterPeriodicity - kEmasterName),
                    static_cast<char>(e[kEmasterPeriodicity]), LoadIeee(e + kEmasterFirstDate),
                    LoadIeee(e + kEmasterLastDate));
    out.source = IndexSource::Emaster;
    out.longName = TextAt(e + kEmasterLongName, kEmasterRecordSize - kEmasterLongName);
  }
  return true;
}

void IndexFile::SetDates(size_t i, float first, float last) {
  uint8_t* e = Entry(i);
  if (kind_ == IndexKind::Xmaster) {
    StoreU32(YyyymmddOf(first), e + kXmasterFirstDate);
    StoreU32(YyyymmddOf(last), e + kXmasterLastDate);
  } else {
    StoreIeee(first, e + kEmasterFirstDate);
    StoreIeee(last, e + kEmasterLastDate);
  }
}

void IndexFile::SetSymbolAndName(size_t i, std::string_view symbol, std::string_view name) {
  uint8_t* e = Entry(i);
  if (kind_ == IndexKind::Xmaster) {
    StoreText(symbol, e + kXmasterSymbol, kXmasterName - kXmasterSymbol);
    StoreText(name, e + kXmasterName, kXmasterPeriodicity - kXmasterName);
  } else {
    StoreText(symbol, e + kEmasterSymbol, kEmasterName - kEmasterSymbol);
    StoreText(name, e + kEmasterName, kEmasterPeriodicity - kEmasterName);
    StoreText(name, e + kEmasterLongName, kEmasterRecordSize - kEmasterLongName);
  }
}

void IndexFile::SetCount(size_t count) {
  entries_ = count;
  if (kind_ == IndexKind::Xmaster) {
    StoreU16(static_cast<unsigned>(count), bytes_.data() + kXmasterCount);
    StoreU16(static_cast<unsigned>(count), bytes_.data() + kXmasterCount2);
  } else {
    StoreU16(static_cast<unsigned>(count), bytes_.data());
    StoreU16(static_cast<unsigned>(count), bytes_.data() + 2);
  }
}

void IndexFile::Remove(size_t i) {
  const size_t size = RecordSize();
  const auto at = bytes_.begin() + static_cast<std::ptrdiff_t>((i + 1) * size);
  bytes_.erase(at, at + static_cast<std::ptrdiff_t>(size));
  SetCount(entries_ - 1);
}

int IndexFile::NextFreeNumber() const {
  // The header keeps the next number to give; numbers of deleted securities are
  // not given again (their F<n>.MWD may still lie about).
  int next = std::max<int>(kFirstXmasterNumber, LoadU16(bytes_.data() + kXmasterNextNumber));
  for (size_t i = 0; i < entries_; ++i) {
    next = std::max<int>(next, LoadU16(Entry(i) + kXmasterFileNumber) + 1);
  }
  return next;
}

void IndexFile::AppendXmaster(const MasterRecord& record) {
  // Entries past the counted ones (a damaged tail) make way for the new one.
  bytes_.resize((entries_ + 1) * kXmasterRecordSize);
  std::vector<uint8_t> e(kXmasterRecordSize, 0);
  e[0] = 0x01;
  StoreText(MasterSymbolText(record), &e[kXmasterSymbol], kXmasterName - kXmasterSymbol);
  std::string name = record.longName.empty() ? record.Name() : record.longName;
  StoreText(TrimTrailingBlanks(name), &e[kXmasterName], kXmasterPeriodicity - kXmasterName);
  e[kXmasterPeriodicity] = static_cast<uint8_t>(record.Periodicity());
  StoreU16(record.wideFileNumber, &e[kXmasterFileNumber]);
  e[kXmasterFieldMask] = record.fieldMask;
  bytes_.insert(bytes_.end(), e.begin(), e.end());
  SetCount(entries_ + 1);
  SetDates(entries_ - 1, record.FirstDate(), record.LastDate());
  if (LoadU16(bytes_.data() + kXmasterNextNumber) <= record.wideFileNumber) {
    StoreU16(record.wideFileNumber + 1u, bytes_.data() + kXmasterNextNumber);
  }
}

void IndexFile::AppendEmaster(const MasterRecord& record) {
  bytes_.resize((entries_ + 1) * kEmasterRecordSize);
  std::vector<uint8_t> e(kEmasterRecordSize, 0);
  // The bytes before the file number mark an entry in use; they are taken from
  // the first entry, as the tool that made the file wrote them.
  if (entries_ > 0) std::copy_n(Entry(0), kEmasterFileNumber, e.begin());
  e[kEmasterFileNumber] = record.FileNumber();
  e[kEmasterFieldCount] = static_cast<uint8_t>(Bits(record.fieldMask));
  e[kEmasterFieldMask] = record.fieldMask;
  e[kEmasterPeriodicity] = static_cast<uint8_t>(record.Periodicity());
  bytes_.insert(bytes_.end(), e.begin(), e.end());
  SetCount(entries_ + 1);
  std::string name = record.longName.empty() ? record.Name() : record.longName;
  SetSymbolAndName(entries_ - 1, MasterSymbolText(record), TrimTrailingBlanks(name));
  SetDates(entries_ - 1, record.FirstDate(), record.LastDate());
}

LibResult IndexFile::Write(const std::filesystem::path& working, fs::FileSteps& steps) const {
  return fs::ReplaceFile(path_, working, bytes_, steps);
}

LibResult ReadPortfolioIndex(const std::filesystem::path& directory, PortfolioIndex& index) {
  return ReadPortfolioIndex(fs::FolderListing(directory.string()), index);
}

LibResult ReadPortfolioIndex(const fs::FolderListing& folder, PortfolioIndex& index) {
  index = PortfolioIndex{};
  const LibResult masterRead = index.master.Read(folder.Find(kMasterFileName));
  const auto note = [&](const IndexFile& file) {
    index.warnings.insert(index.warnings.end(), file.Warnings().begin(), file.Warnings().end());
  };
  const bool haveEmaster =
      index.emaster.Read(folder.Find(kEmasterFileName), IndexKind::Emaster) == LIB_OK;
  note(index.emaster);
  if (masterRead != LIB_OK && !haveEmaster) return masterRead;
  const auto ignored = [&](const IndexFile& file, size_t i, const std::string& why) {
    index.warnings.push_back(
        messages::IndexEntryIgnored(file.Path().filename().string(), static_cast<int>(i) + 1, why));
  };
  if (masterRead != LIB_OK) {
    // No MASTER: EMASTER's securities stand in, as a MASTER of them would list them.
    index.fromEmaster = true;
    std::vector<uint8_t> header(kMasterRecordSize, 0);
    index.master.Assign(header);
    for (size_t i = 0; i < index.emaster.Entries(); ++i) {
      MasterRecord record;
      std::string why;
      if (!index.emaster.Security(i, record, &why)) {
        ignored(index.emaster, i, why);
        continue;
      }
      index.master.Append(record);
    }
    index.master.AddToCounts(static_cast<int>(index.master.Records().size()));
  } else if (haveEmaster) {
    // Stale or foreign entries are common: only the entry of the same file number
    // and symbol speaks for a MASTER security.
    std::array<std::vector<MasterRecord>, 256> byNumber;
    for (size_t i = 0; i < index.emaster.Entries(); ++i) {
      MasterRecord e;
      if (index.emaster.Security(i, e)) byNumber[e.FileNumber()].push_back(std::move(e));
    }
    for (MasterRecord& r : index.master.Records()) {
      if (r.IsDirectory()) continue;
      for (const MasterRecord& e : byNumber[r.FileNumber()]) {
        if (MasterSymbolText(e) != MasterSymbolText(r)) continue;
        // A bitmask that disagrees with MASTER's record length describes another file.
        if (4 * Bits(e.fieldMask) == r.RecordLength()) r.fieldMask = e.fieldMask;
        r.longName = e.longName;
        break;
      }
    }
  }
  if (index.xmaster.Read(folder.Find(kXmasterFileName), IndexKind::Xmaster) != LIB_FILE_OPEN) {
    note(index.xmaster);
  }
  index.extended.reserve(index.xmaster.Entries());
  for (size_t i = 0; i < index.xmaster.Entries(); ++i) {
    MasterRecord record;
    std::string why;
    if (!index.xmaster.Security(i, record, &why)) {
      ignored(index.xmaster, i, why);
      continue;
    }
    index.extended.push_back(std::move(record));
  }
  return LIB_OK;
}

namespace {

// The entry of file that describes record: the same file number and symbol.
std::optional<size_t> EntryOf(const IndexFile& file, const MasterRecord& record) {
  const std::string symbol = MasterSymbolText(record);
  for (size_t i = 0; i < file.Entries(); ++i) {
    MasterRecord e;
    if (file.Security(i, e) && e.QuoteFileNumber() == record.QuoteFileNumber() &&
        MasterSymbolText(e) == symbol) {
      return i;
    }
  }
  return std::nullopt;
}

std::filesystem::path Beside(const std::filesystem::path& file, const char* suffix) {
  return fs::PathNoCase(file.parent_path(), file.filename().string() + suffix);
}

}  // namespace

bool ListedInIndexFiles(const std::filesystem::path& directory, const MasterRecord& record) {
  if (record.source != IndexSource::Master) return true;
  IndexFile emaster;
  return emaster.ReadIn(directory, IndexKind::Emaster) == LIB_OK &&
         EntryOf(emaster, record).has_value();
}

LibResult ReplaceIndexFile(const IndexFile& file, fs::FileSteps& steps) {
  if (LibResult r = fs::CopyFileSynced(file.Path(), Beside(file.Path(), ".BAK"), steps);
      r != LIB_OK) {
    return r;
  }
  return file.Write(Beside(file.Path(), ".NEW"), steps);
}

LibResult WriteIndexFileJournaled(const IndexFile& file, fs::FileSteps& steps) {
  return file.Write(Beside(file.Path(), ".~NU"), steps);
}

LibResult RestoreIndexFiles(const std::vector<IndexFile>& previous, fs::FileSteps& steps) {
  LibResult result = LIB_OK;
  for (const IndexFile& file : previous) {
    if (LibResult r = file.Write(Beside(file.Path(), ".NEW"), steps); r != LIB_OK) result = r;
  }
  return result;
}

LibResult UpdateIndexFiles(const std::filesystem::path& directory, const MasterRecord& before,
                           const MasterRecord& after, IndexChange change, fs::FileSteps& steps,
                           IndexSwap swap, std::vector<IndexFile>* previous) {
  for (IndexKind kind : {IndexKind::Emaster, IndexKind::Xmaster}) {
    // XMASTER holds only numbers from 256, EMASTER only those MASTER holds.
    if ((kind == IndexKind::Xmaster) != (before.wideFileNumber != 0)) continue;
    IndexFile file;
    if (file.ReadIn(directory, kind) != LIB_OK) continue;
    const std::optional<size_t> at = EntryOf(file, before);
    if (!at) continue;
    if (previous) previous->push_back(file);
    switch (change) {
      case IndexChange::Dates:
        file.SetDates(*at, after.FirstDate(), after.LastDate());
        break;
      case IndexChange::Texts: {
        std::string name = after.Name();
        file.SetSymbolAndName(*at, MasterSymbolText(after), TrimTrailingBlanks(name));
        break;
      }
      case IndexChange::Remove:
        file.Remove(*at);
        break;
    }
    const LibResult r = swap == IndexSwap::WithBackup ? ReplaceIndexFile(file, steps)
                                                      : WriteIndexFileJournaled(file, steps);
    if (r != LIB_OK) {
      if (previous) previous->pop_back();  // left as it was
      return r;
    }
  }
  return LIB_OK;
}

}  // namespace quillet
