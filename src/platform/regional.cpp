#include "platform/regional.h"

#include <QRegularExpression>

#include <array>

namespace platform::regional {

namespace {

const std::array<const char16_t*, 7> kLongDays = {
    u"segunda-feira", u"terça-feira", u"quarta-feira", u"quinta-feira",
    u"sexta-feira",   u"sábado",      u"domingo"};
const std::array<const char16_t*, 7> kShortDays = {u"seg", u"ter", u"qua", u"qui",
                                                   u"sex", u"sáb", u"dom"};
const std::array<const char16_t*, 12> kLongMonths = {
    u"janeiro", u"fevereiro", u"março",    u"abril",   u"maio",     u"junho",
    u"julho",   u"agosto",    u"setembro", u"outubro", u"novembro", u"dezembro"};
const std::array<const char16_t*, 12> kShortMonths = {u"jan", u"fev", u"mar", u"abr",
                                                      u"mai", u"jun", u"jul", u"ago",
                                                      u"set", u"out", u"nov", u"dez"};

template <std::size_t N>
QString pick(const std::array<const char16_t*, N>& names, int oneBased) {
  if (oneBased < 1 || oneBased > static_cast<int>(N)) return QString();
  return QString::fromUtf16(names[static_cast<std::size_t>(oneBased - 1)]);
}

}  // namespace

QString shortDate(QDate date) {
  if (!date.isValid()) return QString();
  return QStringLiteral("%1/%2/%3")
      .arg(date.day(), 2, 10, QLatin1Char('0'))
      .arg(date.month(), 2, 10, QLatin1Char('0'))
      .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString longTime(QTime time) {
  if (!time.isValid()) return QString();
  return QStringLiteral("%1:%2:%3")
      .arg(time.hour(), 2, 10, QLatin1Char('0'))
      .arg(time.minute(), 2, 10, QLatin1Char('0'))
      .arg(time.second(), 2, 10, QLatin1Char('0'));
}

QString longDayName(int dayOfWeek) { return pick(kLongDays, dayOfWeek); }
QString shortDayName(int dayOfWeek) { return pick(kShortDays, dayOfWeek); }
QString longMonthName(int month) { return pick(kLongMonths, month); }
QString shortMonthName(int month) { return pick(kShortMonths, month); }

QDate parseShortDate(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
  const QRegularExpressionMatch m = pattern.match(text.trimmed());
  if (!m.hasMatch()) return QDate();
  return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

}  // namespace platform::regional
