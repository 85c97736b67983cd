// Windows paths of the system's code on a Linux file system.
//
// "C:\..." maps to a directory root: $QX_DRIVE_C if set, else the Wine
// prefix's drive_c ($WINEPREFIX or ~/.wine), so that a Windows authorizer run
// under Wine meets the program in the same exchange directory. Components that
// already exist are found without regard to letter case, as on Windows; the
// rest keep the spelling given.
#ifndef QX_PLATFORM_PATHS_H_
#define QX_PLATFORM_PATHS_H_

#include <QString>

namespace platform {

QString driveCRoot();

// Accepts a Windows path ("C:\FPopular\FP_ENV.TXT", backslashes or slashes) or
// a Linux path; returns the Linux path to use.
QString localPath(const QString& path);

// Directory of the running executable (from /proc/self/exe), without a final
// separator.
QString programFolder();

// Tests point the program folder elsewhere; an empty text restores the real one.
void setProgramFolderForTesting(const QString& folder);

}  // namespace platform

#endif  // QX_PLATFORM_PATHS_H_
