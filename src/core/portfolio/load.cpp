#include "core/portfolio/load.h"

#include "core/fs/folders.h"
#include "core/messages/portfolio.h"

namespace quillet {

Outcome SetPortfolioFolder(std::string_view directory, CurrentPortfolio& current) {
  if (!fs::IsDirectory(directory)) {
    return {LIB_FILE_NOT_FOUND, messages::NotAFolder(directory)};
  }
  Outcome outcome;
  if (!SetMasterPath(MasterPathOf(directory), current, outcome.message)) {
    outcome.code = LIB_INVALID_PARM;
  }
  return outcome;
}

PortfolioLoad LoadPortfolio(std::string_view masterPath, DamagedMaster onDamage,
                            RepairPrompt* prompt) {
  PortfolioLoad load;
  load.check = TestMasterFile(masterPath);
  const auto fail = [&](LibResult code, std::string detail, const char* message) {
    load.code = code;
    load.detail = std::move(detail);
    load.message = message;
    load.list = {};
    return load;
  };
  if (load.check.result != LIB_OK) {
    return fail(load.check.result, load.check.Describe(masterPath),
                messages::kFailureFillingSymbolsGrid1);
  }
  if (!load.check.Sound()) {
    if (onDamage == DamagedMaster::Refuse || prompt == nullptr) {
      return fail(LIB_FILE_READ, messages::Damaged(load.check.Describe(masterPath)),
                  messages::kFailureFillingSymbolsGrid1);
    }
    load.repairTried = true;
    load.repair = RepairMasterFile(masterPath, onDamage == DamagedMaster::Repair, *prompt);
    if (!load.repair.repaired) {
      return fail(load.repair.code == LIB_OK ? LIB_FILE_READ : load.repair.code,
                  load.repair.message, messages::kFailureFillingSymbolsGrid1);
    }
  }
  load.list = ReadSymbolList(masterPath);
  if (load.list.result != LIB_OK) {
    return fail(load.list.result, {}, messages::kFailureFillingSymbolsGrid2);
  }
  return load;
}

}  // namespace quillet
