#pragma once

#include <QLineEdit>

namespace quillet {

// The numeric box of the quote dialogs: digits, "." and control characters are
// typed as usual; any other character is dropped with the beep (and
// inputRejected()). No other check: the dialog's OK checks the number.
class CNumEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CNumEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace quillet
