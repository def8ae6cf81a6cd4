#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>

#include "gui/dialogs/static_link.h"

namespace quillet {

// The application icon drawn from its scalable image, crisp at any size.
QPixmap QuilletIconPixmap(int nSize);
QIcon QuilletAppIcon();

// "About Quillet": the version, what the program does, the legal notice and two links. The
// links' visited flags belong to the caller (the application object), so a followed link stays
// purple in every later About box of the same run.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  enum { IDD = 100 };

  CAboutDlg(int& nMailLinkVisited, int& nWebLinkVisited, QWidget* pParent = nullptr);

  CStaticLink m_linkMail;
  CStaticLink m_linkWeb;
};

}  // namespace quillet
