#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QGroupBox;
class QListWidget;
class QPlainTextEdit;
class QTableView;

namespace quillet {

class CMainFrame;
class CQuoteChart;
class CQuilletApp;
class CSearchProgressDlg;
class QuoteGridModel;
class SymbolGridModel;

// The form inside the frame. It owns every state of a run: the volume list, the
// Portfolios found, the current Portfolio with its symbols, the loaded series and
// the selected rows, and it carries out every Portfolio, Symbol and Quotes command.
class CQuilletView : public QWidget {
  Q_OBJECT
 public:
  CQuilletView(CQuilletApp& app, CMainFrame* frame);
  ~CQuilletView() override;
  QSize sizeHint() const override;

  // Fits the frame to the form and places it from the stored rectangle, or at the
  // computed default (stored at once) when that does not fit the work area.
  void OnInitialUpdate();
  // The deferred set-up after the first paint: columns, then the volume list and its scan.
  void OnSetupTimer();
  void SetupColumns();
  void StoreColumnWidths();

  // Volumes: "/" and the mount points of real file systems, sorted.
  static std::vector<std::string> ListVolumes();
  void FillDriveList();
  void OnSelChangeDrive(const QString& fallback = {});
  void ScanDrive();
  bool SetMasterPath(const std::string& masterPath);
  void OnSelChangePortfolio();
  void FillSymbolList(int row);
  void FillQuotesGrid(int row);
  // Clears from level on: 1 the found flag, 2 the Portfolio list, 3 the symbol
  // grid, 4 the quote grid (each level also clears every higher one).
  void ClearLists(int level);
  // Tells, without stopping the user, what check would tell of the current
  // Portfolio besides damage: a change cut short and ignored index entries.
  void ShowPortfolioReport();
  // Applies every enabling rule and the status pane texts.
  void updateCommands();

  void OnSearchFilter();
  void OnReScan();

  bool scanning() const { return !m_pScanDlg.isNull(); }
  void CancelScan();

  // The form's controls (also reached by tests and screen readers by their names).
  QComboBox* m_cboDrive;
  QListWidget* m_lstPortfolios;
  QTableView* m_lstSymbols;
  QTableView* m_lstQuotes;
  QGroupBox* m_ctlQuotesBox;
  SymbolGridModel* m_symbolModel;
  QuoteGridModel* m_quoteModel;
  CQuoteChart* m_chart;
  // The notice bar above the lists, hidden while there is nothing to tell.
  QFrame* m_ctlNotice;
  QPlainTextEdit* m_txtNotice;

  // Settings of the "Search" section, read at construction.
  int m_bMasterFix = 0;
  int m_bLimitSearch = 1;
  QString m_strFilterUpper;
  QString m_strFilter;
  QString m_szStartDir;

  QPointer<CSearchProgressDlg> m_pScanDlg;
  QString m_strDrive = "?";
  std::vector<std::string> m_volumes;
  int m_bTimerArmed = 0;
  bool m_bColumnsBuilt = false;
  bool m_bSetupDone = false;  // the deferred set-up (columns, volumes, first scan) has run
  int m_bPortfoliosFound = 0;
  std::string m_szMasterPath;
  std::string m_szPortfolioPath;
  std::string m_szLibDir;
  std::string m_szSymbol;
  std::string m_szName;
  int m_nSymbols = 0;
  int m_nSymbolSel = 0;
  int m_nQuotes = 0;
  int m_nQuoteSel = 1;
  QString m_strFirstDate;
  QString m_strLastDate;
  int m_bSplitSearchOpen = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnSymbolSelectionChanged();
  void OnQuoteSelectionChanged();
  void SetTitle(const std::string& title);
  void SetBusy(bool busy);

  CQuilletApp& m_app;
  CMainFrame* m_frame;
};

}  // namespace quillet
