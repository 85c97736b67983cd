// KindButton: the base of both picture button families with preset kinds.
#ifndef QX_CONTROLS_KIND_BUTTON_H_
#define QX_CONTROLS_KIND_BUTTON_H_

#include <QString>

#include "controls/bit_button.h"
#include "controls/button_kinds.h"

namespace controls {

// What TeBitBtn and TeBitBtn2 share: the stored kind, the Caption and Hint
// setters that fall back to eCustom, and About. The family given at
// construction decides how a kind applies (applyKind).
class KindButton : public TBitBtn {
  Q_OBJECT

 public:
  // Stores the kind and applies its preset once (applyKind); nothing is
  // re-applied later. A value outside the enumeration is stored and applies
  // nothing.
  TKindPersonalizado KindPersonalizado() const { return kind_; }
  void setKindPersonalizado(TKindPersonalizado kind);

  // Setting the caption or the hint changes only that and makes the kind
  // eCustom (a preset's picture, layout and size stay).
  QString Caption() const { return text(); }
  void setCaption(const QString& caption);
  QString Hint() const { return toolTip(); }
  void setHint(const QString& hint);

  // Free text for the window designer; no effect.
  QString About() const { return about_; }
  void setAbout(const QString& about) { about_ = about; }

 protected:
  KindButton(ButtonFamily family, QWidget* parent);

 private:
  ButtonFamily family_;
  TKindPersonalizado kind_ = TKindPersonalizado::eCustom;
  QString about_;
};

}  // namespace controls

#endif  // QX_CONTROLS_KIND_BUTTON_H_
