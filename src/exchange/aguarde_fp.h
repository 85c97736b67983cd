// TfrmAguardeFP: the modal wait for the authorizer's answer file.
//
// While it is shown its timer looks for FP_REQ.TXT once a second; the cashier
// may give up with "Cancelar". The result is in Retorno: 0 when the dialog was
// closed any other way, 1 when the answer file appeared, 2 when cancelled.
// Existence is the whole test: a file still held by the authorizer ends the
// wait too, and the caller's read then fails.
#ifndef QX_EXCHANGE_AGUARDE_FP_H_
#define QX_EXCHANGE_AGUARDE_FP_H_

#include <QDialog>

#include "controls/eBotoes.h"

class QLabel;
class QTimer;

namespace exchange {

class TfrmAguardeFP : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIntervaloChecagem = 1000;  // ms between looks for the answer

  explicit TfrmAguardeFP(QWidget* owner = nullptr);

  // Sets Label3, the kind of exchange, centred under the status line.
  void setLegenda(const QString& texto);

  QLabel* Label3 = nullptr;
  TeBitBtn* eBitBtn1 = nullptr;      // "Cancelar", kind eCustom, hint "Cancela", no tab stop
  QTimer* Checagem = nullptr;        // interval kIntervaloChecagem, started when shown
  quint8 Retorno = 0;

 public slots:
  // One tick: handle the window messages already waiting, then end the wait
  // with Retorno 1 if the answer file exists.
  void ChecagemTimer();
  // Asks "Deseja realmente cancelar a transmissão/recebimento?"; Yes ends the
  // wait with Retorno 2 (also over an answer that arrived meanwhile).
  void eBitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Escape and Enter do nothing here, as on the original form.
  void keyPressEvent(QKeyEvent* event) override;
};

// The wait dialog of the exchange in progress, null between exchanges.
extern TfrmAguardeFP* frmAguardeFP;

}  // namespace exchange

#endif  // QX_EXCHANGE_AGUARDE_FP_H_
