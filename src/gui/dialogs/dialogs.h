#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "core/portfolio/master_repair.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class CMainFrame;

// "Searching for Master Files": the folder being searched and the count found,
// shown while a scan runs. Closing it stops the scan.
class CSearchProgressDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CSearchProgressDlg(QWidget* parent);
  void SetFolder(const QString& folder);
  void SetCount(int count);
  bool cancelled() const { return m_bCancelled; }
  QString folderText() const;
  QString countText() const;
  void reject() override;

 private:
  QLabel* m_strFolder;
  QLabel* m_strCount;
  bool m_bCancelled = false;
};

// "Fix Master File": the repair question (OK, Help, Cancel) and the report of
// each dropped record (Cancel hidden). Help opens the "Fixing Bad Master" topic.
class CFixMasterDlg : public QDialog {
  Q_OBJECT
 public:
  CFixMasterDlg(CMainFrame* frame, const QString& message, bool hideCancel);
  bool m_bHideCancel = false;
};

// The window's side of a repair: the question and the reports as "Fix Master
// File" dialogs, each report after the information beep.
class FixMasterPrompt : public RepairPrompt {
 public:
  explicit FixMasterPrompt(CMainFrame* frame) : m_frame(frame) {}
  bool Confirm(const std::string& message) override;
  void Dropped(const std::string& message) override;

 private:
  CMainFrame* m_frame;
};

// "Portfolio Search Filter": the limit, the filter path and automatic repair.
// OK with the limit on keeps the dialog open unless the path lies on a listed volume.
class CSearchFilterDlg : public QDialog {
  Q_OBJECT
 public:
  CSearchFilterDlg(QWidget* parent, std::vector<std::string> volumes, bool limit,
                   const QString& path, bool masterFix);
  bool limit() const;
  QString path() const;
  bool masterFix() const;

  void accept() override;

 private:
  std::vector<std::string> m_volumes;
  QCheckBox* m_limit;
  QLineEdit* m_edtPath;
  QCheckBox* m_masterFix;
};

}  // namespace quillet
