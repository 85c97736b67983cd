// The window that cancels an authorized sale. For now it is the empty window
// the main window opens modally; the cancellation workflow fills it in.
#ifndef QX_CANCEL_FPCANCELAVENDA_H_
#define QX_CANCEL_FPCANCELAVENDA_H_

#include <QDialog>

class TfrmCancelaVendaFP : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCancelaVendaFP(QWidget* owner = nullptr);

 protected:
  // A form of the original closes on neither Escape nor Enter by itself.
  void keyPressEvent(QKeyEvent* event) override;
};

#endif  // QX_CANCEL_FPCANCELAVENDA_H_
