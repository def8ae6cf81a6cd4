#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/export/export.h"
#include "core/messages/export.h"
#include "core/messages/portfolio.h"
#include "core/messages/read.h"
#include "core/messages/splitsearch.h"
#include "core/portfolio/load.h"
#include "core/splitsearch/split_search.h"

namespace quillet::cli {
namespace {

// Result lines go to stdout as they are found; the message boxes to stderr.
class CliSplitSearchObserver : public SplitSearchObserver {
 public:
  explicit CliSplitSearchObserver(bool json) : json_(json) {}
  void Found(const SplitFinding& finding) override {
    if (json_) return;  // printed as a whole at the end
    std::fwrite(finding.line.data(), 1, finding.line.size(), stdout);
    std::fputc('\n', stdout);
  }
  void Message(const std::string& text) override { Error(text); }
  void Status(const std::string&) override {}

 private:
  bool json_;
};

}  // namespace

int RunSplitSearch(const Context& context) {
  const Command& command = FindCommand("split-search");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 1, {}, {"-o"}, args, exit)) return exit;
  const std::string& dir = args.positional()[0];

  // The search goes through the symbol list, which a damaged MASTER does not fill.
  const PortfolioLoad load = LoadPortfolio(MasterPathOf(dir), DamagedMaster::Refuse);
  if (!load.ok()) {
    if (!load.detail.empty()) Error(load.detail);
    Error(load.message);
    return kExitFailed;
  }
  const std::vector<std::string> symbols = SplitSearchSymbols(load.list);
  CliSplitSearchObserver observer(context.json);
  const SplitSearchResult result = SplitSearch(dir, symbols, observer);
  std::vector<std::string> lines;
  for (const SplitFinding& f : result.findings) lines.push_back(f.line);
  if (context.json) {
    Table table({"symbol", "new", "old", "date", "line"});
    for (const SplitFinding& f : result.findings) {
      table.AddRow({f.query, std::to_string(f.candidate.p), std::to_string(f.candidate.q),
                    FormatDate(f.day), f.line});
    }
    table.Print(true);
  }
  std::fflush(stdout);
  if (!result.ok()) Error(result.message);
  // What was found is saved even when the search ended early: the window keeps
  // those lines too.
  if (args.HasOption("-o")) {
    const std::string file = args.Option("-o");
    if (const Outcome saved = SaveSplitSearchResults(file, lines); !saved.ok()) {
      Error(saved.message);
      return kExitFailed;
    }
  }
  return result.ok() ? kExitOk : kExitFailed;
}

namespace {

// "--columns open,high,..." into the six column choices; false on an unknown name.
bool ParseColumns(const std::string& text, ExportOptions& options, std::string& bad) {
  options.useOpen = options.useHigh = options.useLow = false;
  options.useClose = options.useVolume = options.useOpenInterest = false;
  std::stringstream in(text);
  std::string name;
  while (std::getline(in, name, ',')) {
    if (name == "open") {
      options.useOpen = true;
    } else if (name == "high") {
      options.useHigh = true;
    } else if (name == "low") {
      options.useLow = true;
    } else if (name == "close") {
      options.useClose = true;
    } else if (name == "vol") {
      options.useVolume = true;
    } else if (name == "oi") {
      options.useOpenInterest = true;
    } else if (!name.empty()) {
      bad = name;
      return false;
    }
  }
  return true;
}

}  // namespace

int RunExport(const Context& context) {
  const Command& command = FindCommand("export");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 3, {"--newest-first", "--title", "--force"},
                 {"--columns", "--delimiter"}, args, exit)) {
    return exit;
  }
  const std::string& dir = args.positional()[0];
  const std::string& symbol = args.positional()[1];
  ExportOptions options;
  options.path = args.positional()[2];
  if (args.HasOption("--columns")) {
    std::string bad;
    if (!ParseColumns(args.Option("--columns"), options, bad)) {
      return UsageError(command, "unknown column '" + bad + "' (open, high, low, close, vol, oi)");
    }
  }
  const std::string delimiter = args.Option("--delimiter", "comma");
  if (delimiter == "comma") {
    options.delimiter = ExportDelimiter::Comma;
  } else if (delimiter == "tab") {
    options.delimiter = ExportDelimiter::Tab;
  } else if (delimiter == "space") {
    options.delimiter = ExportDelimiter::Space;
  } else {
    return UsageError(command, "unknown delimiter '" + delimiter + "' (comma, tab, space)");
  }
  options.order = args.Flag("--newest-first") ? ExportOrder::NewestFirst : ExportOrder::OldestFirst;
  options.title = args.Flag("--title");

  // An existing file is the question unanswered: --force is the Yes.
  const ExportResult result = ExportQuotes(dir, symbol, options, args.Flag("--force"));
  if (result.ok()) return kExitOk;
  Error(result.message);
  return kExitFailed;
}

}  // namespace quillet::cli
