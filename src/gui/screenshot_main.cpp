// Renders the main window on a Portfolio tree to a PNG (the screenshot in docs/):
//   quillet-screenshot SETTINGS_DIR OUTPUT.png [DIALOGS_DIR]
// SETTINGS_DIR holds the settings file to use (made fresh by the caller). With
// DIALOGS_DIR, the help window and the dialogs are rendered there as well.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "core/messages/portfolio.h"
#include "core/splitsearch/split_search.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/delete_symbol_dlg.h"
#include "gui/dialogs/dialogs.h"
#include "gui/dialogs/edit_symbol_dlg.h"
#include "gui/dialogs/move_symbol_dlg.h"
#include "gui/dialogs/split_search_dlg.h"
#include "gui/help/help_window.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace {

bool Save(QWidget& w, const QString& file) {
  w.show();
  w.adjustSize();
  return w.grab().save(file);
}

// The symbol dialogs and the split-search window with what the core finds in the
// Portfolio shown.
bool RenderSymbolWindows(quillet::CMainFrame* frame, const QDir& dir) {
  using namespace quillet;
  CQuilletView* view = frame->view();
  CEditSymbolDlg edit(frame, "IBM", "INTL BUSINESS");
  CDeleteSymbolDlg del(frame, "IBM");
  CMoveSymbolDlg move(frame, TransferMode::Move, "/data/ms/stocks", "IBM", "INTL BUSINESS",
                      {"/data/ms/funds", "/data/ms/bonds", "/data/ms/indexes"});
  CSplitSearchDlg* search = new CSplitSearchDlg(*view, frame);
  struct Lines : SplitSearchObserver {
    CSplitSearchDlg* dlg;
    void Found(const SplitFinding& f) override {
      dlg->m_lstResults->addItem(QString::fromStdString(f.line));
    }
    void Message(const std::string&) override {}
    void Status(const std::string& text) override {
      dlg->m_ctlStatus->setText(QString::fromStdString(text));
    }
  } lines;
  lines.dlg = search;
  SymbolList list;
  list.rows = view->m_symbolModel->rows();
  SplitSearch(view->m_szLibDir, SplitSearchSymbols(list), lines);
  search->m_btnSaveAs->setEnabled(search->m_lstResults->count() > 0);
  return Save(edit, dir.filePath("symbol-edit.png")) &&
         Save(del, dir.filePath("symbol-delete.png")) &&
         Save(move, dir.filePath("symbol-move.png")) &&
         Save(*search, dir.filePath("split-search.png"));
}

bool RenderDialogs(quillet::CMainFrame* frame, const QDir& dir) {
  quillet::CFixMasterDlg fix(
      frame, QString::fromStdString(quillet::messages::RepairQuestion("/data/ms/MASTER")), false);
  quillet::CSearchFilterDlg filter(frame, {"/"}, true, "/data/ms", false);
  quillet::CSearchProgressDlg progress(frame);
  progress.SetFolder("/data/ms/stocks/tech");
  progress.SetCount(3);
  bool ok = Save(fix, dir.filePath("fix-master.png")) &&
            Save(filter, dir.filePath("search-filter.png")) &&
            Save(progress, dir.filePath("searching.png"));
  ok = ok && RenderSymbolWindows(frame, dir);
  quillet::CHelpWindow* help = quillet::CHelpWindow::Show(frame, "fix_master");
  return ok && help->grab().save(dir.filePath("help.png"));
}

}  // namespace

int main(int argc, char** argv) {
  quillet::CQuilletApp app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3 && args.size() != 4) {
    qWarning("usage: quillet-screenshot SETTINGS_DIR OUTPUT.png [DIALOGS_DIR]");
    return 2;
  }
  app.InitInstance(QDir(args[1]).filePath(quillet::settings::kStoreFileName));
  quillet::CMainFrame* frame = app.frame();
  int result = 1;
  // The set-up runs 100 ms after the first paint; the scan and the loads follow in it.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!frame->view()->m_bSetupDone) return;
    poll.stop();
    // The Portfolio with several symbols shows more of the window than the first one.
    quillet::CQuilletView* view = frame->view();
    if (view->m_lstPortfolios->count() > 1) view->m_lstPortfolios->setCurrentRow(1);
    result = frame->grab().save(args[2]) ? 0 : 1;
    // The window again, taller, with a day selected: the price chart under the grid.
    frame->resize(frame->width(), 820);
    view->m_lstQuotes->selectRow(120);
    QApplication::processEvents();
    const QString chartShot = QFileInfo(args[2]).dir().filePath("quillet-chart.png");
    if (result == 0) result = frame->grab().save(chartShot) ? 0 : 1;
    if (result == 0 && args.size() == 4) result = RenderDialogs(frame, QDir(args[3])) ? 0 : 1;
    frame->close();
    app.quit();
  });
  poll.start(50);
  app.exec();
  return result;
}
