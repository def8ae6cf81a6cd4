#include "core/export/export.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/fs/text_output.h"
#include "core/messages/export.h"
#include "core/messages/read.h"

namespace quillet {
namespace {

// Rows are formatted into a chunk of about this size before it is written.
constexpr size_t kChunkSize = 1 << 18;

void WriteTwo(char* p, int v) {
  p[0] = static_cast<char>('0' + v / 10);
  p[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

char DelimiterChar(ExportDelimiter delimiter) {
  switch (delimiter) {
    case ExportDelimiter::Tab:
      return '\t';
    case ExportDelimiter::Space:
      return ' ';
    default:
      return ',';
  }
}

namespace {

constexpr std::array<uint64_t, 5> kPowersOfTen = {1, 10, 100, 1000, 10000};

// value (finite, not negative) * 10^Decimals rounded to the nearest integer,
// ties to even, as printf rounds the exact binary value. False when the result
// would not fit the fast path.
template <int Decimals>
bool ScaledExactly(float value, uint64_t& scaled) {
  const uint32_t bits = std::bit_cast<uint32_t>(value) & 0x7FFFFFFFu;
  const uint32_t biased = bits >> 23;
  const uint64_t mantissa = biased == 0 ? (bits & 0x7FFFFFu) : ((bits & 0x7FFFFFu) | 0x800000u);
  // value = mantissa * 2^exponent
  const int exponent = (biased == 0 ? 1 : static_cast<int>(biased)) - 150;
  const uint64_t product = mantissa * kPowersOfTen[Decimals];  // below 2^38
  if (exponent >= 0) {
    if (exponent > 24) return false;  // from 2^48 on: the general path
    scaled = product << exponent;
    return true;
  }
  const int shift = -exponent;
  if (shift >= 63) {
    scaled = 0;  // below half of the last digit
    return true;
  }
  const uint64_t quotient = product >> shift;
  const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  scaled = quotient + ((rest > half || (rest == half && (quotient & 1))) ? 1 : 0);
  return true;
}

template <int Decimals>
char* AppendFixed(char* p, float value) {
  if (value < 0.0f || std::isnan(value)) {
    std::memcpy(p, messages::kNotAvailable.data(), messages::kNotAvailable.size());
    return p + messages::kNotAvailable.size();
  }
  uint64_t scaled = 0;
  if (ScaledExactly<Decimals>(value, scaled)) {
    // The exact value in fixed point: the digits printf's "%.4f" / "%.2f" give.
    constexpr uint64_t unit = kPowersOfTen[Decimals];
    p = std::to_chars(p, p + 24, scaled / unit).ptr;
    *p++ = '.';
    uint64_t fraction = scaled % unit;
    for (int i = Decimals - 1; i >= 0; --i) {
      p[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    return p + Decimals;
  }
  // Very large values and infinity: the library's fixed notation, same digits.
  return std::to_chars(p, p + kExportValueRoom, static_cast<double>(value),
                       std::chars_format::fixed, Decimals)
      .ptr;
}

}  // namespace

char* AppendExportValue(char* p, float value, int decimals) {
  if (decimals == 2) return AppendFixed<2>(p, value);
  if (decimals == 4) return AppendFixed<4>(p, value);
  if (value < 0.0f || std::isnan(value)) {
    std::memcpy(p, messages::kNotAvailable.data(), messages::kNotAvailable.size());
    return p + messages::kNotAvailable.size();
  }
  return std::to_chars(p, p + kExportValueRoom, static_cast<double>(value),
                       std::chars_format::fixed, decimals)
      .ptr;
}

ExportFormatter::ExportFormatter(const ExportOptions& options)
    : delimiter_(DelimiterChar(options.delimiter)),
      title_(options.title),
      newestFirst_(options.order != ExportOrder::OldestFirst) {
  const std::array<bool, 6> used = {options.useOpen,  options.useHigh,   options.useLow,
                                    options.useClose, options.useVolume, options.useOpenInterest};
  for (int i = 0; i < 6; ++i) {
    if (used[static_cast<size_t>(i)]) fields_[static_cast<size_t>(fieldCount_++)] = FIELD_OPEN + i;
  }
}

void ExportFormatter::AppendTitle(std::string& out) const {
  out += kExportDateTitle;
  for (int i = 0; i < fieldCount_; ++i) {
    out += delimiter_;
    out += kExportTitles[static_cast<size_t>(fields_[static_cast<size_t>(i)] - FIELD_OPEN)];
  }
  out += kTextLineEnd;
}

char* ExportFormatter::AppendDate(char* p, QuoteDay day) {
  // Form 3 with "/": MM/DD/YY, as FormatDate writes it (00/00/00 for no date).
  // Rows of one month share the month's text; only the day changes.
  if (day == 0) {
    std::memcpy(p, "00/00/00", 8);
    return p + 8;
  }
  if (day < cachedFirst_ || day - cachedFirst_ >= cachedDays_) {
    const Ymd d = YmdFromDay(day);
    cachedFirst_ = static_cast<QuoteDay>(day - d.day + 1);
    cachedFirstDay_ = 1;
    const bool december = d.month == 12;
    const QuoteDay next = DayFromYmd(static_cast<int16_t>(december ? d.year + 1 : d.year),
                                     static_cast<int16_t>(december ? 1 : d.month + 1), 1);
    cachedDays_ = next - cachedFirst_;
    if (next <= cachedFirst_ || cachedDays_ > 31) {
      // The last month the day count reaches: this day on its own.
      cachedFirst_ = day;
      cachedFirstDay_ = d.day;
      cachedDays_ = 1;
    }
    WriteTwo(cachedText_.data(), d.month);
    cachedText_[2] = '/';
    cachedText_[5] = '/';
    WriteTwo(cachedText_.data() + 6, d.year % 100);
  }
  std::memcpy(p, cachedText_.data(), 8);
  WriteTwo(p + 3, cachedFirstDay_ + (day - cachedFirst_));
  return p + 8;
}

char* ExportFormatter::WriteRow(char* p, const Quote& quote) {
  p = AppendDate(p, quote.date);
  for (int i = 0; i < fieldCount_; ++i) {
    const int field = fields_[static_cast<size_t>(i)];
    *p++ = delimiter_;
    p = field >= FIELD_VOL ? AppendFixed<2>(p, quote.Value(field))
                           : AppendFixed<4>(p, quote.Value(field));
  }
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

void ExportFormatter::AppendRow(std::string& out, const Quote& quote) {
  const size_t start = out.size();
  out.resize(start + kExportRowRoom);
  char* end = WriteRow(out.data() + start, quote);
  out.resize(static_cast<size_t>(end - out.data()));
}

std::string ExportFormatter::Text(std::span<const Quote> quotes) {
  std::string out;
  out.reserve(quotes.size() * 64 + 64);
  if (title_) AppendTitle(out);
  for (size_t i = 0; i < quotes.size(); ++i) {
    AppendRow(out, quotes[newestFirst_ ? quotes.size() - 1 - i : i]);
  }
  return out;
}

bool ExportTargetExists(const std::filesystem::path& file) {
  std::error_code ec;
  return !file.empty() && std::filesystem::exists(file, ec);
}

namespace {

ExportResult Failed(ExportStatus status, LibResult code, std::string message) {
  ExportResult result;
  result.status = status;
  result.code = code;
  result.message = std::move(message);
  return result;
}

}  // namespace

ExportResult ExportQuotes(std::string_view directory, std::string_view symbol,
                          const ExportOptions& options, bool replaceExisting,
                          const ExportProgress& progress, fs::FileSteps& steps) {
  const std::filesystem::path target(options.path);
  if (!replaceExisting && ExportTargetExists(target)) {
    return Failed(ExportStatus::AskReplace, LIB_FILE_EXISTS,
                  messages::ReplaceExistingFile(options.path));
  }
  // The whole series with one lookup and one open, before the file is touched.
  SeriesData series;
  if (LibResult r = ReadWholeSeries(directory, symbol, series, steps); r != LIB_OK) {
    return Failed(ExportStatus::ReadFailed, r,
                  messages::DescribeReadFailure(r, directory, symbol, series.masterUnreadable));
  }
  fs::AtomicFile out(steps);
  if (LibResult r = OpenTextOutput(out, target); r != LIB_OK) {
    return Failed(ExportStatus::FileError, r, messages::kFileExportError);
  }
  ExportFormatter formatter(options);
  std::string title;
  if (formatter.HasTitle()) formatter.AppendTitle(title);
  bool ok = out.Write(title.data(), title.size());
  // Rows are formatted straight into one buffer that is written whenever it fills.
  std::vector<char> chunk(kChunkSize + kExportRowRoom);
  char* const begin = chunk.data();
  char* p = begin;
  const size_t n = series.quotes.size();
  for (size_t i = 0; i < n && ok; ++i) {
    p = formatter.WriteRow(p, series.quotes[formatter.NewestFirst() ? n - 1 - i : i]);
    if (static_cast<size_t>(p - begin) >= kChunkSize) {
      ok = out.Write(begin, static_cast<size_t>(p - begin));
      p = begin;
      if (progress) progress(static_cast<int32_t>(i + 1), static_cast<int32_t>(n));
    }
  }
  if (ok) ok = out.Write(begin, static_cast<size_t>(p - begin));
  const LibResult committed = ok ? out.Commit() : LIB_FILE_WRITE;
  if (committed != LIB_OK) {
    out.Abandon();
    return Failed(ExportStatus::FileError, committed, messages::kFileExportError);
  }
  if (progress) progress(static_cast<int32_t>(n), static_cast<int32_t>(n));
  ExportResult result;
  result.rows = static_cast<int32_t>(n);
  return result;
}

}  // namespace quillet
