#include "core/edit/rewrite.h"

#include <algorithm>
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
    for (int f = FIELD_OPEN; f <= FIELD_OI; ++f)
      valueSlots[static_cast<size_t>(f - FIELD_OPEN)] = slotOf(f);
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

void Build(const std::vector<uint8_t>& old, const RecordShape& shape, const QuoteChange& change,
           Rewritten& out) {
  const size_t rl = shape.length;
  out.records = (old.size() - rl) / rl;
  out.bytes.clear();
  out.bytes.reserve(old.size() + (change.kind == CHANGE_INSERT ? old.size() / 8 + rl : 0));
  out.bytes.insert(out.bytes.end(), old.begin(), old.begin() + static_cast<std::ptrdiff_t>(rl));

  std::array<uint8_t, kMaxRecordLength> work{};
  std::array<float, kMaxSlots> values{};
  // Inserts: the records of one day in range wait here, so that their copies
  // go ahead of the whole day and the file stays in date order.
  std::vector<uint8_t> group;
  QuoteDay groupDay = 0;
  const auto flushGroup = [&]() {
    if (group.empty()) return;
    const MbfFloat copyDate = DateFieldFromDay(PreviousWeekday(groupDay));
    const size_t start = out.bytes.size();
    out.bytes.insert(out.bytes.end(), group.begin(), group.end());
    for (size_t at = start; at < out.bytes.size(); at += rl) {
      if (shape.dateSlot >= 0) {
        std::memcpy(&out.bytes[at + static_cast<size_t>(shape.dateSlot) * 4], copyDate.data(), 4);
      }
      ++out.inserted;
    }
    out.bytes.insert(out.bytes.end(), group.begin(), group.end());
    group.clear();
  };

  for (size_t i = 0; i < out.records; ++i) {
    std::memcpy(work.data(), old.data() + (i + 1) * rl, rl);
    // Every record passes through the conversions, in range or not.
    for (int s = 0; s < shape.slots; ++s)
      values[static_cast<size_t>(s)] = MbfToIeee(&work[static_cast<size_t>(s) * 4]);
    const QuoteDay day =
        shape.dateSlot < 0 ? 0 : DayFromDateField(values[static_cast<size_t>(shape.dateSlot)]);
    const bool inRange = change.fromDay <= day && day <= change.toDay;
    bool leaveOut = false;
    if (inRange) {
      for (size_t k = 0; k < shape.valueSlots.size(); ++k) {
        const int slot = shape.valueSlots[k];
        if (slot < 0) continue;
        float& v = values[static_cast<size_t>(slot)];
        if (change.kind == CHANGE_REPLACE) {
          v = change.values[k];
        } else if (IsScale(change.kind)) {
          v = v * change.values[k];  // the product rounded to single precision
        }
      }
      if (change.kind == CHANGE_DELETE && !out.deleted) {
        out.deleted = i;
        leaveOut = true;
      }
    }
    for (int s = 0; s < shape.slots; ++s)
      StoreMbf(values[static_cast<size_t>(s)], &work[static_cast<size_t>(s) * 4]);

    if (change.kind == CHANGE_INSERT) {
      if (!inRange || (!group.empty() && day != groupDay)) flushGroup();
      if (inRange) {
        groupDay = day;
        group.insert(group.end(), work.begin(), work.begin() + static_cast<std::ptrdiff_t>(rl));
        continue;
      }
    }
    if (!leaveOut)
      out.bytes.insert(out.bytes.end(), work.begin(),
                       work.begin() + static_cast<std::ptrdiff_t>(rl));
  }
  flushGroup();
  // A partial record at the end is no quote, but it is not ours to drop.
  out.bytes.insert(out.bytes.end(),
                   old.begin() + static_cast<std::ptrdiff_t>((out.records + 1) * rl), old.end());
}

RewriteResult Fail(int16_t code, std::string_view message = {}) {
  return {code, message};
}

}  // namespace

RewriteResult RewriteSeries(std::string_view libDir, std::string_view masterPath,
                            const QuoteChange& change, std::string_view symbol) {
  MasterRecord record;
  std::string directory;
  if (LibResult r = FindMasterRecord(libDir, symbol, record, directory); r != LIB_OK)
    return Fail(r);
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
  Build(old, shape, change, next);
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

  const fs::path backup = fs::PathNoCase(directory, fs::QuoteFileName(fileNumber, "BAK"));
  if (LibResult r = fs::CopyFileSynced(dat, backup); r != LIB_OK) return Fail(r);
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
