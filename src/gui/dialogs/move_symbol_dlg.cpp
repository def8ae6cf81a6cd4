#include "gui/dialogs/move_symbol_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/messages/symbols.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

CMoveSymbolDlg::CMoveSymbolDlg(QWidget* parent, TransferMode mode, const QString& portfolio,
                               const QString& symbol, const QString& name, QStringList destinations)
    : QDialog(parent), m_nMode(mode) {
  setWindowTitle(mode == TransferMode::Move ? messages::kMoveSymbolCaption
                                            : messages::kCopySymbolCaption);
  auto* facts = new QGridLayout;
  int row = 0;
  for (const auto& [caption, text] :
       {std::pair{messages::kYouHaveChosenSymbol, symbol}, std::pair{messages::kWithName, name},
        std::pair{messages::kPresentlyInPortfolio, portfolio}}) {
    auto* value = new QLabel(text);
    value->setTextFormat(Qt::PlainText);
    facts->addWidget(dlg::LabelFor(caption, value), row, 0);
    facts->addWidget(value, row++, 1);
  }
  facts->setColumnStretch(1, 1);

  m_lstDestinations = new QListWidget;
  m_lstDestinations->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_lstDestinations->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Byte order, as the Portfolio list is sorted.
  std::sort(destinations.begin(), destinations.end(),
            [](const QString& a, const QString& b) { return a.toStdString() < b.toStdString(); });
  m_lstDestinations->addItems(destinations);
  if (m_lstDestinations->count() > 0) m_lstDestinations->setCurrentRow(0);
  connect(m_lstDestinations, &QListWidget::itemDoubleClicked, this, &CMoveSymbolDlg::accept);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMoveSymbolDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addWidget(dlg::LabelFor(messages::kSelectDestination, m_lstDestinations));
  layout->addWidget(m_lstDestinations, 1);
  layout->addWidget(buttons);
  setMinimumSize(dlg::DluX(this, 220), dlg::DluY(this, 150));
}

void CMoveSymbolDlg::accept() {
  const QList<QListWidgetItem*> chosen = m_lstDestinations->selectedItems();
  if (!chosen.isEmpty()) m_strDestination = chosen.front()->text();
  QDialog::accept();
}

void OnSymbolMoveCopy(CQuilletView& view, TransferMode mode) {
  const std::vector<SymbolRow>& rows = view.m_symbolModel->rows();
  const int r = view.m_nSymbolSel;
  if (r < 0 || r >= static_cast<int>(rows.size())) return;
  const SymbolRow row = rows[static_cast<size_t>(r)];
  QStringList destinations;
  const int current = view.m_lstPortfolios->currentRow();
  for (int i = 0; i < view.m_lstPortfolios->count(); ++i) {
    if (i != current) destinations << view.m_lstPortfolios->item(i)->text();
  }
  CMoveSymbolDlg dlg(view.window(), mode, QString::fromStdString(view.m_szPortfolioPath),
                     QString::fromLatin1(row.symbol), QString::fromLatin1(row.name), destinations);
  if (dlg.exec() != QDialog::Accepted || dlg.m_strDestination.isEmpty()) return;
  const TransferResult done =
      TransferSymbol(view.m_szLibDir, row.symbol, dlg.m_strDestination.toStdString(), mode);
  if (!done.ok()) {
    dlg::ShowMessage(view.window(), done.message);
    return;
  }
  if (mode == TransferMode::Move) view.FillSymbolList(0);
}

}  // namespace quillet
