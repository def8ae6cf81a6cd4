#include "gui/view/command_rules.h"

#include "gui/app/command_ids.h"

namespace quillet {

const int kRuledCommands[14] = {ID_PORTFOLIO_SPLITSEARCH, ID_PORTFOLIO_SEARCHFILTER,
                                ID_PORTFOLIO_RESCAN,      ID_SYMBOL_DELETE,
                                ID_SYMBOL_MOVE,           ID_SYMBOL_COPY,
                                ID_SYMBOL_EDIT,           ID_SYMBOL_ABOUT,
                                ID_QUOTES_EDIT,           ID_QUOTES_SPLIT,
                                ID_QUOTES_ADJUST,         ID_QUOTES_ADD,
                                ID_QUOTES_DELETE,         ID_QUOTES_EXPORT};

bool CommandEnabled(int id, const CommandState& s) {
  const bool symbols = s.symbolRows > 0;
  const bool quotes = s.found && s.quoteRows > 0;
  switch (id) {
    case ID_PORTFOLIO_SPLITSEARCH:
      return quotes && !s.splitSearchOpen;
    case ID_SYMBOL_DELETE:
    case ID_SYMBOL_ABOUT:
      return s.found && symbols;
    case ID_SYMBOL_MOVE:
    case ID_SYMBOL_COPY:
      return s.portfolioLines >= 2 && symbols;
    case ID_SYMBOL_EDIT:
      return s.found && !s.splitSearchOpen && symbols;
    case ID_QUOTES_EDIT:
    case ID_QUOTES_SPLIT:
    case ID_QUOTES_ADJUST:
    case ID_QUOTES_DELETE:
      return quotes;
    case ID_QUOTES_ADD:
      // No quote goes before the oldest one (the grid's last row).
      return quotes && s.quoteSel != s.quoteRows - 1;
    case ID_QUOTES_EXPORT:
      return quotes && s.symbols > 0;
    default:
      return true;
  }
}

}  // namespace quillet
