#include "exchange/registros.h"

#include "platform/error.h"
#include "platform/regional.h"
#include "util/eFuncoes.h"

#include <QRegularExpression>

namespace exchange {

namespace {

QString cortaDireita(const QString& linha, int inicio, int fim) {
  return TiraEspacosDireita(Posicoes(linha, inicio, fim));
}

bool soDigitos(const QString& texto) {
  if (texto.isEmpty()) return false;
  for (QChar c : texto)
    if (c < u'0' || c > u'9') return false;
  return true;
}

qint64 inteiroDeDigitos(const QString& digitos, const QString& campo) {
  bool ok = soDigitos(digitos);
  qint64 valor = ok ? digitos.toLongLong(&ok) : 0;
  if (!ok)
    throw platform::ConvertError(
        QStringLiteral("'%1' não é um valor inteiro válido (%2 do arquivo de retorno)")
            .arg(digitos, campo));
  return valor;
}

// A field of digits must fill its width exactly: 1000 pills (FormataValor
// never cuts), a request number past 999999 or a sign would shift every field
// after it, and the authorizer would read another quantity or price without
// noticing. Such a request is refused before anything is written.
bool campoDeDigitos(const QString& campo, int largura) {
  return campo.size() == largura && soDigitos(campo);
}

// An amount field back as the cashier saw it: "100000" is 1000,00.
QString exibeCampo(const QString& campo) {
  if (campo.size() < 3) return campo;
  QString inteiros = campo.chopped(2);
  const bool negativo = inteiros.startsWith(u'-');
  if (negativo) inteiros.remove(0, 1);
  while (inteiros.size() > 1 && inteiros.startsWith(u'0')) inteiros.remove(0, 1);
  return (negativo ? QStringLiteral("-") : QString()) + inteiros + u',' + campo.right(2);
}

void exigeValor(const QString& campo, int largura, const QString& oQue, const QString& produto) {
  if (campoDeDigitos(campo, largura)) return;
  throw platform::Error(
      QStringLiteral("%1 %2 do produto %3 está fora do que o Autorizador aceita (de 0,00 a %4). "
                     "A requisição não foi enviada.")
          .arg(oQue, exibeCampo(campo), produto, QString(largura - 2, u'9') + QStringLiteral(",99")));
}

}  // namespace

QString FormataValor(const QString& texto, int largura, int decimais) {
  const int virgula = texto.indexOf(platform::regional::kDecimalSeparator);
  if (virgula < 0)
    return CompletaZeros(LeNumero(texto), largura - decimais, 0) + QString(decimais, u'0');
  const QString inteiros = TiraEspacos(texto.left(virgula));
  QString fracao = TiraEspacos(texto.mid(virgula + 1));
  if (fracao.size() > decimais)
    fracao.truncate(decimais);  // cut, as the authorizer expects, not rounded
  while (fracao.size() < decimais) fracao.append(u'0');
  return CompletaZeros(LeNumero(inteiros), largura - decimais, 0) + fracao;
}

QString FormataData(QDate data) {
  if (!data.isValid()) return QStringLiteral("00/00/0000");
  return platform::regional::shortDate(data);
}

QString Registro01(const QString& login, const QString& usuarioVen) {
  return QStringLiteral("01") + login + usuarioVen;
}

QString Registro02(const QString& senha, const QString& senhaVen) {
  return QStringLiteral("02") + senha + senhaVen;
}

QString Registro03(const QString& solicitacao, const QString& cnpj, const QString& cpf,
                   const QString& crm, const QString& estadoCRM, QDate dataEmissao) {
  const QString numero = TiraEspacos(solicitacao);
  static const QRegularExpression inteiro(QStringLiteral(R"(^[+-]?\d+$)"));
  bool ok = inteiro.match(numero).hasMatch();
  const qint64 valor = ok ? numero.toLongLong(&ok) : 0;
  if (!ok)
    throw platform::ConvertError(
        QStringLiteral("'%1' não é um número de solicitação válido").arg(solicitacao));
  const QString campo = CompletaZeros(double(valor), 6, 0);
  if (!campoDeDigitos(campo, 6))
    throw platform::Error(
        QStringLiteral("O número da solicitação %1 está fora do que o Autorizador aceita (de 000000 a "
                       "999999). A requisição não foi enviada.")
            .arg(numero));
  return QStringLiteral("03") + campo + cnpj + cpf +
         AlinhaEsquerda(crm, 6) + estadoCRM.left(2) + FormataData(dataEmissao);
}

QString Registro04(const QString& ean, const QString& qtde, const QString& valor,
                   const QString& posologia) {
  exigeValor(qtde, 5, QStringLiteral("A quantidade de comprimidos"), ean);
  exigeValor(valor, 15, QStringLiteral("O preço"), ean);
  exigeValor(posologia, 5, QStringLiteral("A posologia"), ean);
  return QStringLiteral("04") + ean + qtde + valor + posologia;
}

QString Registro05(const QString& solicitacao, const QString& codpreaut, const QString& cupom) {
  return QStringLiteral("05") + solicitacao + codpreaut + cupom;
}

QString Registro06(const QString& cnpj, const QString& autorizacao) {
  return QStringLiteral("06") + cnpj + autorizacao;
}

QString Registro07(const QString& codigo, const QString& qtde) {
  exigeValor(qtde, 5, QStringLiteral("A quantidade de comprimidos"), codigo);
  return QStringLiteral("07") + codigo + qtde;
}

QStringList MontaRequisicao(const PreAutorizacao& d) {
  QStringList linhas{Registro01(d.acesso.login, d.acesso.usuarioVen),
                     Registro02(d.acesso.senha, d.acesso.senhaVen),
                     Registro03(d.solicitacao, d.cnpj, d.cpf, d.crm, d.estadoCRM, d.dataEmissao)};
  for (const ItemSolicitado& item : d.itens) {
    // The price goes before the posology, unlike the grid's column order.
    linhas << Registro04(item.codigo, FormataValor(item.qtdeComp, 5), FormataValor(item.preco, 15),
                         FormataValor(item.posologia, 5));
  }
  return linhas;
}

QStringList MontaRequisicao(const Confirmacao& d) {
  return {Registro01(d.acesso.login, d.acesso.usuarioVen),
          Registro02(d.acesso.senha, d.acesso.senhaVen),
          Registro05(d.solicitacao, d.codpreaut, d.cupom)};
}

QStringList MontaRequisicao(const Cancelamento& d) {
  QStringList linhas{Registro01(d.acesso.login, d.acesso.usuarioVen),
                     Registro02(d.acesso.senha, d.acesso.senhaVen),
                     Registro06(d.cnpj, d.autorizacao)};
  for (const ItemCancelado& item : d.itens)
    linhas << Registro07(item.codigo, FormataValor(item.qtdeComp, 5));
  return linhas;
}

QString Posicoes(const QString& linha, int inicio, int fim) {
  if (inicio < 1 || fim < inicio || inicio > linha.size()) return {};
  return linha.mid(inicio - 1, fim - inicio + 1);
}

Cabecalho LeCabecalhoPreAutorizacao(const QString& linha) {
  return {Posicoes(linha, 3, 5), cortaDireita(linha, 6, 205), cortaDireita(linha, 206, 305),
          Posicoes(linha, 306, 324)};
}

Cabecalho LeCabecalhoConfirmacao(const QString& linha) {
  // The confirmation shows three characters less of the message.
  return {Posicoes(linha, 3, 5), cortaDireita(linha, 6, 202), cortaDireita(linha, 206, 305),
          Posicoes(linha, 306, 324)};
}

CabecalhoCancelamento LeCabecalhoCancelamento(const QString& linha) {
  return {Posicoes(linha, 3, 5), cortaDireita(linha, 6, 205), cortaDireita(linha, 206, 224)};
}

QString ValorExibido(const QString& inteiros, const QString& decimais) {
  return QString::number(inteiroDeDigitos(inteiros, QStringLiteral("valor"))) + u',' + decimais;
}

ItemPreAutorizado LeItemPreAutorizacao(const QString& linha) {
  ItemPreAutorizado item;
  item.qtdeAutor = ValorExibido(Posicoes(linha, 16, 18), Posicoes(linha, 19, 20));
  item.valorMS = ValorExibido(Posicoes(linha, 21, 33), Posicoes(linha, 34, 35));
  item.valorPaciente = ValorExibido(Posicoes(linha, 36, 48), Posicoes(linha, 49, 50));
  item.mensagem = cortaDireita(linha, 51, 250);
  item.qtdeInteira = int(inteiroDeDigitos(Posicoes(linha, 16, 18), QStringLiteral("quantidade")));
  return item;
}

ItemConfirmado LeItemConfirmacao(const QString& linha) {
  return {Posicoes(linha, 16, 19), cortaDireita(linha, 16, 215)};
}

QStringList LinhasComprovante(const QStringList& resposta) {
  QStringList linhas;
  for (const QString& linha : resposta)
    if (Copia(linha, 1, 2) == QStringLiteral("07")) linhas << linha.mid(2);
  return linhas;
}

bool ItemContaNosTotais(const QString& mensagem) {
  const QString codigo = mensagem.left(4);
  return codigo == kItemPreAutorizado || codigo == kItemConfirmado;
}

}  // namespace exchange
