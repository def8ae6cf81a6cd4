#include "gui/dialogs/about_dlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace quillet {

namespace {

QString FromView(std::string_view sv) {
  return QString::fromUtf8(sv.data(), static_cast<qsizetype>(sv.size()));
}

// Widths follow the dialog's layout in dialog units (a quarter of the average character).
int DluX(const QWidget* pWidget, int nUnits) {
  return nUnits * pWidget->fontMetrics().averageCharWidth() / 4;
}

QLabel* CentredText(const QString& strText, QWidget* pParent) {
  auto* pLabel = new QLabel(strText, pParent);
  pLabel->setAlignment(Qt::AlignCenter);
  pLabel->setWordWrap(true);
  pLabel->setAccessibleName(QString(strText).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  return pLabel;
}

QGroupBox* Group(const QString& strTitle, QLabel* pText, QWidget* pParent) {
  auto* pGroup = new QGroupBox(strTitle, pParent);
  pGroup->setAccessibleName(strTitle);
  pGroup->setFixedWidth(DluX(pGroup, 128));
  auto* pLayout = new QVBoxLayout(pGroup);
  pLayout->addWidget(pText);
  return pGroup;
}

}  // namespace

QPixmap QuilletIconPixmap(int nSize) {
  QPixmap pixmap(nSize, nSize);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/quillet/quillet.svg"));
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QIcon QuilletAppIcon() {
  QIcon icon;
  for (int nSize : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QuilletIconPixmap(nSize));
  return icon;
}

CAboutDlg::CAboutDlg(int& nMailLinkVisited, int& nWebLinkVisited, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      m_linkMail(FromView(kAuthorMail), this),
      m_linkWeb(FromView(kAuthorWeb), this) {
  setWindowTitle(QStringLiteral("About Quillet"));
  setObjectName(QStringLiteral("CAboutDlg"));

  m_linkMail.setObjectName(QStringLiteral("m_linkMail"));
  m_linkWeb.setObjectName(QStringLiteral("m_linkWeb"));
  m_linkMail.SetVisitedFlag(&nMailLinkVisited);
  m_linkWeb.SetVisitedFlag(&nWebLinkVisited);
  for (CStaticLink* pLink : {&m_linkMail, &m_linkWeb}) {
    pLink->setAlignment(Qt::AlignCenter);
    pLink->setAccessibleName(pLink->text());
  }
  m_linkMail.setAccessibleDescription(QStringLiteral("Write to the author"));
  m_linkWeb.setAccessibleDescription(QStringLiteral("Open the web page"));

  QLabel* pDoes = CentredText(QStringLiteral("Edits data in MetaStock or CompuTrac format"), this);
  QLabel* pLegal = CentredText(
      QStringLiteral("This program is protected by copyright law and international treaties."
                     "\n\nMetaStock is a\nregistered trademark of\nEQUIS International Inc.   "
                     "CompuTrac is a\nregistered trademark of\nDow Jones Telerate"),
      this);

  auto* pIcon = new QLabel(this);
  pIcon->setPixmap(QuilletIconPixmap(32));
  pIcon->setAlignment(Qt::AlignCenter);
  pIcon->setAccessibleName(QStringLiteral("Quillet icon"));

  auto* pOk = new QPushButton(QStringLiteral("OK"), this);
  pOk->setDefault(true);
  pOk->setAccessibleName(QStringLiteral("OK"));
  connect(pOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* pLeft = new QVBoxLayout;
  pLeft->addWidget(Group(QStringLiteral("What Quillet Does"), pDoes, this));
  pLeft->addWidget(Group(QStringLiteral("Legal Stuff"), pLegal, this), 1);

  auto* pRight = new QVBoxLayout;
  pRight->addWidget(CentredText(QStringLiteral("Quillet Version 4.1"), this));
  pRight->addSpacing(20);
  pRight->addWidget(CentredText(QStringLiteral("A 32 bit application"), this));
  pRight->addStretch(1);
  pRight->addWidget(&m_linkMail);
  pRight->addWidget(&m_linkWeb);
  pRight->addSpacing(8);
  pRight->addWidget(pIcon);
  pRight->addSpacing(8);
  pRight->addWidget(pOk, 0, Qt::AlignHCenter);

  auto* pLayout = new QHBoxLayout(this);
  pLayout->addLayout(pLeft);
  pLayout->addSpacing(DluX(this, 8));
  pLayout->addLayout(pRight);
  m_linkWeb.setMinimumWidth(DluX(this, 115));
  pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quillet
