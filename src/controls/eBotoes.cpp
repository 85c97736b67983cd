#include "controls/eBotoes.h"

TeBitBtn::TeBitBtn(QWidget* parent) : KindButton(controls::ButtonFamily::First, parent) {}
