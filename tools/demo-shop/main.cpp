// demo-shop: makes a demo shop data directory and registers today's sale on
// the simulated fiscal printer.
//
//   demo-shop --dados DIR --programa DIR [--cenario ARQUIVO]
//
// --dados receives every table and index file; --programa is the program
// folder: QxECF.ini and the simulated printer's state and paper tape go there.
// --cenario writes a scenario for the simulated authorizer that knows the
// demo's medicines and clients.
#include <QCoreApplication>
#include <QDate>
#include <QDir>

#include <cstdio>
#include <cstring>
#include <exception>

#include "loja_demo.h"
#include "platform/clock.h"
#include "platform/error.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString dados, programa, cenario;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dados") == 0 && i + 1 < argc) {
      dados = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--cenario") == 0 && i + 1 < argc) {
      cenario = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--programa") == 0 && i + 1 < argc) {
      programa = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr, "uso: demo-shop --dados PASTA --programa PASTA [--cenario ARQUIVO]\n");
      return 2;
    }
  }
  if (dados.isEmpty() || programa.isEmpty()) {
    std::fprintf(stderr, "uso: demo-shop --dados PASTA --programa PASTA\n");
    return 2;
  }
  try {
    QDir().mkpath(programa);
    const demoshop::LojaCriada loja =
        demoshop::CriaLojaDemo(QDir(dados).absolutePath(), QDir(programa).absolutePath(), platform::now().date());
    std::printf("loja de demonstração em %s\n", QDir(dados).absolutePath().toUtf8().constData());
    std::printf("venda de hoje: cupom %s, %lld item(ns), CPF %s\n", loja.cupom.toUtf8().constData(),
                static_cast<long long>(loja.itens.size()), loja.cpf.toUtf8().constData());
    std::printf("QxECF.ini em %s\n", QDir(programa).filePath("QxECF.ini").toUtf8().constData());
    if (!cenario.isEmpty()) {
      demoshop::EscreveCenario(cenario);
      std::printf("cenário do autorizador simulado em %s\n", cenario.toUtf8().constData());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo-shop: %s\n", platform::errorText(e).toUtf8().constData());
    return 1;
  }
  return 0;
}
