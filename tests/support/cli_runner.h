#pragma once

#include <string>
#include <vector>

namespace quillet::testing {

// What one run of the built quillet-cli gave.
struct CliRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs quillet-cli (QUILLET_CLI_PATH) with these arguments, no shell involved.
CliRun RunCli(const std::vector<std::string>& args);

}  // namespace quillet::testing
