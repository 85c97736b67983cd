// Unforeseen failures: exceptions carrying a clear Portuguese text that names
// the file, table or field. Foreseen outcomes are return values, never these.
#ifndef QX_PLATFORM_ERROR_H_
#define QX_PLATFORM_ERROR_H_

#include <QString>

#include <functional>
#include <stdexcept>

namespace platform {

class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// A text that is not a number (the platform's conversion error).
class ConvertError : public Error {
 public:
  using Error::Error;
};

// The text to show for any exception: platform::Error's own message, or
// what() of another std::exception read as UTF-8.
QString errorText(const std::exception& e);

// The one boundary every event handler runs behind: an exception that leaves
// `handler` is shown in the standard error box (dialogs port) and swallowed.
// Returns false when that happened.
bool runGuarded(const std::function<void()>& handler);

}  // namespace platform

#endif  // QX_PLATFORM_ERROR_H_
