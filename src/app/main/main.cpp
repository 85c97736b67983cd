// Program entry: the main window for the sale just registered on the fiscal
// printer. With --caixa-automatico DIR it runs without anybody at the screen:
// on Qt's offscreen platform, driven like a cashier, every dialog answered
// with its default button and printed, a PNG of every step in DIR.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/demo_caixa.h"
#include "app/fpPrincpal.h"
#include "app/printing_dialogs.h"
#include "cancel/fpCancelaVenda.h"
#include "controls/qt_dialogs.h"
#include "platform/dialogs.h"

namespace {

void uso() {
  std::fprintf(stderr,
               "uso: fpopular [--caixa-automatico PASTA [--crm NUMERO] [--uf SIGLA]]\n"
               "  --caixa-automatico PASTA  conduz a venda sem operador (plataforma offscreen),\n"
               "                            grava uma imagem da janela por passo em PASTA\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool automatico = false;
  RoteiroCaixa roteiro;
  for (int i = 1; i < argc; ++i) {
    auto valor = [&](const char* nome) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "fpopular: falta o valor de %s\n", nome);
        uso();
        std::exit(2);
      }
      return argv[++i];
    };
    if (std::strcmp(argv[i], "--caixa-automatico") == 0) {
      automatico = true;
      roteiro.pastaCapturas = QString::fromLocal8Bit(valor("--caixa-automatico"));
    } else if (std::strcmp(argv[i], "--crm") == 0) {
      roteiro.crm = QString::fromLocal8Bit(valor("--crm"));
    } else if (std::strcmp(argv[i], "--uf") == 0) {
      roteiro.uf = QString::fromLocal8Bit(valor("--uf"));
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      uso();
      return 0;
    } else if (std::strncmp(argv[i], "-platform", 9) != 0) {
      std::fprintf(stderr, "fpopular: opção desconhecida: %s\n", argv[i]);
      uso();
      return 2;
    } else {
      ++i;  // Qt's own -platform NAME
    }
  }
  if (automatico && std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("fpopular"));

  std::unique_ptr<platform::Dialogs> dialogos;
  if (automatico)
    dialogos = std::make_unique<PrintingDialogs>(stdout);
  else
    dialogos = std::make_unique<QtDialogs>();
  platform::installDialogs(dialogos.get());

  int resultado = 0;
  {
    TForm1 form;
    // Created at start and left hidden; the window the user sees is a new one
    // each time (btn4).
    TfrmCancelaVendaFP cancelamento(&form);
    form.show();
    if (automatico) {
      DemoCaixa caixa(form, roteiro);
      QTimer::singleShot(0, &form, [&] {
        resultado = caixa.executa();
        if (form.isVisible()) form.close();
        QApplication::exit(resultado);
      });
      resultado = app.exec();
    } else {
      resultado = app.exec();
    }
  }
  platform::installDialogs(nullptr);
  return resultado;
}
