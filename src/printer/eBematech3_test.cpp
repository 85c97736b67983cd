#include "printer/eBematech3.h"

#include "printer/ecf_test_support.h"

#include <gtest/gtest.h>

namespace {

using ecftest::calls;

// What the fake printer's status call answers.
int32_t g_ack = 0, g_st1 = 0, g_st2 = 0;
int32_t statusCall(int32_t* ack, int32_t* st1, int32_t* st2) {
  calls() << QStringLiteral("Bematech_FI_RetornoImpressora");
  *ack = g_ack;
  *st1 = g_st1;
  *st2 = g_st2;
  return 1;
}

class AnalisaRetornoTest : public ecftest::PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    library.Bematech_FI_RetornoImpressora = &statusCall;
  }
};

const QString kCupomAberto =
    QStringLiteral("tres||Cupom fiscal aberto - Cancele o cupom ou termine a venda.\n\n");
const QString kNaoExecutado =
    QStringLiteral("aviso| Mensagem do TEF|\nComando não executado - Verifique o status da "
                   "impreessora.\n\n");

struct StatusCase {
  const char* name;
  int32_t retorno, ack, st1, st2;
  bool answer;
  bool statusRead;
  QStringList dialogs;
  int terminations;
};

TEST_F(AnalisaRetornoTest, DecodesStatusBitByBitInOrder) {
  const QList<StatusCase> cases{
      {"all clear", 1, 6, 0, 0, true, true, {}, 0},
      {"coupon open and not executed counts as gone through", 1, 6, 2, 1, true, true,
       {kCupomAberto, kNaoExecutado}, 0},
      {"coupon open, rate not programmed, not executed", 1, 6, 2, 17, false, true,
       {kCupomAberto,
        QStringLiteral("tres||Aliquota não programada - Favor cancele o cupom e cadastre a "
                       "Aliquota\n\n"),
        kNaoExecutado},
       0},
      {"not executed alone", 1, 6, 0, 1, false, true, {kNaoExecutado}, 0},
      {"paper end before paper low", 1, 6, 192, 0, true, true,
       {QStringLiteral("aviso| Mensagem do TEF|\nFim de papel - Favor trocar a bobina.\n\n"),
        QStringLiteral("aviso| Mensagem do TEF|\nO papel está terminando - Favor verificar.\n\n")},
       0},
      {"status 2 high bits in order", 1, 6, 1, 128 + 64, true, true,
       {QStringLiteral("tres||Parametro invalido - Favor avisar ao suporte.\n\n"),
        QStringLiteral("tres||Tipo de CMD - Invalido Favor avisar ao suporte.\n\n"),
        QStringLiteral("tres||Memoria Fiscal cheia - Chamar a Assistência Tecnica!!\n\n")},
       0},
      {"printer off: only the box, status not read", -6, 6, 255, 255, false, false,
       {QStringLiteral("caixa|Atenção|Impressora Desligada ou Desconectada")}, 0},
      {"code without message", -27, 6, 0, 0, false, false, {}, 0},
      {"zero", 0, 6, 0, 0, false, false, {}, 0},
      {"NAK asks the application to quit", 1, 21, 255, 255, true, true,
       {QStringLiteral("tres||\nECF Retornou NAK - Verifique Impressora e Cabo\n")}, 1},
      {"unknown acknowledge is silent", 1, 0, 255, 255, true, true, {}, 0},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.recorder.clear();
    calls().clear();
    terminations = 0;
    UltimoRetorno = c.retorno;
    g_ack = c.ack;
    g_st1 = c.st1;
    g_st2 = c.st2;
    EXPECT_EQ(AnalisaRetorno(), c.answer);
    EXPECT_EQ(shown(), c.dialogs);
    EXPECT_EQ(calls().contains(QStringLiteral("Bematech_FI_RetornoImpressora")), c.statusRead);
    EXPECT_EQ(terminations, c.terminations);
  }
}

TEST_F(AnalisaRetornoTest, NoticesHoldOneSecondEach) {
  UltimoRetorno = 1;
  g_ack = 6;
  g_st1 = 192;
  g_st2 = 0;
  AnalisaRetorno();
  EXPECT_EQ(pause.pauses(), (QList<int>{1000, 1000}));
}

TEST_F(AnalisaRetornoTest, ErrorBoxesFollowTheCodeTable) {
  struct Case {
    int32_t code;
    QString text, caption;
    platform::DialogIcon icon;
  };
  using platform::DialogIcon;
  const QList<Case> withMessage{
      {-1, QStringLiteral("Erro de Execução na Função. Verifique!"), QStringLiteral("Erro"),
       DialogIcon::Error},
      {-2, QStringLiteral("Parâmetro Inválido !"), QStringLiteral("Erro"), DialogIcon::Error},
      {-3, QStringLiteral("Alíquota não programada !"), QStringLiteral("Atenção"),
       DialogIcon::Information},
      {-5, QStringLiteral("Erro ao Abrir a Porta de Comunicação"), QStringLiteral("Erro"),
       DialogIcon::Error},
      {-8, QStringLiteral("Erro ao Criar ou Gravar no Arquivo Retorno.txt ou Status.txt"),
       QStringLiteral("Erro"), DialogIcon::Error},
      {-18, QStringLiteral("Não foi possível abrir arquivo INTPOS.001 !"), QStringLiteral("Atenção"),
       DialogIcon::Information},
      {-22, QStringLiteral("Não foi possível terminal a Impressão !"), QStringLiteral("Atenção"),
       DialogIcon::Information},
      {-28, QStringLiteral("Não há Informações para serem Impressas !"), QStringLiteral("Atenção"),
       DialogIcon::Information},
  };
  for (const Case& c : withMessage) {
    SCOPED_TRACE(c.code);
    dialogs.recorder.clear();
    UltimoRetorno = c.code;
    MostraErroRetorno();
    ASSERT_EQ(dialogs.recorder.shown().size(), 1);
    const platform::ShownDialog& d = dialogs.recorder.shown().first();
    EXPECT_EQ(d.kind, platform::DialogKind::MessageBox);
    EXPECT_EQ(d.text, c.text);
    EXPECT_EQ(d.caption, c.caption);
    EXPECT_EQ(d.icon, c.icon);
    EXPECT_EQ(d.buttons, platform::DialogButtons::Ok);
  }
  for (int32_t silent : {1, 0, -9, -13, -17, -27, -29, 2}) {
    SCOPED_TRACE(silent);
    dialogs.recorder.clear();
    UltimoRetorno = silent;
    MostraErroRetorno();
    EXPECT_TRUE(dialogs.recorder.shown().isEmpty());
  }
}

TEST_F(AnalisaRetornoTest, ChecaLigadaWarnsOnlyWhenOff) {
  ChecaLigada();
  EXPECT_EQ(UltimoRetorno, 1);
  EXPECT_TRUE(shown().isEmpty());

  ecfsim::Faults off;
  off.off = true;
  ecfsim::setFaults(off);
  ChecaLigada();
  EXPECT_EQ(UltimoRetorno, -6);
  EXPECT_EQ(shown(), QStringList{QStringLiteral(
                         "aviso| Mensagem do TEF|\nECF Desligada ou desconectada, Favor Verifique\n\n")});
}

}  // namespace
