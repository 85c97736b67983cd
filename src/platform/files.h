// The file operations the system uses, with Windows sharing semantics.
//
// Windows denies a delete, or a write, to a file another process holds open.
// Here every holder takes an open-file-description fcntl lock (F_OFD_SETLK)
// over the whole file: a writer an exclusive lock, a reader a shared one. A
// delete first asks whether anybody holds a lock and refuses if so. Any
// program that follows the same rule (the simulated authorizer does) is
// therefore treated as Windows would treat it.
//
// Paths may be Windows or Linux paths (see paths.h).
#ifndef QX_PLATFORM_FILES_H_
#define QX_PLATFORM_FILES_H_

#include <QString>
#include <QStringList>

namespace platform::files {

bool exists(const QString& path);           // a file (not a directory)
bool directoryExists(const QString& path);

// False when the file is missing, held by another process or cannot be
// removed; *reason (when given) then says why, in Portuguese.
bool remove(const QString& path, QString* reason = nullptr);

// CopyFile: with failIfExists an existing target makes it fail.
bool copy(const QString& from, const QString& to, bool failIfExists, QString* reason = nullptr);
bool move(const QString& from, const QString& to, QString* reason = nullptr);

bool createDirectory(const QString& path);   // one level; false if the parent is missing
bool forceDirectories(const QString& path);  // all missing levels

// Writes the whole file under an exclusive lock: Windows-1252, CR LF after
// every line, the last one too. Throws platform::Error naming the file.
void writeTextFile(const QString& path, const QStringList& lines);

// Reads the whole file under a shared lock. A UTF-8 or UTF-16 (LE/BE)
// byte-order mark selects that encoding (and is dropped); otherwise
// Windows-1252. Lines end at CR LF, a lone LF or a lone CR; a final line
// terminator does not make an empty last line. Throws platform::Error
// naming the file when it cannot be opened or is held exclusively.
QStringList readTextFile(const QString& path);

// Holds a file open with a lock for its lifetime, as another program would:
// tests, and the simulated authorizer's "hold the answer open" fault.
class FileHold {
 public:
  enum class Mode { Shared, Exclusive };
  FileHold(const QString& path, Mode mode);  // throws platform::Error
  ~FileHold();
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace platform::files

#endif  // QX_PLATFORM_FILES_H_
