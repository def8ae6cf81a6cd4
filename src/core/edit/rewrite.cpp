#include "core/edit/rewrite.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/edit/master_edit.h"
#include "core/edit/weekday.h"
#include "core/fs/files.h"
#include "core/fs/safe_replace.h"
#include "core/lib/field_layout.h"
#include "core/lib/master.h"
#include "core/lib/mbf.h"
#include "core/lib/quote_series.h"
#include "core/messages/edit.h"

namespace quillet {

bool FitsMbf(float value) {
  return value == 0.0f || (std::isnormal(value) && std::fabs(value) < 0x1p127f);
}

namespace {

constexpr int kMaxSlots = kMaxRecordLength / 4;

bool IsScale(int16_t kind) {
  return kind == CHANGE_SCALE || kind == 2;
}

// Where the fields of a record lie, as the reader sees them.
struct RecordShape {
  size_t length = 0;
  int slots = 0;  // slots converted for every record: the MASTER's field count, within the record
  int dateSlot = -1;
  std::array<int, 6> valueSlots{};  // Open .. Open interest; -1 when the file does not hold it

  RecordShape(const FieldLayout& layout, int recordLength, int fieldCount) {
    length = static_cast<size_t>(recordLength);
    slots = std::clamp(fieldCount, 0, std::min(recordLength / 4, kMaxSlots));
    const RecordDecoder decoder(layout, recordLength, fieldCount);
    const auto slotOf = [&](int field) {
      const int offset = decoder.Offset(field);
      return offset < 0 ? -1 : offset / 4;
    };
    dateSlot = slotOf(FIELD_DATE);
    for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
      valueSlots[static_cast<size_t>(f - FIELD_OPEN)] = slotOf(f);
    }
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
};

// Converts every record in place and applies the change to those in range;
// records to leave out or copy are noted, not yet moved.
// False when a product does not fit an MBF number.
bool ConvertInPlace(std::vector<uint8_t>& bytes, size_t records, const RecordShape& shape,
                    const QuoteChange& change, std::vector<uint8_t>& inRange,
                    std::vector<QuoteDay>& days) {
  bool fits = true;
  const size_t rl = shape.length;
  const bool replace = change.kind == CHANGE_REPLACE, scale = IsScale(change.kind);
  std::array<float, kMaxSlots> values{};
  for (size_t i = 0; i < records; ++i) {
    uint8_t* record = bytes.data() + (i + 1) * rl;
    // Every record passes through the conversions, in range or not.
    for (int s = 0; s < shape.slots; ++s) {
      values[static_cast<size_t>(s)] = MbfToIeee(record + static_cast<size_t>(s) * 4);
    }
    const QuoteDay day =
        shape.dateSlot < 0 ? 0 : DayFromDateField(values[static_cast<size_t>(shape.dateSlot)]);
    days[i] = day;
    inRange[i] = change.fromDay <= day && day <= change.toDay;
    if (inRange[i] && (replace || scale)) {
      for (size_t k = 0; k < shape.valueSlots.size(); ++k) {
        const int slot = shape.valueSlots[k];
        if (slot < 0) continue;
        float& v = values[static_cast<size_t>(slot)];
        // A replace is bit for bit; a product is rounded to single precision.
        v = replace ? change.values[k] : v * change.values[k];
        fits = fits && (replace || FitsMbf(v));
      }
    }
    for (int s = 0; s < shape.slots; ++s) {
      StoreMbf(values[static_cast<size_t>(s)], record + static_cast<size_t>(s) * 4);
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

RewriteResult Fail(int16_t code, std::string_view message = {}) {
  return {code, message};
}

}  // namespace

RewriteResult RewriteSeries(std::string_view libDir, std::string_view masterPath,
                            const QuoteChange& change, std::string_view symbol) {
  MasterRecord record;
  std::string directory;
  if (LibResult r = FindMasterRecord(libDir, symbol, record, directory); r != LIB_OK) {
    return Fail(r);
  }
  const int fileNumber = record.FileNumber();
  const int recordLength = record.RecordLength();
  FieldLayout layout;
  if (LibResult r = ReadFieldLayout(directory, fileNumber, recordLength, layout); r != LIB_OK) {
    return Fail(r);
  }
  if (!UsableRecordLength(recordLength)) return Fail(LIB_UNKNOWN_LAYOUT);

  const fs::path dat = fs::FindNoCase(directory, fs::QuoteFileName(fileNumber, "DAT"));
  std::vector<uint8_t> old;
  if (dat.empty() || !fs::ReadWholeFile(dat, old)) return Fail(LIB_FILE_OPEN);
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
  }
  const int32_t count = LoadInt16(old.data() + 2) + delta;
  if (count > std::numeric_limits<int16_t>::max() || count < std::numeric_limits<int16_t>::min()) {
    return Fail(LIB_INVALID_PARM);  // the header cannot count that many quotes
  }
  StoreInt16(static_cast<int16_t>(count), next.bytes.data() + 2);

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
  fs::path master;
  std::vector<uint8_t> oldMaster, newMaster;
  if (firstDate || lastDate) {
    master = master_edit::MasterFileFor(directory, masterPath);
    if (!fs::ReadWholeFile(master, oldMaster)) return Fail(LIB_FILE_OPEN);
    newMaster = oldMaster;
    const int changed = master_edit::ChangeEntries(
        newMaster, static_cast<uint8_t>(fileNumber), [&](uint8_t* entry) {
          if (firstDate) std::memcpy(entry + kMasterFirstDate, firstDate->data(), 4);
          if (lastDate) std::memcpy(entry + kMasterLastDate, lastDate->data(), 4);
        });
    if (changed == 0 || newMaster == oldMaster) master.clear();
  }

  // The backup is written from the bytes already read: the same copy, one read less.
  const fs::path backup = fs::PathNoCase(directory, fs::QuoteFileName(fileNumber, "BAK"));
  fs::path backupWorking = backup;
  backupWorking += ".~CP";
  if (LibResult r = fs::ReplaceFile(backup, backupWorking, old); r != LIB_OK) return Fail(r);
  fs::AtomicFile out;
  if (LibResult r = out.Open(dat, fs::PathNoCase(directory, fs::QuoteFileName(fileNumber, "NEW")));
      r != LIB_OK) {
    return Fail(r);
  }
  if (!out.Write(next.bytes)) return Fail(LIB_FILE_WRITE);
  if (!master.empty()) {
    if (LibResult r = master_edit::ReplaceMaster(master, newMaster); r != LIB_OK) return Fail(r);
  }
  if (LibResult r = out.Commit(); r != LIB_OK) {
    // The quote file stayed as it was: put the MASTER dates back with it.
    if (!master.empty()) master_edit::RestoreMaster(master, oldMaster);
    return Fail(r);
  }
  return {};
}

}  // namespace quillet
