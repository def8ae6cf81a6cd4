#include "core/fs/portfolio_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

#include "core/fs/swap_intent.h"

namespace quillet::fs {
namespace {

std::atomic<int64_t> lockWaitMs{10000};

// The folders this thread holds, with how many PortfolioLocks hold each.
struct ThreadHeld {
  uint64_t volume = 0, node = 0;
  int fd = -1;
  int count = 0;
};
thread_local std::vector<ThreadHeld> threadHeld;

ThreadHeld* HeldByThread(uint64_t volume, uint64_t node) {
  for (ThreadHeld& h : threadHeld)
    if (h.volume == volume && h.node == node) return &h;
  return nullptr;
}

enum class Locking { Locked, Busy, Unsupported };

// Tries for the lock until the wait is over. A file system that cannot lock a
// folder (NFS emulates flock with locks that need a file open for writing)
// is not taken for a busy one: the write goes on as it did before locks.
Locking LockWithin(int fd, std::chrono::milliseconds wait) {
  const auto end = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Locking::Locked;
    if (errno != EWOULDBLOCK && errno != EINTR) return Locking::Unsupported;
    if (std::chrono::steady_clock::now() >= end) return Locking::Busy;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

void SetLockWait(std::chrono::milliseconds wait) {
  lockWaitMs = wait.count();
}

PortfolioLock::~PortfolioLock() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    ThreadHeld* h = HeldByThread(it->volume, it->node);
    if (h == nullptr || --h->count > 0) continue;
    ::flock(h->fd, LOCK_UN);
    ::close(h->fd);
    threadHeld.erase(threadHeld.begin() + (h - threadHeld.data()));
  }
}

bool PortfolioLock::Acquire(std::vector<path> folders) {
  std::error_code ec;
  for (path& folder : folders) {
    if (folder.empty()) folder = ".";
    const path real = std::filesystem::canonical(folder, ec);
    if (!ec) folder = real;
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  const size_t before = held_.size();
  const auto giveUp = [&](const path& folder) {
    busy_ = folder;
    while (held_.size() > before) {
      PortfolioLock undo;
      undo.held_.push_back(held_.back());
      held_.pop_back();
    }
    return false;
  };
  for (const path& folder : folders) {
    // A folder that cannot be opened holds nothing to protect: the write itself
    // then fails on it with its own words.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      continue;
    }
    const auto volume = static_cast<uint64_t>(st.st_dev), node = static_cast<uint64_t>(st.st_ino);
    if (ThreadHeld* h = HeldByThread(volume, node)) {
      ::close(fd);
      ++h->count;
      held_.push_back({volume, node});
      continue;
    }
    const Locking got = LockWithin(fd, std::chrono::milliseconds(lockWaitMs.load()));
    if (got != Locking::Locked) {
      ::close(fd);
      if (got == Locking::Busy) return giveUp(folder);
      FinishPendingSwaps(folder);
      continue;
    }
    threadHeld.push_back({volume, node, fd, 1});
    held_.push_back({volume, node});
    FinishPendingSwaps(folder);
  }
  return true;
}

bool IsReadOnly(const path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool IsPlainFileOrAbsent(const path& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

}  // namespace quillet::fs
