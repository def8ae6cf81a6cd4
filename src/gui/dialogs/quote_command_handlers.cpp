#include "gui/dialogs/quote_command_handlers.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

#include "core/edit/quote_commands.h"
#include "gui/app/command_ids.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/edit_quote_dlg.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

namespace {

using dlg::Q;

// The keys of the records of the last successful command of each kind.
constexpr const char* kEditKeys[] = {"Open", "Hi", "Lo", "Close", "Vol", "OI"};
constexpr const char* kDateKey = "Date";

// The wait cursor while a rewrite runs.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

const CRegistryProfile& Profile() {
  return CQuilletApp::instance()->m_profile;
}

QWidget* Parent(CQuilletView& view) {
  return view.window();
}

// The highlighted quote row: a dialog that stepped through other quotes leaves
// m_nQuoteSel on the last one shown, but the next command must act on the row
// the user sees highlighted.
void RestoreQuoteSel(CQuilletView& view) {
  const QModelIndexList rows = view.m_lstQuotes->selectionModel()->selectedRows();
  if (!rows.isEmpty()) view.m_nQuoteSel = rows.front().row();
  view.updateCommands();
}

// Reads the loaded series for command; shows why and returns false when it cannot be read.
bool ReadTarget(CQuilletView& view, QuoteCommand command, QuoteTarget& target) {
  target = ReadQuoteTarget(view.m_szLibDir, view.m_szSymbol, command);
  if (target.ok()) return true;
  dlg::ShowMessage(Parent(view), target.message);
  return false;
}

// Applies a checked change under the wait cursor; shows the failure and returns false.
bool Apply(CQuilletView& view, const QuoteTarget& target, const QuoteChange& change,
           QuoteCommand command) {
  Outcome result;
  {
    WaitCursor wait;
    result = ApplyQuoteChange(target, change, command);
  }
  if (result.ok()) return true;
  dlg::ShowMessage(Parent(view), result.message);
  return false;
}

}  // namespace

void OnQuotesEdit(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  view.m_nQuoteSel = std::clamp(view.m_nQuoteSel, 0, view.m_nQuotes - 1);
  QuoteTarget target;
  if (!ReadTarget(view, QuoteCommand::Edit, target)) return;
  CEditQuoteDlg dlg(Parent(view), view.m_quoteModel, view.m_nQuoteSel, view.m_nQuotes,
                    HeldValueFields(target.series.info));
  if (dlg.exec() != QDialog::Accepted || !Apply(view, target, dlg.change(), QuoteCommand::Edit)) {
    RestoreQuoteSel(view);
    return;
  }
  const EditQuoteTexts texts = dlg.texts();
  const CRegistryProfile& p = Profile();
  p.WriteString(settings::kEdit, kDateKey, Q(texts.date));
  for (size_t i = 0; i < texts.values.size(); ++i) {
    p.WriteString(settings::kEdit, kEditKeys[i], Q(texts.values[i]));
  }
  view.FillQuotesGrid(0);
}

bool ConnectQuoteCommand(CQuilletView* view, QAction* action, int id) {
  void (*handler)(CQuilletView&) = nullptr;
  switch (id) {
    case ID_QUOTES_EDIT:
      handler = OnQuotesEdit;
      break;
    default:
      return false;
  }
  QObject::connect(action, &QAction::triggered, view, [view, handler] { handler(*view); });
  return true;
}

}  // namespace quillet
