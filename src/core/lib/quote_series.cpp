#include "core/lib/quote_series.h"

#include <algorithm>
#include <cstring>

#include "core/fs/files.h"
#include "core/lib/mbf.h"

namespace quillet {

bool UsableRecordLength(int recordLength) {
  return recordLength >= 4 && recordLength <= kMaxRecordLength;
}

RecordDecoder::RecordDecoder(const FieldLayout& layout, int recordLength, int fieldCount) {
  // A position the record does not hold (beyond its field count or its length)
  // reads as absent rather than as whatever bytes lie there.
  const int fields = std::min({fieldCount, recordLength / 4, kMaxRecordLength / 4});
  for (int f = 0; f < kQuoteFieldCount; ++f) {
    const int p = layout.positions[static_cast<size_t>(f)];
    offsets_[static_cast<size_t>(f)] = (p >= 1 && p <= fields) ? (p - 1) * 4 : -1;
  }
}

Quote RecordDecoder::Decode(const uint8_t* record) const {
  const auto field = [&](int f) {
    const int offset = offsets_[static_cast<size_t>(f)];
    return offset < 0 ? kAbsentValue : MbfToIeee(record + offset);
  };
  Quote q;
  q.date = DayFromDateField(field(FIELD_DATE));
  q.time = TimeFromTimeField(field(FIELD_TIME));
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) q.Value(f) = field(f);
  return q;
}

namespace {

// What every reader does first: the lookup, the layout, the quote file.
struct LocatedSeries {
  SeriesInfo info;
  std::string directory;
  fs::path dat;
};

LibResult LocateSeries(std::string_view directory, std::string_view query, LocatedSeries& out) {
  if (LibResult r = FindMasterRecord(directory, query, out.info.record, out.directory); r != LIB_OK) {
    return r;
  }
  const MasterRecord& rec = out.info.record;
  if (LibResult r = ReadFieldLayout(out.directory, rec.FileNumber(), rec.RecordLength(), out.info.layout);
      r != LIB_OK) {
    return r;
  }
  // A layout from a DOP file says nothing of the record length; one the reader
  // cannot hold is as unknown as one it cannot infer.
  if (!UsableRecordLength(rec.RecordLength())) return LIB_UNKNOWN_LAYOUT;
  out.dat = fs::PathNoCase(out.directory, fs::QuoteFileName(rec.FileNumber(), "DAT"));
  return LIB_OK;
}

// L, the number of the last record in use; a header too short to hold it reads as
// a file without quotes.
int32_t LastRecordNumber(const std::vector<uint8_t>& head) {
  return head.size() >= 4 ? LoadInt16(head.data() + 2) : 1;
}

void DecodeRecords(const std::vector<uint8_t>& bytes, size_t offset, size_t records, int recordLength,
                   const RecordDecoder& decoder, Quote* out) {
  // An empty file leaves no buffer to point into.
  if (records == 0) return;
  const uint8_t* p = bytes.data() + offset;
  for (size_t i = 0; i < records; ++i, p += recordLength) out[i] = decoder.Decode(p);
}

}  // namespace

LibResult CreateQuoteSeries(QuoteSeries& series, int16_t capacity) {
  series.directory.clear();
  series.query.clear();
  series.total = 0;
  series.sourceKind = 0;
  series.hasInfo = false;
  if (capacity < 0) {
    series.rows.clear();
    series.count = series.capacity = 0;
    return LIB_MALLOC;
  }
  series.rows.assign(static_cast<size_t>(capacity), Quote{});
  series.count = series.capacity = capacity;
  return LIB_OK;
}

LibResult FreeQuoteSeries(QuoteSeries& series) {
  series = QuoteSeries{};
  return LIB_OK;
}

LibResult SetQuoteSeriesCount(QuoteSeries& series, int16_t count) {
  if (count > series.capacity) return LIB_MALLOC;
  series.count = count;
  return LIB_OK;
}

LibResult ReadQuoteSeries(QuoteSeries& series, std::string_view directory, std::string_view query,
                          int32_t start, int16_t count) {
  LocatedSeries located;
  if (LibResult r = LocateSeries(directory, query, located); r != LIB_OK) return r;
  fs::InputFile file(located.dat);
  if (!file.IsOpen()) return LIB_FILE_OPEN;
  std::vector<uint8_t> head;
  file.ReadAt(0, 4, head);
  const int32_t last = LastRecordNumber(head);

  int32_t wanted = count;
  if (wanted < 0) {
    const int32_t m = std::min(last - 1, kMaxQuotesPerRead);
    wanted = start > 0 ? m - start : m;
  }
  series.sourceKind = 3;
  series.total = last - 1;
  series.directory = located.directory.substr(0, kSeriesDirectoryLimit);
  series.query = std::string(query.substr(0, kSeriesQueryLimit));
  series.info = located.info;
  series.hasInfo = true;
  if (wanted == 0) return LIB_OK;

  wanted = std::min<int32_t>(wanted, series.capacity);
  if (start < 0) start = std::max(series.total - wanted, 0);
  if (start > last - 2) return LIB_RECORD_NOT_FOUND;

  const int recordLength = located.info.record.RecordLength();
  // Records up to L only, and only whole records: a short file ends the copy.
  const int32_t available = std::max(std::min(wanted, last - 1 - start), 0);
  std::vector<uint8_t> block;
  file.ReadAt(static_cast<uint64_t>(start + 1) * static_cast<uint64_t>(recordLength),
              static_cast<size_t>(available) * static_cast<size_t>(recordLength), block);
  const size_t records = block.size() / static_cast<size_t>(recordLength);
  const RecordDecoder decoder(located.info.layout, recordLength, located.info.record.FieldCount());
  DecodeRecords(block, 0, records, recordLength, decoder, series.rows.data());
  return SetQuoteSeriesCount(series, static_cast<int16_t>(records));
}

LibResult ReadSeriesWindow(std::string_view directory, std::string_view query, int32_t start,
                           int32_t count, SeriesData& out) {
  LocatedSeries located;
  if (LibResult r = LocateSeries(directory, query, located); r != LIB_OK) return r;
  fs::InputFile file(located.dat);
  if (!file.IsOpen()) return LIB_FILE_OPEN;
  const int recordLength = located.info.record.RecordLength();
  const uint64_t rl = static_cast<uint64_t>(recordLength);

  std::vector<uint8_t> bytes;
  int32_t last = 1;
  size_t firstOffset = 0;
  if (start == 0) {
    // From the first quote: header and quotes in one read.
    const uint64_t upTo = count < 0 ? file.Size() : (static_cast<uint64_t>(count) + 1) * rl;
    file.ReadAt(0, static_cast<size_t>(std::min(upTo, file.Size())), bytes);
    last = LastRecordNumber(bytes);
    firstOffset = static_cast<size_t>(rl);
  } else {
    std::vector<uint8_t> head;
    file.ReadAt(0, 4, head);
    last = LastRecordNumber(head);
  }
  const int32_t total = last - 1;
  if (start < 0) start = std::max(total - std::max(count, 0), 0);
  int32_t wanted = std::max(total - start, 0);
  if (count >= 0) wanted = std::min(wanted, count);
  if (firstOffset == 0 && wanted > 0) {
    file.ReadAt(static_cast<uint64_t>(start + 1) * rl, static_cast<size_t>(wanted) * rl, bytes);
  }
  const size_t held = bytes.size() > firstOffset ? (bytes.size() - firstOffset) / rl : 0;
  const size_t records = std::min(held, static_cast<size_t>(wanted));

  out.info = located.info;
  out.directory = located.directory;
  out.total = total;
  out.quotes.resize(records);
  const RecordDecoder decoder(located.info.layout, recordLength, located.info.record.FieldCount());
  DecodeRecords(bytes, firstOffset, records, recordLength, decoder, out.quotes.data());
  return LIB_OK;
}

int32_t FindQuoteByDate(std::string_view directory, std::string_view query, QuoteDay day,
                        QuoteTime time, QuoteDay* outDay, QuoteTime* outTime) {
  LocatedSeries located;
  if (LibResult r = LocateSeries(directory, query, located); r != LIB_OK) return r;
  const FieldLayout& layout = located.info.layout;
  const float targetDate = DateValueFromDay(day);
  const float targetTime = layout.Has(FIELD_TIME) ? TimeValueFromTime(time) : 0.0f;

  fs::InputFile file(located.dat);
  if (!file.IsOpen()) return LIB_FILE_OPEN;
  std::vector<uint8_t> head;
  file.ReadAt(0, 4, head);
  const int32_t last = LastRecordNumber(head);
  // No quote in use: bytes after the header are not quotes, whatever they hold.
  if (last < 2) return LIB_RECORD_NOT_FOUND;
  const int recordLength = located.info.record.RecordLength();
  const RecordDecoder decoder(layout, recordLength, located.info.record.FieldCount());
  const auto fieldValue = [&](const uint8_t* record, int f) {
    const int offset = decoder.Offset(f);
    return offset < 0 ? 0.0f : MbfToIeee(record + offset);
  };

  int32_t lo = 0, hi = last - 2, prev = 0, found = -1;
  LibResult error = LIB_OK;
  bool haveRecord = false;
  float d = 0.0f, t = 0.0f;
  std::array<uint8_t, kMaxRecordLength> record{};
  // The search halves its range or stops each round; the bound only guards
  // against files whose order is not what the search expects.
  for (int round = 0; found == -1 && round < 64; ++round) {
    int32_t mid = (lo + hi + 1) / 2;
    if (mid == prev) {
      if (lo != 0) {
        found = mid;
        break;
      }
      mid = 0;
    }
    if (mid < 0 || !file.ReadExact(static_cast<uint64_t>(mid + 1) * static_cast<uint64_t>(recordLength),
                                   record.data(), static_cast<size_t>(recordLength))) {
      error = LIB_FILE_READ;
      break;
    }
    haveRecord = true;
    d = fieldValue(record.data(), FIELD_DATE);
    t = fieldValue(record.data(), FIELD_TIME);
    if ((d == targetDate && t == targetTime) || mid == 0) {
      found = mid;
      break;
    }
    if (d > targetDate || (d == targetDate && t > targetTime)) hi = mid;
    if (d < targetDate || (d == targetDate && t < targetTime)) lo = mid;
    prev = mid;
  }
  if (found == -1 && error == LIB_OK) found = prev;
  if (haveRecord && (d < targetDate || (d == targetDate && t < targetTime))) {
    error = LIB_RECORD_NOT_FOUND;
  }
  if (haveRecord) {
    if (outDay) *outDay = DayFromDateField(d);
    if (outTime) *outTime = TimeFromTimeField(t);
  }
  return error != LIB_OK ? error : found;
}

}  // namespace quillet
