// The regional settings of the target machines (Brazilian Portuguese), fixed
// whatever the Linux locale is. The one place that knows them.
#ifndef QX_PLATFORM_REGIONAL_H_
#define QX_PLATFORM_REGIONAL_H_

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>

namespace platform::regional {

inline constexpr QChar kDecimalSeparator = u',';
inline constexpr QChar kDateSeparator = u'/';

QString shortDate(QDate date);   // dd/mm/yyyy
QString longTime(QTime time);    // hh:mm:ss

// dayOfWeek as QDate::dayOfWeek (1 = Monday ... 7 = Sunday); month 1..12.
QString longDayName(int dayOfWeek);    // "segunda-feira" ... "domingo"
QString shortDayName(int dayOfWeek);   // "seg" ... "dom"
QString longMonthName(int month);      // "janeiro" ... "dezembro"
QString shortMonthName(int month);     // "jan" ... "dez"

// Reads dd/mm/yyyy (also d/m/yyyy); an invalid QDate when it is no date.
QDate parseShortDate(const QString& text);

}  // namespace platform::regional

#endif  // QX_PLATFORM_REGIONAL_H_
