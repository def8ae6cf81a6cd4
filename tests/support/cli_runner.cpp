#include "support/cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/portfolio_builder.h"

extern char** environ;

namespace quillet::testing {
namespace {

std::string Text(const path& file) {
  const std::vector<uint8_t> bytes = ReadBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args) {
  TempDir capture;
  const std::string out = (capture / "out").string(), err = (capture / "err").string();
  std::vector<std::string> argv = {QUILLET_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  CliRun run;
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, QUILLET_CLI_PATH, &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = Text(out);
  run.err = Text(err);
  return run;
}

}  // namespace quillet::testing
