#include "gui/dialogs/quote_facts_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "core/lib/series_facts.h"
#include "core/messages/quote_dialogs.h"
#include "gui/dialogs/dialog_units.h"

namespace quillet {

namespace {

constexpr size_t kPathLine = 0;
constexpr size_t kGroupLines = 10;  // path and the nine lines of the left group

QLabel* Value(const FactLine& line) {
  auto* value = new QLabel(dlg::Q(line.text));
  value->setTextFormat(Qt::PlainText);
  value->setAccessibleName(dlg::Q(line.label));
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return value;
}

}  // namespace

CQuoteFactsDlg::CQuoteFactsDlg(QWidget* parent, const QString& path, const SeriesFacts* facts)
    : QDialog(parent) {
  setWindowTitle(messages::kFactsTitle);
  std::vector<FactLine> lines = SeriesFactLines(facts ? *facts : SeriesFacts{});
  for (FactLine& line : lines) {
    if (!facts) line.text.clear();
  }
  lines[kPathLine].text = path.toStdString();

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(new QLabel(dlg::Q(lines[kPathLine].label)));
  pathRow->addWidget(Value(lines[kPathLine]), 1);

  auto* master = new QGroupBox(messages::kFactsMasterGroup);
  auto* masterGrid = new QGridLayout(master);
  masterGrid->setVerticalSpacing(dlg::DluY(this, 1));
  for (size_t i = kPathLine + 1; i < kGroupLines; ++i) {
    const int row = static_cast<int>(i - 1);
    masterGrid->addWidget(new QLabel(dlg::Q(lines[i].label)), row, 0);
    masterGrid->addWidget(Value(lines[i]), row, 1);
  }
  // What EMASTER or XMASTER add (long name, fields, index file) follows the
  // per-field lines, for a security they describe.
  const size_t indexLines = kGroupLines + 2 * messages::kFactsFieldCaptions.size();
  for (size_t i = indexLines; i < lines.size(); ++i) {
    const int row = static_cast<int>(i - indexLines + kGroupLines - 1);
    masterGrid->addWidget(new QLabel(dlg::Q(lines[i].label)), row, 0);
    masterGrid->addWidget(Value(lines[i]), row, 1);
  }
  masterGrid->setColumnMinimumWidth(0, dlg::DluX(this, 88));
  masterGrid->setColumnMinimumWidth(1, dlg::DluX(this, 64));
  masterGrid->setRowStretch(static_cast<int>(kGroupLines + lines.size() - indexLines), 1);

  auto* dop = new QGroupBox(messages::kFactsDopGroup);
  auto* dopGrid = new QGridLayout(dop);
  dopGrid->setVerticalSpacing(dlg::DluY(this, 1));
  for (size_t c = 0; c < messages::kFactsColumns.size(); ++c) {
    dopGrid->addWidget(new QLabel(messages::kFactsColumns[c]), 0, static_cast<int>(c));
  }
  for (size_t f = 0; f < messages::kFactsFieldCaptions.size(); ++f) {
    const int row = static_cast<int>(f) + 1;
    dopGrid->addWidget(new QLabel(messages::kFactsFieldCaptions[f]), row, 0);
    dopGrid->addWidget(Value(lines[kGroupLines + 2 * f]), row, 1);
    dopGrid->addWidget(Value(lines[kGroupLines + 2 * f + 1]), row, 2);
  }
  dopGrid->setColumnMinimumWidth(0, dlg::DluX(this, 32));
  dopGrid->setColumnMinimumWidth(1, dlg::DluX(this, 60));
  dopGrid->setColumnMinimumWidth(2, dlg::DluX(this, 56));
  dopGrid->setRowStretch(static_cast<int>(messages::kFactsFieldCaptions.size()) + 1, 1);

  auto* groups = new QHBoxLayout;
  groups->addWidget(master);
  groups->addWidget(dop);

  auto* notes = new QVBoxLayout;
  notes->setSpacing(0);
  notes->addWidget(new QLabel(messages::kFactsFootnote1));
  notes->addWidget(new QLabel(messages::kFactsFootnote2));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(notes, 1);
  bottom->addWidget(buttons, 0, Qt::AlignTop);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pathRow);
  layout->addLayout(groups);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CQuoteFactsDlg::Text(const QString& label) const {
  for (const QLabel* l : findChildren<QLabel*>()) {
    if (l->accessibleName() == label) return l->text();
  }
  return {};
}

}  // namespace quillet
