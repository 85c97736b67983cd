// The records exchanged with the authorizer: the request lines the system
// writes into FP_ENV.TXT and the fields it cuts out of FP_REQ.TXT.
//
// Everything here is pure text work on QString (positions count characters);
// the files themselves are read and written in troca.h. A request is built
// from plain structs holding the sale state as the windows show it, so the
// windows only copy their controls into them.
#ifndef QX_EXCHANGE_REGISTROS_H_
#define QX_EXCHANGE_REGISTROS_H_

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// --- Status codes of the answers -------------------------------------------

inline const QString kPreAutorizado = QStringLiteral("00S");
inline const QString kConfirmado = QStringLiteral("00R");
inline const QString kConfirmadoParcial = QStringLiteral("01R");
inline const QString kCancelado = QStringLiteral("00E");
inline const QString kCanceladoParcial = QStringLiteral("01E");
inline const QString kItemPreAutorizado = QStringLiteral("00SM");
inline const QString kItemConfirmado = QStringLiteral("00RM");

// --- Amount fields -----------------------------------------------------------

// A displayed amount ("30,00", " 1,00", "7") as a fixed-width field of
// digits with two implied decimals: " 30,00" with width 5 gives "03000". The
// decimals are cut, never rounded; a text without "," is rounded to a whole
// number. Nothing is cut when the integer part is wider than width − 2.
// Throws platform::ConvertError when the integer part is not a number.
QString FormataValor(const QString& texto, int largura, int decimais = 2);

// --- Requests ------------------------------------------------------------------

// Logins and passwords, records "01" and "02". The salesperson's pair is the
// one from the sale lookup (or the cancellation window's own lookup).
struct Acesso {
  QString login;          // Login, the establishment's
  QString usuarioVen;     // UsuarioVen
  QString senha;          // Senha
  QString senhaVen;       // senhaVen
};

// One data row of the item grid, with the texts the grid shows.
struct ItemSolicitado {
  QString codigo;      // " Código"
  QString qtdeComp;    // " Qtde (Comp.)", number of pills
  QString posologia;   // " Posologia", pills per day
  QString preco;       // " Preço", unit price
};

struct PreAutorizacao {
  Acesso acesso;
  QString solicitacao;    // text of edtSolicitacao ("000042" or "42")
  QString cnpj;           // text of edtCNPJ
  QString cpf;            // text of edtCPF
  QString crm;            // text of edtCRM
  QString estadoCRM;      // selected item of CBEstadoCRM ("MG - Minas Gerais")
  QDate dataEmissao;      // eDateEmissao; an invalid date is the empty date
  QList<ItemSolicitado> itens;
};

struct Confirmacao {
  Acesso acesso;
  QString solicitacao;    // text of edtSolicitacao, written unchanged
  QString codpreaut;      // from the pre-authorization answer, untrimmed
  QString cupom;          // the coupon number as the printer component gave it
};

// One row of the cancellation window's grid.
struct ItemCancelado {
  QString codigo;     // " Código"
  QString qtdeComp;   // " Qtde (Comp.)"
};

struct Cancelamento {
  Acesso acesso;
  QString cnpj;          // settings "FP"/"CNPJ", trimmed
  QString autorizacao;   // MaskEdit1's text, 19 characters with the dots
  QList<ItemCancelado> itens;
};

// The single records, for callers that fill their sale state field by field.
//
// A fixed-width number field never comes out wider than its width: a value
// that does not fit (1000 pills or more, a price of 10^13, a request number
// past 999999, a negative value) throws platform::Error with a message for
// the cashier naming the field, the product and the value, so that no
// request the authorizer would misread is ever written.
QString Registro01(const QString& login, const QString& usuarioVen);
QString Registro02(const QString& senha, const QString& senhaVen);
// Throws platform::ConvertError when the request number is not an integer,
// platform::Error when it does not fit six digits.
QString Registro03(const QString& solicitacao, const QString& cnpj, const QString& cpf,
                   const QString& crm, const QString& estadoCRM, QDate dataEmissao);
// ean, qtde, valor and posologia already formatted (FormataValor); throws
// platform::Error unless qtde and posologia are 5 digits and valor 15.
QString Registro04(const QString& ean, const QString& qtde, const QString& valor,
                   const QString& posologia);
QString Registro05(const QString& solicitacao, const QString& codpreaut, const QString& cupom);
QString Registro06(const QString& cnpj, const QString& autorizacao);
// qtde already formatted; throws platform::Error unless it is 5 digits.
QString Registro07(const QString& codigo, const QString& qtde);

// The whole request, one record per element, in the order the authorizer
// expects. Throws platform::ConvertError when a number field is not a number
// and platform::Error when one does not fit its width (above).
QStringList MontaRequisicao(const PreAutorizacao& dados);
QStringList MontaRequisicao(const Confirmacao& dados);
QStringList MontaRequisicao(const Cancelamento& dados);

// The prescription date as the request writes it: dd/mm/yyyy; the empty
// date is written 00/00/0000.
QString FormataData(QDate data);

// --- Answers -------------------------------------------------------------------

// Positions p..q (1-based, inclusive) of a line; what is there when the line
// is shorter, possibly nothing.
QString Posicoes(const QString& linha, int inicio, int fim);

// Header of a pre-authorization or confirmation answer.
struct Cabecalho {
  QString codretorno;   // positions 3–5
  QString msg;          // 6–205 (pre-authorization) or 6–202 (confirmation), trailing blanks removed
  QString paciente;     // 206–305, trailing blanks removed
  QString codigo;       // 306–324 untrimmed: codpreaut, or codaut of a confirmation
};
Cabecalho LeCabecalhoPreAutorizacao(const QString& linha);
Cabecalho LeCabecalhoConfirmacao(const QString& linha);

// Header of a cancellation answer.
struct CabecalhoCancelamento {
  QString codretorno;    // 3–5
  QString msg;           // 6–205, trailing blanks removed
  QString autorizacao;   // 206–224, trailing blanks removed
};
CabecalhoCancelamento LeCabecalhoCancelamento(const QString& linha);

// An amount read as integer digits plus two decimal characters, as shown on
// screen: "00500" → "5,00", "000000000123456" → "1234,56". Throws
// platform::ConvertError when the integer digits are not all digits (a line
// that is too short gives too few or none).
QString ValorExibido(const QString& inteiros, const QString& decimais);

// One item line of a pre-authorization answer, amounts as shown on screen.
struct ItemPreAutorizado {
  int qtdeInteira = 0;     // positions 16–18 as an integer, for VerificaQtdeItem
  QString qtdeAutor;       // " Qtde Autor."
  QString valorMS;         // " Vr. Min. Saúde"
  QString valorPaciente;   // " Vr. Paciente"
  QString mensagem;        // " Mensagem Retorno", 51–250 trailing blanks removed
  QString codigoItem() const { return mensagem.left(4); }
};
// Throws platform::ConvertError when a number field is short or not digits.
ItemPreAutorizado LeItemPreAutorizacao(const QString& linha);

// One item line of a confirmation answer. Never fails: short fields are empty.
struct ItemConfirmado {
  QString codigoItem;   // 16–19
  QString mensagem;     // 16–215, trailing blanks removed
  bool confirmado() const { return codigoItem == kItemConfirmado; }
};
ItemConfirmado LeItemConfirmacao(const QString& linha);

// Every line (the header included) that starts with "07", from position 3 on,
// unchanged and in file order: the receipt.
QStringList LinhasComprovante(const QStringList& resposta);

// An item message counts in the totals when it carries either item code.
bool ItemContaNosTotais(const QString& mensagem);

}  // namespace exchange

#endif  // QX_EXCHANGE_REGISTROS_H_
