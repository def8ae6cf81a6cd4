#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/quote_date.h"
#include "core/base/result.h"
#include "core/base/vector_path.h"
#include "core/fs/file_steps.h"
#include "core/lib/field_layout.h"
#include "core/lib/master.h"
#include "core/lib/security_lookup.h"

namespace quillet {

// The value the reader gives a field that the file does not hold.
inline constexpr float kAbsentValue = -1.0f;

// One decoded quote. values holds OPEN, HIGH, LOW, CLOSE, VOL, OI.
struct Quote {
  QuoteDay date = 0;
  QuoteTime time = 0;
  std::array<float, 6> values{};

  float Value(int field) const { return values[static_cast<size_t>(field - FIELD_OPEN)]; }
  float& Value(int field) { return values[static_cast<size_t>(field - FIELD_OPEN)]; }
  bool operator==(const Quote&) const = default;
};

// What a read tells about the file besides the quotes: the MASTER record (as
// stored) and the field layout.
struct SeriesInfo {
  MasterRecord record;
  FieldLayout layout;
};

inline constexpr size_t kSeriesDirectoryLimit = 70;
inline constexpr size_t kSeriesQueryLimit = 20;
// A read with a negative count reads at most this many quotes.
inline constexpr int32_t kMaxQuotesPerRead = 16000;
// The longest DAT record the reader decodes (19 fields).
inline constexpr int kMaxRecordLength = 76;

// Where a QuoteSeries' rows came from, with the values the library stores.
enum class SourceKind : int16_t { Created = 0, Read = 3 };

// A caller-owned window of a series: rows holds capacity quotes of which the
// first count are in use.
struct QuoteSeries {
  std::vector<Quote> rows;
  std::string directory;  // where the security was found, cut to 70 characters
  std::string query;      // what was asked for, cut to 20 characters
  int16_t count = 0;
  int16_t capacity = 0;
  int32_t total = 0;  // quotes in the file at the last read
  SourceKind sourceKind = SourceKind::Created;
  bool hasInfo = false;
  SeriesInfo info;
};

LibResult CreateQuoteSeries(QuoteSeries& series, int16_t capacity);
LibResult FreeQuoteSeries(QuoteSeries& series);
LibResult SetQuoteSeriesCount(QuoteSeries& series, int16_t count);
// start: 0-based quote number, or negative for the newest count quotes; count 0
// reads only the header and info; a negative count reads as many as possible
// (at most 16000).
LibResult ReadQuoteSeries(QuoteSeries& series, std::string_view directory, std::string_view query,
                          int32_t start, int16_t count, fs::FileSteps& steps = fs::EveryStep());
// The 0-based number of the quote of that day and time (see the search rules),
// or a negative LibResult. outDay and outTime receive the last record examined.
int32_t FindQuoteByDate(std::string_view directory, std::string_view query, QuoteDay day,
                        QuoteTime time, QuoteDay* outDay = nullptr, QuoteTime* outTime = nullptr);

// A whole series (or any window of it) read with one lookup, one open and one
// read of its records (in a few large pieces). The quotes are those repeated ReadQuoteSeries
// windows would give.
struct SeriesData {
  SeriesInfo info;
  std::string directory;  // where the security was found, ending in a separator
  int32_t total = 0;      // quotes the header claims (L - 1)
  std::vector<Quote> quotes;
  // Set when the read failed because the Portfolio has no readable MASTER.
  bool masterUnreadable = false;
};

// count < 0 reads to the end of the series. A start beyond the last quote gives
// no quotes and LIB_OK; failures are those of the lookup, the layout and the open,
// and LIB_FILE_READ when a read fails (the quotes are then not a series).
LibResult ReadSeriesWindow(std::string_view directory, std::string_view query, int32_t start,
                           int32_t count, SeriesData& out, fs::FileSteps& steps = fs::EveryStep());
inline LibResult ReadWholeSeries(std::string_view directory, std::string_view query,
                                 SeriesData& out, fs::FileSteps& steps = fs::EveryStep()) {
  return ReadSeriesWindow(directory, query, 0, -1, out, steps);
}

// ReadWholeSeries, or with fileNumber nonzero the series of LookupByFileNumber.
LibResult ReadNumberedSeries(std::string_view directory, std::string_view query, int fileNumber,
                             SeriesData& out, fs::FileSteps& steps = fs::EveryStep());
// The same through lookup: one of many reads in a row, each folder read once.
LibResult ReadNumberedSeries(SecurityLookup& lookup, std::string_view directory,
                             std::string_view query, int fileNumber, SeriesData& out,
                             fs::FileSteps& steps = fs::EveryStep());
inline LibResult ReadWholeSeries(SecurityLookup& lookup, std::string_view directory,
                                 std::string_view query, SeriesData& out,
                                 fs::FileSteps& steps = fs::EveryStep()) {
  return ReadNumberedSeries(lookup, directory, query, 0, out, steps);
}

// The whole series of a security of the MASTER in directory, found by its record
// (no lookup: two records with one symbol are two series). Failures as above
// without the lookup's.
LibResult ReadRecordSeries(std::string_view directory, const MasterRecord& record, SeriesData& out,
                           fs::FileSteps& steps = fs::EveryStep());
// The same in a folder whose names are looked up through folder: a walk over
// every series of a Portfolio lists its folder once.
LibResult ReadRecordSeries(const fs::FolderListing& folder, const MasterRecord& record,
                           SeriesData& out, fs::FileSteps& steps = fs::EveryStep());

// Decodes DAT records by a layout: what every reader of quotes shares.
class RecordDecoder {
 public:
  RecordDecoder(const FieldLayout& layout, int recordLength, int fieldCount);
  Quote Decode(const uint8_t* record) const;
  // Decodes records laid one after another, with the same results as Decode on
  // each; the block may be used as scratch (the vector path converts its words in
  // place), which lets the whole-series path decode tens of thousands of records
  // in vector loops. A path this processor lacks runs as the scalar one.
  void DecodeMany(uint8_t* records, size_t count, int recordLength, Quote* out,
                  VectorPath path = BestVectorPath()) const;
  // True when records of that length may be decoded where they lie: DecodeMany
  // with records at the quotes' own bytes (records as long as a Quote, DATE then
  // OPEN to OI).
  bool DecodesInPlace(int recordLength) const;
  // The byte offset of a field within a record, or -1 when it is absent.
  int Offset(int field) const { return offsets_[static_cast<size_t>(field)]; }

 private:
  std::array<int, kQuoteFieldCount> offsets_{};
};

// True for a record length the reader can decode (4 to 76 bytes).
bool UsableRecordLength(int recordLength);

}  // namespace quillet
