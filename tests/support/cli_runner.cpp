#include "support/cli_runner.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace quillet::testing {
namespace {

namespace stdfs = std::filesystem;

// A copy of quillet-cli in a folder every user may enter: the build tree may be closed to nobody.
class SharedCliCopy {
 public:
  SharedCliCopy() {
    std::string pattern = (stdfs::temp_directory_path() / "quillet-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    ::chmod(dir_.c_str(), 0755);
    binary_ = dir_ / "quillet-cli";
    stdfs::copy_file(QUILLET_CLI_PATH, binary_, stdfs::copy_options::overwrite_existing);
    ::chmod(binary_.c_str(), 0755);
  }
  ~SharedCliCopy() {
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }
  const stdfs::path& binary() const { return binary_; }

 private:
  stdfs::path dir_, binary_;
};

void ReadInto(int fd, std::string& text, bool& open) {
  char buffer[65536];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    text.append(buffer, static_cast<size_t>(n));
  } else if (n == 0 || errno != EINTR) {
    open = false;
  }
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options) {
  std::vector<std::string> argv;
  if (options.asNobody) {
    static const SharedCliCopy copy;
    if (::geteuid() == 0) {
      argv = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    argv.push_back(copy.binary().string());
  } else {
    argv.push_back(QUILLET_CLI_PATH);
  }
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  CliResult result;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  bool outOpen = true, errOpen = true;
  while (outOpen || errOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
      break;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    if (!outOpen) fds[0].fd = -1;
    if (!errOpen) fds[1].fd = -1;
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    if (fds[0].revents) ReadInto(outPipe[0], result.out, outOpen);
    if (fds[1].revents) ReadInto(errPipe[0], result.err, errOpen);
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace quillet::testing
