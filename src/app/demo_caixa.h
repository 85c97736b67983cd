// Drives the main window as a cashier would, for the headless demo: keys and
// clicks only, a PNG of the window after every step, one line per step on
// standard output. The dialogs are answered by whatever Dialogs is installed
// (PrintingDialogs in the demo).
#ifndef QX_APP_DEMO_CAIXA_H_
#define QX_APP_DEMO_CAIXA_H_

#include <QString>

#include <cstdio>

class QWidget;
class TForm1;

struct RoteiroCaixa {
  QString pastaCapturas;  // where the PNGs go
  QString crm = QStringLiteral("123456");
  QString uf = QStringLiteral("MG");
};

class DemoCaixa {
 public:
  DemoCaixa(TForm1& form, RoteiroCaixa roteiro, std::FILE* out = stdout);

  // Runs every step. 0 when the sale went as far as the answers allowed,
  // 1 when a step failed.
  int executa();

  // Keys and clicks, sent where the system would deliver them.
  void tecla(int key, const QString& texto = QString());
  void digita(const QString& texto);
  void clica(QWidget* alvo);

 private:
  bool passo(const char* nome, bool ok, const QString& detalhe);
  void captura(const char* nome);

  TForm1& form_;
  RoteiroCaixa roteiro_;
  std::FILE* out_;
  int numero_ = 0;
};

#endif  // QX_APP_DEMO_CAIXA_H_
