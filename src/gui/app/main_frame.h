#pragma once

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class QProgressBar;
class QToolBar;

namespace quillet {

class CQuilletApp;
class CQuilletView;

// The one top-level window: menus, tool bar, status panes; it stores its own
// placement on every move or resize (once the view has placed it) and the grids'
// column widths when it closes. Every Portfolio, Symbol and Quotes command goes
// to the view.
class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CQuilletApp& app);
  ~CMainFrame() override;

  CQuilletView* view() const { return m_pView; }
  QAction* action(int id) const { return m_actions.value(id); }

  // Set by the view's initial update just before it places the frame.
  int m_bSavePlacement = 0;

  // The two count panes.
  void SetPaneTexts(const QString& symbols, const QString& quotes);
  QString SymbolPaneText() const;
  QString QuotePaneText() const;

  // The busy bar laid over the message pane while a series loads.
  void BeginProgress();
  void EndProgress();

  // Help Topics and the topics of the dialogs ("index", "fix_master", ...).
  void ShowHelp(const QString& topic = "index");

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void SavePlacement();
  void OnAppAbout();

  CQuilletApp& m_app;
  CQuilletView* m_pView = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QLabel* m_idlePane = nullptr;
  QLabel* m_symbolPane = nullptr;
  QLabel* m_quotePane = nullptr;
  QProgressBar* m_progress = nullptr;
  QHash<int, QAction*> m_actions;
};

}  // namespace quillet
