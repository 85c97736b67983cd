#include "controls/ebotoes2.h"

TeBitBtn2::TeBitBtn2(QWidget* parent) : TBitBtn(parent) {
  setSize(90, 44);
}

void TeBitBtn2::setKindPersonalizado(TKindPersonalizado kind) {
  kind_ = kind;
  controls::applyKind(*this, kind, controls::ButtonFamily::Second);
}

void TeBitBtn2::setCaption(const QString& caption) {
  setText(caption);
  kind_ = TKindPersonalizado::eCustom;
}

void TeBitBtn2::setHint(const QString& hint) {
  setToolTip(hint);
  kind_ = TKindPersonalizado::eCustom;
}
