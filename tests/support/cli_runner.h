#pragma once

#include <string>
#include <vector>

namespace quillet::testing {

struct CliOutput {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs the built quillet-cli with args and collects its exit status and output.
CliOutput RunCli(const std::vector<std::string>& args);

// The same, with the program started through prefix (for example setpriv and
// its options, to run it as another user).
CliOutput RunCliWith(const std::vector<std::string>& prefix, const std::vector<std::string>& args);

}  // namespace quillet::testing
