// TfrmMensagem: the four-line notice (" Mensagem do TEF") the printer
// component shows for one second. It has no behaviour of its own and cannot
// be closed by the user; its owner destroys it.
#ifndef QX_CONTROLS_UNMENSAGEM_H_
#define QX_CONTROLS_UNMENSAGEM_H_

#include <QDialog>

class QLabel;

class TfrmMensagem : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMensagem(QWidget* parent = nullptr);

  void setLinhas(const QString& linha1, const QString& linha2, const QString& linha3,
                 const QString& linha4);

  QLabel* lblLinha1;  // red, 13 px, centred
  QLabel* lblLinha2;  // navy, 11 px, left-aligned
  QLabel* lblLinha3;
  QLabel* lblLinha4;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

#endif  // QX_CONTROLS_UNMENSAGEM_H_
