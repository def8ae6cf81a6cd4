#include "core/lib/security_lookup.h"

#include <set>
#include <vector>

#include "core/base/strings.h"
#include "core/fs/files.h"

namespace quillet {

FolderIndex::FolderIndex(std::string directory)
    : names(std::move(directory)),
      code(ReadPortfolioIndex(names, index)),
      identity(fs::FolderIdentity(names.Directory())) {}

const FolderIndex& SecurityLookup::Folder(const std::string& directory) {
  std::string key = fs::WithSeparator(directory);
  auto found = folders_.find(key);
  if (found == folders_.end()) found = folders_.try_emplace(key, key).first;
  return found->second;
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

MasterLookup Found(const MasterRecord& record, const std::string& directory) {
  MasterLookup lookup;
  lookup.code = LIB_OK;
  lookup.record = record;
  lookup.directory = directory;
  return lookup;
}

}  // namespace

MasterLookup SecurityLookup::Walk(std::string_view directory,
                                  const std::function<bool(const MasterRecord&)>& matches) {
  MasterLookup lookup;
  std::vector<Level> stack;
  stack.push_back({fs::WithSeparator(directory), 0});
  // Folders already searched, so that a tree whose entries lead back to one
  // (links, odd names) is searched once and always ends.
  std::set<std::pair<uint64_t, uint64_t>> searched;
  searched.insert(Folder(stack.back().path).identity);

  while (true) {
    Level& level = stack.back();
    const FolderIndex& folder = Folder(level.path);
    int count = 0;
    if (folder.code != LIB_OK) {
      level.resume = 1;
      if (stack.size() == 1) lookup.masterUnreadable = true;
    } else {
      const MasterFile& master = folder.index.master;
      count = master.Count();
      const std::vector<MasterRecord>& records = master.Records();
      const auto present = [&](int k) { return static_cast<size_t>(k) <= records.size(); };
      if (level.resume == 0) {
        for (int k = 1; k <= count; ++k) {
          if (!present(k)) {
            level.resume = 1;
            count = 0;
            break;
          }
          const MasterRecord& candidate = records[static_cast<size_t>(k - 1)];
          if (candidate.IsDirectory()) {
            if (level.resume == 0) level.resume = k;
          } else if (matches(candidate)) {
            return Found(candidate, level.path);
          }
        }
        if (level.resume == 0) level.resume = count + 1;
        // XMASTER's securities after MASTER's, before any sub-directory.
        for (const MasterRecord& candidate : folder.index.extended) {
          if (matches(candidate)) return Found(candidate, level.path);
        }
      }
      // Step into the next sub-directory entry of this level, if any.
      std::string subPath;
      while (level.resume <= count && subPath.empty()) {
        const int k = level.resume;
        if (!present(k)) {
          lookup.code = LIB_FILE_READ;
          return lookup;
        }
        const MasterRecord& entry = records[static_cast<size_t>(k - 1)];
        ++level.resume;
        if (!entry.IsDirectory()) continue;
        const std::string name = entry.DirectoryName();
        if (!SafeDirectoryName(name) || stack.size() >= static_cast<size_t>(kMasterMaxLevels))
          continue;
        const fs::path sub = folder.names.Find(name);
        if (sub.empty()) continue;
        std::string candidate = fs::WithSeparator(sub.string());
        if (candidate.size() > kMasterMaxPath) continue;
        if (!searched.insert(Folder(candidate).identity).second) continue;
        subPath = std::move(candidate);
      }
      if (!subPath.empty()) {
        stack.push_back({std::move(subPath), 0});
        continue;
      }
    }
    // Nothing left at this level.
    if (stack.size() == 1) return lookup;
    stack.pop_back();
  }
}

MasterLookup SecurityLookup::Find(std::string_view directory, std::string_view query) {
  MasterLookup lookup =
      Walk(directory, [&](const MasterRecord& r) { return MasterRecordMatches(r, query); });
  if (lookup.code != LIB_FILE_NOT_FOUND || lookup.masterUnreadable || query.empty()) return lookup;
  // A symbol area cut by a control or non-ASCII byte is listed by the text before
  // that byte: the lookup finds it by that text too, when nothing else answers.
  return Walk(directory, [&](const MasterRecord& r) { return EqualsNoCase(r.Symbol(), query); });
}

MasterLookup SecurityLookup::FindByFileNumber(std::string_view directory, std::string_view query,
                                              int fileNumber) {
  MasterLookup lookup;
  const FolderIndex& folder = Folder(std::string(directory));
  if (folder.code != LIB_OK) {
    lookup.masterUnreadable = true;
    return lookup;
  }
  for (const std::vector<MasterRecord>* records :
       {&folder.index.master.Records(), &folder.index.extended}) {
    for (const MasterRecord& r : *records) {
      if (r.IsDirectory() || r.QuoteFileNumber() != fileNumber) continue;
      if (!MasterRecordMatches(r, query) && !EqualsNoCase(r.Symbol(), query)) continue;
      return Found(r, folder.names.Directory());
    }
  }
  return lookup;
}

}  // namespace quillet
