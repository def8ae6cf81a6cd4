#include "gui/help/help_window.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quillet {

namespace {
QPointer<CHelpWindow> g_help;
}

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setWindowTitle("Quillet Help");
  setAttribute(Qt::WA_DeleteOnClose);
  m_browser = new QTextBrowser;
  m_browser->setAccessibleName("Help topic");
  m_browser->setOpenExternalLinks(true);
  auto* contents = new QPushButton("&Contents");
  auto* back = new QPushButton("&Back");
  connect(contents, &QPushButton::clicked, m_browser, &QTextBrowser::home);
  connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
  connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
  back->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_browser, 1);
  resize(620, 520);
  m_browser->setSource(QUrl("qrc:/help/index.html"));
}

CHelpWindow* CHelpWindow::Show(QWidget* owner, const QString& topic) {
  if (!g_help) g_help = new CHelpWindow(owner);
  g_help->m_browser->setSource(QUrl("qrc:/help/" + topic + ".html"));
  g_help->show();
  g_help->raise();
  g_help->activateWindow();
  return g_help;
}

CHelpWindow* CHelpWindow::Current() {
  return g_help;
}

void CHelpWindow::CloseAll() {
  if (g_help) g_help->close();
}

}  // namespace quillet
