#include "core/export/export.h"

#include <algorithm>
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

char* AppendExportValue(char* p, float value, int decimals) {
  if (value < 0.0f || std::isnan(value)) {
    std::memcpy(p, messages::kNotAvailable.data(), messages::kNotAvailable.size());
    return p + messages::kNotAvailable.size();
  }
  if (decimals == 2) return AppendFixed<2>(p, value);
  if (decimals == 4) return AppendFixed<4>(p, value);
  return std::to_chars(p, p + kExportValueRoom, static_cast<double>(value),
                       std::chars_format::fixed, decimals)
      .ptr;
}

ExportFormatter::ExportFormatter(const ExportOptions& options)
    : absent_(messages::kNotAvailable),
      title_(options.title),
      newestFirst_(options.order != ExportOrder::OldestFirst),
      delimiter_(DelimiterChar(options.delimiter)) {
  const std::array<bool, 6> used = {options.useOpen,  options.useHigh,   options.useLow,
                                    options.useClose, options.useVolume, options.useOpenInterest};
  columns_.push_back({"", Content::Date});
  for (int i = 0; i < 6; ++i) {
    if (!used[static_cast<size_t>(i)]) continue;
    const int field = FIELD_OPEN + i;
    columns_.push_back(
        {std::string(1, delimiter_), Content::Value, field, field >= FIELD_VOL ? 2 : 4});
  }
}

ExportFormatter ExportFormatter::GridText() {
  ExportFormatter f;
  f.absent_ = messages::kNotAvailable;
  f.gridNan_ = true;
  f.lineEnd_ = "\n";
  f.delimiter_ = '\t';
  f.columns_.push_back({"", Content::Date});
  for (int field = FIELD_OPEN; field <= FIELD_OI; ++field) {
    f.columns_.push_back({"\t", Content::Value, field, field >= FIELD_VOL ? 0 : 4});
  }
  return f;
}

ExportFormatter ExportFormatter::Typed(TypedForm form, const std::array<bool, 6>& held,
                                       bool intraday, bool timeKey) {
  static constexpr std::array<std::string_view, 6> kKeys = {"open",  "high",   "low",
                                                            "close", "volume", "open_interest"};
  ExportFormatter f;
  f.typed_ = true;
  const bool json = form == TypedForm::Json;
  f.quoteTexts_ = json;
  f.absent_ = json ? "null" : "";
  f.lineEnd_ = json ? "}" : "\r\n";
  f.dateText_ = intraday && json && !timeKey ? DateText::IsoWithTime : DateText::Iso;
  f.columns_.push_back({json ? "\"date\":" : "", Content::Date});
  if (!json || timeKey)
    f.columns_.push_back({json ? ",\"time\":" : ",", Content::Time, 0, 0, intraday});
  for (int i = 0; i < 6; ++i) {
    const std::string prefix =
        json ? ",\"" + std::string(kKeys[static_cast<size_t>(i)]) + "\":" : ",";
    f.columns_.push_back(
        {prefix, Content::Value, FIELD_OPEN + i, -1, held[static_cast<size_t>(i)]});
  }
  return f;
}

ExportFormatter TypedFormatter(TypedForm form, const SeriesInfo& info, bool timeKey) {
  const RecordDecoder decoder(info.layout, info.record.RecordLength(), info.record.FieldCount());
  std::array<bool, 6> held{};
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
    held[static_cast<size_t>(f - FIELD_OPEN)] = decoder.Offset(f) >= 0;
  }
  return ExportFormatter::Typed(form, held, decoder.Offset(FIELD_TIME) >= 0, timeKey);
}

ExportFormatter::Piece::Piece(std::string_view text) : size(std::min(text.size(), kRoom)) {
  std::copy_n(text.begin(), size, bytes.begin());
}

char* ExportFormatter::Piece::Write(char* p) const {
  std::memcpy(p, bytes.data(), kRoom);
  return p + size;
}

void ExportFormatter::SetRowStart(std::string text) {
  rowStart_ = std::move(text);
  shortRowStart_.fill('\0');
  std::copy_n(rowStart_.begin(), std::min(rowStart_.size(), kShortRowStart),
              shortRowStart_.begin());
}

size_t ExportFormatter::RowRoom() const {
  // Per column its prefix, quotes, a date with its time, and a value's room.
  return rowStart_.size() + kShortRowStart + Piece::kRoom +
         columns_.size() * (Piece::kRoom + 2 + 21 + kExportValueRoom);
}

void ExportFormatter::AppendTitle(std::string& out) const {
  out += kExportDateTitle;
  for (size_t i = 1; i < columns_.size(); ++i) {
    out += delimiter_;
    out += kExportTitles[static_cast<size_t>(columns_[i].field - FIELD_OPEN)];
  }
  out += kTextLineEnd;
}

void ExportFormatter::CacheMonth(QuoteDay day) {
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
  char* t = cachedText_.data();
  if (dateText_ != DateText::Mdy) {
    const int year = d.year + 1900;
    WriteTwo(t, year / 100);
    WriteTwo(t + 2, year % 100);
    t[4] = '-';
    WriteTwo(t + 5, d.month);
    t[7] = '-';
  } else {
    WriteTwo(t, d.month);
    t[2] = '/';
    t[5] = '/';
    WriteTwo(t + 6, d.year % 100);
  }
}

[[gnu::always_inline]] inline char* ExportFormatter::AppendDate(char* p, QuoteDay day) {
  // MM/DD/YY as FormatDate writes it (00/00/00 for no date), or YYYY-MM-DD.
  // Rows of one month share the month's text; only the day changes.
  const bool iso = dateText_ != DateText::Mdy;
  if (day == 0) {
    std::memcpy(p, "00/00/00", 8);
    return p + 8;
  }
  if (day < cachedFirst_ || day - cachedFirst_ >= cachedDays_) [[unlikely]]
    CacheMonth(day);
  std::memcpy(p, cachedText_.data(), cachedText_.size());
  WriteTwo(p + (iso ? 8 : 3), cachedFirstDay_ + (day - cachedFirst_));
  return p + (iso ? 10 : 8);
}

namespace {

char* AppendTime(char* p, QuoteTime time) {
  const Hms t = HmsFromTime(time);
  WriteTwo(p, t.hours);
  p[2] = ':';
  WriteTwo(p + 3, t.minutes);
  p[5] = ':';
  WriteTwo(p + 6, t.seconds);
  return p + 8;
}

}  // namespace

template <bool Typed>
[[gnu::always_inline]] inline char* ExportFormatter::WriteColumn(char* p, const Column& c,
                                                                 const Quote& quote) {
  if (c.content == Content::Value) [[likely]] {
    const float v = quote.Value(c.field);
    // Typed values are written by WriteRowAs. The grid shows a stored not-a-number as printf does,
    // the export as absent.
    if (v < 0.0f || (!gridNan_ && std::isnan(v))) return absent_.Write(p);
    switch (c.decimals) {
      case 0:
        return AppendFixed<0>(p, v);
      case 2:
        return AppendFixed<2>(p, v);
      default:
        return AppendFixed<4>(p, v);
    }
  }
  if (c.content == Content::Date) {
    if (Typed && quote.date == 0) return absent_.Write(p);
    if (quoteTexts_) *p++ = '"';
    p = AppendDate(p, quote.date);
    if (dateText_ == DateText::IsoWithTime) {
      *p++ = 'T';
      p = AppendTime(p, quote.time);
    }
    if (quoteTexts_) *p++ = '"';
    return p;
  }
  if (!c.held) return absent_.Write(p);
  if (quoteTexts_) *p++ = '"';
  p = AppendTime(p, quote.time);
  if (quoteTexts_) *p++ = '"';
  return p;
}

template <bool Typed>
char* ExportFormatter::WriteRowAs(char* p, const Quote& quote) {
  // A short row start with one copy of a fixed size, which the row's room covers.
  if (rowStart_.size() <= kShortRowStart) {
    std::memcpy(p, shortRowStart_.data(), kShortRowStart);
  } else {
    std::memcpy(p, rowStart_.data(), rowStart_.size());
  }
  p += rowStart_.size();
  if constexpr (Typed) {
    // The date, the time if shown, then OPEN..OI in their order (see Typed): the
    // values without the general column steps.
    const Column* c = columns_.data();
    const Column* const values = columns_.data() + columns_.size() - quote.values.size();
    for (; c != values; ++c) p = WriteColumn<true>(c->prefix.Write(p), *c, quote);
    for (const float v : quote.values) {
      p = c->prefix.Write(p);
      p = c->held && std::isfinite(v) ? AppendShortest(p, v) : absent_.Write(p);
      ++c;
    }
  } else {
    for (const Column& c : columns_) p = WriteColumn<false>(c.prefix.Write(p), c, quote);
  }
  return lineEnd_.Write(p);
}

char* ExportFormatter::WriteRow(char* p, const Quote& quote) {
  return typed_ ? WriteRowAs<true>(p, quote) : WriteRowAs<false>(p, quote);
}

void ExportFormatter::AppendRow(std::string& out, const Quote& quote) {
  const size_t start = out.size();
  out.resize(start + RowRoom());
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
  if (IsPortfolioFileName(target)) {
    return Failed(ExportStatus::FileError, LIB_INVALID_PARM,
                  messages::PortfolioFileRefused(options.path));
  }
  if (!replaceExisting && ExportTargetExists(target)) {
    return Failed(ExportStatus::AskReplace, LIB_FILE_EXISTS,
                  messages::ReplaceExistingFile(options.path));
  }
  // The whole series with one lookup and one open, before the file is touched.
  SeriesData series;
  if (LibResult r = ReadNumberedSeries(directory, symbol, options.fileNumber, series, steps);
      r != LIB_OK) {
    return Failed(ExportStatus::ReadFailed, r,
                  messages::DescribeReadFailure(r, directory, symbol, series.masterUnreadable));
  }
  fs::AtomicFile out(steps);
  if (LibResult r = OpenTextOutput(out, target); r != LIB_OK) {
    return Failed(ExportStatus::FileError, r, messages::kFileExportError);
  }
  ExportFormatter formatter(options);
  const size_t room = formatter.RowRoom();
  std::string title;
  if (formatter.HasTitle()) formatter.AppendTitle(title);
  bool ok = out.Write(title.data(), title.size());
  // Rows are formatted straight into one buffer that is written whenever it fills.
  std::vector<char> chunk(kChunkSize + room);
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
