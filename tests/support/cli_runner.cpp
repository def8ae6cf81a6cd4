#include "support/cli_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/portfolio_builder.h"

namespace quillet::testing {
namespace {

std::string Slurp(const path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

CliOutput RunCliWith(const std::vector<std::string>& prefix, const std::vector<std::string>& args) {
  TempDir capture;
  const path outFile = capture / "out";
  const path errFile = capture / "err";
  std::vector<std::string> argv = prefix;
  argv.push_back(QUILLET_CLI_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);

  CliOutput result;
  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) ::_exit(127);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    ::execvp(raw[0], raw.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = Slurp(outFile);
  result.err = Slurp(errFile);
  return result;
}

CliOutput RunCli(const std::vector<std::string>& args) {
  return RunCliWith({}, args);
}

}  // namespace quillet::testing
