// Sets the application's name for a test and gives the old one back: the
// title plain message boxes and error boxes carry.
#ifndef QX_TESTSUPPORT_SCOPED_APPLICATION_NAME_H_
#define QX_TESTSUPPORT_SCOPED_APPLICATION_NAME_H_

#include <QCoreApplication>
#include <QString>

namespace qxtest {

class ScopedApplicationName {
 public:
  explicit ScopedApplicationName(const QString& name) : old_(QCoreApplication::applicationName()) {
    QCoreApplication::setApplicationName(name);
  }
  ~ScopedApplicationName() { QCoreApplication::setApplicationName(old_); }
  ScopedApplicationName(const ScopedApplicationName&) = delete;
  ScopedApplicationName& operator=(const ScopedApplicationName&) = delete;

 private:
  QString old_;
};

}  // namespace qxtest

#endif  // QX_TESTSUPPORT_SCOPED_APPLICATION_NAME_H_
