#include "sql/ansi_text.h"

#include <cstdint>

namespace sql {
namespace {

// 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::optional<char> AnsiByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return std::nullopt;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + 8);
  for (unsigned char b : ansi) {
    if (b < 0x80)
      out.push_back(static_cast<char>(b));
    else if (b < 0xA0)
      AppendUtf8(kHigh[b - 0x80], &out);
    else
      AppendUtf8(b, &out);
  }
  return out;
}

std::optional<std::string> Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c;
    size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else {
      return std::nullopt;  // 4-byte sequences are all beyond the code page
    }
    if (i + n > utf8.size()) return std::nullopt;
    for (size_t k = 1; k < n; ++k) {
      const auto cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (cont & 0x3F);
    }
    const auto byte = AnsiByte(c);
    if (!byte) return std::nullopt;
    out.push_back(*byte);
    i += n;
  }
  return out;
}

}  // namespace sql
