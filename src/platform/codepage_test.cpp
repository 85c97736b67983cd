#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = platform::fromAnsi(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(platform::toAnsi(text), all);
}

TEST(CodePage, BytesMapAsWindowsMapsThem) {
  struct Case {
    unsigned char byte;
    char16_t unicode;
  };
  const Case cases[] = {
      {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
      {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C},
      {0x96, 0x2013}, {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xC7, 0x00C7},
      {0xE3, 0x00E3}, {0xE7, 0x00E7}, {0xFF, 0x00FF},
  };
  for (const Case& c : cases) {
    const char byte = static_cast<char>(c.byte);
    const QString text = platform::fromAnsi(QByteArrayView(&byte, 1));
    ASSERT_EQ(text.size(), 1);
    EXPECT_EQ(text[0].unicode(), c.unicode) << "byte 0x" << std::hex << int(c.byte);
  }
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  struct Case {
    QString text;
    QByteArray bytes;
  };
  const Case cases[] = {
      {QStringLiteral("Farmácia"), QByteArray("Farm\xE1" "cia")},
      {QStringLiteral("€ 5"), QByteArray("\x80 5")},
      {QString::fromUtf16(u"a\u0101b"), QByteArray("a?b")},   // ā is not in the code page
      {QString::fromUtf16(u"x\U0001F600y"), QByteArray("x?y")},  // one character, two units
      {QString::fromUtf16(u"\u00A0\u00FF"), QByteArray("\xA0\xFF")},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::toAnsi(c.text), c.bytes) << c.text.toStdString();
}

}  // namespace
