#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

#include "core/lib/quote_series.h"
#include "core/portfolio/master_file.h"

namespace quillet {

// The symbol grid: one row per listed MASTER record, in the list's order.
class SymbolGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  // indexColumns: the File and Index columns, shown when EMASTER or XMASTER took
  // part in the list (SymbolList::indexFiles), as the command line shows them.
  void SetRows(std::vector<SymbolRow> rows, bool indexColumns);
  const std::vector<SymbolRow>& rows() const { return m_rows; }
  bool indexColumns() const { return m_indexColumns; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<SymbolRow> m_rows;
  // Set when EMASTER or XMASTER list a row: the file number and the index file
  // that lists each row are shown too.
  bool m_indexColumns = false;
};

// The quote grid over a whole loaded series, newest first: row 0 is the last
// quote of the file. Texts are made only for the cells the view asks for, by the
// core's grid formatter.
class QuoteGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  // quotes in file order (oldest first).
  void SetQuotes(std::vector<Quote> quotes);

  // Loads the whole series of symbol in libDir; on a failure the grid is empty.
  struct Load {
    LibResult code = LIB_OK;
    bool masterUnreadable = false;  // for the failure's sentence
    int total = 0;                  // quotes the file's header claims
  };
  Load LoadSeries(const std::string& libDir, const std::string& symbol);
  const std::vector<Quote>& quotes() const { return m_series.quotes; }
  // The fields the loaded file holds.
  const FieldLayout& layout() const { return m_series.info.layout; }
  // The quote shown in row.
  const Quote& QuoteAt(int row) const {
    return m_series.quotes[m_series.quotes.size() - 1 - static_cast<size_t>(row)];
  }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // The loaded series; its buffer is kept from one load to the next.
  SeriesData m_series;
  // The view asks for a row's cells one after another: keep the last row's texts.
  mutable int m_cachedRow = -1;
  mutable std::array<QString, 7> m_cachedTexts;
};

}  // namespace quillet
