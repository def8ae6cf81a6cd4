#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"
#include "core/fs/folders.h"
#include "core/messages/portfolio.h"

namespace quillet::cli {
namespace {

void DefineSymbols(CLI::App& c, Options& o) {
  c.add_flag("--repair", o.repair, "Repair a damaged MASTER first, as automatic repair does.");
}
void DefineScan(CLI::App& c, Options& o) {
  c.add_option("--filter", o.filter, "Only Portfolios below PATH (the Search Filter).")
      ->type_name("PATH");
}
void DefineFileNumber(CLI::App& c, Options& o) {
  c.add_option("--file-number", o.fileNumber,
               "The security of file number N, where two share a symbol.")
      ->type_name("N")
      ->check(CLI::Range(1, 65535));
}
void DefineQuotes(CLI::App& c, Options& o) {
  c.add_flag("--oldest-first", o.oldestFirst, "Oldest quote first.");
  DefineFileNumber(c, o);
}
void DefineSplitSearch(CLI::App& c, Options& o) {
  c.add_option("-o", o.output, "Save the result lines to FILE.")->type_name("FILE");
  c.add_flag("--force", o.force, "Replace FILE when it exists.");
}
void DefineDump(CLI::App& c, Options& o) {
  c.add_option("--format", o.format, "csv (RFC 4180) or jsonl (one JSON object a line).")
      ->check(CLI::IsMember({"csv", "jsonl"}))
      ->capture_default_str();
  c.add_flag("--recursive", o.recursive, "Include the sub-directory Portfolios (<DIR> entries).");
  c.add_flag("--force", o.force, "Replace FILE when it exists.");
}
void DefineExport(CLI::App& c, Options& o) {
  c.add_option("--columns", o.columns, "The value columns, comma-separated.")
      ->type_name("open,high,low,close,vol,oi");
  c.add_option("--delimiter", o.delimiter, "The column delimiter.")
      ->check(CLI::IsMember({"comma", "tab", "space"}))
      ->capture_default_str();
  c.add_flag("--newest-first", o.newestFirst, "Newest quote first.");
  c.add_flag("--title", o.title, "Add the title row.");
  c.add_flag("--force", o.force, "Replace FILE when it exists.");
  DefineFileNumber(c, o);
}

constexpr const char* kDescription =
    "Finds, checks, repairs and edits MetaStock / CompuTrac quote databases.\n"
    "DIR is a Portfolio folder (holding MASTER); SYMBOL a symbol or issue name;\n"
    "DATE is MM/DD/YY.";

constexpr const char* kFooter =
    "Output: one record a line, fields tab-separated; in a field a tab, newline,\n"
    "CR and backslash are written \\t \\n \\r \\\\, other control bytes and DEL \\xNN.\n"
    "--json gives typed JSON: numbers as numbers, null for what the file does not\n"
    "hold, ISO 8601 dates, trimmed names.\n"
    "Exit status: 0 done; 1 the operation failed or found damage (a failed write\n"
    "of the output too); 2 usage or invalid input, nothing changed.\n"
    "'quillet-cli COMMAND --help' shows a command's arguments.";

// The positional names of a usage line: its words up to the first option; a
// bracketed word is optional ("[FILE|-]" is FILE).
std::vector<std::pair<std::string, bool>> Positionals(std::string_view usage) {
  std::vector<std::pair<std::string, bool>> names;
  std::istringstream words{std::string(usage)};
  for (std::string w; words >> w;) {
    if (w.rfind("[-", 0) == 0 || w.rfind("-", 0) == 0) break;
    const bool optional = w.front() == '[';
    if (optional) w = w.substr(1, w.find_first_of("|]") - 1);
    names.emplace_back(w, !optional);
  }
  return names;
}

// "-.5" is a value, as "-0.5" is (CLI11 takes only "-<digit>" for a number).
std::string AsValue(std::string arg) {
  if (arg.size() > 2 && arg[0] == '-' && arg[1] == '.' && arg[2] >= '0' && arg[2] <= '9') {
    arg.insert(1, "0");
  }
  return arg;
}

int Main(int argc, char** argv) {
  CLI::App app{kDescription, "quillet-cli"};
  app.footer(kFooter);
  Options options;
  app.add_flag("--json", options.json, "Typed JSON instead of tab-separated lines.");
  app.set_version_flag("--version", std::string("quillet-cli ") + QUILLET_VERSION);
  app.require_subcommand(0, 1);
  std::vector<std::pair<const Command*, CLI::App*>> commands;
  for (const Command& c : Commands()) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    sub->fallthrough();  // --json after the command
    const auto names = Positionals(c.usage);
    for (size_t i = 0; i < names.size(); ++i) {
      sub->add_option(names[i].first, options.arg[i])->required(names[i].second);
    }
    if (c.define) c.define(*sub, options);
    commands.emplace_back(&c, sub);
  }

  std::vector<std::string> args;
  for (int i = argc - 1; i > 0; --i) args.push_back(AsValue(argv[i]));
  // An unknown command is named as such, not as an unexpected argument.
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    if (it->rfind("-", 0) == 0) continue;
    const bool known = std::any_of(commands.begin(), commands.end(),
                                   [&](const auto& c) { return *it == c.first->name; });
    if (!known) {
      Error("quillet-cli: unknown command '" + *it + "' (see quillet-cli --help)");
      return kExitUsage;
    }
    break;
  }
  try {
    app.parse(args);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    const std::string reason = e.get_name() == "RequiredError"
                                   ? std::string("wrong number of arguments: ") + e.what()
                                   : std::string(e.what());
    for (const auto& [command, sub] : commands) {
      if (sub->parsed()) return UsageError(*command, reason);
    }
    Error(std::string(e.what()) + " (see quillet-cli --help)");
    return kExitUsage;
  }
  for (const auto& [command, sub] : commands) {
    if (!sub->parsed()) continue;
    // A DIR (or ROOT) that is not a folder is the same invalid input for every command.
    const std::string_view usage = command->usage;
    if ((usage.rfind("DIR", 0) == 0 || usage.rfind("ROOT", 0) == 0) &&
        !fs::IsDirectory(options.arg[0])) {
      return UsageError(*command, messages::NotAFolder(options.arg[0]));
    }
    return FinishOutput(command->run(options));
  }
  std::fputs(app.help().c_str(), stdout);
  return kExitUsage;
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> kCommands = {
      {"scan", "ROOT [--filter PATH]",
       "Walk ROOT for Portfolios (folders holding a MASTER or EMASTER file).", DefineScan, RunScan},
      {"symbols", "DIR [--repair]",
       "Check the MASTER file, then list symbol, name, file number (and index file).",
       DefineSymbols, RunSymbols},
      {"check", "DIR", "Run the MASTER damage tests only (ignored index entries on stderr).",
       nullptr, RunCheck},
      {"repair", "DIR", "Repair the MASTER file if it is damaged.", nullptr, RunRepair},
      {"quotes", "DIR SYMBOL [--oldest-first] [--file-number N]",
       "Show the quotes of a series, newest first.", DefineQuotes, RunQuotes},
      {"facts", "DIR SYMBOL [--file-number N]", "Show the facts of a series.", DefineFileNumber,
       RunFacts},
      {"edit", "DIR SYMBOL DATE OPEN HIGH LOW CLOSE VOLUME OI", "Replace the values of that day.",
       nullptr, RunEdit},
      {"split", "DIR SYMBOL DATE NEW OLD", "Apply a NEW for OLD split to the quotes before DATE.",
       nullptr, RunSplit},
      {"adjust", "DIR SYMBOL FROM TO PRICE VOLUME OI",
       "Scale prices, volume and open interest from FROM to TO.", nullptr, RunAdjust},
      {"add", "DIR SYMBOL DATE", "Add a copy of the quote of DATE on the weekday before.", nullptr,
       RunAdd},
      {"delete", "DIR SYMBOL DATE", "Delete the quote of DATE.", nullptr, RunDelete},
      {"split-search", "DIR [-o FILE] [--force]",
       "Search every symbol for splits not applied to the history.", DefineSplitSearch,
       RunSplitSearch},
      {"dump", "DIR [FILE|-] [--format csv|jsonl] [--recursive] [--force]",
       "Write every series as one table (stdout when FILE is - or left out).", DefineDump, RunDump},
      {"export",
       "DIR SYMBOL FILE [--columns open,high,low,close,vol,oi] [--delimiter comma|tab|space] "
       "[--newest-first] [--title] [--force] [--file-number N]",
       "Write a series as delimited text.", DefineExport, RunExport},
      {"symbol-edit", "DIR SYMBOL NEWSYMBOL NEWNAME", "Change a symbol and its name.", nullptr,
       RunSymbolEdit},
      {"symbol-delete", "DIR SYMBOL", "Delete a symbol and its files.", nullptr, RunSymbolDelete},
      {"symbol-copy", "DIR SYMBOL DEST", "Copy a symbol and its files into the Portfolio DEST.",
       nullptr, RunSymbolCopy},
      {"symbol-move", "DIR SYMBOL DEST", "Move a symbol and its files into the Portfolio DEST.",
       nullptr, RunSymbolMove},
  };
  return kCommands;
}

}  // namespace quillet::cli

int main(int argc, char** argv) {
  // A reader that goes away (| head) must not stop a write half-way: the write
  // finishes, and the lost output is reported by the exit status.
  std::signal(SIGPIPE, SIG_IGN);
  return quillet::cli::Main(argc, argv);
}
