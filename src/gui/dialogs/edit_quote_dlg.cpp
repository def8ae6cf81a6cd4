#include "gui/dialogs/edit_quote_dlg.h"

#include <QAbstractItemModel>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages/edit.h"
#include "core/messages/quote_dialogs.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/dialogs/num_edit.h"

namespace quillet {

CEditQuoteDlg::CEditQuoteDlg(QWidget* parent, const QAbstractItemModel* grid, int& quoteSel,
                             int quotes, const std::array<bool, 6>& held)
    : QDialog(parent), m_grid(grid), m_nQuoteSel(quoteSel), m_nQuotes(quotes), m_held(held) {
  setWindowTitle(messages::kEditQuoteTitle);
  auto* frame = new QGroupBox;
  auto* fields = new QGridLayout(frame);
  m_strDate = new QLabel;
  m_strDate->setTextFormat(Qt::PlainText);
  QLabel* dateLabel = dlg::LabelFor(messages::kEditDateLabel, m_strDate);
  dateLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  fields->addWidget(dateLabel, 0, 0);
  fields->addWidget(m_strDate, 0, 1);
  for (size_t i = 0; i < m_edtValues.size(); ++i) {
    m_edtValues[i] = new CNumEdit;
    m_edtValues[i]->setMaxLength(static_cast<int>(kEditValueLimit));
    m_edtValues[i]->setFixedWidth(dlg::DluX(this, 48));
    QLabel* label = dlg::LabelFor(messages::kEditValueLabels[i], m_edtValues[i]);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(label, static_cast<int>(i) + 1, 0);
    fields->addWidget(m_edtValues[i], static_cast<int>(i) + 1, 1);
  }
  fields->setVerticalSpacing(dlg::DluY(this, 8));
  fields->setColumnMinimumWidth(0, dlg::DluX(this, 51));

  m_btnPrevious = new QPushButton(messages::kEditPrevious);
  m_btnNext = new QPushButton(messages::kEditNext);
  m_btnFirst = new QPushButton(messages::kEditFirst);
  m_btnLast = new QPushButton(messages::kEditLast);
  auto* steps = new QGridLayout;
  steps->addWidget(m_btnPrevious, 0, 0);
  steps->addWidget(m_btnNext, 0, 1);
  steps->addWidget(m_btnFirst, 1, 0);
  steps->addWidget(m_btnLast, 1, 1);
  for (QPushButton* b : {m_btnPrevious, m_btnNext, m_btnFirst, m_btnLast}) {
    b->setAutoDefault(false);
    b->setEnabled(false);
  }
  connect(m_btnPrevious, &QPushButton::clicked, this, [this] {
    if (m_nQuoteSel < m_nQuotes - 1) Step(m_nQuoteSel + 1);
  });
  connect(m_btnNext, &QPushButton::clicked, this, [this] {
    if (m_nQuoteSel > 0) Step(m_nQuoteSel - 1);
  });
  connect(m_btnFirst, &QPushButton::clicked, this, [this] { Step(m_nQuotes - 1); });
  connect(m_btnLast, &QPushButton::clicked, this, [this] { Step(0); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditQuoteDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addSpacing(dlg::DluY(this, 6));
  layout->addLayout(steps);
  layout->addSpacing(dlg::DluY(this, 14));
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  LoadQuote();
}

void CEditQuoteDlg::Step(int row) {
  m_nQuoteSel = row;
  LoadQuote();
}

void CEditQuoteDlg::LoadQuote() {
  const int r = m_nQuoteSel;
  const auto cell = [this, r](int column) { return m_grid->index(r, column).data().toString(); };
  m_strDate->setText(cell(0));
  for (size_t i = 0; i < m_edtValues.size(); ++i) {
    m_edtValues[i]->setText(cell(static_cast<int>(i) + 1));
  }
  // Row 0 is the newest quote: Next and Last go newer, Previous and First older.
  m_btnNext->setEnabled(r != 0);
  m_btnLast->setEnabled(r != 0);
  m_btnPrevious->setEnabled(r + 1 != m_nQuotes);
  m_btnFirst->setEnabled(r + 1 != m_nQuotes);
}

EditQuoteTexts CEditQuoteDlg::texts() const {
  EditQuoteTexts t;
  t.date = m_strDate->text().toStdString();
  for (size_t i = 0; i < m_edtValues.size(); ++i)
    t.values[i] = m_edtValues[i]->text().toStdString();
  return t;
}

void CEditQuoteDlg::accept() {
  const Outcome checked = MakeEditChange(texts(), m_held, m_change);
  if (!checked.ok()) {
    dlg::ShowMessage(this, checked.message);
    return;
  }
  QDialog::accept();
}

}  // namespace quillet
