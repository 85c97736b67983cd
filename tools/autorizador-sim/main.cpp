// autorizador-sim: a stand-in for the Farmácia Popular authorizer. It watches
// the exchange directory and answers each new FP_ENV.TXT exactly once with an
// FP_REQ.TXT (vigia.h), from a scenario file (cenario.h).
#include "autorizador.h"
#include "cenario.h"
#include "vigia.h"

#include "platform/codepage.h"
#include "platform/paths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

void aoSinal(int) { autorizador::g_parar = 1; }

void diz(const QString& texto) {
  std::fputs((texto + u'\n').toUtf8().constData(), stdout);
  std::fflush(stdout);
}
void erro(const QString& texto) {
  std::fputs((QStringLiteral("autorizador-sim: ") + texto + u'\n').toUtf8().constData(), stderr);
}

autorizador::Tipo tipoDe(const QString& nome, bool* ok) {
  *ok = true;
  if (nome == QStringLiteral("pre-autorizacao")) return autorizador::Tipo::PreAutorizacao;
  if (nome == QStringLiteral("confirmacao")) return autorizador::Tipo::Confirmacao;
  if (nome == QStringLiteral("cancelamento")) return autorizador::Tipo::Cancelamento;
  *ok = nome == QStringLiteral("todas");
  return autorizador::Tipo::Invalida;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("autorizador-sim"));

  QCommandLineParser p;
  p.setApplicationDescription(QStringLiteral(
      "Autorizador simulado da Farmácia Popular: responde cada FP_ENV.TXT novo do diretório de "
      "troca com um FP_REQ.TXT."));
  p.addHelpOption();
  const QCommandLineOption oDir(QStringLiteral("dir"),
      QStringLiteral("Diretório de troca (padrão: C:\\FPopular, via QX_DRIVE_C ou o prefixo do Wine)."),
      QStringLiteral("diretório"));
  const QCommandLineOption oCenario(QStringLiteral("cenario"), QStringLiteral("Arquivo de cenário."),
                                    QStringLiteral("arquivo"));
  const QCommandLineOption oExemplo(QStringLiteral("exemplo-cenario"),
                                    QStringLiteral("Escreve um cenário de exemplo e sai."));
  const QCommandLineOption oAtraso(QStringLiteral("atraso"),
      QStringLiteral("Espera antes de responder, em segundos."), QStringLiteral("s"), QStringLiteral("0"));
  const QCommandLineOption oSegurar(QStringLiteral("segurar"),
      QStringLiteral("Mantém a resposta aberta (bloqueada) por estes segundos."), QStringLiteral("s"),
      QStringLiteral("0"));
  const QCommandLineOption oMalformado(QStringLiteral("malformado"),
      QStringLiteral("Responde com letras nos campos numéricos dos itens (o cabeçalho da confirmação "
                     "vem cortado)."));
  const QCommandLineOption oSemItens(QStringLiteral("sem-itens"),
                                     QStringLiteral("Responde sem linhas de item."));
  const QCommandLineOption oBom(QStringLiteral("bom"),
                                QStringLiteral("Grava a resposta em UTF-8 com marca de ordem de bytes."));
  const QCommandLineOption oFalharEm(QStringLiteral("falhar-em"),
      QStringLiteral("Aplica as falhas só a: pre-autorizacao, confirmacao, cancelamento ou todas."),
      QStringLiteral("tipo"), QStringLiteral("todas"));
  const QCommandLineOption oRespostas(QStringLiteral("respostas"),
      QStringLiteral("Sai depois de N respostas (0: nunca)."), QStringLiteral("n"), QStringLiteral("0"));
  const QCommandLineOption oIntervalo(QStringLiteral("intervalo-ms"),
      QStringLiteral("Intervalo entre as verificações do diretório."), QStringLiteral("ms"),
      QStringLiteral("200"));
  p.addOptions({oDir, oCenario, oExemplo, oAtraso, oSegurar, oMalformado, oSemItens, oBom, oFalharEm,
                oRespostas, oIntervalo});
  p.process(app);

  if (p.isSet(oExemplo)) {
    std::fputs(autorizador::Cenario::exemplo().toUtf8().constData(), stdout);
    return 0;
  }
  auto numero = [&](const QCommandLineOption& o, double* v) {
    bool ok = false;
    *v = p.value(o).toDouble(&ok);
    if (!ok || *v < 0) erro(QStringLiteral("valor inválido para --%1: '%2'").arg(o.names().first(), p.value(o)));
    return ok && *v >= 0;
  };
  double atraso = 0, segurar = 0, respostas = 0, intervalo = 0;
  if (!numero(oAtraso, &atraso) || !numero(oSegurar, &segurar) || !numero(oRespostas, &respostas) ||
      !numero(oIntervalo, &intervalo))
    return 2;
  bool tipoOk = false;
  const autorizador::Tipo falharEm = tipoDe(p.value(oFalharEm), &tipoOk);
  if (!tipoOk) {
    erro(QStringLiteral("valor inválido para --falhar-em: '%1'").arg(p.value(oFalharEm)));
    return 2;
  }
  if (!p.isSet(oCenario)) {
    erro(QStringLiteral("informe o cenário com --cenario (veja --exemplo-cenario)"));
    return 2;
  }
  autorizador::Cenario cenario;
  try {
    cenario = autorizador::Cenario::ler(p.value(oCenario));
  } catch (const autorizador::ErroCenario& e) {
    erro(QString::fromUtf8(e.what()));
    return 2;
  }
  const QString dir = p.isSet(oDir) ? QDir(p.value(oDir)).absolutePath()
                                    : platform::localPath(QStringLiteral("C:\\FPopular"));
  if (!QFileInfo(dir).isDir()) {
    erro(QStringLiteral("diretório de troca não encontrado: %1").arg(dir));
    return 1;
  }

  std::signal(SIGINT, aoSinal);
  std::signal(SIGTERM, aoSinal);
  autorizador::OpcoesVigia opcoes;
  opcoes.atraso = atraso;
  opcoes.segurar = segurar;
  opcoes.malformado = p.isSet(oMalformado);
  opcoes.semItens = p.isSet(oSemItens);
  opcoes.bom = p.isSet(oBom);
  opcoes.falharEm = falharEm;
  opcoes.intervaloMs = std::max(1, int(intervalo));
  autorizador::Autorizador autorizadorSim(std::move(cenario));
  autorizador::Vigia vigia(dir, autorizadorSim, opcoes, diz);
  diz(QStringLiteral("Autorizador simulado aguardando requisições em %1").arg(dir));
  int feitas = 0;
  while (!autorizador::g_parar) {
    if (vigia.verifica() == autorizador::Vigia::Passo::Respondeu) {
      if (respostas > 0 && ++feitas >= int(respostas)) break;
      continue;
    }
    autorizador::espera(opcoes.intervaloMs / 1000.0);
  }
  diz(QStringLiteral("Autorizador simulado encerrado"));
  return 0;
}
