#include "gui/dialogs/split_dlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/messages/edit.h"
#include "core/messages/quote_dialogs.h"
#include "gui/dialogs/date_edit.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/num_edit.h"

namespace quillet {

CSplitDlg::CSplitDlg(QWidget* parent, const QString& date, const QString& firstDate,
                     const QString& lastDate)
    : QDialog(parent), m_firstDate(firstDate.toStdString()), m_lastDate(lastDate.toStdString()) {
  setWindowTitle(messages::kSplitTitle);
  m_edtDate = new CDateEdit;
  m_edtDate->setAccessibleName(messages::kSplitDateGroup);
  m_edtDate->SetDate(date);
  auto* dateGroup = new QGroupBox(messages::kSplitDateGroup);
  auto* dateLayout = new QHBoxLayout(dateGroup);
  dateLayout->addWidget(m_edtDate);

  auto* ratios = new QGroupBox(messages::kSplitRatiosGroup);
  auto* ratioLayout = new QHBoxLayout(ratios);
  m_edtNew = new CNumEdit;
  m_edtOld = new CNumEdit;
  for (auto [box, text] : {std::pair{m_edtNew, messages::kSplitNewShares},
                           std::pair{m_edtOld, messages::kSplitOldShares}}) {
    box->setMaxLength(static_cast<int>(kSplitSharesLimit));
    box->setFixedWidth(dlg::DluX(this, 24));
    box->setText("1");
    QLabel* label = dlg::LabelFor(text, box);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ratioLayout->addWidget(label, 1);
    ratioLayout->addWidget(box);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSplitDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* groups = new QHBoxLayout;
  groups->addWidget(dateGroup);
  groups->addWidget(ratios, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(buttons);
  setMinimumWidth(dlg::DluX(this, 291));
  m_edtDate->setFocus();
}

SplitTexts CSplitDlg::texts() const {
  return {m_edtDate->Date().toStdString(), m_edtNew->text().toStdString(),
          m_edtOld->text().toStdString()};
}

void CSplitDlg::accept() {
  const Outcome checked = MakeSplitChange(texts(), m_firstDate, m_lastDate, m_change);
  if (!checked.ok()) {
    dlg::ShowMessage(this, checked.message);
    return;
  }
  QDialog::accept();
}

}  // namespace quillet
