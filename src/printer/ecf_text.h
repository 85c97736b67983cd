// Text at the printer library boundary: buffers of spaces, arguments in
// Windows-1252, and the printer's ddmmyy / hhmmss texts.
#ifndef QX_PRINTER_ECF_TEXT_H_
#define QX_PRINTER_ECF_TEXT_H_

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

namespace printer::text {

// An output buffer of `size` spaces; the library overwrites it in place and
// may write the NUL that QByteArray keeps after the last character.
class AnsiBuffer {
 public:
  explicit AnsiBuffer(int size) : bytes_(size, ' ') {}
  char* data() { return bytes_.data(); }
  // The whole buffer as the library left it, untouched spaces included.
  QString text() const;

 private:
  QByteArray bytes_;
};

// An input text: Windows-1252, the empty text as a null pointer. Lives until
// the end of the full expression that made it.
class AnsiArg {
 public:
  explicit AnsiArg(const QString& text);
  operator const char*() const { return empty_ ? nullptr : bytes_.constData(); }

 private:
  QByteArray bytes_;
  bool empty_;
};

// "ddmmyy" -> "dd/mm/yy", "hhmmss" -> "hh:mm:ss", by position.
QString DataImpressora(const QString& ddmmyy);
QString HoraImpressora(const QString& hhmmss);

// A dd/mm/yy (or dd/mm/yyyy) text under the regional short date format, two
// digits completed by the century window (within 50 years of today).
// Throws platform::ConvertError when it is no date.
QDate DataCurta(const QString& text);
// hh:mm:ss; throws platform::ConvertError when it is no time.
QTime Hora(const QString& text);

}  // namespace printer::text

#endif  // QX_PRINTER_ECF_TEXT_H_
