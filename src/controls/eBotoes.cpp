#include "controls/eBotoes.h"

TeBitBtn::TeBitBtn(QWidget* parent) : TBitBtn(parent) {
}

void TeBitBtn::setKindPersonalizado(TKindPersonalizado kind) {
  kind_ = kind;
  controls::applyKind(*this, kind, controls::ButtonFamily::First);
}

void TeBitBtn::setCaption(const QString& caption) {
  setText(caption);
  kind_ = TKindPersonalizado::eCustom;
}

void TeBitBtn::setHint(const QString& hint) {
  setToolTip(hint);
  kind_ = TKindPersonalizado::eCustom;
}
