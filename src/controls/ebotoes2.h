// TeBitBtn2: a picture button with preset kinds (second family: larger pictures left of the caption, the size never changed by a kind).
#ifndef QX_CONTROLS_EBOTOES2_H_
#define QX_CONTROLS_EBOTOES2_H_

#include <QString>

#include "controls/bit_button.h"
#include "controls/button_kinds.h"

class TeBitBtn2 : public TBitBtn {
  Q_OBJECT

 public:
  explicit TeBitBtn2(QWidget* parent = nullptr);

  // Stores the kind and applies its preset once: caption, hint, picture,
  // layout, spacing, one picture image, no modal result, and
  // the cancel flag for eSair. eCustom also resets picture count and modal result.
  // A value outside the enumeration is stored and applies nothing.
  TKindPersonalizado KindPersonalizado() const { return kind_; }
  void setKindPersonalizado(TKindPersonalizado kind);

  // Setting the caption or the hint keeps everything else and makes the
  // kind eCustom (the preset's picture stays).
  QString Caption() const { return text(); }
  void setCaption(const QString& caption);
  QString Hint() const { return toolTip(); }
  void setHint(const QString& hint);

  QString About() const { return about_; }
  void setAbout(const QString& about) { about_ = about; }

 private:
  TKindPersonalizado kind_ = TKindPersonalizado::eCustom;
  QString about_;
};

#endif  // QX_CONTROLS_EBOTOES2_H_
