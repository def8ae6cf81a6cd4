#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "core/symbols/symbol_move.h"

class QListWidget;

namespace quillet {

class CQuilletView;

// "Move Symbol" / "Copy Symbol": the chosen security, the Portfolio it is in, and
// the other Portfolios sorted, the first one selected. OK takes the selected one
// as the destination (empty when the list is empty).
class CMoveSymbolDlg : public QDialog {
  Q_OBJECT
 public:
  enum { IDD = 115 };
  CMoveSymbolDlg(QWidget* parent, TransferMode mode, const QString& portfolio,
                 const QString& symbol, const QString& name, QStringList destinations);
  void accept() override;

  QString m_strDestination;
  TransferMode m_nMode;
  QListWidget* m_lstDestinations;
};

// Symbol > Move and Symbol > Copy: the core adds the selected security to the
// chosen Portfolio (and takes it out of this one for a move), with its messages.
// A move reads the symbol list again; a copy leaves the window as it is.
void OnSymbolMoveCopy(CQuilletView& view, TransferMode mode);

}  // namespace quillet
