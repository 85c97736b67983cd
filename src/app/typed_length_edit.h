// A line edit whose maximum length limits what the user types or pastes,
// never what the program puts into it (QLineEdit::setMaxLength cuts both).
// A CPF the lookup stores with punctuation (14 characters) in an 11-character
// field must stay whole so that the exchange's length check can refuse it.
#ifndef QX_APP_TYPED_LENGTH_EDIT_H_
#define QX_APP_TYPED_LENGTH_EDIT_H_

#include <QLineEdit>

class TypedLengthEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TypedLengthEdit(QWidget* parent = nullptr);

  // 0 or less: no limit. Never changes the current text.
  void setTypedMaxLength(int length);
  int typedMaxLength() const { return typedMaxLength_; }

 private:
  int typedMaxLength_ = 0;
};

#endif  // QX_APP_TYPED_LENGTH_EDIT_H_
