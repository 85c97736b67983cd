#include "controls/kind_button.h"

namespace controls {

KindButton::KindButton(ButtonFamily family, QWidget* parent) : TBitBtn(parent), family_(family) {}

void KindButton::setKindPersonalizado(TKindPersonalizado kind) {
  kind_ = kind;
  applyKind(*this, kind, family_);
}

void KindButton::setCaption(const QString& caption) {
  setText(caption);
  kind_ = TKindPersonalizado::eCustom;
}

void KindButton::setHint(const QString& hint) {
  setToolTip(hint);
  kind_ = TKindPersonalizado::eCustom;
}

}  // namespace controls
