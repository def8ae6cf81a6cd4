#pragma once

#include <QDialog>
#include <QString>

#include "core/edit/quote_commands.h"

namespace quillet {

class CDateEdit;
class CNumEdit;

// "Split Data": the split date (the selected quote's, to begin with) and the
// New Shares for Old Shares ratio. OK keeps the dialog open with "Invalid Data
// Entered" unless the core's split rule takes the texts, checked against the
// dates of the oldest and the newest quote.
class CSplitDlg : public QDialog {
  Q_OBJECT
 public:
  CSplitDlg(QWidget* parent, const QString& date, const QString& firstDate,
            const QString& lastDate);

  SplitTexts texts() const;
  const QuoteChange& change() const { return m_change; }
  void accept() override;

  CDateEdit* m_edtDate;
  CNumEdit* m_edtNew;
  CNumEdit* m_edtOld;

 private:
  std::string m_firstDate, m_lastDate;
  QuoteChange m_change;
};

}  // namespace quillet
