#pragma once

#include <QDialog>
#include <QString>

#include "core/edit/quote_commands.h"

class QLineEdit;

namespace quillet {

class CDateEdit;
class CNumEdit;

// "Adjust Data": the From and To dates (the oldest and the newest quote's, to
// begin with) and the price, volume and open-interest multipliers (the last box
// without a character filter). OK keeps the dialog open with "Invalid Data
// Entered" unless the core's adjust rule takes the texts.
class CAdjustDlg : public QDialog {
  Q_OBJECT
 public:
  CAdjustDlg(QWidget* parent, const QString& firstDate, const QString& lastDate);

  AdjustTexts texts() const;
  const QuoteChange& change() const { return m_change; }
  void accept() override;

  CDateEdit* m_edtFrom;
  CDateEdit* m_edtTo;
  CNumEdit* m_edtPrice;
  CNumEdit* m_edtVolume;
  QLineEdit* m_edtOI;

 private:
  std::string m_firstDate, m_lastDate;
  QuoteChange m_change;
};

}  // namespace quillet
