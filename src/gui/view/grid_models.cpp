#include "gui/view/grid_models.h"

#include "core/lib/index_files.h"
#include "core/lib/quote_text.h"
#include "core/messages/read.h"

namespace quillet {

void SymbolGridModel::SetRows(std::vector<SymbolRow> rows, bool indexColumns) {
  beginResetModel();
  m_rows = std::move(rows);
  m_indexColumns = indexColumns;
  endResetModel();
}

int SymbolGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SymbolGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_indexColumns ? 4 : 2;
}

QVariant SymbolGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const SymbolRow& row = m_rows[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case 0:
      return QString::fromLatin1(row.symbol);
    case 1:
      return QString::fromLatin1(row.name);
    case 2:
      return QString::number(row.fileNumber);
    default:
      return QString::fromLatin1(IndexSourceText(row.source));
  }
}

QVariant SymbolGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString(messages::kSymbolGridColumns[static_cast<size_t>(section)]);
}

void QuoteGridModel::SetQuotes(std::vector<Quote> quotes) {
  beginResetModel();
  m_series.quotes = std::move(quotes);
  m_cachedRow = -1;
  endResetModel();
}

QuoteGridModel::Load QuoteGridModel::LoadSeries(const std::string& libDir,
                                                const std::string& symbol) {
  // One read of the whole file: a full series decodes in well under a second, so
  // reading it in windows would only add lookups and opens.
  beginResetModel();
  Load load;
  load.code = ReadWholeSeries(libDir, symbol, m_series);
  load.masterUnreadable = m_series.masterUnreadable;
  load.total = m_series.total;
  if (load.code != LIB_OK) m_series.quotes.clear();
  m_cachedRow = -1;
  endResetModel();
  return load;
}

int QuoteGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_series.quotes.size());
}

int QuoteGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(messages::kQuoteGridColumns.size());
}

QVariant QuoteGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= 7) return {};
  if (index.row() != m_cachedRow) {
    const Quote& quote = QuoteAt(index.row());
    std::array<char, kQuoteTextRoom> text;
    for (int column = 0; column < 7; ++column) {
      const char* end = AppendQuoteGridText(text.data(), quote, column);
      m_cachedTexts[static_cast<size_t>(column)] =
          QString::fromLatin1(text.data(), static_cast<qsizetype>(end - text.data()));
    }
    m_cachedRow = index.row();
  }
  return m_cachedTexts[static_cast<size_t>(index.column())];
}

QVariant QuoteGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 6) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString(messages::kQuoteGridColumns[static_cast<size_t>(section)]);
}

}  // namespace quillet
