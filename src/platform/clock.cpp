#include "platform/clock.h"

#include <QThread>

namespace platform {

namespace {

class SystemClock : public Clock {
 public:
  QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class ThreadPause : public Pause {
 public:
  void sleep(int ms) override {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
  }
};

SystemClock systemClock;
ThreadPause threadPause;
Clock* clock = &systemClock;
Pause* pause = &threadPause;

}  // namespace

QDateTime now() { return clock->now(); }
void sleepMs(int ms) { pause->sleep(ms); }

void installClock(Clock* c) { clock = c != nullptr ? c : &systemClock; }
void installPause(Pause* p) { pause = p != nullptr ? p : &threadPause; }

}  // namespace platform
