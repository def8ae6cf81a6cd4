#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/export/export.h"
#include "core/lib/quote_series.h"
#include "core/lib/series_facts.h"
#include "core/messages/read.h"

namespace quillet::cli {

int RunQuotes(const Options& o) {
  const std::string& dir = o.arg[0];
  const std::string& symbol = o.arg[1];
  SeriesData series;
  if (LibResult r = ReadNumberedSeries(dir, symbol, o.fileNumber, series); r != LIB_OK) {
    Error(std::string(messages::kErrorInFillQuotesGrid) + ": " +
          messages::DescribeReadFailure(r, dir, symbol, series.masterUnreadable));
    return kExitFailed;
  }
  // The export's formatter: the grid's texts, or typed objects.
  ExportFormatter formatter =
      o.json ? TypedFormatter(TypedForm::Json, series.info, false) : ExportFormatter::GridText();
  if (o.json) formatter.SetRowStart("{");
  const size_t n = series.quotes.size();
  constexpr size_t kChunk = 1 << 18;
  std::string chunk(kChunk + formatter.RowRoom() + 8, '\0');
  char* const begin = chunk.data();
  char* p = begin;
  if (o.json) *p++ = '[';
  for (size_t i = 0; i < n; ++i) {
    if (o.json) {
      if (i) *p++ = ',';
      *p++ = '\n';
      *p++ = ' ';
    }
    p = formatter.WriteRow(p, series.quotes[o.oldestFirst ? i : n - 1 - i]);
    if (static_cast<size_t>(p - begin) >= kChunk) {
      Out({begin, static_cast<size_t>(p - begin)});
      p = begin;
    }
  }
  if (o.json) {
    if (n) *p++ = '\n';
    *p++ = ']';
    *p++ = '\n';
  }
  Out({begin, static_cast<size_t>(p - begin)});
  return kExitOk;
}

int RunFacts(const Options& o) {
  const std::string& dir = o.arg[0];
  const std::string& symbol = o.arg[1];
  SeriesFacts facts;
  if (LibResult r = ReadSeriesFacts(dir, symbol, facts, o.fileNumber); r != LIB_OK) {
    Error(messages::DescribeReadFailure(r, dir, symbol, facts.masterUnreadable));
    return kExitFailed;
  }
  if (!o.json) {
    Table table;
    for (const FactLine& line : SeriesFactLines(facts)) table.AddRow({line.label, line.text}, {});
    table.Print(false);
    return kExitOk;
  }
  static constexpr const char* kFields[] = {"date", "time",  "open",   "high",
                                            "low",  "close", "volume", "open_interest"};
  Json formats = Json::object();
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    formats[kFields[f]] =
        facts.inputFormats[f].empty() && facts.displayFormats[f].empty()
            ? Json(nullptr)
            : Json{{"input", facts.inputFormats[f]}, {"display", facts.displayFormats[f]}};
  }
  Json json{{"path", JsonText(facts.directory)},
            {"file_number", facts.fileNumber},
            {"record_length", facts.recordLength},
            {"field_count", facts.fieldCount},
            {"quotes", facts.quoteCount},
            {"name", JsonText(facts.name, true)},
            {"first_date", IsoDate(DayFromDateField(facts.firstDate))},
            {"last_date", IsoDate(DayFromDateField(facts.lastDate))},
            {"periodicity", JsonText(facts.periodicity)},
            {"symbol", JsonText(facts.symbol, true)},
            {"fields", formats}};
  if (facts.indexFacts) {
    json["long_name"] = JsonText(facts.longName, true);
    json["field_mask"] = JsonText(facts.fields);
    json["index_file"] = JsonText(facts.source);
  }
  PrintJson(json);
  return kExitOk;
}

}  // namespace quillet::cli
