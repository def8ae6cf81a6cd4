#include "gui/dialogs/symbol_command_handlers.h"

#include <QAction>

#include "gui/app/command_ids.h"
#include "gui/dialogs/delete_symbol_dlg.h"
#include "gui/dialogs/edit_symbol_dlg.h"
#include "gui/dialogs/move_symbol_dlg.h"
#include "gui/dialogs/split_search_dlg.h"
#include "gui/view/quillet_view.h"

namespace quillet {

bool ConnectSymbolCommand(CQuilletView* view, QAction* action, int id) {
  void (*handler)(CQuilletView&) = nullptr;
  switch (id) {
    case ID_SYMBOL_EDIT:
      handler = OnSymbolEdit;
      break;
    case ID_SYMBOL_DELETE:
      handler = OnSymbolDelete;
      break;
    case ID_SYMBOL_MOVE:
      handler = [](CQuilletView& v) { OnSymbolMoveCopy(v, TransferMode::Move); };
      break;
    case ID_SYMBOL_COPY:
      handler = [](CQuilletView& v) { OnSymbolMoveCopy(v, TransferMode::Copy); };
      break;
    case ID_PORTFOLIO_SPLITSEARCH:
      handler = OnSplitSearch;
      break;
    default:
      return false;
  }
  QObject::connect(action, &QAction::triggered, view, [view, handler] { handler(*view); });
  return true;
}

}  // namespace quillet
