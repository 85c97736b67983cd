// The wall clock and the blocking pause, replaceable so that a test of a
// one-second pause does not wait a second.
#ifndef QX_PLATFORM_CLOCK_H_
#define QX_PLATFORM_CLOCK_H_

#include <QDateTime>
#include <QList>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
};

class Pause {
 public:
  virtual ~Pause() = default;
  // Blocks the calling (user-interface) thread for ms milliseconds.
  virtual void sleep(int ms) = 0;
};

QDateTime now();        // through the installed clock
void sleepMs(int ms);   // through the installed pause

// nullptr restores the real one. The caller keeps ownership.
void installClock(Clock* clock);
void installPause(Pause* pause);

// Test doubles.
class FakeClock : public Clock {
 public:
  explicit FakeClock(QDateTime start) : now_(std::move(start)) {}
  QDateTime now() const override { return now_; }
  void set(QDateTime value) { now_ = std::move(value); }
  void advanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }

 private:
  QDateTime now_;
};

// Records every pause; advances a fake clock by it when given one.
class RecordingPause : public Pause {
 public:
  explicit RecordingPause(FakeClock* clock = nullptr) : clock_(clock) {}
  void sleep(int ms) override {
    pauses_.append(ms);
    if (clock_ != nullptr) clock_->advanceMs(ms);
  }
  const QList<int>& pauses() const { return pauses_; }

 private:
  FakeClock* clock_;
  QList<int> pauses_;
};

// Installs a double for the lifetime of a test scope.
class ScopedClock {
 public:
  explicit ScopedClock(Clock* c) { installClock(c); }
  ~ScopedClock() { installClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};
class ScopedPause {
 public:
  explicit ScopedPause(Pause* p) { installPause(p); }
  ~ScopedPause() { installPause(nullptr); }
  ScopedPause(const ScopedPause&) = delete;
  ScopedPause& operator=(const ScopedPause&) = delete;
};

}  // namespace platform

#endif  // QX_PLATFORM_CLOCK_H_
