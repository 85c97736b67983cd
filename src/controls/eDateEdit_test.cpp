#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "controls/bit_button.h"
#include "controls/eCalendario.h"
#include "controls/eDateEdit.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

namespace {

using platform::kEmptyDate;
using platform::toDateTime;

QDateTime at(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(10, 30)); }

TEST(DateRules, Normalize) {
  const eDateEdit::DateRules r2011{true, 0, QDate(2011, 6, 20)};
  const eDateEdit::DateRules pivot30{true, 30, QDate(2011, 6, 20)};
  const struct {
    const char* text;
    const eDateEdit::DateRules& rules;
    const char* expected;
  } cases[] = {
      {"5/6/11", r2011, "05/06/2011"},   {"123/6/5", r2011, "23/06/2015"},
      {"1/1/011", r2011, "01/01/2011"},  {"1/1/1999", r2011, "01/01/1999"},
      {"__/__/____", r2011, "00/00/0000"}, {"15/06/", r2011, "15/06/0000"},
      {" 1a/0 2/20 11", r2011, "01/02/2011"}, {"", r2011, "00/00/0000"},
      {"1/1/45", pivot30, "01/01/1945"}, {"1/1/30", pivot30, "01/01/2030"},
      {"1/1/5", pivot30, "01/01/2015"},  {"1/1/25", pivot30, "01/01/2025"},
      {"1/1/145", pivot30, "01/01/2145"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(eDateEdit::NormalizeDate(c.text, c.rules), c.expected) << c.text;
}

TEST(DateRules, InterpretAndComplete) {
  const eDateEdit::DateRules r{true, 0, QDate(2011, 6, 20)};
  const struct {
    const char* normalized;
    QDate date;         // invalid: the empty date
    const char* completed;
  } cases[] = {
      {"09/08/2011", QDate(2011, 8, 9), "09/08/2011"},
      {"31/04/2011", QDate(), "30/04/2011"},
      {"29/02/2011", QDate(), "28/02/2011"},
      {"29/02/2012", QDate(2012, 2, 29), "29/02/2012"},
      {"29/02/2000", QDate(2000, 2, 29), "29/02/2000"},
      {"29/02/1900", QDate(), "28/02/1900"},
      {"15/13/2011", QDate(), "15/12/2011"},
      {"15/06/0000", QDate(), "15/06/2011"},
      {"15/00/0000", QDate(), "15/06/2011"},
      {"00/02/2011", QDate(), "20/02/2011"},
      {"32/01/2011", QDate(), "31/01/2011"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.normalized);
    const platform::TDateTime v = eDateEdit::InterpretDate(c.normalized, r);
    if (c.date.isValid())
      EXPECT_EQ(platform::dateOf(v), c.date);
    else
      EXPECT_EQ(v, kEmptyDate);
    EXPECT_EQ(eDateEdit::CompleteDate(c.normalized, r), c.completed);
  }
  // A two-digit-year text takes the current century.
  EXPECT_EQ(platform::dateOf(eDateEdit::InterpretDate("09/08/11", r)), QDate(2011, 8, 9));
  EXPECT_EQ(eDateEdit::CompleteDate("09/08/2011", {false, 0, QDate(2011, 6, 20)}), "09/08/11");
}

// A shown, active window: the date field between two edits.
struct DateForm {
  QWidget window;
  QLineEdit* before = new QLineEdit(&window);
  TeDateEdit* date = new TeDateEdit(&window);
  QLineEdit* after = new QLineEdit(&window);

  DateForm() {
    auto* l = new QVBoxLayout(&window);
    l->addWidget(before);
    l->addWidget(date);
    l->addWidget(after);
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus(Qt::OtherFocusReason);
  }
  // Tabs into the field, types, and tabs out.
  void typeAndLeave(const QString& keys) {
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(date->hasFocus());
    QTest::keyClicks(date, keys);
    QTest::keyClick(date, Qt::Key_Tab);
  }
};

TEST(DateEdit, NewFieldHoldsTheEmptyDateAndShowsNothing) {
  DateForm f;
  EXPECT_EQ(f.date->DateValue(), kEmptyDate);
  EXPECT_EQ(f.date->DateText(), "00/00/0000");
  EXPECT_EQ(f.date->text(), "");
  EXPECT_EQ(f.date->AssumeDefault(), true);
  EXPECT_EQ(f.date->BaseChar(), u'_');
  EXPECT_EQ(f.date->OverCentury(), 0);
  EXPECT_FALSE(f.date->Glyph().isNull());
}

TEST(DateEdit, LeavingCompletesOrKeepsWhatWasTyped) {
  const struct {
    QDateTime today;
    const char* keys;
    const char* expected;
  } cases[] = {
      {at(2011, 6, 20), "31042011", "30/04/2011"},
      {at(2011, 6, 20), "29022011", "28/02/2011"},
      {at(2011, 6, 20), "29022012", "29/02/2012"},
      {at(2011, 6, 20), "15132011", "15/12/2011"},
      {at(2011, 6, 20), "1503", "15/03/2011"},   // no year: this year
      {at(2011, 6, 20), "15", "15/06/2011"},     // day only: this month and year
      {at(2011, 6, 20), "31", "30/06/2011"},     // beyond the month's last day
      {at(2011, 6, 20), "00062011", "20/06/2011"},  // no day: today's
      {at(2011, 5, 31), "00062011", "30/06/2011"},  // ... unless the month is shorter
      {at(2011, 6, 20), "09082011", "09/08/2011"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    platform::FakeClock clock(c.today);
    platform::ScopedClock useClock(&clock);
    DateForm f;
    f.typeAndLeave(c.keys);
    EXPECT_TRUE(f.after->hasFocus());
    EXPECT_EQ(f.date->DateText(), c.expected);
    EXPECT_EQ(f.date->text(), c.expected);  // the resting display
    EXPECT_EQ(f.date->inputMask(), "");
  }
}

TEST(DateEdit, LeavingWithNothingTypedKeepsTheEmptyDate) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  f.typeAndLeave("");
  EXPECT_TRUE(f.after->hasFocus());
  EXPECT_EQ(f.date->DateValue(), kEmptyDate);
  EXPECT_EQ(f.date->text(), "");
}

TEST(DateEdit, OverCenturyPivotsTwoDigitYears) {
  const struct {
    const char* keys;
    const char* expected;
  } cases[] = {{"010145", "01/01/1945"}, {"010130", "01/01/2030"}, {"01015", "01/01/2015"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    platform::FakeClock clock(at(2011, 6, 20));
    platform::ScopedClock useClock(&clock);
    DateForm f;
    f.date->setOverCentury(30);
    f.typeAndLeave(c.keys);
    EXPECT_EQ(f.date->DateText(), c.expected);
  }
}

TEST(DateEdit, WithoutCenturyTheYearHasTwoDigits) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  f.date->setCentury(false);
  EXPECT_EQ(f.date->DateText(), "00/00/00");
  f.typeAndLeave("090811");
  EXPECT_EQ(f.date->DateText(), "09/08/11");
  EXPECT_EQ(platform::dateOf(f.date->DateValue()), QDate(2011, 8, 9));
}

TEST(DateEdit, RefusingKeepsTheFocusAndSelectsTheText) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  {
    platform::ScopedDialogs dialogs;
    DateForm f;
    f.date->setAssumeDefault(false);
    f.typeAndLeave("32012011");
    EXPECT_EQ(dialogs.recorder.beeps(), 1);
    EXPECT_TRUE(f.date->hasFocus());
    EXPECT_EQ(f.date->selectedText(), "32/01/2011");
    EXPECT_EQ(f.date->DateValue(), kEmptyDate);
    // Correcting the day lets the focus go.
    QTest::keyClicks(f.date, "31012011");
    QTest::keyClick(f.date, Qt::Key_Tab);
    EXPECT_TRUE(f.after->hasFocus());
    EXPECT_EQ(f.date->DateText(), "31/01/2011");
    EXPECT_EQ(dialogs.recorder.beeps(), 1);
  }
  {
    platform::ScopedDialogs dialogs;
    DateForm f;
    int errors = 0;
    f.date->OnDateError = [&] { ++errors; };
    f.date->setAssumeDefault(false);
    f.typeAndLeave("31042011");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(dialogs.recorder.beeps(), 0);
    EXPECT_TRUE(f.date->hasFocus());
  }
}

TEST(DateEdit, WindowDeactivationDoesNotLeaveTheField) {
  platform::ScopedDialogs dialogs;
  DateForm f;
  f.date->setAssumeDefault(false);
  QTest::keyClick(f.before, Qt::Key_Tab);
  QTest::keyClicks(f.date, "3204");
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(f.date, &out);
  EXPECT_EQ(dialogs.recorder.beeps(), 0);
  EXPECT_EQ(f.date->text(), "32/04/");  // still the mask, still being edited
}

TEST(DateEdit, DateValueFollowsTheTyping) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  int changes = 0;
  f.date->OnChange = [&] { ++changes; };
  QTest::keyClick(f.before, Qt::Key_Tab);
  EXPECT_EQ(f.date->displayText(), "__/__/____");
  QTest::keyClicks(f.date, "0908201");
  // A three-digit year takes the current year's first digit: 201 is 2201.
  EXPECT_EQ(f.date->DateValue(), toDateTime(QDate(2201, 8, 9)));
  QTest::keyClicks(f.date, "1");
  EXPECT_EQ(f.date->DateValue(), toDateTime(QDate(2011, 8, 9)));
  EXPECT_EQ(changes, 8);
}

TEST(DateEdit, ValueAndTextWritesRefreshTheDisplay) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  f.date->setDateValue(toDateTime(QDate(2011, 8, 9)));
  EXPECT_EQ(f.date->text(), "09/08/2011");
  EXPECT_EQ(f.date->DateText(), "09/08/2011");
  const struct {
    const char* text;
    const char* dateText;
  } writes[] = {
      {"1/2/2010", "01/02/2010"}, {"31/04/2011", "00/00/0000"},  // written, not completed
      {"qualquer coisa", "00/00/0000"}, {"", "00/00/0000"}, {"15/6/11", "15/06/2011"},
  };
  for (const auto& w : writes) {
    f.date->setDateText(w.text);
    EXPECT_EQ(f.date->DateText(), w.dateText) << w.text;
  }
  // Entering shows the date in the mask.
  QTest::keyClick(f.before, Qt::Key_Tab);
  EXPECT_EQ(f.date->displayText(), "15/06/2011");
  EXPECT_EQ(f.date->selectedText(), "15/06/2011");
}

TEST(DateEdit, AClickIntoTheFieldSelectsTheWholeDate) {
  DateForm f;
  f.date->setDateValue(toDateTime(QDate(2011, 8, 9)));
  QTest::mouseClick(f.date, Qt::LeftButton, Qt::NoModifier, QPoint(12, f.date->height() / 2));
  ASSERT_TRUE(f.date->hasFocus());
  EXPECT_EQ(f.date->selectedText(), "09/08/2011");
  // A click inside the field that has the focus just places the caret.
  QTest::mouseClick(f.date, Qt::LeftButton, Qt::NoModifier, QPoint(12, f.date->height() / 2));
  EXPECT_EQ(f.date->selectedText(), "");
}

TEST(DateEdit, AlignmentAndCenturyApplyToTheShownDate) {
  DateForm f;
  f.date->setDateValue(toDateTime(QDate(2011, 8, 9)));
  f.date->setAlignment(TeDateEdit::TAlignment::taRightJustify);
  EXPECT_TRUE(f.date->alignment() & Qt::AlignRight);
  f.date->setCentury(false);
  EXPECT_EQ(f.date->text(), "09/08/11");
  EXPECT_EQ(f.date->DateText(), "09/08/11");
  QTest::keyClick(f.before, Qt::Key_Tab);
  EXPECT_EQ(f.date->displayText(), "09/08/11");
  f.date->setAlignment(TeDateEdit::TAlignment::taCenter);
  EXPECT_TRUE(f.date->alignment() & Qt::AlignHCenter);
  EXPECT_EQ(f.date->selectedText(), "09/08/11");
}

TEST(DateEdit, BaseCharRefusesNul) {
  DateForm f;
  f.date->setBaseChar(QChar());
  EXPECT_EQ(f.date->BaseChar(), u'_');
  f.date->setBaseChar(u'#');
  QTest::keyClick(f.before, Qt::Key_Tab);
  EXPECT_EQ(f.date->displayText(), "##/##/####");
}

TEST(DateEdit, DisabledFieldShowsItsDate) {
  DateForm f;
  f.date->setDateValue(toDateTime(QDate(2011, 8, 9)));
  f.date->setEnabled(false);
  EXPECT_EQ(f.date->text(), "09/08/2011");
  QTest::keyClick(f.before, Qt::Key_Tab);
  EXPECT_TRUE(f.after->hasFocus());  // skipped
}

// Runs `act` on the calendar dialog once it is open.
void whenCalendarOpens(std::function<void(TfrmCalendario&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<TfrmCalendario*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST(DateEdit, CalendarStartsAtTodayOnAnEmptyFieldAndWritesTheChoice) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  QDate started;
  whenCalendarOpens([&](TfrmCalendario& c) {
    started = c.Date();
    c.setDate(QDate(2011, 8, 9));
    c.btnConfirma->click();
  });
  QTest::mouseClick(f.date->button(), Qt::LeftButton);
  EXPECT_EQ(started, QDate(2011, 6, 20));
  EXPECT_EQ(f.date->DateValue(), toDateTime(QDate(2011, 8, 9)));
  // The offscreen platform has no window manager to give the activation back.
  QApplication::setActiveWindow(&f.window);
  EXPECT_TRUE(f.date->hasFocus());
  EXPECT_EQ(f.date->displayText(), "09/08/2011");
  QTest::keyClick(f.date, Qt::Key_Tab);
  EXPECT_EQ(f.date->text(), "09/08/2011");
}

TEST(DateEdit, CalendarStartsAtTheFieldsDateAndFecharChangesNothing) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  f.date->setDateValue(toDateTime(QDate(2010, 3, 15)));
  QDate started;
  whenCalendarOpens([&](TfrmCalendario& c) {
    started = c.Date();
    c.setDate(QDate(2011, 8, 9));
    c.btnFechar->click();
  });
  QTest::mouseClick(f.date->button(), Qt::LeftButton);
  EXPECT_EQ(started, QDate(2010, 3, 15));
  EXPECT_EQ(f.date->DateValue(), toDateTime(QDate(2010, 3, 15)));
}

TEST(DateEdit, CalendarOnAHalfTypedDateStartsAtToday) {
  platform::FakeClock clock(at(2011, 6, 20));
  platform::ScopedClock useClock(&clock);
  DateForm f;
  QTest::keyClick(f.before, Qt::Key_Tab);
  QTest::keyClicks(f.date, "3104");
  QDate started;
  whenCalendarOpens([&](TfrmCalendario& c) {
    started = c.Date();
    c.btnFechar->click();
  });
  QTest::mouseClick(f.date->button(), Qt::LeftButton);
  EXPECT_EQ(started, QDate(2011, 6, 20));
  EXPECT_EQ(f.date->text(), "31/04/");  // untouched by closing without a date
}

}  // namespace
