#include "support/portfolio_builder.h"

#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "core/base/mbf.h"

namespace quillet::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests take permissions away; give them back so everything can go.
  for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(root_, ec);
}

std::array<uint8_t, kMasterRecordSize> MasterEntry::Bytes() const {
  MasterRecord r;
  r.bytes.fill(0);
  r.bytes[kMasterFileNumber] = fileNumber;
  r.bytes[kMasterRecordLength] = static_cast<uint8_t>(recordLength);
  r.bytes[kMasterFieldCount] = static_cast<uint8_t>(fieldCount);
  r.SetText(kMasterName, name);
  StoreMbf(firstDate, &r.bytes[kMasterFirstDate]);
  StoreMbf(lastDate, &r.bytes[kMasterLastDate]);
  r.bytes[kMasterPeriodicity] = static_cast<uint8_t>(periodicity);
  r.SetText(kMasterSymbol, symbol);
  if (isDirectory) {
    std::string padded = name.substr(0, 8);
    padded.resize(11, ' ');
    padded += "<DIR>";
    r.SetText(kMasterName, padded);
  }
  return r.bytes;
}

MasterEntry MasterEntry::Directory(const std::string& name) {
  MasterEntry e;
  e.fileNumber = 0;
  e.name = name;
  e.isDirectory = true;
  e.recordLength = 0;
  e.fieldCount = 0;
  return e;
}

DatRow Row28(QuoteDay day, float open, float high, float low, float close, float vol, float oi) {
  return {DateValueFromDay(day), open, high, low, close, vol, oi};
}

std::vector<DatRow> DailyRows(QuoteDay firstDay, int n, int fields) {
  std::vector<DatRow> rows;
  QuoteDay day = firstDay;
  for (int i = 0; i < n; ++i) {
    while (day % 7 == 0 || day % 7 == 1) ++day;  // day 1, 1 January 1961, was a Sunday
    const float base = 10.0f + static_cast<float>(i % 97) * 0.25f;
    DatRow row = Row28(day, base, base + 1.0f, base - 0.5f, base + 0.5f,
                       1000.0f + static_cast<float>(i), 50.0f + static_cast<float>(i % 7));
    row.resize(static_cast<size_t>(fields), 0.0f);
    rows.push_back(row);
    ++day;
  }
  return rows;
}

PortfolioBuilder::PortfolioBuilder(path directory) : dir_(std::move(directory)) {
  std::filesystem::create_directories(dir_);
}

PortfolioBuilder& PortfolioBuilder::Add(const MasterEntry& entry) {
  entries_.push_back(entry);
  return *this;
}

std::vector<uint8_t> PortfolioBuilder::MasterBytes(std::optional<int16_t> headerCount) const {
  std::vector<uint8_t> bytes(kMasterRecordSize, 0);
  const int16_t n = headerCount.value_or(static_cast<int16_t>(entries_.size()));
  StoreInt16(n, &bytes[kMasterHeaderCount]);
  StoreInt16(static_cast<int16_t>(entries_.size()), &bytes[kMasterHeaderCount2]);
  for (const MasterEntry& e : entries_) {
    const auto record = e.Bytes();
    bytes.insert(bytes.end(), record.begin(), record.end());
  }
  return bytes;
}

void PortfolioBuilder::WriteMaster(std::optional<int16_t> headerCount) const {
  WriteBytes(dir_ / "MASTER", MasterBytes(headerCount));
}

std::vector<uint8_t> PortfolioBuilder::DatBytes(int recordLength, const std::vector<DatRow>& rows,
                                                std::optional<int16_t> lastRecord) {
  const size_t rl = static_cast<size_t>(recordLength);
  std::vector<uint8_t> bytes(rl * (rows.size() + 1), 0);
  StoreInt16(lastRecord.value_or(static_cast<int16_t>(rows.size() + 1)), &bytes[2]);
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t f = 0; f < rows[r].size() && (f + 1) * 4 <= rl; ++f) {
      StoreMbf(rows[r][f], &bytes[(r + 1) * rl + f * 4]);
    }
  }
  return bytes;
}

void PortfolioBuilder::WriteDat(int fileNumber, int recordLength, const std::vector<DatRow>& rows,
                                std::optional<int16_t> lastRecord) const {
  WriteBytes(dir_ / ("F" + std::to_string(fileNumber) + ".DAT"),
             DatBytes(recordLength, rows, lastRecord));
}

void PortfolioBuilder::WriteDop(int fileNumber, const std::string& text) const {
  WriteBytes(dir_ / ("F" + std::to_string(fileNumber) + ".DOP"),
             std::vector<uint8_t>(text.begin(), text.end()));
}

PortfolioBuilder& PortfolioBuilder::AddSeries(uint8_t fileNumber, const std::string& symbol,
                                              const std::string& name,
                                              const std::vector<DatRow>& rows, int recordLength,
                                              int fields) {
  MasterEntry e;
  e.fileNumber = fileNumber;
  e.symbol = symbol;
  e.name = name;
  e.recordLength = static_cast<int8_t>(recordLength);
  e.fieldCount = static_cast<int8_t>(fields);
  if (!rows.empty()) {
    e.firstDate = rows.front()[0];
    e.lastDate = rows.back()[0];
  }
  Add(e);
  WriteDat(fileNumber, recordLength, rows);
  return *this;
}

PortfolioBuilder& PortfolioBuilder::SetPeriodicity(char periodicity) {
  if (!entries_.empty()) entries_.back().periodicity = periodicity;
  return *this;
}

std::vector<uint8_t> ReadBytes(const path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

void WriteBytes(const path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

TreeSnapshot SnapshotTree(const path& root) {
  TreeSnapshot snapshot;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) {
      snapshot[std::filesystem::relative(it->path(), root).string()] = ReadBytes(it->path());
    }
  }
  return snapshot;
}

path RealDataDir() {
  const path dir = path(QUILLET_SHARED_DIR) / "realdata";
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : path();
}

}  // namespace quillet::testing
