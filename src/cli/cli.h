#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/quote_date.h"

namespace CLI {
class App;
}

namespace quillet::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Json = nlohmann::ordered_json;

// What the command line gave: the positional arguments in the order of the
// command's usage (an optional one left out is empty) and the options.
struct Options {
  bool json = false;
  std::array<std::string, 9> arg;
  bool oldestFirst = false;
  bool newestFirst = false;
  bool repair = false;
  bool force = false;
  bool title = false;
  bool recursive = false;
  std::optional<std::string> filter;
  std::optional<std::string> output;
  std::optional<std::string> columns;
  std::string delimiter = "comma";
  std::string format = "csv";
  int fileNumber = 0;
};

struct Command {
  const char* name;
  // The arguments as the usage line shows them: positionals (optional ones in
  // brackets) then the options, which define adds to the command.
  const char* usage;
  const char* summary;
  void (*define)(CLI::App& command, Options& options);  // null: positionals only
  int (*run)(const Options& options);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

// Messages on stderr, in the system's words.
void Error(std::string_view message);
// A usage error of the command: the reason and the command's usage line; exit 2.
int UsageError(const Command& command, std::string_view reason);
const Command& FindCommand(std::string_view name);

// Standard output. A failed write is remembered (the OS's reason) and turns the
// exit status into a failure at the end: a truncated table is never a success.
void Out(std::string_view text);
int FinishOutput(int exit);
bool OutputFailed();

// A field of a tab-separated line: tab, newline, CR, backslash, the other control
// bytes and DEL written as \t \n \r \\ \xNN, so a record stays one line of its columns.
std::string TsvField(std::string_view text);
// Text from a file or the OS as a JSON string: UTF-8 as it is, any other bytes
// read as Latin-1. Blanks trimmed on both sides when trim is set.
std::string JsonText(std::string_view text, bool trim = false);

// Rows printed tab-separated (each field escaped), or as a JSON array of the
// rows' objects with --json.
class Table {
 public:
  void AddRow(std::vector<std::string> texts, Json object) {
    texts_.push_back(std::move(texts));
    objects_.push_back(std::move(object));
  }
  void Print(bool json) const;

 private:
  std::vector<std::vector<std::string>> texts_;
  std::vector<Json> objects_;
};

// A day as an ISO 8601 date ("2000-01-04"), null for no date.
Json IsoDate(QuoteDay day);

// One JSON value on a line of its own.
void PrintJson(const Json& value);

}  // namespace quillet::cli
