#include "gui/dialogs/split_search_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages/splitsearch.h"
#include "gui/chart/quote_chart.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/view/grid_models.h"
#include "gui/view/quillet_view.h"

namespace quillet {

namespace {

// "Text Files (*.txt)|*.txt| All Files (*.*)|*.*||" as file-dialog filters: the
// description of each pair names its patterns.
QStringList NameFilters(const char* filter) {
  QStringList filters;
  const QStringList parts = QString(filter).split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (!parts[i].trimmed().isEmpty()) filters << parts[i].trimmed();
  }
  return filters;
}

}  // namespace

CSplitSearchDlg::CSplitSearchDlg(CQuilletView& view, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_view(&view) {
  setWindowTitle(messages::kSplitSearchCaption);
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  m_lstResults = new QListWidget;
  m_lstResults->setAccessibleName(messages::kSplitSearchResultsGroup);
  m_lstResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_lstResults->setMinimumSize(dlg::DluX(this, 170), dlg::DluY(this, 100));
  m_ctlStatus = new QLabel;
  m_ctlStatus->setTextFormat(Qt::PlainText);
  m_ctlStatus->setAlignment(Qt::AlignCenter);
  m_ctlStatus->setAccessibleName("Status");
  auto* group = new QGroupBox(messages::kSplitSearchResultsGroup);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(m_lstResults, 1);
  groupLayout->addWidget(m_ctlStatus);

  m_btnSearch = new QPushButton(messages::kSplitSearchButton);
  m_btnSaveAs = new QPushButton(messages::kSplitSearchSaveAs);
  m_btnClose = new QPushButton(messages::kSplitSearchClose);
  m_btnSearch->setDefault(true);
  m_btnSaveAs->setEnabled(false);
  connect(m_btnSearch, &QPushButton::clicked, this, &CSplitSearchDlg::OnSearch);
  connect(m_btnSaveAs, &QPushButton::clicked, this, &CSplitSearchDlg::OnSaveAs);
  connect(m_btnClose, &QPushButton::clicked, this, &CSplitSearchDlg::reject);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {m_btnSearch, m_btnSaveAs, m_btnClose}) buttons->addWidget(b);
  buttons->addStretch(1);

  auto* warning = new QLabel(messages::kSplitSearchWarning);
  warning->setAlignment(Qt::AlignCenter);
  warning->setWordWrap(true);
  auto* top = new QHBoxLayout;
  top->addWidget(group, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(warning);

  // The status holds a single blank until the first symbol is searched.
  m_strStatus = " ";
  if (parent) parent->installEventFilter(this);
}

void CSplitSearchDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
}

bool CSplitSearchDlg::eventFilter(QObject* watched, QEvent* event) {
  // The main window closing ends the window (and a search still running).
  if (watched == parentWidget() && event->type() == QEvent::Close) reject();
  return QDialog::eventFilter(watched, event);
}

void CSplitSearchDlg::OnSearch() {
  if (m_bSearching) {
    m_bStopRequested = true;
    return;
  }
  if (!m_view) return;
  SymbolList list;
  list.rows = m_view->m_symbolModel->rows();
  const std::vector<std::string> symbols = SplitSearchSymbols(list);
  const std::string directory = m_view->m_szLibDir;
  m_view->m_chart->StartFindings(directory);
  m_bSearching = true;
  m_bStopRequested = false;
  m_btnSearch->setText(messages::kSplitSearchStop);
  m_btnSearch->setAccessibleName(messages::kSplitSearchStop);
  SplitSearch(directory, symbols, *this);
  m_bSearching = false;
  m_btnSearch->setText(messages::kSplitSearchButton);
  m_btnSearch->setAccessibleName(messages::kSplitSearchButton);
  if (m_bClosePending) reject();
}

void CSplitSearchDlg::Pump() {
  QApplication::processEvents();
}

void CSplitSearchDlg::Found(const SplitFinding& finding) {
  m_lstResults->addItem(QString::fromLatin1(finding.line));
  if (m_view) m_view->m_chart->AddFinding(finding);
  m_btnSaveAs->setEnabled(true);
}

void CSplitSearchDlg::Message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, messages::kAppTitle, QString::fromLatin1(text),
                  QMessageBox::Ok, this);
  box.exec();
}

void CSplitSearchDlg::Status(const std::string& text) {
  m_strStatus = QString::fromLatin1(text);
  m_ctlStatus->setText(m_strStatus);
  Pump();
}

void CSplitSearchDlg::Finished() {
  QApplication::beep();
}

bool CSplitSearchDlg::Progress(size_t, size_t) {
  Pump();
  return !m_bStopRequested;
}

void CSplitSearchDlg::OnSaveAs() {
  QFileDialog dialog(this, messages::kSplitSearchSaveAs);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFilters(messages::kSplitSearchResultFilter));
  dialog.setDefaultSuffix(messages::kSplitSearchResultExtension);
  dialog.selectFile(messages::kSplitSearchResultFileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveResults(dialog.selectedFiles().front());
}

bool CSplitSearchDlg::SaveResults(const QString& file) {
  std::vector<std::string> lines;
  for (int i = 0; i < m_lstResults->count(); ++i) {
    lines.push_back(m_lstResults->item(i)->text().toLatin1().toStdString());
  }
  const Outcome saved = SaveSplitSearchResults(file.toStdString(), lines);
  if (!saved.ok()) dlg::ShowMessage(this, saved.message);
  return saved.ok();
}

void CSplitSearchDlg::reject() {
  // A running search stops at its next series; the window closes when it has.
  if (m_bSearching) {
    m_bStopRequested = true;
    m_bClosePending = true;
    return;
  }
  if (m_view) {
    m_view->m_bSplitSearchOpen = 0;
    m_view->updateCommands();
    m_view->m_chart->ClearFindings();  // the chart marks the findings of an open window only
  }
  QDialog::reject();
}

void OnSplitSearch(CQuilletView& view) {
  auto* dlg = new CSplitSearchDlg(view, view.window());
  view.m_bSplitSearchOpen = 1;
  view.updateCommands();
  dlg->show();
}

}  // namespace quillet
