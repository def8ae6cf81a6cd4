#pragma once

#include <QLineEdit>
#include <string>

namespace quillet {

// The masked date box MM/DD/YY: a digit overwrites the position the selection
// stands on and moves the selection on, group by group; the "/" separators
// cannot be typed over. Tab moves on; every other character is dropped with the
// beep (and inputRejected()); arrows, Home, End and Delete do nothing. The
// selection changes only by the mouse or by the digit rule.
class CDateEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CDateEdit(QWidget* parent = nullptr);

  // The date the box starts with (the dialog's initial text), whole text selected.
  void SetDate(const QString& date);
  QString Date() const { return QString::fromLatin1(m_buffer); }

  // A digit typed with the selection start..end: the position written (-1: the
  // digit is dropped) and the selection after it.
  struct Step {
    int position;
    int newStart, newEnd;
  };
  static Step DigitStep(int start, int end);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Select(int start, int end);
  // MM/DD/YY, blank-filled to its 8 positions.
  std::string m_buffer;
};

}  // namespace quillet
