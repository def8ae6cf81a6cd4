// Renders the main window on a Portfolio tree to a PNG (the screenshot in docs/):
//   quillet-screenshot SETTINGS_DIR OUTPUT.png
// SETTINGS_DIR holds the settings file to use (made fresh by the caller).
#include <QDir>
#include <QListWidget>
#include <QTimer>

#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/app/settings_keys.h"
#include "gui/view/quillet_view.h"

int main(int argc, char** argv) {
  quillet::CQuilletApp app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    qWarning("usage: quillet-screenshot SETTINGS_DIR OUTPUT.png");
    return 2;
  }
  app.InitInstance(QDir(args[1]).filePath(quillet::settings::kStoreFileName));
  quillet::CMainFrame* frame = app.frame();
  int result = 1;
  // The set-up runs 100 ms after the first paint; the scan and the loads follow in it.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!frame->view()->m_bSetupDone) return;
    poll.stop();
    // The Portfolio with several symbols shows more of the window than the first one.
    quillet::CQuilletView* view = frame->view();
    if (view->m_lstPortfolios->count() > 1) view->m_lstPortfolios->setCurrentRow(1);
    result = frame->grab().save(args[2]) ? 0 : 1;
    frame->close();
    app.quit();
  });
  poll.start(50);
  app.exec();
  return result;
}
