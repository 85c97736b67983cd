#include "app/printing_dialogs.h"

PrintingDialogs::PrintingDialogs(std::FILE* out) : out_(out) {
  onShown = [this](const platform::ShownDialog& d) {
    std::fprintf(out_, "%s\n", d.line().toUtf8().constData());
    std::fflush(out_);
  };
}
