#include "printer/ecf_text.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"

#include <QRegularExpression>

namespace printer::text {

QString AnsiBuffer::text() const { return platform::fromAnsi(bytes_); }

AnsiArg::AnsiArg(const QString& text) : bytes_(platform::toAnsi(text)), empty_(text.isEmpty()) {}

QString DataImpressora(const QString& ddmmyy) {
  return ddmmyy.mid(0, 2) + u'/' + ddmmyy.mid(2, 2) + u'/' + ddmmyy.mid(4, 2);
}

QString HoraImpressora(const QString& hhmmss) {
  return hhmmss.mid(0, 2) + u':' + hhmmss.mid(2, 2) + u':' + hhmmss.mid(4, 2);
}

QDate DataCurta(const QString& text) {
  static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})\\s*$"));
  const QRegularExpressionMatch m = re.match(text);
  QDate d;
  if (m.hasMatch()) {
    int ano = m.captured(3).toInt();
    if (m.captured(3).size() == 2) {
      const int base = platform::now().date().year() - 50;
      ano += base / 100 * 100;
      if (ano < base) ano += 100;
    }
    d = QDate(ano, m.captured(2).toInt(), m.captured(1).toInt());
  }
  if (!d.isValid())
    throw platform::ConvertError(QStringLiteral("'%1' não é uma data válida").arg(text));
  return d;
}

QTime Hora(const QString& text) {
  static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2}):(\\d{1,2})\\s*$"));
  const QRegularExpressionMatch m = re.match(text);
  QTime t;
  if (m.hasMatch()) t = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  if (!t.isValid())
    throw platform::ConvertError(QStringLiteral("'%1' não é uma hora válida").arg(text));
  return t;
}

}  // namespace printer::text
