// The platform's date-time value: days since 30/12/1899 as a double, the time
// of day as the fraction. Negative values count back from that day; the time
// fraction is still taken as positive, as on the original platform.
#ifndef QX_PLATFORM_DATETIME_H_
#define QX_PLATFORM_DATETIME_H_

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace platform {

using TDateTime = double;

// The date edit's "no date" (shown 00/00/0000): 01/01/0001 minus one day.
inline constexpr TDateTime kEmptyDate = -693594.0;

// Midnight of the day; kEmptyDate for an invalid date.
TDateTime toDateTime(QDate date);
// The local wall-clock time; kEmptyDate for an invalid moment.
TDateTime toDateTime(const QDateTime& dateTime);
// The day; invalid for kEmptyDate, days before 01/01/0001, NaN and infinity.
// A time that rounds up to midnight belongs to the next day.
QDate dateOf(TDateTime value);
// The time of day rounded to milliseconds (00:00 when that reaches midnight);
// invalid for NaN and infinity.
QTime timeOf(TDateTime value);
// dateOf and timeOf together; invalid when dateOf is.
QDateTime fromDateTime(TDateTime value);

}  // namespace platform

#endif  // QX_PLATFORM_DATETIME_H_
