// Windows-1252 bytes of the DBF files <-> UTF-8, the text encoding SQLite
// works in. Kept here so that SQLite's own functions (length, substr, like)
// count characters of the shop's accented texts correctly.
#ifndef QX_SQL_ANSI_TEXT_H_
#define QX_SQL_ANSI_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

namespace sql {

// Every byte is one character; the five bytes the code page leaves unassigned
// become U+0081, U+008D, U+008F, U+0090, U+009D, as Windows maps them.
std::string AnsiToUtf8(std::string_view ansi);

// nullopt when the text holds a character the code page has no byte for, or
// is not valid UTF-8: no stored value can then equal it.
std::optional<std::string> Utf8ToAnsi(std::string_view utf8);

}  // namespace sql

#endif  // QX_SQL_ANSI_TEXT_H_
