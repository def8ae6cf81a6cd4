// RewriteSeries, every kind, over arbitrary DAT bytes with any MASTER record
// length, field count and an optional DOP, and with any one of its file steps
// failing. Done: the header count moves by exactly the records added or left
// out, every record keeps its length, the words past the converted fields and
// any partial tail are as they were, records out of range are only converted,
// and the MASTER changes in nothing but the dates of the security's entries.
// Failed: the DAT and the MASTER are byte-identical to before and no working
// file remains.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "core/base/mbf_words.h"
#include "core/edit/rewrite.h"
#include "core/lib/quote_series.h"
#include "fuzz_support.h"

using namespace quillet;
using quillet::fuzz::stdfs::path;

namespace {

constexpr ChangeKind kKinds[] = {ChangeKind{0}, CHANGE_REPLACE, ChangeKind{2},
                                 CHANGE_SCALE,  CHANGE_DELETE,  CHANGE_INSERT};

std::map<std::string, std::vector<uint8_t>> Snapshot(const path& dir) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : quillet::fuzz::stdfs::directory_iterator(dir)) {
    std::vector<uint8_t> bytes;
    std::ifstream in(entry.path(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    files[entry.path().filename().string()] = std::move(bytes);
  }
  return files;
}

bool IsWorking(const std::string& name) {
  return name.ends_with(".NEW") || name.ends_with(".~CP") || name.ends_with(".tmp");
}

// A record as the rewrite passes it on when it does not change it: the words of
// the first `slots` that the reader's layout names as converted, the rest as it was.
std::vector<uint8_t> Converted(const uint8_t* record, size_t length,
                               const std::vector<size_t>& named) {
  std::vector<uint8_t> out(record, record + length);
  for (size_t k : named) StoreWord(ConvertedMbfWord(LoadWord(&out[k * 4])), &out[k * 4]);
  return out;
}

// Equal but for at most one whole word (the date of an inserted copy).
bool SameButOneWord(const uint8_t* a, const uint8_t* b, size_t length) {
  int words = 0;
  for (size_t k = 0; k + 4 <= length; k += 4) words += std::memcmp(a + k, b + k, 4) != 0;
  return words <= 1 && std::memcmp(a + length / 4 * 4, b + length / 4 * 4, length % 4) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t recordLength = in.ConsumeIntegral<uint8_t>();
  const uint8_t fieldCount = in.ConsumeIntegral<uint8_t>();
  QuoteChange change;
  change.kind = kKinds[in.ConsumeIntegralInRange<size_t>(0, std::size(kKinds) - 1)];
  change.fromDay = in.ConsumeIntegral<uint16_t>();
  change.toDay = in.ConsumeBool() ? change.fromDay : in.ConsumeIntegral<uint16_t>();
  for (float& v : change.values) v = in.ConsumeFloatingPoint<float>();
  const int failStep = in.ConsumeIntegralInRange<int>(-1, 12);  // -1: no step fails
  const bool withDop = in.ConsumeBool();
  const bool withBackup = in.ConsumeBool();

  const path dir = quillet::fuzz::FreshDir();
  if (withDop) quillet::fuzz::WriteFile(dir / "F1.DOP", in.ConsumeRandomLengthString(200));
  if (withBackup) quillet::fuzz::WriteFile(dir / "F1.BAK", std::string_view("old backup"));
  const std::vector<uint8_t> dat = in.ConsumeRemainingBytes<uint8_t>();
  quillet::fuzz::WriteFile(dir / "F1.DAT", dat);
  MasterRecord record = quillet::fuzz::SecurityRecord(1, "FZ", recordLength, fieldCount);
  const std::vector<uint8_t> master = quillet::fuzz::MasterBytes(
      {record, quillet::fuzz::SecurityRecord(2, "OTHER", 28, 7), record}, 3);
  quillet::fuzz::WriteFile(dir / "MASTER", master);
  const auto before = Snapshot(dir);

  quillet::fuzz::FailStep steps(failStep);
  const RewriteResult r =
      RewriteSeries(dir.string() + "/", (dir / "MASTER").string(), change, "FZ", steps);
  const int step = steps.taken;
  const auto after = Snapshot(dir);
  for (const auto& [name, bytes] : after) FUZZ_CHECK(!IsWorking(name));

  if (!r.ok()) {
    FUZZ_CHECK(after.at("F1.DAT") == dat);
    FUZZ_CHECK(after.at("MASTER") == master);
    if (step <= failStep) FUZZ_CHECK(after == before);  // refused before any file step
    return 0;
  }

  const int rl = static_cast<int8_t>(recordLength);
  FUZZ_CHECK(UsableRecordLength(rl));
  const size_t length = static_cast<size_t>(rl);
  const size_t slots = static_cast<size_t>(
      std::clamp<int>(static_cast<int8_t>(fieldCount), 0, std::min(rl / 4, kMaxRecordLength / 4)));
  const std::vector<uint8_t>& now = after.at("F1.DAT");
  FUZZ_CHECK(after.at("F1.BAK") == dat);
  FUZZ_CHECK(dat.size() >= length && now.size() >= length);
  FUZZ_CHECK((now.size() - dat.size()) % length == 0 || (dat.size() - now.size()) % length == 0);
  const size_t oldRecords = dat.size() / length - 1, newRecords = now.size() / length - 1;
  const int64_t added = static_cast<int64_t>(newRecords) - static_cast<int64_t>(oldRecords);
  const int32_t oldCount = LoadQuoteCount(dat.data() + 2);  // unsigned, as the readers take it
  const int32_t newCount = LoadQuoteCount(now.data() + 2);
  FUZZ_CHECK(newCount - oldCount == added);
  if (oldCount == static_cast<int64_t>(oldRecords) + 1)
    FUZZ_CHECK(newCount == static_cast<int64_t>(newRecords) + 1);
  // The header record and a partial tail are kept.
  FUZZ_CHECK(std::memcmp(dat.data(), now.data(), 2) == 0);
  FUZZ_CHECK(std::equal(dat.begin() + 4, dat.begin() + rl, now.begin() + 4));
  FUZZ_CHECK(std::equal(dat.end() - static_cast<ptrdiff_t>(dat.size() % length), dat.end(),
                        now.end() - static_cast<ptrdiff_t>(now.size() % length)));

  FieldLayout layout;
  FUZZ_CHECK(ReadFieldLayout(dir.string(), 1, rl, layout) == LIB_OK);
  const RecordDecoder decoder(layout, rl, static_cast<int8_t>(fieldCount));
  std::vector<bool> isNamed(slots, false);
  for (int f = 0; f < kQuoteFieldCount; ++f) {
    const int offset = decoder.Offset(f);
    if (offset >= 0 && static_cast<size_t>(offset / 4) < slots) isNamed[offset / 4] = true;
  }
  std::vector<size_t> named;
  for (size_t k = 0; k < slots; ++k)
    if (isNamed[k]) named.push_back(k);
  const auto oldAt = [&](size_t i) { return Converted(&dat[(i + 1) * length], length, named); };
  const auto newAt = [&](size_t i) { return &now[(i + 1) * length]; };
  const auto same = [&](size_t n, size_t o) {
    return std::memcmp(newAt(n), oldAt(o).data(), length) == 0;
  };
  if (change.kind == CHANGE_DELETE) {
    FUZZ_CHECK(added == -1);
    size_t gone = 0;
    while (gone < newRecords && same(gone, gone)) ++gone;
    for (size_t i = gone; i < newRecords; ++i) FUZZ_CHECK(same(i, i + 1));
  } else if (change.kind == CHANGE_INSERT) {
    FUZZ_CHECK(added > 0);
    // Every old record is there, in order; every other record is a copy of one
    // of them with at most its date changed, standing near it (ahead of its day).
    std::vector<size_t> matchedOld(newRecords, SIZE_MAX);
    size_t o = 0;
    for (size_t n = 0; n < newRecords && o < oldRecords; ++n) {
      if (same(n, o)) matchedOld[n] = o++;
    }
    FUZZ_CHECK(o == oldRecords);
    size_t previous = 0;
    for (size_t n = 0; n < newRecords; ++n) {
      if (matchedOld[n] != SIZE_MAX) {
        previous = matchedOld[n];
        continue;
      }
      bool copy = false;
      // Identical copies (no date slot) may be matched in place of their originals.
      const size_t span = static_cast<size_t>(added) + 2;
      const size_t last = std::min(oldRecords, previous + span);
      for (size_t k = previous > span ? previous - span : 0; k < last && !copy; ++k)
        copy = SameButOneWord(newAt(n), oldAt(k).data(), length);
      FUZZ_CHECK(copy);
    }
  } else {
    FUZZ_CHECK(added == 0);
    for (size_t i = 0; i < newRecords; ++i) {
      const std::vector<uint8_t> old = oldAt(i);
      // Words past the converted fields, and the record's tail, never change.
      FUZZ_CHECK(std::memcmp(newAt(i) + slots * 4, old.data() + slots * 4, length - slots * 4) ==
                 0);
      if (change.kind != CHANGE_REPLACE && change.kind != CHANGE_SCALE &&
          change.kind != ChangeKind{2}) {
        FUZZ_CHECK(same(i, i));
      }
    }
  }

  // The MASTER: only the date fields of the security's own entries may change.
  const std::vector<uint8_t>& nowMaster = after.at("MASTER");
  FUZZ_CHECK(nowMaster.size() == master.size());
  for (size_t k = 0; k < master.size(); ++k) {
    if (master[k] == nowMaster[k]) continue;
    const size_t rec = k / kMasterRecordSize, at = k % kMasterRecordSize;
    FUZZ_CHECK(change.kind == CHANGE_DELETE && (rec == 1 || rec == 3));
    FUZZ_CHECK(at >= static_cast<size_t>(kMasterFirstDate) &&
               at < static_cast<size_t>(kMasterLastDate) + 4);
  }
  return 0;
}
