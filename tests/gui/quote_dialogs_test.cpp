// The quote dialogs through their real widgets: the entry fields' key rules, the
// edit dialog's stepping, the refusals that keep a dialog open, and each command
// carried out on a test Portfolio through the window, down to the bytes of its files.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/edit/weekday.h"
#include "core/lib/quote_text.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/dialogs/date_edit.h"
#include "gui/dialogs/edit_quote_dlg.h"
#include "gui/dialogs/num_edit.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"
#include "support/portfolio_builder.h"

using namespace quillet;
using quillet::testing::DailyRows;
using quillet::testing::DatRow;
using quillet::testing::PortfolioBuilder;
using quillet::testing::ReadBytes;
using quillet::testing::TempDir;

namespace {

// Answers the modal dialogs as they appear, in order: each answer works the
// dialog's controls and closes it (or leaves it open for the next answer). Message
// boxes are answered with their default button unless an answer is queued for them.
class ModalAnswers {
 public:
  using Answer = std::function<void(QWidget*)>;
  explicit ModalAnswers(std::vector<Answer> answers) : m_answers(std::move(answers)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w || w == m_last) return;
      m_last = w;
      if (auto* box = qobject_cast<QMessageBox*>(w)) messages << box->text();
      Answer answer = [](QWidget* d) { qobject_cast<QDialog*>(d)->accept(); };
      if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.erase(m_answers.begin());
      }
      QTimer::singleShot(0, w, [w, answer] { answer(w); });
    });
    m_timer.start(10);
  }
  bool done() const { return m_answers.empty(); }
  QStringList messages;

 private:
  std::vector<Answer> m_answers;
  QTimer m_timer;
  QPointer<QWidget> m_last;
};

// Types text into a box whose whole text is selected first.
void Retype(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, text);
}

QPushButton* Ok(QWidget* dialog) {
  for (auto* b : dialog->findChildren<QPushButton*>()) {
    if (b->text().remove('&') == "OK") return b;
  }
  return nullptr;
}

std::vector<Quote> Quotes(int n) {
  std::vector<Quote> quotes;
  for (int i = 0; i < n; ++i)
    quotes.push_back({static_cast<QuoteDay>(10000 + i), 0, {1, 2, 3, 4, 5, 6}});
  return quotes;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

class QuoteDialogsTest : public QObject {
  Q_OBJECT

  // One Portfolio with IBM's five daily quotes, settings whose filter points at it.
  CQuilletView* StartOnPortfolio() {
    m_tree = std::make_unique<TempDir>();
    m_rows = DailyRows(10000, 5);
    PortfolioBuilder(m_tree->root()).AddSeries(1, "IBM", "INTL BUSINESS", m_rows).WriteMaster();
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QFile ini(m_settingsDir->filePath("Quillet.INI"));
    if (!ini.open(QIODevice::WriteOnly)) return nullptr;
    ini.write("[Search]\nLimit=1\nName=" + QByteArray::fromStdString(m_tree->str()) + "\n");
    ini.close();
    auto* app = CQuilletApp::instance();
    app->InitInstance(m_settingsDir->filePath("settings.ini"));
    CQuilletView* view = app->frame()->view();
    if (!QTest::qWaitFor([view] { return view->m_bSetupDone; }, 10000)) return nullptr;
    return view->m_nQuotes == 5 ? view : nullptr;
  }
  std::vector<uint8_t> Dat() const { return ReadBytes(m_tree->root() / "F1.DAT"); }
  QString Setting(const char* section, const char* key) const {
    return CQuilletApp::instance()->m_profile.GetString(section, key, "(none)");
  }

  std::unique_ptr<TempDir> m_tree;
  std::unique_ptr<QTemporaryDir> m_settingsDir;
  std::vector<DatRow> m_rows;

 private slots:
  void cleanup() {
    if (CQuilletApp::instance()->frame()) CQuilletApp::instance()->frame()->close();
  }

  // A digit by the selection it is typed into: the position written and the
  // selection after it; a selection outside the table drops the digit with the
  // beep and selects the group it starts in.
  void dateEditDigitRule_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("newStart");
    QTest::addColumn<int>("newEnd");
    QTest::addColumn<bool>("beep");
    const struct {
      int start, end;
      const char* text;
      int newStart, newEnd;
    } rows[] = {{0, 0, "91/02/03", 1, 2}, {0, 1, "91/02/03", 1, 2}, {0, 2, "91/02/03", 1, 2},
                {0, 8, "91/02/03", 1, 2}, {1, 2, "09/02/03", 3, 5}, {3, 5, "01/92/03", 4, 5},
                {4, 4, "01/92/03", 4, 5}, {4, 5, "01/09/03", 6, 8}, {6, 7, "01/02/93", 7, 8},
                {6, 8, "01/02/93", 7, 8}, {7, 8, "01/02/09", 0, 2}};
    for (const auto& r : rows) {
      QTest::addRow("%d-%d", r.start, r.end)
          << r.start << r.end << QString(r.text) << r.newStart << r.newEnd << false;
    }
    const struct {
      int start, end, newStart, newEnd;
    } dropped[] = {{1, 1, 0, 2}, {2, 2, 0, 2}, {1, 3, 0, 2}, {3, 4, 0, 2},
                   {4, 6, 3, 5}, {5, 5, 0, 2}, {7, 7, 6, 8}, {8, 8, 0, 2}};
    for (const auto& r : dropped) {
      QTest::addRow("dropped %d-%d", r.start, r.end)
          << r.start << r.end << QString("01/02/03") << r.newStart << r.newEnd << true;
    }
  }
  void dateEditDigitRule() {
    QFETCH(int, start);
    QFETCH(int, end);
    CDateEdit edit;
    edit.SetDate("01/02/03");
    if (start == end) {
      edit.setCursorPosition(start);
    } else {
      edit.setSelection(start, end - start);
    }
    QSignalSpy beeps(&edit, &QLineEdit::inputRejected);
    QTest::keyClick(&edit, Qt::Key_9);
    QTEST(edit.text(), "text");
    QTEST(edit.Date(), "text");
    QTEST(edit.selectionStart(), "newStart");
    QTEST(edit.selectionEnd(), "newEnd");
    QTEST(beeps.count() == 1, "beep");
  }

  // Whole keystroke sequences: the date typed through, and the keys the box refuses
  // (with the beep) or ignores (without).
  void dateEditKeys_data() {
    QTest::addColumn<QString>("initial");
    QTest::addColumn<std::function<void(QWidget*)>>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    using Keys = std::function<void(QWidget*)>;
    QTest::newRow("typed through")
        << "01/02/03" << Keys([](QWidget* w) { QTest::keyClicks(w, "123199"); }) << "12/31/99" << 0;
    QTest::newRow("letters, slash, minus, backspace") << "01/02/03" << Keys([](QWidget* w) {
      QTest::keyClicks(w, "a/-");
      QTest::keyClick(w, Qt::Key_Backspace);
    }) << "01/02/03" << 4;
    QTest::newRow("arrows, Home, End, Delete do nothing") << "01/02/03" << Keys([](QWidget* w) {
      for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_Delete}) {
        QTest::keyClick(w, k);
      }
      QTest::keyClicks(w, "1");
    }) << "11/02/03" << 0;
    QTest::newRow("short text is blank-filled")
        << "1/2" << Keys([](QWidget* w) { QTest::keyClicks(w, "0"); }) << "0/2     " << 0;
  }
  void dateEditKeys() {
    QFETCH(QString, initial);
    QFETCH(std::function<void(QWidget*)>, keys);
    CDateEdit edit;
    edit.SetDate(initial);
    QSignalSpy beeps(&edit, &QLineEdit::inputRejected);
    keys(&edit);
    QTEST(edit.text(), "text");
    QTEST(int(beeps.count()), "beeps");
    if (QTest::currentDataTag() == QByteArray("typed through")) {
      QCOMPARE(edit.selectedText(), QString("12"));  // the month group again
    }
  }

  void numEditFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digits and points") << "12.5.0"
                                       << "12.5.0" << 0;
    QTest::newRow("no minus, no letters, no blank") << "-1e 2,x"
                                                    << "12" << 5;
    QTest::newRow("plus sign") << "+7"
                               << "7" << 1;
  }
  void numEditFilter() {
    QFETCH(QString, typed);
    CNumEdit edit;
    QSignalSpy beeps(&edit, &QLineEdit::inputRejected);
    QTest::keyClicks(&edit, typed);
    QTest::keyClick(&edit, Qt::Key_Backspace);  // control keys keep their use
    QFETCH(QString, text);
    QCOMPARE(edit.text(), text.chopped(1));
    QTEST(int(beeps.count()), "beeps");
  }

  // Stepping through the grid's rows (row 0 the newest): the buttons move the row
  // and drop what was typed; each end disables the buttons that lead past it.
  void editDialogStepping_data() {
    QTest::addColumn<int>("quotes");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("newRow");
    QTest::addColumn<QString>("enabled");  // Previous, Next, First, Last
    QTest::newRow("one quote") << 1 << 0 << "" << 0 << "----";
    QTest::newRow("newest") << 5 << 0 << "" << 0 << "P-F-";
    QTest::newRow("oldest") << 5 << 4 << "" << 4 << "-N-L";
    QTest::newRow("previous") << 5 << 2 << "Previous" << 3 << "PNFL";
    QTest::newRow("previous to the oldest") << 5 << 3 << "Previous" << 4 << "-N-L";
    QTest::newRow("next to the newest") << 5 << 1 << "Next" << 0 << "P-F-";
    QTest::newRow("first") << 5 << 1 << "First" << 4 << "-N-L";
    QTest::newRow("last") << 5 << 3 << "Last" << 0 << "P-F-";
  }
  void editDialogStepping() {
    QFETCH(int, quotes);
    QFETCH(int, row);
    QFETCH(QString, button);
    QuoteGridModel grid;
    grid.SetQuotes(Quotes(quotes));
    int quoteSel = row;
    CEditQuoteDlg dlg(nullptr, &grid, quoteSel, quotes, {true, true, true, true, true, true});
    QTest::keyClicks(dlg.m_edtValues[0], "9");
    for (QPushButton* b : {dlg.m_btnPrevious, dlg.m_btnNext, dlg.m_btnFirst, dlg.m_btnLast}) {
      if (b->text() == button) QTest::mouseClick(b, Qt::LeftButton);
    }
    QTEST(quoteSel, "newRow");
    const auto texts = QuoteGridTexts(grid.QuoteAt(quoteSel));
    QCOMPARE(dlg.m_strDate->text(), Q(texts[0]));
    if (!button.isEmpty()) QCOMPARE(dlg.m_edtValues[0]->text(), Q(texts[1]));
    QString enabled;
    for (auto [b, c] : {std::pair{dlg.m_btnPrevious, 'P'},
                        {dlg.m_btnNext, 'N'},
                        {dlg.m_btnFirst, 'F'},
                        {dlg.m_btnLast, 'L'}}) {
      enabled += b->isEnabled() ? c : '-';
    }
    QTEST(enabled, "enabled");
  }

  // Quotes > Edit on the second newest quote: a refused value keeps the dialog
  // open and writes nothing; the value typed then replaces the quote's Open.
  void editCommand() {
    CQuilletView* view = StartOnPortfolio();
    QVERIFY(view);
    view->m_lstQuotes->selectRow(1);
    const auto before = Dat();
    ModalAnswers answers({[](QWidget* d) {
      auto* dlg = qobject_cast<CEditQuoteDlg*>(d);
      Retype(dlg->m_edtValues[0], "");
      QTest::mouseClick(Ok(dlg), Qt::LeftButton);
      QVERIFY(dlg->isVisible());
      Retype(dlg->m_edtValues[0], "12.5");
      QTest::mouseClick(Ok(dlg), Qt::LeftButton);
    }});
    CQuilletApp::instance()->frame()->action(ID_QUOTES_EDIT)->trigger();
    QVERIFY(answers.done());
    QCOMPARE(answers.messages, QStringList{"Invalid Data Entered"});
    QVERIFY(Dat() != before);
    m_rows[3][1] = 12.5f;
    QCOMPARE(Dat(), PortfolioBuilder::DatBytes(28, m_rows));
    QCOMPARE(Setting("Edit", "Open"), QString("12.5"));
    QCOMPARE(Setting("Edit", "Date"), Q(FormatDate(DayFromDateField(m_rows[3][0]))));
    QCOMPARE(view->m_nQuoteSel, 0);
  }
};

int main(int argc, char** argv) {
  CQuilletApp app(argc, argv);
  QuoteDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "quote_dialogs_test.moc"
