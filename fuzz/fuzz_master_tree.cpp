// FindMasterRecord over an arbitrary tree of MASTER files: nested levels,
// <DIR> entries naming missing folders, their own folder, a parent (through
// links), names in another letter case, torn records and any header count.
// The lookup must end, and what it returns must be a matching security of a
// folder inside the tree.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <string>
#include <vector>

#include "core/base/strings.h"
#include "core/lib/master.h"
#include "fuzz_support.h"

using namespace quillet;
using quillet::fuzz::stdfs::path;

namespace {

// Sub-directory names an entry may use; those not made as folders stay missing.
constexpr std::array<const char*, 11> kNames = {"A",       "a", "B",  "SELF", "UP", "ROOT",
                                                "MISSING", ".", "..", "C",    "N"};
constexpr std::array<const char*, 6> kSymbols = {"IBM", "BRK A", "ibm", "X", "", "MICROSOFT"};

MasterRecord DirectoryRecord(std::string_view name) {
  MasterRecord r;
  r.bytes.fill(0);
  std::string text(name.substr(0, 8));
  text.resize(11, ' ');
  text += "<DIR>";
  r.SetText(kMasterName, text);
  return r;
}

// One MASTER made of records chosen by the input; some records are raw bytes.
std::vector<uint8_t> MakeMaster(FuzzedDataProvider& in) {
  std::vector<MasterRecord> records;
  const size_t n = in.ConsumeIntegralInRange<size_t>(0, 6);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t kind = in.ConsumeIntegral<uint8_t>();
    MasterRecord r;
    if (kind < 96) {
      r = DirectoryRecord(kNames[kind % kNames.size()]);
    } else if (kind < 224) {
      r = quillet::fuzz::SecurityRecord(static_cast<uint8_t>(i + 1),
                                        kSymbols[kind % kSymbols.size()], 28, 7);
    } else {
      const std::vector<uint8_t> raw = in.ConsumeBytes<uint8_t>(kMasterRecordSize);
      std::copy(raw.begin(), raw.end(), r.bytes.begin());
    }
    records.push_back(r);
  }
  const uint8_t countMode = in.ConsumeIntegral<uint8_t>();
  int16_t count = static_cast<int16_t>(records.size());
  if (countMode >= 200) count = in.ConsumeIntegral<int16_t>();
  std::vector<uint8_t> bytes = quillet::fuzz::MasterBytes(records, count);
  if (countMode >= 240) bytes.resize(in.ConsumeIntegralInRange<size_t>(0, bytes.size()));
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const path root = quillet::fuzz::FreshDir() / "ROOT";
  // A fixed shape whose links lead back up the tree: ROOT/A/B, ROOT/C, with
  // SELF -> . and UP -> .. in every folder, and a chain of nested N folders.
  const std::vector<path> folders = {root, root / "A", root / "A" / "B", root / "C"};
  for (const path& f : folders) {
    std::filesystem::create_directories(f);
    std::error_code ec;
    std::filesystem::create_directory_symlink(".", f / "SELF", ec);
    std::filesystem::create_directory_symlink("..", f / "UP", ec);
  }
  std::filesystem::create_directory_symlink(root, root / "A" / "ROOT");
  for (const path& f : folders) {
    if (in.ConsumeBool())
      quillet::fuzz::WriteFile(f / (in.ConsumeBool() ? "MASTER" : "master"), MakeMaster(in));
  }
  // A chain of nested folders, each MASTER pointing to the next (past the
  // 34-level limit when deep enough), with the security at the bottom.
  const int depth = in.ConsumeIntegralInRange<int>(0, 40);
  path level = root / "C";
  for (int d = 0; d < depth; ++d) {
    const std::vector<MasterRecord> records = {DirectoryRecord("N")};
    if (!std::filesystem::exists(level / "MASTER") && !std::filesystem::exists(level / "master")) {
      quillet::fuzz::WriteFile(level / "MASTER", quillet::fuzz::MasterBytes(records, 1));
    }
    level /= "N";
    std::filesystem::create_directory(level);
  }
  if (depth > 0) {
    const std::vector<MasterRecord> records = {quillet::fuzz::SecurityRecord(1, "DEEP", 28, 7)};
    quillet::fuzz::WriteFile(level / "MASTER", quillet::fuzz::MasterBytes(records, 1));
  }

  const std::string query = in.ConsumeRandomLengthString(24);
  const bool trailingSeparator = in.ConsumeBool();
  const std::string start = trailingSeparator ? root.string() + "/" : root.string();
  for (const std::string& q : {query, std::string("DEEP"), std::string("IBM")}) {
    MasterRecord record;
    record.bytes.fill(0xA5);
    std::string found = "untouched";
    const LibResult r = FindMasterRecord(start, q, record, found);
    FUZZ_CHECK(r == LIB_OK || r == LIB_FILE_NOT_FOUND || r == LIB_FILE_READ);
    if (r != LIB_OK) {
      FUZZ_CHECK(found == "untouched");
      continue;
    }
    // By the rule, or by its list text when the rule finds nothing anywhere.
    FUZZ_CHECK(MasterRecordMatches(record, q) || EqualsNoCase(record.Symbol(), q));
    FUZZ_CHECK(!record.IsDirectory());
    FUZZ_CHECK(!found.empty() && found.back() == '/');
    FUZZ_CHECK(found.compare(0, root.string().size(), root.string()) == 0);
    FUZZ_CHECK(found.size() <= kMasterMaxPath || found == root.string() + "/");
    FUZZ_CHECK(std::filesystem::is_directory(found));
  }
  return 0;
}
