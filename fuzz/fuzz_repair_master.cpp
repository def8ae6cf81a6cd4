// RepairMasterFile over arbitrary MASTER bytes, asked or automatic, with or
// without an earlier backup, and with any one of its file steps failing.
// Repaired: the file passes the damage tests, holds the input's first record of
// each file number and a backup made by this run equals the input (an earlier
// one is left alone). Declined or failed: nothing in the folder changed and no
// working file remains. (A failed folder sync after the swap is no failure.)

#include <fuzzer/FuzzedDataProvider.h>

#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "core/portfolio/master_repair.h"
#include "fuzz_support.h"

using namespace quillet;
using quillet::fuzz::stdfs::path;

namespace {

class Answer : public RepairPrompt {
 public:
  explicit Answer(bool yes) : yes_(yes) {}
  bool Confirm(const std::string&) override { return yes_; }
  void Dropped(const std::string&) override { ++dropped; }
  int dropped = 0;

 private:
  bool yes_;
};

std::map<std::string, std::vector<uint8_t>> Snapshot(const path& dir) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : quillet::fuzz::stdfs::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>());
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool masterFix = in.ConsumeBool();
  const bool yes = in.ConsumeBool();
  const bool earlierBackup = in.ConsumeBool();
  const int failStep = in.ConsumeIntegralInRange<int>(-1, 8);  // -1: no step fails
  const std::vector<uint8_t> input = in.ConsumeRemainingBytes<uint8_t>();

  const path dir = quillet::fuzz::FreshDir();
  quillet::fuzz::WriteFile(dir / "MASTER", input);
  if (earlierBackup) quillet::fuzz::WriteFile(dir / "MASTER.bak", std::string_view("earlier"));
  const auto before = Snapshot(dir);

  Answer prompt(yes);
  quillet::fuzz::FailStep steps(failStep);
  const RepairResult r = RepairMasterFile((dir / "MASTER").string(), masterFix, prompt, steps);
  const auto after = Snapshot(dir);

  FUZZ_CHECK(!after.count("MASTER.tmp"));
  if (!r.repaired) {
    FUZZ_CHECK(r.declined == (!masterFix && !yes));
    FUZZ_CHECK(r.declined || r.code != LIB_OK);
    FUZZ_CHECK(after == before);
    return 0;
  }
  const std::vector<uint8_t>& repaired = after.at("MASTER");
  MasterFile repairedFile;
  FUZZ_CHECK(repairedFile.Assign(repaired) == LIB_OK);
  const MasterCheck check = TestMaster(repairedFile);
  FUZZ_CHECK(check.Sound());
  FUZZ_CHECK(check.count == r.written);
  FUZZ_CHECK(r.backupMade == !earlierBackup);
  FUZZ_CHECK(after.at("MASTER.bak") == (earlierBackup ? before.at("MASTER.bak") : input));
  FUZZ_CHECK(after.size() == 2);
  // The header's other bytes are kept, but a second counter left at the full mark,
  // which goes down with the records dropped; each record kept is an input record.
  const size_t records = input.size() / kMasterRecordSize - 1;
  const int second = input[2] | input[3] << 8;
  const int expectedSecond =
      second == kMaxSymbols && r.dropped > 0 ? std::max(kMaxSymbols - r.dropped, 0) : second;
  FUZZ_CHECK((repaired[2] | repaired[3] << 8) == expectedSecond);
  FUZZ_CHECK(
      std::equal(repaired.begin() + 4, repaired.begin() + kMasterRecordSize, input.begin() + 4));
  FUZZ_CHECK(static_cast<size_t>(r.written + r.dropped) == records);
  FUZZ_CHECK(prompt.dropped == r.dropped);
  size_t k = 1;
  for (int w = 1; w <= r.written; ++w, ++k) {
    // Records before it were dropped; this one is the same but maybe its symbol.
    while (k <= records && std::memcmp(&repaired[w * kMasterRecordSize],
                                       &input[k * kMasterRecordSize], kMasterSymbol) != 0) {
      ++k;
    }
    FUZZ_CHECK(k <= records);
  }
  return 0;
}
