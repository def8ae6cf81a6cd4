#include <string>

#include "cli/commands.h"
#include "core/base/strings.h"
#include "core/fs/folders.h"
#include "core/messages/portfolio.h"
#include "core/messages/symbols.h"
#include "core/portfolio/load.h"
#include "core/portfolio/master_file.h"
#include "core/portfolio/master_repair.h"
#include "core/portfolio/scanner.h"
#include "core/symbols/symbol_edit.h"
#include "core/symbols/symbol_move.h"

namespace quillet::cli {
namespace {

// The questions are answered yes (the command was asked for); reports go to stderr.
class StderrPrompt : public RepairPrompt {
 public:
  bool Confirm(const std::string&) override { return true; }
  void Dropped(const std::string& message) override { Error(message + "\n"); }
};

// Makes DIR's MASTER current as the Portfolio list would; false (exit set) when it cannot be.
bool OpenPortfolio(const Command& command, const std::string& dir, CurrentPortfolio& current,
                   int& exit) {
  const Outcome set = SetPortfolioFolder(dir, current);
  if (set.ok()) return true;
  if (set.code == LIB_FILE_NOT_FOUND) {
    exit = UsageError(command, set.message);
  } else {
    Error(set.message);
    exit = kExitUsage;
  }
  return false;
}

int TransferCommand(const Context& context, const char* name, TransferMode mode) {
  const Command& command = FindCommand(name);
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 3, {}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  const std::string& destination = args.positional()[2];
  if (!fs::IsDirectory(destination)) {
    return UsageError(command, messages::NotAFolder(destination));
  }
  const TransferResult result =
      TransferSymbol(current.libDir, args.positional()[1], destination, mode);
  if (!result.ok()) {
    Error(result.message);
    return kExitFailed;
  }
  Table table({"file_number"});
  table.AddRow({std::to_string(result.fileNumber)});
  table.Print(context.json);
  return kExitOk;
}

}  // namespace

int RunScan(const Context& context) {
  const Command& command = FindCommand("scan");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 1, {}, {"--filter"}, args, exit)) return exit;
  const std::string& root = args.positional()[0];
  if (!fs::IsDirectory(root)) return UsageError(command, messages::NotAFolder(root));
  SearchFilter filter;
  filter.limit = args.HasOption("--filter");
  filter.filterUpper = ToUpperAscii(args.Option("--filter"));
  const ScanResult result = ScanPortfolios(root, filter);
  if (result.folders.empty()) Error(messages::NoMasterFilesFound(root));
  Table table({"folder"});
  for (const std::string& folder : result.folders) table.AddRow({folder});
  table.Print(context.json);
  return kExitOk;
}

int RunSymbols(const Context& context) {
  const Command& command = FindCommand("symbols");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 1, {"--repair"}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  StderrPrompt prompt;
  const PortfolioLoad load =
      LoadPortfolio(current.masterPath,
                    args.Flag("--repair") ? DamagedMaster::Repair : DamagedMaster::Refuse, &prompt);
  if (!load.ok()) {
    if (!load.detail.empty()) Error(load.detail);
    Error(load.message);
    return kExitFailed;
  }
  if (!load.list.notice.empty()) Error(load.list.notice);
  Table table({"symbol", "name", "file_number"});
  for (const SymbolRow& row : load.list.rows) {
    table.AddRow({row.symbol, row.name, std::to_string(row.fileNumber)});
  }
  table.Print(context.json);
  return kExitOk;
}

int RunCheck(const Context& context) {
  const Command& command = FindCommand("check");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 1, {}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  const MasterCheck check = TestMasterFile(current.masterPath);
  if (check.result != LIB_OK) {
    Error(check.Describe(current.masterPath));
    return kExitFailed;
  }
  Table table({"result"});
  table.AddRow({check.Describe(current.masterPath)});
  table.Print(context.json);
  return check.Sound() ? kExitOk : kExitFailed;
}

int RunRepair(const Context& context) {
  const Command& command = FindCommand("repair");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 1, {}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  StderrPrompt prompt;
  const CheckResult result = CheckMasterFile(current.masterPath, true, prompt);
  if (result.check.result != LIB_OK) {
    Error(result.check.Describe(current.masterPath));
    return kExitFailed;
  }
  Table table({"result"});
  if (!result.repairTried) {
    table.AddRow({messages::NothingToRepair()});
  } else if (!result.sound) {
    Error(result.repair.message);
    return kExitFailed;
  } else {
    table.AddRow({messages::Damaged(result.check.Describe(current.masterPath))});
    table.AddRow({messages::RepairDone(result.repair.written, result.repair.dropped,
                                       result.repair.backupMade, result.repair.backupPath)});
  }
  table.Print(context.json);
  return kExitOk;
}

int RunSymbolEdit(const Context& context) {
  const Command& command = FindCommand("symbol-edit");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 4, {}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  const std::string& newSymbol = args.positional()[2];
  const std::string& newName = args.positional()[3];
  if (const std::string invalid = ValidateSymbolEdit(newSymbol, newName); !invalid.empty()) {
    Error(invalid);
    return kExitUsage;
  }
  const Outcome result =
      EditSymbol(current.libDir, current.masterPath, args.positional()[1], newSymbol, newName);
  if (!result.ok()) {
    Error(result.message);
    return result.code == LIB_INVALID_PARM ? kExitUsage : kExitFailed;
  }
  return kExitOk;
}

int RunSymbolDelete(const Context& context) {
  const Command& command = FindCommand("symbol-delete");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 2, {}, {}, args, exit)) return exit;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, args.positional()[0], current, exit)) return exit;
  const std::string& symbol = args.positional()[1];
  // The symbol is found as the lookup finds it; the delete then works on the
  // MASTER that holds it, with the text its symbol list shows.
  const MasterLookup found = LookupMasterRecord(current.libDir, symbol);
  if (!found.ok()) {
    Error(messages::SymbolNotFound(symbol, current.portfolioPath));
    return kExitFailed;
  }
  const DeleteResult result = DeleteSymbol(MasterPathOf(found.directory), found.record.Symbol());
  if (!result.ok()) {
    Error(result.message);
    return kExitFailed;
  }
  return kExitOk;
}

int RunSymbolCopy(const Context& context) {
  return TransferCommand(context, "symbol-copy", TransferMode::Copy);
}

int RunSymbolMove(const Context& context) {
  return TransferCommand(context, "symbol-move", TransferMode::Move);
}

}  // namespace quillet::cli
