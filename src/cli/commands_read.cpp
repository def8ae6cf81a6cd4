#include <string>

#include "cli/commands.h"
#include "core/lib/quote_series.h"
#include "core/lib/quote_text.h"
#include "core/lib/series_facts.h"
#include "core/messages/read.h"

namespace quillet::cli {

int RunQuotes(const Context& context) {
  const Command& command = FindCommand("quotes");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 2, {"--oldest-first"}, {}, args, exit)) return exit;
  const std::string& dir = args.positional()[0];
  const std::string& symbol = args.positional()[1];

  SeriesData series;
  if (LibResult r = ReadWholeSeries(dir, symbol, series); r != LIB_OK) {
    Error(std::string(messages::kErrorInFillQuotesGrid) + ": " +
          messages::DescribeReadFailure(r, dir, symbol, series.masterUnreadable));
    return kExitFailed;
  }
  Table table({"date", "open", "high", "low", "close", "volume", "open_interest"});
  const bool oldestFirst = args.Flag("--oldest-first");
  const size_t n = series.quotes.size();
  for (size_t i = 0; i < n; ++i) {
    const Quote& q = series.quotes[oldestFirst ? i : n - 1 - i];
    const auto texts = QuoteGridTexts(q);
    table.AddRow({texts.begin(), texts.end()});
  }
  table.Print(context.json);
  return kExitOk;
}

int RunFacts(const Context& context) {
  const Command& command = FindCommand("facts");
  Args args;
  int exit = kExitOk;
  if (!ParseArgs(context, command, 2, {}, {}, args, exit)) return exit;
  const std::string& dir = args.positional()[0];
  const std::string& symbol = args.positional()[1];

  SeriesFacts facts;
  if (LibResult r = ReadSeriesFacts(dir, symbol, facts); r != LIB_OK) {
    Error(messages::DescribeReadFailure(r, dir, symbol, facts.masterUnreadable));
    return kExitFailed;
  }
  Table table({"label", "value"});
  for (const FactLine& line : SeriesFactLines(facts)) table.AddRow({line.label, line.text});
  table.Print(context.json);
  return kExitOk;
}

}  // namespace quillet::cli
