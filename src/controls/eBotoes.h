// TeBitBtn: a picture button with preset kinds (first family: pictures mostly above the caption, preset sizes).
#ifndef QX_CONTROLS_EBOTOES_H_
#define QX_CONTROLS_EBOTOES_H_

#include <QString>

#include "controls/bit_button.h"
#include "controls/button_kinds.h"

class TeBitBtn : public TBitBtn {
  Q_OBJECT

 public:
  explicit TeBitBtn(QWidget* parent = nullptr);

  // Stores the kind and applies its preset once: caption, hint, picture,
  // layout, spacing, size, one picture image, no modal result, and
  // the cancel flag for eSair. eCustom changes nothing.
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

#endif  // QX_CONTROLS_EBOTOES_H_
