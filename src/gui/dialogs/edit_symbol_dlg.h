#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace quillet {

class CQuilletView;

// "Edit Symbol": the symbol and the issue name of the selected security, at most
// 16 characters each, letter case as typed and nothing trimmed. OK with an empty
// symbol keeps the dialog open.
class CEditSymbolDlg : public QDialog {
  Q_OBJECT
 public:
  enum { IDD = 113 };
  CEditSymbolDlg(QWidget* parent, const QString& symbol, const QString& name);
  QString symbol() const;
  QString name() const;
  void accept() override;

  QLineEdit* m_edtName;
  QLineEdit* m_edtSymbol;
};

// Symbol > Edit: renames the selected security in MASTER; the list row and the
// view's copies of the symbol and name show the new texts at once.
void OnSymbolEdit(CQuilletView& view);

}  // namespace quillet
