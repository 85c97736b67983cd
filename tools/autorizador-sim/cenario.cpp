#include "cenario.h"

#include <QFile>
#include <QStringList>

namespace autorizador {

namespace {

struct Leitor {
  QString nome;
  int linha = 0;

  [[noreturn]] void erro(const QString& texto) const {
    throw ErroCenario(QStringLiteral("%1:%2: %3").arg(nome).arg(linha).arg(texto));
  }

  double numero(const QString& texto, const QString& campo) const {
    QString t = texto.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || v < 0) erro(QStringLiteral("%1 inválido: '%2'").arg(campo, texto.trimmed()));
    return v;
  }

  Desfecho desfecho(const QString& texto, QString* medicamento) const {
    const QStringList partes = texto.simplified().split(u' ', Qt::SkipEmptyParts);
    const QString tipo = partes.value(0).toLower();
    const bool comMedicamento = tipo == QStringLiteral("recusa") || tipo == QStringLiteral("parcial");
    if (partes.size() != (comMedicamento ? 2 : 1) && !partes.isEmpty())
      erro(QStringLiteral("resultado inválido: '%1' (use autorizado, desconhecido, "
                          "recusa <código> ou parcial <código>)").arg(texto.trimmed()));
    if (medicamento != nullptr) *medicamento = partes.value(1);
    if (tipo.isEmpty() || tipo == QStringLiteral("autorizado")) return Desfecho::Autorizado;
    if (tipo == QStringLiteral("desconhecido")) return Desfecho::Desconhecido;
    if (tipo == QStringLiteral("recusa")) return Desfecho::Recusa;
    if (tipo == QStringLiteral("parcial")) return Desfecho::Parcial;
    erro(QStringLiteral("resultado inválido: '%1' (use autorizado, desconhecido, "
                        "recusa <código> ou parcial <código>)").arg(texto.trimmed()));
  }
};

}  // namespace

Beneficiario Cenario::beneficiario(const QString& cpf) const {
  if (auto it = beneficiarios.constFind(cpf); it != beneficiarios.cend()) return *it;
  return {cpf, nomePadrao, padrao, {}};
}

Cenario Cenario::ler(const QString& caminho) {
  QFile arquivo(caminho);
  if (!arquivo.open(QIODevice::ReadOnly))
    throw ErroCenario(QStringLiteral("Não foi possível abrir o cenário %1: %2")
                          .arg(caminho, arquivo.errorString()));
  return deTexto(QString::fromUtf8(arquivo.readAll()), caminho);
}

Cenario Cenario::deTexto(const QString& texto, const QString& nome) {
  Cenario c;
  Leitor leitor{nome};
  QString secao;
  const QStringList linhas = texto.split(u'\n');
  for (const QString& bruta : linhas) {
    ++leitor.linha;
    QString linha = bruta;
    if (const int comentario = linha.indexOf(u'#'); comentario >= 0) linha.truncate(comentario);
    linha = linha.trimmed();
    if (linha.isEmpty()) continue;
    if (linha.startsWith(u'[')) {
      if (!linha.endsWith(u']')) leitor.erro(QStringLiteral("seção mal formada: '%1'").arg(linha));
      secao = linha.mid(1, linha.size() - 2).trimmed().toLower();
      if (secao != QStringLiteral("medicamentos") && secao != QStringLiteral("beneficiarios") &&
          secao != QStringLiteral("estabelecimento") && secao != QStringLiteral("geral"))
        leitor.erro(QStringLiteral("seção desconhecida: [%1]").arg(secao));
      continue;
    }
    if (secao.isEmpty()) leitor.erro(QStringLiteral("linha fora de uma seção: '%1'").arg(linha));

    if (secao == QStringLiteral("estabelecimento") || secao == QStringLiteral("geral")) {
      const int igual = linha.indexOf(u'=');
      if (igual < 0) leitor.erro(QStringLiteral("esperado chave = valor: '%1'").arg(linha));
      const QString chave = linha.left(igual).trimmed().toLower();
      const QString valor = linha.mid(igual + 1).trimmed();
      if (secao == QStringLiteral("estabelecimento")) {
        if (chave == QStringLiteral("login")) c.estabelecimento.login = valor;
        else if (chave == QStringLiteral("senha")) c.estabelecimento.senha = valor;
        else if (chave == QStringLiteral("cnpj")) c.estabelecimento.cnpj = valor;
        else leitor.erro(QStringLiteral("chave desconhecida: '%1'").arg(chave));
      } else if (chave == QStringLiteral("beneficiario_padrao")) {
        c.padrao = leitor.desfecho(valor, nullptr);
        if (c.padrao == Desfecho::Recusa || c.padrao == Desfecho::Parcial)
          leitor.erro(QStringLiteral("beneficiario_padrao aceita autorizado ou desconhecido"));
      } else if (chave == QStringLiteral("nome_padrao")) {
        c.nomePadrao = valor;
      } else {
        leitor.erro(QStringLiteral("chave desconhecida: '%1'").arg(chave));
      }
      continue;
    }

    const QStringList campos = linha.split(u'|');
    if (secao == QStringLiteral("medicamentos")) {
      if (campos.size() < 3 || campos.size() > 5)
        leitor.erro(QStringLiteral("esperado código | valor de referência | máximo diário "
                                   "[| comprimidos por caixa] [| descrição]"));
      Medicamento m;
      m.codigo = campos[0].trimmed();
      if (m.codigo.isEmpty()) leitor.erro(QStringLiteral("código do medicamento vazio"));
      m.valorReferencia = leitor.numero(campos[1], QStringLiteral("valor de referência"));
      m.maximoDiario = leitor.numero(campos[2], QStringLiteral("máximo diário"));
      if (campos.size() > 3 && !campos[3].trimmed().isEmpty()) {
        bool ok = false;
        m.comprimidosPorCaixa = campos[3].trimmed().toInt(&ok);
        if (!ok || m.comprimidosPorCaixa <= 0)
          leitor.erro(QStringLiteral("comprimidos por caixa inválido: '%1'").arg(campos[3].trimmed()));
      }
      m.descricao = campos.value(4).trimmed();
      if (c.medicamentos.contains(m.codigo))
        leitor.erro(QStringLiteral("medicamento repetido: %1").arg(m.codigo));
      c.medicamentos.insert(m.codigo, m);
    } else {
      if (campos.size() < 2 || campos.size() > 3)
        leitor.erro(QStringLiteral("esperado cpf | nome [| resultado]"));
      Beneficiario b;
      b.cpf = campos[0].trimmed();
      if (b.cpf.isEmpty()) leitor.erro(QStringLiteral("CPF vazio"));
      b.nome = campos[1].trimmed();
      b.desfecho = leitor.desfecho(campos.value(2), &b.medicamento);
      if (c.beneficiarios.contains(b.cpf))
        leitor.erro(QStringLiteral("beneficiário repetido: %1").arg(b.cpf));
      c.beneficiarios.insert(b.cpf, b);
    }
  }
  return c;
}

QString Cenario::exemplo() {
  return QStringLiteral(R"(# Cenário do autorizador simulado (UTF-8). "#" começa um comentário.

[estabelecimento]
# Opcional: quando presentes, login, senha e CNPJ da requisição são conferidos.
# login = farmacia01
# senha = segredo
# cnpj  = 12345678000199

[geral]
# CPF que não está em [beneficiarios]: autorizado ou desconhecido.
beneficiario_padrao = autorizado
nome_padrao = BENEFICIARIO SIMULADO

[medicamentos]
# código | valor de referência por comprimido | máximo diário (comprimidos/dia)
#        | comprimidos por caixa (opcional) | descrição (opcional)
# Sem comprimidos por caixa, o preço enviado vale pela quantidade inteira.
7891862193718 | 0,35 | 3 | 30 | LOSARTANA POTASSICA 50MG
7891015571899 | 0,12 | 2 | 30 | CAPTOPRIL 25MG

[beneficiarios]
# cpf | nome | resultado (opcional)
# resultado: autorizado, desconhecido, recusa <código>, parcial <código>
11122233344 | MARIA DA SILVA
22233344455 | - | desconhecido
33344455566 | JOSE DE SOUZA | recusa 7891015571899
44455566677 | ANA LIMA | parcial 7891015571899
)");
}

}  // namespace autorizador
