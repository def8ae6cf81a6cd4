#include "gui/dialogs/adjust_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
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

namespace {

// A group of boxes, each under its label.
QGroupBox* LabelledRow(const char* title,
                       std::initializer_list<std::pair<QLineEdit*, const char*>> boxes) {
  auto* group = new QGroupBox(title);
  auto* grid = new QGridLayout(group);
  int column = 0;
  for (auto [box, text] : boxes) {
    grid->addWidget(dlg::LabelFor(text, box), 0, column);
    grid->addWidget(box, 1, column++);
  }
  return group;
}

}  // namespace

CAdjustDlg::CAdjustDlg(QWidget* parent, const QString& firstDate, const QString& lastDate)
    : QDialog(parent), m_firstDate(firstDate.toStdString()), m_lastDate(lastDate.toStdString()) {
  setWindowTitle(messages::kAdjustTitle);
  m_edtFrom = new CDateEdit;
  m_edtTo = new CDateEdit;
  m_edtFrom->SetDate(firstDate);
  m_edtTo->SetDate(lastDate);
  m_edtPrice = new CNumEdit;
  m_edtVolume = new CNumEdit;
  m_edtOI = new QLineEdit;  // no character filter on this one
  for (QLineEdit* box :
       {static_cast<QLineEdit*>(m_edtPrice), static_cast<QLineEdit*>(m_edtVolume), m_edtOI}) {
    box->setMaxLength(static_cast<int>(kAdjustFactorLimit));
    box->setFixedWidth(dlg::DluX(this, 30));
    box->setText("1");
  }
  QGroupBox* dates = LabelledRow(messages::kAdjustDatesGroup, {{m_edtFrom, messages::kAdjustFrom},
                                                               {m_edtTo, messages::kAdjustTo}});
  QGroupBox* factors =
      LabelledRow(messages::kAdjustMultipliersGroup, {{m_edtPrice, messages::kAdjustPrice},
                                                      {m_edtVolume, messages::kAdjustVolume},
                                                      {m_edtOI, messages::kAdjustOpenInterest}});

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CAdjustDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* groups = new QHBoxLayout;
  groups->addWidget(dates);
  groups->addWidget(factors);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(buttons);
  m_edtFrom->setFocus();
}

AdjustTexts CAdjustDlg::texts() const {
  return {m_edtFrom->Date().toStdString(), m_edtTo->Date().toStdString(),
          m_edtPrice->text().toStdString(), m_edtVolume->text().toStdString(),
          m_edtOI->text().toStdString()};
}

void CAdjustDlg::accept() {
  const Outcome checked = MakeAdjustChange(texts(), m_firstDate, m_lastDate, m_change);
  if (!checked.ok()) {
    dlg::ShowMessage(this, checked.message);
    return;
  }
  QDialog::accept();
}

}  // namespace quillet
