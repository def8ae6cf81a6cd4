#pragma once

#include <QDialog>
#include <QStringList>
#include <array>

#include "core/export/export.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace quillet {

class CRegistryProfile;

// "Export": the output file (with Browse...), the columns, the delimiter, the
// order and the title row of one export.
class CExportDlg : public QDialog {
  Q_OBJECT
 public:
  CExportDlg(QWidget* parent, const ExportOptions& options);
  // The choices as they stand; a radio group without a checked button gives -1.
  ExportOptions options() const;

  // The "Save As" filters of the system's filter text ("name|pattern|...||").
  static QStringList FileFilters(const char* filter);

  QLineEdit* m_edtPath;
  QButtonGroup* m_delimiter;
  QButtonGroup* m_order;
  // Open, High, Low, Close, Volume, Open Interest.
  std::array<QCheckBox*, 6> m_use{};
  QCheckBox* m_title;

 private:
  void OnBrowse();
};

// The export's settings: read before the dialog (defaults for missing keys) and
// stored, all ten, when an export goes ahead.
ExportOptions ReadExportSettings(const CRegistryProfile& profile);
void StoreExportSettings(const CRegistryProfile& profile, const ExportOptions& options);

}  // namespace quillet
