#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace quillet {

struct SeriesFacts;

// "About Selected Quote Series": what the MASTER, DAT and DOP files record about
// one series, read-only, with OK. facts null (they could not be read): the
// fields stay empty but the path.
class CQuoteFactsDlg : public QDialog {
  Q_OBJECT
 public:
  CQuoteFactsDlg(QWidget* parent, const QString& path, const SeriesFacts* facts);
  // The text shown for a line of the facts (its label: "Symbol", "Date Input", ...).
  QString Text(const QString& label) const;
};

}  // namespace quillet
