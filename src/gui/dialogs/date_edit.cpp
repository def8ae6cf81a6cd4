#include "gui/dialogs/date_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "core/edit/quote_commands.h"

namespace quillet {

CDateEdit::CDateEdit(QWidget* parent) : QLineEdit(parent), m_buffer(kDateTextLength, ' ') {
  setMaxLength(static_cast<int>(kDateTextLength));
  // Nothing reaches the box but typed digits: no paste, no drop.
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setDragEnabled(false);
  setText(QString::fromLatin1(m_buffer));
  // Room for the whole date and the box's frame and margins.
  setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/00")) +
                fontMetrics().averageCharWidth() * 3);
}

void CDateEdit::SetDate(const QString& date) {
  m_buffer = date.left(static_cast<int>(kDateTextLength)).toLatin1().toStdString();
  // A short text leaves unfilled positions, which the dialog's check refuses.
  m_buffer.resize(kDateTextLength, ' ');
  setText(QString::fromLatin1(m_buffer));
  selectAll();
}

CDateEdit::Step CDateEdit::DigitStep(int start, int end) {
  struct Rule {
    int start, end, position, newStart, newEnd;
  };
  static constexpr Rule kRules[] = {{0, 0, 0, 1, 2}, {0, 1, 0, 1, 2}, {0, 2, 0, 1, 2},
                                    {0, 8, 0, 1, 2}, {1, 2, 1, 3, 5}, {3, 5, 3, 4, 5},
                                    {4, 4, 3, 4, 5}, {4, 5, 4, 6, 8}, {6, 7, 6, 7, 8},
                                    {6, 8, 6, 7, 8}, {7, 8, 7, 0, 2}};
  for (const Rule& r : kRules) {
    if (r.start == start && r.end == end) return {r.position, r.newStart, r.newEnd};
  }
  // Anywhere else: back to the group the selection starts in.
  switch (start) {
    case 4:
      return {-1, 3, 5};
    case 7:
      return {-1, 6, 8};
    default:
      return {-1, 0, 2};
  }
}

void CDateEdit::Select(int start, int end) {
  // The caret ends at the selection's end, so a long text scrolls to show it.
  setSelection(start, end - start);
}

void CDateEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    // The dialog's default and cancel buttons keep their keys.
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->ignore();
      return;
    case Qt::Key_Backspace:
      break;  // a character like any other: dropped with the beep
    default:
      if (event->text().isEmpty() || event->key() == Qt::Key_Delete) {
        event->accept();  // arrows, Home, End, Delete: nothing
        return;
      }
  }
  event->accept();
  const QString text = event->text();
  const QChar c = text.isEmpty() ? QChar() : text.front();
  if (text.size() == 1 && c >= '0' && c <= '9') {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? selectionEnd() : cursorPosition();
    const Step step = DigitStep(start, end);
    if (step.position >= 0) {
      m_buffer[static_cast<size_t>(step.position)] = static_cast<char>(c.unicode());
      setText(QString::fromLatin1(m_buffer));
      Select(step.newStart, step.newEnd);
      return;
    }
    Select(step.newStart, step.newEnd);
  }
  QApplication::beep();
  emit inputRejected();
}

}  // namespace quillet
