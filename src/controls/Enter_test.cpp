#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

#include "controls/Enter.h"
#include "controls/eDateEdit.h"
#include "controls/string_grid.h"
#include "platform/dialogs.h"

namespace {

const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);
const QColor kGrey(192, 192, 192);

QColor background(const QWidget* w) { return w->palette().color(QPalette::Base); }

// A dialog with a default button, three edits, a grid and a combo box, shown
// and active, with a navigator on it.
struct Form {
  QDialog dialog;
  QLineEdit* first = new QLineEdit(&dialog);
  QLineEdit* second = new QLineEdit(&dialog);
  TeDateEdit* date = new TeDateEdit(&dialog);
  TStringGrid* grid = new TStringGrid(&dialog, 3);
  QComboBox* combo = new QComboBox(&dialog);
  QPushButton* ok = new QPushButton("OK", &dialog);
  std::unique_ptr<TKTEnter> navigator = std::make_unique<TKTEnter>(&dialog);

  Form() {
    auto* l = new QVBoxLayout(&dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{first, second, date, grid, combo, ok}) l->addWidget(w);
    grid->setRowCount(4);
    combo->addItems({"SP", "RJ"});
    ok->setDefault(true);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    first->setFocus(Qt::OtherFocusReason);
  }
  // Key presses reach the focused control, as the keyboard's do.
  void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
  }
};

TEST(Navigator, EnterMovesToTheNextFieldAndNeverPressesTheDefaultButton) {
  Form f;
  QSignalSpy okClicks(f.ok, &QPushButton::clicked);
  QSignalSpy returns(f.first, &QLineEdit::returnPressed);
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.second->hasFocus());
  f.press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(f.date->hasFocus());
  EXPECT_EQ(okClicks.count(), 0);
  EXPECT_EQ(returns.count(), 0);
  EXPECT_TRUE(f.dialog.isVisible());
}

TEST(Navigator, KeysOfUnlistedControlsKeepTheirEffect) {
  Form f;
  f.navigator->setClassList({"TMaskEdit"});
  QSignalSpy okClicks(f.ok, &QPushButton::clicked);
  f.press(Qt::Key_Return);  // a plain edit is TEdit, not listed: the dialog's default button
  EXPECT_EQ(okClicks.count(), 1);
}

TEST(Navigator, ClassListMatchesWithoutRegardToCase) {
  Form f;
  f.navigator->setClassList({"tedit"});
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.second->hasFocus());
}

TEST(Navigator, DownMovesOnInEditsAndARowDownInGrids) {
  Form f;
  f.press(Qt::Key_Down);
  EXPECT_TRUE(f.second->hasFocus());

  f.grid->setFocus(Qt::OtherFocusReason);
  f.grid->setCurrentCell(0, 0);
  f.press(Qt::Key_Down);
  EXPECT_TRUE(f.grid->hasFocus());
  EXPECT_EQ(f.grid->Row(), 2);
  EXPECT_EQ(f.grid->Col(), 0);
  f.press(Qt::Key_Return);  // a listed grid: one cell right
  EXPECT_TRUE(f.grid->hasFocus());
  EXPECT_EQ(f.grid->Row(), 2);
  EXPECT_EQ(f.grid->Col(), 1);
}

TEST(Navigator, EnterInAnUnlistedGridReachesTheGrid) {
  Form f;
  QStringList withoutGrid = TKTEnter::DefaultClassList();
  withoutGrid.removeAll("TStringGrid");
  f.navigator->setClassList(withoutGrid);
  f.grid->setFocus(Qt::OtherFocusReason);
  f.grid->setCurrentCell(0, 0);
  QSignalSpy okClicks(f.ok, &QPushButton::clicked);
  f.press(Qt::Key_Return);
  EXPECT_EQ(f.grid->Col(), 0);
  EXPECT_EQ(okClicks.count(), 1);  // as without the navigator: the dialog's default button
}

TEST(Navigator, ArrowsOffKeepsDownAndUp) {
  Form f;
  f.navigator->KeyBoardArrows = false;
  f.press(Qt::Key_Down);
  EXPECT_TRUE(f.first->hasFocus());
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.second->hasFocus());
  f.press(Qt::Key_Up);
  EXPECT_TRUE(f.second->hasFocus());
}

TEST(Navigator, UpGoesToThePreviousField) {
  Form f;
  f.second->setFocus(Qt::OtherFocusReason);
  f.press(Qt::Key_Up);
  EXPECT_TRUE(f.first->hasFocus());
}

TEST(Navigator, UpCrossesContainers) {
  QWidget window;
  auto* outer = new QVBoxLayout(&window);
  auto* top = new QGroupBox("Dados", &window);
  auto* bottom = new QGroupBox("Receita", &window);
  auto* a = new QLineEdit(top);
  auto* b = new QLineEdit(bottom);
  (new QVBoxLayout(top))->addWidget(a);
  (new QVBoxLayout(bottom))->addWidget(b);
  outer->addWidget(top);
  outer->addWidget(bottom);
  TKTEnter navigator(&window);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  b->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(b, Qt::Key_Up);
  EXPECT_TRUE(a->hasFocus());
  QTest::keyClick(a, Qt::Key_Down);
  EXPECT_TRUE(b->hasFocus());
}

TEST(Navigator, BackspaceDeletesAsUsual) {
  Form f;
  QTest::keyClicks(f.first, "abc");
  f.press(Qt::Key_Backspace);
  EXPECT_EQ(f.first->text(), "ab");
  EXPECT_TRUE(f.first->hasFocus());
}

TEST(Navigator, DisabledConvertsNothingButStillHighlights) {
  Form f;
  f.navigator->Enabled = false;
  f.press(Qt::Key_Down);
  EXPECT_TRUE(f.first->hasFocus());
  EXPECT_EQ(background(f.first), kYellow);
}

TEST(Navigator, FocusHighlightOffLeavesColoursButConvertsKeys) {
  Form f;
  f.navigator->FocusEnabled = false;
  f.second->setPalette([&] { QPalette p = f.second->palette(); p.setColor(QPalette::Base, kGrey); return p; }());
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.second->hasFocus());
  EXPECT_EQ(background(f.second), kGrey);
}

TEST(Navigator, GreyFieldTurnsYellowThenWhite) {
  Form f;
  QPalette grey = f.second->palette();
  grey.setColor(QPalette::Base, kGrey);
  f.second->setPalette(grey);
  f.press(Qt::Key_Tab);
  ASSERT_TRUE(f.second->hasFocus());
  EXPECT_EQ(background(f.second), kYellow);
  EXPECT_EQ(background(f.first), kWhite);
  // Other code changing the colour meanwhile does not win.
  f.second->setPalette(grey);
  EXPECT_EQ(background(f.second), kYellow);
  f.press(Qt::Key_Tab);
  EXPECT_EQ(background(f.second), kWhite);
  EXPECT_EQ(background(f.date), kYellow);
}

TEST(Navigator, ButtonsAndGridsAreNeverColoured) {
  Form f;
  const QColor gridBefore = background(f.grid);
  const QColor buttonBefore = f.ok->palette().color(QPalette::Base);
  EXPECT_EQ(background(f.first), kYellow);
  f.grid->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(background(f.first), kWhite);
  EXPECT_EQ(background(f.grid), gridBefore);
  f.ok->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(f.ok->palette().color(QPalette::Base), buttonBefore);
  EXPECT_EQ(f.navigator->RememberedControl(), nullptr);
}

TEST(Navigator, AutoSkipTakesTheLastCharacterThenMovesOn) {
  Form f;
  f.first->setMaxLength(3);
  QTest::keyClicks(f.first, "ab");
  EXPECT_TRUE(f.first->hasFocus());
  QTest::keyClicks(f.first, "c");
  EXPECT_EQ(f.first->text(), "abc");
  EXPECT_TRUE(f.second->hasFocus());
  EXPECT_EQ(f.second->text(), "");
}

TEST(Navigator, AutoSkipWithALimitThatDoesNotCutProgramText) {
  Form f;
  f.first->setProperty("MaxLength", 11);
  f.first->setText("123.456.789-01");  // the lookup's 14 characters stay
  EXPECT_EQ(f.first->text().size(), 14);
  f.first->setText("1234567890");
  f.first->end(false);
  QTest::keyClicks(f.first, "1");
  EXPECT_EQ(f.first->text(), "12345678901");
  EXPECT_TRUE(f.second->hasFocus());

  f.navigator->AutoSkip = false;
  f.second->setMaxLength(2);
  QTest::keyClicks(f.second, "xy");
  EXPECT_TRUE(f.second->hasFocus());
}

TEST(Navigator, EnterLeavesTheDateEditThroughItsCompletion) {
  Form f;
  f.date->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(f.date, "31042011");
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.grid->hasFocus());
  EXPECT_EQ(f.date->DateText(), "30/04/2011");
}

TEST(Navigator, EnterOnARefusedDateKeepsTheFocusThere) {
  platform::ScopedDialogs dialogs;
  Form f;
  f.date->setAssumeDefault(false);
  f.date->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(f.date, "31042011");
  f.press(Qt::Key_Return);
  EXPECT_TRUE(f.date->hasFocus());
  EXPECT_EQ(dialogs.recorder.beeps(), 1);
  EXPECT_EQ(f.date->selectedText(), "31/04/2011");
  EXPECT_EQ(background(f.date), kYellow);
}

TEST(Navigator, AltKeysAreNotConverted) {
  Form f;
  f.press(Qt::Key_Return, Qt::AltModifier);
  EXPECT_TRUE(f.first->hasFocus());
}

TEST(Navigator, TypeNamesOfQtWidgets) {
  QLineEdit edit;
  QLineEdit masked;
  masked.setInputMask("000");
  TeDateEdit date;
  QTableWidget table;
  TStringGrid grid;
  QComboBox combo;
  QPushButton button;
  QLineEdit named;
  named.setProperty("qxClassName", "TDBEdit");
  const struct {
    const QWidget* widget;
    const char* name;
  } cases[] = {{&edit, "TEdit"},      {&masked, "TMaskEdit"},  {&date, "TeDateEdit"},
               {&table, "TStringGrid"}, {&grid, "TStringGrid"}, {&combo, "TComboBox"},
               {&button, "TButton"},  {&named, "TDBEdit"}};
  for (const auto& c : cases) EXPECT_EQ(TKTEnter::TypeName(c.widget), c.name);
  EXPECT_EQ(TKTEnter::DefaultClassList().size(), 55);
  EXPECT_EQ(TKTEnter::DefaultClassList().first(), "TMaskEdit");
  EXPECT_EQ(TKTEnter::DefaultClassList().last(), "TDateEdit");
}

TEST(Navigator, ForgetsARememberedEditThatIsDestroyed) {
  Form f;
  ASSERT_EQ(f.navigator->RememberedControl(), f.first);
  delete f.first;
  f.first = nullptr;
  EXPECT_EQ(f.navigator->RememberedControl(), nullptr);
  f.second->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(background(f.second), kYellow);
}

TEST(Navigator, ChainsAndRestoresTheApplicationHandlers) {
  int earlierMessages = 0;
  int ownMessages = 0;
  ApplicationHandlers().OnMessage = [&](QObject*, QEvent*, bool&) { ++earlierMessages; };
  ApplicationHandlers().OnHelp = [](quint16, qintptr, bool&) { return false; };
  {
    Form f;
    f.navigator->OnMessage = [&](QObject*, QEvent*, bool&) { ++ownMessages; };
    f.press(Qt::Key_Return);
    EXPECT_GT(earlierMessages, 0);
    EXPECT_GT(ownMessages, 0);
    EXPECT_FALSE(ApplicationHelpCommand(1, 0));  // the earlier handler's answer
    f.navigator->OnHelp = [](quint16, qintptr, bool&) { return true; };
    EXPECT_TRUE(ApplicationHelpCommand(1, 0));

    f.navigator.reset();
    EXPECT_FALSE(ApplicationHelpCommand(1, 0));
    const int before = earlierMessages;
    const int ownBefore = ownMessages;
    QSignalSpy okClicks(f.ok, &QPushButton::clicked);
    f.press(Qt::Key_Return);  // no navigator: the default button again
    EXPECT_EQ(okClicks.count(), 1);
    EXPECT_GT(earlierMessages, before);
    EXPECT_EQ(ownMessages, ownBefore);
  }
  ApplicationHandlers() = {};
}

TEST(Navigator, TooltipRequestsChangeTheApplicationHint) {
  TKTEnter navigator;
  int hints = 0;
  navigator.OnHint = [&] { ++hints; };
  QLineEdit a;
  QLineEdit b;
  a.setToolTip("CPF do paciente");
  b.setToolTip("CRM do médico");
  const struct {
    QWidget* widget;
    const char* hint;
    int calls;
  } steps[] = {{&a, "CPF do paciente", 1}, {&a, "CPF do paciente", 1}, {&b, "CRM do médico", 2}};
  for (const auto& s : steps) {
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(s.widget, &tip);
    EXPECT_EQ(ApplicationHint(), QString::fromUtf8(s.hint));
    EXPECT_EQ(hints, s.calls);
  }
}

TEST(Navigator, IdleAndHintRunTheEarlierHandlerThenTheirOwn) {
  QStringList calls;
  ApplicationHandlers().OnHint = [&] { calls << "antes"; };
  {
    TKTEnter navigator;
    navigator.OnHint = [&] { calls << "navegador"; };
    ApplicationHandlers().OnHint();
  }
  EXPECT_EQ(calls, (QStringList{"antes", "navegador"}));
  ApplicationHandlers() = {};
  {
    TKTEnter navigator;
    EXPECT_TRUE(ApplicationHandlers().OnIdle);
  }
  EXPECT_FALSE(ApplicationHandlers().OnIdle);
}

}  // namespace
