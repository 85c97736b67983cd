// Low-level pieces shared by files.cpp and ini_file.cpp; not part of the
// platform's public surface.
#ifndef QX_PLATFORM_FILE_IO_H_
#define QX_PLATFORM_FILE_IO_H_

#include <QByteArray>
#include <QString>

namespace platform::fileio {

// The Portuguese text of an errno value.
QString errnoText(int error);

// Replaces (or creates) `local` with `bytes` in one step: a temporary file in
// the same directory is written, synced and renamed over the target while it
// holds an exclusive lock, so a reader never sees half a file and a failure
// leaves the old content. Refuses when another process holds a lock on the
// target. `shown` is the name used in messages. Throws platform::Error.
void replaceFile(const QString& local, const QByteArray& bytes, const QString& shown);

// The whole content under a shared lock. A missing file gives *missing = true
// and an empty result when `missing` is given, else throws. Throws
// platform::Error when the file is held exclusively or cannot be read.
QByteArray readLocked(const QString& local, const QString& shown, bool* missing = nullptr);

}  // namespace platform::fileio

#endif  // QX_PLATFORM_FILE_IO_H_
