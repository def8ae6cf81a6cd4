#include "core/export/export.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/export/text_output.h"

namespace quillet {
namespace {

// Rows are formatted into a chunk of about this size before it is written.
constexpr size_t kChunkSize = 1 << 18;
// The longest row: a date, six values, their delimiters and the line end.
constexpr size_t kRowRoom = 8 + 6 * (1 + kExportValueRoom) + 2;

char* AppendDate(char* p, QuoteDay day) {
  // Form 3 with "/": MM/DD/YY, as FormatDate writes it (00/00/00 for no date).
  int month = 0, dayOfMonth = 0, year = 0;
  if (day != 0) {
    const Ymd d = YmdFromDay(day);
    month = d.month;
    dayOfMonth = d.day;
    year = d.year % 100;
  }
  const auto two = [&p](int v) {
    *p++ = static_cast<char>('0' + v / 10);
    *p++ = static_cast<char>('0' + v % 10);
  };
  two(month);
  *p++ = '/';
  two(dayOfMonth);
  *p++ = '/';
  two(year);
  return p;
}

}  // namespace

char ExportDelimiter(int delimiter) {
  switch (delimiter) {
    case 1:
      return '\t';
    case 2:
      return ' ';
    default:
      return ',';
  }
}

char* AppendExportValue(char* p, float value, int decimals) {
  if (value < 0.0f || std::isnan(value)) {
    std::memcpy(p, "N/A", 3);
    return p + 3;
  }
  // Fixed notation with a precision gives the digits printf's "%.*f" gives.
  return std::to_chars(p, p + kExportValueRoom, static_cast<double>(value),
                       std::chars_format::fixed, decimals)
      .ptr;
}

ExportFormatter::ExportFormatter(const ExportOptions& options)
    : delimiter_(ExportDelimiter(options.delimiter)),
      title_(options.title),
      newestFirst_(options.order != 0) {
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

void ExportFormatter::AppendRow(std::string& out, const Quote& quote) const {
  const size_t start = out.size();
  out.resize(start + kRowRoom);
  char* p = AppendDate(out.data() + start, quote.date);
  for (int i = 0; i < fieldCount_; ++i) {
    const int field = fields_[static_cast<size_t>(i)];
    *p++ = delimiter_;
    p = AppendExportValue(p, quote.Value(field), field >= FIELD_VOL ? 2 : 4);
  }
  *p++ = '\r';
  *p++ = '\n';
  out.resize(static_cast<size_t>(p - out.data()));
}

std::string ExportFormatter::Text(std::span<const Quote> quotes) const {
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

ExportResult ExportQuotes(std::string_view directory, std::string_view symbol,
                          const ExportOptions& options, bool replaceExisting) {
  ExportResult result;
  const std::filesystem::path target(options.path);
  if (!replaceExisting && ExportTargetExists(target)) {
    result.status = ExportStatus::AskReplace;
    return result;
  }
  // The whole series with one lookup and one open, before the file is touched.
  SeriesData series;
  if (LibResult r = ReadWholeSeries(directory, symbol, series); r != LIB_OK) {
    result.status = ExportStatus::ReadFailed;
    result.code = r;
    return result;
  }
  fs::AtomicFile out;
  if (LibResult r = OpenTextOutput(out, target); r != LIB_OK) {
    result.status = ExportStatus::FileError;
    result.code = r;
    return result;
  }
  const ExportFormatter formatter(options);
  std::string chunk;
  chunk.reserve(kChunkSize + kRowRoom);
  if (formatter.HasTitle()) formatter.AppendTitle(chunk);
  const size_t n = series.quotes.size();
  bool ok = true;
  for (size_t i = 0; i < n && ok; ++i) {
    formatter.AppendRow(chunk, series.quotes[formatter.NewestFirst() ? n - 1 - i : i]);
    if (chunk.size() >= kChunkSize) {
      ok = out.Write(chunk.data(), chunk.size());
      chunk.clear();
    }
  }
  if (ok) ok = out.Write(chunk.data(), chunk.size());
  const LibResult committed = ok ? out.Commit() : LIB_FILE_WRITE;
  if (committed != LIB_OK) {
    out.Abandon();
    result.status = ExportStatus::FileError;
    result.code = committed;
    return result;
  }
  result.rows = static_cast<int32_t>(n);
  return result;
}

}  // namespace quillet
