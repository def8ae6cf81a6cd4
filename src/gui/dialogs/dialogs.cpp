#include "gui/dialogs/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages/portfolio.h"
#include "core/messages/window.h"
#include "core/portfolio/volumes.h"
#include "gui/app/main_frame.h"

namespace quillet {

CSearchProgressDlg::CSearchProgressDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(messages::kSearchingForMasterFiles);
  setModal(false);
  m_strFolder = new QLabel(messages::kScanStarting);
  m_strFolder->setAccessibleName("Folder");
  m_strFolder->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
  m_strFolder->setTextFormat(Qt::PlainText);
  m_strCount = new QLabel("0");
  m_strCount->setAccessibleName(messages::kNumberOfMasterFilesFound);
  auto* countRow = new QHBoxLayout;
  auto* countLabel = new QLabel(messages::kNumberOfMasterFilesFound);
  countLabel->setBuddy(m_strCount);
  countRow->addWidget(countLabel);
  countRow->addWidget(m_strCount, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_strFolder);
  layout->addLayout(countRow);
}

void CSearchProgressDlg::SetFolder(const QString& folder) {
  // The folder line holds at most 100 characters; a long path shows its end.
  m_strFolder->setText(folder.size() > 100 ? "..." + folder.right(97) : folder);
}

void CSearchProgressDlg::SetCount(int count) {
  m_strCount->setText(QString::number(count));
}
QString CSearchProgressDlg::folderText() const {
  return m_strFolder->text();
}
QString CSearchProgressDlg::countText() const {
  return m_strCount->text();
}

void CSearchProgressDlg::reject() {
  m_bCancelled = true;
  QDialog::reject();
}

CFixMasterDlg::CFixMasterDlg(CMainFrame* frame, const QString& message, bool hideCancel)
    : QDialog(frame), m_bHideCancel(hideCancel) {
  setWindowTitle(messages::kFixMasterFile);
  auto* text = new QLabel(message);
  text->setTextFormat(Qt::PlainText);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setAccessibleName(messages::kFixMasterFile);
  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  ok->setDefault(true);
  cancel->setVisible(!m_bHideCancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [frame] { frame->ShowHelp("fix_master"); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text, 1);
  layout->addWidget(buttons);
}

namespace {
// The load runs under the wait cursor; the dialog is answered with the pointer.
int RunWithArrow(QDialog& dlg) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = dlg.exec();
  QApplication::restoreOverrideCursor();
  return result;
}
}  // namespace

bool FixMasterPrompt::Confirm(const std::string& message) {
  CFixMasterDlg dlg(m_frame, QString::fromStdString(message), false);
  return RunWithArrow(dlg) == QDialog::Accepted;
}

void FixMasterPrompt::Dropped(const std::string& message) {
  QApplication::beep();
  CFixMasterDlg dlg(m_frame, QString::fromStdString(message), true);
  RunWithArrow(dlg);
}

CSearchFilterDlg::CSearchFilterDlg(QWidget* parent, std::vector<std::string> volumes, bool limit,
                                   const QString& path, bool masterFix)
    : QDialog(parent), m_volumes(std::move(volumes)) {
  setWindowTitle(messages::kPortfolioSearchFilter);
  m_limit = new QCheckBox(messages::kSearchFilterLimit);
  m_limit->setChecked(limit);
  m_edtPath = new QLineEdit(path);
  m_edtPath->setAccessibleName("Search Filter path");
  m_edtPath->setEnabled(limit);
  m_masterFix = new QCheckBox(messages::kSearchFilterMasterFix);
  m_masterFix->setChecked(masterFix);
  connect(m_limit, &QCheckBox::toggled, m_edtPath, &QWidget::setEnabled);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CSearchFilterDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_limit);
  layout->addWidget(m_edtPath);
  layout->addWidget(m_masterFix);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

bool CSearchFilterDlg::limit() const {
  return m_limit->isChecked();
}
QString CSearchFilterDlg::path() const {
  return m_edtPath->text();
}
bool CSearchFilterDlg::masterFix() const {
  return m_masterFix->isChecked();
}

void CSearchFilterDlg::accept() {
  const std::string message = CheckSearchFilterPath(limit(), path().toStdString(), m_volumes);
  if (!message.empty()) {
    QMessageBox::warning(this, messages::kAppTitle, QString::fromStdString(message));
    return;
  }
  QDialog::accept();
}

}  // namespace quillet
