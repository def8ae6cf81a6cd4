// ReadQuoteSeries, ReadSeriesWindow and FindQuoteByDate over arbitrary DAT
// bytes, with any MASTER record length and field count and an optional DOP.
// The block reader must give exactly the quotes that windows of the paging
// reader give, every count must stay within the header and the file, and a
// date search may only name a quote that is there.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/lib/quote_series.h"
#include "fuzz_support.h"

using namespace quillet;
using quillet::fuzz::stdfs::path;

namespace {

// Bit-for-bit equality: a NaN read from the file is the same NaN both ways.
bool SameQuote(const Quote& a, const Quote& b) {
  if (a.date != b.date || a.time != b.time) return false;
  for (size_t i = 0; i < a.values.size(); ++i) {
    if (std::bit_cast<uint32_t>(a.values[i]) != std::bit_cast<uint32_t>(b.values[i])) return false;
  }
  return true;
}

bool SameQuotes(const std::vector<Quote>& a, size_t from, const std::vector<Quote>& b) {
  if (b.empty()) return true;  // a window past the quotes held is empty
  if (from + b.size() > a.size()) return false;
  for (size_t i = 0; i < b.size(); ++i) {
    if (!SameQuote(a[from + i], b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t recordLength = in.ConsumeIntegral<uint8_t>();
  const uint8_t fieldCount = in.ConsumeIntegral<uint8_t>();
  const int16_t capacity = in.ConsumeIntegralInRange<int16_t>(1, 400);
  const int32_t windowStart = in.ConsumeIntegralInRange<int32_t>(-3, 40);
  const int32_t windowCount = in.ConsumeIntegralInRange<int32_t>(-2, 40);
  const QuoteDay day = in.ConsumeIntegral<uint16_t>();
  const QuoteTime time = in.ConsumeIntegral<uint16_t>();
  const bool withDop = in.ConsumeBool();
  const path dir = quillet::fuzz::FreshDir();
  if (withDop) quillet::fuzz::WriteFile(dir / "F1.DOP", in.ConsumeRandomLengthString(200));
  const std::vector<uint8_t> dat = in.ConsumeRemainingBytes<uint8_t>();
  quillet::fuzz::WriteFile(dir / "F1.DAT", dat);
  const std::vector<MasterRecord> records = {
      quillet::fuzz::SecurityRecord(1, "FZ", recordLength, fieldCount)};
  quillet::fuzz::WriteFile(dir / "MASTER", quillet::fuzz::MasterBytes(records, 1));
  const std::string directory = dir.string();

  SeriesData whole;
  const LibResult r = ReadWholeSeries(directory, "FZ", whole);
  FUZZ_CHECK(r == LIB_OK || r == LIB_UNKNOWN_LAYOUT);
  if (r != LIB_OK) {
    QuoteSeries series;
    CreateQuoteSeries(series, capacity);
    FUZZ_CHECK(ReadQuoteSeries(series, directory, "FZ", 0, capacity) == r);
    FUZZ_CHECK(FindQuoteByDate(directory, "FZ", day, time) == r);
    return 0;
  }
  const int rl = static_cast<int8_t>(recordLength);
  FUZZ_CHECK(UsableRecordLength(rl));
  const int32_t last = dat.size() >= 4 ? LoadQuoteCount(dat.data() + 2) : 1;  // unsigned
  FUZZ_CHECK(whole.total == last - 1);
  const size_t inFile = dat.size() / static_cast<size_t>(rl);
  const size_t held = inFile > 0 ? inFile - 1 : 0;
  FUZZ_CHECK(whole.quotes.size() ==
             std::min<size_t>(held, static_cast<size_t>(std::max(whole.total, 0))));

  // Every quote is, bit for bit, what the one-record decoder makes of its bytes,
  // and so is what the block decoder makes of them on every path.
  const RecordDecoder reference(whole.info.layout, rl, whole.info.record.FieldCount());
  for (size_t i = 0; i < whole.quotes.size(); ++i) {
    const Quote q = reference.Decode(dat.data() + (i + 1) * static_cast<size_t>(rl));
    FUZZ_CHECK(std::memcmp(&q, &whole.quotes[i], sizeof q) == 0);
  }
  const size_t n = whole.quotes.size();
  for (VectorPath path : UsableVectorPaths()) {
    if (n == 0) break;
    std::vector<uint8_t> block(dat.data() + rl, dat.data() + (n + 1) * static_cast<size_t>(rl));
    std::vector<Quote> decoded(n);
    reference.DecodeMany(block.data(), n, rl, decoded.data(), path);
    FUZZ_CHECK(std::memcmp(decoded.data(), whole.quotes.data(), n * sizeof(Quote)) == 0);
  }

  // The paging reader, window after window, gives the same quotes.
  QuoteSeries series;
  FUZZ_CHECK(CreateQuoteSeries(series, capacity) == LIB_OK);
  FUZZ_CHECK(ReadQuoteSeries(series, directory, "FZ", 0, 0) == LIB_OK);
  FUZZ_CHECK(series.total == whole.total && series.sourceKind == SourceKind::Read &&
             series.hasInfo);
  std::vector<Quote> paged;
  for (int32_t start = 0;; start += capacity) {
    const LibResult pr = ReadQuoteSeries(series, directory, "FZ", start, capacity);
    if (pr == LIB_RECORD_NOT_FOUND) break;
    FUZZ_CHECK(pr == LIB_OK);
    FUZZ_CHECK(series.count >= 0 && series.count <= series.capacity);
    paged.insert(paged.end(), series.rows.begin(), series.rows.begin() + series.count);
    if (series.count < capacity) break;
  }
  FUZZ_CHECK(paged.size() == whole.quotes.size());
  FUZZ_CHECK(SameQuotes(whole.quotes, 0, paged));

  // Any window is the matching slice of the whole series.
  SeriesData window;
  FUZZ_CHECK(ReadSeriesWindow(directory, "FZ", windowStart, windowCount, window) == LIB_OK);
  FUZZ_CHECK(window.total == whole.total);
  const int32_t total = std::max(whole.total, 0);
  int32_t from = windowStart;
  if (from < 0) from = std::max(total - std::max(windowCount, 0), 0);
  const size_t first = std::min(static_cast<size_t>(from), n);
  size_t expected = n - first;
  if (windowCount >= 0) expected = std::min(expected, static_cast<size_t>(windowCount));
  FUZZ_CHECK(window.quotes.size() == expected);
  FUZZ_CHECK(SameQuotes(whole.quotes, first, window.quotes));

  // The newest quotes through the paging reader match the end of the series.
  if (windowCount > 0) {
    const LibResult nr =
        ReadQuoteSeries(series, directory, "FZ", -1, static_cast<int16_t>(windowCount));
    if (nr == LIB_OK) {
      const size_t c = static_cast<size_t>(series.count);
      const size_t wanted =
          std::min<size_t>(static_cast<size_t>(windowCount), static_cast<size_t>(capacity));
      const size_t newest =
          static_cast<size_t>(std::max<int32_t>(total - static_cast<int32_t>(wanted), 0));
      FUZZ_CHECK(SameQuotes(whole.quotes, newest,
                            std::vector<Quote>(series.rows.begin(), series.rows.begin() + c)));
    }
  }

  // A date search names a quote that is in the file and in use, or fails.
  QuoteDay outDay = 0;
  QuoteTime outTime = 0;
  const int32_t found = FindQuoteByDate(directory, "FZ", day, time, &outDay, &outTime);
  if (found >= 0) {
    FUZZ_CHECK(static_cast<size_t>(found) < n);
  } else {
    FUZZ_CHECK(found == LIB_RECORD_NOT_FOUND || found == LIB_FILE_READ);
  }
  return 0;
}
