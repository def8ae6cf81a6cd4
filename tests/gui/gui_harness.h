// What the window tests share: answering modal windows as they appear, and the
// window started on a test tree with the settings of a first start.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QMessageBox>

namespace quillet {
class CQuilletView;
}
class QListWidget;

namespace quillet::testing {

// Answers the modal windows in order as they appear: each answer works the
// window's controls and closes it; with none queued the window is accepted. A
// window its answer left open was refused where it should not be: that is
// recorded as "(left open)" and the window rejected. Keeps the texts of message
// boxes and, when asked, the title and first label of other dialogs.
class ModalAnswers {
 public:
  using Answer = std::function<void(QWidget*)>;
  explicit ModalAnswers(std::vector<Answer> answers = {}, bool dialogTexts = false);
  bool done() const { return m_answers.empty(); }
  static void Accept(QWidget* w);
  static void Reject(QWidget* w);
  static Answer Press(QMessageBox::StandardButton button);
  QStringList texts;

 private:
  std::vector<Answer> m_answers;
  QTimer m_timer;
  QList<QPointer<QWidget>> m_seen;
};

// The settings file of a first start in dir, whose imported settings point the
// search filter at root (extra lines appended).
QString FreshSettings(const QTemporaryDir& dir, const std::filesystem::path& root,
                      const QByteArray& extra = {});
// The window started on settingsFile, once its deferred set-up is done.
CQuilletView* StartWindow(const QString& settingsFile);

// The texts of a list's lines, in order.
QStringList ListLines(const QListWidget* list);

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace quillet::testing
