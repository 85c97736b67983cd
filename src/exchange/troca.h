// One exchange with the authorizer, from the removal of the previous
// exchange's files to the answer's lines:
//
//   1. remove FP_REQ.TXT and FP_ENV.TXT by the rule of the kind of exchange,
//      and (pre-authorization) check the CPF;
//   2. pause 1000 ms through the pause port — the whole interface waits;
//   3. build the request and write FP_ENV.TXT whole, under an exclusive lock;
//   4. show TfrmAguardeFP modally until the answer file exists or the cashier
//      gives up;
//   5. on Retorno 1 read FP_REQ.TXT; otherwise show the kind's cancellation
//      message.
//
// Foreseen refusals show their message and come back as results. A request
// that cannot be written throws platform::Error out of runExchange, before
// the wait dialog, for the caller's error boundary.
#ifndef QX_EXCHANGE_TROCA_H_
#define QX_EXCHANGE_TROCA_H_

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace exchange {

inline const QString kDiretorioTroca = QStringLiteral("C:\\FPopular");
inline const QString kArquivoEnvio = QStringLiteral("C:\\FPopular\\FP_ENV.TXT");
inline const QString kArquivoRetorno = QStringLiteral("C:\\FPopular\\FP_REQ.TXT");

inline constexpr int kPausaAntesDoEnvio = 1000;  // ms

inline const QString kCaptionFP = QStringLiteral("QX Farmácia Popular");
inline const QString kPerguntaCancelar =
    QStringLiteral("Deseja realmente cancelar a transmissão/recebimento?");
inline const QString kMsgFalhaExclusao = QStringLiteral(
    "Falha ao excluir o arquivo do ultimo envio. O arquivo está aberto pelo Autorizador. "
    "Tente novamente ou reinicie o Autorizador.");
inline const QString kMsgCPFInvalido = QStringLiteral("CPF inválido.");

enum class TipoTroca { PreAutorizacao, Confirmacao, Cancelamento };

// "Pré-Autorização", "Confirmação", "Cancelamento": the wait dialog's Label3.
QString LegendaTroca(TipoTroca tipo);
// What the caller's cashier is told when the wait did not end with an answer.
QString MensagemSemRetorno(TipoTroca tipo);

// The pre-authorization's checks: removes the old answer file, then the old
// request file, then checks that the CPF has exactly 11 characters (length is
// the whole test). True when the pre-authorization must not start; its
// message ("Falha ao excluir..." or "CPF inválido.") has been shown then.
// Files removed before a later check failed stay removed.
bool ChecaIncons(const QString& cpf);

// The old files' removal of the other kinds. Confirmation: both deleted,
// answer first, any failure ignored and nothing shown; returns true.
// Cancellation: as ChecaIncons without the CPF check; false (message shown)
// when a file that exists cannot be deleted.
bool RemoveArquivosAntigos(TipoTroca tipo);

struct ResultadoTroca {
  bool recusada = false;    // stopped at step 1; no request was written
  quint8 retorno = 0;       // the wait dialog's Retorno: 0 closed, 1 answered, 2 cancelled
  QStringList requisicao;   // the lines written to FP_ENV.TXT (FP_ENV)
  QStringList resposta;     // the answer's lines (FP_REQ) when it could be read
  QString erroLeitura;      // why the answer could not be read, else empty

  bool respondida() const { return retorno == 1; }
  // The answer's lines; throws platform::Error with erroLeitura when the
  // file had appeared but could not be read (still held by the authorizer).
  const QStringList& linhas() const;
};

// Runs one exchange of the given kind. The request is built by montaRequisicao
// after the pause, so a conversion error in it, or a number too wide for its
// field (registros.h), leaves the old files removed and nothing written. The
// wait dialog is owned by owner and released before this returns. cpf is
// checked only for a pre-authorization. When Retorno is not 1
// MensagemSemRetorno(tipo) has been shown before this returns.
ResultadoTroca runExchange(TipoTroca tipo, const std::function<QStringList()>& montaRequisicao,
                           QWidget* owner, const QString& cpf = {});
ResultadoTroca runExchange(TipoTroca tipo, const QStringList& requisicao, QWidget* owner,
                           const QString& cpf = {});

}  // namespace exchange

#endif  // QX_EXCHANGE_TROCA_H_
