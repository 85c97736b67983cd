#include "platform/error.h"

#include "platform/dialogs.h"

namespace platform {

QString errorText(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Error*>(&e)) return own->message();
  return QString::fromUtf8(e.what());
}

bool runGuarded(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& e) {
    dialogs().errorBox(errorText(e));
  } catch (...) {
    dialogs().errorBox(QStringLiteral("Erro inesperado sem descrição."));
  }
  return false;
}

}  // namespace platform
