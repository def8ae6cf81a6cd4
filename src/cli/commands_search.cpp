#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/export/export.h"
#include "core/fs/text_output.h"
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
    Out(TsvField(finding.line) + "\n");
  }
  void Message(const std::string& text) override { Error(text); }
  void Status(const std::string&) override {}

 private:
  bool json_;
};

}  // namespace

// An output file the command may write: not a Portfolio's own file, and an
// existing one only with --force. Checked before the work starts; true when it may.
bool OutputAllowed(const std::string& file, bool force) {
  if (IsPortfolioFileName(file)) {
    Error(messages::PortfolioFileRefused(file));
    return false;
  }
  if (!force && ExportTargetExists(file)) {
    Error(messages::ReplaceExistingFile(file));
    return false;
  }
  return true;
}

int RunSplitSearch(const Options& o) {
  const std::string& dir = o.arg[0];
  if (o.output && !OutputAllowed(*o.output, o.force)) return kExitFailed;

  // The search goes through the symbol list, which a damaged MASTER does not fill.
  const PortfolioLoad load = LoadPortfolio(MasterPathOf(dir), DamagedMaster::Refuse);
  if (!load.ok()) {
    if (!load.detail.empty()) Error(load.detail);
    Error(load.message);
    return kExitFailed;
  }
  const std::vector<std::string> symbols = SplitSearchSymbols(load.list);
  CliSplitSearchObserver observer(o.json);
  const SplitSearchResult result = SplitSearch(dir, symbols, observer);
  std::vector<std::string> lines;
  for (const SplitFinding& f : result.findings) lines.push_back(f.line);
  if (o.json) {
    Table table;
    for (const SplitFinding& f : result.findings) {
      table.AddRow({}, {{"symbol", JsonText(f.query, true)},
                        {"new", f.candidate.p},
                        {"old", f.candidate.q},
                        {"date", IsoDate(f.day)},
                        {"line", JsonText(f.line)}});
    }
    table.Print(true);
  }
  std::fflush(stdout);
  if (!result.ok()) Error(result.message);
  // What was found is saved even when the search ended early: the window keeps
  // those lines too.
  if (o.output) {
    if (const Outcome saved = SaveSplitSearchResults(*o.output, lines); !saved.ok()) {
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

int RunExport(const Options& o) {
  const Command& command = FindCommand("export");
  const std::string& dir = o.arg[0];
  const std::string& symbol = o.arg[1];
  ExportOptions options;
  options.path = o.arg[2];
  if (o.columns) {
    std::string bad;
    if (!ParseColumns(*o.columns, options, bad)) {
      return UsageError(command, "unknown column '" + bad + "' (open, high, low, close, vol, oi)");
    }
  }
  options.delimiter = o.delimiter == "tab"     ? ExportDelimiter::Tab
                      : o.delimiter == "space" ? ExportDelimiter::Space
                                               : ExportDelimiter::Comma;
  options.order = o.newestFirst ? ExportOrder::NewestFirst : ExportOrder::OldestFirst;
  options.title = o.title;
  options.fileNumber = o.fileNumber;

  // An existing file is the question unanswered: --force is the Yes.
  const ExportResult result = ExportQuotes(dir, symbol, options, o.force);
  if (result.ok()) return kExitOk;
  Error(result.message);
  return kExitFailed;
}

}  // namespace quillet::cli
