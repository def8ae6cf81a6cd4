#include "gui/dialogs/static_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QUrl>

namespace quillet {

namespace {

class DesktopShell final : public LinkShell {
 public:
  bool Open(const QString& strTarget) override {
    const QUrl url = QUrl::fromUserInput(strTarget, QDir::currentPath());
    if (!url.isValid()) return false;
    // The desktop's opener reports a missing file as started; the shell would have failed.
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
    return QDesktopServices::openUrl(url);
  }
  void Beep() override { QApplication::beep(); }
};

DesktopShell g_desktopShell;
LinkShell* g_pShell = &g_desktopShell;

constexpr int kClickPauseMs = 1000;

QString MailMarker() {
  const std::string_view local = kAuthorMail.substr(0, kAuthorMail.find('@') + 1);
  return QString::fromUtf8(local.data(), static_cast<qsizetype>(local.size()));
}

}  // namespace

LinkShell& LinkShell::Current() {
  return *g_pShell;
}

LinkShell* LinkShell::Install(LinkShell* pShell) {
  LinkShell* pOld = g_pShell;
  g_pShell = pShell != nullptr ? pShell : &g_desktopShell;
  return pOld;
}

CStaticLink::CStaticLink(const QString& strText, QWidget* pParent) : QLabel(strText, pParent) {
  setObjectName(QStringLiteral("CStaticLink"));
  setTextFormat(Qt::PlainText);
  setMouseTracking(true);
  QFont fontUnderline = font();
  fontUnderline.setUnderline(true);
  setFont(fontUnderline);
}

bool CStaticLink::IsText() const {
  return pixmap().isNull() && movie() == nullptr;
}

QColor CStaticLink::TextColor() const {
  if (!IsText()) return palette().color(QPalette::WindowText);
  return IsVisited() ? m_crVisited : m_crNormal;
}

void CStaticLink::paintEvent(QPaintEvent* pEvent) {
  // The flag may have changed in another dialog since the last paint.
  const QColor cr = TextColor();
  if (palette().color(QPalette::WindowText) != cr) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, cr);
    setPalette(pal);
  }
  QLabel::paintEvent(pEvent);
}

void CStaticLink::TrackHover(bool bInside) {
  if (m_bClickPending) return;
  if (!m_bCaptured && bInside) {
    m_bCaptured = true;
    setCursor(Qt::PointingHandCursor);
  } else if (m_bCaptured && !bInside) {
    m_bCaptured = false;
    setCursor(Qt::ArrowCursor);
  }
}

void CStaticLink::mouseMoveEvent(QMouseEvent* pEvent) {
  QLabel::mouseMoveEvent(pEvent);
  TrackHover(rect().contains(pEvent->position().toPoint()));
}

void CStaticLink::leaveEvent(QEvent* pEvent) {
  QLabel::leaveEvent(pEvent);
  TrackHover(false);
}

void CStaticLink::mousePressEvent(QMouseEvent* pEvent) {
  m_bPressed = pEvent->button() == Qt::LeftButton;
  QLabel::mousePressEvent(pEvent);
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* pEvent) {
  QLabel::mouseReleaseEvent(pEvent);
  const bool bClicked = m_bPressed && pEvent->button() == Qt::LeftButton &&
                        rect().contains(pEvent->position().toPoint());
  m_bPressed = false;
  if (bClicked) Follow();
}

void CStaticLink::Follow() {
  if (m_strTarget.isEmpty()) m_strTarget = text();
  if (m_strTarget.contains(MailMarker()) && !m_strTarget.startsWith(QStringLiteral("mailto:")))
    m_strTarget.prepend(QStringLiteral("mailto:"));

  m_bCaptured = false;
  m_bClickPending = true;
  if (m_nClickTimer != 0) killTimer(m_nClickTimer);
  m_nClickTimer = startTimer(kClickPauseMs);

  if (!LinkShell::Current().Open(m_strTarget)) {
    LinkShell::Current().Beep();
    return;
  }
  if (m_pnVisited != nullptr) *m_pnVisited = 1;
  setCursor(Qt::ArrowCursor);
  update();
}

void CStaticLink::timerEvent(QTimerEvent* pEvent) {
  QLabel::timerEvent(pEvent);
  if (pEvent->timerId() != m_nClickTimer) return;
  killTimer(m_nClickTimer);
  m_nClickTimer = 0;
  m_bClickPending = false;
}

}  // namespace quillet
