#include <string>

#include "cli/commands.h"
#include "core/edit/quote_commands.h"

// The quote commands: the same checks and changes as the GUI's dialogs (core
// rules), with DATE standing for the selected quote.
namespace quillet::cli {
namespace {

// Parses the arguments and reads the series; false with exit set when the
// command should stop.
bool Prepare(const Options& o, QuoteCommand which, QuoteTarget& target, int& exit) {
  target = ReadQuoteTarget(o.arg[0], o.arg[1], which);
  if (target.ok()) return true;
  Error(target.message);
  exit = kExitFailed;
  return false;
}

int Refuse(const Outcome& check) {
  Error(check.message);
  return kExitUsage;
}

int Apply(const QuoteTarget& target, const QuoteChange& change, QuoteCommand which) {
  const Outcome result = ApplyQuoteChange(target, change, which);
  if (result.ok()) return kExitOk;
  Error(result.message);
  return kExitFailed;
}

}  // namespace

int RunEdit(const Options& o) {
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(o, QuoteCommand::Edit, target, exit)) return exit;
  EditQuoteTexts texts;
  texts.date = o.arg[2];
  for (size_t k = 0; k < texts.values.size(); ++k) texts.values[k] = o.arg[3 + k];
  size_t row = 0;
  if (Outcome c = SelectQuoteByDate(target.series.quotes, texts.date, row); !c.ok()) {
    return Refuse(c);
  }
  QuoteChange change;
  if (Outcome c = MakeEditChange(texts, HeldValueFields(target.series.info), change); !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, QuoteCommand::Edit);
}

int RunSplit(const Options& o) {
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(o, QuoteCommand::Split, target, exit)) return exit;
  const SplitTexts texts{o.arg[2], o.arg[3], o.arg[4]};
  QuoteChange change;
  if (Outcome c = MakeSplitChange(texts, target.FirstDate(), target.LastDate(), change); !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, QuoteCommand::Split);
}

int RunAdjust(const Options& o) {
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(o, QuoteCommand::Adjust, target, exit)) return exit;
  const auto& p = o.arg;
  const AdjustTexts texts{p[2], p[3], p[4], p[5], p[6]};
  QuoteChange change;
  if (Outcome c = MakeAdjustChange(texts, target.FirstDate(), target.LastDate(), change); !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, QuoteCommand::Adjust);
}

int RunAdd(const Options& o) {
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(o, QuoteCommand::Add, target, exit)) return exit;
  AddPlan plan;
  if (Outcome c = PlanAddQuote(target.series.quotes, o.arg[2], plan); !c.ok()) {
    return Refuse(c);
  }
  if (int r = Apply(target, plan.change, QuoteCommand::Add); r != kExitOk) return r;
  if (o.json) {
    PrintJson({{"date", IsoDate(ParseDate(plan.newDate))}});
  } else {
    Out(plan.newDate + "\n");
  }
  return kExitOk;
}

int RunDelete(const Options& o) {
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(o, QuoteCommand::Delete, target, exit)) return exit;
  const std::string& date = o.arg[2];
  size_t row = 0;
  if (Outcome c = SelectQuoteByDate(target.series.quotes, date, row); !c.ok()) return Refuse(c);
  QuoteChange change;
  if (Outcome c = MakeDeleteChange(date, change); !c.ok()) return Refuse(c);
  return Apply(target, change, QuoteCommand::Delete);
}

}  // namespace quillet::cli
