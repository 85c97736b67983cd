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

qint64 inteiroDeDigitos(const QString& digitos, const QString& campo) {
  bool ok = !digitos.isEmpty();
  for (QChar c : digitos) ok = ok && c >= u'0' && c <= u'9';
  qint64 valor = ok ? digitos.toLongLong(&ok) : 0;
  if (!ok)
    throw platform::ConvertError(
        QStringLiteral("'%1' não é um valor inteiro válido (%2 do arquivo de retorno)")
            .arg(digitos, campo));
  return valor;
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
  return QStringLiteral("03") + CompletaZeros(double(valor), 6, 0) + cnpj + cpf +
         AlinhaEsquerda(crm, 6) + estadoCRM.left(2) + FormataData(dataEmissao);
}

QString Registro04(const QString& ean, const QString& qtde, const QString& valor,
                   const QString& posologia) {
  return QStringLiteral("04") + ean + qtde + valor + posologia;
}

QString Registro05(const QString& solicitacao, const QString& codpreaut, const QString& cupom) {
  return QStringLiteral("05") + solicitacao + codpreaut + cupom;
}

QString Registro06(const QString& cnpj, const QString& autorizacao) {
  return QStringLiteral("06") + cnpj + autorizacao;
}

QString Registro07(const QString& codigo, const QString& qtde) {
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
