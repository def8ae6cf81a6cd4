#include "gui/dialogs/num_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "core/edit/quote_commands.h"

namespace quillet {

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
  // Keys without a character (arrows, Home, Delete) and shortcuts keep their
  // usual handling; only typed characters are filtered.
  const QString text = event->text();
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  if (!text.isEmpty() && !shortcut) {
    for (QChar c : text) {
      if (c.unicode() >= 128 || !NumEditAccepts(static_cast<char>(c.unicode()))) {
        QApplication::beep();
        emit inputRejected();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace quillet
