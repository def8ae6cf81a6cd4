#include "gui_harness.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "gui/app/main_frame.h"
#include "gui/app/quillet_app.h"
#include "gui/view/quillet_view.h"

namespace quillet::testing {

ModalAnswers::ModalAnswers(std::vector<Answer> answers, bool dialogTexts)
    : m_answers(std::move(answers)) {
  QObject::connect(&m_timer, &QTimer::timeout, [this, dialogTexts] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || m_seen.contains(w)) return;
    m_seen.append(w);
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      texts << box->text();
    } else if (auto* label = w->findChild<QLabel*>(); dialogTexts && label) {
      texts << w->windowTitle() + ": " + label->text();
    }
    Answer answer = Accept;
    if (!m_answers.empty()) {
      answer = m_answers.front();
      m_answers.erase(m_answers.begin());
    }
    QTimer::singleShot(0, w, [this, w, answer] {
      QPointer<QWidget> dialog(w);
      answer(w);
      if (dialog && dialog->isVisible()) {
        texts << "(left open)";
        Reject(w);
      }
    });
  });
  m_timer.start(10);
}

void ModalAnswers::Accept(QWidget* w) {
  qobject_cast<QDialog*>(w)->accept();
}

void ModalAnswers::Reject(QWidget* w) {
  qobject_cast<QDialog*>(w)->reject();
}

ModalAnswers::Answer ModalAnswers::Press(QMessageBox::StandardButton button) {
  return [button](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(button)->click(); };
}

QString FreshSettings(const QTemporaryDir& dir, const std::filesystem::path& root,
                      const QByteArray& extra) {
  QFile ini(dir.filePath("Quillet.INI"));
  if (!ini.open(QIODevice::WriteOnly)) return {};
  ini.write("[Search]\nLimit=1\nName=" + QByteArray::fromStdString(root.string()) + "\n" + extra);
  return dir.filePath("settings.ini");
}

CQuilletView* StartWindow(const QString& settingsFile) {
  auto* app = CQuilletApp::instance();
  app->InitInstance(settingsFile);
  CQuilletView* view = app->frame()->view();
  if (!QTest::qWaitFor([view] { return view->m_bSetupDone; }, 10000)) return nullptr;
  return view;
}

QStringList ListLines(const QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

}  // namespace quillet::testing
