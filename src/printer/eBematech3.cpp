#include "printer/eBematech3.h"

#include "platform/dialogs.h"
#include "printer/ecf_library.h"
#include "util/eFuncoes.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <array>

int32_t UltimoRetorno = 0;

namespace {

using platform::DialogIcon;

struct CodigoRetorno {
  int32_t codigo;
  const char* texto;     // UTF-8
  const char* legenda;
  DialogIcon icone;
};

constexpr DialogIcon kErro = DialogIcon::Error;
constexpr DialogIcon kInfo = DialogIcon::Information;

// -9 to -17 and -27 have no message.
constexpr std::array<CodigoRetorno, 18> kCodigos{{
    {-1, "Erro de Execução na Função. Verifique!", "Erro", kErro},
    {-2, "Parâmetro Inválido !", "Erro", kErro},
    {-3, "Alíquota não programada !", "Atenção", kInfo},
    {-4, "Arquivo BemaFI32.INI não encontrado. Verifique!", "Atenção", kInfo},
    {-5, "Erro ao Abrir a Porta de Comunicação", "Erro", kErro},
    {-6, "Impressora Desligada ou Desconectada", "Atenção", kInfo},
    {-7, "Banco Não Cadastrado no Arquivo BemaFI32.ini", "Atenção", kInfo},
    {-8, "Erro ao Criar ou Gravar no Arquivo Retorno.txt ou Status.txt", "Erro", kErro},
    {-18, "Não foi possível abrir arquivo INTPOS.001 !", "Atenção", kInfo},
    {-19, "Parâmetro diferentes !", "Atenção", kInfo},
    {-20, "Transação cancelada pelo Operador !", "Atenção", kInfo},
    {-21, "A Transação não foi aprovada !", "Atenção", kInfo},
    {-22, "Não foi possível terminal a Impressão !", "Atenção", kInfo},
    {-23, "Não foi possível terminal a Operação !", "Atenção", kInfo},
    {-24, "Forma de pagamento não programada.", "Atenção", kInfo},
    {-25, "Totalizador não fiscal não programado.", "Atenção", kInfo},
    {-26, "Transação já Efetuada !", "Atenção", kInfo},
    {-28, "Não há Informações para serem Impressas !", "Atenção", kInfo},
}};

const CodigoRetorno* procura(int32_t codigo) {
  for (const CodigoRetorno& c : kCodigos)
    if (c.codigo == codigo) return &c;
  return nullptr;
}

std::function<void()>& encerramento() {
  static std::function<void()> f;
  return f;
}

void PedeEncerramento() {
  if (encerramento()) {
    encerramento()();
    return;
  }
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Aviso(const char* texto) { MostraAviso(QString(), QString::fromUtf8(texto), QString(), QString()); }
void Mensagem(const char* texto) { ExibeMensagem(QString::fromUtf8(texto), QString(), QString()); }

}  // namespace

QString TextoRetorno(int32_t codigo) {
  const CodigoRetorno* c = procura(codigo);
  return c ? QString::fromUtf8(c->texto) : QString();
}

// Bringing the application to the front before each message is the dialogs
// port's part: its windows open on top and activate the application.
void MostraErroRetorno() {
  const CodigoRetorno* c = procura(UltimoRetorno);
  if (c == nullptr) return;
  platform::dialogs().messageBox(QString::fromUtf8(c->texto), QString::fromUtf8(c->legenda),
                                 c->icone, platform::DialogButtons::Ok);
}

void MostraAviso(const QString& linha1, const QString& linha2, const QString& linha3,
                 const QString& linha4) {
  platform::dialogs().notice(linha1, linha2, linha3, linha4);
}

void ChecaLigada() {
  UltimoRetorno = printer::ecfLibrary().Bematech_FI_VerificaImpressoraLigada();
  if (UltimoRetorno != 1) Aviso("ECF Desligada ou desconectada, Favor Verifique");
}

bool AnalisaRetorno() {
  MostraErroRetorno();
  if (UltimoRetorno != 1) return false;

  bool resposta = true;
  bool cupomAberto = false;  // "CPABERTO"
  int32_t ack = 0, st1 = 0, st2 = 0;
  UltimoRetorno = printer::ecfLibrary().Bematech_FI_RetornoImpressora(&ack, &st1, &st2);

  if (ack == 6) {
    if (st1 & 128) Aviso("Fim de papel - Favor trocar a bobina.");
    if (st1 & 64) Aviso("O papel está terminando - Favor verificar.");
    if (st1 & 32) Aviso("Erro no Relógio interno do ECF - Chamar a Assistência Tecnica!!");
    if (st1 & 16) Aviso("Impressora em erro - Desligue e Ligue novamenteo ECF.");
    if (st1 & 8) Aviso("Erro no envio do comando - Favor repetir a operação.");
    if (st1 & 4) Aviso("Comando inexistente - Favor avisar ao suporte do sistema.");
    if (st1 & 2) {
      Mensagem("Cupom fiscal aberto - Cancele o cupom ou termine a venda.");
      cupomAberto = true;
    }
    if (st1 & 1) Mensagem("Parametro invalido - Favor avisar ao suporte.");
    if (st2 & 128) Mensagem("Tipo de CMD - Invalido Favor avisar ao suporte.");
    if (st2 & 64) Mensagem("Memoria Fiscal cheia - Chamar a Assistência Tecnica!!");
    if (st2 & 32) Mensagem("Erro de CMOS do ECF - Chamar a Assistência Tecnica!!");
    if (st2 & 16) {
      Mensagem("Aliquota não programada - Favor cancele o cupom e cadastre a Aliquota");
      cupomAberto = false;
    }
    if (st2 & 8) Mensagem("Capacidade de Aliquota Lotada - Favor avisar ao suporte.");
    if (st2 & 4) Mensagem("Cancelamento não permitido pelo ECF.");
    if (st2 & 2) Mensagem("CGC/IE não programados - Chamar a Assistência Tecnica!!");
    if (st2 & 1) {
      resposta = false;
      Aviso("Comando não executado - Verifique o status da impreessora.");
      // A command refused while a coupon is open counts as gone through.
      if (cupomAberto) resposta = true;
    }
  } else if (ack == 21) {
    ExibeMensagem(QString(), QStringLiteral("ECF Retornou NAK - Verifique Impressora e Cabo"),
                  QString());
    PedeEncerramento();
  }
  return resposta;
}

void DefineEncerramentoAplicacao(std::function<void()> encerra) {
  encerramento() = std::move(encerra);
}
