#include <string>

#include "cli/commands.h"
#include "core/edit/quote_commands.h"

// The quote commands: the same checks and changes as the GUI's dialogs (core
// rules), with DATE standing for the selected quote.
namespace quillet::cli {
namespace {

// Parses the arguments and reads the series; false with exit set when the
// command should stop.
bool Prepare(const Context& context, const char* name, size_t positionals, QuoteCommand which,
             Args& args, QuoteTarget& target, int& exit) {
  if (!ParseArgs(context, FindCommand(name), positionals, {}, {}, args, exit)) return false;
  target = ReadQuoteTarget(args.positional()[0], args.positional()[1], which);
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

int RunEdit(const Context& context) {
  Args args;
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(context, "edit", 9, QuoteCommand::Edit, args, target, exit)) return exit;
  EditQuoteTexts texts;
  texts.date = args.positional()[2];
  for (size_t k = 0; k < texts.values.size(); ++k) texts.values[k] = args.positional()[3 + k];
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

int RunSplit(const Context& context) {
  Args args;
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(context, "split", 5, QuoteCommand::Split, args, target, exit)) return exit;
  const SplitTexts texts{args.positional()[2], args.positional()[3], args.positional()[4]};
  QuoteChange change;
  if (Outcome c = MakeSplitChange(texts, target.FirstDate(), target.LastDate(), change); !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, QuoteCommand::Split);
}

int RunAdjust(const Context& context) {
  Args args;
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(context, "adjust", 7, QuoteCommand::Adjust, args, target, exit)) return exit;
  const auto& p = args.positional();
  const AdjustTexts texts{p[2], p[3], p[4], p[5], p[6]};
  QuoteChange change;
  if (Outcome c = MakeAdjustChange(texts, target.FirstDate(), target.LastDate(), change); !c.ok()) {
    return Refuse(c);
  }
  return Apply(target, change, QuoteCommand::Adjust);
}

int RunAdd(const Context& context) {
  Args args;
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(context, "add", 3, QuoteCommand::Add, args, target, exit)) return exit;
  AddPlan plan;
  if (Outcome c = PlanAddQuote(target.series.quotes, args.positional()[2], plan); !c.ok()) {
    return Refuse(c);
  }
  if (int r = Apply(target, plan.change, QuoteCommand::Add); r != kExitOk) return r;
  Table table({"date"});
  table.AddRow({plan.newDate});
  table.Print(context.json);
  return kExitOk;
}

int RunDelete(const Context& context) {
  Args args;
  QuoteTarget target;
  int exit = kExitOk;
  if (!Prepare(context, "delete", 3, QuoteCommand::Delete, args, target, exit)) return exit;
  const std::string& date = args.positional()[2];
  size_t row = 0;
  if (Outcome c = SelectQuoteByDate(target.series.quotes, date, row); !c.ok()) return Refuse(c);
  QuoteChange change;
  if (Outcome c = MakeDeleteChange(date, change); !c.ok()) return Refuse(c);
  return Apply(target, change, QuoteCommand::Delete);
}

}  // namespace quillet::cli
