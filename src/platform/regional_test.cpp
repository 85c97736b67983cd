#include "platform/regional.h"

#include <gtest/gtest.h>

namespace {

namespace regional = platform::regional;

TEST(Regional, FormatsDatesAndTimesTheBrazilianWay) {
  EXPECT_EQ(regional::shortDate(QDate(2026, 3, 7)), QStringLiteral("07/03/2026"));
  EXPECT_EQ(regional::shortDate(QDate(2011, 12, 31)), QStringLiteral("31/12/2011"));
  EXPECT_EQ(regional::shortDate(QDate()), QString());
  EXPECT_EQ(regional::longTime(QTime(9, 5, 3, 999)), QStringLiteral("09:05:03"));
  EXPECT_EQ(regional::longTime(QTime(23, 59, 59)), QStringLiteral("23:59:59"));
  EXPECT_EQ(regional::kDecimalSeparator, QChar(u','));
  EXPECT_EQ(regional::kDateSeparator, QChar(u'/'));
}

TEST(Regional, DayAndMonthNames) {
  EXPECT_EQ(regional::longDayName(QDate(2026, 11, 30).dayOfWeek()), QStringLiteral("segunda-feira"));
  EXPECT_EQ(regional::longDayName(3), QStringLiteral("quarta-feira"));
  EXPECT_EQ(regional::longDayName(6), QStringLiteral("sábado"));
  EXPECT_EQ(regional::longDayName(7), QStringLiteral("domingo"));
  EXPECT_EQ(regional::shortDayName(2), QStringLiteral("ter"));
  EXPECT_EQ(regional::shortDayName(6), QStringLiteral("sáb"));
  EXPECT_EQ(regional::longMonthName(3), QStringLiteral("março"));
  EXPECT_EQ(regional::longMonthName(12), QStringLiteral("dezembro"));
  EXPECT_EQ(regional::shortMonthName(2), QStringLiteral("fev"));
  EXPECT_EQ(regional::shortMonthName(9), QStringLiteral("set"));
  for (int bad : {0, 8, -1}) EXPECT_TRUE(regional::longDayName(bad).isEmpty()) << bad;
  for (int bad : {0, 13}) EXPECT_TRUE(regional::shortMonthName(bad).isEmpty()) << bad;
}

TEST(Regional, ParsesShortDates) {
  const std::pair<QString, QDate> cases[] = {
      {"07/03/2026", QDate(2026, 3, 7)},   {"7/3/2026", QDate(2026, 3, 7)},
      {" 29/02/2024 ", QDate(2024, 2, 29)}, {"29/02/2023", QDate()},
      {"32/01/2011", QDate()},             {"00/00/0000", QDate()},
      {"07-03-2026", QDate()},             {"07/03/26", QDate()},
      {"", QDate()},                       {"ab/cd/efgh", QDate()},
  };
  for (const auto& [text, date] : cases) {
    EXPECT_EQ(regional::parseShortDate(text), date) << text.toStdString();
  }
}

}  // namespace
