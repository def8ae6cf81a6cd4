#include "core/fs/swap_intent.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/base/strings.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"

namespace quillet::fs {
namespace {

// Only plain names in the folder, and only working files of ours are taken from
// the record: whatever it says, nothing outside the folder is touched.
bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool ValidSwap(const Swap& s) {
  return PlainName(s.first) && PlainName(s.second) && ToUpperAscii(s.first).ends_with(".NEW") &&
         s.first != s.second;
}

}  // namespace

LibResult RecordSwaps(const path& folder, const std::vector<Swap>& swaps, FileSteps& steps) {
  std::string text;
  for (const Swap& s : swaps) text += s.first + '\t' + s.second + '\n';
  const path intent = folder / kSwapIntentName;
  path working = intent;
  working += ".~CP";
  return ReplaceFile(intent, working, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                     steps);
}

void ClearSwaps(const path& folder) {
  if (::unlink((folder / kSwapIntentName).c_str()) == 0) SyncDirectory(folder);
}

std::vector<Swap> PendingSwaps(const path& folder) {
  std::vector<uint8_t> bytes;
  std::vector<Swap> swaps;
  if (!ReadWholeFile(folder / kSwapIntentName, bytes)) return swaps;
  const std::string text(bytes.begin(), bytes.end());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    Swap s{line.substr(0, tab), line.substr(tab + 1)};
    // A working file already gone was swapped in before the change was cut short.
    struct stat st {};
    if (ValidSwap(s) && ::lstat((folder / s.first).c_str(), &st) == 0 && S_ISREG(st.st_mode))
      swaps.push_back(std::move(s));
  }
  return swaps;
}

bool FinishPendingSwaps(const path& folder) {
  struct stat st {};
  if (::lstat((folder / kSwapIntentName).c_str(), &st) != 0) return true;
  for (const Swap& s : PendingSwaps(folder)) {
    if (std::rename((folder / s.first).c_str(), (folder / s.second).c_str()) != 0) {
      NoteFailure(errno);
      return false;
    }
    SyncDirectory(folder);
  }
  ClearSwaps(folder);
  return true;
}

}  // namespace quillet::fs
