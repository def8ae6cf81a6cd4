#pragma once

#include <string>
#include <vector>

namespace quillet::testing {

struct CliResult {
  int status = -1;        // exit status; -1 when the process did not exit by itself
  int signal = 0;         // the signal that ended it, if any
  bool timedOut = false;  // killed after the timeout
  std::string out;
  std::string err;
};

struct CliOptions {
  int timeoutSeconds = 60;
  // Runs as the user nobody (through setpriv when the tests run as root), where
  // file permissions hold.
  bool asNobody = false;
};

// Runs the built quillet-cli with the arguments and collects what it prints.
CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {});

}  // namespace quillet::testing
