#include "cli/cli.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace quillet::cli {

Args::Args(std::vector<std::string> argv, std::set<std::string> flags,
           std::set<std::string> valueOptions) {
  bool onlyPositional = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-' || (a[1] >= '0' && a[1] <= '9') ||
        a[1] == '.') {
      positional_.push_back(a);  // negative numbers are values, not options
    } else if (a == "--") {
      onlyPositional = true;
    } else if (flags.count(a)) {
      flagsSet_.insert(a);
    } else if (valueOptions.count(a)) {
      if (i + 1 >= argv.size()) {
        error_ = "option " + a + " needs a value";
        return;
      }
      values_[a] = argv[++i];
    } else {
      error_ = "unknown option " + a;
      return;
    }
  }
}

std::string Args::Option(const std::string& name, const std::string& fallback) const {
  const auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

std::string JsonEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Bytes of the files are not always text: keep them visible and the JSON valid.
          std::array<char, 8> buffer{};
          std::snprintf(buffer.data(), buffer.size(), "\\u%04x", c);
          out += buffer.data();
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void Table::Print(bool json) const {
  std::string out;
  if (json) {
    out += "[";
    for (size_t r = 0; r < rows_.size(); ++r) {
      out += r ? ",\n {" : "\n {";
      for (size_t c = 0; c < columns_.size() && c < rows_[r].size(); ++c) {
        if (c) out += ", ";
        out += "\"" + JsonEscape(columns_[c]) + "\": \"" + JsonEscape(rows_[r][c]) + "\"";
      }
      out += "}";
    }
    out += rows_.empty() ? "]\n" : "\n]\n";
  } else {
    for (const auto& row : rows_) {
      for (size_t c = 0; c < row.size(); ++c) {
        if (c) out += '\t';
        out += row[c];
      }
      out += '\n';
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void Error(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stderr);
  if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
}

void PrintCommandHelp(const Command& command) {
  std::printf("usage: quillet-cli %s %s\n\n%s\n", command.name, command.usage, command.summary);
}

int UsageError(const Command& command, std::string_view reason) {
  Error(std::string(reason));
  std::fprintf(stderr, "usage: quillet-cli %s %s\n", command.name, command.usage);
  return kExitUsage;
}

const Command& FindCommand(std::string_view name) {
  for (const Command& c : Commands()) {
    if (name == c.name) return c;
  }
  throw std::logic_error("no such command");
}

bool ParseArgs(const Context& context, const Command& command, size_t positionals,
               std::set<std::string> flags, std::set<std::string> valueOptions, Args& args,
               int& exit) {
  for (const std::string& a : context.args) {
    if (a == "--help" || a == "-h") {
      PrintCommandHelp(command);
      exit = kExitOk;
      return false;
    }
  }
  args = Args(context.args, std::move(flags), std::move(valueOptions));
  if (!args.ok()) {
    exit = UsageError(command, args.error());
    return false;
  }
  if (args.positional().size() != positionals) {
    exit = UsageError(command, "wrong number of arguments");
    return false;
  }
  return true;
}

}  // namespace quillet::cli
