#pragma once

namespace quillet {

// What the enabling rules of the Portfolio, Symbol and Quotes commands look at.
struct CommandState {
  bool found = false;            // the last scan listed at least one Portfolio
  bool splitSearchOpen = false;  // the split-search window is open
  int portfolioLines = 0;        // entries of the Portfolio list
  int symbolRows = 0;            // rows of the symbol grid
  int symbols = 0;               // m_nSymbols
  int quoteRows = 0;             // rows of the quote grid
  int quoteSel = 0;              // m_nQuoteSel
};

// Whether command id is enabled in state s; commands without a rule are always enabled.
bool CommandEnabled(int id, const CommandState& s);

class CQuilletView;

// A command of the view and the function that carries it out.
struct CommandHandler {
  int id;
  void (*run)(CQuilletView& view);
};

// The commands that carry a rule, in menu order.
extern const int kRuledCommands[14];

}  // namespace quillet
