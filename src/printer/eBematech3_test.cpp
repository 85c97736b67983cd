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

// Each status bit alone: its message, the kind of window it uses and the
// answer it gives.
TEST_F(AnalisaRetornoTest, EachStatusBitAlone) {
  struct Bit {
    int32_t st1, st2;
    const char* kind;  // "aviso": the four-line notice, line 2; "tres": the three-line message, line 1
    const char* text;
    bool answer;
  };
  const QList<Bit> bits{
      {128, 0, "aviso", "Fim de papel - Favor trocar a bobina.", true},
      {64, 0, "aviso", "O papel está terminando - Favor verificar.", true},
      {32, 0, "aviso", "Erro no Relógio interno do ECF - Chamar a Assistência Tecnica!!", true},
      {16, 0, "aviso", "Impressora em erro - Desligue e Ligue novamenteo ECF.", true},
      {8, 0, "aviso", "Erro no envio do comando - Favor repetir a operação.", true},
      {4, 0, "aviso", "Comando inexistente - Favor avisar ao suporte do sistema.", true},
      {2, 0, "tres", "Cupom fiscal aberto - Cancele o cupom ou termine a venda.", true},
      {1, 0, "tres", "Parametro invalido - Favor avisar ao suporte.", true},
      {0, 128, "tres", "Tipo de CMD - Invalido Favor avisar ao suporte.", true},
      {0, 64, "tres", "Memoria Fiscal cheia - Chamar a Assistência Tecnica!!", true},
      {0, 32, "tres", "Erro de CMOS do ECF - Chamar a Assistência Tecnica!!", true},
      {0, 16, "tres", "Aliquota não programada - Favor cancele o cupom e cadastre a Aliquota", true},
      {0, 8, "tres", "Capacidade de Aliquota Lotada - Favor avisar ao suporte.", true},
      {0, 4, "tres", "Cancelamento não permitido pelo ECF.", true},
      {0, 2, "tres", "CGC/IE não programados - Chamar a Assistência Tecnica!!", true},
      {0, 1, "aviso", "Comando não executado - Verifique o status da impreessora.", false},
  };
  for (const Bit& b : bits) {
    SCOPED_TRACE(b.text);
    dialogs.recorder.clear();
    UltimoRetorno = 1;
    g_ack = 6;
    g_st1 = b.st1;
    g_st2 = b.st2;
    EXPECT_EQ(AnalisaRetorno(), b.answer);
    const QString text = QString::fromUtf8(b.text);
    const QString expected = QLatin1String(b.kind) == QLatin1String("aviso")
                                 ? QStringLiteral("aviso| Mensagem do TEF|\n") + text + QStringLiteral("\n\n")
                                 : QStringLiteral("tres||") + text + QStringLiteral("\n\n");
    EXPECT_EQ(shown(), QStringList{expected});
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
  const QString erro = QStringLiteral("Erro"), atencao = QStringLiteral("Atenção");
  const DialogIcon e = DialogIcon::Error, i = DialogIcon::Information;
  const QList<Case> withMessage{
      {-1, QStringLiteral("Erro de Execução na Função. Verifique!"), erro, e},
      {-2, QStringLiteral("Parâmetro Inválido !"), erro, e},
      {-3, QStringLiteral("Alíquota não programada !"), atencao, i},
      {-4, QStringLiteral("Arquivo BemaFI32.INI não encontrado. Verifique!"), atencao, i},
      {-5, QStringLiteral("Erro ao Abrir a Porta de Comunicação"), erro, e},
      {-6, QStringLiteral("Impressora Desligada ou Desconectada"), atencao, i},
      {-7, QStringLiteral("Banco Não Cadastrado no Arquivo BemaFI32.ini"), atencao, i},
      {-8, QStringLiteral("Erro ao Criar ou Gravar no Arquivo Retorno.txt ou Status.txt"), erro, e},
      {-18, QStringLiteral("Não foi possível abrir arquivo INTPOS.001 !"), atencao, i},
      {-19, QStringLiteral("Parâmetro diferentes !"), atencao, i},
      {-20, QStringLiteral("Transação cancelada pelo Operador !"), atencao, i},
      {-21, QStringLiteral("A Transação não foi aprovada !"), atencao, i},
      {-22, QStringLiteral("Não foi possível terminal a Impressão !"), atencao, i},
      {-23, QStringLiteral("Não foi possível terminal a Operação !"), atencao, i},
      {-24, QStringLiteral("Forma de pagamento não programada."), atencao, i},
      {-25, QStringLiteral("Totalizador não fiscal não programado."), atencao, i},
      {-26, QStringLiteral("Transação já Efetuada !"), atencao, i},
      {-28, QStringLiteral("Não há Informações para serem Impressas !"), atencao, i},
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
  for (int32_t silent : {1, 0, -9, -10, -11, -12, -13, -14, -15, -16, -17, -27, -29, 2}) {
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
