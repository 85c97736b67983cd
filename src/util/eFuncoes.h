// eFuncoes: the text and number helpers every part of the system builds its
// fixed-width fields, printed lines and displayed amounts with.
//
// Positions are 1-based and every length, position and width counts
// characters (QString units), never bytes. A "blank" is any character whose
// code is 32 or less; every trim here removes exactly those. Padding is always
// the space. A count or width of zero or less takes or adds nothing.
// Apart from AbreFormulario and ExibeMensagem these functions keep no state.
#ifndef QX_UTIL_EFUNCOES_H_
#define QX_UTIL_EFUNCOES_H_

#include "platform/datetime.h"

#include <QAction>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <utility>

// The first n characters; the whole text when it is shorter.
QString Esquerda(const QString& texto, int n);
// The last n characters; the whole text when it is shorter.
QString Direita(const QString& texto, int n);
int Tamanho(const QString& texto);
// At most n characters from position inicio (1-based; below 1 counts as 1).
QString Copia(const QString& texto, int inicio, int n);
QString Espacos(int n);
QString Replica(QChar caracter, int n);

QString TiraEspacosDireita(const QString& texto);
QString TiraEspacos(const QString& texto);  // both ends; blanks inside stay

// Fixed point with exactly `decimais` digits after a "." (always "."), rounded
// at the last kept digit with halves away from zero, then "0" inserted in
// front until it has `largura` characters; never cut. The value is first
// taken to 15 significant digits, its decimal precision, so 1.005 gives 1.01.
// A negative value keeps its sign in front of the zeros.
QString CompletaZeros(double valor, int largura, int decimais);

// Each occurrence of the one-character `procura` replaced, position by
// position over the original length; a longer `procura` never matches.
QString TrocaCaracter(const QString& texto, const QString& procura, const QString& troca);

// Cut to `largura`, then trimmed, then padded with spaces to exactly `largura`:
// at the end (AlinhaEsquerda) or in front (AlinhaDireita).
QString AlinhaEsquerda(const QString& texto, int largura);
QString AlinhaDireita(const QString& texto, int largura);

// Trimmed, then cut to `largura`, then padded: modo 0 at the end, 1 in front,
// 2 centred (floor(largura/2) - floor(L/2) spaces in front); any other modo
// does not pad.
QString Alinha(const QString& texto, int largura, int modo);
QString Centraliza(const QString& texto, int largura);

// Rounded to `casas` places (clamped to 0..15) in extended precision, ties to
// even: Arredonda(0.125, 2) is 0.12. REQUIRES: the scaled value fits 64 bits.
long double Arredonda(long double valor, int casas);
// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3),
// clamped to the 32-bit range.
int ArredondaInteiro(long double valor);

// Seconds since midnight of the value's time of day, the time rounded to
// milliseconds and the milliseconds dropped.
int SegundosDoDia(platform::TDateTime valor);

// The system's "%5.2f": two decimals with the decimal comma, halves away from
// zero, at least 5 characters by leading spaces, no grouping, never cut:
// 1 -> " 1,00", 12.5 -> "12,50", 123.4 -> "123,40".
QString FormataDuasCasas(double valor);

// Reads a number written with the decimal comma (" 1,00", "-3", "1,5E2";
// blanks around it allowed, no grouping). Throws platform::ConvertError with
// a clear Portuguese text naming the text when it is not a number.
double LeNumero(const QString& texto);

// The three-line message (TfrmShowMessage) through the dialogs port; returns
// when the user has closed it. User-interface thread only.
void ExibeMensagem(const QString& linha1, const QString& linha2, const QString& linha3);

namespace efuncoes_detail {
// Shows `janela` application-modal and waits until it is closed, then
// releases it (deleteLater), also when showing failed; the error passes on.
void MostraModal(QWidget* janela);
// Disables `menu` (when given), maximizes when asked, shows, returns at once.
void MostraNaoModal(QWidget* janela, QAction* menu, bool maximizado);
}  // namespace efuncoes_detail

// Creates a window of kind T (constructed from `args`, no parent: the
// application owns it) into `referencia`. Modal: shown until closed, then
// released (`referencia` becomes null once it is destroyed); `menu` and
// `maximizado` are not used. Modeless: `menu` is disabled (and stays so),
// the window maximized when asked, shown, and the call returns at once.
// User-interface thread only.
template <class T, class... Args>
void AbreFormulario(QPointer<T>& referencia, QAction* menu, bool modal, bool maximizado,
                    Args&&... args) {
  T* janela = new T(std::forward<Args>(args)...);
  referencia = janela;
  if (modal) {
    efuncoes_detail::MostraModal(janela);
  } else {
    efuncoes_detail::MostraNaoModal(janela, menu, maximizado);
  }
}

#endif  // QX_UTIL_EFUNCOES_H_
