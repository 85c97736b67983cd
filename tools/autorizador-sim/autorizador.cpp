#include "autorizador.h"

#include <QDate>
#include <QDateTime>
#include <QRandomGenerator>

#include <cmath>
#include <optional>

namespace autorizador {

namespace {

QString ajusta(const QString& texto, int largura) {
  return texto.left(largura).leftJustified(largura, u' ');
}

// Integer digits zero-filled to `inteiros`, then two decimals: the answer's
// amount fields.
QString valor(qint64 centesimos, int inteiros) {
  return QString::number(centesimos).rightJustified(inteiros + 2, u'0');
}

QString exibe(qint64 centesimos) {
  return QStringLiteral("%1,%2").arg(centesimos / 100).arg(centesimos % 100, 2, 10, QChar(u'0'));
}

bool soDigitos(const QString& t) {
  if (t.isEmpty()) return false;
  for (QChar c : t)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// An item record ("04", "07") split into its product code and the fixed
// fields after it (`largura` digits). The code has no width of its own, so it
// is the longest known code the record begins with; only a code nobody knows
// is taken as whatever stands before the last `largura` characters. A record
// whose fields then are not exactly `largura` digits (a field written wider,
// a sign) is refused, never read from its other end: 1000 pills written in
// six digits would otherwise pass as a different product or quantity.
struct RegistroItem {
  QString codigo;
  QString campos;
};
std::optional<RegistroItem> divideRegistroItem(const QString& registro, int largura,
                                               const QStringList& conhecidos) {
  const QString corpo = registro.mid(2);
  QString codigo;
  for (const QString& c : conhecidos)
    if (corpo.startsWith(c) && c.size() > codigo.size()) codigo = c;
  if (codigo.isEmpty() && corpo.size() > largura) codigo = corpo.chopped(largura);
  const QString campos = corpo.mid(codigo.size());
  if (codigo.isEmpty() || campos.size() != largura || !soDigitos(campos)) return std::nullopt;
  return RegistroItem{codigo, campos};
}

QString cabecalho(const QString& status, const QString& msg, const QString& segundo,
                  int largura, const QString& codigo = {}) {
  return QStringLiteral("01") + status + ajusta(msg, 200) + ajusta(segundo, largura) + codigo;
}

QString linhaItem(const QString& codigo) { return ajusta(QStringLiteral("02") + codigo, 15); }

QString nomeTipo(Tipo t) {
  switch (t) {
    case Tipo::PreAutorizacao: return QStringLiteral("pré-autorização");
    case Tipo::Confirmacao: return QStringLiteral("confirmação");
    case Tipo::Cancelamento: return QStringLiteral("cancelamento");
    case Tipo::Invalida: break;
  }
  return QStringLiteral("requisição inválida");
}

}  // namespace

QString Autorizador::novoCodigo() {
  for (;;) {
    QStringList grupos;
    for (int i = 0; i < 5; ++i)
      grupos << QString::number(QRandomGenerator::global()->bounded(1000)).rightJustified(3, u'0');
    const QString codigo = grupos.join(u'.');
    if (!codigos_.contains(codigo)) {
      codigos_.insert(codigo);
      return codigo;
    }
  }
}

QString Autorizador::confereAcesso(const QStringList& req) const {
  const Estabelecimento& e = cenario_.estabelecimento;
  if (!e.login.isEmpty() && !req.value(0).mid(2).startsWith(e.login))
    return QStringLiteral("Login do estabelecimento inválido.");
  if (!e.senha.isEmpty() && !req.value(1).mid(2).startsWith(e.senha))
    return QStringLiteral("Senha do estabelecimento inválida.");
  return {};
}

Resposta Autorizador::responde(const QStringList& req, const Falhas& falhas) {
  const QString tipo = req.value(2).left(2);
  Resposta r;
  if (req.size() >= 3 && req[0].startsWith(QStringLiteral("01")) &&
      req[1].startsWith(QStringLiteral("02"))) {
    if (tipo == QStringLiteral("03")) r = preAutorizacao(req, falhas);
    else if (tipo == QStringLiteral("05")) r = confirmacao(req, falhas);
    else if (tipo == QStringLiteral("06")) r = cancelamento(req, falhas);
  }
  if (r.linhas.isEmpty()) {
    r.tipo = Tipo::Invalida;
    r.status = QStringLiteral("99S");
    r.linhas << cabecalho(r.status, QStringLiteral("Arquivo de envio inválido: registros 01, 02 e "
                                                   "03, 05 ou 06 esperados."), {}, 100);
    r.resumo = QStringLiteral("requisição inválida");
  }
  r.resumo = nomeTipo(r.tipo) + QStringLiteral(": ") + r.status + QStringLiteral(" ") + r.resumo;
  return r;
}

Resposta Autorizador::preAutorizacao(const QStringList& req, const Falhas& falhas) {
  Resposta r{Tipo::PreAutorizacao, {}, {}, {}};
  auto recusa = [&r](const QString& status, const QString& msg, const QString& nome = {}) {
    r.status = status;
    r.resumo = msg;
    r.linhas = {cabecalho(status, msg, nome, 100)};
    return r;
  };
  // Record 03 is read from its end: the CNPJ before the fixed fields is sent as is.
  const QString r03 = req[2];
  if (r03.size() < 37) return recusa(QStringLiteral("99S"), QStringLiteral("Registro 03 incompleto."));
  const QString solicitacao = r03.mid(2, 6);
  const int n = r03.size();
  const QString data = r03.right(10);
  const QString crm = r03.mid(n - 18, 6).trimmed();
  const QString cpf = r03.mid(n - 29, 11);
  const QString cnpj = r03.mid(8, n - 37);
  if (!soDigitos(solicitacao))
    return recusa(QStringLiteral("99S"), QStringLiteral("Número da solicitação inválido."));
  if (const QString erro = confereAcesso(req); !erro.isEmpty()) return recusa(QStringLiteral("02S"), erro);
  if (!cenario_.estabelecimento.cnpj.isEmpty() && cnpj != cenario_.estabelecimento.cnpj)
    return recusa(QStringLiteral("02S"), QStringLiteral("CNPJ não cadastrado no programa."));
  if (!QDate::fromString(data, QStringLiteral("dd/MM/yyyy")).isValid())
    return recusa(QStringLiteral("05S"), QStringLiteral("Data da receita inválida."));
  if (crm.isEmpty()) return recusa(QStringLiteral("05S"), QStringLiteral("CRM do médico não informado."));
  const Beneficiario b = cenario_.beneficiario(cpf);
  if (b.desfecho == Desfecho::Desconhecido)
    return recusa(QStringLiteral("03S"), QStringLiteral("Beneficiário não encontrado na base do programa."));

  PreAut pre{b, solicitacao, {}, {}};
  for (int i = 3; i < req.size(); ++i) {
    const QString& r04 = req[i];
    const std::optional<RegistroItem> partes =
        r04.startsWith(QStringLiteral("04"))
            ? divideRegistroItem(r04, 25, cenario_.medicamentos.keys())
            : std::nullopt;
    if (!partes)
      return recusa(QStringLiteral("99S"),
                    QStringLiteral("Registro 04 inválido na linha %1: depois do código, "
                                   "quantidade, preço e posologia com 5, 15 e 5 dígitos.")
                        .arg(i + 1));
    const QString qtde = partes->campos.left(5), preco = partes->campos.mid(5, 15),
                  posologia = partes->campos.right(5);
    Item item;
    item.codigo = partes->codigo;
    item.qtdeCentesimos = qtde.toLongLong();
    const auto med = cenario_.medicamentos.constFind(item.codigo);
    if (med == cenario_.medicamentos.cend()) {
      item.mensagem = QStringLiteral("02SM - Medicamento não faz parte do programa.");
    } else if (b.desfecho == Desfecho::Recusa && b.medicamento == item.codigo) {
      item.descricao = med->descricao;
      item.mensagem = QStringLiteral("01SM - Medicamento não autorizado para o beneficiário.");
    } else if (posologia.toLongLong() > std::llround(med->maximoDiario * 100)) {
      item.descricao = med->descricao;
      item.mensagem = QStringLiteral("03SM - Posologia acima do máximo diário (%1 comp./dia).")
                          .arg(exibe(std::llround(med->maximoDiario * 100)));
    } else {
      item.descricao = med->descricao;
      item.qtdeAutorizada = item.qtdeCentesimos;
      const qint64 precoCentavos = preco.toLongLong();
      qint64 total = precoCentavos;
      if (med->comprimidosPorCaixa > 0) {
        const qint64 porCaixa = qint64(med->comprimidosPorCaixa) * 100;
        total = precoCentavos * ((item.qtdeAutorizada + porCaixa - 1) / porCaixa);
      }
      item.valorMS = std::min<qint64>(std::llround(med->valorReferencia * double(item.qtdeAutorizada)), total);
      item.valorPaciente = total - item.valorMS;
      item.mensagem = QStringLiteral("00SM - Medicamento pré-autorizado.");
    }
    pre.itens << item;
  }
  if (pre.itens.isEmpty())
    return recusa(QStringLiteral("99S"), QStringLiteral("Nenhum medicamento informado."));

  int autorizados = 0;
  for (const Item& item : pre.itens) autorizados += item.autorizado() ? 1 : 0;
  QString codigo;
  if (autorizados == 0) {
    r.status = QStringLiteral("04S");
    r.resumo = QStringLiteral("Nenhum medicamento pré-autorizado.");
  } else {
    r.status = QStringLiteral("00S");
    r.resumo = autorizados == pre.itens.size()
                   ? QStringLiteral("Pré-autorização concedida.")
                   : QStringLiteral("Pré-autorização concedida; há medicamento não autorizado.");
    codigo = novoCodigo();
    preAutorizacoes_.insert(codigo, pre);
  }
  r.linhas << cabecalho(r.status, r.resumo, b.nome, 100, codigo);
  if (!falhas.semItens) {
    for (const Item& item : pre.itens) {
      QString qtde = valor(item.qtdeAutorizada, 3);
      if (falhas.malformado) qtde[1] = u'A';
      r.linhas << linhaItem(item.codigo) + qtde + valor(item.valorMS, 13) +
                      valor(item.valorPaciente, 13) + ajusta(item.mensagem, 200);
    }
  }
  if (!codigo.isEmpty()) r.resumo += QStringLiteral(" Código ") + codigo + u'.';
  return r;
}

Resposta Autorizador::confirmacao(const QStringList& req, const Falhas& falhas) {
  Resposta r{Tipo::Confirmacao, {}, {}, {}};
  auto recusa = [&r](const QString& status, const QString& msg) {
    r.status = status;
    r.resumo = msg;
    r.linhas = {cabecalho(status, msg, {}, 100)};
    return r;
  };
  const QString r05 = req[2];
  const QString codpreaut = r05.mid(8, 19);
  const QString cupom = r05.mid(27);
  if (const QString erro = confereAcesso(req); !erro.isEmpty()) return recusa(QStringLiteral("02R"), erro);
  auto it = preAutorizacoes_.find(codpreaut);
  if (it == preAutorizacoes_.end())
    return recusa(QStringLiteral("03R"), QStringLiteral("Pré-autorização não encontrada."));
  PreAut& pre = *it;
  if (!pre.confirmacao.isEmpty()) {  // the same answer again: the client may have missed it
    r.linhas = pre.confirmacao;
    r.status = r.linhas.first().mid(2, 3);
    r.resumo = QStringLiteral("confirmação repetida");
    return r;
  }

  Venda venda{cupom, {}, false};
  QStringList linhasItens;
  int naoConfirmados = 0;
  qint64 totalMS = 0, totalPaciente = 0;
  for (Item item : pre.itens) {
    if (!item.autorizado()) {
      item.mensagem = QStringLiteral("02RM - Medicamento não pré-autorizado.");
    } else if (pre.beneficiario.desfecho == Desfecho::Parcial &&
               pre.beneficiario.medicamento == item.codigo) {
      item.mensagem = QStringLiteral("01RM - Medicamento não confirmado pelo DATASUS.");
      ++naoConfirmados;
    } else {
      item.mensagem = QStringLiteral("00RM - Medicamento confirmado.");
      totalMS += item.valorMS;
      totalPaciente += item.valorPaciente;
      venda.itens << item;
    }
    linhasItens << linhaItem(item.codigo) + ajusta(item.mensagem, 200);
  }

  QString codaut;
  if (venda.itens.isEmpty()) {
    r.status = QStringLiteral("04R");
    r.resumo = QStringLiteral("Nenhum medicamento confirmado.");
  } else {
    r.status = naoConfirmados == 0 ? QStringLiteral("00R") : QStringLiteral("01R");
    r.resumo = naoConfirmados == 0 ? QStringLiteral("Venda autorizada.")
                                   : QStringLiteral("Venda autorizada parcialmente.");
    codaut = novoCodigo();
    vendas_.insert(codaut, venda);
  }
  QString cab = cabecalho(r.status, r.resumo, pre.beneficiario.nome, 100, codaut);
  if (falhas.malformado) cab.truncate(150);  // no beneficiary, no authorization number
  r.linhas << cab;
  if (!falhas.semItens) r.linhas << linhasItens;

  if (!codaut.isEmpty()) {
    const QString traco(48, u'-');
    QStringList c{traco,
                  QStringLiteral("FARMÁCIA POPULAR DO BRASIL").rightJustified(37),
                  QStringLiteral("COMPROVANTE DE AUTORIZAÇÃO - SIMULADO").rightJustified(42),
                  QStringLiteral("Autorização: ") + codaut,
                  QStringLiteral("Solicitação: ") + pre.solicitacao + QStringLiteral("  Cupom: ") + cupom,
                  QStringLiteral("Beneficiário: ") + pre.beneficiario.nome.left(34),
                  QStringLiteral("CPF: ") + pre.beneficiario.cpf,
                  QStringLiteral("Data: ") +
                      QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"))};
    for (const Item& item : venda.itens) {
      c << (item.codigo + u' ' + item.descricao).left(48);
      c << QStringLiteral("  Qtde %1  MS %2  Pac. %3")
               .arg(exibe(item.qtdeAutorizada), exibe(item.valorMS), exibe(item.valorPaciente));
    }
    c << QStringLiteral("Total Min. Saúde: ") + exibe(totalMS).rightJustified(12)
      << QStringLiteral("Total Paciente:   ") + exibe(totalPaciente).rightJustified(12)
      << QString() << QStringLiteral("  ") + QString(40, u'_')
      << QStringLiteral("  Assinatura do beneficiário") << traco;
    for (const QString& linha : c) r.linhas << QStringLiteral("07") + linha;
    r.resumo += QStringLiteral(" Autorização ") + codaut + u'.';
  }
  pre.confirmacao = r.linhas;
  return r;
}

Resposta Autorizador::cancelamento(const QStringList& req, const Falhas& falhas) {
  Resposta r{Tipo::Cancelamento, {}, {}, {}};
  const QString autorizacao = req[2].right(19);
  auto recusa = [&](const QString& status, const QString& msg) {
    r.status = status;
    r.resumo = msg;
    r.linhas = {cabecalho(status, msg, autorizacao, 19)};
    return r;
  };
  if (req[2].size() < 21) return recusa(QStringLiteral("99E"), QStringLiteral("Registro 06 incompleto."));
  if (const QString erro = confereAcesso(req); !erro.isEmpty()) return recusa(QStringLiteral("02E"), erro);
  auto it = vendas_.find(autorizacao);
  if (it == vendas_.end()) return recusa(QStringLiteral("03E"), QStringLiteral("Autorização não encontrada."));
  Venda& venda = *it;
  if (venda.cancelada) return recusa(QStringLiteral("04E"), QStringLiteral("Venda já cancelada."));

  QStringList linhasItens;
  int cancelados = 0;
  QStringList vendidos;
  for (const Item& item : venda.itens) vendidos << item.codigo;
  for (int i = 3; i < req.size(); ++i) {
    const QString& r07 = req[i];
    const std::optional<RegistroItem> partes =
        r07.startsWith(QStringLiteral("07")) ? divideRegistroItem(r07, 5, vendidos) : std::nullopt;
    if (!partes)
      return recusa(QStringLiteral("99E"),
                    QStringLiteral("Registro 07 inválido na linha %1: depois do código, "
                                   "quantidade com 5 dígitos.")
                        .arg(i + 1));
    const QString codigo = partes->codigo;
    bool achou = false;
    for (int k = 0; k < venda.itens.size() && !achou; ++k) {
      if (venda.itens[k].codigo == codigo) {
        venda.itens.removeAt(k);
        achou = true;
      }
    }
    cancelados += achou ? 1 : 0;
    linhasItens << linhaItem(codigo) +
                       ajusta(achou ? QStringLiteral("00EM - Medicamento cancelado.")
                                    : QStringLiteral("01EM - Medicamento não consta da autorização."),
                              200);
  }
  if (cancelados == 0) return recusa(QStringLiteral("05E"), QStringLiteral("Nenhum medicamento da venda informado."));
  venda.cancelada = venda.itens.isEmpty();
  r.status = venda.cancelada ? QStringLiteral("00E") : QStringLiteral("01E");
  r.resumo = venda.cancelada ? QStringLiteral("Cancelamento efetuado.")
                             : QStringLiteral("Cancelamento parcial efetuado.");
  r.linhas << cabecalho(r.status, r.resumo, autorizacao, 19);
  if (!falhas.semItens) r.linhas << linhasItens;
  return r;
}

}  // namespace autorizador
