#include "core/lib/quote_series.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>

#include "core/base/mbf.h"
#include "core/base/mbf_words.h"
#include "core/fs/files.h"
#include "core/fs/folder_listing.h"

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

namespace {

// The layout most files have: 28-byte records of DATE then OPEN to OI, which lie
// as in a Quote once the date word is replaced by the day (time 0 beside it).
bool QuoteShaped(const std::array<int, kQuoteFieldCount>& offsets, int recordLength) {
  static_assert(sizeof(Quote) == 28 && offsetof(Quote, time) == 2 && offsetof(Quote, values) == 4);
  if (recordLength != 28 || offsets[FIELD_DATE] != 0 || offsets[FIELD_TIME] >= 0) return false;
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
    if (offsets[static_cast<size_t>(f)] != 4 * (f - FIELD_OPEN + 1)) return false;
  }
  return true;
}

#if defined(__x86_64__)
// The vector paths: N words at a time in the compiler's vector types, 8 with AVX2
// and 16 with AVX-512, inside functions built for that instruction set alone (the
// rest of the program runs on any x86-64). Helpers take vectors by reference and
// are always inlined into those functions: no calling convention for vectors is
// wanted.
template <size_t N>
struct Lanes;
template <>
struct Lanes<8> {
  using Words = uint32_t __attribute__((vector_size(32)));
  using Ints = int32_t __attribute__((vector_size(32)));
  using Floats = float __attribute__((vector_size(32)));
};
template <>
struct Lanes<16> {
  using Words = uint32_t __attribute__((vector_size(64)));
  using Ints = int32_t __attribute__((vector_size(64)));
  using Floats = float __attribute__((vector_size(64)));
};

// MbfWordToIeeeBits, lane-wise.
template <class Words>
[[gnu::always_inline]] inline void ToIeeeBits(Words& w) {
  const Words exponent = w >> 24;
  const Words bits = ((w & 0x800000u) << 8) | (((exponent - 2) & 0xFFu) << 23) | (w & 0x7FFFFFu);
  w = bits & ~reinterpret_cast<Words>(exponent == 0);  // one and-not: AVX2 has no "not equal"
}

template <size_t N>
[[gnu::always_inline]] inline void ConvertWords(const uint8_t* from, uint8_t* to, size_t words) {
  typename Lanes<N>::Words w;
  size_t k = 0;
  for (; k + N <= words; k += N) {
    std::memcpy(&w, from + 4 * k, sizeof w);
    ToIeeeBits(w);
    std::memcpy(to + 4 * k, &w, sizeof w);
  }
  for (; k < words; ++k) StoreWord(MbfWordToIeeeBits(LoadWord(from + 4 * k)), to + 4 * k);
}

// -1 in the lanes where lo <= v <= hi, else 0: v - lo and hi - v (wrapping, as
// unsigned) both without the sign bit.
template <size_t N>
[[gnu::always_inline]] inline void Within(const typename Lanes<N>::Ints& v, uint32_t lo,
                                          uint32_t hi, typename Lanes<N>::Ints& mask) {
  const auto u = reinterpret_cast<typename Lanes<N>::Words>(v);
  mask = ~(reinterpret_cast<typename Lanes<N>::Ints>((u - lo) | (hi - u)) >> 31);
}

// The days before month m in a year without a leap day ((367m - 362) / 12, less 2
// from March on), for m from 1 to 12, lane-wise; sixteen lanes look it up with
// one permute. Lanes with other months get any value.
[[maybe_unused]] constexpr std::array<int32_t, 16> kDaysBeforeMonth = [] {
  std::array<int32_t, 16> days{};
  for (int32_t m = 1; m <= 12; ++m)
    days[static_cast<size_t>(m)] = (367 * m - 362) / 12 - (m > 2 ? 2 : 0);
  return days;
}();
template <size_t N>
[[gnu::always_inline]] inline void DaysBeforeMonth(const typename Lanes<N>::Ints& m,
                                                   typename Lanes<N>::Ints& before) {
  using Ints = typename Lanes<N>::Ints;
#if !defined(__clang__)  // clang (the fuzz build) has no __builtin_shuffle: the formula
  if constexpr (N == 16) {
    Ints table;
    std::memcpy(&table, kDaysBeforeMonth.data(), sizeof table);
    before = __builtin_shuffle(table, m);
  } else
#endif
  {
    // Eight lanes hold no table of thirteen: the formula.
    using Words = typename Lanes<N>::Words;
    const Words mu = reinterpret_cast<const Words&>(m);
    before = reinterpret_cast<Ints>((367u * mu - 362u) / 12u) - (((2 - m) >> 31) & 2);
  }
}

// DayFromDateField, lane-wise, from the IEEE bits of the values, in the lanes
// whose value is whole and from 0 to 2^24 (every real date): they take its
// integer steps and those of DayFromYmd (CYYMMDD split by unsigned division, the
// days before the month, the years part divided toward zero as in C, the
// leap day from March on, the 16-bit wrap). whole is -1 in those lanes; the
// others are for the caller to give to DayFromDateField itself.
template <size_t N>
[[gnu::always_inline]] inline void DaysOf(const typename Lanes<N>::Words& values,
                                          typename Lanes<N>::Ints& day,
                                          typename Lanes<N>::Ints& whole) {
  using Ints = typename Lanes<N>::Ints;
  using Words = typename Lanes<N>::Words;
  using Floats = typename Lanes<N>::Floats;
  const Ints b = reinterpret_cast<Ints>(values);
  const Ints bits = b & (b != INT32_MIN);  // -0.0 as 0.0, which the rules treat alike
  // 0 <= x < 2^24: no sign bit and below the bits of 2^24 (so no infinity or NaN).
  Ints inRange;
  Within<N>(bits, 0, 0x4B7FFFFF, inRange);
  const Ints xi = __builtin_convertvector(reinterpret_cast<Floats>(bits & inRange), Ints);
  whole = inRange & (reinterpret_cast<Ints>(__builtin_convertvector(xi, Floats)) == bits);
  const Words u = reinterpret_cast<Words>(xi + (((xi - 600000) >> 31) & 1000000));  // 20YY
  const Words yu = u / 10000u, rest = u - yu * 10000u;
  const Words mu = rest / 100u;
  const Ints y = reinterpret_cast<Ints>(yu), m = reinterpret_cast<Ints>(mu);
  const Ints d = reinterpret_cast<Ints>(rest - mu * 100u);
  const Ints fromMarch = (2 - m) >> 31;
  Ints before;
  DaysBeforeMonth<N>(m, before);
  const Ints leap = fromMarch & (((y & 3) - 1) >> 31);  // -1 in the lanes with the leap day
  const Ints n = d + before + ((y - 61) * 1461) / 4 - leap;
  Ints month;
  Within<N>(m, 1, 12, month);
  day = month & (n & 0xFFFF);
}

template <class Ints>
[[gnu::always_inline]] inline bool AllLanes(const Ints& mask) {
  std::array<uint64_t, sizeof(Ints) / 8> parts;
  std::memcpy(parts.data(), &mask, sizeof mask);
  uint64_t all = ~uint64_t{0};
  for (uint64_t p : parts) all &= p;
  return all == ~uint64_t{0};
}

// Records decoded per round: a round's block bytes, dates and quotes stay in the
// first-level cache from the word conversion to the last store.
constexpr size_t kRoundRecords = 256;

// In a group of N quote-shaped records (7 vectors of N words) record k's date is
// word 7k: lane 7k mod N of vector 7k / N. As 7 and N share no factor, every lane
// holds the date of exactly one record; kDateLaneMask<N, J> marks those of vector j.
template <size_t N>
constexpr std::array<uint32_t, N> DateLaneMask(size_t j) {
  std::array<uint32_t, N> mask{};
  for (size_t k = 0; k < N; ++k) {
    if (7 * k / N == j) mask[7 * k % N] = ~0u;
  }
  return mask;
}
template <size_t N, size_t J>
inline constexpr std::array<uint32_t, N> kDateLaneMask = DateLaneMask<N>(J);

// Vector j of a group: loaded and converted, its date lanes added to dates.
// The lane masks are loaded from plain arrays inside the vector functions: no
// vector crosses into code built for other processors.
template <size_t N, size_t J>
[[gnu::always_inline]] inline void LoadGroupVector(const uint8_t* from, typename Lanes<N>::Words& w,
                                                   typename Lanes<N>::Words& dates) {
  typename Lanes<N>::Words lanes;
  std::memcpy(&w, from + J * sizeof w, sizeof w);
  ToIeeeBits(w);
  std::memcpy(&lanes, kDateLaneMask<N, J>.data(), sizeof lanes);
  dates |= w & lanes;
}
// Vector j of a group: its date lanes replaced by the days (time 0 beside them), stored.
template <size_t N, size_t J>
[[gnu::always_inline]] inline void StoreGroupVector(uint8_t* to,
                                                    const typename Lanes<N>::Words& words,
                                                    const typename Lanes<N>::Words& days) {
  typename Lanes<N>::Words lanes;
  std::memcpy(&lanes, kDateLaneMask<N, J>.data(), sizeof lanes);
  const typename Lanes<N>::Words w = (words & ~lanes) | (days & lanes);
  std::memcpy(to + J * sizeof w, &w, sizeof w);
}

// Quote-shaped records, group by group: the N records' words loaded and
// converted, their dates gathered into one vector on the way, the days made from
// them put in place of the dates, the words stored into the quotes. Groups are
// independent of one another, so the processor overlaps them. The last records
// (fewer than N) go one by one. A group is read whole before its quotes are
// written, so the records may lie in the quotes themselves.
template <size_t N>
[[gnu::always_inline]] inline void DecodeQuoteShaped(const uint8_t* records, size_t count,
                                                     Quote* out) {
  using Ints = typename Lanes<N>::Ints;
  using Words = typename Lanes<N>::Words;
  constexpr size_t kGroupBytes = 7 * sizeof(Words);
  constexpr size_t kRoundGroups = kRoundRecords / N;
  std::array<Words, kRoundGroups> dates;
  const size_t groups = count / N;
  for (size_t first = 0; first < groups; first += kRoundGroups) {
    const size_t n = std::min(kRoundGroups, groups - first);
    const uint8_t* const from = records + first * kGroupBytes;
    uint8_t* const to = reinterpret_cast<uint8_t*>(out) + first * kGroupBytes;
    bool allWhole = true;
    for (size_t g = 0; g < n; ++g) {
      const uint8_t* const f = from + g * kGroupBytes;
      uint8_t* const t = to + g * kGroupBytes;
      Words w0, w1, w2, w3, w4, w5, w6, date{};
      LoadGroupVector<N, 0>(f, w0, date);
      LoadGroupVector<N, 1>(f, w1, date);
      LoadGroupVector<N, 2>(f, w2, date);
      LoadGroupVector<N, 3>(f, w3, date);
      LoadGroupVector<N, 4>(f, w4, date);
      LoadGroupVector<N, 5>(f, w5, date);
      LoadGroupVector<N, 6>(f, w6, date);
      Ints days, isWhole;
      DaysOf<N>(date, days, isWhole);
      allWhole &= AllLanes(isWhole);
      dates[g] = date;
      const Words day = reinterpret_cast<const Words&>(days);
      StoreGroupVector<N, 0>(t, w0, day);
      StoreGroupVector<N, 1>(t, w1, day);
      StoreGroupVector<N, 2>(t, w2, day);
      StoreGroupVector<N, 3>(t, w3, day);
      StoreGroupVector<N, 4>(t, w4, day);
      StoreGroupVector<N, 5>(t, w5, day);
      StoreGroupVector<N, 6>(t, w6, day);
    }
    // A round with any other date (rare) takes DayFromDateField for every date:
    // record k of group g has its date in lane 7k mod N of dates[g].
    if (!allWhole) {
      for (size_t g = 0; g < n; ++g) {
        std::array<uint32_t, N> lanes;
        std::memcpy(lanes.data(), &dates[g], sizeof lanes);
        for (size_t k = 0; k < N; ++k) {
          out[(first + g) * N + k].date = DayFromDateField(std::bit_cast<float>(lanes[7 * k % N]));
        }
      }
    }
  }
  for (size_t i = groups * N; i < count; ++i) {
    auto* const to = reinterpret_cast<uint8_t*>(out + i);
    ConvertWords<N>(records + 28 * i, to, 7);
    const QuoteDay day = DayFromDateField(std::bit_cast<float>(LoadWord(to)));
    StoreWord(day, to);
  }
}

// Any layout, round by round: the words converted in place, the dates N at a
// time, then each quote gathered. An absent field reads a constant word.
template <size_t N>
[[gnu::always_inline]] inline void DecodeRounds(const std::array<int, kQuoteFieldCount>& offsets,
                                                uint8_t* records, size_t count, size_t length,
                                                Quote* out) {
  const bool hasDate = offsets[FIELD_DATE] >= 0;
  const bool hasTime = offsets[FIELD_TIME] >= 0;
  const QuoteDay absentDay = DayFromDateField(kAbsentValue);
  // The usual layouts keep OPEN to OI (or a first part of them) side by side in the
  // record, as they lie in a Quote: that run is copied in one go.
  size_t run = 0;
  while (FIELD_OPEN + run < kQuoteFieldCount && offsets[FIELD_OPEN + run] >= 0 &&
         offsets[FIELD_OPEN + run] == offsets[FIELD_OPEN] + 4 * static_cast<int>(run)) {
    ++run;
  }
  const float absentValue = kAbsentValue;
  std::array<float, kRoundRecords> dates;
  std::array<QuoteDay, kRoundRecords> days;

  for (size_t first = 0; first < count; first += kRoundRecords) {
    const size_t n = std::min(kRoundRecords, count - first);
    uint8_t* const block = records + first * length;
    Quote* const quotes = out + first;
    // Records that are not whole words (18 bytes) keep their fields at odd places:
    // record by record. Words of fields not decoded are converted but never read.
    if (length % 4 == 0) {
      ConvertWords<N>(block, block, n * length / 4);
    } else {
      for (size_t i = 0; i < n; ++i)
        ConvertWords<N>(block + i * length, block + i * length, length / 4);
    }
    if (hasDate) {
      const uint8_t* const date = block + offsets[FIELD_DATE];
      for (size_t i = 0; i < n; ++i) std::memcpy(&dates[i], date + i * length, 4);
      const size_t groups = (n + N - 1) / N;
      std::fill(dates.begin() + static_cast<ptrdiff_t>(n),
                dates.begin() + static_cast<ptrdiff_t>(groups * N), 0.0f);
      for (size_t g = 0; g < groups; ++g) {
        typename Lanes<N>::Words x;
        std::memcpy(&x, &dates[g * N], sizeof x);
        typename Lanes<N>::Ints day, whole;
        DaysOf<N>(x, day, whole);
        for (size_t k = 0; k < N; ++k) {
          const size_t i = g * N + k;
          days[i] = whole[k] ? static_cast<QuoteDay>(day[k]) : DayFromDateField(dates[i]);
        }
      }
    }
    const auto value = [&](size_t f, size_t i) {
      float v = absentValue;
      if (offsets[f] >= 0) std::memcpy(&v, block + i * length + offsets[f], 4);
      return v;
    };
    const uint8_t* const runBase = run ? block + offsets[FIELD_OPEN] : block;
    for (size_t i = 0; i < n; ++i) {
      Quote& q = quotes[i];
      q.date = hasDate ? days[i] : absentDay;
      q.time = hasTime ? TimeFromTimeField(value(FIELD_TIME, i)) : QuoteTime{0};
      std::memcpy(q.values.data(), runBase + i * length, 4 * run);
      for (size_t f = FIELD_OPEN + run; f < kQuoteFieldCount; ++f) {
        q.values[f - FIELD_OPEN] = value(f, i);
      }
    }
  }
}

// Each kernel built for its instruction set: N lanes as wide as its vectors.
template <size_t N>
[[gnu::always_inline]] inline void DecodeBlock(const std::array<int, kQuoteFieldCount>& offsets,
                                               uint8_t* records, size_t count, int length,
                                               Quote* out) {
  if (QuoteShaped(offsets, length)) {
    DecodeQuoteShaped<N>(records, count, out);
  } else {
    DecodeRounds<N>(offsets, records, count, static_cast<size_t>(length), out);
  }
}
__attribute__((target("avx2"))) void DecodeBlockAvx2(
    const std::array<int, kQuoteFieldCount>& offsets, uint8_t* records, size_t count, int length,
    Quote* out) {
  DecodeBlock<8>(offsets, records, count, length, out);
}
__attribute__((target("arch=x86-64-v4"))) void DecodeBlockAvx512(
    const std::array<int, kQuoteFieldCount>& offsets, uint8_t* records, size_t count, int length,
    Quote* out) {
  DecodeBlock<16>(offsets, records, count, length, out);
}
#endif  // __x86_64__

}  // namespace

bool RecordDecoder::DecodesInPlace(int recordLength) const {
  return QuoteShaped(offsets_, recordLength);
}

void RecordDecoder::DecodeMany(uint8_t* records, size_t count, int recordLength, Quote* out,
                               [[maybe_unused]] VectorPath path) const {
  static_assert(std::endian::native == std::endian::little);
#if defined(__x86_64__)
  // A path the processor lacks is never taken, whatever the caller asks.
  if (count > 0 && path != VectorPath::Scalar && path <= BestVectorPath()) {
    if (path == VectorPath::Avx512) {
      DecodeBlockAvx512(offsets_, records, count, recordLength, out);
    } else {
      DecodeBlockAvx2(offsets_, records, count, recordLength, out);
    }
    return;
  }
#endif
  // Record i is read whole before quote i is stored: records may lie in the quotes.
  for (size_t i = 0; i < count; ++i)
    out[i] = Decode(records + i * static_cast<size_t>(recordLength));
}

namespace {

// Quotes read and decoded in one piece by the whole-series reader (about 230 KB).
constexpr size_t kReadPieceRecords = 8192;

// What every reader does first: the lookup, the layout, the quote file.
struct LocatedSeries {
  SeriesInfo info;
  std::string directory;
  fs::path dat;
  bool masterUnreadable = false;
};

// The files of a security whose record is known, in its MASTER's folder.
LibResult LocateRecord(const fs::FolderListing& folder, const MasterRecord& record,
                       LocatedSeries& out) {
  out.info.record = record;
  out.directory = folder.Directory();
  const MasterRecord& rec = out.info.record;
  if (LibResult r = ReadSecurityLayout(folder, rec.QuoteFileNumber(), rec.RecordLength(),
                                       rec.fieldMask, rec.Periodicity(), out.info.layout);
      r != LIB_OK) {
    return r;
  }
  // A layout from a DOP file says nothing of the record length; one the reader
  // cannot hold is as unknown as one it cannot infer.
  if (!UsableRecordLength(rec.RecordLength())) return LIB_UNKNOWN_LAYOUT;
  out.dat = folder.PathOf(fs::QuoteFileName(rec.QuoteFileNumber(), rec.QuoteFileExtension()));
  return LIB_OK;
}

// The security found by the lookup (by file number too when fileNumber is nonzero).
LibResult LocateSeries(SecurityLookup& lookup, std::string_view directory, std::string_view query,
                       int fileNumber, LocatedSeries& out) {
  const MasterLookup found = fileNumber != 0 ? lookup.FindByFileNumber(directory, query, fileNumber)
                                             : lookup.Find(directory, query);
  out.masterUnreadable = found.masterUnreadable;
  if (!found.ok()) return found.code;
  return LocateRecord(lookup.Folder(found.directory).names, found.record, out);
}

LibResult LocateSeries(std::string_view directory, std::string_view query, LocatedSeries& out) {
  SecurityLookup lookup;
  return LocateSeries(lookup, directory, query, 0, out);
}

// L, the number of the last record in use, unsigned: real intraday files hold up
// to 65 534 quotes. A header too short to hold it reads as a file without quotes.
int32_t LastRecordNumber(const std::vector<uint8_t>& head) {
  return head.size() >= 4 ? LoadQuoteCount(head.data() + 2) : 1;
}

}  // namespace

LibResult CreateQuoteSeries(QuoteSeries& series, int16_t capacity) {
  series.directory.clear();
  series.query.clear();
  series.total = 0;
  series.sourceKind = SourceKind::Created;
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
                          int32_t start, int16_t count, fs::FileSteps& steps) {
  LocatedSeries located;
  if (LibResult r = LocateSeries(directory, query, located); r != LIB_OK) return r;
  fs::InputFile file(located.dat, steps);
  if (!file.IsOpen()) return LIB_FILE_OPEN;
  std::vector<uint8_t> head;
  if (!file.ReadAt(0, 4, head)) return LIB_FILE_READ;
  const int32_t last = LastRecordNumber(head);

  int32_t wanted = count;
  if (wanted < 0) {
    const int32_t m = std::min(last - 1, kMaxQuotesPerRead);
    wanted = start > 0 ? m - start : m;
  }
  series.sourceKind = SourceKind::Read;
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
  if (!file.ReadAt(static_cast<uint64_t>(start + 1) * static_cast<uint64_t>(recordLength),
                   static_cast<size_t>(available) * static_cast<size_t>(recordLength), block)) {
    return LIB_FILE_READ;
  }
  const size_t records = block.size() / static_cast<size_t>(recordLength);
  const RecordDecoder decoder(located.info.layout, recordLength, located.info.record.FieldCount());
  decoder.DecodeMany(block.data(), records, recordLength, series.rows.data());
  return SetQuoteSeriesCount(series, static_cast<int16_t>(records));
}

namespace {

LibResult ReadLocatedWindow(const LocatedSeries& located, int32_t start, int32_t count,
                            SeriesData& out, fs::FileSteps& steps) {
  fs::InputFile file(located.dat, steps);
  if (!file.IsOpen()) return LIB_FILE_OPEN;
  const int recordLength = located.info.record.RecordLength();
  const uint64_t rl = static_cast<uint64_t>(recordLength);

  std::vector<uint8_t> head;
  if (!file.ReadAt(0, 4, head)) return LIB_FILE_READ;
  const int32_t last = LastRecordNumber(head);
  const int32_t total = last - 1;
  if (start < 0) start = std::max(total - std::max(count, 0), 0);
  int32_t wanted = std::max(total - start, 0);
  if (count >= 0) wanted = std::min(wanted, count);
  out.info = located.info;
  out.directory = located.directory;
  out.total = total;
  const RecordDecoder decoder(located.info.layout, recordLength, located.info.record.FieldCount());
  const uint64_t offset = static_cast<uint64_t>(start + 1) * rl;
  if (decoder.DecodesInPlace(recordLength)) {
    // Records as long as a Quote are read straight into the quotes and decoded
    // where they lie, in pieces that stay in the processor's cache meanwhile.
    out.quotes.resize(static_cast<size_t>(wanted));
    auto* const bytes = reinterpret_cast<uint8_t*>(out.quotes.data());
    size_t records = 0;
    while (records < out.quotes.size()) {
      const size_t piece = std::min(kReadPieceRecords, out.quotes.size() - records);
      size_t got = 0;
      if (!file.ReadInto(offset + records * rl, piece * rl, bytes + records * rl, got)) {
        out.quotes.clear();
        return LIB_FILE_READ;
      }
      decoder.DecodeMany(bytes + records * rl, got / rl, recordLength, &out.quotes[records]);
      records += got / rl;
      if (got < piece * rl) break;  // the end of the file: a part record is no quote
    }
    out.quotes.resize(records);
    return LIB_OK;
  }
  // One block read into a buffer that is not cleared first: every byte decoded
  // is a byte read.
  const size_t blockSize = static_cast<size_t>(wanted) * rl;
  const auto block = std::make_unique_for_overwrite<uint8_t[]>(blockSize);
  size_t got = 0;
  if (!file.ReadInto(offset, blockSize, block.get(), got)) {
    out.quotes.clear();
    return LIB_FILE_READ;
  }
  const size_t records = got / rl;
  out.quotes.resize(records);
  decoder.DecodeMany(block.get(), records, recordLength, out.quotes.data());
  return LIB_OK;
}

}  // namespace

namespace {

LibResult ReadFoundWindow(SecurityLookup& lookup, std::string_view directory,
                          std::string_view query, int fileNumber, int32_t start, int32_t count,
                          SeriesData& out, fs::FileSteps& steps) {
  LocatedSeries located;
  const LibResult r = LocateSeries(lookup, directory, query, fileNumber, located);
  out.masterUnreadable = located.masterUnreadable;
  if (r != LIB_OK) return r;
  return ReadLocatedWindow(located, start, count, out, steps);
}

}  // namespace

LibResult ReadSeriesWindow(std::string_view directory, std::string_view query, int32_t start,
                           int32_t count, SeriesData& out, fs::FileSteps& steps) {
  SecurityLookup lookup;
  return ReadFoundWindow(lookup, directory, query, 0, start, count, out, steps);
}

LibResult ReadNumberedSeries(std::string_view directory, std::string_view query, int fileNumber,
                             SeriesData& out, fs::FileSteps& steps) {
  SecurityLookup lookup;
  return ReadNumberedSeries(lookup, directory, query, fileNumber, out, steps);
}

LibResult ReadNumberedSeries(SecurityLookup& lookup, std::string_view directory,
                             std::string_view query, int fileNumber, SeriesData& out,
                             fs::FileSteps& steps) {
  return ReadFoundWindow(lookup, directory, query, fileNumber, 0, -1, out, steps);
}

LibResult ReadRecordSeries(std::string_view directory, const MasterRecord& record, SeriesData& out,
                           fs::FileSteps& steps) {
  return ReadRecordSeries(fs::FolderListing(std::string(directory)), record, out, steps);
}

LibResult ReadRecordSeries(const fs::FolderListing& folder, const MasterRecord& record,
                           SeriesData& out, fs::FileSteps& steps) {
  LocatedSeries located;
  if (LibResult r = LocateRecord(folder, record, located); r != LIB_OK) return r;
  return ReadLocatedWindow(located, 0, -1, out, steps);
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
  if (!file.ReadAt(0, 4, head)) return LIB_FILE_READ;
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
