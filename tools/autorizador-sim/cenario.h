// The simulated authorizer's scenario: the programme's medicines and what
// happens to each beneficiary. Read from a small text file a technician can
// write by hand (the format is printed by `autorizador-sim --exemplo-cenario`).
#ifndef QX_TOOLS_AUTORIZADOR_SIM_CENARIO_H_
#define QX_TOOLS_AUTORIZADOR_SIM_CENARIO_H_

#include <QHash>
#include <QString>

#include <optional>
#include <stdexcept>

namespace autorizador {

struct Medicamento {
  QString codigo;
  double valorReferencia = 0;   // what the programme pays per pill, in reais
  double maximoDiario = 0;      // pills per day; a higher posology is refused
  int comprimidosPorCaixa = 0;  // 0: the price sent is that of the whole quantity
  QString descricao;
};

enum class Desfecho {
  Autorizado,     // every programme medicine authorized and confirmed
  Desconhecido,   // beneficiary unknown to the programme
  Recusa,         // one medicine refused at the pre-authorization
  Parcial,        // one medicine left out at the confirmation
};

struct Beneficiario {
  QString cpf;
  QString nome;
  Desfecho desfecho = Desfecho::Autorizado;
  QString medicamento;  // the medicine of Recusa and Parcial
};

struct Estabelecimento {
  QString login, senha, cnpj;  // empty: not checked
};

class ErroCenario : public std::runtime_error {
 public:
  explicit ErroCenario(const QString& texto) : std::runtime_error(texto.toStdString()) {}
};

struct Cenario {
  QHash<QString, Medicamento> medicamentos;
  QHash<QString, Beneficiario> beneficiarios;
  Estabelecimento estabelecimento;
  Desfecho padrao = Desfecho::Autorizado;  // CPFs not listed
  QString nomePadrao = QStringLiteral("BENEFICIARIO SIMULADO");

  // The beneficiary for a CPF: the listed one, or one made from the defaults.
  Beneficiario beneficiario(const QString& cpf) const;

  // Throws ErroCenario naming the file and the line.
  static Cenario ler(const QString& caminho);
  static Cenario deTexto(const QString& texto, const QString& nome);
  static QString exemplo();
};

}  // namespace autorizador

#endif  // QX_TOOLS_AUTORIZADOR_SIM_CENARIO_H_
