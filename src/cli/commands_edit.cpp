#include <string>

#include "cli/commands.h"
#include "core/edit/quote_commands.h"
#include "core/edit/rewrite.h"
#include "core/fs/files.h"
#include "core/lib/master.h"
#include "core/lib/quote_series.h"
#include "core/messages/edit.h"
#include "core/messages/read.h"

// The quote commands: the same checks and changes as the GUI's dialogs (core
// rules), with DATE standing for the selected quote.
namespace quillet::cli {
namespace {

// What every quote command starts from: the Portfolio, the symbol and its series.
struct Target {
  std::string dir;
  std::string symbol;
  SeriesData series;

  std::string FirstDate() const {
    return series.quotes.empty() ? std::string() : FormatDate(series.quotes.front().date);
  }
  std::string LastDate() const {
    return series.quotes.empty() ? std::string() : FormatDate(series.quotes.back().date);
  }
};

// Parses the arguments and loads the series; false with exit set when the
// command should stop.
bool Prepare(const Context& context, const char* name, size_t positionals, const char* failed,
             Args& args, Target& target, int& exit) {
  const Command& command = FindCommand(name);
  if (!ParseArgs(context, command, positionals, {}, {}, args, exit)) return false;
  target.dir = args.positional()[0];
  target.symbol = args.positional()[1];
  if (LibResult r = ReadWholeSeries(target.dir, target.symbol, target.series); r != LIB_OK) {
    Error(failed);
    Error(messages::DescribeReadFailure(r, target.dir, target.symbol,
                                        target.series.masterUnreadable));
    exit = kExitFailed;
    return false;
  }
  return true;
}

int Refuse(const CommandCheck& check) {
  Error(check.message);
  return kExitUsage;
}

int Apply(const Target& target, const QuoteChange& change, const char* failed) {
  fs::path master = fs::PathNoCase(target.dir, kMasterFileName);
  const RewriteResult result = RewriteSeries(target.dir, master.string(), change, target.symbol);
  if (result.ok()) return kExitOk;
  if (!result.message.empty()) Error(result.message);
  Error(failed);
  const std::string detail = messages::DescribeRewriteFailure(
      result.code, target.dir, target.symbol, result.masterUnreadable, result.masterNotRestored);
  if (!detail.empty()) Error(detail);
  return kExitFailed;
}

}  // namespace

int RunEdit(const Context& context) {
  Args args;
  Target target;
  int exit = kExitOk;
  if (!Prepare(context, "edit", 9, messages::kSingleDateEditFailed, args, target, exit))
    return exit;
  EditQuoteTexts texts;
  texts.date = args.positional()[2];
  for (size_t k = 0; k < texts.values.size(); ++k) texts.values[k] = args.positional()[3 + k];
  size_t row = 0;
  if (CommandCheck c = SelectQuoteByDate(target.series.quotes, texts.date, row); !c.ok()) {
    return Refuse(c);
  }
  QuoteChange change;
  if (CommandCheck c = MakeEditChange(texts, HeldValueFields(target.series.info), change);
      !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, messages::kSingleDateEditFailed);
}

int RunSplit(const Context& context) {
  Args args;
  Target target;
  int exit = kExitOk;
  if (!Prepare(context, "split", 5, messages::kSplitEditFailed, args, target, exit)) return exit;
  SplitTexts texts;
  texts.date = args.positional()[2];
  texts.newShares = args.positional()[3];
  texts.oldShares = args.positional()[4];
  QuoteChange change;
  if (CommandCheck c = MakeSplitChange(texts, target.FirstDate(), target.LastDate(), change);
      !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, messages::kSplitEditFailed);
}

int RunAdjust(const Context& context) {
  Args args;
  Target target;
  int exit = kExitOk;
  if (!Prepare(context, "adjust", 7, messages::kAdjustEditFailed, args, target, exit)) return exit;
  AdjustTexts texts;
  texts.from = args.positional()[2];
  texts.to = args.positional()[3];
  texts.price = args.positional()[4];
  texts.volume = args.positional()[5];
  texts.openInterest = args.positional()[6];
  QuoteChange change;
  if (CommandCheck c = MakeAdjustChange(texts, target.FirstDate(), target.LastDate(), change);
      !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, messages::kAdjustEditFailed);
}

int RunAdd(const Context& context) {
  Args args;
  Target target;
  int exit = kExitOk;
  if (!Prepare(context, "add", 3, messages::kAddQuoteFailed, args, target, exit)) return exit;
  AddPlan plan;
  if (CommandCheck c = PlanAddQuote(target.series.quotes, args.positional()[2], plan); !c.ok()) {
    return Refuse(c);
  }
  if (int r = Apply(target, plan.change, messages::kAddQuoteFailed); r != kExitOk) return r;
  Table table({"date"});
  table.AddRow({plan.newDate});
  table.Print(context.json);
  return kExitOk;
}

int RunDelete(const Context& context) {
  Args args;
  Target target;
  int exit = kExitOk;
  if (!Prepare(context, "delete", 3, messages::kDeleteEditFailed, args, target, exit)) return exit;
  const std::string& date = args.positional()[2];
  size_t row = 0;
  if (CommandCheck c = SelectQuoteByDate(target.series.quotes, date, row); !c.ok()) {
    return Refuse(c);
  }
  QuoteChange change;
  if (CommandCheck c = MakeDeleteChange(date, change); !c.ok()) return Refuse(c);
  return Apply(target, change, messages::kDeleteEditFailed);
}

}  // namespace quillet::cli
