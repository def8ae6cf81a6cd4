#include <QImage>
#include <QPushButton>
#include <QStringList>
#include <QtTest>

#include "gui/dialogs/about_dlg.h"

namespace quillet {
namespace {

// Stands in for the desktop: records every target and answers as told.
class FakeShell final : public LinkShell {
 public:
  FakeShell() : m_pOld(LinkShell::Install(this)) {}
  ~FakeShell() override { LinkShell::Install(m_pOld); }
  bool Open(const QString& strTarget) override {
    m_lstOpened.append(strTarget);
    return m_bSucceed;
  }
  void Beep() override { ++m_nBeeps; }

  bool m_bSucceed = true;
  QStringList m_lstOpened;
  int m_nBeeps = 0;

 private:
  LinkShell* m_pOld;
};

const QColor kBlue(0, 0, 255);
const QColor kPurple(128, 0, 128);

// Counts the pixels of one colour in the link's area of a rendering of the whole dialog.
int PixelsOf(const QImage& image, const QWidget& link, const QColor& cr) {
  const QRect area(link.mapTo(link.window(), QPoint(0, 0)), link.size());
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == cr;
  return n;
}

}  // namespace

class AboutDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void visitedFlagOutlivesTheBox_data() {
    QTest::addColumn<bool>("bClickWeb");
    QTest::addColumn<QString>("strOpened");
    QTest::newRow("web") << true << QString::fromUtf8(kAuthorWeb.data(), kAuthorWeb.size());
    QTest::newRow("mail") << false
                          << "mailto:" + QString::fromUtf8(kAuthorMail.data(), kAuthorMail.size());
  }

  // The application object owns the flags: a second About box shows the followed link purple
  // and the other one blue, in the rendered pixels as well as in the chosen colour.
  void visitedFlagOutlivesTheBox() {
    QFETCH(bool, bClickWeb);
    QFETCH(QString, strOpened);
    FakeShell shell;
    int nMail = 0;
    int nWeb = 0;
    {
      CAboutDlg dlg(nMail, nWeb);
      dlg.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dlg));
      QCOMPARE(dlg.m_linkMail.TextColor(), kBlue);
      QCOMPARE(dlg.m_linkWeb.TextColor(), kBlue);
      QVERIFY(dlg.m_linkWeb.font().underline());
      CStaticLink& link = bClickWeb ? dlg.m_linkWeb : dlg.m_linkMail;
      QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
      link.Follow();  // the mail prefix stands once
      QCOMPARE(shell.m_lstOpened, QStringList(2, strOpened));
    }
    QCOMPARE(nWeb, bClickWeb ? 1 : 0);
    QCOMPARE(nMail, bClickWeb ? 0 : 1);

    CAboutDlg again(nMail, nWeb);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    CStaticLink& visited = bClickWeb ? again.m_linkWeb : again.m_linkMail;
    CStaticLink& fresh = bClickWeb ? again.m_linkMail : again.m_linkWeb;
    const QImage image = again.grab().toImage();
    QVERIFY(PixelsOf(image, visited, kPurple) > 20);
    QCOMPARE(PixelsOf(image, visited, kBlue), 0);
    QVERIFY(PixelsOf(image, fresh, kBlue) > 20);
    QCOMPARE(PixelsOf(image, fresh, kPurple), 0);

    // The screenshot for the documentation, when asked for.
    const QString strShotDir = qEnvironmentVariable("QUILLET_SHOT_DIR");
    if (!strShotDir.isEmpty() && bClickWeb) QVERIFY(image.save(strShotDir + "/about.png"));
  }

  // A target the desktop cannot open beeps and leaves the link unvisited; a later success
  // still marks it.
  void failedOpenBeepsAndStaysBlue() {
    FakeShell shell;
    shell.m_bSucceed = false;
    int nVisited = 0;
    CStaticLink link(QStringLiteral("/no/such/file.txt"));
    link.SetVisitedFlag(&nVisited);
    link.Follow();
    QCOMPARE(shell.m_nBeeps, 1);
    QCOMPARE(nVisited, 0);
    QCOMPARE(link.TextColor(), kBlue);
    shell.m_bSucceed = true;
    link.Follow();
    QCOMPARE(shell.m_nBeeps, 1);
    QCOMPARE(nVisited, 1);
    QCOMPARE(link.TextColor(), kPurple);
    QCOMPARE(shell.m_lstOpened, QStringList(2, QStringLiteral("/no/such/file.txt")));

    link.setPixmap(QuilletIconPixmap(16));  // an image keeps its default colouring
    QCOMPARE(link.TextColor(), link.palette().color(QPalette::WindowText));
  }

  void hoverIgnoredDuringClickPause() {
    FakeShell shell;
    int nVisited = 0;
    QWidget window;
    auto* pLink = new CStaticLink(QStringLiteral("https://example.org/"), &window);
    pLink->SetVisitedFlag(&nVisited);
    pLink->setGeometry(10, 10, 150, 20);
    window.resize(200, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint inside = pLink->rect().center();
    QTest::mouseMove(pLink, inside);
    QVERIFY(pLink->IsCaptured());
    QCOMPARE(pLink->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&window, QPoint(190, 50));
    QTRY_VERIFY(!pLink->IsCaptured());
    QCOMPARE(pLink->cursor().shape(), Qt::ArrowCursor);

    QTest::mouseClick(pLink, Qt::LeftButton, {}, inside);
    QCOMPARE(nVisited, 1);
    QVERIFY(pLink->IsClickPending());
    QTest::mouseMove(pLink, inside + QPoint(3, 0));
    QVERIFY(!pLink->IsCaptured());
    QCOMPARE(pLink->cursor().shape(), Qt::ArrowCursor);

    QTRY_VERIFY_WITH_TIMEOUT(!pLink->IsClickPending(), 3000);
    QTest::mouseMove(pLink, inside);
    QVERIFY(pLink->IsCaptured());
  }

  void everyControlIsNamed() {
    int nMail = 0;
    int nWeb = 0;
    CAboutDlg dlg(nMail, nWeb);
    for (QWidget* pWidget : dlg.findChildren<QWidget*>()) {
      QVERIFY2(!pWidget->accessibleName().isEmpty(),
               qPrintable(pWidget->metaObject()->className()));
    }
    auto* pOk = dlg.findChild<QPushButton*>();
    QVERIFY(pOk->isDefault());
    QTest::mouseClick(pOk, Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
  }

  // The real desktop opener must not report a missing file as opened.
  void desktopRefusesMissingFile() {
    QVERIFY(!LinkShell::Current().Open(QStringLiteral("/nonexistent-quillet-dir/readme.txt")));
  }
};

}  // namespace quillet

QTEST_MAIN(quillet::AboutDlgTest)
#include "about_dlg_test.moc"
