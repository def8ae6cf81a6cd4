#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace quillet::fs {

using std::filesystem::path;

// How long a writer waits for another to let go of a Portfolio before it gives
// up (the window and the command line may run side by side).
void SetLockWait(std::chrono::milliseconds wait);

// Exclusive locks on Portfolio folders (flock on the folder itself: no file is
// left behind for other programs to see), held until the object goes. A folder
// this thread already holds is not locked twice, so a write may call another.
class PortfolioLock {
 public:
  PortfolioLock() = default;
  PortfolioLock(const PortfolioLock&) = delete;
  PortfolioLock& operator=(const PortfolioLock&) = delete;
  ~PortfolioLock();

  // Locks the folders in the order of their real paths (two writers never wait
  // on each other crosswise), waiting up to the lock wait for each, and finishes
  // a change that a writer left half-way in each (FinishPendingSwaps). False
  // when one stays busy (busy() names it); this call then holds none of them.
  // A folder that cannot be opened, or whose file system cannot lock it, is
  // passed over.
  bool Acquire(std::vector<path> folders);
  const path& busy() const { return busy_; }

 private:
  struct Held {
    uint64_t volume = 0, node = 0;
  };
  std::vector<Held> held_;
  path busy_;
};

// True when the file exists and no one may write it (no write bit in its mode):
// a history protected with chmod a-w is refused, not replaced. The bits are read
// rather than asked of access(), which says yes to root whatever the mode.
bool IsReadOnly(const path& file);

// True when nothing stands at the name or a regular file does (a link is not
// followed): what a backup may be written over or kept as.
bool IsPlainFileOrAbsent(const path& file);

}  // namespace quillet::fs
