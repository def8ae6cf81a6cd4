#include "gui/view/quillet_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStorageInfo>
#include <QStyle>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/quote_date.h"
#include "core/base/strings.h"
#include "core/lib/quote_series.h"
#include "core/messages/portfolio.h"
#include "core/messages/read.h"
#include "core/messages/window.h"
#include "core/portfolio/load.h"
#include "core/portfolio/master_repair.h"
#include "core/portfolio/scanner.h"
#include "core/portfolio/volumes.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/chart/quote_chart.h"
#include "gui/dialogs/dialogs.h"
#include "gui/dialogs/quote_command_handlers.h"
#include "gui/dialogs/symbol_command_handlers.h"
#include "gui/view/command_rules.h"
#include "gui/view/grid_models.h"

namespace quillet {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A message box without an icon, as the scan and the symbol list notices are.
void ShowPlain(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, messages::kAppTitle, Q(text), QMessageBox::Ok, parent);
  box.exec();
}

// The wait cursor for the life of a scope.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Lays out w and everything in it at once, shown or not, so that positions can be read.
void LayOutNow(QWidget* w) {
  if (w->layout()) w->layout()->setGeometry(w->rect());
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow()) LayOutNow(child);
  }
}

QTableView* MakeGrid(QAbstractItemModel* model, const QString& name) {
  auto* grid = new QTableView;
  grid->setModel(model);
  grid->setAccessibleName(name);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setTabKeyNavigation(false);
  grid->setWordWrap(false);
  grid->setSortingEnabled(false);
  grid->verticalHeader()->hide();
  // Fixed-height rows: the view lays out tens of thousands of rows without asking each.
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
  grid->horizontalHeader()->setSectionsClickable(false);
  grid->horizontalHeader()->setStretchLastSection(false);
  grid->horizontalHeader()->setMinimumSectionSize(0);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return grid;
}

// A bar in the tool-tip colours: an icon, the read-only text and a close button.
QFrame* MakeNoticeBar(QPlainTextEdit* text) {
  auto* bar = new QFrame;
  bar->setAccessibleName("Portfolio notices");
  bar->setFrameShape(QFrame::StyledPanel);
  bar->setBackgroundRole(QPalette::ToolTipBase);
  bar->setForegroundRole(QPalette::ToolTipText);
  bar->setAutoFillBackground(true);
  const int iconSize = bar->style()->pixelMetric(QStyle::PM_SmallIconSize);
  auto* icon = new QLabel;
  icon->setAccessibleName("Warning");
  icon->setPixmap(bar->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize));
  icon->setAlignment(Qt::AlignTop);
  text->setAccessibleName("Portfolio notice");
  text->setReadOnly(true);
  text->setTabChangesFocus(true);
  text->setFrameShape(QFrame::NoFrame);
  QPalette palette = text->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
  text->setPalette(palette);
  text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* close = new QToolButton;
  close->setAccessibleName("Close notice");
  close->setAutoRaise(true);
  close->setIcon(bar->style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  QObject::connect(close, &QToolButton::clicked, bar, &QWidget::hide);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(4, 2, 2, 2);
  layout->addWidget(icon, 0, Qt::AlignTop);
  layout->addWidget(text, 1);
  layout->addWidget(close, 0, Qt::AlignTop);
  bar->hide();
  return bar;
}

}  // namespace

CQuilletView::CQuilletView(CQuilletApp& app, CMainFrame* frame)
    : QWidget(frame), m_app(app), m_frame(frame) {
  setObjectName("CQuilletView");
  auto* portfolios = new QGroupBox("Portfolios");
  m_cboDrive = new QComboBox;
  m_cboDrive->setAccessibleName("Volume");
  m_cboDrive->setToolTip("Volume to search for Portfolios");
  m_lstPortfolios = new QListWidget;
  m_lstPortfolios->setAccessibleName("Portfolios");
  auto* portfolioLayout = new QVBoxLayout(portfolios);
  portfolioLayout->addWidget(m_cboDrive);
  portfolioLayout->addWidget(m_lstPortfolios, 1);

  auto* symbols = new QGroupBox("Symbols");
  m_symbolModel = new SymbolGridModel(this);
  m_lstSymbols = MakeGrid(m_symbolModel, "Symbols");
  auto* symbolLayout = new QVBoxLayout(symbols);
  symbolLayout->addWidget(m_lstSymbols);

  m_ctlQuotesBox = new QGroupBox("Quotes");
  m_quoteModel = new QuoteGridModel(this);
  m_lstQuotes = MakeGrid(m_quoteModel, "Quotes");
  auto* quoteLayout = new QVBoxLayout(m_ctlQuotesBox);
  // The price chart shares the box with the grid; the user moves the border between them.
  auto* quoteSplit = new QSplitter(Qt::Vertical);
  m_chart = new CQuoteChart;
  quoteSplit->addWidget(m_lstQuotes);
  quoteSplit->addWidget(m_chart);
  quoteSplit->setChildrenCollapsible(false);
  quoteSplit->setStretchFactor(0, 3);
  quoteSplit->setStretchFactor(1, 2);
  quoteLayout->addWidget(quoteSplit);

  m_txtNotice = new QPlainTextEdit;
  m_ctlNotice = MakeNoticeBar(m_txtNotice);

  const int cw = fontMetrics().averageCharWidth();
  const int lh = fontMetrics().height();
  m_lstPortfolios->setMinimumSize(cw * 16, lh * 4);
  m_lstSymbols->setMinimumSize(cw * 16, lh * 4);
  m_lstQuotes->setMinimumSize(cw * 24, lh * 4);

  auto* layout = new QGridLayout(this);
  layout->addWidget(m_ctlNotice, 0, 0, 1, 2);
  layout->addWidget(portfolios, 1, 0);
  layout->addWidget(symbols, 1, 1);
  layout->addWidget(m_ctlQuotesBox, 2, 0, 1, 2);
  // The quotes take the larger share of any height, as on the original form (110 : 255).
  layout->setRowStretch(1, 3);
  layout->setRowStretch(2, 7);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(1, 1);
  setTabOrder(m_txtNotice, m_ctlNotice->findChild<QToolButton*>());
  setTabOrder(m_ctlNotice->findChild<QToolButton*>(), m_cboDrive);
  setTabOrder(m_cboDrive, m_lstPortfolios);
  setTabOrder(m_lstPortfolios, m_lstSymbols);
  setTabOrder(m_lstSymbols, m_lstQuotes);

  connect(m_cboDrive, &QComboBox::activated, this, [this] { OnSelChangeDrive(); });
  connect(m_lstPortfolios, &QListWidget::currentRowChanged, this,
          [this] { OnSelChangePortfolio(); });
  connect(m_lstSymbols->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CQuilletView::OnSymbolSelectionChanged);
  connect(m_lstQuotes->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CQuilletView::OnQuoteSelectionChanged);
  // A click (or Enter) on a symbol loads its quotes; moving the highlight only retitles.
  connect(m_lstSymbols, &QTableView::clicked, this, [this] {
    WaitCursor wait;
    FillQuotesGrid(0);
  });
  connect(m_lstSymbols, &QTableView::activated, this, [this] { FillQuotesGrid(0); });

  connect(frame->action(ID_PORTFOLIO_SEARCHFILTER), &QAction::triggered, this,
          &CQuilletView::OnSearchFilter);
  connect(frame->action(ID_PORTFOLIO_RESCAN), &QAction::triggered, this, &CQuilletView::OnReScan);
  for (const auto handlers : {QuoteCommandHandlers(), SymbolCommandHandlers()}) {
    for (const CommandHandler& h : handlers) {
      connect(frame->action(h.id), &QAction::triggered, this, [this, run = h.run] { run(*this); });
    }
  }

  m_chart->Attach(m_lstQuotes, m_quoteModel, frame->action(ID_VIEW_CHART), m_app.m_profile,
                  &m_szLibDir, &m_szSymbol);

  const CRegistryProfile& p = m_app.m_profile;
  m_bLimitSearch = p.GetInt(settings::kSearch, settings::kLimit, settings::kLimitDefault);
  m_bMasterFix = p.GetInt(settings::kSearch, settings::kMasterFix, settings::kMasterFixDefault);
  m_szStartDir = QDir::currentPath();
  m_strFilter = p.GetString(settings::kSearch, settings::kName, m_szStartDir);
  m_strFilterUpper = Q(ToUpperAscii(m_strFilter.toStdString()));
  updateCommands();
}

CQuilletView::~CQuilletView() {
  delete m_pScanDlg.data();
}

QSize CQuilletView::sizeHint() const {
  // The form's designed size: wide enough for seven quote columns of default width.
  const QFontMetrics fm = fontMetrics();
  return {fm.averageCharWidth() * 120, fm.height() * 24};
}

void CQuilletView::OnInitialUpdate() {
  // The frame fits the form, shrinking only.
  const QSize hint = m_frame->sizeHint();
  if (!m_frame->isVisible()) {
    m_frame->resize(hint);
  } else {
    m_frame->resize(std::min(m_frame->width(), hint.width()),
                    std::min(m_frame->height(), hint.height()));
  }
  m_frame->m_bSavePlacement = 1;

  QScreen* screen = m_frame->screen() ? m_frame->screen() : QGuiApplication::primaryScreen();
  const QRect work = screen->availableGeometry();
  const int ww = work.width(), wh = work.height();
  const CRegistryProfile& p = m_app.m_profile;
  const int x = p.GetInt(settings::kScreen, settings::kX, 0);
  const int y = p.GetInt(settings::kScreen, settings::kY, 0);
  const int cx = p.GetInt(settings::kScreen, settings::kCx, 0);
  const int cy = p.GetInt(settings::kScreen, settings::kCy, 0);
  if (cx > 0 && cy > 0 && x >= 0 && y >= 0 && cx <= ww && cy <= wh && x <= ww && y <= wh) {
    m_frame->setGeometry(x, y, cx, cy);
    return;
  }
  // Centred across the work area, at its top, the form's span plus room for more quotes.
  LayOutNow(m_frame);
  const int width = m_frame->width();
  const int left = (ww - width) / 2;
  const int top = m_cboDrive->mapTo(m_frame, QPoint(0, 0)).y();
  const int bottom = m_ctlQuotesBox->mapTo(m_frame, QPoint(0, m_ctlQuotesBox->height())).y();
  const int height = bottom - top + 200;
  p.WriteInt(settings::kScreen, settings::kX, left);
  p.WriteInt(settings::kScreen, settings::kY, 0);
  p.WriteInt(settings::kScreen, settings::kCx, width);
  p.WriteInt(settings::kScreen, settings::kCy, height);
  m_frame->setGeometry(left, 0, width, height);
}

void CQuilletView::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!m_bTimerArmed) {
    m_bTimerArmed = 1;
    QTimer::singleShot(100, this, &CQuilletView::OnSetupTimer);
  }
}

void CQuilletView::OnSetupTimer() {
  SetupColumns();
  FillDriveList();
  m_bSetupDone = true;
}

void CQuilletView::SetupColumns() {
  const CRegistryProfile& p = m_app.m_profile;
  struct Grid {
    QTableView* view;
    const char* section;
    int columns;
    int numerator, denominator;
  };
  for (const Grid& g : {Grid{m_lstSymbols, settings::kSymbolGrid, 2, 9, 20},
                        Grid{m_lstQuotes, settings::kQuoteGrid, 7, 9, 70}}) {
    const int w = g.view->viewport()->width();
    const int d = w * g.numerator / g.denominator;
    std::vector<int> widths;
    int sum = 0;
    bool usable = true;
    for (int i = 0; i < g.columns; ++i) {
      widths.push_back(p.GetInt(g.section, settings::kColumnKeys[i], d));
      usable = usable && widths.back() > 0 && widths.back() <= w;
      sum += widths.back();
    }
    if (!usable || sum > w) std::fill(widths.begin(), widths.end(), d);
    for (int i = 0; i < g.columns; ++i) g.view->horizontalHeader()->resizeSection(i, widths[i]);
  }
  m_bColumnsBuilt = true;
}

void CQuilletView::StoreColumnWidths() {
  if (!m_bColumnsBuilt) return;
  const CRegistryProfile& p = m_app.m_profile;
  for (int i = 0; i < 2; ++i) {
    p.WriteInt(settings::kSymbolGrid, settings::kColumnKeys[i],
               m_lstSymbols->horizontalHeader()->sectionSize(i));
  }
  for (int i = 0; i < 7; ++i) {
    p.WriteInt(settings::kQuoteGrid, settings::kColumnKeys[i],
               m_lstQuotes->horizontalHeader()->sectionSize(i));
  }
}

std::vector<std::string> CQuilletView::ListVolumes() {
  std::vector<std::string> volumes{"/"};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    const std::string root = v.rootPath().toStdString();
    if (!v.isValid() || !v.isReady() || !IsRealFileSystem(v.fileSystemType().toStdString()) ||
        !QFileInfo(v.rootPath()).isDir()) {
      continue;
    }
    if (std::find(volumes.begin(), volumes.end(), root) == volumes.end()) volumes.push_back(root);
  }
  std::sort(volumes.begin(), volumes.end());
  return volumes;
}

void CQuilletView::FillDriveList() {
  m_volumes = ListVolumes();
  m_cboDrive->clear();
  for (const std::string& v : m_volumes) m_cboDrive->addItem(Q(v));
  QString drive = m_app.m_profile.GetString(settings::kSettings, settings::kDrive, "");
  if (drive.isEmpty()) drive = Q(VolumeContaining(m_szStartDir.toStdString(), m_volumes));
  const int index = m_cboDrive->findText(drive, Qt::MatchExactly);
  m_strDrive = index >= 0 ? drive : m_cboDrive->itemText(m_cboDrive->count() - 1);
  m_app.m_profile.WriteString(settings::kSettings, settings::kDrive, m_strDrive);
  m_cboDrive->setCurrentIndex(index);
  ScanDrive();
}

void CQuilletView::OnSelChangeDrive(const QString& fallback) {
  QString chosen = m_cboDrive->currentText();
  if (chosen.isEmpty()) chosen = fallback;
  if (chosen.isEmpty() || chosen == m_strDrive) return;
  m_strDrive = chosen;
  m_app.m_profile.WriteString(settings::kSettings, settings::kDrive, m_strDrive);
  ClearLists(1);
  ScanDrive();
}

void CQuilletView::SetBusy(bool busy) {
  // The walk pumps events so its window repaints; the form and the commands wait.
  m_frame->menuBar()->setEnabled(!busy);
  for (QToolBar* bar : m_frame->findChildren<QToolBar*>()) bar->setEnabled(!busy);
  setEnabled(!busy);
}

void CQuilletView::CancelScan() {
  if (m_pScanDlg) m_pScanDlg->reject();
}

void CQuilletView::ScanDrive() {
  if (scanning()) return;
  ClearLists(2);
  m_pScanDlg = new CSearchProgressDlg(m_frame);
  m_pScanDlg->SetCount(0);
  m_pScanDlg->show();
  m_pScanDlg->move(m_frame->geometry().center() - m_pScanDlg->rect().center());
  SetBusy(true);
  QApplication::processEvents();

  const SearchFilter filter{m_bLimitSearch != 0, m_strFilterUpper.toStdString()};
  QElapsedTimer sincePump;
  sincePump.start();
  int shownCount = 0;
  const ScanResult result =
      ScanPortfolios(m_strDrive.toStdString(), filter, [&](const std::string& folder, int count) {
        if (!m_pScanDlg) return false;
        if (count != shownCount) m_pScanDlg->SetCount(shownCount = count);
        if (sincePump.elapsed() >= 40) {
          m_pScanDlg->SetFolder(Q(folder));
          QApplication::processEvents();
          sincePump.restart();
        }
        return m_pScanDlg && !m_pScanDlg->cancelled();
      });

  QApplication::beep();
  delete m_pScanDlg.data();
  SetBusy(false);
  if (result.folders.empty()) {
    ShowPlain(m_frame, messages::NoMasterFilesFound(m_strDrive.toStdString()));
    m_bPortfoliosFound = 0;
    updateCommands();
    return;
  }
  m_bPortfoliosFound = 1;
  {
    const QSignalBlocker block(m_lstPortfolios);
    for (const std::string& folder : result.folders) {
      QString shown = Q(folder);
      while (shown.size() > 1 && shown.endsWith('/')) shown.chop(1);
      auto* item = new QListWidgetItem(shown);
      item->setData(Qt::UserRole, Q(folder));
      m_lstPortfolios->addItem(item);
    }
    m_lstPortfolios->setCurrentRow(0);
  }
  SetMasterPath(MasterPathOf(result.folders.front()));
  FillSymbolList(0);
}

bool CQuilletView::SetMasterPath(const std::string& masterPath) {
  CurrentPortfolio current{m_szMasterPath, m_szPortfolioPath, m_szLibDir};
  std::string message;
  const bool ok = quillet::SetMasterPath(masterPath, current, message);
  if (!message.empty()) QMessageBox::warning(m_frame, messages::kAppTitle, Q(message));
  if (ok) {
    m_szMasterPath = current.masterPath;
    m_szPortfolioPath = current.portfolioPath;
    m_szLibDir = current.libDir;
  }
  return ok;
}

void CQuilletView::OnSelChangePortfolio() {
  if (!m_bPortfoliosFound) return;
  QListWidgetItem* item = m_lstPortfolios->currentItem();
  if (!item) return;
  SetMasterPath(MasterPathOf(item->data(Qt::UserRole).toString().toStdString()));
  FillSymbolList(0);
}

void CQuilletView::FillSymbolList(int row) {
  WaitCursor wait;
  ClearLists(3);
  if (m_lstPortfolios->count() == 0) {
    QMessageBox::critical(m_frame, messages::kAppTitle, messages::kFailureFillingSymbolsGrid1);
    m_nSymbols = 0;
    updateCommands();
    return;
  }
  FixMasterPrompt prompt(m_frame);
  const PortfolioLoad fill = LoadPortfolio(
      m_szMasterPath, m_bMasterFix ? DamagedMaster::Repair : DamagedMaster::Ask, &prompt);
  // After the load's own questions and any repair, so that it tells of the files as they are now.
  ShowPortfolioReport();
  if (!fill.ok()) {
    // The reason in plain words first (none when the user declined), then the failure.
    if (!fill.detail.empty()) QMessageBox::warning(m_frame, messages::kAppTitle, Q(fill.detail));
    QMessageBox::critical(m_frame, messages::kAppTitle, Q(fill.message));
    m_nSymbols = 0;
    updateCommands();
    return;
  }
  if (!fill.list.notice.empty()) {
    ShowPlain(m_frame, fill.list.notice);
  }
  m_symbolModel->SetRows(fill.list.rows, fill.list.indexFiles);
  m_nSymbols = m_symbolModel->rowCount();
  if (m_nSymbols == 0) {
    SetTitle(messages::NoSymbolsTitle(m_szPortfolioPath));
    updateCommands();
    return;
  }
  m_nSymbolSel = std::clamp(row, 0, m_nSymbols - 1);
  const QModelIndex index = m_symbolModel->index(m_nSymbolSel, 0);
  m_lstSymbols->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_lstSymbols->scrollTo(index);
  FillQuotesGrid(0);
}

void CQuilletView::FillQuotesGrid(int row) {
  ClearLists(4);
  if (m_symbolModel->rowCount() == 0) return;
  const SymbolRow& symbolRow =
      m_symbolModel
          ->rows()[static_cast<size_t>(std::clamp(m_nSymbolSel, 0, m_symbolModel->rowCount() - 1))];
  m_szSymbol = symbolRow.symbol;
  m_szName = symbolRow.name;

  m_frame->BeginProgress();
  const QuoteGridModel::Load load = m_quoteModel->LoadSeries(m_szLibDir, m_szSymbol);
  m_frame->EndProgress();
  if (load.code != LIB_OK) {
    QMessageBox::critical(m_frame, messages::kAppTitle,
                          QString("%1\n\n%2")
                              .arg(messages::kErrorInFillQuotesGrid,
                                   Q(messages::DescribeReadFailure(
                                       load.code, m_szLibDir, m_szSymbol, load.masterUnreadable))));
  }
  const std::vector<Quote>& quotes = m_quoteModel->quotes();
  m_strFirstDate = Q(FormatDate(quotes.empty() ? 0 : quotes.front().date));
  m_strLastDate = Q(FormatDate(quotes.empty() ? 0 : quotes.back().date));
  m_nQuotes = m_quoteModel->rowCount();
  m_nQuoteSel = row;
  if (m_nQuotes != 0) {
    const QModelIndex index = m_quoteModel->index(std::clamp(row, 0, m_nQuotes - 1), 0);
    m_lstQuotes->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_lstQuotes->scrollTo(index);
  }
  updateCommands();
}

void CQuilletView::ClearLists(int level) {
  switch (level) {
    case 1:
      m_bPortfoliosFound = 0;
      [[fallthrough]];
    case 2: {
      const QSignalBlocker block(m_lstPortfolios);
      m_lstPortfolios->clear();
    }
      [[fallthrough]];
    case 3:
      m_ctlNotice->hide();
      m_symbolModel->SetRows({}, false);
      m_nSymbols = 0;
      [[fallthrough]];
    default:
      m_quoteModel->SetQuotes({});
      m_nQuotes = 0;
  }
  updateCommands();
}

void CQuilletView::ShowPortfolioReport() {
  const PortfolioReport report = ReportPortfolio(m_szLibDir, m_szMasterPath);
  QStringList lines;
  if (!report.unfinished.empty()) lines << Q(report.unfinished);
  for (const std::string& warning : report.warnings) lines << Q(warning);
  m_txtNotice->setPlainText(lines.join('\n'));
  // Up to four lines high, as the lines wrap at the width the bar has; a longer
  // list scrolls.
  const QFontMetrics metrics = m_txtNotice->fontMetrics();
  const int width = m_txtNotice->viewport()->width() -
                    2 * static_cast<int>(m_txtNotice->document()->documentMargin());
  qsizetype wrapped = 0;
  for (const QString& line : lines) {
    wrapped += width > 0 ? 1 + metrics.horizontalAdvance(line) / width : 1;
  }
  const int shown = static_cast<int>(std::min<qsizetype>(std::max<qsizetype>(wrapped, 1), 4));
  m_txtNotice->setFixedHeight(shown * m_txtNotice->fontMetrics().lineSpacing() +
                              2 * static_cast<int>(m_txtNotice->document()->documentMargin()) + 2);
  m_ctlNotice->setVisible(!lines.isEmpty());
}

void CQuilletView::OnSymbolSelectionChanged() {
  const QModelIndexList rows = m_lstSymbols->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  m_nSymbolSel = rows.front().row();
  SetTitle(messages::SymbolTitle(m_szPortfolioPath,
                                 m_symbolModel->rows()[static_cast<size_t>(m_nSymbolSel)].symbol));
  updateCommands();
}

void CQuilletView::OnQuoteSelectionChanged() {
  const QModelIndexList rows = m_lstQuotes->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  m_nQuoteSel = rows.front().row();
  updateCommands();
}

void CQuilletView::SetTitle(const std::string& title) {
  m_frame->setWindowTitle(Q(title));
}

void CQuilletView::updateCommands() {
  CommandState s;
  s.found = m_bPortfoliosFound != 0;
  s.splitSearchOpen = m_bSplitSearchOpen != 0;
  s.portfolioLines = m_lstPortfolios->count();
  s.symbolRows = m_symbolModel->rowCount();
  s.symbols = m_nSymbols;
  s.quoteRows = m_quoteModel->rowCount();
  s.quoteSel = m_nQuoteSel;
  for (int id : kRuledCommands) {
    if (QAction* a = m_frame->action(id)) a->setEnabled(CommandEnabled(id, s));
  }
  m_frame->SetPaneTexts(Q(messages::SymbolPaneText(m_nSymbolSel, m_nSymbols)),
                        Q(messages::QuotePaneText(m_nQuotes - m_nQuoteSel, m_nQuotes)));
}

void CQuilletView::OnSearchFilter() {
  CSearchFilterDlg dlg(m_frame, m_volumes, m_bLimitSearch != 0, m_strFilter, m_bMasterFix != 0);
  const bool oldLimit = m_bLimitSearch != 0;
  const QString oldFilter = m_strFilterUpper;
  if (dlg.exec() != QDialog::Accepted) return;
  m_bMasterFix = dlg.masterFix() ? 1 : 0;
  m_bLimitSearch = dlg.limit() ? 1 : 0;
  m_strFilter = dlg.path();
  m_strFilterUpper = Q(ToUpperAscii(m_strFilter.toStdString()));
  const CRegistryProfile& p = m_app.m_profile;
  p.WriteInt(settings::kSearch, settings::kLimit, m_bLimitSearch);
  p.WriteString(settings::kSearch, settings::kName, m_strFilter);
  p.WriteInt(settings::kSearch, settings::kMasterFix, m_bMasterFix);
  if (!SearchFilterNeedsRescan(oldLimit, oldFilter.toStdString(), m_bLimitSearch != 0,
                               m_strFilterUpper.toStdString())) {
    return;
  }
  // The volume that holds the filter path is scanned; a path on no listed volume
  // (the limit just switched off) rescans the current one.
  const QString previous = m_strDrive;
  const std::string volume = VolumeContaining(m_strFilter.toStdString(), m_volumes);
  if (!volume.empty()) m_cboDrive->setCurrentIndex(m_cboDrive->findText(Q(volume)));
  m_strDrive = "?";
  OnSelChangeDrive(previous);
}

void CQuilletView::OnReScan() {
  ScanDrive();
}

}  // namespace quillet
