#include <string>

#include "cli/commands.h"
#include "core/base/strings.h"
#include "core/fs/folders.h"
#include "core/lib/index_files.h"
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

int TransferCommand(const Options& o, const char* name, TransferMode mode) {
  const Command& command = FindCommand(name);
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  const std::string& destination = o.arg[2];
  if (!fs::IsDirectory(destination)) {
    return UsageError(command, messages::NotAFolder(destination));
  }
  const TransferResult result = TransferSymbol(current.libDir, o.arg[1], destination, mode);
  if (!result.ok()) {
    Error(result.message);
    return kExitFailed;
  }
  if (o.json) {
    PrintJson({{"file_number", result.fileNumber}});
  } else {
    Out(std::to_string(result.fileNumber) + "\n");
  }
  return kExitOk;
}

}  // namespace

int RunScan(const Options& o) {
  const std::string& root = o.arg[0];
  SearchFilter filter;
  filter.limit = o.filter.has_value();
  filter.filterUpper = ToUpperAscii(o.filter.value_or(""));
  const ScanResult result = ScanPortfolios(root, filter);
  if (result.folders.empty()) Error(messages::NoMasterFilesFound(root));
  Table table;
  for (const std::string& folder : result.folders) {
    table.AddRow({folder}, {{"folder", JsonText(folder)}});
  }
  table.Print(o.json);
  return kExitOk;
}

int RunSymbols(const Options& o) {
  const Command& command = FindCommand("symbols");
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  StderrPrompt prompt;
  const PortfolioLoad load = LoadPortfolio(
      current.masterPath, o.repair ? DamagedMaster::Repair : DamagedMaster::Refuse, &prompt);
  if (!load.ok()) {
    if (!load.detail.empty()) Error(load.detail);
    Error(load.message);
    return kExitFailed;
  }
  if (!load.list.notice.empty()) Error(load.list.notice);
  for (const std::string& warning : load.list.warnings) Error(warning);
  Table table;
  for (const SymbolRow& row : load.list.rows) {
    std::vector<std::string> fields = {row.symbol, row.name, std::to_string(row.fileNumber)};
    Json json = {{"symbol", JsonText(row.symbol, true)},
                 {"name", JsonText(row.name, true)},
                 {"file_number", row.fileNumber},
                 {"directory", row.isDirectory}};
    // Which index file lists each row, once there is more than MASTER.
    if (load.list.indexFiles) {
      fields.push_back(IndexSourceText(row.source));
      json["source"] = IndexSourceText(row.source);
    }
    table.AddRow(fields, json);
  }
  table.Print(o.json);
  return kExitOk;
}

int RunCheck(const Options& o) {
  const Command& command = FindCommand("check");
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  const PortfolioReport report = ReportPortfolio(current.libDir, current.masterPath);
  if (report.check.result != LIB_OK) {
    Error(report.check.Describe(current.masterPath));
    return kExitFailed;
  }
  for (const std::string& warning : report.warnings) Error(warning);
  const bool sound = report.Sound();
  const std::string result = report.Describe(current.masterPath);
  if (o.json) {
    PrintJson({{"sound", sound}, {"result", JsonText(result)}});
  } else {
    Out(TsvField(result) + "\n");
  }
  return sound ? kExitOk : kExitFailed;
}

int RunRepair(const Options& o) {
  const Command& command = FindCommand("repair");
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  StderrPrompt prompt;
  const CheckResult result = CheckMasterFile(current.masterPath, true, prompt);
  if (!result.finished.ok()) {
    Error(result.finished.message);
    return kExitFailed;
  }
  if (result.check.result != LIB_OK) {
    Error(result.check.Describe(current.masterPath));
    return kExitFailed;
  }
  if (result.repairTried && !result.sound) {
    Error(result.repair.message);
    return kExitFailed;
  }
  std::vector<std::string> lines;
  Json json = {{"repaired", result.repairTried}};
  if (!result.finished.message.empty()) lines.push_back(result.finished.message);
  if (!result.repairTried) {
    if (lines.empty()) lines = {messages::NothingToRepair()};
  } else {
    const RepairResult& r = result.repair;
    const std::string damage = result.check.Describe(current.masterPath);
    lines.push_back(messages::Damaged(damage));
    lines.push_back(messages::RepairDone(r.written, r.dropped, r.backupMade, r.backupPath));
    json["damage"] = JsonText(damage);
    json["written"] = r.written;
    json["dropped"] = r.dropped;
    json["backup"] = r.backupMade ? Json(JsonText(r.backupPath)) : Json(nullptr);
  }
  json["result"] = JsonText(lines.back());
  if (o.json) {
    PrintJson(json);
  } else {
    for (const std::string& line : lines) Out(TsvField(line) + "\n");
  }
  return kExitOk;
}

int RunSymbolEdit(const Options& o) {
  const Command& command = FindCommand("symbol-edit");
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  const std::string& newSymbol = o.arg[2];
  const std::string& newName = o.arg[3];
  if (const std::string invalid = ValidateSymbolEdit(newSymbol, newName); !invalid.empty()) {
    Error(invalid);
    return kExitUsage;
  }
  const Outcome result =
      EditSymbol(current.libDir, current.masterPath, o.arg[1], newSymbol, newName);
  if (!result.ok()) {
    Error(result.message);
    return result.code == LIB_INVALID_PARM ? kExitUsage : kExitFailed;
  }
  return kExitOk;
}

int RunSymbolDelete(const Options& o) {
  const Command& command = FindCommand("symbol-delete");
  int exit = kExitOk;
  CurrentPortfolio current;
  if (!OpenPortfolio(command, o.arg[0], current, exit)) return exit;
  const std::string& symbol = o.arg[1];
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

int RunSymbolCopy(const Options& o) {
  return TransferCommand(o, "symbol-copy", TransferMode::Copy);
}

int RunSymbolMove(const Options& o) {
  return TransferCommand(o, "symbol-move", TransferMode::Move);
}

}  // namespace quillet::cli
