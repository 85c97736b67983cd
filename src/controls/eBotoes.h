// TeBitBtn: the first family of picture buttons with preset kinds.
//
// A kind sets caption, hint, picture (eName, mostly 32 x 32), layout (mostly
// the picture above the caption), spacing and one of the fixed sizes 44 x 44,
// 84 x 40 or 50 x 46, with one picture image, no modal result, and the cancel
// flag for eSair. eCustom changes nothing at all, not even a repaint.
#ifndef QX_CONTROLS_EBOTOES_H_
#define QX_CONTROLS_EBOTOES_H_

#include "controls/kind_button.h"

class TeBitBtn : public controls::KindButton {
  Q_OBJECT

 public:
  // The toolkit button's default size, 75 x 25, and kind eCustom.
  explicit TeBitBtn(QWidget* parent = nullptr);
};

#endif  // QX_CONTROLS_EBOTOES_H_
