#include "core/edit/quote_commands.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "core/base/strings.h"
#include "core/edit/weekday.h"
#include "core/fs/files.h"
#include "core/lib/master.h"
#include "core/messages/edit.h"
#include "core/messages/quote_dialogs.h"
#include "core/messages/read.h"

namespace quillet {
namespace {

Outcome Refused(std::string message) {
  return {LIB_INVALID_PARM, std::move(message)};
}

Outcome Invalid() {
  return Refused(messages::kInvalidDataEntered);
}

// A box text as a value the files can hold: within the box's length, of the
// box's characters, read as "%f" reads it.
std::optional<float> ReadBoxValue(std::string_view text, size_t limit, bool numEdit) {
  if (text.size() > limit) return std::nullopt;
  if (numEdit) {
    for (char c : text) {
      if (!NumEditAccepts(c)) return std::nullopt;
    }
  }
  const std::optional<float> v = ReadFloatText(text);
  if (!v || !FitsMbf(*v)) return std::nullopt;
  return v;
}

// A factor that does not read as a number counts as 0, which is refused.
float ReadFactor(std::string_view text, size_t limit, bool numEdit) {
  return ReadBoxValue(text, limit, numEdit).value_or(0.0f);
}

// A date box: a real calendar day (8 characters, no blank) within first .. last.
bool DateBoxHolds(std::string_view text, QuoteDay first, QuoteDay last, QuoteDay& day) {
  day = ParseStrictDate(text);
  return day != 0 && day >= first && day <= last;
}

}  // namespace

std::optional<float> ReadFloatText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return std::nullopt;
  float value = 0.0f;
  const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                         std::chars_format::general);
  if (ec != std::errc() || end == text.data() + i) return std::nullopt;
  return negative ? -value : value;
}

bool NumEditAccepts(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 32 || c == '.' || (c >= '0' && c <= '9');
}

std::array<bool, 6> HeldValueFields(const SeriesInfo& info) {
  const RecordDecoder decoder(info.layout, info.record.RecordLength(), info.record.FieldCount());
  std::array<bool, 6> held{};
  for (int f = FIELD_OPEN; f <= FIELD_OI; ++f) {
    held[static_cast<size_t>(f - FIELD_OPEN)] = decoder.Offset(f) >= 0;
  }
  return held;
}

Outcome MakeEditChange(const EditQuoteTexts& texts, const std::array<bool, 6>& held,
                       QuoteChange& change) {
  QuoteChange c;
  c.kind = CHANGE_REPLACE;
  c.fromDay = c.toDay = ParseStrictDate(texts.date);
  bool valid = c.fromDay != 0;
  for (size_t k = 0; k < held.size(); ++k) {
    if (!held[k]) {
      // The replace leaves such a field alone: a value given for it would be lost.
      const std::string_view text = TrimBlanks(texts.values[k]);
      if (text.empty() || text == messages::kNotAvailable) continue;
      std::string field = messages::kEditValueLabels[k];
      field.pop_back();  // the label's colon
      return Refused(messages::FieldNotHeld(field));
    }
    const std::optional<float> v = ReadBoxValue(texts.values[k], kEditValueLimit, true);
    valid = valid && v.has_value();
    c.values[k] = v.value_or(0.0f);
  }
  if (!valid) return Invalid();
  change = c;
  return {};
}

Outcome MakeSplitChange(const SplitTexts& texts, std::string_view firstDate,
                        std::string_view lastDate, QuoteChange& change) {
  QuoteDay day = 0;
  const bool dateOk = DateBoxHolds(texts.date, ParseDate(firstDate), ParseDate(lastDate), day);
  const float newShares = ReadFactor(texts.newShares, kSplitSharesLimit, true);
  const float oldShares = ReadFactor(texts.oldShares, kSplitSharesLimit, true);
  if (!dateOk || newShares == 0.0f || oldShares == 0.0f) return Invalid();

  // Worked out in double, stored in single precision.
  const auto p =
      static_cast<float>(static_cast<double>(oldShares) / static_cast<double>(newShares));
  const auto v =
      static_cast<float>(static_cast<double>(newShares) / static_cast<double>(oldShares));
  QuoteChange c;
  c.values = {p, p, p, p, v, v};
  c.fromDay = 0;
  c.toDay = static_cast<QuoteDay>(day - 1);  // the split day's own quote keeps its values
  c.kind = CHANGE_SCALE;
  change = c;
  return {};
}

Outcome MakeAdjustChange(const AdjustTexts& texts, std::string_view firstDate,
                         std::string_view lastDate, QuoteChange& change) {
  const QuoteDay first = ParseDate(firstDate), last = ParseDate(lastDate);
  QuoteDay from = 0, to = 0;
  const bool fromOk = DateBoxHolds(texts.from, first, last, from);
  const bool toOk = DateBoxHolds(texts.to, first, last, to);
  const float price = ReadFactor(texts.price, kAdjustFactorLimit, true);
  const float volume = ReadFactor(texts.volume, kAdjustFactorLimit, true);
  // The open-interest box has no character filter.
  const float oi = ReadFactor(texts.openInterest, kAdjustFactorLimit, false);
  if (!fromOk || !toOk || price == 0.0f || volume == 0.0f || oi == 0.0f) return Invalid();

  QuoteChange c;
  c.values = {price, price, price, price, volume, oi};
  c.fromDay = from;  // from after to is accepted and changes nothing
  c.toDay = to;
  c.kind = CHANGE_SCALE;
  change = c;
  return {};
}

Outcome MakeDeleteChange(std::string_view dateText, QuoteChange& change) {
  const QuoteDay day = ParseStrictDate(dateText);
  if (day == 0) return Invalid();
  QuoteChange c;
  c.fromDay = c.toDay = day;
  c.kind = CHANGE_DELETE;
  change = c;
  return {};
}

Outcome PlanAddQuote(std::span<const Quote> quotes, std::string_view selectedDate, AddPlan& plan) {
  const QuoteDay day = ParseStrictDate(selectedDate);
  bool selected = false;
  QuoteDay oldest = 0xFFFF;
  for (const Quote& q : quotes) {
    selected = selected || (q.date == day && day != 0);
    oldest = std::min(oldest, q.date);
  }
  if (!selected) return Invalid();
  const QuoteDay newDay = PreviousWeekday(day);
  // Never ahead of the oldest quote (the MASTER first date would be wrong), nor
  // wrapped below day 1.
  if (day == oldest || newDay == 0 || newDay >= day) return Refused(messages::kAddQuoteFailed);
  const std::string newDate = FormatDate(newDay);
  for (const Quote& q : quotes) {
    if (FormatDate(q.date) == newDate) return Refused(messages::DateAlreadyExists(newDate));
  }
  for (const Quote& q : quotes) {
    if (q.date > newDay && q.date < day) return Refused(messages::kAddQuoteFailed);
  }
  AddPlan p;
  p.newDay = newDay;
  p.newDate = newDate;
  // Aimed at the selected quote's own day, also when that is a Saturday or Sunday.
  p.change.fromDay = p.change.toDay = day;
  p.change.kind = CHANGE_INSERT;
  plan = p;
  return {};
}

Outcome SelectQuoteByDate(std::span<const Quote> quotes, std::string_view dateText, size_t& index) {
  for (size_t i = 0; i < quotes.size(); ++i) {
    if (quotes[i].date != 0 && FormatDate(quotes[i].date) == dateText) {
      index = i;
      return {};
    }
  }
  return Invalid();
}

const char* QuoteCommandFailed(QuoteCommand command) {
  switch (command) {
    case QuoteCommand::Edit:
      return messages::kSingleDateEditFailed;
    case QuoteCommand::Split:
      return messages::kSplitEditFailed;
    case QuoteCommand::Adjust:
      return messages::kAdjustEditFailed;
    case QuoteCommand::Delete:
      return messages::kDeleteEditFailed;
    case QuoteCommand::Add:
      return messages::kAddQuoteFailed;
  }
  return messages::kSingleDateEditFailed;
}

std::string QuoteTarget::FirstDate() const {
  return series.quotes.empty() ? std::string() : FormatDate(series.quotes.front().date);
}

std::string QuoteTarget::LastDate() const {
  return series.quotes.empty() ? std::string() : FormatDate(series.quotes.back().date);
}

QuoteTarget ReadQuoteTarget(std::string_view directory, std::string_view symbol,
                            QuoteCommand command) {
  QuoteTarget target;
  target.directory = std::string(directory);
  target.symbol = std::string(symbol);
  target.code = ReadWholeSeries(directory, symbol, target.series);
  if (target.ok() && target.series.quotes.empty()) {
    // A header that counts no quotes over whole records is damaged: every
    // command would find no quote and blame the input.
    const int rl = target.series.info.record.RecordLength();
    const MasterRecord& record = target.series.info.record;
    const fs::path dat =
        fs::FindNoCase(target.series.directory,
                       fs::QuoteFileName(record.QuoteFileNumber(), record.QuoteFileExtension()));
    std::error_code ec;
    const uintmax_t size = dat.empty() || rl <= 0 ? 0 : std::filesystem::file_size(dat, ec);
    const uintmax_t records = ec || rl <= 0 ? 0 : size / static_cast<uintmax_t>(rl);
    if (records > 1) {
      target.code = LIB_FILE_READ;
      target.message = messages::JoinLines(
          {QuoteCommandFailed(command), messages::QuoteCountDamaged(dat.string(), records - 1)});
      return target;
    }
  }
  if (!target.ok()) {
    target.message =
        messages::JoinLines({QuoteCommandFailed(command),
                             messages::DescribeReadFailure(target.code, directory, symbol,
                                                           target.series.masterUnreadable)});
  }
  return target;
}

Outcome ApplyQuoteChange(const QuoteTarget& target, const QuoteChange& change,
                         QuoteCommand command) {
  const fs::path master = fs::PathNoCase(target.directory, kMasterFileName);
  const RewriteResult result =
      RewriteSeries(target.directory, master.string(), change, target.symbol);
  if (result.ok()) return {};
  const std::string detail = messages::DescribeRewriteFailure(
      result.code, target.directory, target.symbol, result.masterUnreadable,
      result.masterNotRestored, result.osReason);
  return {result.code, messages::JoinLines({result.message, QuoteCommandFailed(command), detail})};
}

}  // namespace quillet
