#include "platform/datetime.h"

#include <gtest/gtest.h>

namespace {

using platform::TDateTime;

TEST(DateTime, DaysCountFromTheThirtiethOfDecember1899) {
  const std::pair<QDate, TDateTime> cases[] = {
      {QDate(1899, 12, 30), 0.0},  {QDate(1899, 12, 31), 1.0},  {QDate(1900, 1, 1), 2.0},
      {QDate(1970, 1, 1), 25569.0}, {QDate(2000, 1, 1), 36526.0}, {QDate(1899, 12, 29), -1.0},
      {QDate(1, 1, 1), -693593.0},
  };
  for (const auto& [date, value] : cases) {
    EXPECT_EQ(platform::toDateTime(date), value) << date.toString().toStdString();
    EXPECT_EQ(platform::dateOf(value), date) << value;
  }
}

TEST(DateTime, TimeIsTheFractionAndStaysPositiveBeforeDayZero) {
  struct Case {
    TDateTime value;
    QDateTime dateTime;
  };
  const Case cases[] = {
      {0.5, QDateTime(QDate(1899, 12, 30), QTime(12, 0))},
      {36526.25, QDateTime(QDate(2000, 1, 1), QTime(6, 0))},
      {-1.25, QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
      {-2.75, QDateTime(QDate(1899, 12, 28), QTime(18, 0))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::fromDateTime(c.value), c.dateTime) << c.value;
    EXPECT_DOUBLE_EQ(platform::toDateTime(c.dateTime), c.value) << c.value;
  }
}

TEST(DateTime, TimeRoundsToMillisecondsAndCarriesIntoTheNextDay) {
  const TDateTime t = 45000 + (13 * 3600 + 45 * 60 + 30.7) / 86400.0;
  EXPECT_EQ(platform::timeOf(t), QTime(13, 45, 30, 700));
  const TDateTime almostMidnight = 45000 + (86400000 - 0.2) / 86400000.0;
  EXPECT_EQ(platform::timeOf(almostMidnight), QTime(0, 0));
  EXPECT_EQ(platform::dateOf(almostMidnight), platform::dateOf(45001));
}

TEST(DateTime, EmptyDateIsNoDate) {
  EXPECT_EQ(platform::kEmptyDate, -693594.0);
  EXPECT_FALSE(platform::dateOf(platform::kEmptyDate).isValid());
  EXPECT_FALSE(platform::fromDateTime(platform::kEmptyDate).isValid());
  EXPECT_EQ(platform::toDateTime(QDate()), platform::kEmptyDate);
}

TEST(DateTime, RoundTripsTheWallClock) {
  const QDateTime moment(QDate(2026, 11, 30), QTime(17, 3, 9, 250));
  EXPECT_EQ(platform::fromDateTime(platform::toDateTime(moment)), moment);
}

}  // namespace
