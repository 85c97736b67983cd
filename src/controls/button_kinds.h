// The preset kinds of the two button families (TeBitBtn, TeBitBtn2): one
// table, one row per kind, read by both.
#ifndef QX_CONTROLS_BUTTON_KINDS_H_
#define QX_CONTROLS_BUTTON_KINDS_H_

#include <QSize>
#include <QString>

#include <optional>

#include "controls/bit_button.h"

// Ordinals are those of the window definitions (0..24). A value outside that
// range may be stored in a button; it applies no preset.
enum class TKindPersonalizado : int {
  eCustom, eIncluir, eAlterar, eCancelar, eGravar, eExcluir, ePrimeiro, eAnterior, eProximo,
  eUltimo, ePesquisar, eAtualizar, eFechar, eVoltar, eConfirmar, eSair, eImprimir, eVisualiza,
  ePreview, eGrafico, ePrintSetup, eCalculadora, eCalcFita, eCD, eNovo
};
inline constexpr int kKindCount = 25;

namespace controls {

// What a kind sets; an empty optional leaves the button's value as it is.
struct KindPreset {
  std::optional<QString> caption1;  // first family
  std::optional<QString> caption2;  // second family
  std::optional<QString> hint;
  QString picture;                  // first family's; the second's adds "2"
  std::optional<TButtonLayout> layout1;
  std::optional<int> spacing1;
  std::optional<QSize> size1;
  std::optional<TButtonLayout> layout2;
  std::optional<int> spacing2;
  bool cancel = false;              // Escape presses the button
};

// The preset of kinds 1..24; nullptr for eCustom and for values outside the enumeration.
const KindPreset* kindPreset(TKindPersonalizado kind);

enum class ButtonFamily { First, Second };

// Applies `kind` to `button` as the family does (see TeBitBtn and TeBitBtn2).
void applyKind(TBitBtn& button, TKindPersonalizado kind, ButtonFamily family);

// The enumerator's name ("eConfirmar"), or the ordinal for values outside it.
QString kindName(TKindPersonalizado kind);

}  // namespace controls

#endif  // QX_CONTROLS_BUTTON_KINDS_H_
