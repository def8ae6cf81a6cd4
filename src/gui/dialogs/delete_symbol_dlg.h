#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

namespace quillet {

class CQuilletView;

// "Delete Symbol": the symbol about to go with its quote files, Yes or No; No is
// the default button, so Enter keeps the security. Centred over the main window.
class CDeleteSymbolDlg : public QDialog {
  Q_OBJECT
 public:
  enum { IDD = 117 };
  CDeleteSymbolDlg(QWidget* parent, const QString& symbol);

  QString m_strSymbol;
  QPushButton* m_btnYes;
  QPushButton* m_btnNo;

 protected:
  void showEvent(QShowEvent* event) override;
};

// Symbol > Delete: after the question sound and a Yes, the core removes the
// selected security and its files; the symbol list is then read again.
void OnSymbolDelete(CQuilletView& view);

}  // namespace quillet
