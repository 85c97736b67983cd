#include "platform/ini_file.h"

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/paths.h"

#include <QList>

#include <climits>

namespace platform {

namespace {

bool isBlank(QChar c) { return c.unicode() <= 32; }

QString trimmed(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

// One physical line of the file: its bytes without and with the terminator.
struct RawLine {
  QByteArray body;
  QByteArray ending;  // "\r\n", "\n", "\r" or empty for an unterminated last line
};

QList<RawLine> splitLines(const QByteArray& bytes) {
  QList<RawLine> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    RawLine line{bytes.mid(start, i - start), QByteArray(1, c)};
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      line.ending = "\r\n";
      ++i;
    }
    lines.append(line);
    start = i + 1;
  }
  if (start < bytes.size()) lines.append(RawLine{bytes.mid(start), QByteArray()});
  return lines;
}

// What a line means to the profile reader.
struct Parsed {
  enum class Kind { Other, Section, Entry } kind = Kind::Other;
  QString name;   // section name or key, trimmed
  QString value;  // entry value, trimmed
};

Parsed parse(const QByteArray& body) {
  const QString text = trimmed(fromAnsi(body));
  Parsed p;
  if (text.isEmpty() || text.startsWith(u';')) return p;
  if (text.startsWith(u'[')) {
    const qsizetype close = text.indexOf(u']');
    p.kind = Parsed::Kind::Section;
    p.name = trimmed(close < 0 ? text.mid(1) : text.mid(1, close - 1));
    return p;
  }
  const qsizetype eq = text.indexOf(u'=');
  if (eq <= 0) return p;
  p.kind = Parsed::Kind::Entry;
  p.name = trimmed(text.left(eq));
  p.value = trimmed(text.mid(eq + 1));
  // The profile API drops one pair of matching quotes around a value.
  if (p.value.size() >= 2 && (p.value.front() == u'"' || p.value.front() == u'\'') &&
      p.value.back() == p.value.front()) {
    p.value = p.value.mid(1, p.value.size() - 2);
  }
  return p;
}

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the line holding the first matching section header, or -1.
qsizetype findSection(const QList<RawLine>& lines, const QString& section) {
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const Parsed p = parse(lines[i].body);
    if (p.kind == Parsed::Kind::Section && sameName(p.name, trimmed(section))) return i;
  }
  return -1;
}

void checkWritable(const QString& shown, const QString& section, const QString& key,
                   const QString& value) {
  const auto bad = [&](const QString& what) {
    throw Error(QStringLiteral("Não foi possível gravar no arquivo %1: %2.").arg(shown, what));
  };
  const auto hasBreak = [](const QString& s) {
    return s.contains(u'\r') || s.contains(u'\n');
  };
  if (trimmed(section).isEmpty() || section.contains(u']') || hasBreak(section)) {
    bad(QStringLiteral("nome de seção inválido \"%1\"").arg(section));
  }
  if (trimmed(key).isEmpty() || key.contains(u'=') || hasBreak(key) ||
      trimmed(key).startsWith(u'[') || trimmed(key).startsWith(u';')) {
    bad(QStringLiteral("nome de chave inválido \"%1\"").arg(key));
  }
  if (hasBreak(value)) bad(QStringLiteral("o valor da chave %1 tem quebra de linha").arg(key));
}

}  // namespace

IniFile::IniFile(QString path) : path_(localPath(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
  bool missing = false;
  const QList<RawLine> lines = splitLines(fileio::readLocked(path_, path_, &missing));
  const qsizetype start = findSection(lines, section);
  if (start < 0) return defaultValue;
  for (qsizetype i = start + 1; i < lines.size(); ++i) {
    const Parsed p = parse(lines[i].body);
    if (p.kind == Parsed::Kind::Section) break;
    if (p.kind == Parsed::Kind::Entry && sameName(p.name, trimmed(key))) return p.value;
  }
  return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
  QString text = readString(section, key);
  if (text.isEmpty()) return defaultValue;
  bool ok = false;
  qlonglong value;
  if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive) && text.size() > 2) {
    value = text.mid(2).toLongLong(&ok, 16);
  } else if (text.startsWith(u'$')) {
    value = text.mid(1).toLongLong(&ok, 16);
  } else {
    value = text.toLongLong(&ok, 10);
  }
  if (!ok || value < INT_MIN || value > INT_MAX) return defaultValue;
  return static_cast<int>(value);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  checkWritable(path_, section, key, value);
  bool missing = false;
  QList<RawLine> lines = splitLines(fileio::readLocked(path_, path_, &missing));

  const auto entryLine = [&](const QString& name) {
    return RawLine{toAnsi(name + u'=' + value), "\r\n"};
  };
  // A line added after an unterminated last line needs that line ended first.
  const auto endLastLine = [&]() {
    if (!lines.isEmpty() && lines.last().ending.isEmpty()) lines.last().ending = "\r\n";
  };

  const qsizetype start = findSection(lines, section);
  if (start < 0) {
    endLastLine();
    if (!lines.isEmpty() && !trimmed(fromAnsi(lines.last().body)).isEmpty()) {
      lines.append(RawLine{QByteArray(), "\r\n"});
    }
    lines.append(RawLine{toAnsi(u'[' + trimmed(section) + u']'), "\r\n"});
    lines.append(entryLine(trimmed(key)));
  } else {
    qsizetype lastContent = start;  // where a new key goes: after the section's last entry
    qsizetype found = -1;
    for (qsizetype i = start + 1; i < lines.size(); ++i) {
      const Parsed p = parse(lines[i].body);
      if (p.kind == Parsed::Kind::Section) break;
      if (!trimmed(fromAnsi(lines[i].body)).isEmpty()) lastContent = i;
      if (p.kind == Parsed::Kind::Entry && sameName(p.name, trimmed(key))) {
        found = i;
        break;
      }
    }
    if (found >= 0) {
      // The key keeps the spelling it has in the file.
      lines[found] = entryLine(parse(lines[found].body).name);
    } else {
      if (lastContent == lines.size() - 1) endLastLine();
      if (lines[lastContent].ending.isEmpty()) lines[lastContent].ending = "\r\n";
      lines.insert(lastContent + 1, entryLine(trimmed(key)));
    }
  }

  QByteArray bytes;
  for (const RawLine& line : lines) bytes += line.body + line.ending;
  fileio::replaceFile(path_, bytes, path_);
}

}  // namespace platform
