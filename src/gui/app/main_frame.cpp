#include "gui/app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "core/messages/window.h"
#include "gui/app/command_ids.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/help/help_window.h"
#include "gui/view/command_icons.h"
#include "gui/view/quillet_view.h"

namespace quillet {

namespace {

// Menu text, status-bar prompt and tool tip of every command the frame carries.
struct CommandText {
  int id;
  const char* menu;
  const char* prompt;
  const char* tip;
};

constexpr CommandText kCommands[] = {
    {ID_APP_EXIT, "E&xit", "Quit the application", "Quit"},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar", ""},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", ""},
    {ID_VIEW_CHART, "&Chart", "Show or hide the price chart", ""},
    {ID_PORTFOLIO_SPLITSEARCH, "&Split Search...", "Search this portfolio for possible splits",
     "Split search"},
    {ID_PORTFOLIO_SEARCHFILTER, "Search &Filter...", "Filter", "Filter"},
    {ID_PORTFOLIO_RESCAN, "&ReScan", "ReScan drive(s) for portfolios", "ReScan"},
    {ID_SYMBOL_DELETE, "&Delete", "Delete Symbol", "Delete Symbol"},
    {ID_SYMBOL_MOVE, "&Move...", "Move", "Move"},
    {ID_SYMBOL_COPY, "&Copy...", "Copy", "Copy"},
    {ID_SYMBOL_EDIT, "&Edit...", "Edit the symbol and name", "Edit Symbol"},
    {ID_SYMBOL_ABOUT, "&About...", "Facts about the selected quote series", "Data facts"},
    {ID_QUOTES_EDIT, "&Edit...", "Edit the selected day's data", "Edit data"},
    {ID_QUOTES_SPLIT, "&Split...", "Enter a split", "Enter split"},
    {ID_QUOTES_ADJUST, "Adju&st...", "Scale the volume or price", "Scale values"},
    {ID_QUOTES_ADD, "&Add...", "Add a single quote", "Add quote"},
    {ID_QUOTES_DELETE, "&Delete...", "Delete a single quote", "Delete quote"},
    {ID_QUOTES_EXPORT, "E&xport...", "Export quotes", "Export"},
    {ID_HELP_FINDER, "&Help Topics", "List Help topics", "Help Topics"},
    {ID_APP_ABOUT, "&About Quillet...", "Display program information, version number and copyright",
     "About Quillet"},
};

// Menus in order; 0 is a separator.
struct MenuSpec {
  const char* title;
  std::initializer_list<int> items;
};
const MenuSpec kMenus[] = {
    {"&File", {ID_APP_EXIT}},
    {"&View", {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_CHART}},
    {"&Portfolio", {ID_PORTFOLIO_SPLITSEARCH, ID_PORTFOLIO_SEARCHFILTER, ID_PORTFOLIO_RESCAN}},
    {"&Symbol",
     {ID_SYMBOL_DELETE, ID_SYMBOL_MOVE, ID_SYMBOL_COPY, 0, ID_SYMBOL_EDIT, ID_SYMBOL_ABOUT}},
    {"&Quotes",
     {ID_QUOTES_EDIT, ID_QUOTES_SPLIT, ID_QUOTES_ADJUST, 0, ID_QUOTES_ADD, ID_QUOTES_DELETE, 0,
      ID_QUOTES_EXPORT}},
    {"&Help", {ID_HELP_FINDER, 0, ID_APP_ABOUT}},
};

constexpr int kToolBar[] = {ID_APP_EXIT,
                            0,
                            ID_PORTFOLIO_SPLITSEARCH,
                            ID_PORTFOLIO_SEARCHFILTER,
                            ID_PORTFOLIO_RESCAN,
                            0,
                            ID_SYMBOL_DELETE,
                            ID_SYMBOL_MOVE,
                            ID_SYMBOL_COPY,
                            ID_SYMBOL_EDIT,
                            ID_SYMBOL_ABOUT,
                            0,
                            ID_QUOTES_EDIT,
                            ID_QUOTES_SPLIT,
                            ID_QUOTES_ADJUST,
                            ID_QUOTES_ADD,
                            ID_QUOTES_DELETE,
                            ID_QUOTES_EXPORT,
                            0,
                            ID_APP_ABOUT};

}  // namespace

CMainFrame::CMainFrame(CQuilletApp& app) : m_app(app) {
  setWindowTitle(messages::kAppTitle);
  setObjectName("CMainFrame");
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  m_pView = new CQuilletView(app, this);
  setCentralWidget(m_pView);
  m_pView->OnInitialUpdate();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateActions() {
  for (const CommandText& c : kCommands) {
    auto* a = new QAction(QString::fromUtf8(c.menu), this);
    a->setObjectName(QString::number(c.id));
    a->setStatusTip(c.prompt);
    QString tip = c.tip;
    if (tip.isEmpty()) tip = QString(c.menu).remove('&');
    a->setToolTip(tip);
    a->setIcon(CommandIcon(c.id, style()));
    m_actions.insert(c.id, a);
  }
  m_actions[ID_PORTFOLIO_RESCAN]->setShortcut(QKeySequence(Qt::Key_F5));
  m_actions[ID_HELP_FINDER]->setShortcut(QKeySequence(Qt::Key_F1));
  connect(m_actions[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
  connect(m_actions[ID_HELP_FINDER], &QAction::triggered, this, [this] { ShowHelp(); });
  connect(m_actions[ID_APP_ABOUT], &QAction::triggered, this, &CMainFrame::OnAppAbout);

  // Ctrl+N and Ctrl+O reach the empty document: the view is placed again.
  // The framework's Ctrl+S would ask for a name and write the empty document,
  // a file of no bytes, over whatever file was picked; it is left unbound.
  auto* fileNew = new QAction(this);
  fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  connect(fileNew, &QAction::triggered, this, [this] { m_pView->OnInitialUpdate(); });
  auto* fileOpen = new QAction(this);
  fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(fileOpen, &QAction::triggered, this, [this] {
    if (!QFileDialog::getOpenFileName(this).isEmpty()) m_pView->OnInitialUpdate();
  });
  addAction(fileNew);
  addAction(fileOpen);
  m_actions.insert(ID_FILE_NEW, fileNew);
  m_actions.insert(ID_FILE_OPEN, fileOpen);
}

void CMainFrame::CreateMenus() {
  for (const MenuSpec& m : kMenus) {
    QMenu* menu = menuBar()->addMenu(m.title);
    for (int id : m.items) {
      if (id == 0) {
        menu->addSeparator();
      } else {
        menu->addAction(m_actions[id]);
      }
    }
  }
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar = addToolBar("Toolbar");
  m_wndToolBar->setObjectName("ToolBar");
  m_wndToolBar->setAccessibleName("Toolbar");
  m_wndToolBar->setIconSize(QSize(16, 16));
  for (int id : kToolBar) {
    if (id == 0) {
      m_wndToolBar->addSeparator();
    } else {
      m_wndToolBar->addAction(m_actions[id]);
    }
  }
  QAction* toggle = m_wndToolBar->toggleViewAction();
  QAction* own = m_actions[ID_VIEW_TOOLBAR];
  own->setCheckable(true);
  own->setChecked(true);
  connect(own, &QAction::toggled, m_wndToolBar, &QToolBar::setVisible);
  connect(toggle, &QAction::toggled, own, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  m_idlePane = new QLabel(messages::kIdlePrompt);
  m_idlePane->setAccessibleName("Message");
  bar->addWidget(m_idlePane, 1);
  const QFontMetrics fm(font());
  m_symbolPane = new QLabel;
  m_symbolPane->setMinimumWidth(fm.horizontalAdvance("Symbols: xxxxxxxxxxxxxxxx"));
  m_symbolPane->setAccessibleName("Symbols");
  m_quotePane = new QLabel;
  m_quotePane->setMinimumWidth(fm.horizontalAdvance("Quotes: xxxxxxxxxxxxxxxx"));
  m_quotePane->setAccessibleName("Quotes");
  bar->addPermanentWidget(m_symbolPane);
  bar->addPermanentWidget(m_quotePane);
  QAction* own = m_actions[ID_VIEW_STATUS_BAR];
  own->setCheckable(true);
  own->setChecked(true);
  connect(own, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::SetPaneTexts(const QString& symbols, const QString& quotes) {
  m_symbolPane->setText(symbols);
  m_quotePane->setText(quotes);
}

QString CMainFrame::SymbolPaneText() const {
  return m_symbolPane->text();
}
QString CMainFrame::QuotePaneText() const {
  return m_quotePane->text();
}

void CMainFrame::BeginProgress() {
  if (!m_progress) {
    m_progress = new QProgressBar;
    m_progress->setAccessibleName("Loading quotes");
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 0);  // the whole series comes in one read: a busy bar
    statusBar()->insertWidget(0, m_progress, 1);
  }
  m_idlePane->hide();
  m_progress->show();
  m_progress->repaint();
}

void CMainFrame::EndProgress() {
  if (!m_progress) return;
  statusBar()->removeWidget(m_progress);
  delete m_progress;
  m_progress = nullptr;
  m_idlePane->show();
}

void CMainFrame::ShowHelp(const QString& topic) {
  CHelpWindow::Show(this, topic);
}

void CMainFrame::OnAppAbout() {
  CAboutDlg dlg(m_app.m_nMailLinkVisited, m_app.m_nWebLinkVisited, this);
  dlg.exec();
}

void CMainFrame::SavePlacement() {
  if (!m_bSavePlacement || isMinimized()) return;
  // The window's own rectangle, frame excluded: what setGeometry() takes back.
  const QRect r = geometry();
  const CRegistryProfile& p = m_app.m_profile;
  p.WriteInt(settings::kScreen, settings::kX, std::max(0, r.x()));
  p.WriteInt(settings::kScreen, settings::kY, std::max(0, r.y()));
  p.WriteInt(settings::kScreen, settings::kCx, r.width());
  p.WriteInt(settings::kScreen, settings::kCy, r.height());
}

void CMainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  SavePlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  SavePlacement();
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Restoring from an icon moves nothing, yet the restored rectangle is stored.
  if (event->type() == QEvent::WindowStateChange) SavePlacement();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A scan still walking stops at its next folder.
  m_pView->CancelScan();
  m_pView->StoreColumnWidths();
  CHelpWindow::CloseAll();
  event->accept();
}

}  // namespace quillet
