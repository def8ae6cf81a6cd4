#include "core/lib/quote_series.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "core/fs/files.h"
#include "core/lib/mbf.h"
#include "core/lib/mbf_words.h"

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
  q.time = offsets_[FIELD_TIME] < 0 ? QuoteTime{0} : TimeFromTimeField(field(FIELD_TIME));
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) q.Value(f) = field(f);
  return q;
}

// GCC builds a copy for wider vector units too, chosen at load time where the
// processor has them. Clang (the fuzz build) cannot call such a copy from another
// file, so it builds the plain one.
#if defined(__GNUC__) && !defined(__clang__)
#define QUILLET_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUILLET_VECTOR_CLONES
#endif

QUILLET_VECTOR_CLONES void RecordDecoder::DecodeMany(uint8_t* records, size_t count,
                                                     int recordLength, Quote* out) const {
  static_assert(std::endian::native == std::endian::little);
  if (count == 0) return;  // an empty block may have no storage to point into
  // First every whole word of the block from MBF to IEEE in place, eight words at a
  // time with the compiler's portable vector types. Words of fields not decoded are
  // never read.
  using Words = uint32_t __attribute__((vector_size(32)));
  const auto convertWord = [](uint8_t* p) { StoreWord(MbfWordToIeeeBits(LoadWord(p)), p); };
  if (recordLength % 4 != 0) {
    // Records that are not whole words (18 bytes) keep their fields at odd places
    // in the block: convert record by record.
    const size_t fields = static_cast<size_t>(recordLength) / 4;
    for (size_t i = 0; i < count; ++i) {
      for (size_t f = 0; f < fields; ++f)
        convertWord(records + i * static_cast<size_t>(recordLength) + 4 * f);
    }
  } else {
    const size_t words = count * static_cast<size_t>(recordLength) / 4;
    size_t k = 0;
    for (; k + 8 <= words; k += 8) {
      Words w;
      std::memcpy(&w, records + 4 * k, sizeof w);
      const Words exponent = w >> 24;
      Words bits = ((w & 0x800000u) << 8) | (((exponent - 2) & 0xFFu) << 23) | (w & 0x7FFFFFu);
      bits &= reinterpret_cast<Words>(exponent != 0);
      std::memcpy(records + 4 * k, &bits, sizeof bits);
    }
    for (; k < words; ++k) convertWord(records + 4 * k);
  }
  // Then gather. An absent field reads a constant word instead of the record.
  const float absentValue = kAbsentValue;
  std::array<const uint8_t*, kQuoteFieldCount> base;
  std::array<size_t, kQuoteFieldCount> stride;
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    const bool present = offsets_[f] >= 0;
    base[f] = present ? records + offsets_[f] : reinterpret_cast<const uint8_t*>(&absentValue);
    stride[f] = present ? static_cast<size_t>(recordLength) : 0;
  }
  const auto value = [&](size_t f, size_t i) {
    float v;
    std::memcpy(&v, base[f] + i * stride[f], 4);
    return v;
  };
  const bool hasTime = offsets_[FIELD_TIME] >= 0;
  // The usual layouts keep OPEN to OI (or a first part of them) side by side in the
  // record, as they lie in a Quote: that run is copied in one go.
  size_t run = 0;
  while (FIELD_OPEN + run < kQuoteFieldCount && offsets_[FIELD_OPEN + run] >= 0 &&
         offsets_[FIELD_OPEN + run] == offsets_[FIELD_OPEN] + 4 * static_cast<int>(run)) {
    ++run;
  }
  const uint8_t* runBase = run ? records + offsets_[FIELD_OPEN] : records;
  // Consecutive quotes mostly share year and month: the day number of the month's
  // day 0 is kept, so most dates cost an add (DayFromYmd is linear in the day).
  int32_t lastYearMonth = -1;
  int32_t monthBase = -1;
  for (size_t i = 0; i < count; ++i) {
    Quote& q = out[i];
    if (run == 6) {
      std::memcpy(q.values.data(), runBase + i * static_cast<size_t>(recordLength), 24);
    } else {
      std::memcpy(q.values.data(), runBase + i * static_cast<size_t>(recordLength), 4 * run);
      for (size_t f = FIELD_OPEN + run; f < kQuoteFieldCount; ++f)
        q.values[f - FIELD_OPEN] = value(f, i);
    }
    q.time = hasTime ? TimeFromTimeField(value(FIELD_TIME, i)) : QuoteTime{0};
    const float x = value(FIELD_DATE, i);
    int32_t xi = (x >= 0.0f && x < 16777216.0f) ? static_cast<int32_t>(x) : -1;
    if (xi < 0 || static_cast<float>(xi) != x) {
      q.date = DayFromDateField(x);
      continue;
    }
    if (xi < 600000) xi += 1000000;
    const int32_t yearMonth = xi / 100;
    if (yearMonth != lastYearMonth) {
      lastYearMonth = yearMonth;
      const auto y = static_cast<int16_t>(yearMonth / 100),
                 m = static_cast<int16_t>(yearMonth % 100);
      monthBase = (m >= 1 && m <= 12) ? DayFromYmd(y, m, 0) : -1;
    }
    q.date = monthBase < 0 ? QuoteDay{0}
                           : static_cast<QuoteDay>((monthBase + xi - yearMonth * 100) & 0xFFFF);
  }
}

namespace {

// What every reader does first: the lookup, the layout, the quote file.
struct LocatedSeries {
  SeriesInfo info;
  std::string directory;
  fs::path dat;
};

LibResult LocateSeries(std::string_view directory, std::string_view query, LocatedSeries& out) {
  if (LibResult r = FindMasterRecord(directory, query, out.info.record, out.directory);
      r != LIB_OK) {
    return r;
  }
  const MasterRecord& rec = out.info.record;
  if (LibResult r =
          ReadFieldLayout(out.directory, rec.FileNumber(), rec.RecordLength(), out.info.layout);
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
  decoder.DecodeMany(block.data(), records, recordLength, series.rows.data());
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

  std::vector<uint8_t> head;
  file.ReadAt(0, 4, head);
  const int32_t last = LastRecordNumber(head);
  const int32_t total = last - 1;
  if (start < 0) start = std::max(total - std::max(count, 0), 0);
  int32_t wanted = std::max(total - start, 0);
  if (count >= 0) wanted = std::min(wanted, count);
  // One block read into a buffer that is not cleared first: every byte decoded
  // is a byte read.
  const size_t blockSize = static_cast<size_t>(wanted) * rl;
  const auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
  const size_t got = file.ReadInto(static_cast<uint64_t>(start + 1) * rl, blockSize, block.get());
  const size_t records = got / rl;

  out.info = located.info;
  out.directory = located.directory;
  out.total = total;
  out.quotes.resize(records);
  const RecordDecoder decoder(located.info.layout, recordLength, located.info.record.FieldCount());
  decoder.DecodeMany(block.get(), records, recordLength, out.quotes.data());
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
    if (mid < 0 ||
        !file.ReadExact(static_cast<uint64_t>(mid + 1) * static_cast<uint64_t>(recordLength),
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
