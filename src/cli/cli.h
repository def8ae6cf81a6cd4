#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The arguments of one command: positionals, --flags and --options VALUE.
class Args {
 public:
  Args() = default;
  // valueOptions take the next argument as their value ("-o", "--columns").
  Args(std::vector<std::string> argv, std::set<std::string> flags,
       std::set<std::string> valueOptions);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::vector<std::string>& positional() const { return positional_; }
  bool Flag(const std::string& name) const { return flagsSet_.count(name) != 0; }
  // The option's value, or fallback when it was not given.
  std::string Option(const std::string& name, const std::string& fallback = {}) const;
  bool HasOption(const std::string& name) const { return values_.count(name) != 0; }

 private:
  std::vector<std::string> positional_;
  std::set<std::string> flagsSet_;
  std::map<std::string, std::string> values_;
  std::string error_;
};

// Rows printed tab-separated, or as a JSON array of objects with --json.
class Table {
 public:
  explicit Table(std::vector<std::string> columns) : columns_(std::move(columns)) {}
  void AddRow(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  void Print(bool json) const;

 private:
  std::vector<std::string> columns_;
  std::vector<std::vector<std::string>> rows_;
};

// What a command gets: its arguments (after the command name) and the output form.
struct Context {
  std::vector<std::string> args;
  bool json = false;
};

struct Command {
  const char* name;
  const char* usage;    // the arguments, as the help shows them
  const char* summary;  // one line
  int (*run)(const Context&);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

// Messages on stderr, in the system's words.
void Error(std::string_view message);
// A usage error for the command: the reason and the command's usage line; exit 2.
int UsageError(const Command& command, std::string_view reason);
// The command's --help text.
void PrintCommandHelp(const Command& command);
const Command& FindCommand(std::string_view name);

// Parses the command's arguments; on --help prints the help and sets exit to 0,
// on a usage error prints it and sets exit to 2. Returns true when the command
// should run, with exactly `positionals` positional arguments.
bool ParseArgs(const Context& context, const Command& command, size_t positionals,
               std::set<std::string> flags, std::set<std::string> valueOptions, Args& args,
               int& exit);

std::string JsonEscape(std::string_view text);

}  // namespace quillet::cli
