#include "core/edit/rewrite.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/base/mbf.h"
#include "core/base/mbf_words.h"
#include "core/edit/weekday.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/fs/swap_intent.h"
#include "core/lib/field_layout.h"
#include "core/lib/index_files.h"
#include "core/lib/master.h"
#include "core/lib/quote_series.h"
#include "core/messages/edit.h"
#include "core/portfolio/master_edit.h"
#include "core/portfolio/write_guard.h"

namespace quillet {

bool FitsMbf(float value) {
  return value == 0.0f || (std::isnormal(value) && std::fabs(value) < 0x1p127f);
}

namespace {

constexpr int kMaxSlots = kMaxRecordLength / 4;

bool IsScale(ChangeKind kind) {
  return kind == CHANGE_SCALE || kind == static_cast<ChangeKind>(2);
}

// Where the fields of a record lie, as the reader sees them.
struct RecordShape {
  size_t length = 0;
  int slots = 0;  // the MASTER's field count, within the record
  // The slots passed through the conversions: those of the first `slots` that the
  // layout names. An unnamed slot is not a number of ours and keeps its bytes.
  std::vector<size_t> converted;
  bool allConverted = false;  // every slot of the record, so records convert end to end
  int dateSlot = -1;
  std::array<int, 6> valueSlots{};  // Open .. Open interest; -1 when the file does not hold it
  RecordDecoder decoder;

  RecordShape(const FieldLayout& layout, int recordLength, int fieldCount)
      : decoder(layout, recordLength, fieldCount) {
    length = static_cast<size_t>(recordLength);
    slots = std::clamp(fieldCount, 0, std::min(recordLength / 4, kMaxSlots));
    const auto slotOf = [&](int field) {
      const int offset = decoder.Offset(field);
      return offset < 0 ? -1 : offset / 4;
    };
    dateSlot = slotOf(FIELD_DATE);
    for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
      valueSlots[static_cast<size_t>(f - FIELD_OPEN)] = slotOf(f);
    }
    std::array<bool, kMaxSlots> named{};
    for (int f = 0; f < kQuoteFieldCount; ++f) {
      if (const int slot = slotOf(f); slot >= 0 && slot < slots)
        named[static_cast<size_t>(slot)] = true;
    }
    for (int k = 0; k < slots; ++k) {
      if (named[static_cast<size_t>(k)]) converted.push_back(static_cast<size_t>(k));
    }
    allConverted = converted.size() * 4 == length;
  }

  QuoteDay DayOf(const uint8_t* record) const {
    return dateSlot < 0 ? 0 : DayFromDateField(MbfToIeee(record + dateSlot * 4));
  }
};

// The new content of a quote file and what the change did.
struct Rewritten {
  std::vector<uint8_t> bytes;
  size_t records = 0;             // whole records after the header in the old file
  std::optional<size_t> deleted;  // the record left out
  size_t inserted = 0;
  size_t matched = 0;  // records whose day lies in the range
};

// The day of every record, as the reader decodes it for the grid: the dates a
// command takes from the grid select the records it changes. Decoded in small
// batches, so the scratch space stays in the cache.
void DecodeDays(const std::vector<uint8_t>& bytes, size_t records, const RecordShape& shape,
                std::vector<QuoteDay>& days) {
  constexpr size_t kBatch = 512;
  const size_t rl = shape.length;
  std::vector<uint8_t> scratch(kBatch * rl);
  std::vector<Quote> quotes(kBatch);
  for (size_t start = 0; start < records; start += kBatch) {
    const size_t n = std::min(kBatch, records - start);
    std::memcpy(scratch.data(), bytes.data() + (start + 1) * rl, n * rl);
    shape.decoder.DecodeMany(scratch.data(), n, static_cast<int>(rl), quotes.data());
    for (size_t i = 0; i < n; ++i) days[start + i] = shape.dateSlot < 0 ? 0 : quotes[i].date;
  }
}

inline void ConvertWords(uint8_t* p, size_t words) {
  for (size_t k = 0; k < words; ++k, p += 4) StoreWord(ConvertedMbfWord(LoadWord(p)), p);
}

// Passes every record through the conversions and applies the change to those
// in range; records to leave out or copy are noted, not yet moved. False when a
// product does not fit an MBF number.
bool ConvertInPlace(std::vector<uint8_t>& bytes, size_t records, const RecordShape& shape,
                    const QuoteChange& change, std::vector<uint8_t>& inRange,
                    std::vector<QuoteDay>& days) {
  DecodeDays(bytes, records, shape, days);
  const size_t rl = shape.length;
  uint8_t* first = bytes.data() + rl;
  if (shape.allConverted) {
    ConvertWords(first, records * rl / 4);  // records of whole converted words lie end to end
  } else {
    for (size_t i = 0; i < records; ++i) {
      for (size_t slot : shape.converted) ConvertWords(first + i * rl + slot * 4, 1);
    }
  }

  const bool replace = change.kind == CHANGE_REPLACE, scale = IsScale(change.kind);
  if (!replace && !scale) {
    for (size_t i = 0; i < records; ++i)
      inRange[i] = change.fromDay <= days[i] && days[i] <= change.toDay;
    return true;
  }
  bool fits = true;
  for (size_t i = 0; i < records; ++i) {
    inRange[i] = change.fromDay <= days[i] && days[i] <= change.toDay;
    if (!inRange[i]) continue;
    uint8_t* record = first + i * rl;
    for (size_t k = 0; k < shape.valueSlots.size(); ++k) {
      const int slot = shape.valueSlots[k];
      if (slot < 0) continue;
      uint8_t* field = record + static_cast<size_t>(slot) * 4;
      if (replace) {
        StoreWord(FloatToMbfWord(change.values[k]), field);  // bit for bit
        continue;
      }
      // The product rounded to single precision; one whose exponent would wrap is refused.
      const float old = MbfWordToFloat(LoadWord(field));
      const float v = old * change.values[k];
      fits = fits && (!std::isfinite(old) || std::fabs(v) < 0x1p127f);
      StoreWord(FloatToMbfWord(v), field);
    }
  }
  return fits;
}

bool Build(std::vector<uint8_t> old, const RecordShape& shape, const QuoteChange& change,
           Rewritten& out) {
  const size_t rl = shape.length;
  out.records = (old.size() - rl) / rl;
  std::vector<uint8_t> inRange(out.records);
  std::vector<QuoteDay> days(out.records);
  if (!ConvertInPlace(old, out.records, shape, change, inRange, days)) return false;
  out.matched = static_cast<size_t>(std::count(inRange.begin(), inRange.end(), 1));
  const auto recordAt = [&](size_t i) {
    return old.begin() + static_cast<std::ptrdiff_t>((i + 1) * rl);
  };

  if (change.kind == CHANGE_DELETE) {
    const auto first = std::find(inRange.begin(), inRange.end(), 1);
    if (first != inRange.end()) {
      out.deleted = static_cast<size_t>(first - inRange.begin());
      old.erase(recordAt(*out.deleted), recordAt(*out.deleted + 1));
    }
  } else if (change.kind == CHANGE_INSERT) {
    // The copies of the records of one day go ahead of the whole day, dated the
    // weekday before, so that the file stays in date order.
    std::vector<uint8_t> bytes;
    bytes.reserve(old.size() + old.size() / 4);
    bytes.insert(bytes.end(), old.begin(), recordAt(0));
    for (size_t i = 0; i < out.records;) {
      size_t end = i + 1;
      if (inRange[i]) {
        while (end < out.records && inRange[end] && days[end] == days[i]) ++end;
        const MbfFloat copyDate = DateFieldFromDay(PreviousWeekday(days[i]));
        for (size_t k = i; k < end; ++k, ++out.inserted) {
          bytes.insert(bytes.end(), recordAt(k), recordAt(k + 1));
          if (shape.dateSlot >= 0) {
            std::memcpy(&bytes[bytes.size() - rl + static_cast<size_t>(shape.dateSlot) * 4],
                        copyDate.data(), 4);
          }
        }
      }
      bytes.insert(bytes.end(), recordAt(i), recordAt(end));
      i = end;
    }
    // A partial record at the end is no quote, but it is not ours to drop.
    bytes.insert(bytes.end(), recordAt(out.records), old.end());
    old = std::move(bytes);
  }
  out.bytes = std::move(old);
  return true;
}

RewriteResult Fail(LibResult code, std::string_view message = {}) {
  RewriteResult result;
  result.code = code;
  result.message = std::string(message);
  if (code == LIB_FILE_OPEN || code == LIB_FILE_READ || code == LIB_FILE_WRITE) {
    result.osReason = fs::LastFailureReason();
  }
  return result;
}

RewriteResult Refused(std::string message) {
  RewriteResult result;
  result.code = kWriteRefused;
  result.message = std::move(message);
  return result;
}

// Swaps the new MASTER and the new quote file in as one change: both are
// complete on disk and the intent recorded before the first swap, so a process
// killed between the two swaps leaves a change the next writer finishes.
RewriteResult CommitWithMaster(fs::AtomicFile& out, const MasterFile& oldMaster,
                               const MasterFile& newMaster, const fs::path& dat,
                               fs::FileSteps& steps) {
  const fs::path master = newMaster.Path();
  const fs::path folder = master.parent_path().empty() ? fs::path(".") : master.parent_path();
  const fs::path masterWorking = master_edit::MasterWorkingPath(newMaster);
  fs::AtomicFile masterOut(steps);
  if (LibResult r = masterOut.Open(master, masterWorking); r != LIB_OK) return Fail(r);
  if (!masterOut.Write(newMaster.Bytes())) return Fail(LIB_FILE_WRITE);
  if (LibResult r = masterOut.Prepare(); r != LIB_OK) return Fail(r);
  if (LibResult r = out.Prepare(); r != LIB_OK) return Fail(r);
  const std::vector<fs::Swap> swaps = {
      {masterWorking.filename().string(), master.filename().string()},
      {out.Working().filename().string(), dat.filename().string()}};
  if (LibResult r = fs::RecordSwaps(folder, swaps, steps); r != LIB_OK) return Fail(r);
  RewriteResult result;
  if (LibResult r = masterOut.Commit(); r != LIB_OK) {
    result = Fail(r);
  } else if (LibResult d = out.Commit(); d != LIB_OK) {
    // The quote file stayed as it was: put the MASTER dates back with it.
    result = Fail(d);
    if (master_edit::RestoreMaster(oldMaster, steps) != LIB_OK)
      result.masterNotRestored = oldMaster.Path().string();
  }
  fs::ClearSwaps(folder);
  return result;
}

}  // namespace

RewriteResult RewriteSeries(std::string_view libDir, std::string_view masterPath,
                            const QuoteChange& change, std::string_view symbol,
                            fs::FileSteps& steps) {
  fs::NoteFailure(0);
  WriteGuard guard;
  if (!guard.Lock({fs::path(std::string(libDir))})) return Refused(guard.message);
  const MasterLookup lookup = LookupMasterRecord(libDir, symbol);
  if (!lookup.ok()) {
    RewriteResult failed = Fail(lookup.code);
    failed.masterUnreadable = lookup.masterUnreadable;
    return failed;
  }
  const MasterRecord& record = lookup.record;
  const std::string& directory = lookup.directory;
  // Found in a sub-directory: that Portfolio is the one changed.
  if (!guard.Lock({fs::path(directory)})) return Refused(guard.message);
  const int fileNumber = record.QuoteFileNumber();
  const int recordLength = record.RecordLength();
  FieldLayout layout;
  if (LibResult r = ReadSecurityLayout(directory, fileNumber, recordLength, record.fieldMask,
                                       record.Periodicity(), layout);
      r != LIB_OK) {
    return Fail(r);
  }
  if (!UsableRecordLength(recordLength)) return Fail(LIB_UNKNOWN_LAYOUT);

  const fs::path dat =
      fs::FindNoCase(directory, fs::QuoteFileName(fileNumber, record.QuoteFileExtension()));
  std::vector<uint8_t> old;
  if (dat.empty() || !fs::ReadWholeFile(dat, old, steps)) return Fail(LIB_FILE_OPEN);
  const RecordShape shape(layout, recordLength, record.FieldCount());
  if (old.size() < shape.length) return Fail(LIB_FILE_READ);  // not even a header

  // The whole new file is worked out before anything is touched.
  Rewritten next;
  if (!Build(old, shape, change, next)) return Fail(LIB_INVALID_PARM);
  const auto dayAt = [&](size_t i) { return shape.DayOf(old.data() + (i + 1) * shape.length); };
  int32_t delta = 0;
  if (change.kind == CHANGE_DELETE) {
    if (!next.deleted || dayAt(*next.deleted) != change.fromDay) {
      return Fail(kRewriteDeleteNotFound, messages::kDeleteFindrecFailed);
    }
    delta = -1;
  } else if (change.kind == CHANGE_INSERT) {
    // An insert that copies nothing is no insert; the file stays as it is.
    if (next.inserted == 0) return Fail(LIB_RECORD_NOT_FOUND);
    delta = static_cast<int32_t>(next.inserted);
  } else if (change.kind == CHANGE_REPLACE && next.matched == 0) {
    // The day edited is gone (another writer deleted it since it was shown):
    // reporting the edit done would be a lie.
    return Fail(LIB_RECORD_NOT_FOUND);
  }
  // The counter is read unsigned (intraday files pass 32 767); past 65 535 it cannot count.
  const int32_t count = LoadQuoteCount(old.data() + 2) + delta;
  if (count > std::numeric_limits<uint16_t>::max() || count < 0) {
    return Fail(LIB_INVALID_PARM);  // the header cannot count that many quotes
  }
  StoreInt16(static_cast<int16_t>(static_cast<uint16_t>(count)), next.bytes.data() + 2);

  // The MASTER dates follow a delete of the first or the last quote.
  std::optional<MbfFloat> firstDate, lastDate;
  if (next.deleted) {
    const size_t i = *next.deleted, m = next.records;
    if (i == 0 && m > 1) {
      firstDate = DateFieldFromDay(dayAt(1));
    } else if (i == m - 1 && m > 1) {
      lastDate = DateFieldFromDay(dayAt(m - 2));
    } else if (i == 0 && m == 1) {
      firstDate = lastDate = DateFieldFromDay(dayAt(0));
    }
  }
  // A security that EMASTER or XMASTER also lists: every index file takes the
  // quote file's own first and last dates, whatever they held before.
  // count is the number of the last record in use: the quotes are records 1 to count - 1.
  if (ListedInIndexFiles(directory, record) && count >= 2 &&
      next.bytes.size() >= static_cast<size_t>(count) * shape.length) {
    firstDate = DateFieldFromDay(shape.DayOf(next.bytes.data() + shape.length));
    lastDate = DateFieldFromDay(
        shape.DayOf(next.bytes.data() + static_cast<size_t>(count - 1) * shape.length));
  }
  MasterFile oldMaster, newMaster;
  bool masterChanges = false;
  // EMASTER and XMASTER keep the same dates (an XMASTER security has no MASTER entry).
  MasterRecord datedRecord = record;
  if (firstDate) std::memcpy(&datedRecord.bytes[kMasterFirstDate], firstDate->data(), 4);
  if (lastDate) std::memcpy(&datedRecord.bytes[kMasterLastDate], lastDate->data(), 4);
  const bool indexChanges = (firstDate || lastDate) && datedRecord.bytes != record.bytes;
  if ((firstDate || lastDate) && record.source == IndexSource::Master) {
    if (oldMaster.Read(master_edit::MasterFileFor(directory, masterPath), steps) != LIB_OK) {
      return Fail(LIB_FILE_OPEN);
    }
    newMaster = oldMaster;
    const auto fileNumber8 = static_cast<uint8_t>(fileNumber);
    if (firstDate) newMaster.SetDate(fileNumber8, MasterDate::First, *firstDate);
    if (lastDate) newMaster.SetDate(fileNumber8, MasterDate::Last, *lastDate);
    masterChanges = newMaster.Bytes() != oldMaster.Bytes();
  }

  const fs::path backup = fs::PathNoCase(directory, fs::QuoteFileName(fileNumber, "BAK"));
  if (!guard.Writable({dat, masterChanges ? oldMaster.Path() : fs::path()}) ||
      !guard.BackupPlace(backup) ||
      (masterChanges && !guard.BackupPlace(master_edit::MasterBackupPath(oldMaster.Path())))) {
    return Refused(guard.message);
  }
  // EMASTER and XMASTER, where they change, as MASTER: writable, with room for a backup.
  for (const char* name : {kEmasterFileName, kXmasterFileName}) {
    const fs::path index = indexChanges ? fs::FindNoCase(directory, name) : fs::path();
    if (index.empty()) continue;
    if (!guard.Writable({index}) ||
        !guard.BackupPlace(fs::PathNoCase(directory, index.filename().string() + ".BAK"))) {
      return Refused(guard.message);
    }
  }

  // The backup is written from the bytes already read: the same copy, one read less.
  fs::path backupWorking = backup;
  backupWorking += ".~CP";
  if (LibResult r = fs::ReplaceFile(backup, backupWorking, old, steps); r != LIB_OK) return Fail(r);
  fs::AtomicFile out(steps);
  if (LibResult r = out.Open(dat, fs::PathNoCase(directory, fs::QuoteFileName(fileNumber, "NEW")));
      r != LIB_OK) {
    return Fail(r);
  }
  if (!out.Write(next.bytes)) return Fail(LIB_FILE_WRITE);
  // EMASTER or XMASTER takes the dates first, swapped with its backup; put back
  // when the quote file (and MASTER) do not follow.
  std::vector<IndexFile> oldIndexFiles;
  if (indexChanges) {
    if (LibResult r = UpdateIndexFiles(directory, record, datedRecord, IndexChange::Dates, steps,
                                       IndexSwap::WithBackup, &oldIndexFiles);
        r != LIB_OK) {
      return Fail(r);
    }
  }
  RewriteResult result;
  if (!masterChanges) {
    if (LibResult r = out.Commit(); r != LIB_OK) result = Fail(r);
  } else if (LibResult r = master_edit::BackUpMaster(oldMaster, steps); r != LIB_OK) {
    result = Fail(r);
  } else {
    result = CommitWithMaster(out, oldMaster, newMaster, dat, steps);
  }
  if (!result.ok() && RestoreIndexFiles(oldIndexFiles, steps) != LIB_OK &&
      result.masterNotRestored.empty()) {
    result.masterNotRestored = oldIndexFiles.front().Path().string();
  }
  return result;
}

}  // namespace quillet
