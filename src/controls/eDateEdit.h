// TeDateEdit: the date entry field.
//
// While it has the focus the field edits through a fixed mask (dd/mm/yyyy,
// or dd/mm/yy without Century); at rest it shows the date without
// placeholders, or nothing for the empty date. Every text change updates
// DateValue; leaving the field completes an incomplete or impossible date
// (AssumeDefault) or refuses it and keeps the focus. The button at the right
// edge opens the calendar dialog (TfrmCalendario).
#ifndef QX_CONTROLS_EDATEEDIT_H_
#define QX_CONTROLS_EDATEEDIT_H_

#include <QDate>
#include <QString>

#include <functional>

#include "controls/eExEdit.h"
#include "platform/datetime.h"

// The rules that turn typed text into dates, apart from the widget.
namespace eDateEdit {

struct DateRules {
  bool century = true;   // four-digit years
  int overCentury = 0;   // two-digit-year pivot; 0 is off
  QDate today;           // supplies the current day, month, year and century
};

// Digits and separators only; day and month to two digits, the year
// completed from the current one (honouring the pivot): "dd/mm/yyyy".
QString NormalizeDate(const QString& text, const DateRules& rules);
// The date of a normalized text, or the empty date when it is none.
platform::TDateTime InterpretDate(const QString& normalized, const DateRules& rules);
// Fills what is missing or too large from today, in the rules' format.
QString CompleteDate(const QString& normalized, const DateRules& rules);
// A text is empty when it holds no digit from 1 to 9.
bool IsEmptyDateText(const QString& text);
// dd/mm/yyyy (dd/mm/yy without century); the empty date as zeros.
QString FormatDate(platform::TDateTime value, bool century);
int DaysInMonth(int month, int year);

}  // namespace eDateEdit

class TeDateEdit : public TeExEdit {
  Q_OBJECT

 public:
  enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

  explicit TeDateEdit(QWidget* parent = nullptr);

  // The date, kEmptyDate for none. Writing stores it as given and refreshes
  // the display.
  platform::TDateTime DateValue() const { return dateValue_; }
  void setDateValue(platform::TDateTime value);

  // DateValue in the field's format. Writing normalizes and interprets the
  // text (no completion); a text that is no date gives the empty date.
  QString DateText() const;
  void setDateText(const QString& text);

  TAlignment Alignment() const { return alignment_; }
  void setAlignment(TAlignment alignment);
  using QLineEdit::setAlignment;

  bool AssumeDefault() const { return assumeDefault_; }
  void setAssumeDefault(bool on) { assumeDefault_ = on; }

  // Placeholder of untyped mask positions; NUL and the current one are ignored.
  QChar BaseChar() const { return baseChar_; }
  void setBaseChar(QChar c);

  bool Century() const { return century_; }
  void setCentury(bool on);

  int OverCentury() const { return overCentury_; }
  void setOverCentury(int pivot);  // clamped to 0..99

  // The edit mask in use while the field has the focus (Qt mask syntax).
  QString EditMask() const;

  // Raised instead of the beep when leaving refuses an invalid date.
  std::function<void()> OnDateError;
  // Raised after every text change, once DateValue follows it.
  std::function<void()> OnChange;

 protected:
  void ButtonClick() override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  eDateEdit::DateRules rules() const;
  void textEdited(const QString& text);
  void enterField();
  bool leaveField();  // false when the date is refused
  void showDate();    // the display for the current state and DateValue
  void setTextQuietly(const QString& text);

  platform::TDateTime dateValue_ = platform::kEmptyDate;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool assumeDefault_ = true;
  QChar baseChar_ = u'_';
  bool century_ = true;
  int overCentury_ = 0;
  bool focused_ = false;        // entered and not yet left
  bool selectOnRelease_ = false;  // entered by a click: select all once it ends
  int quiet_ = 0;               // display changes that are not edits
};

#endif  // QX_CONTROLS_EDATEEDIT_H_
