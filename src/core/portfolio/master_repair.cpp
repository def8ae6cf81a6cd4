#include "core/portfolio/master_repair.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/base/mbf.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/index_files.h"
#include "core/messages/portfolio.h"
#include "core/messages/writes.h"
#include "core/portfolio/write_guard.h"

namespace quillet {

RepairResult RepairMasterFile(std::string_view masterPath, bool masterFix, RepairPrompt& prompt,
                              fs::FileSteps& steps) {
  RepairResult result;
  if (!masterFix && !prompt.Confirm(messages::RepairQuestion(masterPath))) {
    result.declined = true;
    return result;
  }
  const auto refuse = [&](const std::string& why) {
    result.code = kWriteRefused;
    result.message = messages::RepairRefused(masterPath, why);
    return result;
  };
  WriteGuard guard;
  if (!guard.Lock({MasterFileOf(masterPath).parent_path()})) return refuse(guard.message);
  MasterFile file;
  if (file.Read(MasterFileOf(masterPath), steps) != LIB_OK) {
    result.code = LIB_FILE_OPEN;
    result.message = messages::MasterUnreadable(masterPath);
    return result;
  }
  const fs::path master = file.Path();
  if (!guard.Writable({master})) return refuse(guard.message);

  // The backup is made once: an earlier one is the user's last good copy. Only
  // a regular file counts as one: a symbolic link (dangling, or to any other
  // file), a folder or a FIFO there is no copy of the MASTER, and nothing is
  // repaired until the user has moved it away.
  const fs::path given{std::string(masterPath)};
  const std::string backupName = given.filename().string() + ".bak";
  fs::path backup = fs::FindNoCase(master.parent_path(), backupName);
  if (!backup.empty() && !fs::IsPlainFileOrAbsent(backup))
    return refuse(messages::BackupNotAFile(backup.string()));
  if (backup.empty()) {
    backup = master.parent_path() / backupName;
    if (LibResult r = fs::CopyFileSynced(master, backup, steps); r != LIB_OK) {
      result.code = r;
      result.message = messages::RepairBackupFailed(masterPath, backup.string());
      return result;
    }
    result.backupMade = true;
  }
  result.backupPath = backup.string();
  const auto fail = [&](LibResult code) {
    if (result.backupMade) fs::RemoveFile(backup, steps);
    result.backupMade = false;
    result.code = code;
    result.message = messages::RepairWriteFailed(masterPath);
    return result;
  };

  std::array<bool, 256> seen{};
  file.DropPartialRecord();
  for (MasterRecord& record : file.Records()) {
    if (record.Symbol().empty()) {
      std::memcpy(&record.bytes[kMasterSymbol], &record.bytes[kMasterName], kMasterTextSize);
    }
  }
  result.dropped = file.RemoveIf([&](const MasterRecord& record) {
    // A record with neither symbol nor name would leave the file failing the
    // symbol test: it is dropped and reported like a duplicate, its file number
    // left free for a later record.
    if (!record.Symbol().empty() && !seen[record.FileNumber()]) {
      seen[record.FileNumber()] = true;
      return false;
    }
    prompt.Dropped(
        messages::DroppedRecord(record.Name(), record.SymbolField(), record.FileNumber()));
    return true;
  });
  result.written = static_cast<int>(file.Records().size());
  file.SetCount(static_cast<int16_t>(result.written));
  // A second counter at the full mark would refuse every later copy into the
  // Portfolio as full: it goes down with the records dropped.
  if (file.SecondCount() == kMaxSymbols && result.dropped > 0) {
    file.SetSecondCount(static_cast<int16_t>(std::max(kMaxSymbols - result.dropped, 0)));
  }
  if (LibResult r = file.Write(std::string(masterPath) + ".tmp", steps); r != LIB_OK)
    return fail(r);
  result.repaired = true;
  return result;
}

CheckResult CheckMasterFile(std::string_view masterPath, bool masterFix, RepairPrompt& prompt) {
  CheckResult result;
  result.finished = FinishUnfinishedChange(masterPath);
  if (!result.finished.ok()) return result;
  result.check = TestMasterFile(masterPath);
  if (result.check.result != LIB_OK) return result;
  if (result.check.damage == MasterDamage::None) {
    result.sound = true;
    return result;
  }
  result.repairTried = true;
  result.repair = RepairMasterFile(masterPath, masterFix, prompt);
  result.sound = result.repair.repaired;
  return result;
}

PortfolioReport ReportPortfolio(std::string_view libDir, std::string_view masterPath) {
  PortfolioReport report;
  report.check = TestMasterFile(masterPath);
  if (report.check.result != LIB_OK) return report;
  PortfolioIndex index;
  ReadPortfolioIndex(libDir.empty() ? std::string_view(".") : libDir, index);
  report.warnings = std::move(index.warnings);
  report.unfinished = DescribeUnfinishedChange(masterPath);
  return report;
}

}  // namespace quillet
