#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QCalendarWidget>
#include <QTableView>
#include <QTest>

#include "controls/bit_button.h"
#include "controls/eCalendario.h"
#include "platform/clock.h"

namespace {

// Shows the calendar on 09/08/2011, active, and gives its day grid.
QTableView* ShowOnAugust9(TfrmCalendario& c) {
  c.setDate(QDate(2011, 8, 9));
  c.show();
  QApplication::setActiveWindow(&c);
  EXPECT_TRUE(QTest::qWaitForWindowActive(&c));
  return c.Calendar1->findChild<QTableView*>();
}

TEST(Calendar, TitleSpellsTheDateOutInPortuguese) {
  EXPECT_EQ(TfrmCalendario::LongTitle(QDate(2012, 1, 1)), "domingo,01 de janeiro de 2012");
  EXPECT_EQ(TfrmCalendario::LongTitle(QDate(2011, 8, 9)), QString::fromUtf8("terça-feira,09 de agosto de 2011"));
  EXPECT_EQ(TfrmCalendario::LongTitle(QDate(2011, 3, 5)), QString::fromUtf8("sábado,05 de março de 2011"));
}

TEST(Calendar, TitleFollowsTheDateOnceShown) {
  TfrmCalendario c;
  c.setDate(QDate(2012, 1, 1));
  EXPECT_EQ(c.windowTitle(), "Selecione a Data Desejada.");
  c.show();
  EXPECT_EQ(c.windowTitle(), "domingo,01 de janeiro de 2012");
  c.setDate(QDate(2011, 8, 9));
  EXPECT_EQ(c.windowTitle(), QString::fromUtf8("terça-feira,09 de agosto de 2011"));
  EXPECT_EQ(c.size(), QSize(328, 221));
  EXPECT_EQ(c.Calendar1->firstDayOfWeek(), Qt::Sunday);
}

TEST(Calendar, YearAndMonthMovesKeepOrClampTheDay) {
  TfrmCalendario c;
  const struct {
    QDate from;
    TBitBtn* TfrmCalendario::*button;
    QDate to;
  } cases[] = {
      {QDate(2011, 6, 15), &TfrmCalendario::btnMesSeguinte, QDate(2011, 7, 15)},
      {QDate(2011, 1, 31), &TfrmCalendario::btnMesSeguinte, QDate(2011, 2, 28)},
      {QDate(2012, 1, 31), &TfrmCalendario::btnMesSeguinte, QDate(2012, 2, 29)},
      {QDate(2011, 12, 31), &TfrmCalendario::btnMesSeguinte, QDate(2012, 1, 31)},
      {QDate(2011, 3, 31), &TfrmCalendario::btnMesAnterior, QDate(2011, 2, 28)},
      {QDate(2011, 1, 10), &TfrmCalendario::btnMesAnterior, QDate(2010, 12, 10)},
      {QDate(2012, 2, 29), &TfrmCalendario::btnAnoSeguinte, QDate(2013, 2, 28)},
      {QDate(2012, 2, 29), &TfrmCalendario::btnAnoAnterior, QDate(2011, 2, 28)},
      {QDate(2011, 6, 15), &TfrmCalendario::btnAnoAnterior, QDate(2010, 6, 15)},
  };
  for (const auto& k : cases) {
    c.setDate(k.from);
    (c.*k.button)->click();
    EXPECT_EQ(c.Date(), k.to) << k.from.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(c.Calendar1->monthShown(), k.to.month());
  }
}

TEST(Calendar, TodayButtonSelectsToday) {
  platform::FakeClock clock(QDateTime(QDate(2011, 6, 20), QTime(9, 0)));
  platform::ScopedClock useClock(&clock);
  TfrmCalendario c;
  c.setDate(QDate(1999, 1, 1));
  EXPECT_EQ(c.btnHoje->toolTip(), "Vai para a data atual");
  c.btnHoje->click();
  EXPECT_EQ(c.Date(), QDate(2011, 6, 20));
}

TEST(Calendar, DoubleClickOnADayConfirmsIt) {
  TfrmCalendario c;
  QTableView* grid = ShowOnAugust9(c);
  ASSERT_NE(grid, nullptr);
  // Day 15 appears once in any month's grid.
  QModelIndex fifteen;
  for (int r = 0; r < grid->model()->rowCount() && !fifteen.isValid(); ++r)
    for (int col = 0; col < grid->model()->columnCount(); ++col) {
      const QModelIndex i = grid->model()->index(r, col);
      if (i.data().toString() == "15") fifteen = i;
    }
  ASSERT_TRUE(fifteen.isValid());
  const QPoint centre = grid->visualRect(fifteen).center();
  // A real double click starts with a click; QTest's sends only the second half.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  ASSERT_TRUE(c.isVisible());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
  EXPECT_EQ(c.result(), QDialog::Accepted);
  EXPECT_FALSE(c.isVisible());
  EXPECT_EQ(c.Date(), QDate(2011, 8, 15));
}

TEST(Calendar, EnterOnTheGridConfirms) {
  TfrmCalendario c;
  QTableView* grid = ShowOnAugust9(c);
  ASSERT_NE(grid, nullptr);
  grid->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(grid, Qt::Key_Right);
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(c.result(), QDialog::Accepted);
  EXPECT_EQ(c.Date(), QDate(2011, 8, 10));
}

TEST(Calendar, ConfirmaAcceptsAndFecharRejects) {
  TfrmCalendario c;
  c.show();
  c.btnFechar->click();
  EXPECT_EQ(c.result(), QDialog::Rejected);
  c.show();
  c.btnConfirma->click();
  EXPECT_EQ(c.result(), QDialog::Accepted);
  EXPECT_EQ(c.btnConfirma->text(), "&Confirma");
  EXPECT_EQ(c.btnFechar->text(), "&Fechar");
}

// Opened from a window in a corner, the calendar still comes up in the middle
// of the screen, as the three-line message and the notice do.
TEST(Calendar, OpensCentredOnTheScreenNotOverItsWindow) {
  QWidget owner;
  owner.setGeometry(0, 0, 200, 150);
  owner.show();
  TfrmCalendario c(&owner);
  c.show();
  const QPoint middle = c.screen()->availableGeometry().center();
  const QPoint centre = c.frameGeometry().center();
  EXPECT_LE((centre - middle).manhattanLength(), 2)
      << centre.x() << "," << centre.y() << " vs " << middle.x() << "," << middle.y();
}

}  // namespace
