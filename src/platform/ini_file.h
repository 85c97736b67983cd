// A settings file with the Windows profile-API semantics.
//
// Sections and keys match without regard to case; blanks around keys and
// values are removed on reading. Every read goes to the file and every write
// goes to it at once, changing only the line of that key (or adding one):
// comments, order, other sections and lines it does not understand stay byte
// for byte. A missing file reads as empty; a write creates file and section.
// Text is Windows-1252 on disk, lines end in CR LF.
#ifndef QX_PLATFORM_INI_FILE_H_
#define QX_PLATFORM_INI_FILE_H_

#include <QString>

namespace platform {

class IniFile {
 public:
  explicit IniFile(QString path);  // Windows or Linux path (see paths.h)

  QString readString(const QString& section, const QString& key,
                     const QString& defaultValue = QString()) const;
  int readInteger(const QString& section, const QString& key, int defaultValue) const;

  // Throws platform::Error naming the file when it cannot be written.
  void writeString(const QString& section, const QString& key, const QString& value);

  const QString& path() const { return path_; }

 private:
  QString path_;  // local path
};

}  // namespace platform

#endif  // QX_PLATFORM_INI_FILE_H_
