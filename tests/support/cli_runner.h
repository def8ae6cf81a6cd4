#pragma once

#include <string>
#include <vector>

namespace quillet::testing {

struct CliResult {
  int status = -1;  // exit status; -1 when it did not exit (killed, timed out)
  std::string out;
  std::string err;
};

// Runs the built quillet-cli with args, capturing stdout and stderr; a run that
// takes longer than timeoutSeconds is killed (status -1), so a hang fails the test.
// With outputFd set, the program's stdout (and its stderr too with errorsToo) is
// that descriptor instead (/dev/full, a pipe nobody reads); what it prints there is lost.
CliResult RunCli(const std::vector<std::string>& args, int timeoutSeconds = 60, int outputFd = -1,
                 bool errorsToo = false);

// The same as the user nobody, where file permissions hold (tests run as root in
// CI): through setpriv when root, from a copy of quillet-cli in a folder every
// user may enter (the build tree may be closed to nobody).
CliResult RunCliAsNobody(const std::vector<std::string>& args, int timeoutSeconds = 60);

}  // namespace quillet::testing
