#include "platform/files.h"

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray encoded(const QString& local) { return QFile::encodeName(local); }

// A file descriptor closed on scope exit.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

int openFile(const QString& local, int flags, mode_t mode = 0666) {
  int fd;
  do {
    fd = ::open(encoded(local).constData(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Whole-file open-file-description lock without waiting; false when another
// holder conflicts.
bool lockWhole(int fd, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// True when any other open file (OFD, POSIX or flock holder) has a lock on it.
bool heldByOther(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  if (::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) return true;
  // Table engines mark an open table with flock; that denies a delete as well.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
  ::flock(fd, LOCK_UN);
  return false;
}

QString inUse(const QString& shown) {
  return QStringLiteral("O arquivo %1 está em uso por outro processo.").arg(shown);
}

bool fail(QString* reason, const QString& text) {
  if (reason != nullptr) *reason = text;
  return false;
}

bool writeAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

QString parentOf(const QString& local) {
  const QString dir = QFileInfo(local).path();
  return dir.isEmpty() ? QStringLiteral(".") : dir;
}

// Writes `bytes` to a new temporary file beside `local`, locked exclusively.
// Returns the descriptor; *tempPath receives its name. Throws on failure.
int writeTemporary(const QString& local, const QByteArray& bytes, const QString& shown,
                   QString* tempPath) {
  QByteArray pattern = encoded(parentOf(local) + QStringLiteral("/.") +
                               QFileInfo(local).fileName() + QStringLiteral(".XXXXXX"));
  Fd fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (!fd.valid()) {
    throw Error(QStringLiteral("Não foi possível criar o arquivo %1: %2.")
                    .arg(shown, fileio::errnoText(errno)));
  }
  *tempPath = QFile::decodeName(pattern);
  const auto cleanUp = [&](int error) {
    ::unlink(pattern.constData());
    throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
                    .arg(shown, fileio::errnoText(error)));
  };
  if (!lockWhole(fd.get(), F_WRLCK)) cleanUp(errno);
  if (!writeAll(fd.get(), bytes)) cleanUp(errno);
  if (::fsync(fd.get()) != 0) cleanUp(errno);
  return fd.release();
}

bool copyBytes(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!writeAll(to, QByteArray::fromRawData(buffer, n))) return false;
  }
}

}  // namespace

namespace fileio {

QString errnoText(int error) {
  switch (error) {
    case ENOENT: return QStringLiteral("arquivo ou diretório inexistente");
    case EACCES:
    case EPERM: return QStringLiteral("acesso negado");
    case ENOSPC: return QStringLiteral("não há espaço em disco");
    case EROFS: return QStringLiteral("disco somente para leitura");
    case EISDIR: return QStringLiteral("é um diretório");
    case ENOTDIR: return QStringLiteral("parte do caminho não é um diretório");
    case EEXIST: return QStringLiteral("já existe");
    case ENOTEMPTY: return QStringLiteral("o diretório não está vazio");
    case EAGAIN:
    case EBUSY: return QStringLiteral("em uso por outro processo");
    case EIO: return QStringLiteral("erro de entrada e saída");
    default: return QString::fromLocal8Bit(std::strerror(error));
  }
}

void replaceFile(const QString& local, const QByteArray& bytes, const QString& shown) {
  {
    Fd existing(openFile(local, O_RDONLY));
    if (existing.valid() && heldByOther(existing.get())) throw Error(inUse(shown));
  }
  QString temp;
  Fd fd(writeTemporary(local, bytes, shown, &temp));
  // Keep the target's permissions when it exists; otherwise the usual ones.
  struct stat st {};
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const mode_t mode = ::stat(encoded(local).constData(), &st) == 0 ? (st.st_mode & 07777)
                                                                   : (0666 & ~mask);
  ::fchmod(fd.get(), mode);
  if (::rename(encoded(temp).constData(), encoded(local).constData()) != 0) {
    const int error = errno;
    ::unlink(encoded(temp).constData());
    throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
                    .arg(shown, errnoText(error)));
  }
  // The lock moved with the file: released only now, with the content complete.
}

QByteArray readLocked(const QString& local, const QString& shown, bool* missing) {
  if (missing != nullptr) *missing = false;
  Fd fd(openFile(local, O_RDONLY));
  if (!fd.valid()) {
    if (errno == ENOENT && missing != nullptr) {
      *missing = true;
      return QByteArray();
    }
    throw Error(QStringLiteral("Não foi possível abrir o arquivo %1: %2.")
                    .arg(shown, errnoText(errno)));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw Error(QStringLiteral("Não foi possível abrir o arquivo %1: %2.")
                    .arg(shown, errnoText(EISDIR)));
  }
  if (!lockWhole(fd.get(), F_RDLCK)) throw Error(inUse(shown));
  QByteArray bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(QStringLiteral("Não foi possível ler o arquivo %1: %2.")
                      .arg(shown, errnoText(errno)));
    }
    bytes.append(buffer, n);
  }
  return bytes;
}

}  // namespace fileio

namespace files {

bool exists(const QString& path) { return QFileInfo(localPath(path)).isFile(); }

bool directoryExists(const QString& path) { return QFileInfo(localPath(path)).isDir(); }

bool remove(const QString& path, QString* reason) {
  const QString local = localPath(path);
  const QFileInfo info(local);
  if (!info.exists() && !info.isSymLink()) {
    return fail(reason, QStringLiteral("O arquivo %1 não existe.").arg(path));
  }
  if (info.isDir()) {
    return fail(reason, QStringLiteral("%1 é um diretório, não um arquivo.").arg(path));
  }
  Fd fd(openFile(local, O_RDWR));
  if (!fd.valid()) fd.reset(openFile(local, O_RDONLY));
  if (fd.valid()) {
    if (heldByOther(fd.get())) {
      return fail(reason, QStringLiteral("O arquivo %1 está em uso por outro processo e não "
                                         "pode ser excluído.")
                              .arg(path));
    }
    // Hold it while unlinking, so that a process following the same rule
    // cannot take it in between.
    lockWhole(fd.get(), F_WRLCK);
  }
  if (::unlink(encoded(local).constData()) != 0) {
    return fail(reason, QStringLiteral("Não foi possível excluir o arquivo %1: %2.")
                            .arg(path, fileio::errnoText(errno)));
  }
  return true;
}

bool copy(const QString& from, const QString& to, bool failIfExists, QString* reason) {
  const QString source = localPath(from);
  const QString target = localPath(to);
  Fd in(openFile(source, O_RDONLY));
  if (!in.valid() || QFileInfo(source).isDir()) {
    return fail(reason, QStringLiteral("Não foi possível abrir o arquivo %1: %2.")
                            .arg(from, fileio::errnoText(in.valid() ? EISDIR : errno)));
  }
  if (!lockWhole(in.get(), F_RDLCK)) return fail(reason, inUse(from));
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) {
    return fail(reason, QStringLiteral("O arquivo %1 não pode ser copiado sobre si mesmo.")
                            .arg(from));
  }
  if (failIfExists && QFileInfo(target).exists()) {
    return fail(reason, QStringLiteral("O arquivo %1 já existe.").arg(to));
  }
  {
    Fd existing(openFile(target, O_RDONLY));
    if (existing.valid() && heldByOther(existing.get())) return fail(reason, inUse(to));
  }
  QByteArray pattern = encoded(parentOf(target) + QStringLiteral("/.") +
                               QFileInfo(target).fileName() + QStringLiteral(".XXXXXX"));
  Fd out(::mkostemp(pattern.data(), O_CLOEXEC));
  if (!out.valid()) {
    return fail(reason, QStringLiteral("Não foi possível criar o arquivo %1: %2.")
                            .arg(to, fileio::errnoText(errno)));
  }
  const auto abandon = [&](int error) {
    ::unlink(pattern.constData());
    return fail(reason, QStringLiteral("Não foi possível copiar %1 para %2: %3.")
                            .arg(from, to, fileio::errnoText(error)));
  };
  lockWhole(out.get(), F_WRLCK);
  if (!copyBytes(in.get(), out.get()) || ::fsync(out.get()) != 0) return abandon(errno);
  struct stat st {};
  if (::fstat(in.get(), &st) == 0) ::fchmod(out.get(), st.st_mode & 07777);
  if (failIfExists) {
    // link() never replaces: a target that appeared meanwhile still wins.
    if (::link(pattern.constData(), encoded(target).constData()) != 0) return abandon(errno);
    ::unlink(pattern.constData());
  } else if (::rename(pattern.constData(), encoded(target).constData()) != 0) {
    return abandon(errno);
  }
  return true;
}

bool move(const QString& from, const QString& to, QString* reason) {
  const QString source = localPath(from);
  const QString target = localPath(to);
  const QFileInfo info(source);
  if (!info.exists()) return fail(reason, QStringLiteral("O arquivo %1 não existe.").arg(from));
  if (info.isFile()) {
    Fd fd(openFile(source, O_RDONLY));
    if (fd.valid() && heldByOther(fd.get())) return fail(reason, inUse(from));
  }
  if (::renameat2(AT_FDCWD, encoded(source).constData(), AT_FDCWD, encoded(target).constData(),
                  RENAME_NOREPLACE) == 0) {
    return true;
  }
  const int error = errno;
  if (error == EXDEV && info.isFile()) {
    // Another file system: copy, then remove the original only once the copy is whole.
    if (!copy(from, to, true, reason)) return false;
    if (!remove(from, reason)) {
      ::unlink(encoded(target).constData());
      return false;
    }
    return true;
  }
  if (error == EEXIST) return fail(reason, QStringLiteral("O arquivo %1 já existe.").arg(to));
  return fail(reason, QStringLiteral("Não foi possível mover %1 para %2: %3.")
                          .arg(from, to, fileio::errnoText(error)));
}

bool createDirectory(const QString& path) {
  return ::mkdir(encoded(localPath(path)).constData(), 0777) == 0;
}

bool forceDirectories(const QString& path) {
  const QString local = localPath(path);
  if (local.isEmpty()) return false;
  return QDir().mkpath(local);
}

void writeTextFile(const QString& path, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += toAnsi(line);
    bytes += "\r\n";
  }
  fileio::replaceFile(localPath(path), bytes, path);
}

QStringList readTextFile(const QString& path) {
  const QByteArray bytes = fileio::readLocked(localPath(path), path);
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    text = QString::fromUtf8(bytes.mid(3));
  } else if (bytes.startsWith("\xFF\xFE")) {
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    text = decoder(bytes.mid(2));
  } else if (bytes.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(QStringDecoder::Utf16BE);
    text = decoder(bytes.mid(2));
  } else {
    text = fromAnsi(bytes);
  }
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

FileHold::FileHold(const QString& path, Mode mode) {
  const QString local = localPath(path);
  fd_ = openFile(local, mode == Mode::Exclusive ? O_RDWR : O_RDONLY);
  if (fd_ < 0) {
    throw Error(QStringLiteral("Não foi possível abrir o arquivo %1: %2.")
                    .arg(path, fileio::errnoText(errno)));
  }
  if (!lockWhole(fd_, mode == Mode::Exclusive ? F_WRLCK : F_RDLCK)) {
    ::close(fd_);
    fd_ = -1;
    throw Error(inUse(path));
  }
}

FileHold::~FileHold() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace files

}  // namespace platform
