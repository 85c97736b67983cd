// The simulated authorizer's answers: from the request's records to the
// answer's lines, following the exchange layouts (header, item lines, "07"
// receipt lines). It remembers its pre-authorizations and authorizations for
// the life of the process, so a confirmation finds its pre-authorization and a
// cancellation its sale.
#ifndef QX_TOOLS_AUTORIZADOR_SIM_AUTORIZADOR_H_
#define QX_TOOLS_AUTORIZADOR_SIM_AUTORIZADOR_H_

#include "cenario.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace autorizador {

enum class Tipo { PreAutorizacao, Confirmacao, Cancelamento, Invalida };

// How an answer is spoiled, to rehearse the client's error handling.
struct Falhas {
  bool malformado = false;  // letters where digits go in item lines; confirmation header cut short
  bool semItens = false;    // header (and receipt) only
};

struct Resposta {
  Tipo tipo = Tipo::Invalida;
  QString status;
  QString resumo;       // one line for the log
  QStringList linhas;
};

class Autorizador {
 public:
  explicit Autorizador(Cenario cenario) : cenario_(std::move(cenario)) {}

  Resposta responde(const QStringList& requisicao, const Falhas& falhas = {});

  // "999.999.999.999.999", unique within this process.
  QString novoCodigo();

 private:
  struct Item {
    QString codigo;
    QString descricao;
    qint64 qtdeCentesimos = 0;   // pills × 100, as requested
    qint64 qtdeAutorizada = 0;   // pills × 100
    qint64 valorMS = 0;          // cents
    qint64 valorPaciente = 0;    // cents
    QString mensagem;            // starting with the item code
    bool autorizado() const { return mensagem.startsWith(QStringLiteral("00SM")); }
  };
  struct PreAut {
    Beneficiario beneficiario;
    QString solicitacao;
    QList<Item> itens;
    QStringList confirmacao;     // the answer given, repeated to a repeated confirmation
  };
  struct Venda {
    QString cupom;
    QList<Item> itens;           // the confirmed ones
    bool cancelada = false;
  };

  Resposta preAutorizacao(const QStringList& req, const Falhas& falhas);
  Resposta confirmacao(const QStringList& req, const Falhas& falhas);
  Resposta cancelamento(const QStringList& req, const Falhas& falhas);
  // Empty when records 01 and 02 carry what the scenario expects.
  QString confereAcesso(const QStringList& req) const;

  Cenario cenario_;
  QHash<QString, PreAut> preAutorizacoes_;  // by pre-authorization code
  QHash<QString, Venda> vendas_;            // by authorization number
  QSet<QString> codigos_;
};

}  // namespace autorizador

#endif  // QX_TOOLS_AUTORIZADOR_SIM_AUTORIZADOR_H_
