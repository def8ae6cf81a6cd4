#include "gui/dialogs/symbol_command_handlers.h"

#include "gui/app/command_ids.h"
#include "gui/dialogs/delete_symbol_dlg.h"
#include "gui/dialogs/edit_symbol_dlg.h"
#include "gui/dialogs/move_symbol_dlg.h"
#include "gui/dialogs/split_search_dlg.h"
#include "gui/view/quillet_view.h"

namespace quillet {

std::span<const CommandHandler> SymbolCommandHandlers() {
  static constexpr CommandHandler kHandlers[] = {
      {ID_SYMBOL_EDIT, OnSymbolEdit},
      {ID_SYMBOL_DELETE, OnSymbolDelete},
      {ID_SYMBOL_MOVE, [](CQuilletView& v) { OnSymbolMoveCopy(v, TransferMode::Move); }},
      {ID_SYMBOL_COPY, [](CQuilletView& v) { OnSymbolMoveCopy(v, TransferMode::Copy); }},
      {ID_PORTFOLIO_SPLITSEARCH, OnSplitSearch}};
  return kHandlers;
}

}  // namespace quillet
