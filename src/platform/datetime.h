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

TDateTime toDateTime(QDate date);                 // midnight of the day
TDateTime toDateTime(const QDateTime& dateTime);  // local wall-clock time
QDate dateOf(TDateTime value);                    // invalid for kEmptyDate
QTime timeOf(TDateTime value);                    // rounded to milliseconds
QDateTime fromDateTime(TDateTime value);

}  // namespace platform

#endif  // QX_PLATFORM_DATETIME_H_
