#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

#include "core/splitsearch/split_search.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace quillet {

class CQuilletView;

// "Split Search", the modeless window: Search goes through the series of the
// symbols the main window lists at that moment and appends what it finds; the
// window and the main window stay usable meanwhile, and Search turns into Stop.
// Save As writes the list as text. Close (or Esc) ends it: the view's
// m_bSplitSearchOpen goes back to 0 and the window deletes itself.
class CSplitSearchDlg : public QDialog, private SplitSearchObserver {
  Q_OBJECT
 public:
  enum { IDD = 109 };
  CSplitSearchDlg(CQuilletView& view, QWidget* parent);

  void OnSearch();
  void OnSaveAs();
  // Writes the result lines to file (CR LF); shows why when it cannot.
  bool SaveResults(const QString& file);
  bool searching() const { return m_bSearching; }
  void reject() override;

  QString m_strStatus;
  QPushButton* m_btnSearch;
  QPushButton* m_btnSaveAs;
  QPushButton* m_btnClose;
  QListWidget* m_lstResults;
  QLabel* m_ctlStatus;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Found(const SplitFinding& finding) override;
  void Message(const std::string& text) override;
  void Status(const std::string& text) override;
  void Finished() override;
  bool Progress(size_t searched, size_t total) override;
  // Lets the windows repaint and take clicks while the search runs.
  void Pump();

  QPointer<CQuilletView> m_view;
  bool m_bSearching = false;
  bool m_bStopRequested = false;
  bool m_bClosePending = false;
};

// Portfolio > Split Search: opens the window over the main window.
void OnSplitSearch(CQuilletView& view);

}  // namespace quillet
