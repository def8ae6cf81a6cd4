// Renders each quote dialog on the bundled samples to a PNG in docs/:
//   quillet-dialog-screenshots SAMPLES_DIR OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QLayout>

#include "core/edit/quote_commands.h"
#include "core/edit/weekday.h"
#include "core/lib/quote_series.h"
#include "core/lib/series_facts.h"
#include "gui/dialogs/adjust_dlg.h"
#include "gui/dialogs/delete_quote_dlg.h"
#include "gui/dialogs/edit_quote_dlg.h"
#include "gui/dialogs/export_dlg.h"
#include "gui/dialogs/quote_facts_dlg.h"
#include "gui/dialogs/split_dlg.h"
#include "gui/view/grid_models.h"

using namespace quillet;

namespace {

bool Save(QDialog& dialog, const QDir& out, const QString& name) {
  dialog.layout()->activate();
  dialog.adjustSize();
  return dialog.grab().save(out.filePath("dialog-" + name + ".png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3) {
    qWarning("usage: quillet-dialog-screenshots SAMPLES_DIR OUTPUT_DIR");
    return 2;
  }
  const std::string stocks = QDir(args[1]).filePath("Stocks").toStdString() + "/";
  const QDir out(args[2]);
  SeriesData series;
  if (ReadWholeSeries(stocks, "INTC", series) != LIB_OK || series.quotes.size() < 2) return 1;
  QuoteGridModel grid;
  grid.SetQuotes(series.quotes);
  const QString first = QString::fromStdString(FormatDate(series.quotes.front().date));
  const QString last = QString::fromStdString(FormatDate(series.quotes.back().date));
  int row = 1;

  bool ok = true;
  CEditQuoteDlg edit(nullptr, &grid, row, grid.rowCount(), HeldValueFields(series.info));
  ok = Save(edit, out, "edit") && ok;
  CSplitDlg split(nullptr, last, first, last);
  ok = Save(split, out, "split") && ok;
  CAdjustDlg adjust(nullptr, first, last);
  ok = Save(adjust, out, "adjust") && ok;
  CDeleteQuoteDlg remove(nullptr, last);
  ok = Save(remove, out, "delete") && ok;
  CAddQuoteDlg add(nullptr,
                   QString::fromStdString(FormatDate(PreviousWeekday(series.quotes.back().date))));
  ok = Save(add, out, "add") && ok;
  SeriesFacts facts;
  ok = ReadSeriesFacts(stocks, "INTC", facts) == LIB_OK && ok;
  CQuoteFactsDlg about(nullptr, QString::fromStdString(stocks), &facts);
  ok = Save(about, out, "facts") && ok;
  CExportDlg xport(nullptr, ExportOptions{});
  ok = Save(xport, out, "export") && ok;
  return ok ? 0 : 1;
}
