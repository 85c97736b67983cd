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

  // The key's value, one pair of matching quotes around it dropped;
  // defaultValue when the file, the section or the key is missing. Throws
  // platform::Error naming the file when it exists but cannot be read (held
  // exclusively by another process, a directory, no permission).
  QString readString(const QString& section, const QString& key,
                     const QString& defaultValue = QString()) const;
  // A decimal value, or hexadecimal after "0x" or "$"; defaultValue when the
  // key is missing, empty, no number or outside the 32-bit range.
  int readInteger(const QString& section, const QString& key, int defaultValue) const;

  // Writes key=value into the section (the key keeps the spelling the file
  // has), replacing the file in one step so that a failure leaves the old
  // content. Throws platform::Error naming the file when it cannot be
  // written or is held by another process, and when a name could not be
  // read back (empty, "]" in the section, "=" in the key, a key starting
  // with ";" or "[", a line break in either) or the value holds a line
  // break; nothing is written then.
  void writeString(const QString& section, const QString& key, const QString& value);

  const QString& path() const { return path_; }

 private:
  QString path_;  // local path
};

}  // namespace platform

#endif  // QX_PLATFORM_INI_FILE_H_
