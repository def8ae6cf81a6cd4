// The window driven through its real widgets on Portfolio trees written byte by byte.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <functional>

#include "core/lib/quote_series.h"
#include "core/lib/quote_text.h"
#include "core/portfolio/volumes.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/dialogs/dialogs.h"
#include "gui/help/help_window.h"
#include "gui/view/command_rules.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"
#include "gui_harness.h"
#include "support/portfolio_builder.h"

using namespace quillet;
using quillet::testing::DailyRows;
using quillet::testing::ModalAnswers;
using quillet::testing::PortfolioBuilder;
using quillet::testing::Q;
using quillet::testing::ReadBytes;
using quillet::testing::SecurityEntry;
using quillet::testing::TempDir;
using quillet::testing::WriteBytes;

Q_DECLARE_METATYPE(quillet::CommandState)

class WindowTest : public QObject {
  Q_OBJECT

  // A tree with two Portfolios and a hidden one the scan must not enter.
  void BuildTree() {
    m_tree = std::make_unique<TempDir>();
    const auto a = m_tree->root() / "A";
    std::filesystem::create_directories(a);
    PortfolioBuilder(a)
        .AddSeries(1, "IBM", "INTL BUSINESS", DailyRows(10000, 401))
        .AddSeries(2, "AAA", "AAA CORP", DailyRows(10000, 3))
        .WriteMaster();
    const auto b = m_tree->root() / "B";
    std::filesystem::create_directories(b);
    PortfolioBuilder(b).AddSeries(7, "ZZZ", "ZED", DailyRows(10000, 5)).WriteMaster();
    const auto hidden = m_tree->root() / ".hidden";
    std::filesystem::create_directories(hidden);
    PortfolioBuilder(hidden).AddSeries(1, "HID", "HIDDEN", DailyRows(10000, 5)).WriteMaster();
  }

  // Settings of a first start whose filter points at root.
  QString FreshSettings(const std::filesystem::path& root, const QByteArray& extra = {}) {
    m_settingsDir = std::make_unique<QTemporaryDir>();
    return testing::FreshSettings(*m_settingsDir, root, extra);
  }

  QString Cell(QTableView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
  }

  std::unique_ptr<TempDir> m_tree;
  std::unique_ptr<QTemporaryDir> m_settingsDir;

 private slots:
  void init() { BuildTree(); }
  void cleanup() {
    if (CQuilletApp::instance()->frame()) CQuilletApp::instance()->frame()->close();
  }

  // First start: placement computed and stored, the one-time import, the scan under
  // the filter, the first Portfolio and symbol loaded, the panes and the title;
  // column widths stored on close and back at the next start.
  void firstStartPlacesScansAndLoads() {
    const QString settings = FreshSettings(m_tree->root());
    ModalAnswers answers({}, true);
    CQuilletView* view = testing::StartWindow(settings);
    QVERIFY(view);
    CMainFrame* frame = CQuilletApp::instance()->frame();
    const CRegistryProfile& p = CQuilletApp::instance()->m_profile;
    const QRect work = frame->screen()->availableGeometry();
    const int cx = p.GetInt("Screen", "cx", 0);
    QVERIFY(cx > 0);
    QCOMPARE(p.GetInt("Screen", "x", -1), (work.width() - cx) / 2);
    QCOMPARE(p.GetInt("Search", "Limit", 9), 1);
    QCOMPARE(p.GetString("Settings", "Drive", ""),
             Q(VolumeContaining(m_tree->str(), CQuilletView::ListVolumes())));
    const int w = view->m_lstSymbols->viewport()->width();
    QCOMPARE(view->m_lstSymbols->horizontalHeader()->sectionSize(1), w * 9 / 20);

    const QString root = Q(m_tree->str());
    QCOMPARE(testing::ListLines(view->m_lstPortfolios), QStringList({root + "/A", root + "/B"}));
    QCOMPARE(view->m_nSymbols, 2);
    QCOMPARE(Cell(view->m_lstSymbols, 0, 0), QString("AAA"));
    QCOMPARE(frame->windowTitle(), "Quillet - " + root + "/A - AAA");
    QCOMPARE(frame->SymbolPaneText(), QString("Symbol 1 of 2"));
    QCOMPARE(frame->QuotePaneText(), QString("Quote 3 of 3"));
    QVERIFY(answers.texts.isEmpty());

    // Widths are stored on close and come back; one unusable width resets its grid.
    view->m_lstQuotes->horizontalHeader()->resizeSection(0, 77);
    view->m_lstSymbols->horizontalHeader()->resizeSection(0, 0);
    // The import ran once: a later start with a changed file keeps the stored value.
    frame->close();
    QCOMPARE(p.GetInt("QuoteGrid", "col0", -1), 77);
    QCOMPARE(p.GetInt("SymbolGrid", "col0", -1), 0);
    QFile ini(m_settingsDir->filePath("Quillet.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Search]\nLimit=0\n");
    ini.close();
    view = testing::StartWindow(settings);
    QVERIFY(view);
    QCOMPARE(view->m_bLimitSearch, 1);
    QCOMPARE(view->m_lstQuotes->horizontalHeader()->sectionSize(0), 77);
    QCOMPARE(view->m_lstSymbols->horizontalHeader()->sectionSize(0), w * 9 / 20);
    QCOMPARE(view->m_lstSymbols->horizontalHeader()->sectionSize(1), w * 9 / 20);
  }

  void scanFindingNothingSaysSo() {
    const QString settings = FreshSettings(m_tree->root() / "nothing-here");
    ModalAnswers answers({}, true);
    CQuilletView* view = testing::StartWindow(settings);
    QVERIFY(view);
    QCOMPARE(answers.texts.size(), 1);
    QVERIFY(answers.texts[0].startsWith("No master files found on drive /"));
    QVERIFY(!CQuilletApp::instance()->frame()->action(ID_SYMBOL_DELETE)->isEnabled());
    QVERIFY(CQuilletApp::instance()->frame()->action(ID_PORTFOLIO_RESCAN)->isEnabled());
    QCOMPARE(CQuilletApp::instance()->frame()->SymbolPaneText(), QString("No Symbols Read"));
  }

  // A stored volume that is no longer mounted: the last listed one is scanned and
  // stored, none is shown chosen; choosing the current volume again scans nothing.
  void storedVolumeGone() {
    ModalAnswers answers({}, true);
    CQuilletView* view =
        testing::StartWindow(FreshSettings(m_tree->root(), "[Settings]\nDrive=/no/such/volume\n"));
    QVERIFY(view);
    const QString last = Q(CQuilletView::ListVolumes().back());
    QCOMPARE(view->m_strDrive, last);
    QCOMPARE(view->m_cboDrive->currentIndex(), -1);
    QCOMPARE(CQuilletApp::instance()->m_profile.GetString("Settings", "Drive", ""), last);
    const qsizetype shown = answers.texts.size();
    view->m_cboDrive->setCurrentIndex(view->m_cboDrive->count() - 1);
    view->OnSelChangeDrive();
    QCOMPARE(answers.texts.size(), shown);
  }

  // Portfolio and symbol selection, the grid's texts against the core's formatter,
  // quote selection in the pane and in the Add rule.
  void selectionsAndQuoteGrid() {
    ModalAnswers answers({}, true);
    CQuilletView* view = testing::StartWindow(FreshSettings(m_tree->root()));
    QVERIFY(view);
    CMainFrame* frame = CQuilletApp::instance()->frame();
    QVERIFY(frame->action(ID_SYMBOL_MOVE)->isEnabled());

    view->m_lstPortfolios->setCurrentRow(1);
    QCOMPARE(Cell(view->m_lstSymbols, 0, 0), QString("ZZZ"));
    QCOMPARE(view->m_nQuotes, 5);
    view->m_lstPortfolios->setCurrentRow(0);

    // Moving the highlight retitles only; a click loads the series.
    view->m_lstSymbols->selectRow(1);
    QVERIFY(frame->windowTitle().endsWith(" - IBM"));
    QCOMPARE(view->m_nQuotes, 3);
    const QRect cell = view->m_lstSymbols->visualRect(view->m_symbolModel->index(1, 0));
    QTest::mouseClick(view->m_lstSymbols->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(view->m_nQuotes, 401);
    QCOMPARE(frame->SymbolPaneText(), QString("Symbol 2 of 2"));

    SeriesData series;
    QCOMPARE(ReadWholeSeries(m_tree->str() + "/A/", "IBM", series), LIB_OK);
    for (int row : {0, 1, 399, 400}) {
      const auto texts = QuoteGridTexts(series.quotes[400 - static_cast<size_t>(row)]);
      for (int c = 0; c < 7; ++c) QCOMPARE(Cell(view->m_lstQuotes, row, c), Q(texts[c]));
    }
    QCOMPARE(view->m_strLastDate, Q(FormatDate(series.quotes.back().date)));

    QVERIFY(frame->action(ID_QUOTES_ADD)->isEnabled());
    view->m_lstQuotes->selectRow(400);
    QCOMPARE(view->m_nQuoteSel, 400);
    QCOMPARE(frame->QuotePaneText(), QString("Quote 1 of 401"));
    QVERIFY(!frame->action(ID_QUOTES_ADD)->isEnabled());
    QVERIFY(frame->action(ID_QUOTES_DELETE)->isEnabled());
  }

  void enablingRules_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<CommandState>("state");
    QTest::addColumn<bool>("enabled");
    const CommandState loaded{true, false, 2, 3, 3, 10, 0};
    auto with = [loaded](const std::function<void(CommandState&)>& f) {
      CommandState s = loaded;
      f(s);
      return s;
    };
    QTest::newRow("split search") << int(ID_PORTFOLIO_SPLITSEARCH) << loaded << true;
    QTest::newRow("split search while open")
        << int(ID_PORTFOLIO_SPLITSEARCH) << with([](auto& s) { s.splitSearchOpen = true; })
        << false;
    QTest::newRow("symbol edit while split search open")
        << int(ID_SYMBOL_EDIT) << with([](auto& s) { s.splitSearchOpen = true; }) << false;
    QTest::newRow("symbol delete while split search open")
        << int(ID_SYMBOL_DELETE) << with([](auto& s) { s.splitSearchOpen = true; }) << true;
    QTest::newRow("move with one Portfolio")
        << int(ID_SYMBOL_MOVE) << with([](auto& s) { s.portfolioLines = 1; }) << false;
    QTest::newRow("copy with two") << int(ID_SYMBOL_COPY) << loaded << true;
    QTest::newRow("copy, no symbols")
        << int(ID_SYMBOL_COPY) << with([](auto& s) { s.symbolRows = 0; }) << false;
    QTest::newRow("symbol about, not found")
        << int(ID_SYMBOL_ABOUT) << with([](auto& s) { s.found = false; }) << false;
    QTest::newRow("quotes edit, no quotes")
        << int(ID_QUOTES_EDIT) << with([](auto& s) { s.quoteRows = 0; }) << false;
    QTest::newRow("add on the oldest quote")
        << int(ID_QUOTES_ADD) << with([](auto& s) { s.quoteSel = 9; }) << false;
    QTest::newRow("add on the one before")
        << int(ID_QUOTES_ADD) << with([](auto& s) { s.quoteSel = 8; }) << true;
    QTest::newRow("export, no symbols")
        << int(ID_QUOTES_EXPORT) << with([](auto& s) { s.symbols = 0; }) << false;
    QTest::newRow("split, adjust, delete need found")
        << int(ID_QUOTES_ADJUST) << with([](auto& s) { s.found = false; }) << false;
  }
  void enablingRules() {
    QFETCH(int, id);
    QFETCH(CommandState, state);
    QFETCH(bool, enabled);
    QCOMPARE(CommandEnabled(id, state), enabled);
  }

  // A MASTER using file number 1 twice: the question accepted, declined, or skipped.
  void damagedMaster_data() {
    QTest::addColumn<int>("masterFix");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<int>("symbols");
    QTest::newRow("repair accepted") << 0 << true << 2 << 1;
    QTest::newRow("repair declined") << 0 << false << 2 << 0;
    QTest::newRow("automatic repair") << 1 << true << 1 << 1;
  }
  void damagedMaster() {
    QFETCH(int, masterFix);
    QFETCH(bool, accept);
    QFETCH(int, dialogs);
    QFETCH(int, symbols);
    const auto dir = m_tree->root() / "A";
    PortfolioBuilder(dir)
        .AddSeries(1, "IBM", "INTL BUSINESS", DailyRows(10000, 4))
        .Add(SecurityEntry(1, "DUP", "DUPLICATE"))
        .WriteMaster();
    const auto before = ReadBytes(dir / "MASTER");
    const QString settings =
        FreshSettings(dir, "MasterFix=" + QByteArray::number(masterFix) + "\n");
    ModalAnswers answers({accept ? ModalAnswers::Accept : ModalAnswers::Reject}, true);
    CQuilletView* view = testing::StartWindow(settings);
    QVERIFY(view);
    QCOMPARE(answers.texts.size(), dialogs);
    QCOMPARE(view->m_nSymbols, symbols);
    QCOMPARE(std::filesystem::exists(dir / "MASTER.bak"), accept);
    if (!accept) {
      QCOMPARE(answers.texts.back(), QString("Failure while filling symbols grid1"));
      QVERIFY(ReadBytes(dir / "MASTER") == before);
      return;
    }
    QVERIFY(answers.texts.back().contains("This item is file F1.DAT"));
    // The dialog's Help opens its topic from the bundled help.
    CQuilletApp::instance()->frame()->ShowHelp("fix_master");
    QCOMPARE(CHelpWindow::Current()->browser()->documentTitle(), QString("Fixing Bad Master"));
    QVERIFY(ReadBytes(dir / "MASTER.bak") == before);
    QCOMPARE(Cell(view->m_lstSymbols, 0, 0), QString("IBM"));
  }

  // What check tells besides damage shows in the notice bar, without a dialog, and
  // goes when a sound Portfolio is picked.
  void portfolioNotice_data() {
    QTest::addColumn<QByteArray>("intent");
    QTest::addColumn<QByteArray>("xmaster");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<int>("symbolColumns");  // File and Index once an index file takes part
    QByteArray badEntry(300, '\0');          // header and one entry whose bitmask holds no date
    badEntry.replace(0, 4, "\x5D\xFE\x58\x4D").replace(10, 1, "\x01");
    QTest::newRow("sound") << QByteArray() << QByteArray() << "" << 2;
    QTest::newRow("cut short") << QByteArray("F7.NEW\tF7.DAT\n") << QByteArray()
                               << "A change of F7.DAT in {A} was cut short; repair, or the next "
                                  "change to the Portfolio, finishes it"
                               << 2;
    QTest::newRow("ignored entry")
        << QByteArray() << badEntry
        << "XMASTER record 1 is ignored: its field bitmask holds no date" << 4;
  }
  void portfolioNotice() {
    QFETCH(QByteArray, intent);
    QFETCH(QByteArray, xmaster);
    QFETCH(QString, notice);
    QFETCH(int, symbolColumns);
    const auto a = m_tree->root() / "A";
    const auto bytes = [](const QByteArray& b) { return std::vector<uint8_t>(b.begin(), b.end()); };
    if (!intent.isEmpty()) {
      WriteBytes(a / "F7.NEW", ReadBytes(a / "F1.DAT"));
      WriteBytes(a / "MASTER.~IN", bytes(intent));
    }
    if (!xmaster.isEmpty()) WriteBytes(a / "XMASTER", bytes(xmaster));
    ModalAnswers answers({}, true);
    CQuilletView* view = testing::StartWindow(FreshSettings(m_tree->root()));
    QVERIFY(view);
    QCOMPARE(view->m_txtNotice->toPlainText(), QString(notice).replace("{A}", Q(a.string())));
    QCOMPARE(view->m_ctlNotice->isHidden(), notice.isEmpty());
    QCOMPARE(view->m_lstSymbols->model()->columnCount(), symbolColumns);
    view->m_lstPortfolios->setCurrentRow(1);
    QVERIFY(view->m_ctlNotice->isHidden());
    QVERIFY(answers.texts.isEmpty());
  }

  // OK keeps the dialog open unless the path lies on a listed volume (limit on).
  void filterDialogValidation_data() {
    QTest::addColumn<bool>("limit");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("absolute") << true << "/data/ms" << true;
    QTest::newRow("relative") << true << "data/ms" << false;
    QTest::newRow("empty") << true << "" << false;
    QTest::newRow("drive letter") << true << "C:\\DATA" << false;
    QTest::newRow("limit off, empty") << false << "" << true;
  }
  void filterDialogValidation() {
    QFETCH(bool, limit);
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    ModalAnswers answers({}, true);
    CSearchFilterDlg dlg(nullptr, {"/", "/mnt/usb"}, true, "/x", false);
    dlg.findChild<QCheckBox*>()->setChecked(limit);
    dlg.findChild<QLineEdit*>()->setText(path);
    dlg.show();
    dlg.accept();
    QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
    QCOMPARE(answers.texts.isEmpty(), accepted);
    if (!accepted) {
      QVERIFY(QTest::qWaitFor([&] { return !answers.texts.isEmpty(); }));
      QCOMPARE(answers.texts[0], QString("The Search Filter path refers to an unknown drive"));
    }
  }

  // The filter command stores its three settings and rescans only on a real change.
  void filterCommandRescansOnChange_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("masterFix");
    QTest::addColumn<bool>("rescan");
    QTest::newRow("same path, other case") << "" << false << false;
    QTest::newRow("repair choice only") << "" << true << false;
    QTest::newRow("narrower path") << "/B" << false << true;
  }
  void filterCommandRescansOnChange() {
    QFETCH(QString, suffix);
    QFETCH(bool, masterFix);
    QFETCH(bool, rescan);
    CQuilletView* view = testing::StartWindow(FreshSettings(m_tree->root()));
    QVERIFY(view);
    view->m_lstSymbols->selectRow(1);  // a new scan selects the first symbol again
    const QString path = (Q(m_tree->str()) + suffix);
    const QString typed = suffix.isEmpty() ? path.toLower() : path;
    ModalAnswers answers({[&](QWidget* d) {
      d->findChild<QLineEdit*>()->setText(typed);
      d->findChildren<QCheckBox*>().at(1)->setChecked(masterFix);
      ModalAnswers::Accept(d);
    }});
    view->OnSearchFilter();
    const CRegistryProfile& p = CQuilletApp::instance()->m_profile;
    QCOMPARE(p.GetString("Search", "Name", ""), typed);
    QCOMPARE(p.GetInt("Search", "MasterFix", -1), masterFix ? 1 : 0);
    QCOMPARE(view->m_nSymbolSel == 0, rescan);
    if (rescan) QCOMPARE(testing::ListLines(view->m_lstPortfolios), QStringList({path}));
  }

  // A stored rectangle that fits the work area is used as it is; one that does not
  // is replaced by the default and overwritten.
  void storedPlacement_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<bool>("used");
    QTest::newRow("fits") << QRect(10, 20, 500, 400) << true;
    QTest::newRow("negative left") << QRect(-5, 20, 500, 400) << false;
    QTest::newRow("too wide") << QRect(0, 0, 100000, 400) << false;
    QTest::newRow("no height") << QRect(0, 0, 500, 0) << false;
  }
  void storedPlacement() {
    QFETCH(QRect, stored);
    QFETCH(bool, used);
    const QByteArray screen = QString::asprintf("[Screen]\nx=%d\ny=%d\ncx=%d\ncy=%d\n", stored.x(),
                                                stored.y(), stored.width(), stored.height())
                                  .toUtf8();
    CQuilletView* view = testing::StartWindow(FreshSettings(m_tree->root(), screen));
    QVERIFY(view);
    const CRegistryProfile& p = CQuilletApp::instance()->m_profile;
    const QRect now(p.GetInt("Screen", "x", 0), p.GetInt("Screen", "y", 0),
                    p.GetInt("Screen", "cx", 0), p.GetInt("Screen", "cy", 0));
    QCOMPARE(now == stored, used);
    if (used) QCOMPARE(CQuilletApp::instance()->frame()->geometry(), stored);
    // The default: centred across the work area, at its top (below the frame's edge).
    const QRect work = CQuilletApp::instance()->frame()->screen()->availableGeometry();
    if (!used) QCOMPARE(now.x(), (work.width() - now.width()) / 2);
    if (!used) QVERIFY(now.y() < 10);
  }
};

int main(int argc, char** argv) {
  CQuilletApp app(argc, argv);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
