#include "printer/simulator/ecf_simulator.h"

#include "platform/clock.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

// One simulated printer in a fresh folder, on a fixed computer clock.
class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    setenv("QX_ECF_SIM_DIR", folder.path().toLocal8Bit().constData(), 1);
    platform::installClock(&clock);
  }
  void TearDown() override {
    platform::installClock(nullptr);
    unsetenv("QX_ECF_SIM_DIR");
  }
  // What a person types into the state file, with the program stopped.
  void writeState(const QByteArray& text) {
    QFile f(ecfsim::statePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  static QString read(int32_t (*function)(char*), int size) {
    QByteArray b(size, ' ');
    function(b.data());
    return QString::fromLatin1(b);
  }
  static bool printReport(const QList<const char*>& lines) {
    if (ecfsim::Bematech_FI_AbreRelatorioGerencialMFD("1") != 1) return false;
    for (const char* l : lines)
      if (ecfsim::Bematech_FI_UsaRelatorioGerencialMFD(l) != 1) return false;
    return ecfsim::Bematech_FI_FechaRelatorioGerencial() == 1 && ecfsim::snapshot().status2 == 0;
  }
  QTemporaryDir folder;
  platform::FakeClock clock{QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0))};
};

TEST_F(SimulatorTest, FaultsTypedIntoTheStateFileAreObeyed) {
  struct Case {
    const char* name;
    QByteArray state;
    int32_t coupon;      // NumeroCupom's return code
    QString buffer;      // what it leaves in the buffer
    int ack, st1, st2;   // then the status call
  };
  const QList<Case> cases{
      {"healthy", "coo=41\n", 1, "000041", 6, 0, 0},
      {"switched off", "coo=41\nfalha.desligada=1\n", -6, "      ", 0, 0, 0},
      {"paper low", "coo=41\nfalha.papel=pouco\n", 1, "000041", 6, 64, 0},
      {"paper out, even for a query", "coo=41\nfalha.papel = fim\n", 1, "000041", 6, 128, 0},
      {"refused", "coo=41\nfalha.nak=1\n", 1, "      ", 21, 0, 0},
      {"injected code", "coo=41\nfalha.retorno.Bematech_FI_NumeroCupom=-27\n", -27, "      ", 6, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeState(c.state);
    QByteArray b(6, ' ');
    EXPECT_EQ(ecfsim::Bematech_FI_NumeroCupom(b.data()), c.coupon);
    EXPECT_EQ(QString::fromLatin1(b), c.buffer);
    int32_t ack = 0, st1 = 0, st2 = 0;
    EXPECT_EQ(ecfsim::Bematech_FI_RetornoImpressora(&ack, &st1, &st2), c.coupon == -6 ? -6 : 1);
    EXPECT_EQ(ack, c.ack);
    EXPECT_EQ(st1, c.st1);
    EXPECT_EQ(st2, c.st2);
  }
}

TEST_F(SimulatorTest, PaperOutRefusesPrintingAndCountsNothing) {
  ecfsim::Faults f;
  f.paper = ecfsim::Paper::Out;
  ecfsim::setFaults(f);
  EXPECT_EQ(ecfsim::Bematech_FI_AbreRelatorioGerencialMFD("1"), 1);
  const ecfsim::Snapshot s = ecfsim::snapshot();
  EXPECT_EQ(s.status1, 128);
  EXPECT_EQ(s.status2, 1);
  EXPECT_EQ(s.coo, 0);
  EXPECT_EQ(s.openDocument, QStringLiteral("nenhum"));
  EXPECT_FALSE(QFile::exists(ecfsim::tapePath()));
}

// Each document advances COO and its own counters, as a real printer's do,
// and stamps the last document with the printer's clock.
TEST_F(SimulatorTest, CountersAdvanceByDocument) {
  struct Case {
    const char* name;
    std::function<bool()> print;
    int coo, gnf, grg, cdc, ccf, crz;  // advances
  };
  const QList<Case> cases{
      {"management report", [] { return printReport({"a\r\n", "b\r\n", "c\r\n"}); }, 1, 1, 1, 0, 0, 0},
      {"fiscal coupon",
       [] {
         return ecfsim::registerSale({{QStringLiteral("7891"), QStringLiteral("Losartana"),
                                       QStringLiteral("FF"), QStringLiteral("2"),
                                       QStringLiteral("4,95")}}) > 0;
       },
       1, 0, 0, 0, 1, 0},
      {"linked receipt",
       [] {
         char coo[7] = "      ";
         ecfsim::Bematech_FI_NumeroCupom(coo);
         return ecfsim::Bematech_FI_AbreComprovanteNaoFiscalVinculado("Dinheiro", "9,90", coo) == 1 &&
                ecfsim::Bematech_FI_UsaComprovanteNaoFiscalVinculado("linha\r\n") == 1 &&
                ecfsim::Bematech_FI_FechaComprovanteNaoFiscalVinculado() == 1 &&
                ecfsim::snapshot().status2 == 0;
       },
       1, 1, 0, 1, 0, 0},
      {"withdrawal", [] { return ecfsim::Bematech_FI_Sangria("20,00") == 1; }, 1, 1, 0, 0, 0, 0},
      {"supply", [] { return ecfsim::Bematech_FI_Suprimento("50,00", "Dinheiro") == 1; }, 1, 1, 0, 0, 0, 0},
      {"X reading", [] { return ecfsim::Bematech_FI_LeituraX() == 1; }, 1, 1, 0, 0, 0, 0},
      {"Z reduction", [] { return ecfsim::Bematech_FI_ReducaoZ(nullptr, nullptr) == 1; }, 1, 0, 0, 0, 0, 1},
  };
  ecfsim::setClockOffset(-30);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clock.advanceMs(60'000);
    const ecfsim::Snapshot before = ecfsim::snapshot();
    ASSERT_TRUE(c.print());
    const ecfsim::Snapshot after = ecfsim::snapshot();
    EXPECT_EQ(after.coo - before.coo, c.coo);
    EXPECT_EQ(after.gnf - before.gnf, c.gnf);
    EXPECT_EQ(after.grg - before.grg, c.grg);
    EXPECT_EQ(after.cdc - before.cdc, c.cdc);
    EXPECT_EQ(after.ccf - before.ccf, c.ccf);
    EXPECT_EQ(after.crz - before.crz, c.crz);
    EXPECT_EQ(after.openDocument, QStringLiteral("nenhum"));
    EXPECT_EQ(after.lastDocument, clock.now().addSecs(-30).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
  }
  EXPECT_EQ(read(&ecfsim::Bematech_FI_GrandeTotal, 18), QString(15, u'0') + QStringLiteral("990"));
}

TEST_F(SimulatorTest, ASaleRefusedHalfWayDoesNotLeaveItsCouponOpen) {
  const QList<ecfsim::SaleItem> bad{{QStringLiteral("7891"), QStringLiteral("Dipirona"),
                                     QStringLiteral("FF"), QStringLiteral("1"), QStringLiteral("abc")}};
  try {
    ecfsim::registerSale(bad);
    ADD_FAILURE() << "a price that is no number was accepted";
  } catch (const platform::Error& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("a venda do item")));
    EXPECT_TRUE(e.message().endsWith(QStringLiteral("O cupom 000001 foi cancelado.")));
  }
  EXPECT_EQ(ecfsim::snapshot().openDocument, QStringLiteral("nenhum"));
  EXPECT_TRUE(printReport({"depois\r\n"}));
}

TEST_F(SimulatorTest, ReductionAfterMidnightClosesTheDayOfItsDocuments) {
  ASSERT_TRUE(printReport({"linha\r\n"}));
  clock.set(QDateTime(QDate(2026, 12, 12), QTime(0, 30, 0)));
  ASSERT_EQ(ecfsim::Bematech_FI_ReducaoZ(nullptr, nullptr), 1);
  EXPECT_EQ(read(&ecfsim::Bematech_FI_DataMovimentoUltimaReducaoMFD, 6), QStringLiteral("111226"));
}

TEST_F(SimulatorTest, ClockRunsWithItsOffset) {
  QByteArray data(6, ' '), hora(6, ' ');
  ecfsim::setClockOffset(-86400 - 901);
  ASSERT_EQ(ecfsim::Bematech_FI_DataHoraImpressora(data.data(), hora.data()), 1);
  EXPECT_EQ(data + hora, QByteArray("101226094459"));
}

TEST_F(SimulatorTest, BuffersAreFilledToTheirSizeAndNoFurther) {
  struct Case {
    const char* name;
    int32_t (*function)(char*);
    int size;
  };
  const QList<Case> cases{
      {"NumeroCupom", &ecfsim::Bematech_FI_NumeroCupom, 6},
      {"NumeroReducoes", &ecfsim::Bematech_FI_NumeroReducoes, 6},
      {"NumeroCuponsCancelados", &ecfsim::Bematech_FI_NumeroCuponsCancelados, 4},
      {"VersaoFirmware", &ecfsim::Bematech_FI_VersaoFirmware, 4},
      {"VersaoFirmwareMFD", &ecfsim::Bematech_FI_VersaoFirmwareMFD, 10},
      {"ModeloImpressora", &ecfsim::Bematech_FI_ModeloImpressora, 10},
      {"NumeroSerie", &ecfsim::Bematech_FI_NumeroSerie, 15},
      {"NumeroSerieMFD", &ecfsim::Bematech_FI_NumeroSerieMFD, 20},
      {"DataHoraUltimoDocumentoMFD", &ecfsim::Bematech_FI_DataHoraUltimoDocumentoMFD, 12},
      {"SubTotal", &ecfsim::Bematech_FI_SubTotal, 14},
      {"GrandeTotal", &ecfsim::Bematech_FI_GrandeTotal, 18},
      {"RetornoAliquotas", &ecfsim::Bematech_FI_RetornoAliquotas, 79},
      {"VerificaIndiceAliquotasIss", &ecfsim::Bematech_FI_VerificaIndiceAliquotasIss, 48},
      {"VerificaFormasPagamento", &ecfsim::Bematech_FI_VerificaFormasPagamento, 3016},
      {"DadosUltimaReducao", &ecfsim::Bematech_FI_DadosUltimaReducao, 631},
      {"DadosUltimaReducaoMFD", &ecfsim::Bematech_FI_DadosUltimaReducaoMFD, 1279},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray b(c.size + 8, 'X');  // guard bytes after the buffer and its NUL
    std::memset(b.data(), ' ', size_t(c.size));
    b[c.size] = '\0';
    ASSERT_EQ(c.function(b.data()), 1);
    EXPECT_EQ(int(std::strlen(b.constData())), c.size);
    EXPECT_EQ(b.mid(c.size + 1), QByteArray(7, 'X'));
    EXPECT_NE(b.left(c.size), QByteArray(c.size, ' '));
  }
}

}  // namespace
