#include "controls/ebotoes2.h"

TeBitBtn2::TeBitBtn2(QWidget* parent) : KindButton(controls::ButtonFamily::Second, parent) {
  setSize(90, 44);
}
