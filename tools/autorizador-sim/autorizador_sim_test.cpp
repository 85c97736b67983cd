#include "autorizador.h"
#include "cenario.h"
#include "vigia.h"

#include "exchange/impressao_teste.h"
#include "exchange/registros.h"
#include "platform/error.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace autorizador {
namespace {

const char* kCenario = R"(
[medicamentos]
7891862193718 | 0,35 | 3 | 30 | LOSARTANA 50MG
7891015571899 | 0,12 | 2 |    | CAPTOPRIL 25MG
[beneficiarios]
11122233344 | MARIA DA SILVA
22233344455 | - | desconhecido
33344455566 | JOSÉ DE SOUZA | recusa 7891015571899
44455566677 | ANA LIMA | parcial 7891015571899
)";

const QRegularExpression kCodigo(QStringLiteral(R"(^\d{3}\.\d{3}\.\d{3}\.\d{3}\.\d{3}$)"));

QStringList preAutorizacao(const QString& cpf) {
  exchange::PreAutorizacao d;
  d.acesso = {QStringLiteral("farm01"), QStringLiteral("vend"), QStringLiteral("s"), QStringLiteral("v")};
  d.solicitacao = QStringLiteral("42");
  d.cnpj = QStringLiteral("12345678000199");
  d.cpf = cpf;
  d.crm = QStringLiteral("12345");
  d.estadoCRM = QStringLiteral("MG - Minas Gerais");
  d.dataEmissao = QDate(2026, 11, 30);
  // 60 pills of a 30-pill box at 20,00 a box; 30 pills of the other at 9,90 in all.
  d.itens = {{QStringLiteral("7891862193718"), QStringLiteral("60,00"), QStringLiteral(" 2,00"),
              QStringLiteral(" 20,00")},
             {QStringLiteral("7891015571899"), QStringLiteral("30,00"), QStringLiteral(" 1,00"),
              QStringLiteral("  9,90")}};
  return exchange::MontaRequisicao(d);
}

QStringList confirmacao(const QString& codpreaut) {
  return exchange::MontaRequisicao(exchange::Confirmacao{
      {QStringLiteral("farm01"), QStringLiteral("vend"), QStringLiteral("s"), QStringLiteral("v")},
      QStringLiteral("000042"), codpreaut, QStringLiteral("000960")});
}

QStringList cancelamento(const QString& autorizacao, const QStringList& codigos) {
  exchange::Cancelamento c{{}, QStringLiteral("12345678000199"), autorizacao, {}};
  for (const QString& codigo : codigos) c.itens << exchange::ItemCancelado{codigo, QStringLiteral("30,00")};
  return exchange::MontaRequisicao(c);
}

TEST(Autorizador, OutcomesPerBeneficiaryThroughPreAuthorizationConfirmationAndCancellation) {
  struct Caso {
    const char* cpf;
    const char* statusPre;
    const char* codigosItens;  // item codes of the pre-authorization answer
    const char* statusConf;    // empty: no confirmation possible
    const char* codigosConf;
  };
  const Caso casos[] = {
      {"11122233344", "00S", "00SM 00SM", "00R", "00RM 00RM"},
      {"99988877766", "00S", "00SM 00SM", "00R", "00RM 00RM"},  // not listed: the default
      {"22233344455", "03S", "", "", ""},
      {"33344455566", "00S", "00SM 01SM", "00R", "00RM 02RM"},
      {"44455566677", "00S", "00SM 00SM", "01R", "00RM 01RM"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.cpf);
    Autorizador a(Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("cenario.txt")));
    const Resposta pre = a.responde(preAutorizacao(QString::fromUtf8(c.cpf)));
    const exchange::Cabecalho cab = exchange::LeCabecalhoPreAutorizacao(pre.linhas.value(0));
    EXPECT_EQ(cab.codretorno, QString::fromUtf8(c.statusPre));
    QStringList codigos;
    for (int i = 1; i < pre.linhas.size(); ++i)
      codigos << exchange::LeItemPreAutorizacao(pre.linhas[i]).codigoItem();
    EXPECT_EQ(codigos.join(u' '), QString::fromUtf8(c.codigosItens));
    if (*c.statusConf == '\0') {
      EXPECT_TRUE(cab.codigo.isEmpty());
      continue;
    }
    ASSERT_TRUE(kCodigo.match(cab.codigo).hasMatch()) << cab.codigo.toStdString();

    const Resposta conf = a.responde(confirmacao(cab.codigo));
    const exchange::Cabecalho cc = exchange::LeCabecalhoConfirmacao(conf.linhas.value(0));
    EXPECT_EQ(cc.codretorno, QString::fromUtf8(c.statusConf));
    EXPECT_EQ(cc.paciente, cab.paciente);
    ASSERT_TRUE(kCodigo.match(cc.codigo).hasMatch());
    EXPECT_NE(cc.codigo, cab.codigo);
    QStringList conferidos;
    for (int i = 1; i <= 2; ++i) conferidos << exchange::LeItemConfirmacao(conf.linhas.value(i)).codigoItem;
    EXPECT_EQ(conferidos.join(u' '), QString::fromUtf8(c.codigosConf));
    const QStringList recibo = exchange::LinhasComprovante(conf.linhas);
    ASSERT_GE(recibo.size(), 3);
    EXPECT_TRUE(recibo.join(u'\n').contains(cc.codigo));
    for (const QString& linha : recibo) EXPECT_LE(linha.size(), 48) << linha.toStdString();

    // A repeated confirmation gets the same answer; the sale can be cancelled once.
    EXPECT_EQ(a.responde(confirmacao(cab.codigo)).linhas, conf.linhas);
    const QStringList todos{QStringLiteral("7891862193718"), QStringLiteral("7891015571899")};
    const Resposta canc = a.responde(cancelamento(cc.codigo, todos));
    const exchange::CabecalhoCancelamento ck = exchange::LeCabecalhoCancelamento(canc.linhas.value(0));
    EXPECT_EQ(ck.codretorno, QStringLiteral("00E"));
    EXPECT_EQ(ck.autorizacao, cc.codigo);
    EXPECT_EQ(exchange::LeCabecalhoCancelamento(a.responde(cancelamento(cc.codigo, todos)).linhas[0]).codretorno,
              QStringLiteral("04E"));
  }
}

TEST(Autorizador, AmountsFollowTheReferenceValueAndThePrice) {
  Autorizador a(Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("cenario.txt")));
  const Resposta pre = a.responde(preAutorizacao(QStringLiteral("11122233344")));
  ASSERT_EQ(pre.linhas.size(), 3);
  // 60 pills × 0,35 = 21,00 from the programme; two boxes at 20,00 make 40,00.
  const exchange::ItemPreAutorizado i1 = exchange::LeItemPreAutorizacao(pre.linhas[1]);
  EXPECT_EQ(i1.qtdeAutor, QStringLiteral("60,00"));
  EXPECT_EQ(i1.valorMS, QStringLiteral("21,00"));
  EXPECT_EQ(i1.valorPaciente, QStringLiteral("19,00"));
  // 30 × 0,12 = 3,60 of a price of 9,90 for the whole quantity.
  const exchange::ItemPreAutorizado i2 = exchange::LeItemPreAutorizacao(pre.linhas[2]);
  EXPECT_EQ(i2.valorMS, QStringLiteral("3,60"));
  EXPECT_EQ(i2.valorPaciente, QStringLiteral("6,30"));
}

TEST(Autorizador, RequestsItCannotUnderstandGetAnInvalidStatusNotACrash) {
  Autorizador a(Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("cenario.txt")));
  QStringList semMedicamento = preAutorizacao(QStringLiteral("11122233344")).mid(0, 3);
  QStringList letras = preAutorizacao(QStringLiteral("11122233344"));
  letras[3].replace(QStringLiteral("03000"), QStringLiteral("0x000")).replace(QStringLiteral("06000"), QStringLiteral("0x000"));
  const QList<QStringList> ruins{{}, {QStringLiteral("lixo")}, semMedicamento, letras,
                                 {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}};
  for (const QStringList& r : ruins) {
    const Resposta resp = a.responde(r);
    ASSERT_EQ(resp.linhas.size(), 1) << r.join(u'|').toStdString();
    EXPECT_EQ(resp.linhas[0].mid(2, 3), QStringLiteral("99S")) << r.join(u'|').toStdString();
  }
  EXPECT_EQ(a.responde(confirmacao(QStringLiteral("000.000.000.000.000"))).status, QStringLiteral("03R"));
  EXPECT_EQ(a.responde(cancelamento(QStringLiteral("000.000.000.000.000"), {QStringLiteral("1")})).status,
            QStringLiteral("03E"));
}

// The product code has no width, so an item record is read from its start by
// the codes the scenario knows; a quantity written wider than its five digits
// (1000 pills) must be refused, not read from the record's end as another code.
TEST(Autorizador, ItemRecordsAreReadFromTheKnownCodeAndAWiderFieldIsRefused) {
  struct Caso {
    const char* registro;
    const char* status;
    const char* item;  // code of the answer's item line, or the start of the message
  };
  const Caso casos[] = {
      {"04" "7891862193718" "06000" "000000000002000" "00200", "00S", "00SM"},
      {"04" "1234567" "03000" "000000000001000" "00100", "04S", "02SM"},  // not in the programme
      {"04" "7891862193718" "100000" "000000000002000" "00100", "99S", "Registro 04 inválido na linha 4"},
      {"04" "7891862193718" "-0100" "000000000002000" "00100", "99S", "Registro 04 inválido na linha 4"},
      {"04" "7891862193718" "06000" "000000000002000" "0010", "99S", "Registro 04 inválido na linha 4"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.registro);
    Autorizador a(Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("cenario.txt")));
    QStringList req = preAutorizacao(QStringLiteral("11122233344")).mid(0, 3);
    req << QString::fromUtf8(c.registro);
    const Resposta r = a.responde(req);
    const exchange::Cabecalho cab = exchange::LeCabecalhoPreAutorizacao(r.linhas.value(0));
    EXPECT_EQ(cab.codretorno, QString::fromUtf8(c.status));
    if (cab.codretorno == QStringLiteral("99S")) {
      EXPECT_EQ(r.linhas.size(), 1);
      EXPECT_TRUE(cab.msg.startsWith(QString::fromUtf8(c.item))) << cab.msg.toStdString();
    } else {
      ASSERT_EQ(r.linhas.size(), 2);
      EXPECT_EQ(exchange::LeItemPreAutorizacao(r.linhas[1]).codigoItem(), QString::fromUtf8(c.item));
    }
  }

  // The same for a cancellation's "07" record against the sale's items.
  Autorizador a(Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("cenario.txt")));
  const QString codpreaut =
      exchange::LeCabecalhoPreAutorizacao(a.responde(preAutorizacao(QStringLiteral("11122233344"))).linhas[0]).codigo;
  const QString codaut = exchange::LeCabecalhoConfirmacao(a.responde(confirmacao(codpreaut)).linhas[0]).codigo;
  QStringList canc = cancelamento(codaut, {QStringLiteral("7891862193718")});
  canc[3] = QStringLiteral("07" "7891862193718" "100000");
  const Resposta largo = a.responde(canc);
  EXPECT_EQ(largo.status, QStringLiteral("99E"));
  EXPECT_TRUE(exchange::LeCabecalhoCancelamento(largo.linhas.value(0)).msg.startsWith(
      QStringLiteral("Registro 07 inválido na linha 4")));
  canc[3] = QStringLiteral("07" "7891862193718" "03000");
  EXPECT_EQ(a.responde(canc).status, QStringLiteral("01E"));  // one of the two items
}

TEST(Cenario, ErrorsNameTheFileAndTheLine) {
  struct Caso {
    const char* texto;
    const char* erro;
  };
  const Caso casos[] = {
      {"[medicamentos]\n789 | abc | 3\n", "cenario.txt:2: valor de referência inválido: 'abc'"},
      {"[remedios]\n", "cenario.txt:1: seção desconhecida: [remedios]"},
      {"789 | 1 | 1\n", "cenario.txt:1: linha fora de uma seção"},
      {"[beneficiarios]\n111 | X | talvez\n", "cenario.txt:2: resultado inválido: 'talvez'"},
      {"[beneficiarios]\n111 | X | recusa\n", "cenario.txt:2: resultado inválido: 'recusa'"},
      {"[medicamentos]\n789 | 1 | 1\n789 | 2 | 2\n", "cenario.txt:3: medicamento repetido: 789"},
      {"[medicamentos]\n789 | 1 | 1 | 0\n", "cenario.txt:2: comprimidos por caixa inválido: '0'"},
  };
  for (const Caso& c : casos) {
    try {
      Cenario::deTexto(QString::fromUtf8(c.texto), QStringLiteral("cenario.txt"));
      ADD_FAILURE() << "accepted: " << c.texto;
    } catch (const ErroCenario& e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QString::fromUtf8(c.erro))) << e.what();
    }
  }
  EXPECT_NO_THROW(Cenario::deTexto(Cenario::exemplo(), QStringLiteral("exemplo")));
}

class Diretorio : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path() + QStringLiteral("/FPopular");
    ASSERT_TRUE(QDir().mkpath(dir_));
    cenario_ = tmp_.path() + QStringLiteral("/cenario.txt");
    QFile f(cenario_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kCenario);
  }
  QString envio() const { return dir_ + QStringLiteral("/FP_ENV.TXT"); }
  QString resposta() const { return dir_ + QStringLiteral("/FP_REQ.TXT"); }
  QByteArray bytes(const QString& caminho) const {
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir tmp_;
  QString dir_, cenario_;
  QStringList log_;
};

class Vigiando : public Diretorio {
 protected:
  Vigia vigia(OpcoesVigia opcoes = {}) {
    return Vigia(dir_, autorizador_, opcoes, [this](const QString& l) { log_ << l; });
  }
  Autorizador autorizador_{Cenario::deTexto(QString::fromUtf8(kCenario), QStringLiteral("c"))};
};

TEST_F(Vigiando, EachRequestIsAnsweredExactlyOnce) {
  Vigia v = vigia();
  EXPECT_EQ(v.verifica(), Vigia::Passo::Nada);  // nothing there yet
  platform::files::writeTextFile(envio(), preAutorizacao(QStringLiteral("11122233344")));
  EXPECT_EQ(v.verifica(), Vigia::Passo::Respondeu);
  EXPECT_TRUE(QFile::exists(resposta()));
  EXPECT_TRUE(QDir(dir_).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".tmp")).isEmpty());
  ASSERT_TRUE(QFile::remove(resposta()));
  EXPECT_EQ(v.verifica(), Vigia::Passo::Nada);
  EXPECT_FALSE(QFile::exists(resposta()));
  // The next exchange writes the request anew.
  ASSERT_TRUE(QFile::remove(envio()));
  platform::files::writeTextFile(envio(), cancelamento(QStringLiteral("111.222.333.444.555"), {QStringLiteral("1")}));
  EXPECT_EQ(v.verifica(), Vigia::Passo::Respondeu);
  EXPECT_EQ(exchange::LeCabecalhoCancelamento(platform::files::readTextFile(resposta()).value(0)).codretorno,
            QStringLiteral("03E"));
}

TEST_F(Vigiando, RequestStillBeingWrittenIsLeftForALaterLook) {
  OpcoesVigia o;
  o.intervaloMs = 1000;
  Vigia v = vigia(o);
  platform::files::writeTextFile(envio(), {QStringLiteral("01farm")});
  {
    platform::files::FileHold escrevendo(envio(), platform::files::FileHold::Mode::Exclusive);
    EXPECT_EQ(v.verifica(), Vigia::Passo::Nada);
  }
  // Created but without its last line end: waits one look, then answers as it is.
  QFile f(envio());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("01farm\r\n02s\r\n03000042");
  f.close();
  EXPECT_EQ(v.verifica(), Vigia::Passo::Nada);
  EXPECT_EQ(v.verifica(), Vigia::Passo::Respondeu);
  EXPECT_EQ(platform::files::readTextFile(resposta()).value(0).mid(2, 3), QStringLiteral("99S"));
}

TEST_F(Vigiando, FaultModes) {
  struct Caso {
    const char* nome;
    bool malformado, semItens, bom;
  };
  for (const Caso& c : {Caso{"malformado", true, false, false}, Caso{"sem itens", false, true, false},
                        Caso{"bom", false, false, true}}) {
    SCOPED_TRACE(c.nome);
    OpcoesVigia o;
    o.malformado = c.malformado;
    o.semItens = c.semItens;
    o.bom = c.bom;
    QFile::remove(envio());
    platform::files::writeTextFile(envio(), preAutorizacao(QStringLiteral("33344455566")));
    Vigia v = vigia(o);
    ASSERT_EQ(v.verifica(), Vigia::Passo::Respondeu);
    const QStringList linhas = platform::files::readTextFile(resposta());
    const exchange::Cabecalho cab = exchange::LeCabecalhoPreAutorizacao(linhas.value(0));
    EXPECT_EQ(cab.codretorno, QStringLiteral("00S"));
    EXPECT_TRUE(kCodigo.match(cab.codigo).hasMatch()) << cab.codigo.toStdString();
    EXPECT_EQ(cab.paciente, QStringLiteral("JOSÉ DE SOUZA"));
    EXPECT_EQ(bytes(resposta()).startsWith("\xEF\xBB\xBF"), c.bom);
    EXPECT_EQ(linhas.size(), c.semItens ? 1 : 3);
    if (c.malformado) {
      EXPECT_THROW(exchange::LeItemPreAutorizacao(linhas.value(1)), platform::ConvertError);
    } else if (!c.semItens) {
      EXPECT_NO_THROW(exchange::LeItemPreAutorizacao(linhas.value(1)));
    }
  }
}

TEST_F(Vigiando, FaultsCanBeLimitedToOneKindOfRequest) {
  OpcoesVigia o;
  o.semItens = true;
  o.falharEm = Tipo::Confirmacao;
  Vigia v = vigia(o);
  platform::files::writeTextFile(envio(), preAutorizacao(QStringLiteral("11122233344")));
  ASSERT_EQ(v.verifica(), Vigia::Passo::Respondeu);
  const QStringList pre = platform::files::readTextFile(resposta());
  EXPECT_EQ(pre.size(), 3);
  QFile::remove(envio());
  platform::files::writeTextFile(envio(), confirmacao(exchange::LeCabecalhoPreAutorizacao(pre[0]).codigo));
  ASSERT_EQ(v.verifica(), Vigia::Passo::Respondeu);
  const QStringList conf = platform::files::readTextFile(resposta());
  EXPECT_EQ(exchange::LeCabecalhoConfirmacao(conf[0]).codretorno, QStringLiteral("00R"));
  for (const QString& l : conf.mid(1)) EXPECT_TRUE(l.startsWith(QStringLiteral("07"))) << l.toStdString();
}

// The real program, watching a directory.
class Processo : public Diretorio {
 protected:
  void inicia(const QStringList& extra) {
    p_.setProgram(QStringLiteral(QX_AUTORIZADOR_SIM));
    p_.setArguments(QStringList{QStringLiteral("--dir"), dir_, QStringLiteral("--cenario"), cenario_,
                                QStringLiteral("--intervalo-ms"), QStringLiteral("10")} + extra);
    p_.start();
    ASSERT_TRUE(p_.waitForStarted());
    ASSERT_TRUE(esperaLinha(QStringLiteral("aguardando")));
  }
  // Reads the program's output until a line containing `trecho`.
  bool esperaLinha(const QString& trecho) {
    for (;;) {
      while (p_.canReadLine()) {
        const QString linha = QString::fromUtf8(p_.readLine());
        log_ << linha.trimmed();
        if (linha.contains(trecho)) return true;
      }
      if (!p_.waitForReadyRead(20000)) return false;
    }
  }
  void TearDown() override {
    if (p_.state() != QProcess::NotRunning) {
      p_.terminate();
      p_.waitForFinished(10000);
    }
  }
  QProcess p_;
};

TEST_F(Processo, AnswersAPreAuthorizationAndItsConfirmationThenStops) {
  inicia({QStringLiteral("--respostas"), QStringLiteral("2")});
  platform::files::writeTextFile(envio(), preAutorizacao(QStringLiteral("44455566677")));
  ASSERT_TRUE(esperaLinha(QStringLiteral("Resposta gravada"))) << log_.join(u'\n').toStdString();
  const QStringList pre = platform::files::readTextFile(resposta());
  const exchange::Cabecalho cab = exchange::LeCabecalhoPreAutorizacao(pre.value(0));
  EXPECT_EQ(cab.codretorno, QStringLiteral("00S"));
  EXPECT_EQ(cab.paciente, QStringLiteral("ANA LIMA"));
  EXPECT_EQ(bytes(resposta()).count("\r\n"), 3);

  ASSERT_TRUE(QFile::remove(resposta()));
  ASSERT_TRUE(QFile::remove(envio()));
  platform::files::writeTextFile(envio(), confirmacao(cab.codigo));
  ASSERT_TRUE(esperaLinha(QStringLiteral("Resposta gravada")));
  ASSERT_TRUE(p_.waitForFinished(20000));
  EXPECT_EQ(p_.exitCode(), 0);
  const QStringList conf = platform::files::readTextFile(resposta());
  EXPECT_EQ(exchange::LeCabecalhoConfirmacao(conf.value(0)).codretorno, QStringLiteral("01R"));
  EXPECT_EQ(exchange::LeItemConfirmacao(conf.value(2)).codigoItem, QStringLiteral("01RM"));
}

TEST_F(Processo, HoldsTheAnswerOpenSoTheClientCannotReadOrRemoveIt) {
  inicia({QStringLiteral("--segurar"), QStringLiteral("1"), QStringLiteral("--respostas"), QStringLiteral("1")});
  platform::files::writeTextFile(envio(), preAutorizacao(QStringLiteral("11122233344")));
  ASSERT_TRUE(esperaLinha(QStringLiteral("Mantendo a resposta aberta"))) << log_.join(u'\n').toStdString();
  EXPECT_TRUE(platform::files::exists(resposta()));
  EXPECT_THROW(platform::files::readTextFile(resposta()), platform::Error);
  EXPECT_FALSE(platform::files::remove(resposta()));
  ASSERT_TRUE(esperaLinha(QStringLiteral("Resposta liberada")));
  ASSERT_TRUE(p_.waitForFinished(20000));
  EXPECT_EQ(platform::files::readTextFile(resposta()).size(), 3);
}

TEST_F(Processo, BadScenarioOrDirectoryIsAClearMessageAndAnExitCode) {
  QFile f(cenario_);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("[medicamentos]\n789 | 0,35 | muitos\n");
  f.close();
  struct Caso {
    QStringList args;
    int codigo;
    QString erro;
  };
  const Caso casos[] = {
      {{QStringLiteral("--dir"), dir_, QStringLiteral("--cenario"), cenario_}, 2,
       cenario_ + QStringLiteral(":2: máximo diário inválido: 'muitos'")},
      {{QStringLiteral("--dir"), dir_}, 2, QStringLiteral("informe o cenário com --cenario")},
      {{QStringLiteral("--dir"), dir_, QStringLiteral("--cenario"), cenario_, QStringLiteral("--atraso"),
        QStringLiteral("x")}, 2, QStringLiteral("valor inválido para --atraso: 'x'")},
  };
  for (const Caso& c : casos) {
    QProcess p;
    p.start(QStringLiteral(QX_AUTORIZADOR_SIM), c.args);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), c.codigo) << c.args.join(u' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(c.erro)) << c.erro.toStdString();
  }
  // A good scenario and a missing directory.
  QFile bom(cenario_);
  ASSERT_TRUE(bom.open(QIODevice::WriteOnly | QIODevice::Truncate));
  bom.write(kCenario);
  bom.close();
  QProcess p;
  p.start(QStringLiteral(QX_AUTORIZADOR_SIM), {QStringLiteral("--dir"), dir_ + QStringLiteral("/nao-existe"),
                                               QStringLiteral("--cenario"), cenario_});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("diretório de troca não encontrado")));
}

}  // namespace
}  // namespace autorizador
