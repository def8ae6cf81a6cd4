#include "support/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace quillet::testing {
namespace {

class SharedCliCopy {
 public:
  SharedCliCopy() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    ::chmod(dir_.c_str(), 0755);
    binary_ = dir_ / "quillet-cli";
    std::filesystem::copy_file(QUILLET_CLI_PATH, binary_,
                               std::filesystem::copy_options::overwrite_existing);
    ::chmod(binary_.c_str(), 0755);
  }
  ~SharedCliCopy() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::filesystem::path& binary() const { return binary_; }

 private:
  std::filesystem::path dir_, binary_;
};

CliResult RunProgram(const std::string& program, const std::vector<std::string>& prefix,
                     const std::vector<std::string>& args, int timeoutSeconds, int outputFd = -1,
                     bool errorsToo = false);

}  // namespace

CliResult RunCliAsNobody(const std::vector<std::string>& args, int timeoutSeconds) {
  static const SharedCliCopy copy;
  std::vector<std::string> prefix;
  if (::geteuid() == 0) {
    prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  }
  return RunProgram(copy.binary().string(), prefix, args, timeoutSeconds);
}

CliResult RunCli(const std::vector<std::string>& args, int timeoutSeconds, int outputFd,
                 bool errorsToo) {
  return RunProgram(QUILLET_CLI_PATH, {}, args, timeoutSeconds, outputFd, errorsToo);
}

namespace {

CliResult RunProgram(const std::string& program, const std::vector<std::string>& prefix,
                     const std::vector<std::string>& args, int timeoutSeconds, int outputFd,
                     bool errorsToo) {
  CliResult result;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(outputFd >= 0 ? outputFd : out[1], 1);
    ::dup2(outputFd >= 0 && errorsToo ? outputFd : err[1], 2);
    const int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    std::vector<char*> argv;
    std::vector<std::string> copy = prefix;
    copy.push_back(program);
    copy.insert(copy.end(), args.begin(), args.end());
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  bool timedOut = false;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[65536];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& f : fds) {
    if (f.fd >= 0) ::close(f.fd);
  }
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = (!timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace

}  // namespace quillet::testing
