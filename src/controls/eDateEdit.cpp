#include "controls/eDateEdit.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QStringList>

#include <memory>

#include "controls/eCalendario.h"
#include "controls/pictures.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/regional.h"

namespace eDateEdit {
namespace {

const QChar kSep = platform::regional::kDateSeparator;

QString lastTwo(const QString& field) { return (QStringLiteral("00") + field).right(2); }

int number(const QString& part) {
  const QString digits = QString(part).remove(u' ');
  return digits.isEmpty() ? 0 : digits.toInt();
}

struct Parts {
  int day = 0, month = 0, year = 0;
};

Parts split(const QString& normalized, const DateRules& rules) {
  Parts p;
  p.day = number(normalized.mid(0, 2));
  p.month = number(normalized.mid(3, 2));
  p.year = number(normalized.mid(6, 4));
  if (normalized.size() == 8) p.year += rules.today.year() / 100 * 100;
  return p;
}

QString format(int day, int month, int year, bool century) {
  const QString y = century ? QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'))
                            : QStringLiteral("%1").arg(year % 100, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1%2%3%2%4")
      .arg(day, 2, 10, QLatin1Char('0'))
      .arg(kSep)
      .arg(month, 2, 10, QLatin1Char('0'))
      .arg(y);
}

}  // namespace

int DaysInMonth(int month, int year) {
  static const char kDays[] = "312831303130313130313031";
  if (month < 1 || month > 12) return 0;
  int days = (kDays[(month - 1) * 2] - '0') * 10 + (kDays[(month - 1) * 2 + 1] - '0');
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) days = 29;
  return days;
}

bool IsEmptyDateText(const QString& text) {
  for (QChar c : text)
    if (c >= u'1' && c <= u'9') return false;
  return true;
}

QString NormalizeDate(const QString& text, const DateRules& rules) {
  QString kept;
  for (QChar c : text)
    if ((c >= u'0' && c <= u'9') || c == kSep) kept.append(c);
  kept += kSep;
  kept += kSep;
  const QStringList fields = kept.split(kSep);
  QString year = fields.value(2);
  if (year.isEmpty()) {
    year = QStringLiteral("0000");
  } else {
    int current = rules.today.year();
    if (rules.overCentury != 0 && year.size() < 3 && year.toInt() > rules.overCentury) current -= 100;
    const QString currentText = QStringLiteral("%1").arg(current, 4, 10, QLatin1Char('0'));
    year = currentText.left(std::max<qsizetype>(0, 4 - year.size())) + year;
  }
  return lastTwo(fields.value(0)) + kSep + lastTwo(fields.value(1)) + kSep + year;
}

platform::TDateTime InterpretDate(const QString& normalized, const DateRules& rules) {
  const Parts p = split(normalized, rules);
  if (p.day == 0 || p.month == 0 || p.year == 0 || p.month > 12 ||
      p.day > DaysInMonth(p.month, p.year) || IsEmptyDateText(normalized))
    return platform::kEmptyDate;
  return platform::toDateTime(QDate(p.year, p.month, p.day));
}

QString CompleteDate(const QString& normalized, const DateRules& rules) {
  Parts p = split(normalized, rules);
  if (p.year == 0) p.year = rules.today.year();
  if (p.month == 0) p.month = rules.today.month();
  if (p.month > 12) p.month = 12;
  if (p.day == 0) p.day = rules.today.day();
  p.day = std::min(p.day, DaysInMonth(p.month, p.year));
  return format(p.day, p.month, p.year, rules.century);
}

QString FormatDate(platform::TDateTime value, bool century) {
  const QDate d = value == platform::kEmptyDate ? QDate() : platform::dateOf(value);
  if (!d.isValid()) return format(0, 0, 0, century);
  return format(d.day(), d.month(), d.year(), century);
}

}  // namespace eDateEdit

using eDateEdit::DateRules;

TeDateEdit::TeDateEdit(QWidget* parent) : TeExEdit(parent) {
  setGlyph(controls::loadPicture(QStringLiteral("EEditData")));
  connect(this, &QLineEdit::textChanged, this, &TeDateEdit::textEdited);
  showDate();
}

DateRules TeDateEdit::rules() const {
  return DateRules{century_, overCentury_, platform::now().date()};
}

QString TeDateEdit::EditMask() const {
  const QString sep(platform::regional::kDateSeparator);
  return QStringLiteral("00") + sep + QStringLiteral("00") + sep +
         (century_ ? QStringLiteral("0000") : QStringLiteral("00")) + u';' + baseChar_;
}

void TeDateEdit::setTextQuietly(const QString& text) {
  ++quiet_;
  setText(text);
  --quiet_;
}

void TeDateEdit::showDate() {
  const bool empty = dateValue_ == platform::kEmptyDate || !platform::dateOf(dateValue_).isValid();
  ++quiet_;
  if (focused_) {
    setInputMask(EditMask());
    setText(empty ? QString() : DateText());
  } else {
    // At rest the date shows without placeholders; the empty date as nothing.
    setInputMask(QString());
    setText(empty ? QString() : DateText());
  }
  --quiet_;
  update();
}

void TeDateEdit::setDateValue(platform::TDateTime value) {
  dateValue_ = value;
  showDate();
}

QString TeDateEdit::DateText() const { return eDateEdit::FormatDate(dateValue_, century_); }

void TeDateEdit::setDateText(const QString& text) {
  const DateRules r = rules();
  dateValue_ = eDateEdit::InterpretDate(eDateEdit::NormalizeDate(text, r), r);
  showDate();
}

void TeDateEdit::setAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Qt::Alignment a = Qt::AlignLeft;
  if (alignment == TAlignment::taRightJustify) a = Qt::AlignRight;
  if (alignment == TAlignment::taCenter) a = Qt::AlignHCenter;
  QLineEdit::setAlignment(a | Qt::AlignVCenter);
  if (hasFocus()) selectAll();
}

void TeDateEdit::setBaseChar(QChar c) {
  if (c.isNull() || c == baseChar_) return;
  baseChar_ = c;
  showDate();
}

void TeDateEdit::setCentury(bool on) {
  if (on == century_) return;
  century_ = on;
  showDate();
}

void TeDateEdit::setOverCentury(int pivot) { overCentury_ = std::clamp(pivot, 0, 99); }

void TeDateEdit::textEdited(const QString& text) {
  if (quiet_ > 0) return;
  const DateRules r = rules();
  dateValue_ = eDateEdit::InterpretDate(eDateEdit::NormalizeDate(text, r), r);
  if (OnChange) OnChange();
}

void TeDateEdit::enterField() {
  if (focused_) return;
  const DateRules r = rules();
  const platform::TDateTime shown = eDateEdit::InterpretDate(eDateEdit::NormalizeDate(text(), r), r);
  ++quiet_;
  setText(QString());
  setInputMask(EditMask());
  setText(shown == platform::kEmptyDate ? QString() : eDateEdit::FormatDate(shown, century_));
  --quiet_;
}

bool TeDateEdit::leaveField() {
  const DateRules r = rules();
  const QString normalized = eDateEdit::NormalizeDate(text(), r);
  const bool empty = eDateEdit::IsEmptyDateText(normalized);
  const bool valid = eDateEdit::InterpretDate(normalized, r) != platform::kEmptyDate;
  if (!empty && (valid || assumeDefault_)) {
    setText(eDateEdit::CompleteDate(normalized, r));
  } else if (!empty) {
    if (OnDateError)
      OnDateError();
    else
      platform::dialogs().beep();
    return false;
  }
  focused_ = false;
  dateValue_ = eDateEdit::InterpretDate(eDateEdit::NormalizeDate(text(), r), r);
  showDate();
  return true;
}

void TeDateEdit::focusInEvent(QFocusEvent* event) {
  const bool entering = !focused_;
  enterField();
  TeExEdit::focusInEvent(event);  // selects the text unless entered by a click
  if (entering && event->reason() == Qt::MouseFocusReason) selectOnRelease_ = true;
  focused_ = true;
  update();
}

void TeDateEdit::focusOutEvent(QFocusEvent* event) {
  TeExEdit::focusOutEvent(event);
  // The window losing activation (a message box, the calendar) or a popup
  // opening does not leave the field.
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  if (!focused_) return;
  if (!leaveField()) {
    if (isVisible() && isEnabled()) {
      selectAll();
      setFocus(Qt::OtherFocusReason);
      return;
    }
    // A field that disappears cannot keep the focus: drop what cannot be a date.
    focused_ = false;
    dateValue_ = platform::kEmptyDate;
    showDate();
  }
}

void TeDateEdit::mouseReleaseEvent(QMouseEvent* event) {
  TeExEdit::mouseReleaseEvent(event);
  if (selectOnRelease_) {
    selectOnRelease_ = false;
    selectAll();
  }
}

void TeDateEdit::ButtonClick() {
  setFocus(Qt::OtherFocusReason);
  auto dialog = std::make_unique<TfrmCalendario>(window());
  const DateRules r = rules();
  const platform::TDateTime typed = eDateEdit::InterpretDate(eDateEdit::NormalizeDate(text(), r), r);
  // An empty field, and one whose text is no complete date, start at today.
  dialog->setDate(typed == platform::kEmptyDate ? r.today : platform::dateOf(typed));
  if (dialog->exec() == QDialog::Accepted) {
    const QDate chosen = dialog->Date();
    setText(eDateEdit::FormatDate(platform::toDateTime(chosen), century_));
  }
}
