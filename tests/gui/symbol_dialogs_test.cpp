// The symbol dialogs and the split-search window driven through the window on a
// two-Portfolio tree, checked against the files on disk and the core's own search.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>

#include "core/splitsearch/split_search.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/dialogs/delete_symbol_dlg.h"
#include "gui/dialogs/edit_symbol_dlg.h"
#include "gui/dialogs/move_symbol_dlg.h"
#include "gui/dialogs/split_search_dlg.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"
#include "gui_harness.h"
#include "support/portfolio_builder.h"

using namespace quillet;
using namespace quillet::testing;

namespace {

// Three quotes whose close halves from the first to the second with a real gap.
std::vector<DatRow> SplitRows() {
  return {Row28(10000, 100, 101, 99, 100, 10, 0), Row28(10001, 50, 52, 49, 50, 20, 0),
          Row28(10004, 51, 52, 50, 51, 30, 0)};
}

}  // namespace

class SymbolDialogsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> m_tree;
  std::unique_ptr<QTemporaryDir> m_settings;
  path m_a, m_b;

  // A: AAA (2), IBM (1), SPA (3) and SPB (4), each split one a 2 for 1; B: ZZZ (7).
  CQuilletView* Start() {
    m_tree = std::make_unique<TempDir>();
    m_a = m_tree->root() / "A";
    m_b = m_tree->root() / "B";
    std::filesystem::create_directories(m_a);
    std::filesystem::create_directories(m_b);
    PortfolioBuilder(m_a)
        .AddSeries(1, "IBM", "INTL BUSINESS", DailyRows(10000, 5))
        .AddSeries(2, "AAA", "AAA CORP", DailyRows(10000, 3))
        .AddSeries(3, "SPA", "SPLIT A", SplitRows())
        .AddSeries(4, "SPB", "SPLIT B", SplitRows())
        .WriteMaster();
    PortfolioBuilder(m_b).AddSeries(7, "ZZZ", "ZED", DailyRows(10000, 5)).WriteMaster();
    m_settings = std::make_unique<QTemporaryDir>();
    CQuilletView* view = StartWindow(FreshSettings(*m_settings, m_tree->root()));
    if (!view) return nullptr;
    return view->m_nSymbols == 4 ? view : nullptr;
  }
  CMainFrame* Frame() { return CQuilletApp::instance()->frame(); }
  QString Symbol(CQuilletView* view, int row) {
    return view->m_symbolModel->index(row, 0).data().toString();
  }

 private slots:
  void cleanup() {
    if (Frame()) Frame()->close();
  }

  // No is the default: Enter keeps the security; Yes removes it and its files.
  void deleteDefaultsToNo() {
    CQuilletView* view = Start();
    QVERIFY(view);
    const TreeSnapshot before = SnapshotTree(m_tree->root());
    bool noWasDefault = false;
    ModalAnswers answers(
        {[&](QWidget* w) {
           auto* d = qobject_cast<CDeleteSymbolDlg*>(w);
           noWasDefault =
               d && d->m_btnNo->isDefault() && !d->m_btnYes->isDefault() && d->m_strSymbol == "AAA";
           QTest::keyClick(w, Qt::Key_Return);
         },
         [](QWidget* w) { qobject_cast<CDeleteSymbolDlg*>(w)->m_btnYes->click(); }});
    Frame()->action(ID_SYMBOL_DELETE)->trigger();
    QVERIFY(noWasDefault);
    QVERIFY(SnapshotTree(m_tree->root()) == before);
    Frame()->action(ID_SYMBOL_DELETE)->trigger();
    QVERIFY(!std::filesystem::exists(m_a / "F2.DAT"));
    QCOMPARE(ReadBytes(m_a / "MASTER").size(), size_t{4 * kMasterRecordSize});
    QCOMPARE(view->m_nSymbols, 3);
    QCOMPARE(Symbol(view, 0), QString("IBM"));
    QVERIFY(answers.texts.isEmpty());
  }

  // Move and copy of IBM (file 1) to B, where 1 is the lowest free number: B's MASTER
  // gains A's record byte for byte, F1.DAT arrives as it was; a move empties A of it.
  // A second copy is refused with the core's message and changes nothing.
  void moveAndCopy_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("move") << int(ID_SYMBOL_MOVE);
    QTest::newRow("copy") << int(ID_SYMBOL_COPY);
  }
  void moveAndCopy() {
    QFETCH(int, command);
    const bool move = command == ID_SYMBOL_MOVE;
    CQuilletView* view = Start();
    QVERIFY(view);
    view->m_lstSymbols->selectRow(1);
    const auto masterA = ReadBytes(m_a / "MASTER");
    const auto dat = ReadBytes(m_a / "F1.DAT");
    auto expectedB = ReadBytes(m_b / "MASTER");
    ++expectedB[0];
    ++expectedB[2];
    expectedB.insert(expectedB.end(), masterA.begin() + kMasterRecordSize,
                     masterA.begin() + 2 * kMasterRecordSize);
    QStringList seen;
    ModalAnswers answers({[&](QWidget* w) {
      auto* d = qobject_cast<CMoveSymbolDlg*>(w);
      seen << d->windowTitle() << d->m_lstDestinations->currentItem()->text();
      d->accept();
    }});
    Frame()->action(command)->trigger();
    QCOMPARE(seen, QStringList({move ? "Move Symbol" : "Copy Symbol",
                                QString::fromStdString(m_b.string())}));
    QVERIFY(ReadBytes(m_b / "MASTER") == expectedB);
    QVERIFY(ReadBytes(m_b / "F1.DAT") == dat);
    QCOMPARE(std::filesystem::exists(m_a / "F1.DAT"), !move);
    QCOMPARE(ReadBytes(m_a / "MASTER") == masterA, !move);
    QCOMPARE(view->m_nSymbols, move ? 3 : 4);
    QVERIFY(answers.texts.isEmpty());
    if (move) return;

    const TreeSnapshot before = SnapshotTree(m_tree->root());
    Frame()->action(command)->trigger();
    QVERIFY(SnapshotTree(m_tree->root()) == before);
    QCOMPARE(answers.texts, QStringList({QString("The Symbol addition failed.\n\nReason: Symbol "
                                                 "IBM already exists in\n%1")
                                             .arg(QString::fromStdString(m_b.string()))}));
  }

  // An empty symbol is refused and keeps the dialog open; 16 characters at most;
  // the row shows the new texts and MASTER holds them blank-padded.
  void editSymbol() {
    CQuilletView* view = Start();
    QVERIFY(view);
    view->m_lstSymbols->selectRow(1);
    int maxLength = 0;
    ModalAnswers answers({[&](QWidget* w) {
      auto* d = qobject_cast<CEditSymbolDlg*>(w);
      d->m_edtSymbol->clear();
      d->accept();
      QVERIFY(d->isVisible());
      QTest::keyClicks(d->m_edtName, " 12345678901234567");
      maxLength = int(d->m_edtName->text().size());
      d->m_edtSymbol->setText("ibm");
      d->m_edtName->setText("NEW NAME  ");
      d->accept();
    }});
    Frame()->action(ID_SYMBOL_EDIT)->trigger();
    QCOMPARE(answers.texts, QStringList("You must enter a symbol"));
    QCOMPARE(maxLength, 16);
    QCOMPARE(Symbol(view, 1), QString("ibm"));
    const auto master = ReadBytes(m_a / "MASTER");
    const auto field = [&](int offset) {
      return std::string(master.begin() + kMasterRecordSize + offset,
                         master.begin() + kMasterRecordSize + offset + 16);
    };
    QCOMPARE(field(36), std::string("ibm") + std::string(13, ' '));
    QCOMPARE(field(7), std::string("NEW NAME") + std::string(8, ' '));
  }

  // The window lists what the core finds, stops on request, appends on a second
  // search, saves CR LF lines (the overwrite prompt on), and while it is open the
  // Split Search and Symbol Edit commands are off.
  void splitSearchWindow() {
    CQuilletView* view = Start();
    QVERIFY(view);
    Frame()->action(ID_PORTFOLIO_SPLITSEARCH)->trigger();
    auto* dlg = Frame()->findChild<CSplitSearchDlg*>();
    QVERIFY(dlg && dlg->isVisible() && !dlg->m_btnSaveAs->isEnabled());
    QCOMPARE(view->m_bSplitSearchOpen, 1);
    QVERIFY(!Frame()->action(ID_PORTFOLIO_SPLITSEARCH)->isEnabled());
    QVERIFY(!Frame()->action(ID_SYMBOL_EDIT)->isEnabled());
    QVERIFY(Frame()->action(ID_SYMBOL_DELETE)->isEnabled());

    struct Quiet : SplitSearchObserver {
      void Found(const SplitFinding&) override {}
      void Message(const std::string&) override {}
      void Status(const std::string&) override {}
    } quiet;
    const std::vector<std::string> symbols = {"AAA", "IBM", "SPA", "SPB"};
    QStringList expected;
    for (const auto& f : SplitSearch(view->m_szLibDir, symbols, quiet).findings) {
      expected << QString::fromStdString(f.line);
    }
    QCOMPARE(expected.size(), 2);

    // Its own answerer: one left running would race the Save As answers below and
    // accept the file dialog as it stands (result.txt in the working folder).
    {
      ModalAnswers answers;
      dlg->m_btnSearch->click();
      QCOMPARE(ListLines(dlg->m_lstResults), expected);
      QCOMPARE(dlg->m_strStatus, QString("Done search"));
      QVERIFY(dlg->m_btnSaveAs->isEnabled());

      // Stop pressed when the first line comes: that symbol ends the run.
      QObject::connect(dlg->m_lstResults->model(), &QAbstractItemModel::rowsInserted, dlg,
                       [dlg] { dlg->m_btnSearch->click(); });
      dlg->m_btnSearch->click();
      QCOMPARE(ListLines(dlg->m_lstResults), expected + QStringList(expected[0]));
      QCOMPARE(dlg->m_strStatus, QString("SPA"));
      QVERIFY(answers.texts.isEmpty());
    }

    // The file dialog may keep its default name while it loads the folder chosen, so
    // the file standing there bears that name.
    const QString file = QString::fromStdString((m_tree->root() / "result.txt").string());
    QFile(file).open(QIODevice::WriteOnly);
    QString prompt;
    ModalAnswers save({[&](QWidget* w) {
                         auto* fd = qobject_cast<QFileDialog*>(w);
                         QVERIFY(fd->selectedFiles().value(0).endsWith("/result.txt") ||
                                 fd->selectedFiles().value(0).endsWith("/result"));
                         fd->selectFile(file);
                         static_cast<QDialog*>(fd)->accept();
                       },
                       [&](QWidget* w) {
                         auto* box = qobject_cast<QMessageBox*>(w);
                         prompt = box->text();
                         box->button(QMessageBox::Yes)->click();
                       }});
    dlg->OnSaveAs();
    QVERIFY(prompt.contains("already exists"));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), (ListLines(dlg->m_lstResults).join("\r\n") + "\r\n").toLatin1());

    const QPointer<CSplitSearchDlg> gone = dlg;
    QTest::keyClick(dlg, Qt::Key_Escape);
    QVERIFY(QTest::qWaitFor([&] { return gone.isNull(); }));
    QCOMPARE(view->m_bSplitSearchOpen, 0);
    QVERIFY(Frame()->action(ID_PORTFOLIO_SPLITSEARCH)->isEnabled());
    QVERIFY(Frame()->action(ID_SYMBOL_EDIT)->isEnabled());
  }
};

int main(int argc, char** argv) {
  CQuilletApp app(argc, argv);
  SymbolDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "symbol_dialogs_test.moc"
