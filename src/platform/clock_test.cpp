#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, InstalledDoublesReplaceTheRealClockAndPause) {
  const QDateTime start(QDate(2026, 11, 30), QTime(10, 0));
  platform::FakeClock clock(start);
  platform::RecordingPause pause(&clock);
  {
    platform::ScopedClock scopedClock(&clock);
    platform::ScopedPause scopedPause(&pause);
    EXPECT_EQ(platform::now(), start);
    platform::sleepMs(1000);
    platform::sleepMs(250);
    EXPECT_EQ(platform::now(), start.addMSecs(1250));
  }
  EXPECT_EQ(pause.pauses(), (QList<int>{1000, 250}));
  // Uninstalled: the real clock again.
  EXPECT_GT(platform::now().date().year(), 2020);
}

TEST(Clock, RealPauseSleeps) {
  // The one test that tests the real sleep: it must block, so the clock moves.
  const QDateTime before = QDateTime::currentDateTime();
  platform::sleepMs(20);
  EXPECT_GE(before.msecsTo(QDateTime::currentDateTime()), 20);
}

}  // namespace
