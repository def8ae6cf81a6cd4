#pragma once

#include <QDialog>
#include <array>

#include "core/edit/quote_commands.h"

class QAbstractItemModel;
class QLabel;
class QPushButton;

namespace quillet {

class CNumEdit;

// "Edit Selected Quote": the date and six values of grid row quoteSel, the four
// stepping buttons (row 0 is the newest quote; stepping moves quoteSel, drops
// what was typed, and leaves the grid's highlight alone), and OK, which keeps
// the dialog open with "Invalid Data Entered" unless the core's edit rule takes
// the texts. held: which of the six values the file holds.
class CEditQuoteDlg : public QDialog {
  Q_OBJECT
 public:
  CEditQuoteDlg(QWidget* parent, const QAbstractItemModel* grid, int& quoteSel, int quotes,
                const std::array<bool, 6>& held);

  EditQuoteTexts texts() const;
  // The replace of the quote shown, set once OK is taken.
  const QuoteChange& change() const { return m_change; }

  void accept() override;

  QLabel* m_strDate;
  std::array<CNumEdit*, 6> m_edtValues{};
  QPushButton* m_btnPrevious;
  QPushButton* m_btnNext;
  QPushButton* m_btnFirst;
  QPushButton* m_btnLast;

 private:
  void LoadQuote();
  void Step(int row);

  const QAbstractItemModel* m_grid;
  int& m_nQuoteSel;
  int m_nQuotes;
  std::array<bool, 6> m_held;
  QuoteChange m_change;
};

}  // namespace quillet
