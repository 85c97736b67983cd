#include "exchange/arquivamento.h"
#include "exchange/impressao_teste.h"
#include "exchange/registros.h"

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace exchange {
namespace {

TEST(FormataValor, FieldsOfDigitsWithTwoImpliedDecimals) {
  struct Caso {
    const char* texto;
    int largura;
    const char* campo;
  };
  const Caso casos[] = {
      {" 30,00", 5, "03000"}, {" 1,00", 5, "00100"}, {"1,999", 5, "00199"},  // cut, not rounded
      {"2,5", 5, "00250"},    {"7", 5, "00700"},     {"1000,00", 5, "100000"},  // never cut
      {" 12,50", 15, "000000000001250"},          {"3,", 5, "00300"},
      {"2,5 ", 5, "00250"},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(FormataValor(QString::fromUtf8(c.texto), c.largura), QString::fromUtf8(c.campo))
        << c.texto;
  }
  EXPECT_EQ(FormataValor(QStringLiteral("2"), 5), QStringLiteral("00200"));
  EXPECT_EQ(FormataValor(QStringLiteral(" 2 "), 5), QStringLiteral("00200"));
}

TEST(FormataValor, IntegerPartThatIsNoNumberIsAConversionError) {
  for (const char* texto : {",50", "abc", "", "1a,00", "2.5", " "})
    EXPECT_THROW(FormataValor(QString::fromUtf8(texto), 5), platform::ConvertError) << texto;
}

PreAutorizacao duasCaixas() {
  PreAutorizacao d;
  d.acesso = {QStringLiteral("farm01"), QStringLiteral("usr68305"), QStringLiteral("segredo"),
              QStringLiteral("tst426482")};
  d.solicitacao = QStringLiteral("42");
  d.cnpj = QStringLiteral("12345678000199");
  d.cpf = QStringLiteral("11122233344");
  d.crm = QStringLiteral("12345");
  d.estadoCRM = QStringLiteral("MG - Minas Gerais");
  d.dataEmissao = QDate(2011, 3, 5);
  d.itens = {{QStringLiteral("7891862193718"), QStringLiteral("30,00"), QStringLiteral(" 1,00"),
              QStringLiteral(" 20,00")},
             {QStringLiteral("7891015571899"), QStringLiteral("60,00"), QStringLiteral(" 2,00"),
              QStringLiteral("  9,90")}};
  return d;
}

TEST(Requisicao, PreAuthorizationForTwoItemsIsFiveRecordsInOrder) {
  const QStringList linhas = MontaRequisicao(duasCaixas());
  const QStringList esperado{
      QStringLiteral("01farm01usr68305"),
      QStringLiteral("02segredotst426482"),
      QStringLiteral("03" "000042" "12345678000199" "11122233344" "12345 " "MG" "05/03/2011"),
      // price before posology, unlike the grid
      QStringLiteral("04" "7891862193718" "03000" "000000000002000" "00100"),
      QStringLiteral("04" "7891015571899" "06000" "000000000000990" "00200"),
  };
  EXPECT_EQ(linhas, esperado);
  EXPECT_EQ(linhas[2].size(), 51);
}

// FormataValor never cuts, so a value too wide for its field would shift every
// later field of the record: the authorizer would take part of the quantity
// for the price. Such a request is refused, naming what does not fit.
TEST(Requisicao, NumberThatDoesNotFitItsFieldIsRefusedWithAClearMessage) {
  struct Caso {
    const char* qtde;
    const char* posologia;
    const char* preco;
    const char* mensagem;  // empty: accepted
  };
  const Caso casos[] = {
      {"999,99", "999,99", "9999999999999,99", ""},
      {"1000,00", " 1,00", " 20,00",
       "A quantidade de comprimidos 1000,00 do produto 7891862193718 está fora do que o "
       "Autorizador aceita (de 0,00 a 999,99). A requisição não foi enviada."},
      {"1200", " 1,00", " 20,00", "A quantidade de comprimidos 1200,00 do produto"},
      {"-1,00", " 1,00", " 20,00", "A quantidade de comprimidos -1,00 do produto"},
      {"30,00", "1000,00", " 20,00", "A posologia 1000,00 do produto 7891862193718"},
      {"30,00", " 1,00", "10000000000000,00",
       "O preço 10000000000000,00 do produto 7891862193718 está fora do que o Autorizador "
       "aceita (de 0,00 a 9999999999999,99)."},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.qtde) + " / " + c.posologia + " / " + c.preco);
    PreAutorizacao d = duasCaixas();
    d.itens[0].qtdeComp = QString::fromUtf8(c.qtde);
    d.itens[0].posologia = QString::fromUtf8(c.posologia);
    d.itens[0].preco = QString::fromUtf8(c.preco);
    const QString esperado = QString::fromUtf8(c.mensagem);
    try {
      const QStringList linhas = MontaRequisicao(d);
      EXPECT_TRUE(esperado.isEmpty()) << "accepted: " << linhas.value(3).toStdString();
      EXPECT_EQ(linhas.value(3).size(), 2 + 13 + 5 + 15 + 5);
    } catch (const platform::Error& e) {
      EXPECT_FALSE(esperado.isEmpty()) << e.message().toStdString();
      EXPECT_TRUE(e.message().startsWith(esperado)) << e.message().toStdString();
    }
  }

  // The cancellation's quantity and the request number follow the same rule.
  const Cancelamento k{{}, QStringLiteral("12345678000199"), QStringLiteral("123.456.789.012.345"),
                       {{QStringLiteral("7891862193718"), QStringLiteral("1000,00")}}};
  EXPECT_THROW(MontaRequisicao(k), platform::Error);
  for (const char* numero : {"1000000", "-5"}) {
    try {
      Registro03(QString::fromUtf8(numero), {}, {}, {}, {}, QDate());
      ADD_FAILURE() << "accepted: " << numero;
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.message(), QStringLiteral("O número da solicitação %1 está fora do que o "
                                            "Autorizador aceita (de 000000 a 999999). A "
                                            "requisição não foi enviada.").arg(QString::fromUtf8(numero)));
    }
  }
  EXPECT_EQ(Registro03(QStringLiteral("999999"), {}, {}, {}, {}, QDate()).mid(2, 6),
            QStringLiteral("999999"));
}

TEST(Requisicao, ConfirmationAndCancellationRecords) {
  Confirmacao c{{QStringLiteral("farm01"), {}, QStringLiteral("segredo"), {}},
                QStringLiteral("000042"), QStringLiteral("123.456.789.012.345"),
                QStringLiteral("000960")};
  EXPECT_EQ(MontaRequisicao(c),
            (QStringList{QStringLiteral("01farm01"), QStringLiteral("02segredo"),
                         QStringLiteral("05000042123.456.789.012.345000960")}));
  // A pre-authorization header shorter than 306 characters leaves no code.
  const Cabecalho curto = LeCabecalhoPreAutorizacao(QStringLiteral("0100SPré-autorizado"));
  EXPECT_TRUE(curto.codigo.isEmpty());
  c.codpreaut = curto.codigo;
  EXPECT_EQ(MontaRequisicao(c).at(2), QStringLiteral("05000042000960"));

  Cancelamento k{{QStringLiteral("farm01"), QStringLiteral("vend"), QStringLiteral("segredo"),
                  QStringLiteral("sv")},
                 QStringLiteral("12345678000199"),
                 QStringLiteral("123.456.789.012.345"),
                 {{QStringLiteral("7891862193718"), QStringLiteral(" 30,00")}}};
  EXPECT_EQ(MontaRequisicao(k),
            (QStringList{QStringLiteral("01farm01vend"), QStringLiteral("02segredosv"),
                         QStringLiteral("0612345678000199123.456.789.012.345"),
                         QStringLiteral("07789186219371803000")}));
}

TEST(Requisicao, LoginRecordTakesBothLoginsAsTheyAre) {
  EXPECT_EQ(Registro01(QStringLiteral("abc"), {}), QStringLiteral("01abc"));
  EXPECT_EQ(Registro01({}, {}), QStringLiteral("01"));
  EXPECT_EQ(Registro02(QStringLiteral(" s "), QStringLiteral("v")), QStringLiteral("02 s v"));
}

TEST(Requisicao, HeaderFieldsOfRecord03) {
  struct Caso {
    const char* crm;
    const char* campo;
  };
  for (const Caso& c : {Caso{"12345", "12345 "}, Caso{"1234567", "123456"}, Caso{"", "      "},
                        Caso{" 12 ", "12    "}}) {
    const QString r = Registro03(QStringLiteral("1"), QStringLiteral("12345678000199"),
                                 QStringLiteral("11122233344"), QString::fromUtf8(c.crm),
                                 QStringLiteral("SP - São Paulo"), QDate(2026, 11, 30));
    EXPECT_EQ(r.mid(33, 6), QString::fromUtf8(c.campo)) << c.crm;
    EXPECT_EQ(r.mid(2, 6), QStringLiteral("000001"));
    EXPECT_EQ(r.mid(39, 2), QStringLiteral("SP"));
    EXPECT_EQ(r.right(10), QStringLiteral("30/11/2026"));
  }
  EXPECT_EQ(FormataData(QDate()), QStringLiteral("00/00/0000"));
  EXPECT_THROW(Registro03(QStringLiteral("abc"), {}, {}, {}, {}, QDate()), platform::ConvertError);
}

// A header laid out by position: status at 3, message 6–205, name 206–305, code 306–324.
QString cabecalho(const QString& status, const QString& msg, const QString& nome, const QString& codigo) {
  return QStringLiteral("01") + status + msg.leftJustified(200) + nome.leftJustified(100) + codigo;
}

TEST(Resposta, HeaderMessageIs200CharactersOrTheConfirmations197) {
  const QString msg = QString(197, u'm') + QStringLiteral("XYZ");
  const QString linha = cabecalho(QStringLiteral("00S"), msg, QStringLiteral("MARIA  "),
                                  QStringLiteral("111.222.333.444.555"));
  const Cabecalho pre = LeCabecalhoPreAutorizacao(linha);
  EXPECT_EQ(pre.codretorno, QStringLiteral("00S"));
  EXPECT_EQ(pre.msg, msg);
  EXPECT_EQ(pre.paciente, QStringLiteral("MARIA"));
  EXPECT_EQ(pre.codigo, QStringLiteral("111.222.333.444.555"));
  const Cabecalho conf = LeCabecalhoConfirmacao(linha);
  EXPECT_EQ(conf.msg, QString(197, u'm'));
  EXPECT_EQ(conf.codigo, QStringLiteral("111.222.333.444.555"));

  // The code is taken untrimmed; a short message loses its trailing blanks only.
  const Cabecalho curto = LeCabecalhoPreAutorizacao(
      cabecalho(QStringLiteral("02S"), QStringLiteral("  Recusado \t"), {}, QStringLiteral("12  ")));
  EXPECT_EQ(curto.msg, QStringLiteral("  Recusado"));
  EXPECT_EQ(curto.codigo, QStringLiteral("12  "));

  const CabecalhoCancelamento canc = LeCabecalhoCancelamento(
      QStringLiteral("0100E") + QStringLiteral("Cancelado").leftJustified(200) +
      QStringLiteral("123.456.789.012.345"));
  EXPECT_EQ(canc.codretorno, QStringLiteral("00E"));
  EXPECT_EQ(canc.msg, QStringLiteral("Cancelado"));
  EXPECT_EQ(canc.autorizacao, QStringLiteral("123.456.789.012.345"));
}

TEST(Resposta, DisplayedAmounts) {
  struct Caso {
    const char* inteiros;
    const char* decimais;
    const char* exibido;
  };
  for (const Caso& c : {Caso{"005", "00", "5,00"}, Caso{"0000000001234", "56", "1234,56"},
                        Caso{"000", "00", "0,00"}, Caso{"0000000000000", "07", "0,07"},
                        Caso{"120", "5", "120,5"}})
    EXPECT_EQ(ValorExibido(QString::fromUtf8(c.inteiros), QString::fromUtf8(c.decimais)),
              QString::fromUtf8(c.exibido));
  for (const char* ruim : {"", "0 5", "-05", "+05", "0A5", " 05"})
    EXPECT_THROW(ValorExibido(QString::fromUtf8(ruim), QStringLiteral("00")), platform::ConvertError)
        << ruim;
}

TEST(Resposta, PreAuthorizationItemLine) {
  const QString linha = QStringLiteral("027891862193718") + QStringLiteral("03000") +
                        QStringLiteral("000000000105000") + QStringLiteral("000000000009500") +
                        QStringLiteral("00SM - Medicamento pré-autorizado.   ");
  const ItemPreAutorizado item = LeItemPreAutorizacao(linha);
  EXPECT_EQ(item.qtdeInteira, 30);
  EXPECT_EQ(item.qtdeAutor, QStringLiteral("30,00"));
  EXPECT_EQ(item.valorMS, QStringLiteral("1050,00"));
  EXPECT_EQ(item.valorPaciente, QStringLiteral("95,00"));
  EXPECT_EQ(item.mensagem, QStringLiteral("00SM - Medicamento pré-autorizado."));
  EXPECT_EQ(item.codigoItem(), kItemPreAutorizado);

  // Too short for the patient's amount, or letters where digits go: invalid.
  EXPECT_THROW(LeItemPreAutorizacao(linha.left(35)), platform::ConvertError);
  QString letras = linha;
  letras[16] = u'A';
  EXPECT_THROW(LeItemPreAutorizacao(letras), platform::ConvertError);
}

TEST(Resposta, ConfirmationItemLineNeverFails) {
  const ItemConfirmado ok =
      LeItemConfirmacao(QStringLiteral("027891862193718") + QStringLiteral("00RM - Confirmado.   "));
  EXPECT_EQ(ok.codigoItem, kItemConfirmado);
  EXPECT_EQ(ok.mensagem, QStringLiteral("00RM - Confirmado."));
  EXPECT_TRUE(ok.confirmado());
  const ItemConfirmado curto = LeItemConfirmacao(QStringLiteral("02789"));
  EXPECT_TRUE(curto.codigoItem.isEmpty());
  EXPECT_TRUE(curto.mensagem.isEmpty());
  EXPECT_FALSE(curto.confirmado());
}

TEST(Resposta, ReceiptIsEvery07LineFromPosition3Unchanged) {
  const QStringList resposta{QStringLiteral("0700R header starting with 07"),
                             QStringLiteral("027891862193718 00RM"),
                             QStringLiteral("07 Autorização: 123"), QStringLiteral("07"),
                             QStringLiteral("7 not a receipt line"),
                             QStringLiteral("07linha final  ")};
  EXPECT_EQ(LinhasComprovante(resposta),
            (QStringList{QStringLiteral("00R header starting with 07"),
                         QStringLiteral(" Autorização: 123"), QString(),
                         QStringLiteral("linha final  ")}));
}

TEST(Resposta, ItemCodesThatCountInTheTotals) {
  EXPECT_TRUE(ItemContaNosTotais(QStringLiteral("00SM - ok")));
  EXPECT_TRUE(ItemContaNosTotais(QStringLiteral("00RM")));
  for (const char* m : {"01SM - recusado", "00S", "", " 00SM"})
    EXPECT_FALSE(ItemContaNosTotais(QString::fromUtf8(m))) << m;
}

class ArquivosDeTroca : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.isValid());
    qputenv("QX_DRIVE_C", drive_.path().toUtf8());
    ASSERT_TRUE(QDir(drive_.path()).mkpath(QStringLiteral("FPopular")));
  }
  void TearDown() override { qunsetenv("QX_DRIVE_C"); }
  QString local(const QString& relativo) const { return drive_.path() + u'/' + relativo; }
  QByteArray bytes(const QString& relativo) const {
    QFile f(local(relativo));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir drive_;
};

TEST_F(ArquivosDeTroca, Utf8ByteOrderMarkCountsPositionsInCharacters) {
  // "JOSÉ" takes five bytes in UTF-8: byte positions would shift the code.
  const QString linha = cabecalho(QStringLiteral("00S"), QStringLiteral("Pré-autorização concedida."),
                                  QStringLiteral("JOSÉ DA CONCEIÇÃO"), QStringLiteral("987.654.321.000.111"));
  QFile f(local(QStringLiteral("FPopular/FP_REQ.TXT")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("\xEF\xBB\xBF") + linha.toUtf8() + "\r\n");
  f.close();
  const QStringList lidas = platform::files::readTextFile(QStringLiteral("C:\\FPopular\\FP_REQ.TXT"));
  ASSERT_EQ(lidas.size(), 1);
  const Cabecalho c = LeCabecalhoPreAutorizacao(lidas[0]);
  EXPECT_EQ(c.codretorno, QStringLiteral("00S"));
  EXPECT_EQ(c.msg, QStringLiteral("Pré-autorização concedida."));
  EXPECT_EQ(c.paciente, QStringLiteral("JOSÉ DA CONCEIÇÃO"));
  EXPECT_EQ(c.codigo, QStringLiteral("987.654.321.000.111"));
}

TEST_F(ArquivosDeTroca, ConfirmationCopyIsNamedByCouponAndTodayAndReplaced) {
  platform::FakeClock relogio(QDateTime(QDate(2026, 11, 30), QTime(14, 5)));
  platform::ScopedClock usa(&relogio);
  EXPECT_EQ(CaminhoArquivoConfirmacao(QStringLiteral("000960"), QDate(2026, 11, 30)),
            QStringLiteral("C:\\FPopular\\ARQ\\R000960-20261130.TXT"));
  EXPECT_EQ(ArquivaConfirmacao({QStringLiteral("0102R primeira")}, QStringLiteral("000960")),
            QStringLiteral("C:\\FPopular\\ARQ\\R000960-20261130.TXT"));
  EXPECT_EQ(ArquivaConfirmacao({QStringLiteral("0100R Autorização"), QStringLiteral("07 linha")},
                               QStringLiteral("000960")),
            QStringLiteral("C:\\FPopular\\ARQ\\R000960-20261130.TXT"));
  // ANSI, CR LF after every line, the second write replacing the first.
  EXPECT_EQ(bytes(QStringLiteral("FPopular/ARQ/R000960-20261130.TXT")),
            QByteArray("0100R Autoriza\xE7\xE3o\r\n07 linha\r\n"));
}

TEST_F(ArquivosDeTroca, CancellationCopyCreatesItsDirectories) {
  EXPECT_EQ(ArquivaCancelamento({QStringLiteral("0100E Cancelado")}, QStringLiteral("123.456.789.012.345")),
            QStringLiteral("C:\\FPopular\\ARQ\\Cancelados\\C123.456.789.012.345.TXT"));
  EXPECT_EQ(bytes(QStringLiteral("FPopular/ARQ/Cancelados/C123.456.789.012.345.TXT")),
            QByteArray("0100E Cancelado\r\n"));
}

TEST_F(ArquivosDeTroca, CopyWithoutTheExchangeDirectoryFailsNamingTheFileAndLeavesNothing) {
  ASSERT_TRUE(QDir(local(QStringLiteral("FPopular"))).removeRecursively());
  try {
    ArquivaConfirmacao({QStringLiteral("0100R")}, QStringLiteral("000960"));
    ADD_FAILURE() << "no error";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("R000960-"))) << e.message().toStdString();
  }
  EXPECT_FALSE(QDir(local(QStringLiteral("FPopular"))).exists());
}

}  // namespace
}  // namespace exchange
