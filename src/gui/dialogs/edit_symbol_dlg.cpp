#include "gui/dialogs/edit_symbol_dlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include "core/lib/master.h"
#include "core/messages/symbols.h"
#include "core/symbols/symbol_edit.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

namespace {

// MASTER holds 8-bit text, which the symbol grid shows as Latin-1.
std::string Bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

QLineEdit* BoxIn(QVBoxLayout* layout, const char* group) {
  auto* frame = new QGroupBox(group);
  auto* box = new QLineEdit;
  box->setMaxLength(kMasterTextSize);
  box->setAccessibleName(group);
  box->setMinimumWidth(dlg::DluX(box, 90));
  (new QVBoxLayout(frame))->addWidget(box);
  layout->addWidget(frame);
  return box;
}

}  // namespace

CEditSymbolDlg::CEditSymbolDlg(QWidget* parent, const QString& symbol, const QString& name)
    : QDialog(parent) {
  setWindowTitle(messages::kEditSymbolCaption);
  auto* layout = new QVBoxLayout(this);
  m_edtSymbol = BoxIn(layout, messages::kSymbolGroup);
  m_edtName = BoxIn(layout, messages::kNameGroup);
  m_edtSymbol->setText(symbol);
  m_edtName->setText(name);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditSymbolDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CEditSymbolDlg::symbol() const {
  return m_edtSymbol->text();
}
QString CEditSymbolDlg::name() const {
  return m_edtName->text();
}

void CEditSymbolDlg::accept() {
  const std::string refused = ValidateSymbolEdit(Bytes(symbol()), Bytes(name()));
  if (!refused.empty()) {
    dlg::ShowMessage(this, refused);
    return;
  }
  QDialog::accept();
}

void OnSymbolEdit(CQuilletView& view) {
  std::vector<SymbolRow> rows = view.m_symbolModel->rows();
  const int r = view.m_nSymbolSel;
  if (r < 0 || r >= static_cast<int>(rows.size())) return;
  SymbolRow& row = rows[static_cast<size_t>(r)];
  std::string name = row.name;
  name.erase(name.find_last_not_of(' ') + 1);
  CEditSymbolDlg dlg(view.window(), QString::fromLatin1(row.symbol), QString::fromLatin1(name));
  if (dlg.exec() != QDialog::Accepted) return;
  const std::string newSymbol = Bytes(dlg.symbol());
  const std::string newName = Bytes(dlg.name());
  const Outcome edited =
      EditSymbol(view.m_szLibDir, view.m_szMasterPath, row.symbol, newSymbol, newName);
  if (!edited.ok()) {
    // The file is as it was: the row keeps the old texts.
    dlg::ShowMessage(view.window(), edited.message);
    return;
  }
  // The quote commands act on the loaded series: follow its new symbol.
  if (view.m_szSymbol == row.symbol) {
    view.m_szSymbol = newSymbol;
    view.m_szName = newName;
  }
  row.symbol = newSymbol;
  row.name = newName;
  view.m_symbolModel->SetRows(std::move(rows), view.m_symbolModel->indexColumns());
  view.m_lstSymbols->selectionModel()->setCurrentIndex(
      view.m_symbolModel->index(r, 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace quillet
