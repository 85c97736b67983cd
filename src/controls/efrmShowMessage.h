// TfrmShowMessage: the modal three-line message the printer component shows
// its errors and warnings in (through ExibeMensagem and the dialogs port).
#ifndef QX_CONTROLS_EFRMSHOWMESSAGE_H_
#define QX_CONTROLS_EFRMSHOWMESSAGE_H_

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmShowMessage : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmShowMessage(QWidget* parent = nullptr);

  // Lines 1 to 3 as given, each one centred line; the fourth stays empty.
  void setLinhas(const QString& linha1, const QString& linha2, const QString& linha3);

  QLabel* sMensagem1;
  QLabel* sMensagem2;
  QLabel* sMensagem3;
  QLabel* sMensagem4;  // never filled
  QPushButton* eBotao;  // "&Fechar", the default button: closes with the OK result

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // Each activation restores a minimized application and brings it, and this
  // dialog above it, to the front.
  void FormActivate();
  void eBotaoClick();
};

#endif  // QX_CONTROLS_EFRMSHOWMESSAGE_H_
