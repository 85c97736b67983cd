#include "xbase/dbf_format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "xbase/error.h"

namespace xbase {
namespace {

[[noreturn]] void Damaged(const std::string& file, const std::string& why) {
  throw Error("Tabela " + file + " danificada ou inválida: " + why);
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\0') return false;
  return true;
}

}  // namespace

bool IsKnownDbfVersion(uint8_t v) {
  return v == 0x03 || v == 0x83 || v == 0xF5 || v == 0x30 || v == 0x31 || v == 0x32;
}

int32_t LoadLe32(const char* p) { return static_cast<int32_t>(LoadLeU32(p)); }
uint32_t LoadLeU32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
uint16_t LoadLeU16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(u[0] | u[1] << 8);
}
void StoreLe32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void StoreLe16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
uint32_t LoadBe32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) << 24 | uint32_t(u[1]) << 16 | uint32_t(u[2]) << 8 | uint32_t(u[3]);
}

DbfHeader ParseDbfHeader(std::string_view bytes, uint64_t file_size, const std::string& file) {
  if (bytes.size() < 32 || file_size < 32) Damaged(file, "cabeçalho incompleto");
  DbfHeader h;
  h.version = static_cast<uint8_t>(bytes[0]);
  if (!IsKnownDbfVersion(h.version)) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", h.version);
    Damaged(file, std::string("versão ") + buf + " desconhecida");
  }
  h.update_year = 1900 + static_cast<unsigned char>(bytes[1]);
  h.update_month = static_cast<unsigned char>(bytes[2]);
  h.update_day = static_cast<unsigned char>(bytes[3]);
  h.record_count = LoadLeU32(bytes.data() + 4);
  h.header_length = LoadLeU16(bytes.data() + 8);
  h.record_length = LoadLeU16(bytes.data() + 10);
  h.flags = static_cast<uint8_t>(bytes[28]);
  h.codepage = static_cast<uint8_t>(bytes[29]);
  if (h.header_length < 32 + 1) Damaged(file, "tamanho do cabeçalho inválido");
  if (h.header_length > file_size || bytes.size() < h.header_length)
    Damaged(file, "arquivo truncado no cabeçalho");
  if (h.record_length < 2) Damaged(file, "tamanho do registro inválido");

  const bool vfp = h.visual_foxpro();
  uint32_t pos = 32;
  uint32_t offset = 0;
  std::set<std::string> names;
  bool terminated = false;
  while (pos < h.header_length) {
    if (bytes[pos] == 0x0D) {
      terminated = true;
      break;
    }
    if (pos + 32 > h.header_length) break;
    const char* d = bytes.data() + pos;
    FieldInfo f;
    size_t n = 0;
    while (n < 11 && d[n] != '\0') ++n;
    f.name = Upper(std::string_view(d, n));
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(d[11])));
    f.length = static_cast<unsigned char>(d[16]);
    f.decimals = static_cast<unsigned char>(d[17]);
    if (f.type == 'C' && !vfp) {
      // Clipper and FoxPro 2 keep wide character fields' high byte in the
      // decimals byte.
      f.length += f.decimals * 256;
      f.decimals = 0;
    }
    if (f.name.empty()) Damaged(file, "campo sem nome");
    for (char c : f.name)
      if (static_cast<unsigned char>(c) < 0x20) Damaged(file, "nome de campo inválido");
    if (f.length <= 0) Damaged(file, "campo " + f.name + " com tamanho zero");
    if (!names.insert(f.name).second) Damaged(file, "campo " + f.name + " repetido");
    f.offset = static_cast<int>(offset);
    offset += static_cast<uint32_t>(f.length);
    h.field_flags.push_back(vfp ? static_cast<uint8_t>(d[18]) : 0);
    if (vfp && f.name == "_NULLFLAGS") h.null_flags_field = static_cast<int>(h.all_fields.size());
    h.all_fields.push_back(std::move(f));
    pos += 32;
  }
  if (!terminated) Damaged(file, "fim da lista de campos não encontrado");
  if (h.all_fields.empty()) Damaged(file, "tabela sem campos");
  if (vfp && pos + 1 + kDbfBacklinkSize > h.header_length + 1u) {
    // Some writers omit the backlink; only insist that the fields fit.
  }
  if (offset + 1 > h.record_length) Damaged(file, "tamanho do registro menor que os campos");
  const uint64_t data = file_size - h.header_length;
  const uint64_t needed = uint64_t(h.record_count) * h.record_length;
  if (needed > data) Damaged(file, "arquivo truncado: faltam registros");
  return h;
}

std::string EncodeDbfHeader(const DbfHeader& h) {
  std::string out(h.header_length, '\0');
  out[0] = static_cast<char>(h.version);
  PutCountAndDate(out.data(), h.record_count, h.update_year, h.update_month, h.update_day);
  StoreLe16(out.data() + 8, static_cast<uint16_t>(h.header_length));
  StoreLe16(out.data() + 10, static_cast<uint16_t>(h.record_length));
  out[28] = static_cast<char>(h.flags);
  out[29] = static_cast<char>(h.codepage);
  size_t pos = 32;
  for (size_t i = 0; i < h.all_fields.size(); ++i) {
    const FieldInfo& f = h.all_fields[i];
    char* d = out.data() + pos;
    std::memcpy(d, f.name.data(), std::min<size_t>(f.name.size(), 10));
    d[11] = f.type;
    if (h.visual_foxpro()) StoreLe32(d + 12, static_cast<uint32_t>(f.offset + 1));
    if (f.type == 'C' && !h.visual_foxpro() && f.length > 255) {
      d[16] = static_cast<char>(f.length & 0xFF);
      d[17] = static_cast<char>(f.length >> 8);
    } else {
      d[16] = static_cast<char>(f.length);
      d[17] = static_cast<char>(f.decimals);
    }
    if (i < h.field_flags.size()) d[18] = static_cast<char>(h.field_flags[i]);
    pos += 32;
  }
  out[pos] = 0x0D;
  return out;
}

void PutCountAndDate(char* p, uint32_t count, int year, int month, int day) {
  p[1] = static_cast<char>(std::clamp(year - 1900, 0, 255));
  p[2] = static_cast<char>(month);
  p[3] = static_cast<char>(day);
  StoreLe32(p + 4, count);
}

DbfHeader MakeDbfHeader(const std::vector<FieldInfo>& fields, const std::string& file) {
  DbfHeader h;
  h.version = 0x03;
  std::set<std::string> names;
  uint32_t offset = 0;
  for (FieldInfo f : fields) {
    f.name = Upper(f.name);
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
    auto bad = [&](const std::string& why) {
      throw Error("Tabela " + file + ": campo " + f.name + " inválido: " + why);
    };
    if (f.name.empty() || f.name.size() > 10) bad("o nome deve ter de 1 a 10 letras");
    for (char c : f.name)
      if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) bad("nome com caractere inválido");
    if (!names.insert(f.name).second) bad("nome repetido");
    switch (f.type) {
      case 'C':
        if (f.length < 1 || f.length > 254) bad("tamanho deve ser de 1 a 254");
        f.decimals = 0;
        break;
      case 'N':
      case 'F':
        if (f.length < 1 || f.length > 20) bad("tamanho deve ser de 1 a 20");
        if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2)) bad("decimais demais");
        break;
      case 'D': f.length = 8; f.decimals = 0; break;
      case 'L': f.length = 1; f.decimals = 0; break;
      case 'M': f.length = 10; f.decimals = 0; break;
      default: bad(std::string("tipo '") + f.type + "' não suportado na criação");
    }
    f.offset = static_cast<int>(offset);
    offset += static_cast<uint32_t>(f.length);
    h.all_fields.push_back(f);
    h.field_flags.push_back(0);
  }
  if (h.all_fields.empty()) throw Error("Tabela " + file + ": nenhum campo informado");
  if (h.all_fields.size() > 255) throw Error("Tabela " + file + ": campos demais");
  h.header_length = static_cast<uint32_t>(32 + 32 * h.all_fields.size() + 2);
  h.record_length = offset + 1;
  if (h.record_length > 65535) throw Error("Tabela " + file + ": registro grande demais");
  return h;
}

std::optional<double> DecodeNumericText(std::string_view raw, bool* malformed) {
  *malformed = false;
  size_t b = 0, e = raw.size();
  while (b < e && (raw[b] == ' ' || raw[b] == '\0')) ++b;
  while (e > b && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
  if (b == e) return std::nullopt;
  char buf[64];
  size_t n = 0;
  bool digit = false;
  for (size_t i = b; i < e; ++i) {
    char c = raw[i];
    if (c == ',') c = '.';
    const bool ok = std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
                    ((c == '-' || c == '+') && n == 0) || c == 'e' || c == 'E';
    if (!ok || n + 1 >= sizeof buf) {
      *malformed = true;
      return std::nullopt;
    }
    digit |= std::isdigit(static_cast<unsigned char>(c)) != 0;
    buf[n++] = c;
  }
  buf[n] = '\0';
  if (!digit) {
    *malformed = true;
    return std::nullopt;
  }
  char* end = nullptr;
  const double v = std::strtod(buf, &end);
  if (end != buf + n || !std::isfinite(v)) {
    *malformed = true;
    return std::nullopt;
  }
  return v;
}

std::optional<std::string> EncodeNumericText(double value, int length, int decimals) {
  if (!std::isfinite(value) || length <= 0 || length > 64) return std::nullopt;
  char buf[400];
  const int n = std::snprintf(buf, sizeof buf, "%*.*f", length, decimals, RoundHalfAway(value, decimals));
  if (n < 0 || n > length) return std::nullopt;
  std::string s(buf, static_cast<size_t>(n));
  // "-0.00" reads back as zero; store it as zero.
  if (s.find_first_of("123456789") == std::string::npos) {
    const auto minus = s.find('-');
    if (minus != std::string::npos) s[minus] = ' ';
  }
  return s;
}

double RoundHalfAway(double value, int decimals) {
  if (!std::isfinite(value) || decimals < -18 || decimals > 18) return value;
  const double f = std::pow(10.0, decimals);
  const double scaled = std::fabs(value) * f;
  if (scaled > 1e15) return value;
  const double r = std::floor(scaled + 0.5 + 1e-9 * std::max(1.0, scaled / 1e6)) / f;
  return value < 0 ? -r : r;
}

bool ValidYmd(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int dim = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dim = 29;
  return d <= dim;
}

JulianDay JulianFromYmd(int y, int m, int d) {
  // Gregorian calendar to Julian day number.
  const int a = (14 - m) / 12;
  const int yy = y + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void YmdFromJulian(JulianDay jd, int* year, int* month, int* day) {
  const int a = jd + 32044;
  const int b = (4 * a + 3) / 146097;
  const int c = a - 146097 * b / 4;
  const int d = (4 * c + 3) / 1461;
  const int e = c - 1461 * d / 4;
  const int m = (5 * e + 2) / 153;
  *day = e - (153 * m + 2) / 5 + 1;
  *month = m + 3 - 12 * (m / 10);
  *year = 100 * b + d - 4800 + m / 10;
}

JulianDay DecodeDateText(std::string_view raw) {
  if (raw.size() != 8) return -1;
  if (IsBlank(raw) || raw == "00000000") return 0;
  int v[3] = {0, 0, 0};
  const int w[3] = {4, 2, 2};
  size_t p = 0;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < w[k]; ++i, ++p) {
      if (!std::isdigit(static_cast<unsigned char>(raw[p]))) return -1;
      v[k] = v[k] * 10 + (raw[p] - '0');
    }
  }
  if (!ValidYmd(v[0], v[1], v[2])) return -1;
  return JulianFromYmd(v[0], v[1], v[2]);
}

std::string FormatDtos(JulianDay day) {
  if (day <= 0) return std::string(8, ' ');
  int y, m, d;
  YmdFromJulian(day, &y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y % 10000, m, d);
  return buf;
}

std::string EncodeDateText(JulianDay day) { return FormatDtos(day); }

JulianDay ParseBritishDate(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  text = text.substr(b, e - b);
  if (text.empty() || text == "/  /" || text == "/  /    ") return 0;
  bool only_seps = true;
  for (char c : text)
    if (c != '/' && c != ' ' && c != '.' && c != '-') only_seps = false;
  if (only_seps) return 0;
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int k = 0;
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      if (digits[k] >= 4) return -1;
      parts[k] = parts[k] * 10 + (c - '0');
      ++digits[k];
    } else if (c == '/' || c == '.' || c == '-') {
      if (++k > 2) return -1;
    } else {
      return -1;
    }
  }
  if (k != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return -1;
  int year = parts[2];
  if (digits[2] <= 2) year += 2000;  // epoch 2000
  if (!ValidYmd(year, parts[1], parts[0])) return -1;
  return JulianFromYmd(year, parts[1], parts[0]);
}

std::string FormatBritishDate(JulianDay day) {
  if (day <= 0) return "  /  /    ";
  int y, m, d;
  YmdFromJulian(day, &y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y % 10000);
  return buf;
}

}  // namespace xbase
