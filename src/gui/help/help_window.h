#pragma once

#include <QWidget>

class QTextBrowser;

namespace quillet {

// The help: the bundled HTML topics in one browser window, reused for every topic.
class CHelpWindow : public QWidget {
  Q_OBJECT
 public:
  // Shows topic ("index", "fix_master", ...), making the window when needed.
  static CHelpWindow* Show(QWidget* owner, const QString& topic);
  static CHelpWindow* Current();
  static void CloseAll();
  QTextBrowser* browser() const { return m_browser; }

 private:
  explicit CHelpWindow(QWidget* owner);
  QTextBrowser* m_browser;
};

}  // namespace quillet
