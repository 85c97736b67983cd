// TeBitBtn2: the second family of picture buttons with preset kinds.
//
// A kind sets caption, hint, picture (eName2, 32 x 32), the picture left of
// the caption and the spacing, with one picture image, no modal result, and
// the cancel flag for eSair; it never changes the button's size. Unlike the
// first family, eCustom too resets the picture count and the modal result.
#ifndef QX_CONTROLS_EBOTOES2_H_
#define QX_CONTROLS_EBOTOES2_H_

#include "controls/kind_button.h"

class TeBitBtn2 : public controls::KindButton {
  Q_OBJECT

 public:
  // 90 x 44 and kind eCustom.
  explicit TeBitBtn2(QWidget* parent = nullptr);
};

#endif  // QX_CONTROLS_EBOTOES2_H_
