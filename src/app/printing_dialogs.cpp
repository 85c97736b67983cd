#include "app/printing_dialogs.h"

#include <QCoreApplication>

PrintingDialogs::PrintingDialogs(std::FILE* out) : out_(out) {
  onShown = [this](const platform::ShownDialog& d) {
    std::fprintf(out_, "%s\n", linha(d).toUtf8().constData());
    std::fflush(out_);
  };
}

QString PrintingDialogs::linha(const platform::ShownDialog& d) {
  // Boxes without a caption of their own carry the program's title, as the
  // platform's plain message and error boxes do.
  QString caption = d.caption.isEmpty() ? QCoreApplication::applicationName() : d.caption;
  QString texto = d.text;
  texto.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
  texto.replace(u'\n', QStringLiteral("\\n"));
  texto.replace(u'\r', QStringLiteral("\\n"));
  return QStringLiteral("dialog: [%1] %2").arg(caption, texto);
}
