// Windows-1252 ("ANSI") text at the edges: exchange files, DBF fields, INI
// files and printer library buffers. Inside, the system holds QString.
#ifndef QX_PLATFORM_CODEPAGE_H_
#define QX_PLATFORM_CODEPAGE_H_

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

// Every byte maps to one character, as Windows maps it: the five bytes the
// code page leaves unassigned (0x81 0x8D 0x8F 0x90 0x9D) become U+0081 etc.
QString fromAnsi(QByteArrayView bytes);

// One byte per character. A character the code page cannot hold becomes '?',
// as Windows' best-fit-free conversion does.
QByteArray toAnsi(const QString& text);

}  // namespace platform

#endif  // QX_PLATFORM_CODEPAGE_H_
