#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <string_view>

namespace quillet {

// The author's address as the About box shows it. A target that holds its local part and the
// at sign is mail and opens with "mailto:" in front.
inline constexpr std::string_view kAuthorMail = "quillet@brindle.example";
inline constexpr std::string_view kAuthorWeb = "https://quillet.example/";

// What a link needs from the desktop. The application uses the real one; tests put a fake in
// its place to follow links without starting a browser.
class LinkShell {
 public:
  virtual ~LinkShell() = default;
  // True when the desktop took the target (a browser, a mail program, a file viewer started).
  virtual bool Open(const QString& strTarget) = 0;
  virtual void Beep() = 0;

  static LinkShell& Current();
  // Returns the shell that was in place, so that a caller can put it back.
  static LinkShell* Install(LinkShell* pShell);
};

// A static text that behaves as a hyperlink: underlined, blue until followed and purple
// afterwards, a pointing hand while the mouse is over it, opened by the desktop when clicked.
// The visited flag lives outside the control so that it outlives the dialog.
class CStaticLink : public QLabel {
  Q_OBJECT

 public:
  // The text is what the link shows and, unless a target is set, what it opens.
  explicit CStaticLink(const QString& strText, QWidget* pParent = nullptr);

  void SetVisitedFlag(int* pnVisited) { m_pnVisited = pnVisited; }
  void SetTarget(const QString& strTarget) { m_strTarget = strTarget; }
  const QString& Target() const { return m_strTarget; }

  bool IsVisited() const { return m_pnVisited != nullptr && *m_pnVisited == 1; }
  bool IsCaptured() const { return m_bCaptured; }
  bool IsClickPending() const { return m_bClickPending; }
  // The colour the text is drawn in now; an image keeps the default colouring.
  QColor TextColor() const;

  // Follows the link as a click does.
  void Follow();

  QColor m_crNormal{0, 0, 255};
  QColor m_crVisited{128, 0, 128};

 protected:
  void paintEvent(QPaintEvent* pEvent) override;
  void mouseMoveEvent(QMouseEvent* pEvent) override;
  void leaveEvent(QEvent* pEvent) override;
  void mousePressEvent(QMouseEvent* pEvent) override;
  void mouseReleaseEvent(QMouseEvent* pEvent) override;
  void timerEvent(QTimerEvent* pEvent) override;

 private:
  bool IsText() const;
  void TrackHover(bool bInside);

  int* m_pnVisited = nullptr;
  bool m_bCaptured = false;
  bool m_bClickPending = false;
  bool m_bPressed = false;
  int m_nClickTimer = 0;
  QString m_strTarget;
};

}  // namespace quillet
