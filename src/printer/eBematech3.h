// Turns what the printer library reports into operator messages and one
// yes/no answer for the operation that called it. Every message goes through
// the dialogs port (platform/dialogs.h).
#ifndef QX_PRINTER_EBEMATECH3_H_
#define QX_PRINTER_EBEMATECH3_H_

#include <QString>

#include <cstdint>
#include <functional>

// The last library return code of the process, shown and tested by every
// printer operation; starts at 0 and is never reset.
extern int32_t UltimoRetorno;

// Shows the message box for UltimoRetorno's code (text, caption and icon of
// the vendor's code table); codes without a message, 0 and 1 included, show
// nothing.
void MostraErroRetorno();

// The four-line notice, held for one second by the dialogs port.
void MostraAviso(const QString& linha1, const QString& linha2, const QString& linha3,
                 const QString& linha4);

// UltimoRetorno <- the power check; warns when the printer is not on (not 1).
void ChecaLigada();

// True when the last command went through: shows the error box for
// UltimoRetorno, then (only when it is 1) reads and decodes the printer's
// acknowledge and status bytes. A refused command (NAK) asks the application
// to terminate; the answer stays True.
bool AnalisaRetorno();

// What "ask the application to terminate" does: by default a queued quit of
// the running QCoreApplication, so that the operation in progress finishes
// first. Tests replace it; an empty function restores the default.
void DefineEncerramentoAplicacao(std::function<void()> encerra);

// The vendor's message for a return code; empty when it has none.
QString TextoRetorno(int32_t codigo);

#endif  // QX_PRINTER_EBEMATECH3_H_
