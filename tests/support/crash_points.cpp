#include "support/crash_points.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "core/base/strings.h"
#include "core/portfolio/write_guard.h"

namespace quillet::testing {

const char* StepName(fs::FsStep step) {
  static constexpr const char* kNames[] = {"Create", "Write", "Sync", "Rename",
                                           "Remove", "Copy",  "Read"};
  return kNames[static_cast<size_t>(step)];
}

TestSteps TestSteps::FailingAt(size_t index) {
  return TestSteps([index](size_t i, fs::FsStep, const path&) { return i == index; });
}

TestSteps TestSteps::Failing(fs::FsStep kind) {
  return TestSteps([kind](size_t, fs::FsStep step, const path&) { return step == kind; });
}

bool TestSteps::Allow(fs::FsStep step, const path& file) {
  recorded_.push_back({step, file});
  if (!fail_ || !fail_(recorded_.size() - 1, step, file)) return true;
  ++failed_;
  fs::NoteFailure(error_);
  return false;
}

namespace {

std::string Relative(const path& file, const path& root) {
  const path rel = file.lexically_relative(root);
  return rel.empty() || rel.native().starts_with("..") ? file.string() : rel.string();
}

}  // namespace

std::vector<std::string> TestSteps::Names(const path& root) const {
  std::vector<std::string> names;
  for (const Step& s : recorded_)
    names.push_back(std::string(StepName(s.step)) + " " + Relative(s.file, root));
  return names;
}

bool IsWorkingFileName(const std::string& name) {
  const std::string upper = ToUpperAscii(path(name).filename().string());
  for (const char* suffix : {".NEW", ".TMP", ".~NU", ".~CP", ".~WR", ".~IN"}) {
    if (upper.ends_with(suffix)) return true;
  }
  return false;
}

namespace {

constexpr int kDiedAtStep = 86;

using MaybeBytes = const std::vector<uint8_t>*;

MaybeBytes Find(const TreeSnapshot& s, const std::string& name) {
  const auto it = s.find(name);
  return it == s.end() ? nullptr : &it->second;
}

bool Same(MaybeBytes a, MaybeBytes b) {
  return a == b || (a && b && *a == *b);
}

std::string Describe(MaybeBytes now, MaybeBytes before, MaybeBytes after) {
  if (!now) return "missing";
  const size_t expected = after ? after->size() : before ? before->size() : 0;
  if (now->size() < expected) return "partial (" + std::to_string(now->size()) + " bytes)";
  return "changed (" + std::to_string(now->size()) + " bytes)";
}

}  // namespace

std::vector<std::string> TreeChanges(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::vector<std::string> changes;
  for (const auto& [name, bytes] : after) {
    const MaybeBytes b = Find(before, name);
    if (!b)
      changes.push_back("+" + name);
    else if (*b != bytes)
      changes.push_back(name);
  }
  for (const auto& [name, bytes] : before)
    if (!after.count(name)) changes.push_back("-" + name);
  std::sort(changes.begin(), changes.end());
  return changes;
}

namespace {

// Each rename comes after a sync of the renamed file (its content is on disk
// before its name is) and is followed by a sync of its folder.
void CheckSyncOrder(const TestSteps& steps, std::vector<std::string>& failures) {
  const auto& s = steps.recorded();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i].step != fs::FsStep::Rename) continue;
    bool synced = false;
    for (size_t j = i; j-- > 0 && !synced;) {
      if (s[j].file != s[i].file) continue;
      if (s[j].step != fs::FsStep::Sync) break;  // written (or made) after its last sync
      synced = true;
    }
    if (!synced) failures.push_back("renamed without a sync first: " + s[i].file.string());
    const path folder = s[i].file.parent_path();
    const bool folderSynced = i + 1 < s.size() && s[i + 1].step == fs::FsStep::Sync &&
                              s[i + 1].file == (folder.empty() ? path(".") : folder);
    if (!folderSynced) failures.push_back("folder not synced after renaming " + s[i].file.string());
  }
}

// What a run left, checked against the states before and after.
void CheckTree(const CrashPointCase& c, const TreeSnapshot& before, const TreeSnapshot& after,
               const TreeSnapshot& now, bool processSurvived, LibResult result,
               const std::string& where, std::vector<std::string>& failures) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : before) names.insert(name);
  for (const auto& [name, bytes] : after) names.insert(name);
  for (const auto& [name, bytes] : now) {
    if (names.count(name)) continue;
    if (IsWorkingFileName(name)) {
      if (processSurvived) failures.push_back(where + ": working file " + name + " left behind");
    } else {
      failures.push_back(where + ": unexpected file " + name);
    }
  }
  const bool mustBeAfter = processSurvived && result == LIB_OK;
  const bool mustBeBefore = processSurvived && result != LIB_OK && c.failureRestoresAll;
  std::set<std::string> backupNames;
  for (const auto& [file, backup] : c.backups) backupNames.insert(backup);
  for (const std::string& name : names) {
    const MaybeBytes b = Find(before, name), a = Find(after, name), n = Find(now, name);
    if (IsWorkingFileName(name) && !a) continue;  // a working file the operation consumed
    if (mustBeAfter && !Same(n, a)) {
      failures.push_back(where + ": reported success but " + name +
                         " is not as after: " + Describe(n, b, a));
    } else if (mustBeBefore && !Same(n, b) && !backupNames.count(name)) {  // backups come first
      failures.push_back(where + ": reported failure but " + name +
                         " is not as before: " + Describe(n, b, a));
    } else if (!Same(n, b) && !Same(n, a)) {
      failures.push_back(where + ": " + name +
                         " is neither as before nor as after: " + Describe(n, b, a));
    }
  }
  for (const auto& [file, backup] : c.backups) {
    const MaybeBytes b = Find(before, file), n = Find(now, file);
    if (Same(n, b)) continue;
    if (!b || !Same(Find(now, backup), b)) {
      failures.push_back(where + ": " + file + " changed without its backup " + backup);
    }
  }
  for (const auto& group : c.keepOne) {
    if (group.empty()) continue;
    const MaybeBytes original = Find(before, group.front());
    bool kept = false;
    for (const std::string& name : group)
      kept = kept || (original && Same(Find(now, name), original));
    if (!kept) failures.push_back(where + ": " + group.front() + " is in none of its places");
  }
}

// The tree without its backups and working files: what a reader sees.
TreeSnapshot Seen(const CrashPointCase& c, TreeSnapshot tree) {
  std::erase_if(tree, [&](const auto& entry) {
    for (const auto& [file, backup] : c.backups)
      if (entry.first == backup) return true;
    return IsWorkingFileName(entry.first);
  });
  return tree;
}

// A kill left the change whole, or one check reports and the next writer finishes.
void CheckWhole(const CrashPointCase& c, const TreeSnapshot& before, const TreeSnapshot& after,
                const path& root, const std::string& where, std::vector<std::string>& failures) {
  const TreeSnapshot now = Seen(c, SnapshotTree(root));
  if (now == Seen(c, before) || now == Seen(c, after)) return;
  if (DescribeUnfinishedChange((root / "MASTER").string()).empty()) {
    failures.push_back(where + ": a half-made change that check does not report");
    return;
  }
  WriteGuard next;
  if (!next.Lock({root}) || Seen(c, SnapshotTree(root)) != Seen(c, after))
    failures.push_back(where + ": the next writer does not finish the change");
}

// A fresh tree, laid out by the case.
struct Fresh {
  TempDir dir;
  path root;
  TreeSnapshot before;
  explicit Fresh(const CrashPointCase& c) : root(dir.root() / "t") {
    std::filesystem::create_directories(root);
    c.build(root);
    before = SnapshotTree(root);
  }
};

}  // namespace

CrashPointReport RunCrashPoints(const CrashPointCase& c) {
  CrashPointReport report;
  TreeSnapshot before, after;
  {
    Fresh clean(c);
    before = clean.before;
    TestSteps steps;
    const LibResult r = c.operation(clean.root, steps);
    report.steps = steps.Names(clean.root);
    if (r != LIB_OK) {
      report.failures.push_back("the operation fails without any fault: " + std::to_string(r));
      return report;
    }
    after = SnapshotTree(clean.root);
    CheckSyncOrder(steps, report.failures);
    std::vector<std::string> expected = c.changes;
    std::sort(expected.begin(), expected.end());
    if (const auto changes = TreeChanges(before, after);
        !c.changes.empty() && changes != expected) {
      std::string got;
      for (const std::string& name : changes) got += " " + name;
      report.failures.push_back("clean run changes" + got);
    }
    for (const auto& [name, bytes] : after) {
      if (IsWorkingFileName(name) && !before.count(name)) {
        report.failures.push_back("clean run: working file " + name + " left behind");
      }
    }
  }
  if (report.steps.empty())
    report.failures.push_back("the operation takes no file step the hook sees");

  for (size_t k = 0; k < report.steps.size(); ++k) {
    const std::string label = "step " + std::to_string(k + 1) + " (" + report.steps[k] + ")";
    {  // The step fails as the system call would; the process goes on.
      Fresh run(c);
      TestSteps failing = TestSteps::FailingAt(k);
      const LibResult r = c.operation(run.root, failing);
      ++report.runs;
      CheckTree(c, before, after, SnapshotTree(run.root), true, r, "failed " + label,
                report.failures);
    }
    {  // The process dies at the step.
      Fresh run(c);
      const pid_t child = ::fork();
      if (child == 0) {
        TestSteps dying([k](size_t i, fs::FsStep, const path&) {
          if (i == k) ::_exit(kDiedAtStep);
          return false;
        });
        ::_exit(c.operation(run.root, dying) == LIB_OK ? 0 : 1);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ++report.runs;
      const std::string where = "died at " + label;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != kDiedAtStep) {
        report.failures.push_back(where + ": the child did not reach the step (status " +
                                  std::to_string(status) + ")");
        continue;
      }
      CheckTree(c, before, after, SnapshotTree(run.root), false, LIB_OK, where, report.failures);
      if (c.whole) CheckWhole(c, before, after, run.root, where, report.failures);
      if (c.retryAfterCrash) {
        const LibResult r = c.operation(run.root, fs::EveryStep());
        if (r != LIB_OK) {
          report.failures.push_back(where +
                                    ": the operation run again fails: " + std::to_string(r));
        } else {
          CheckTree(c, before, after, SnapshotTree(run.root), true, r, where + ", run again",
                    report.failures);
        }
      }
    }
  }
  return report;
}

std::vector<std::string> RunWithWorkingNamesTaken(const CrashPointCase& c) {
  std::vector<std::string> failures;
  std::vector<std::string> working;
  TreeSnapshot after;
  {
    Fresh clean(c);
    TestSteps steps;
    if (c.operation(clean.root, steps) != LIB_OK) return {"the operation fails without any fault"};
    after = SnapshotTree(clean.root);
    for (const auto& s : steps.recorded())
      if (s.step == fs::FsStep::Create) working.push_back(Relative(s.file, clean.root));
  }
  // A backup name is given too, and a folder there: anything but a regular file
  // at a backup name is refused with nothing changed.
  std::vector<std::pair<std::string, bool>> names;
  for (const std::string& name : working) names.emplace_back(name, false);
  for (const auto& [file, backup] : c.backups) names.emplace_back(backup, true);
  const std::vector<uint8_t> outsideBytes = {'k', 'e', 'e', 'p'};
  for (const auto& [name, backup] : names) {
    for (const char* kind : {"symbolic link", "hard link", "FIFO", "folder"}) {
      if (!backup && kind[1] == 'o') continue;
      Fresh run(c);
      const path outside = run.dir.root() / "outside";
      WriteBytes(outside, outsideBytes);
      const path at = run.root / name;
      if (kind[0] == 's') std::filesystem::create_symlink(outside, at);
      if (kind[0] == 'h') std::filesystem::create_hard_link(outside, at);
      if (kind[0] == 'F') ::mkfifo(at.c_str(), 0644);
      if (kind[1] == 'o') std::filesystem::create_directory(at);
      const TreeSnapshot taken = SnapshotTree(run.root);
      const std::string where = std::string(kind) + " at " + name;
      const pid_t child = ::fork();
      if (child == 0) ::_exit(c.operation(run.root, fs::EveryStep()) == LIB_OK ? 0 : 1);
      int status = 0;
      for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 300) {  // three seconds
          ::kill(child, SIGKILL);
          ::waitpid(child, &status, 0);
          failures.push_back(where + ": the operation hangs");
          break;
        }
        ::usleep(10000);
      }
      const bool done = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      if (ReadBytes(outside) != outsideBytes)
        failures.push_back(where + ": the outside file changed");
      if (backup && kind[0] != 'h') {
        if (done) failures.push_back(where + ": not refused");
        if (SnapshotTree(run.root) != taken)
          failures.push_back(where + ": refused, but a file changed");
        continue;
      }
      if (WIFEXITED(status) && !done) failures.push_back(where + ": it fails");
      if (!backup && SnapshotTree(run.root) != after)
        failures.push_back(where + ": not as the clean run left it");
    }
  }
  return failures;
}

}  // namespace quillet::testing
