#include "platform/codepage.h"

#include <array>

namespace platform {

namespace {

// 0x80..0x9F are the only bytes where Windows-1252 differs from Latin-1.
// The unassigned 0x81 0x8D 0x8F 0x90 0x9D pass through as C1 controls.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t toUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

// -1 when the character has no byte in the code page.
int toByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

QString fromAnsi(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    out[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
  }
  return text;
}

QByteArray toAnsi(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    // A character outside the basic plane is one character: one '?'.
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      bytes.append('?');
      ++i;
      continue;
    }
    const int b = toByte(c);
    bytes.append(b < 0 ? '?' : static_cast<char>(b));
  }
  return bytes;
}

}  // namespace platform
