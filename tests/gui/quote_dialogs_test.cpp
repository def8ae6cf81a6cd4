// The quote dialogs through their real widgets: the entry fields' key rules, the
// edit dialog's stepping, the refusals that keep a dialog open, and each command
// carried out on a test Portfolio through the window, down to the bytes of its files.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <functional>

#include "core/edit/weekday.h"
#include "core/lib/quote_text.h"
#include "gui/app/command_ids.h"
#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/dialogs/adjust_dlg.h"
#include "gui/dialogs/date_edit.h"
#include "gui/dialogs/delete_quote_dlg.h"
#include "gui/dialogs/edit_quote_dlg.h"
#include "gui/dialogs/export_dlg.h"
#include "gui/dialogs/num_edit.h"
#include "gui/dialogs/quote_facts_dlg.h"
#include "gui/dialogs/split_dlg.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"
#include "gui_harness.h"
#include "support/portfolio_builder.h"

using namespace quillet;
using quillet::testing::DailyRows;
using quillet::testing::DatRow;
using quillet::testing::ModalAnswers;
using quillet::testing::PortfolioBuilder;
using quillet::testing::Q;
using quillet::testing::ReadBytes;
using quillet::testing::TempDir;

namespace {

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

using Answers = std::vector<ModalAnswers::Answer>;
using RowsChange = std::function<void(std::vector<DatRow>&)>;

// Works a dialog of type D, then clicks its OK.
template <typename D>
ModalAnswers::Answer Fill(std::function<void(D*)> work) {
  return [work](QWidget* w) {
    auto* d = qobject_cast<D*>(w);
    QVERIFY(d);
    work(d);
    QTest::mouseClick(Ok(d), Qt::LeftButton);
  };
}

// Clicks OK on a dialog that must stay open (its refusal answered before), then Cancel.
ModalAnswers::Answer RefusedThenCancel(std::function<void(QDialog*)> work) {
  return [work](QWidget* w) {
    auto* d = qobject_cast<QDialog*>(w);
    work(d);
    QTest::mouseClick(Ok(d), Qt::LeftButton);
    QVERIFY(d->isVisible());
    d->reject();
  };
}

// The prices of a row times p, volume and open interest times v.
void Scale(DatRow& row, float p, float v) {
  for (size_t f = 1; f <= 4; ++f) row[f] *= p;
  row[5] *= v;
  row[6] *= v;
}

}  // namespace

Q_DECLARE_METATYPE(Answers)
Q_DECLARE_METATYPE(RowsChange)

class QuoteDialogsTest : public QObject {
  Q_OBJECT

  // One Portfolio with IBM's five daily quotes, a weekday missing before the
  // newest; settings whose filter points at it.
  CQuilletView* StartOnPortfolio() {
    m_tree = std::make_unique<TempDir>();
    m_rows = DailyRows(10000, 6);
    m_rows.erase(m_rows.begin() + 4);
    PortfolioBuilder(m_tree->root()).AddSeries(1, "IBM", "INTL BUSINESS", m_rows).WriteMaster();
    m_settingsDir = std::make_unique<QTemporaryDir>();
    CQuilletView* view =
        testing::StartWindow(testing::FreshSettings(*m_settingsDir, m_tree->root()));
    if (!view) return nullptr;
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

  // Each command through the window on a selected grid row (row 0 the newest,
  // file index 4): the dialogs worked with key clicks, refusals answered and the
  // dialog left open, then the files compared byte for byte with the rows the
  // change must give, the MASTER dates with them, and the settings recorded.
  void commands_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("row");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<RowsChange>("change");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("settings");  // Section/Key=text
    const auto none = RowsChange([](auto&) {});
    const QString day3 = "05/20/88", day4 = "05/23/88", day5 = "05/25/88";

    QTest::newRow("edit: empty box refused, then Open replaced")
        << int(ID_QUOTES_EDIT) << 1 << Answers{[](QWidget* w) {
             auto* d = qobject_cast<CEditQuoteDlg*>(w);
             Retype(d->m_edtValues[0], "");
             QTest::mouseClick(Ok(d), Qt::LeftButton);
             QVERIFY(d->isVisible());
             Retype(d->m_edtValues[0], "12.5");
             QTest::mouseClick(Ok(d), Qt::LeftButton);
           }}
        << RowsChange([](auto& rows) { rows[3][1] = 12.5f; }) << QStringList{"Invalid Data Entered"}
        << QStringList{"Edit/Date=" + day4, "Edit/Open=12.5", "Edit/Vol=1003"};
    QTest::newRow("split 2 for 1 before the second newest")
        << int(ID_QUOTES_SPLIT) << 1
        << Answers{Fill<CSplitDlg>([](CSplitDlg* d) { Retype(d->m_edtNew, "2"); })}
        << RowsChange([](auto& rows) {
             for (size_t i = 0; i < 3; ++i) Scale(rows[i], 0.5f, 2.0f);
           })
        << QStringList{} << QStringList{"Split/Date=" + day4, "Split/New=2", "Split/Old=1"};
    QTest::newRow("split: zero old shares refused")
        << int(ID_QUOTES_SPLIT) << 0
        << Answers{RefusedThenCancel([](QDialog* w) {
                     auto* d = qobject_cast<CSplitDlg*>(w);
                     Retype(d->m_edtOld, "0");
                   }),
                   ModalAnswers::Press(QMessageBox::Ok)}
        << none << QStringList{"Invalid Data Entered"} << QStringList{"Split/Date=(none)"};
    QTest::newRow("split: date typed past the newest refused")
        << int(ID_QUOTES_SPLIT) << 0 << Answers{RefusedThenCancel([](QDialog* w) {
             QTest::keyClicks(qobject_cast<CSplitDlg*>(w)->m_edtDate, "123199");
           })}
        << none << QStringList{"Invalid Data Entered"} << QStringList{"Split/Date=(none)"};
    QTest::newRow("adjust the days typed, prices times 2, volume times 3")
        << int(ID_QUOTES_ADJUST) << 0 << Answers{Fill<CAdjustDlg>([](CAdjustDlg* d) {
             // Each box whole, as Tab leaves it.
             for (auto [box, date] : {std::pair{d->m_edtFrom, "051988"}, {d->m_edtTo, "052388"}}) {
               box->selectAll();
               QTest::keyClicks(box, date);
             }
             Retype(d->m_edtPrice, "2");
             Retype(d->m_edtVolume, "3");
           })}
        << RowsChange([](auto& rows) {
             for (size_t i = 1; i <= 3; ++i) Scale(rows[i], 2.0f, 1.0f);
             for (size_t i = 1; i <= 3; ++i) rows[i][5] *= 3.0f;
           })
        << QStringList{}
        << QStringList{"Adjust/Date1=05/19/88", "Adjust/Date2=" + day4, "Adjust/PriceMult=2",
                       "Adjust/VolMult=3", "Adjust/OIMult=1"};
    QTest::newRow("adjust: an open interest that is no number refused")
        << int(ID_QUOTES_ADJUST) << 0 << Answers{RefusedThenCancel([](QDialog* w) {
             Retype(qobject_cast<CAdjustDlg*>(w)->m_edtOI, "x");
           })}
        << none << QStringList{"Invalid Data Entered"} << QStringList{"Adjust/Date1=(none)"};
    QTest::newRow("delete the newest: No keeps the dialog, Yes deletes")
        << int(ID_QUOTES_DELETE) << 0
        << Answers{[](QWidget* w) {
                     auto* d = qobject_cast<CDeleteQuoteDlg*>(w);
                     QTest::mouseClick(Ok(d), Qt::LeftButton);
                     QVERIFY(d->isVisible());
                     QTest::mouseClick(Ok(d), Qt::LeftButton);
                   },
                   ModalAnswers::Press(QMessageBox::No), ModalAnswers::Press(QMessageBox::Yes)}
        << RowsChange([](auto& rows) { rows.pop_back(); })
        << QStringList{"You are about to delete the data for date\n" + day5 + "\nAre you sure?",
                       "You are about to delete the data for date\n" + day5 + "\nAre you sure?"}
        << QStringList{"Delete/Date=" + day5};
    QTest::newRow("add the missing weekday, then edit it")
        << int(ID_QUOTES_ADD) << 0
        << Answers{[](QWidget* w) { qobject_cast<CAddQuoteDlg*>(w)->accept(); },
                   Fill<CEditQuoteDlg>([](CEditQuoteDlg* d) {
                     QCOMPARE(d->m_strDate->text(), QString("05/24/88"));
                     Retype(d->m_edtValues[0], "7");
                   })}
        << RowsChange([](auto& rows) {
             DatRow copy = rows[4];
             copy[0] = DateValueFromDay(DayFromDateField(copy[0]) - 1);
             copy[1] = 7.0f;
             rows.insert(rows.begin() + 4, copy);
           })
        << QStringList{} << QStringList{"Add/Date=05/24/88", "Edit/Open=7"};
    QTest::newRow("add: the weekday before has a quote")
        << int(ID_QUOTES_ADD) << 1 << Answers{} << none
        << QStringList{"Date " + day3 + " already exists."} << QStringList{"Add/Date=(none)"};
    QTest::newRow("facts of the highlighted symbol")
        << int(ID_SYMBOL_ABOUT) << 0 << Answers{[](QWidget* w) {
             auto* d = qobject_cast<CQuoteFactsDlg*>(w);
             QCOMPARE(d->Text("Symbol").trimmed(), QString("IBM"));
             QCOMPARE(d->Text("Number of quotes") + " " + d->Text("First date in file*") + " " +
                          d->Text("Close Input"),
                      QString("5  880518 Whole Num."));
             d->accept();
           }}
        << none << QStringList{} << QStringList{};
  }
  void commands() {
    QFETCH(int, command);
    QFETCH(int, row);
    QFETCH(Answers, answers);
    QFETCH(RowsChange, change);
    CQuilletView* view = StartOnPortfolio();
    QVERIFY(view);
    view->m_lstQuotes->selectRow(row);
    ModalAnswers modal(answers);
    CQuilletApp::instance()->frame()->action(command)->trigger();
    QVERIFY(modal.done());
    QTEST(modal.texts, "messages");
    change(m_rows);
    QCOMPARE(Dat(), PortfolioBuilder::DatBytes(28, m_rows));
    PortfolioBuilder expected(m_tree->root());
    expected.AddSeries(1, "IBM", "INTL BUSINESS", m_rows);
    QCOMPARE(ReadBytes(m_tree->root() / "MASTER"), expected.MasterBytes());
    QFETCH(QStringList, settings);
    for (const QString& s : settings) {
      const QStringList parts = s.split(QRegularExpression("[/=]"));
      QCOMPARE(parts[0] + "/" + parts[1] + "=" +
                   Setting(parts[0].toLatin1().constData(), parts[1].toLatin1().constData()),
               s);
    }
  }

  // Export: the dialog's choices reach the file and the settings; a No to the
  // replace question leaves both as they were.
  void exportCommand() {
    CQuilletView* view = StartOnPortfolio();
    QVERIFY(view);
    const QString out = Q((m_tree->root() / "out.txt").string());
    const auto choose = Fill<CExportDlg>([out](CExportDlg* d) {
      Retype(d->m_edtPath, out);
      d->m_delimiter->button(1)->click();
      QTest::mouseClick(d->m_use[1], Qt::LeftButton);  // High off
      QTest::mouseClick(d->m_title, Qt::LeftButton);
    });
    {
      ModalAnswers modal({choose});
      CQuilletApp::instance()->frame()->action(ID_QUOTES_EXPORT)->trigger();
      QVERIFY(modal.done());
    }
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    QVERIFY(text.startsWith("DATE\tOPEN\tLOW\tCLOSE\tVOL\tOI\r\n05/18/88\t10.0000\t9.5000\t"));
    QCOMPARE(text.count("\r\n"), 6);
    QCOMPARE(Setting("XportSel", "Starter"), out);
    QCOMPARE(Setting("XportSel", "Delim") + Setting("XportSel", "UseHigh") +
                 Setting("XportSel", "Title") + Setting("XportSel", "Newest"),
             QString("1010"));

    ModalAnswers modal(
        {Fill<CExportDlg>([](CExportDlg* d) { QTest::mouseClick(d->m_title, Qt::LeftButton); }),
         ModalAnswers::Press(QMessageBox::No)});
    CQuilletApp::instance()->frame()->action(ID_QUOTES_EXPORT)->trigger();
    QVERIFY(modal.done());
    QCOMPARE(modal.texts.size(), 1);
    QVERIFY(modal.texts[0].endsWith("This file already exists\n\nReplace existing file?"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), text);
    QCOMPARE(Setting("XportSel", "Title"), QString("1"));
  }
};

int main(int argc, char** argv) {
  CQuilletApp app(argc, argv);
  QuoteDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "quote_dialogs_test.moc"
