#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"

namespace quillet::cli {

const std::vector<Command>& Commands() {
  static const std::vector<Command> kCommands = {
      {"scan", "ROOT [--filter PATH]", "Walk ROOT for Portfolios (folders holding a MASTER file).",
       RunScan},
      {"symbols", "DIR [--repair]",
       "Check the MASTER file, then list symbol, name and file number.", RunSymbols},
      {"check", "DIR", "Run the MASTER damage tests only.", RunCheck},
      {"repair", "DIR", "Repair the MASTER file if it is damaged.", RunRepair},
      {"quotes", "DIR SYMBOL [--oldest-first]", "Show the quotes of a series, newest first.",
       RunQuotes},
      {"facts", "DIR SYMBOL", "Show the facts of a series.", RunFacts},
      {"edit", "DIR SYMBOL DATE OPEN HIGH LOW CLOSE VOLUME OI", "Replace the values of that day.",
       RunEdit},
      {"split", "DIR SYMBOL DATE NEW OLD", "Apply a NEW for OLD split to the quotes before DATE.",
       RunSplit},
      {"adjust", "DIR SYMBOL FROM TO PRICE VOLUME OI",
       "Scale prices, volume and open interest from FROM to TO.", RunAdjust},
      {"add", "DIR SYMBOL DATE", "Add a copy of the quote of DATE on the weekday before.", RunAdd},
      {"delete", "DIR SYMBOL DATE", "Delete the quote of DATE.", RunDelete},
      {"split-search", "DIR [-o FILE]",
       "Search every symbol for splits not applied to the history.", RunSplitSearch},
      {"export",
       "DIR SYMBOL FILE [--columns open,high,low,close,vol,oi] [--delimiter comma|tab|space] "
       "[--newest-first] [--title] [--force]",
       "Write a series as delimited text.", RunExport},
      {"symbol-edit", "DIR SYMBOL NEWSYMBOL NEWNAME", "Change a symbol and its name.",
       RunSymbolEdit},
      {"symbol-delete", "DIR SYMBOL", "Delete a symbol and its files.", RunSymbolDelete},
      {"symbol-copy", "DIR SYMBOL DEST", "Copy a symbol and its files into the Portfolio DEST.",
       RunSymbolCopy},
      {"symbol-move", "DIR SYMBOL DEST", "Move a symbol and its files into the Portfolio DEST.",
       RunSymbolMove},
  };
  return kCommands;
}

namespace {

void PrintHelp() {
  std::printf(
      "usage: quillet-cli [--json] COMMAND ARGS...\n\n"
      "Finds, checks, repairs and edits MetaStock / CompuTrac quote databases.\n"
      "DIR is a Portfolio folder (holding MASTER); SYMBOL a symbol or issue name;\n"
      "DATE is MM/DD/YY. Exit status: 0 done, 1 failed or damage found, 2 invalid input.\n\n"
      "commands:\n");
  for (const Command& c : Commands()) std::printf("  %-14s %s\n", c.name, c.summary);
  std::printf("\n'quillet-cli COMMAND --help' shows a command's arguments.\n");
}

}  // namespace
}  // namespace quillet::cli

int main(int argc, char** argv) {
  using namespace quillet::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  Context context;
  // Global options come before the command; --json is also taken after it.
  size_t i = 0;
  for (; i < args.size(); ++i) {
    if (args[i] == "--json") {
      context.json = true;
    } else if (args[i] == "--help" || args[i] == "-h") {
      PrintHelp();
      return kExitOk;
    } else if (args[i] == "--version") {
      std::printf("quillet-cli %s\n", QUILLET_VERSION);
      return kExitOk;
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    PrintHelp();
    return kExitUsage;
  }
  const std::string name = args[i];
  for (const Command& c : Commands()) {
    if (name != c.name) continue;
    for (size_t k = i + 1; k < args.size(); ++k) {
      if (args[k] == "--json") {
        context.json = true;
      } else {
        context.args.push_back(args[k]);
      }
    }
    return c.run(context);
  }
  Error("quillet-cli: unknown command '" + name + "' (see quillet-cli --help)");
  return kExitUsage;
}
