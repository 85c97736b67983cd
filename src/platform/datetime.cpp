#include "platform/datetime.h"

#include <cmath>

namespace platform {

namespace {

constexpr qint64 kMsPerDay = 86400000;

qint64 dayZero() { return QDate(1899, 12, 30).toJulianDay(); }

// Whole days and milliseconds of the day, the time rounded to milliseconds
// (a time that rounds up to midnight belongs to the next day).
struct Split {
  qint64 days;
  qint64 ms;
};

Split split(TDateTime value) {
  double whole = std::trunc(value);
  qint64 ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  qint64 days = static_cast<qint64>(whole);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += value < 0 ? -1 : 1;
  }
  return {days, ms};
}

// Days before 01/01/0001 (the empty date among them) are no date.
constexpr qint64 kFirstDay = -693593;

}  // namespace

TDateTime toDateTime(QDate date) {
  if (!date.isValid()) return kEmptyDate;
  return static_cast<TDateTime>(date.toJulianDay() - dayZero());
}

TDateTime toDateTime(const QDateTime& dateTime) {
  if (!dateTime.isValid()) return kEmptyDate;
  const double days = toDateTime(dateTime.date());
  const double fraction = static_cast<double>(dateTime.time().msecsSinceStartOfDay()) / kMsPerDay;
  return days < 0 ? days - fraction : days + fraction;
}

QDate dateOf(TDateTime value) {
  if (!std::isfinite(value)) return QDate();
  const Split s = split(value);
  if (s.days < kFirstDay) return QDate();
  return QDate::fromJulianDay(s.days + dayZero());
}

QTime timeOf(TDateTime value) {
  if (!std::isfinite(value)) return QTime();
  return QTime::fromMSecsSinceStartOfDay(static_cast<int>(split(value).ms));
}

QDateTime fromDateTime(TDateTime value) {
  const QDate date = dateOf(value);
  if (!date.isValid()) return QDateTime();
  return QDateTime(date, timeOf(value));
}

}  // namespace platform
