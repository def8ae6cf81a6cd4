#include "gui/dialogs/quote_command_handlers.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

#include "core/edit/quote_commands.h"
#include "core/export/export.h"
#include "core/lib/series_facts.h"
#include "core/messages/export.h"
#include "core/messages/read.h"
#include "gui/app/command_ids.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/adjust_dlg.h"
#include "gui/dialogs/delete_quote_dlg.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/edit_quote_dlg.h"
#include "gui/dialogs/export_dlg.h"
#include "gui/dialogs/quote_facts_dlg.h"
#include "gui/dialogs/split_dlg.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

namespace {

using dlg::Q;

// The keys of the records of the last successful command of each kind.
constexpr const char* kEditKeys[] = {"Open", "Hi", "Lo", "Close", "Vol", "OI"};
constexpr const char* kDateKey = "Date";
constexpr const char* kSplitKeys[] = {"Date", "New", "Old"};
constexpr const char* kAdjustKeys[] = {"Date1", "Date2", "PriceMult", "VolMult", "OIMult"};

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

// The Date text of quote row row.
QString RowDate(CQuilletView& view, int row) {
  return view.m_quoteModel->index(row, 0).data().toString();
}

// The selected quote row, within the grid (the grid is not empty).
int SelectedQuote(CQuilletView& view) {
  return view.m_nQuoteSel = std::clamp(view.m_nQuoteSel, 0, view.m_nQuotes - 1);
}

// Reads the series again and applies a checked change to it.
bool ReadAndApply(CQuilletView& view, const QuoteChange& change, QuoteCommand command) {
  QuoteTarget target;
  return ReadTarget(view, command, target) && Apply(view, target, change, command);
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

void OnQuotesSplit(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  CSplitDlg dlg(Parent(view), RowDate(view, SelectedQuote(view)), view.m_strFirstDate,
                view.m_strLastDate);
  if (dlg.exec() != QDialog::Accepted) return;
  if (!ReadAndApply(view, dlg.change(), QuoteCommand::Split)) return;
  const SplitTexts t = dlg.texts();
  const std::string texts[] = {t.date, t.newShares, t.oldShares};
  for (size_t i = 0; i < std::size(texts); ++i) {
    Profile().WriteString(settings::kSplit, kSplitKeys[i], Q(texts[i]));
  }
  view.FillQuotesGrid(0);
}

void OnQuotesAdjust(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  CAdjustDlg dlg(Parent(view), view.m_strFirstDate, view.m_strLastDate);
  if (dlg.exec() != QDialog::Accepted) return;
  if (!ReadAndApply(view, dlg.change(), QuoteCommand::Adjust)) return;
  const AdjustTexts t = dlg.texts();
  const std::string texts[] = {t.from, t.to, t.price, t.volume, t.openInterest};
  for (size_t i = 0; i < std::size(texts); ++i) {
    Profile().WriteString(settings::kAdjust, kAdjustKeys[i], Q(texts[i]));
  }
  view.FillQuotesGrid(0);
}

void OnQuotesDelete(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  const QString date = RowDate(view, SelectedQuote(view));
  CDeleteQuoteDlg dlg(Parent(view), date);
  if (dlg.exec() != QDialog::Accepted) return;
  if (!ReadAndApply(view, dlg.change(), QuoteCommand::Delete)) return;
  Profile().WriteString(settings::kDelete, kDateKey, date);
  view.FillQuotesGrid(0);
}

void OnQuotesAdd(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  const int r = SelectedQuote(view);
  AddPlan plan;
  const Outcome planned =
      PlanAddQuote(view.m_quoteModel->quotes(), RowDate(view, r).toStdString(), plan);
  if (!planned.ok()) {
    dlg::ShowMessage(Parent(view), planned.message);
    return;
  }
  CAddQuoteDlg dlg(Parent(view), Q(plan.newDate));
  if (dlg.exec() != QDialog::Accepted) return;
  if (!ReadAndApply(view, plan.change, QuoteCommand::Add)) {
    view.FillQuotesGrid(0);
    return;
  }
  Profile().WriteString(settings::kAdd, kDateKey, Q(plan.newDate));
  // The new quote is one row older than the one that was selected.
  view.FillQuotesGrid(r + 1);
  OnQuotesEdit(view);
}

void OnSymbolAbout(CQuilletView& view) {
  const auto& rows = view.m_symbolModel->rows();
  if (view.m_nSymbolSel < 0 || static_cast<size_t>(view.m_nSymbolSel) >= rows.size()) return;
  // The highlighted symbol, which may not be the series in the quote grid.
  const std::string symbol = rows[static_cast<size_t>(view.m_nSymbolSel)].symbol;
  SeriesFacts facts;
  const bool read = ReadSeriesFacts(view.m_szLibDir, symbol, facts) == LIB_OK;
  CQuoteFactsDlg dlg(Parent(view), Q(view.m_szLibDir), read ? &facts : nullptr);
  dlg.exec();
}

void OnQuotesExport(CQuilletView& view) {
  if (view.m_nQuotes <= 0) return;
  const CRegistryProfile& p = Profile();
  CExportDlg dlg(Parent(view), ReadExportSettings(p));
  if (dlg.exec() != QDialog::Accepted) return;
  const ExportOptions options = dlg.options();
  if (ExportTargetExists(options.path)) {
    QMessageBox question(QMessageBox::Question, messages::kAppTitle,
                         Q(messages::ReplaceExistingFile(options.path)),
                         QMessageBox::Yes | QMessageBox::No, Parent(view));
    if (question.exec() != QMessageBox::Yes) return;
  }
  // Stored before the file is made: a path that cannot be written is offered again.
  StoreExportSettings(p, options);
  ExportResult result;
  {
    WaitCursor wait;
    result = ExportQuotes(view.m_szLibDir, view.m_szSymbol, options, true);
  }
  if (result.status == ExportStatus::Done) {
    QApplication::beep();
    return;
  }
  dlg::ShowMessage(Parent(view), result.message);
}

std::span<const CommandHandler> QuoteCommandHandlers() {
  static constexpr CommandHandler kHandlers[] = {
      {ID_QUOTES_EDIT, OnQuotesEdit},     {ID_QUOTES_SPLIT, OnQuotesSplit},
      {ID_QUOTES_ADJUST, OnQuotesAdjust}, {ID_QUOTES_DELETE, OnQuotesDelete},
      {ID_QUOTES_ADD, OnQuotesAdd},       {ID_QUOTES_EXPORT, OnQuotesExport},
      {ID_SYMBOL_ABOUT, OnSymbolAbout}};
  return kHandlers;
}

}  // namespace quillet
