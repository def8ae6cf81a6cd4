#pragma once

#include <string>
#include <vector>

namespace quillet::testing {

// What one run of quillet-cli gave.
struct CliResult {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs the built quillet-cli with the arguments (no shell), capturing both streams.
CliResult RunCli(const std::vector<std::string>& args);

}  // namespace quillet::testing
