#include "core/lib/master.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "core/base/strings.h"
#include "core/fs/files.h"

namespace quillet {

std::string MasterRecord::Text(int offset) const {
  const char* begin = reinterpret_cast<const char*>(bytes.data() + offset);
  const size_t length = strnlen(begin, kMasterTextSize);
  return std::string(begin, length);
}

void MasterRecord::SetText(int offset, std::string_view text) {
  for (int i = 0; i < kMasterTextSize; ++i) {
    bytes[static_cast<size_t>(offset + i)] = static_cast<uint8_t>(
        static_cast<size_t>(i) < text.size() ? text[static_cast<size_t>(i)] : ' ');
  }
}

bool MasterRecord::IsDirectory() const {
  return std::memcmp(bytes.data() + kMasterName + 11, "<DIR>", 5) == 0 && bytes[kMasterName] != ' ';
}

std::string MasterRecord::DirectoryName() const {
  std::string name(reinterpret_cast<const char*>(bytes.data() + kMasterName), 8);
  name = name.substr(0, name.find('\0'));
  return TrimTrailingBlanks(name);
}

bool MasterRecordMatches(const MasterRecord& record, std::string_view query) {
  std::string name = record.Name();
  if (EqualsNoCase(query, TrimTrailingBlanks(name))) return true;
  const std::string symbol = record.Symbol();
  const size_t end = IndexOfNthChar(symbol, ' ', CountChar(query, ' ') + 1);
  return EqualsNoCase(query, std::string_view(symbol).substr(0, end));
}

namespace {

struct Level {
  std::string path;  // the directory of this level, ending in a separator
  int resume = 0;    // 0 not yet visited; N + 1 exhausted; else next record to examine
};

// A sub-directory name that stays inside its parent: no separators, no "." or "..".
bool SafeDirectoryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

// Identity of a folder, so that a tree whose entries lead back to a folder
// already searched (links, odd names) is searched once and always ends.
std::pair<dev_t, ino_t> FolderId(const std::string& path) {
  struct stat st {};
  if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) return {0, 0};
  return {st.st_dev, st.st_ino};
}

}  // namespace

LibResult FindMasterRecord(std::string_view directory, std::string_view query, MasterRecord& record,
                           std::string& foundDirectory) {
  std::vector<Level> stack;
  stack.push_back({fs::WithSeparator(directory), 0});
  std::set<std::pair<dev_t, ino_t>> searched;
  searched.insert(FolderId(stack.back().path));
  std::vector<uint8_t> file;

  while (true) {
    Level& level = stack.back();
    int count = 0;
    const fs::path master = fs::FindNoCase(level.path, kMasterFileName);
    const bool readable = !master.empty() && fs::ReadWholeFile(master, file) &&
                          file.size() >= static_cast<size_t>(kMasterRecordSize);
    if (!readable) {
      level.resume = 1;
    } else {
      count = LoadInt16(file.data() + kMasterHeaderCount);
      const auto recordAt = [&](int k) {
        return file.data() + static_cast<size_t>(k) * kMasterRecordSize;
      };
      const auto present = [&](int k) {
        return (static_cast<size_t>(k) + 1) * kMasterRecordSize <= file.size();
      };
      if (level.resume == 0) {
        for (int k = 1; k <= count; ++k) {
          if (!present(k)) {
            level.resume = 1;
            count = 0;
            break;
          }
          MasterRecord candidate;
          std::memcpy(candidate.bytes.data(), recordAt(k), kMasterRecordSize);
          if (candidate.IsDirectory()) {
            if (level.resume == 0) level.resume = k;
          } else if (MasterRecordMatches(candidate, query)) {
            record = candidate;
            foundDirectory = level.path;
            return LIB_OK;
          }
        }
        if (level.resume == 0) level.resume = count + 1;
      }
      // Step into the next sub-directory entry of this level, if any.
      std::string subPath;
      while (level.resume <= count && subPath.empty()) {
        const int k = level.resume;
        if (!present(k)) return LIB_FILE_READ;
        MasterRecord entry;
        std::memcpy(entry.bytes.data(), recordAt(k), kMasterRecordSize);
        ++level.resume;
        if (!entry.IsDirectory()) continue;
        const std::string name = entry.DirectoryName();
        if (!SafeDirectoryName(name) || stack.size() >= static_cast<size_t>(kMasterMaxLevels))
          continue;
        const fs::path sub = fs::FindNoCase(level.path, name);
        if (sub.empty()) continue;
        std::string candidate = fs::WithSeparator(sub.string());
        if (candidate.size() > kMasterMaxPath) continue;
        if (!searched.insert(FolderId(candidate)).second) continue;
        subPath = std::move(candidate);
      }
      if (!subPath.empty()) {
        stack.push_back({std::move(subPath), 0});
        continue;
      }
    }
    // Nothing left at this level.
    if (stack.size() == 1) return LIB_FILE_NOT_FOUND;
    stack.pop_back();
  }
}

}  // namespace quillet
