#include "app/typed_length_edit.h"

#include <QValidator>

namespace {

// Refuses an edit that would make the text longer than the limit and longer
// than it is now: typing into a full field does nothing, deleting from a text
// the program made longer still works. Texts set by the program are never
// validated by QLineEdit, so they stay whole.
class TypedLengthValidator : public QValidator {
 public:
  // The line edit already holds the candidate text while it validates, so
  // the length before the edit is kept from its last accepted change.
  TypedLengthValidator(QLineEdit* edit, int limit)
      : QValidator(edit), limit_(limit), antes_(edit->text().size()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { antes_ = t.size(); });
  }

  State validate(QString& input, int& /*pos*/) const override {
    if (limit_ <= 0 || input.size() <= limit_ || input.size() <= antes_) return Acceptable;
    return Invalid;
  }

 private:
  int limit_;
  qsizetype antes_;
};

}  // namespace

TypedLengthEdit::TypedLengthEdit(QWidget* parent) : QLineEdit(parent) {
  // The Enter navigator treats it as the edit box it is.
  setProperty("qxClassName", QStringLiteral("TEdit"));
}

void TypedLengthEdit::setTypedMaxLength(int length) {
  typedMaxLength_ = length;
  // Read by the Enter navigator's automatic skip.
  setProperty("MaxLength", length > 0 ? length : 0);
  const QValidator* old = validator();
  setValidator(length > 0 ? new TypedLengthValidator(this, length) : nullptr);
  delete old;
}
