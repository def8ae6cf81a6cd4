#pragma once

#include <QDialog>
#include <QString>

#include "core/edit/quote_commands.h"

class QLabel;

namespace quillet {

// "Delete Data": the date of the quote to delete. OK asks "Are you sure?"; No
// keeps the dialog open, Yes closes it with the core's delete change.
class CDeleteQuoteDlg : public QDialog {
  Q_OBJECT
 public:
  CDeleteQuoteDlg(QWidget* parent, const QString& date);
  const QuoteChange& change() const { return m_change; }
  void accept() override;

  QLabel* m_strDate;

 private:
  QuoteChange m_change;
};

// "Add Data": the date of the new quote and what it will hold.
class CAddQuoteDlg : public QDialog {
  Q_OBJECT
 public:
  CAddQuoteDlg(QWidget* parent, const QString& date);
  QLabel* m_strDate;
};

}  // namespace quillet
