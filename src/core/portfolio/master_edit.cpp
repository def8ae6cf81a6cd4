#include "core/portfolio/master_edit.h"

#include <cstring>
#include <string>
#include <system_error>

#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/master.h"

namespace quillet {
namespace master_edit {

namespace {

std::filesystem::path WithSuffix(const std::filesystem::path& file, const char* suffix) {
  // An existing backup or working file in another letter case is reused, not doubled.
  const std::filesystem::path dir = file.parent_path();
  return fs::PathNoCase(dir, file.filename().string() + suffix);
}

bool IsSecurity(const uint8_t* bytes) {
  MasterRecord record;
  std::memcpy(record.bytes.data(), bytes, kMasterRecordSize);
  return !record.IsDirectory();
}

}  // namespace

std::filesystem::path MasterFileFor(std::string_view foundDirectory, std::string_view masterPath) {
  const std::filesystem::path found = foundDirectory.empty() ? "." : std::string(foundDirectory);
  if (!masterPath.empty()) {
    std::filesystem::path given(std::string{masterPath});
    std::filesystem::path parent = given.parent_path();
    if (parent.empty()) parent = ".";
    std::error_code ec;
    if (std::filesystem::equivalent(parent, found, ec) && !ec) return given;
  }
  return fs::PathNoCase(found, kMasterFileName);
}

int ChangeEntries(std::vector<uint8_t>& master, uint8_t fileNumber,
                  const std::function<void(uint8_t* record)>& change) {
  int changed = 0;
  for (size_t offset = kMasterRecordSize; offset + kMasterRecordSize <= master.size();
       offset += kMasterRecordSize) {
    uint8_t* record = master.data() + offset;
    if (record[kMasterFileNumber] != fileNumber || !IsSecurity(record)) continue;
    change(record);
    ++changed;
  }
  return changed;
}

LibResult ReplaceMaster(const std::filesystem::path& master, std::span<const uint8_t> bytes,
                        fs::FileSteps& steps) {
  if (LibResult r = fs::CopyFileSynced(master, WithSuffix(master, ".BAK"), steps); r != LIB_OK)
    return r;
  return RestoreMaster(master, bytes, steps);
}

LibResult RestoreMaster(const std::filesystem::path& master, std::span<const uint8_t> bytes,
                        fs::FileSteps& steps) {
  return fs::ReplaceFile(master, WithSuffix(master, ".NEW"), bytes, steps);
}

}  // namespace master_edit

namespace {

// Reads the MASTER of the security's directory and applies change to its entries.
LibResult EditMasterOf(std::string_view libDir, std::string_view masterPath, std::string_view query,
                       const std::function<uint8_t(const MasterRecord&)>& fileNumberOf,
                       const std::function<void(uint8_t*)>& change, fs::FileSteps& steps) {
  MasterRecord found;
  std::string directory;
  if (LibResult r = FindMasterRecord(libDir, query, found, directory); r != LIB_OK) return r;
  const std::filesystem::path master = master_edit::MasterFileFor(directory, masterPath);
  std::vector<uint8_t> bytes;
  if (!fs::ReadWholeFile(master, bytes, steps)) return LIB_FILE_OPEN;
  if (master_edit::ChangeEntries(bytes, fileNumberOf(found), change) == 0) {
    return LIB_RECORD_NOT_FOUND;
  }
  return master_edit::ReplaceMaster(master, bytes, steps);
}

}  // namespace

LibResult SetMasterDate(std::string_view libDir, std::string_view masterPath,
                        std::string_view query, const MbfFloat& dateField, uint8_t fileNumber,
                        int which, fs::FileSteps& steps) {
  const int offset = which != 0 ? kMasterLastDate : kMasterFirstDate;
  return EditMasterOf(
      libDir, masterPath, query, [&](const MasterRecord&) { return fileNumber; },
      [&](uint8_t* record) { std::memcpy(record + offset, dateField.data(), dateField.size()); },
      steps);
}

LibResult RenameMasterEntry(std::string_view libDir, std::string_view masterPath,
                            std::string_view oldSymbol, std::string_view newSymbol,
                            std::string_view newName, fs::FileSteps& steps) {
  if (newSymbol.size() > kMasterTextSize || newName.size() > kMasterTextSize) {
    return LIB_INVALID_PARM;
  }
  return EditMasterOf(
      libDir, masterPath, oldSymbol, [](const MasterRecord& r) { return r.FileNumber(); },
      [&](uint8_t* record) {
        MasterRecord entry;
        std::memcpy(entry.bytes.data(), record, kMasterRecordSize);
        entry.SetText(kMasterName, newName);
        entry.SetText(kMasterSymbol, newSymbol);
        std::memcpy(record, entry.bytes.data(), kMasterRecordSize);
      },
      steps);
}

}  // namespace quillet
