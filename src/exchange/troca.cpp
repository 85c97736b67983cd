#include "exchange/troca.h"

#include "exchange/aguarde_fp.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"

#include <memory>

namespace exchange {

namespace {

// True when the file is gone (or was never there).
bool excluiSeExistir(const QString& caminho) {
  return !platform::files::exists(caminho) || platform::files::remove(caminho);
}

bool excluiOuAvisa() {
  if (!excluiSeExistir(kArquivoRetorno) || !excluiSeExistir(kArquivoEnvio)) {
    platform::dialogs().message(kMsgFalhaExclusao);
    return false;
  }
  return true;
}

}  // namespace

QString LegendaTroca(TipoTroca tipo) {
  switch (tipo) {
    case TipoTroca::PreAutorizacao: return QStringLiteral("Pré-Autorização");
    case TipoTroca::Confirmacao: return QStringLiteral("Confirmação");
    case TipoTroca::Cancelamento: return QStringLiteral("Cancelamento");
  }
  return {};
}

QString MensagemSemRetorno(TipoTroca tipo) {
  switch (tipo) {
    case TipoTroca::PreAutorizacao:
      return QStringLiteral("Requisição cancelada, não encontrado o arquivo de retorno.");
    case TipoTroca::Confirmacao:
      return QStringLiteral("Confirmação cancelada, não encontrado o arquivo de retorno.");
    case TipoTroca::Cancelamento: return QStringLiteral("Cancelamento não efetuado.");
  }
  return {};
}

bool ChecaIncons(const QString& cpf) {
  if (!excluiOuAvisa()) return true;
  if (cpf.size() != 11) {
    platform::dialogs().message(kMsgCPFInvalido);
    return true;
  }
  return false;
}

bool RemoveArquivosAntigos(TipoTroca tipo) {
  switch (tipo) {
    case TipoTroca::PreAutorizacao:
    case TipoTroca::Cancelamento:
      return excluiOuAvisa();
    case TipoTroca::Confirmacao:
      // An old answer that survives is taken by the first tick; the
      // confirmation then reads it and says it was not confirmed.
      excluiSeExistir(kArquivoRetorno);
      excluiSeExistir(kArquivoEnvio);
      return true;
  }
  return true;
}

const QStringList& ResultadoTroca::linhas() const {
  if (!erroLeitura.isEmpty()) throw platform::Error(erroLeitura);
  return resposta;
}

ResultadoTroca runExchange(TipoTroca tipo, const std::function<QStringList()>& montaRequisicao,
                           QWidget* owner, const QString& cpf) {
  ResultadoTroca resultado;
  const bool pode = tipo == TipoTroca::PreAutorizacao ? !ChecaIncons(cpf)
                                                      : RemoveArquivosAntigos(tipo);
  if (!pode) {
    resultado.recusada = true;
    return resultado;
  }

  platform::sleepMs(kPausaAntesDoEnvio);
  resultado.requisicao = montaRequisicao();
  platform::files::writeTextFile(kArquivoEnvio, resultado.requisicao);

  {
    // Owned here so that an exception from a nested handler cannot leak it.
    std::unique_ptr<TfrmAguardeFP> dialogo(new TfrmAguardeFP(owner));
    frmAguardeFP = dialogo.get();
    dialogo->setLegenda(LegendaTroca(tipo));
    struct Limpa {
      ~Limpa() { frmAguardeFP = nullptr; }
    } limpa;
    dialogo->exec();
    resultado.retorno = dialogo->Retorno;
  }

  if (resultado.retorno != 1) {
    platform::dialogs().message(MensagemSemRetorno(tipo));
    return resultado;
  }
  try {
    resultado.resposta = platform::files::readTextFile(kArquivoRetorno);
  } catch (const std::exception& e) {
    resultado.erroLeitura = platform::errorText(e);
    if (resultado.erroLeitura.isEmpty())
      resultado.erroLeitura = QStringLiteral("Não foi possível ler ") + kArquivoRetorno;
  }
  return resultado;
}

ResultadoTroca runExchange(TipoTroca tipo, const QStringList& requisicao, QWidget* owner,
                           const QString& cpf) {
  return runExchange(tipo, [&requisicao] { return requisicao; }, owner, cpf);
}

}  // namespace exchange
