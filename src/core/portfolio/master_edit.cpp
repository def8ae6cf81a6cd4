#include "core/portfolio/master_edit.h"

#include <functional>
#include <string>
#include <system_error>

#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/master.h"
#include "core/portfolio/write_guard.h"

namespace quillet {
namespace master_edit {

namespace {

std::filesystem::path WithSuffix(const std::filesystem::path& file, const char* suffix) {
  // An existing backup or working file in another letter case is reused, not doubled.
  const std::filesystem::path dir = file.parent_path();
  return fs::PathNoCase(dir, file.filename().string() + suffix);
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

std::filesystem::path MasterBackupPath(const std::filesystem::path& master) {
  return WithSuffix(master, ".BAK");
}

std::filesystem::path MasterWorkingPath(const MasterFile& master) {
  return WithSuffix(master.Path(), ".NEW");
}

LibResult BackUpMaster(const MasterFile& master, fs::FileSteps& steps) {
  return fs::CopyFileSynced(master.Path(), MasterBackupPath(master.Path()), steps);
}

LibResult ReplaceMaster(const MasterFile& master, fs::FileSteps& steps) {
  if (LibResult r = BackUpMaster(master, steps); r != LIB_OK) return r;
  return RestoreMaster(master, steps);
}

LibResult RestoreMaster(const MasterFile& master, fs::FileSteps& steps) {
  return master.Write(MasterWorkingPath(master), steps);
}

}  // namespace master_edit

namespace {

// Reads the MASTER of the security's directory and applies change to its entries.
LibResult EditMasterOf(std::string_view libDir, std::string_view masterPath, std::string_view query,
                       const std::function<int(MasterFile&, const MasterRecord&)>& change,
                       fs::FileSteps& steps) {
  WriteGuard guard;
  if (!guard.Lock({std::filesystem::path(std::string(libDir))})) return kWriteRefused;
  const MasterLookup found = LookupMasterRecord(libDir, query);
  if (!found.ok()) return found.code;
  if (!guard.Lock({std::filesystem::path(found.directory)})) return kWriteRefused;
  MasterFile master;
  if (master.Read(master_edit::MasterFileFor(found.directory, masterPath), steps) != LIB_OK) {
    return LIB_FILE_OPEN;
  }
  if (change(master, found.record) == 0) return LIB_RECORD_NOT_FOUND;
  if (!guard.Writable({master.Path()}) ||
      !guard.BackupPlace(master_edit::MasterBackupPath(master.Path()))) {
    return kWriteRefused;
  }
  return master_edit::ReplaceMaster(master, steps);
}

}  // namespace

LibResult SetMasterDate(std::string_view libDir, std::string_view masterPath,
                        std::string_view query, const MbfFloat& dateField, uint8_t fileNumber,
                        MasterDate which, fs::FileSteps& steps) {
  return EditMasterOf(
      libDir, masterPath, query,
      [&](MasterFile& master, const MasterRecord&) {
        return master.SetDate(fileNumber, which, dateField);
      },
      steps);
}

LibResult RenameMasterEntry(std::string_view libDir, std::string_view masterPath,
                            std::string_view oldSymbol, std::string_view newSymbol,
                            std::string_view newName, fs::FileSteps& steps) {
  if (newSymbol.size() > kMasterTextSize || newName.size() > kMasterTextSize) {
    return LIB_INVALID_PARM;
  }
  return EditMasterOf(
      libDir, masterPath, oldSymbol,
      [&](MasterFile& master, const MasterRecord& found) {
        return master.Rename(found.FileNumber(), newName, newSymbol);
      },
      steps);
}

}  // namespace quillet
