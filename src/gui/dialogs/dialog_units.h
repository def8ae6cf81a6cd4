#pragma once

#include <QLabel>
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <string>

#include "core/messages/window.h"

// What the quote dialogs share: sizes in dialog units (a quarter of the average
// character across, an eighth of the line height down), labels that name their
// box for screen readers, and the message box of a refused or failed command.
namespace quillet::dlg {

inline int DluX(const QWidget* w, int units) {
  return units * w->fontMetrics().averageCharWidth() / 4;
}
inline int DluY(const QWidget* w, int units) {
  return units * w->fontMetrics().height() / 8;
}

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A label that is the buddy and the accessible name of box (its text without
// a trailing colon).
inline QLabel* LabelFor(const QString& text, QWidget* box) {
  auto* label = new QLabel(text);
  label->setBuddy(box);
  QString name = text;
  if (name.endsWith(':')) name.chop(1);
  box->setAccessibleName(name);
  return label;
}

// The system's message box with OK; multi-line texts show each part on a line.
inline void ShowMessage(QWidget* parent, const std::string& text,
                        QMessageBox::Icon icon = QMessageBox::Warning) {
  QMessageBox box(icon, messages::kAppTitle, Q(text), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace quillet::dlg
