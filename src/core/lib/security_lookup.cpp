#include "core/lib/security_lookup.h"

#include <algorithm>
#include <set>

#include "core/base/strings.h"
#include "core/fs/files.h"

namespace quillet {
namespace {

// A single lookup asks a folder once or twice: so few queries cost less tried
// on each security than an index made for them.
constexpr int kQueriesBeforeIndex = 4;

}  // namespace

FolderIndex::FolderIndex(std::string directory)
    : names(std::move(directory)),
      code(ReadPortfolioIndex(names, index)),
      identity(fs::FolderIdentity(names.Directory())) {
  if (code != LIB_OK) return;
  const std::vector<MasterRecord>& records = index.master.Records();
  const int count = index.master.Count();
  complete = static_cast<size_t>(std::max(count, 0)) <= records.size();
  for (size_t k = 0; k < records.size() && k < static_cast<size_t>(std::max(count, 0)); ++k) {
    if (!records[k].IsDirectory()) securities_.push_back(&records[k]);
  }
  for (const MasterRecord& record : index.extended) securities_.push_back(&record);
}

const MasterRecord* FolderIndex::First(std::string_view query, LookupRule rule) const {
  if (rule == LookupRule::Words && query.find(' ') == std::string_view::npos &&
      ++asked_ > kQueriesBeforeIndex) {
    if (byText_.empty()) {
      for (size_t i = 0; i < securities_.size(); ++i) {
        const auto [name, symbol] = MatchedTexts(*securities_[i], 0);
        byText_.try_emplace(ToUpperAscii(name), i);
        byText_.try_emplace(ToUpperAscii(symbol), i);
      }
    }
    const auto found = byText_.find(ToUpperAscii(query));
    return found == byText_.end() ? nullptr : securities_[found->second];
  }
  for (const MasterRecord* record : securities_) {
    if (rule == LookupRule::Words ? MasterRecordMatches(*record, query)
                                  : EqualsNoCase(record->Symbol(), query)) {
      return record;
    }
  }
  return nullptr;
}

const FolderIndex& SecurityLookup::Folder(const std::string& directory) {
  std::string key = fs::WithSeparator(directory);
  auto found = folders_.find(key);
  if (found == folders_.end()) found = folders_.try_emplace(key, key).first;
  return found->second;
}

namespace {

struct Level {
  std::string path;  // the directory of this level, ending in a separator
  int resume = 0;    // 0 not yet searched; else the next MASTER record to step into
};

// A sub-directory name that stays inside its parent: no separators, no "." or "..".
bool SafeDirectoryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

}  // namespace

MasterLookup SecurityLookup::Walk(std::string_view directory, std::string_view query,
                                  LookupRule rule) {
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
    if (folder.code != LIB_OK) {
      if (stack.size() == 1) lookup.masterUnreadable = true;
    } else {
      // The folder's own securities first, then its sub-directories depth first.
      if (level.resume == 0) {
        if (const MasterRecord* found = folder.First(query, rule)) {
          lookup.code = LIB_OK;
          lookup.record = *found;
          lookup.directory = level.path;
          return lookup;
        }
        level.resume = 1;
      }
      const std::vector<MasterRecord>& records = folder.index.master.Records();
      const int count = folder.complete ? folder.index.master.Count() : 0;
      std::string subPath;
      while (level.resume <= count && subPath.empty()) {
        const MasterRecord& entry = records[static_cast<size_t>(level.resume++ - 1)];
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
  MasterLookup lookup = Walk(directory, query, LookupRule::Words);
  if (lookup.code != LIB_FILE_NOT_FOUND || lookup.masterUnreadable || query.empty()) return lookup;
  // A symbol area cut by a control or non-ASCII byte is listed by the text before
  // that byte: the lookup finds it by that text too, when nothing else answers.
  return Walk(directory, query, LookupRule::ListText);
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
      lookup.code = LIB_OK;
      lookup.record = r;
      lookup.directory = folder.names.Directory();
      return lookup;
    }
  }
  return lookup;
}

}  // namespace quillet
