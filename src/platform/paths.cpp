#include "platform/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

QString& programFolderOverride() {
  static QString folder;
  return folder;
}

QString withoutFinalSeparator(QString path) {
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

QString env(const char* name) { return qEnvironmentVariable(name); }

QString winePrefix() {
  const QString prefix = env("WINEPREFIX");
  if (!prefix.isEmpty()) return withoutFinalSeparator(prefix);
  return QDir::homePath() + QStringLiteral("/.wine");
}

// The directory a drive letter stands for.
QString driveRoot(QChar letter) {
  if (letter.toLower() == u'c') return driveCRoot();
  // Wine keeps every other drive as a link in dosdevices.
  return winePrefix() + QStringLiteral("/dosdevices/") + letter.toLower() + u':';
}

// The entry of `dir` named `name`: the exact name when it exists, else the
// first (in name order) that matches without regard to case; empty when none.
QString findEntry(const QString& dir, const QString& name) {
  if (QFileInfo::exists(dir + u'/' + name)) return name;
  QStringList matches;
  QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    it.next();
    const QString entry = it.fileName();
    if (entry.compare(name, Qt::CaseInsensitive) == 0) matches.append(entry);
  }
  if (matches.isEmpty()) return QString();
  matches.sort();
  return matches.first();
}

// Resolves each component of `rest` below `base` without regard to case while
// the components exist; the remainder keeps the spelling given.
QString resolve(const QString& base, const QString& rest) {
  QString result = base;
  bool lookingUp = QFileInfo(base.isEmpty() ? QStringLiteral("/") : base).isDir();
  const QStringList parts = rest.split(u'/', Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    const QString dir = result.isEmpty() ? QStringLiteral("/") : result;
    QString name = part;
    if (part == u'.' || part == QStringLiteral("..")) {
      lookingUp = lookingUp && QFileInfo(dir + u'/' + part).isDir();
    } else if (lookingUp) {
      const QString found = findEntry(dir, part);
      if (found.isEmpty()) {
        lookingUp = false;
      } else {
        name = found;
        lookingUp = QFileInfo(dir + u'/' + found).isDir();
      }
    }
    result = (result == u'/' ? QString() : result) + u'/' + name;
  }
  return result.isEmpty() ? QStringLiteral("/") : result;
}

}  // namespace

QString driveCRoot() {
  const QString drive = env("QX_DRIVE_C");
  if (!drive.isEmpty()) return withoutFinalSeparator(drive);
  return winePrefix() + QStringLiteral("/drive_c");
}

QString localPath(const QString& path) {
  QString p = path;
  p.replace(u'\\', u'/');
  static const QRegularExpression drive(QStringLiteral("^([A-Za-z]):(/.*)?$"));
  const QRegularExpressionMatch m = drive.match(p);
  if (m.hasMatch()) return resolve(driveRoot(m.captured(1).at(0)), m.captured(2));
  if (p.startsWith(u'/')) return resolve(QString(), p);
  if (p.isEmpty()) return p;
  // Relative: below the working directory, returned relative as given.
  const QString cwd = QDir::currentPath();
  const QString full = resolve(cwd, p);
  return full.startsWith(cwd + u'/') ? full.mid(cwd.size() + 1) : full;
}

QString programFolder() {
  if (!programFolderOverride().isEmpty()) return programFolderOverride();
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return QDir::currentPath();
  return withoutFinalSeparator(QString::fromStdString(exe.parent_path().string()));
}

void setProgramFolderForTesting(const QString& folder) {
  programFolderOverride() = withoutFinalSeparator(folder);
}

}  // namespace platform
