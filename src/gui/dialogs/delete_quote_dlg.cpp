#include "gui/dialogs/delete_quote_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "core/messages/edit.h"
#include "core/messages/quote_dialogs.h"
#include "gui/dialogs/dialog_units.h"

namespace quillet {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  buttons->setCenterButtons(true);
  return buttons;
}

QLabel* DateText(const QString& date, const char* name) {
  auto* label = new QLabel(date);
  label->setTextFormat(Qt::PlainText);
  label->setAccessibleName(name);
  return label;
}

}  // namespace

CDeleteQuoteDlg::CDeleteQuoteDlg(QWidget* parent, const QString& date) : QDialog(parent) {
  setWindowTitle(messages::kDeleteTitle);
  m_strDate = DateText(date, messages::kDeleteDateGroup);
  m_strDate->setAlignment(Qt::AlignCenter);
  auto* group = new QGroupBox(messages::kDeleteDateGroup);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(m_strDate);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addSpacing(dlg::DluY(this, 8));
  layout->addWidget(OkCancel(this));
  setMinimumWidth(dlg::DluX(this, 131));
}

void CDeleteQuoteDlg::accept() {
  const std::string date = m_strDate->text().toStdString();
  QMessageBox question(QMessageBox::Question, messages::kAppTitle,
                       dlg::Q(messages::DeleteConfirmation(date)),
                       QMessageBox::Yes | QMessageBox::No, this);
  if (question.exec() != QMessageBox::Yes) return;
  const Outcome checked = MakeDeleteChange(date, m_change);
  if (!checked.ok()) {
    dlg::ShowMessage(this, checked.message);
    return;
  }
  QDialog::accept();
}

CAddQuoteDlg::CAddQuoteDlg(QWidget* parent, const QString& date) : QDialog(parent) {
  setWindowTitle(messages::kAddTitle);
  m_strDate = DateText(date, messages::kAddNewDate);
  auto* note = new QLabel(messages::kAddQuoteNote);
  note->setWordWrap(true);
  note->setAccessibleName(messages::kAddQuoteNote);
  note->setFixedWidth(dlg::DluX(this, 125));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(messages::kAddNewDate), 0, 0);
  grid->addWidget(m_strDate, 0, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(note);
  layout->addWidget(OkCancel(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quillet
