#pragma once

#include <span>

#include "gui/view/command_rules.h"

namespace quillet {

// The view's quote commands (Quotes > Edit, Split, Adjust, Add, Delete, Export)
// and Symbol > About: each runs its dialog on the view's selection, lets the core
// check and carry out the change, records the entered texts in the settings and
// reloads the grid from disk.

// The handlers of those commands.
std::span<const CommandHandler> QuoteCommandHandlers();

void OnQuotesEdit(CQuilletView& view);
void OnQuotesSplit(CQuilletView& view);
void OnQuotesAdjust(CQuilletView& view);
void OnQuotesDelete(CQuilletView& view);
// Adds a copy of the selected quote on the weekday before it, then opens the
// edit on the new quote.
void OnQuotesAdd(CQuilletView& view);
void OnQuotesExport(CQuilletView& view);
void OnSymbolAbout(CQuilletView& view);

}  // namespace quillet
