#include "gui/dialogs/export_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/messages/export.h"
#include "core/messages/quote_dialogs.h"
#include "gui/app/registry_profile.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/dialog_units.h"

namespace quillet {

namespace {

QGroupBox* RadioGroup(const char* title, QButtonGroup* group,
                      std::initializer_list<const char*> texts, int checked) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  int id = 0;
  for (const char* text : texts) {
    auto* button = new QRadioButton(text);
    group->addButton(button, id);
    button->setChecked(id++ == checked);
    layout->addWidget(button);
  }
  return box;
}

// The column boxes in the order the options and the settings list them.
bool* UseMember(ExportOptions& o, size_t column) {
  bool* members[] = {&o.useOpen,  &o.useHigh,   &o.useLow,
                     &o.useClose, &o.useVolume, &o.useOpenInterest};
  return members[column];
}

}  // namespace

CExportDlg::CExportDlg(QWidget* parent, const ExportOptions& options) : QDialog(parent) {
  setWindowTitle(messages::kExportCaption);
  m_edtPath = new QLineEdit(dlg::Q(options.path));
  m_edtPath->setMaxLength(static_cast<int>(kExportPathLimit));
  m_edtPath->setAccessibleName(messages::kExportPathName);
  m_edtPath->setMinimumWidth(dlg::DluX(this, 200));
  auto* browse = new QPushButton(messages::kExportBrowse);
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, &CExportDlg::OnBrowse);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(m_edtPath, 1);
  pathRow->addWidget(browse);

  auto* columns = new QGroupBox(messages::kExportColumnsGroup);
  auto* columnGrid = new QGridLayout(columns);
  const char* names[] = {messages::kExportOpen,   messages::kExportHigh,
                         messages::kExportLow,    messages::kExportClose,
                         messages::kExportVolume, messages::kExportOpenInterest};
  ExportOptions o = options;
  for (size_t i = 0; i < m_use.size(); ++i) {
    m_use[i] = new QCheckBox(names[i]);
    m_use[i]->setChecked(*UseMember(o, i));
    columnGrid->addWidget(m_use[i], static_cast<int>(i % 3), static_cast<int>(i / 3));
  }

  m_delimiter = new QButtonGroup(this);
  m_order = new QButtonGroup(this);
  QGroupBox* delimiters =
      RadioGroup(messages::kExportDelimitersGroup, m_delimiter,
                 {messages::kExportComma, messages::kExportTab, messages::kExportSpace},
                 static_cast<int>(options.delimiter));
  QGroupBox* order = RadioGroup(messages::kExportOrderGroup, m_order,
                                {messages::kExportOldestFirst, messages::kExportNewestFirst},
                                static_cast<int>(options.order));
  auto* title = new QGroupBox(messages::kExportTitleGroup);
  m_title = new QCheckBox(messages::kExportAddTitleRow);
  m_title->setChecked(options.title);
  (new QVBoxLayout(title))->addWidget(m_title);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(columns, 0, 0);
  grid->addWidget(delimiters, 0, 1);
  grid->addWidget(order, 1, 0);
  grid->addWidget(title, 1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pathRow);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

ExportOptions CExportDlg::options() const {
  ExportOptions o;
  o.path = m_edtPath->text().toStdString();
  // No button checked (a stored value the dialog has no button for) gives -1:
  // the comma, and newest first, as any value other than 0 reads.
  o.delimiter = static_cast<ExportDelimiter>(m_delimiter->checkedId());
  o.order = static_cast<ExportOrder>(m_order->checkedId());
  for (size_t i = 0; i < m_use.size(); ++i) *UseMember(o, i) = m_use[i]->isChecked();
  o.title = m_title->isChecked();
  return o;
}

QStringList CExportDlg::FileFilters(const char* filter) {
  const QStringList parts = QString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString name = parts[i].trimmed(), pattern = parts[i + 1].trimmed();
    if (name.isEmpty()) break;
    filters << (name.contains('(') ? name : name + " (" + pattern + ")");
  }
  return filters;
}

void CExportDlg::OnBrowse() {
  QFileDialog dialog(this, messages::kExportCaption);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(messages::kExportFileExtension);
  dialog.setNameFilters(FileFilters(messages::kExportFileFilter));
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectFile(m_edtPath->text());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  m_edtPath->setText(dialog.selectedFiles().front());
}

ExportOptions ReadExportSettings(const CRegistryProfile& p) {
  const ExportOptions defaults;
  ExportOptions o;
  o.path =
      p.GetString(settings::kXportSel, settings::kStarter, dlg::Q(defaults.path)).toStdString();
  for (size_t i = 0; i < 6; ++i)
    *UseMember(o, i) = p.GetInt(settings::kXportSel, settings::kUseColumns[i], 1) != 0;
  o.order = static_cast<ExportOrder>(
      p.GetInt(settings::kXportSel, settings::kNewest, static_cast<int>(defaults.order)));
  o.delimiter = static_cast<ExportDelimiter>(
      p.GetInt(settings::kXportSel, settings::kDelim, static_cast<int>(defaults.delimiter)));
  o.title = p.GetInt(settings::kXportSel, settings::kTitle, 0) != 0;
  return o;
}

void StoreExportSettings(const CRegistryProfile& p, const ExportOptions& options) {
  ExportOptions o = options;
  p.WriteString(settings::kXportSel, settings::kStarter, dlg::Q(o.path));
  for (size_t i = 0; i < 6; ++i)
    p.WriteInt(settings::kXportSel, settings::kUseColumns[i], *UseMember(o, i) ? 1 : 0);
  p.WriteInt(settings::kXportSel, settings::kDelim, static_cast<int>(o.delimiter));
  p.WriteInt(settings::kXportSel, settings::kNewest, static_cast<int>(o.order));
  p.WriteInt(settings::kXportSel, settings::kTitle, o.title ? 1 : 0);
}

}  // namespace quillet
