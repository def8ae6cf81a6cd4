#include "gui/dialogs/delete_symbol_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages/symbols.h"
#include "core/symbols/symbol_edit.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

CDeleteSymbolDlg::CDeleteSymbolDlg(QWidget* parent, const QString& symbol)
    : QDialog(parent), m_strSymbol(symbol) {
  setWindowTitle(messages::kDeleteSymbolCaption);
  auto* group = new QGroupBox(messages::kSelectedSymbolToDelete);
  auto* shown = new QLabel(symbol);
  shown->setTextFormat(Qt::PlainText);
  shown->setAlignment(Qt::AlignCenter);
  QString groupName = messages::kSelectedSymbolToDelete;
  groupName.chop(1);
  shown->setAccessibleName(groupName);
  (new QVBoxLayout(group))->addWidget(shown);
  auto* question = new QLabel(messages::kDeleteSymbolQuestion);
  question->setWordWrap(true);
  auto* buttons = new QDialogButtonBox;
  m_btnYes = buttons->addButton(QDialogButtonBox::Yes);
  m_btnNo = buttons->addButton(QDialogButtonBox::No);
  m_btnYes->setAutoDefault(false);
  m_btnNo->setDefault(true);
  m_btnNo->setFocus();
  connect(m_btnYes, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_btnNo, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(question);
  layout->addWidget(buttons);
  setMinimumWidth(dlg::DluX(this, 150));
}

void CDeleteSymbolDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
    move(main->geometry().center() - rect().center());
  }
  m_btnNo->setFocus();
}

void OnSymbolDelete(CQuilletView& view) {
  const std::vector<SymbolRow>& rows = view.m_symbolModel->rows();
  const int r = view.m_nSymbolSel;
  if (r < 0 || r >= static_cast<int>(rows.size())) return;
  const std::string symbol = rows[static_cast<size_t>(r)].symbol;
  CDeleteSymbolDlg dlg(view.window(), QString::fromLatin1(symbol));
  QApplication::beep();
  if (dlg.exec() != QDialog::Accepted) return;
  const DeleteResult deleted = DeleteSymbol(view.m_szMasterPath, symbol);
  // A failed delete has put every file back; say so rather than pass it over.
  if (!deleted.ok()) dlg::ShowMessage(view.window(), deleted.message);
  view.FillSymbolList(0);
}

}  // namespace quillet
