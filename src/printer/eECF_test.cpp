#include "printer/eECF.h"

#include "platform/error.h"
#include "printer/ecf_test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

using ecftest::calls;

// What the fake clock call answers.
QByteArray g_data, g_hora;
int32_t clockCall(char* data, char* hora) {
  calls() << QStringLiteral("Bematech_FI_DataHoraImpressora");
  memcpy(data, g_data.constData(), 6);
  memcpy(hora, g_hora.constData(), 6);
  return 1;
}

QStringList g_lines;  // texts given to the report-line command
int32_t reportLine(const char* texto) {
  calls() << QStringLiteral("Bematech_FI_UsaRelatorioGerencialMFD");
  g_lines << QString::fromLatin1(texto ? texto : "<null>");
  return ecfsim::Bematech_FI_UsaRelatorioGerencialMFD(texto);
}

class ECFTest : public ecftest::PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    ecf.setImpressora(TECFModelo::Bematec3);
    ecf.setImpressoraMFD(true);
    g_lines.clear();
  }
  TePrinter ecf;
};

// --- ChecaImpressora -------------------------------------------------------

TEST_F(ECFTest, ChecaImpressoraComparesDateAndClock) {
  struct Case {
    const char* name;
    const char* data;  // ddmmyy
    const char* hora;  // hhmmss
    bool answer;
    QStringList dialogs;
  };
  // The computer says 11/12/2026 10:00:00.
  const QString dateMsg = QStringLiteral(
      "tres||A data do computador e:11/12/2026\nA Data da Impressora e:10/12/26\n");
  const QList<Case> cases{
      {"same clock", "111226", "100000", true, {}},
      {"900 s ahead accepted", "111226", "101500", true, {}},
      {"900 s behind accepted", "111226", "094500", true, {}},
      {"901 s ahead refused", "111226", "101501", false,
       {QStringLiteral("tres||A Hora do computador e:10:00:00\nA Hora da Impressora e:10:15:01\n"
                       "Emissão de Cupom sera desabilitada.")}},
      {"901 s behind refused", "111226", "094459", false,
       {QStringLiteral("tres||A Hora do computador e:10:00:00\nA Hora da Impressora e:09:44:59\n"
                       "Emissão de Cupom sera desabilitada.")}},
      {"one day behind, time in range: only the date", "101226", "100000", false, {dateMsg}},
  };
  library.Bematech_FI_DataHoraImpressora = &clockCall;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.recorder.clear();
    g_data = c.data;
    g_hora = c.hora;
    EXPECT_EQ(ecf.ChecaImpressora(), c.answer);
    EXPECT_EQ(shown(), c.dialogs);
    EXPECT_EQ(ecf.Eprom(), QStringLiteral("BE0000SIM00000000001"));  // read on the way
  }
}

TEST_F(ECFTest, ChecaImpressoraStopsWhenTheClockCannotBeRead) {
  library.Bematech_FI_DataHoraImpressora = [](char*, char*) -> int32_t { return -5; };
  EXPECT_FALSE(ecf.ChecaImpressora());
  EXPECT_EQ(shown(), QStringList{QStringLiteral("caixa|Erro|Erro ao Abrir a Porta de Comunicação")});
  EXPECT_FALSE(calls().contains(QStringLiteral("Bematech_FI_NumeroSerieMFD")));
}

TEST_F(ECFTest, ChecaImpressoraWithAPrinterDateThatDoesNotConvertThrows) {
  library.Bematech_FI_DataHoraImpressora = &clockCall;
  g_data = "99AB26";
  g_hora = "100000";
  EXPECT_THROW(ecf.ChecaImpressora(), platform::ConvertError);
}

TEST_F(ECFTest, ChecaImpressoraByModel) {
  for (auto [model, answer] : {std::pair{TECFModelo::Demo, true}, {TECFModelo::None, false},
                               {TECFModelo::SwedaMFD, false}, {TECFModelo::Afrac, false}}) {
    ecf.setImpressora(model);
    EXPECT_EQ(ecf.ChecaImpressora(), answer);
  }
  EXPECT_TRUE(calls().isEmpty());
}

TEST_F(ECFTest, SimulatorClockOffsetIsSeenByTheCheck) {
  // The simulated printer runs on the computer's clock plus its offset.
  ecfsim::setClockOffset(900);
  EXPECT_TRUE(ecf.ChecaImpressora());
  ecfsim::setClockOffset(901);
  EXPECT_FALSE(ecf.ChecaImpressora());
}

// --- readings under each model ---------------------------------------------

struct Reading {
  const char* name;
  std::function<QString(TeECF&)> read;
  bool anyModel;
  QString none, demo, sweda, afrac, bematech;  // bematech: fresh simulated printer
};

TEST_F(ECFTest, EachReadingUnderEachModel) {
  const QString serial = QStringLiteral("BE0000SIM00000000001");
  const QList<Reading> readings{
      {"Numero_Cupom", [](TeECF& e) { return e.Numero_Cupom(); }, false, "", "0", "", "0",
       "000000"},
      {"ContadorRelGerencial", [](TeECF& e) { return e.ContadorRelGerencial(); }, false, "", "",
       "", "", "000000"},
      {"ContadorCreditoDebito", [](TeECF& e) { return e.ContadorCreditoDebito(); }, false, "", "",
       "", "", "000000"},
      {"ContadorCupomFiscal", [](TeECF& e) { return e.ContadorCupomFiscal(); }, false, "", "", "",
       "", "000000"},
      {"ContadorGeralNaoFiscal", [](TeECF& e) { return e.ContadorGeralNaoFiscal(); }, false, "",
       "", "", "", "000000"},
      {"NumeroReducoes", [](TeECF& e) { return e.NumeroReducoes(); }, true, "0000", "0000",
       "0000", "0000", "0000"},
      {"RetornaGrandeTotal", [](TeECF& e) { return e.RetornaGrandeTotal(); }, false, "", "", "",
       "", QString(18, u'0')},
      {"AtualizaNumeroSerie", [](TeECF& e) {
         const QString serie = e.AtualizaNumeroSerie();
         return serie + u'|' + e.Eprom();
       },
       true, serial + u'|' + serial, serial + u'|' + serial, serial + u'|' + serial,
       serial + u'|' + serial, serial + u'|' + serial},
      {"VersaoSoftwareBasico", [](TeECF& e) { return e.VersaoSoftwareBasico(); }, false, "", "",
       "", "", "010000    "},
      {"RetornaIndicesAliquotasISSQN", [](TeECF& e) { return e.RetornaIndicesAliquotasISSQN(); },
       false, "", "", "", "", QStringLiteral("04").leftJustified(48)},
      {"LeituraFormasdePgto", [](TeECF& e) { return e.LeituraFormasdePgto().left(16); }, false, "",
       "", "", "", "Dinheiro        "},
      {"SubTotal", [](TeECF& e) { return QString::number(e.SubTotal()); }, false, "0", "0", "0",
       "0", "0"},
      {"RetornaDataHoraImpressora",
       [](TeECF& e) {
         QString d = "x", h = "x";
         e.RetornaDataHoraImpressora(d, h);
         return d + u'|' + h;
       },
       false, "|", "11\\12\\2026|10:00:00", "|", "|", "11/12/26|10:00:00"},
      {"AtualizaHoraUltimoCupom", [](TeECF& e) { return e.AtualizaHoraUltimoCupom(); }, false, "",
       "", "", "", "00:00:00"},
      {"DataHoraSoftUserBaseLetraMFAdi",
       [](TeECF& e) {
         QString u = "u", s = "s";
         QChar l = u'l';
         e.DataHoraSoftUserBaseLetraMFAdi(u, s, l);
         return u + u'|' + s + u'|' + l;
       },
       false, "u|s|l", "u|s|l", "u|s|l", "u|s|l", "01/01/2025 08:00:00|010124| "},
  };
  const QList<std::pair<TECFModelo, int>> models{{TECFModelo::None, 0},
                                                 {TECFModelo::Demo, 1},
                                                 {TECFModelo::SwedaMFD, 2},
                                                 {TECFModelo::Afrac, 3},
                                                 {TECFModelo::Bematec3, 4}};
  for (const Reading& r : readings) {
    for (auto [model, column] : models) {
      SCOPED_TRACE(QStringLiteral("%1, model %2").arg(r.name).arg(int(model)).toStdString());
      calls().clear();
      ecf.setImpressora(model);
      const QString expected =
          QList<QString>{r.none, r.demo, r.sweda, r.afrac, r.bematech}.at(column);
      EXPECT_EQ(r.read(ecf), expected);
      if (model != TECFModelo::Bematec3 && !r.anyModel) {
        EXPECT_TRUE(calls().isEmpty());
      }
    }
  }
  EXPECT_TRUE(shown().isEmpty());
}

TEST_F(ECFTest, ClockAndPowerByModel) {
  for (auto [model, answer] : {std::pair{TECFModelo::None, false}, {TECFModelo::SwedaMFD, false},
                               {TECFModelo::Afrac, false}, {TECFModelo::Demo, true}}) {
    SCOPED_TRACE(int(model));
    ecf.setImpressora(model);
    EXPECT_EQ(ecf.AtualizaHora(), answer);
    EXPECT_EQ(ecf.ImpressoraLigada(), answer);
  }
  EXPECT_TRUE(calls().isEmpty());
  EXPECT_TRUE(ecf.Dados()->HoraImp.isEmpty());

  // Bematec3: the clock goes into Dados, then the comparison decides.
  ecf.setImpressora(TECFModelo::Bematec3);
  ecfsim::setClockOffset(-901);
  EXPECT_FALSE(ecf.AtualizaHora());
  EXPECT_EQ(ecf.Dados()->HoraImp, QStringLiteral("09:44:59"));
  EXPECT_EQ(ecf.Dados()->DataImp, QStringLiteral("11/12/26"));
  EXPECT_EQ(shown(), QStringList{QStringLiteral("tres||A Hora do computador e:10:00:00\nA Hora da "
                                                "Impressora e:09:44:59\nEmissão de Cupom sera "
                                                "desabilitada.")});
  ecfsim::setClockOffset(-900);
  EXPECT_TRUE(ecf.AtualizaHora());
}

// What a reading hands the library: a buffer of exactly its size, all spaces.
int g_bufferLength = -1;
bool g_bufferBlank = false;
int32_t measureBuffer(char* b) {
  g_bufferLength = int(strlen(b));
  g_bufferBlank = QByteArray(b).count(' ') == g_bufferLength;
  return 1;
}

TEST_F(ECFTest, EachReadingPassesABufferOfItsSize) {
  using Slot = int32_t (*printer::EcfLibrary::*)(char*);
  using printer::EcfLibrary;
  struct Case {
    const char* name;
    Slot slot;
    int size;
    std::function<void(TeECF&)> read;
  };
  platform::TDateTime data = 0;
  QString hora;
  const QList<Case> cases{
      {"Numero_Cupom", &EcfLibrary::Bematech_FI_NumeroCupom, 6, [](TeECF& e) { e.Numero_Cupom(); }},
      {"ContadorRelGerencial", &EcfLibrary::Bematech_FI_ContadorRelatoriosGerenciaisMFD, 6,
       [](TeECF& e) { e.ContadorRelGerencial(); }},
      {"ContadorCreditoDebito", &EcfLibrary::Bematech_FI_ContadorComprovantesCreditoMFD, 6,
       [](TeECF& e) { e.ContadorCreditoDebito(); }},
      {"ContadorCupomFiscal", &EcfLibrary::Bematech_FI_ContadorCupomFiscalMFD, 6,
       [](TeECF& e) { e.ContadorCupomFiscal(); }},
      {"ContadorGeralNaoFiscal", &EcfLibrary::Bematech_FI_NumeroOperacoesNaoFiscais, 6,
       [](TeECF& e) { e.ContadorGeralNaoFiscal(); }},
      {"NumeroReducoes", &EcfLibrary::Bematech_FI_NumeroReducoes, 6,
       [](TeECF& e) { e.NumeroReducoes(); }},
      {"RetornaGrandeTotal", &EcfLibrary::Bematech_FI_GrandeTotal, 18,
       [](TeECF& e) { e.RetornaGrandeTotal(); }},
      {"SubTotal", &EcfLibrary::Bematech_FI_SubTotal, 14, [](TeECF& e) { e.SubTotal(); }},
      {"AtualizaNumeroSerie MFD", &EcfLibrary::Bematech_FI_NumeroSerieMFD, 20,
       [](TeECF& e) { e.AtualizaNumeroSerie(); }},
      {"AtualizaNumeroSerie", &EcfLibrary::Bematech_FI_NumeroSerie, 15,
       [](TeECF& e) {
         e.setImpressoraMFD(false);
         e.AtualizaNumeroSerie();
         e.setImpressoraMFD(true);
       }},
      {"VersaoSoftwareBasico", &EcfLibrary::Bematech_FI_VersaoFirmwareMFD, 10,
       [](TeECF& e) { e.VersaoSoftwareBasico(); }},
      {"RetornaIndicesAliquotasISSQN", &EcfLibrary::Bematech_FI_VerificaIndiceAliquotasIss, 48,
       [](TeECF& e) { e.RetornaIndicesAliquotasISSQN(); }},
      {"LeituraFormasdePgto", &EcfLibrary::Bematech_FI_VerificaFormasPagamento, 3016,
       [](TeECF& e) { e.LeituraFormasdePgto(); }},
      {"AtualizaHoraUltimoCupom", &EcfLibrary::Bematech_FI_DataHoraUltimoDocumentoMFD, 14,
       [](TeECF& e) { e.AtualizaHoraUltimoCupom(); }},
      {"DataHoraUltDocEmitido", &EcfLibrary::Bematech_FI_DataHoraUltimoDocumentoMFD, 12,
       [&](TeECF& e) { e.DataHoraUltDocEmitido(data, hora); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const printer::EcfLibrary saved = library;
    library.*c.slot = &measureBuffer;
    g_bufferLength = -1;
    try {
      c.read(ecf);
    } catch (const platform::ConvertError&) {
      // A blank buffer does not convert; only what was passed matters here.
    }
    EXPECT_EQ(g_bufferLength, c.size);
    EXPECT_TRUE(g_bufferBlank);
    library = saved;
  }
}

TEST_F(ECFTest, TextsCrossTheLibraryInWindows1252AndEmptyOnesAsNull) {
  static QList<QByteArray> args;
  args.clear();
  library.Bematech_FI_ImprimeCheque = [](const char* banco, const char* valor, const char* favorecido,
                                         const char* cidade, const char* data,
                                         const char* mensagem) -> int32_t {
    for (const char* a : {banco, valor, favorecido, cidade, data, mensagem})
      args << (a ? QByteArray(a) : QByteArray("<null>"));
    return 1;
  };
  EXPECT_TRUE(ecf.ImprimeCheque("001", "10,00", QStringLiteral("José Conceição"),
                                QStringLiteral("São Paulo"), "11/12/26", QString()));
  EXPECT_EQ(args, (QList<QByteArray>{"001", "10,00", "Jos\xE9 Concei\xE7\xE3o", "S\xE3o Paulo",
                                     "11/12/26", "<null>"}));

  // Read back from Windows-1252, and the serial number trimmed on both sides.
  library.Bematech_FI_NumeroSerieMFD = [](char* b) -> int32_t {
    memcpy(b, "  BE\xC7 0042", 11);
    return 1;
  };
  EXPECT_EQ(ecf.AtualizaNumeroSerie(), QStringLiteral("BEÇ 0042"));
  EXPECT_EQ(ecf.Eprom(), QStringLiteral("BEÇ 0042"));
}

TEST_F(ECFTest, ReadingsKeepWhatTheLibraryLeftInTheBuffer) {
  // A failed coupon-number call leaves its six spaces after the message.
  library.Bematech_FI_NumeroCupom = [](char*) -> int32_t { return -6; };
  EXPECT_EQ(ecf.Numero_Cupom(), QStringLiteral("      "));
  EXPECT_EQ(shown(), QStringList{QStringLiteral("caixa|Atenção|Impressora Desligada ou Desconectada")});
  EXPECT_EQ(UltimoRetorno, -6);

  // A blank grand total reads as "0".
  library.Bematech_FI_GrandeTotal = [](char*) -> int32_t { return 1; };
  EXPECT_EQ(ecf.RetornaGrandeTotal(), QStringLiteral("0"));

  // The counters neither store nor analyse the result.
  UltimoRetorno = 77;
  library.Bematech_FI_ContadorRelatoriosGerenciaisMFD = [](char*) -> int32_t { return -1; };
  dialogs.recorder.clear();
  EXPECT_EQ(ecf.ContadorRelGerencial(), QStringLiteral("      "));
  EXPECT_EQ(UltimoRetorno, 77);
  EXPECT_TRUE(shown().isEmpty());
}

TEST_F(ECFTest, SubTotalInsertsTheDecimalComma) {
  library.Bematech_FI_SubTotal = [](char* b) -> int32_t {
    memcpy(b, "00000000001245", 14);
    return 1;
  };
  EXPECT_DOUBLE_EQ(ecf.SubTotal(), 12.45);
  library.Bematech_FI_SubTotal = [](char*) -> int32_t { return 1; };  // left blank
  EXPECT_THROW(ecf.SubTotal(), platform::ConvertError);
}

TEST_F(ECFTest, SerialNumberBufferFollowsImpressoraMFD) {
  ecf.setImpressoraMFD(false);
  EXPECT_EQ(ecf.AtualizaNumeroSerie(), QStringLiteral("0SIM00000000001"));
  EXPECT_EQ(calls(), QStringList{QStringLiteral("Bematech_FI_NumeroSerie")});
  calls().clear();
  ecf.setImpressoraMFD(true);
  EXPECT_EQ(ecf.AtualizaNumeroSerie(), QStringLiteral("BE0000SIM00000000001"));
  EXPECT_EQ(calls(), QStringList{QStringLiteral("Bematech_FI_NumeroSerieMFD")});
}

TEST_F(ECFTest, LastCouponTimeWithoutMfdReadsTheClockIntoDados) {
  ecf.setImpressoraMFD(false);
  library.Bematech_FI_DataHoraImpressora = &clockCall;
  g_data = "111226";
  g_hora = "093015";
  EXPECT_EQ(ecf.AtualizaHoraUltimoCupom(), QStringLiteral("09:30"));
  EXPECT_EQ(ecf.Dados()->HoraImp, QStringLiteral("09:30:15"));
  EXPECT_EQ(ecf.Dados()->DataImp, QStringLiteral("11/12/26"));
}

TEST_F(ECFTest, LastDocumentDateByModel) {
  const platform::TDateTime untouched = 12345.0;
  struct Case {
    TECFModelo model;
    platform::TDateTime data;
    QString hora;
  };
  const platform::TDateTime now = platform::toDateTime(clock.now());
  for (const Case& c : QList<Case>{{TECFModelo::None, now, QStringLiteral("10:00:00")},
                                   {TECFModelo::Demo, untouched, QString()},
                                   {TECFModelo::SwedaMFD, untouched, QString()},
                                   {TECFModelo::Afrac, untouched, QString()}}) {
    SCOPED_TRACE(int(c.model));
    ecf.setImpressora(c.model);
    platform::TDateTime data = untouched;
    QString hora = QStringLiteral("antes");
    ecf.DataHoraUltDocEmitido(data, hora);
    EXPECT_DOUBLE_EQ(data, c.data);
    EXPECT_EQ(hora, c.hora);
  }
  // Bematec3: the last document of the simulated printer, at midnight.
  ecf.setImpressora(TECFModelo::Bematec3);
  ASSERT_TRUE(ecf.RelatorioGerencial(QStringLiteral("x")));
  ASSERT_TRUE(ecf.Fecha_RelatorioGerencial());
  platform::TDateTime data = untouched;
  QString hora;
  ecf.DataHoraUltDocEmitido(data, hora);
  EXPECT_DOUBLE_EQ(data, platform::toDateTime(QDate(2026, 12, 11)));
  EXPECT_EQ(hora, QStringLiteral("10:00:00"));
}

TEST_F(ECFTest, PortOperations) {
  ecf.setImpressora(TECFModelo::Afrac);
  UltimoRetorno = -5;
  EXPECT_FALSE(ecf.Abre_Porta());
  EXPECT_EQ(shown(), QStringList{QStringLiteral("msg||-5")});
  UltimoRetorno = 0;
  EXPECT_TRUE(ecf.Abre_Porta());
  ecf.setImpressora(TECFModelo::Bematec3);
  UltimoRetorno = -5;
  EXPECT_TRUE(ecf.Abre_Porta());
  ecf.Fecha_Porta();
  EXPECT_TRUE(calls().isEmpty());
  EXPECT_EQ(UltimoRetorno, -5);
  EXPECT_TRUE(ecf.ImpressoraLigada());
  ecfsim::Faults off;
  off.off = true;
  ecfsim::setFaults(off);
  EXPECT_FALSE(ecf.ImpressoraLigada());
}

// --- non-fiscal documents ---------------------------------------------------

TEST_F(ECFTest, ThreeReportLinesAndACloseOpenTheReportOnce) {
  library.Bematech_FI_UsaRelatorioGerencialMFD = &reportLine;
  const QString longLine(100, u'x');
  ASSERT_TRUE(ecf.RelatorioGerencial(QStringLiteral("Autorização 123")));
  ASSERT_TRUE(ecf.RelatorioGerencial(QString()));
  ASSERT_TRUE(ecf.RelatorioGerencial(longLine));
  ASSERT_TRUE(ecf.Fecha_RelatorioGerencial());
  const QString usa = QStringLiteral("Bematech_FI_UsaRelatorioGerencialMFD");
  const QString status = QStringLiteral("Bematech_FI_RetornoImpressora");
  EXPECT_EQ(calls(), (QStringList{QStringLiteral("Bematech_FI_AbreRelatorioGerencialMFD"), usa,
                                  status, usa, status, usa, status,
                                  QStringLiteral("Bematech_FI_FechaRelatorioGerencial"), status}));
  EXPECT_EQ(g_lines, (QStringList{QStringLiteral("Autorização 123\r\n"),
                                  QStringLiteral("  \r\n"), longLine + QStringLiteral("\r\n")}));
  const ecfsim::Snapshot s = ecfsim::snapshot();
  EXPECT_EQ(s.coo, 1);
  EXPECT_EQ(s.grg, 1);
  EXPECT_EQ(s.gnf, 1);
  EXPECT_EQ(s.openDocument, QStringLiteral("nenhum"));
  EXPECT_TRUE(shown().isEmpty());

  // A fourth line afterwards opens a new report.
  calls().clear();
  ASSERT_TRUE(ecf.RelatorioGerencial(QStringLiteral("outra")));
  EXPECT_EQ(calls().first(), QStringLiteral("Bematech_FI_AbreRelatorioGerencialMFD"));
  EXPECT_EQ(ecfsim::snapshot().coo, 2);
}

TEST_F(ECFTest, ReportLinesReachThePaperTape) {
  ecf.RelatorioGerencial(QStringLiteral("AUTORIZAÇÃO FARMÁCIA POPULAR"));
  ecf.RelatorioGerencial(QStringLiteral("Paciente paga R$ 1,23"));
  ecf.Fecha_RelatorioGerencial();
  QFile tape(ecfsim::tapePath());
  ASSERT_TRUE(tape.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(tape.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("RELATÓRIO GERENCIAL")));
  EXPECT_TRUE(text.contains(QStringLiteral("\nAUTORIZAÇÃO FARMÁCIA POPULAR\nPaciente paga R$ 1,23\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("FIM DO RELATÓRIO GERENCIAL")));
}

TEST_F(ECFTest, AReportLeftOpenByAnEarlierRunIsNotDetected) {
  // The printer still has a report open; the opening is refused unanalysed
  // and the line goes into the open report.
  ASSERT_EQ(ecfsim::Bematech_FI_AbreRelatorioGerencialMFD("1"), 1);
  EXPECT_TRUE(ecf.RelatorioGerencial(QStringLiteral("linha")));
  EXPECT_TRUE(ecf.Fecha_RelatorioGerencial());
  EXPECT_EQ(ecfsim::snapshot().coo, 1);
  EXPECT_TRUE(shown().isEmpty());
}

TEST_F(ECFTest, AReportLineInsideAnOpenCouponIsRefusedButCountsAsGoneThrough) {
  ecfsim::leaveCouponOpen();
  EXPECT_TRUE(ecf.RelatorioGerencial(QStringLiteral("linha")));
  EXPECT_EQ(shown(),
            (QStringList{QStringLiteral("tres||Cupom fiscal aberto - Cancele o cupom ou termine a venda.\n\n"),
                         QStringLiteral("aviso| Mensagem do TEF|\nComando não executado - Verifique o "
                                        "status da impreessora.\n\n")}));
}

TEST_F(ECFTest, ReportWithPaperOutFailsWithTheNotices) {
  ecfsim::Faults f;
  f.paper = ecfsim::Paper::Out;
  ecfsim::setFaults(f);
  EXPECT_FALSE(ecf.RelatorioGerencial(QStringLiteral("linha")));
  EXPECT_EQ(shown(),
            (QStringList{QStringLiteral("aviso| Mensagem do TEF|\nFim de papel - Favor trocar a bobina.\n\n"),
                         QStringLiteral("aviso| Mensagem do TEF|\nComando não executado - Verifique o "
                                        "status da impreessora.\n\n")}));
}

TEST_F(ECFTest, InjectedReturnCodeForOneFunction) {
  ecfsim::Faults f;
  f.returnCodes.insert(QStringLiteral("Bematech_FI_FechaRelatorioGerencial"), -1);
  ecfsim::setFaults(f);
  ASSERT_TRUE(ecf.RelatorioGerencial(QStringLiteral("linha")));
  EXPECT_FALSE(ecf.Fecha_RelatorioGerencial());
  EXPECT_EQ(shown(), QStringList{QStringLiteral("caixa|Erro|Erro de Execução na Função. Verifique!")});
  // The flag was cleared before the close: the next line opens again.
  calls().clear();
  ecf.RelatorioGerencial(QStringLiteral("de novo"));
  EXPECT_EQ(calls().first(), QStringLiteral("Bematech_FI_AbreRelatorioGerencialMFD"));
}

TEST_F(ECFTest, NakEndsTheApplicationAfterTheOperation) {
  ecfsim::Faults f;
  f.nak = true;
  ecfsim::setFaults(f);
  EXPECT_TRUE(ecf.AbreGaveta());
  EXPECT_EQ(terminations, 1);
  EXPECT_EQ(shown(), QStringList{QStringLiteral("tres||\nECF Retornou NAK - Verifique Impressora e Cabo\n")});
}

TEST_F(ECFTest, LinkedReceiptUsesTheCouponNumberReadFromThePrinter) {
  const int coo = ecfsim::registerSale({{QStringLiteral("7891"), QStringLiteral("Losartana 50mg"),
                                         QStringLiteral("FF"), QStringLiteral("1"),
                                         QStringLiteral("12,50")}});
  ASSERT_EQ(coo, 1);
  calls().clear();
  EXPECT_TRUE(ecf.Abre_CupomNF(QStringLiteral("Dinheiro"), QStringLiteral("12,50"),
                               QStringLiteral("999999")));
  EXPECT_EQ(calls().mid(0, 3),
            (QStringList{QStringLiteral("Bematech_FI_NumeroCupom"),
                         QStringLiteral("Bematech_FI_RetornoImpressora"),
                         QStringLiteral("Bematech_FI_AbreComprovanteNaoFiscalVinculado")}));
  EXPECT_TRUE(ecf.Usa_CupomNF(QString()));
  EXPECT_TRUE(ecf.Fecha_CupomNF());
  const ecfsim::Snapshot s = ecfsim::snapshot();
  EXPECT_EQ(s.coo, 2);
  EXPECT_EQ(s.cdc, 1);
  EXPECT_TRUE(shown().isEmpty());
}

TEST_F(ECFTest, SupplyAlwaysNamesCashAndWithdrawalPrints) {
  static QString form;
  library.Bematech_FI_Suprimento = [](const char* v, const char* f) -> int32_t {
    form = QString::fromLatin1(f);
    return ecfsim::Bematech_FI_Suprimento(v, f);
  };
  EXPECT_TRUE(ecf.Suprimento(QStringLiteral("50,00")));
  EXPECT_EQ(form, QStringLiteral("Dinheiro"));
  EXPECT_TRUE(ecf.Sangria(QStringLiteral("20,00")));
  EXPECT_EQ(ecfsim::snapshot().coo, 2);
}

TEST_F(ECFTest, ChequeWithThePrinterOffSendsNothing) {
  ecfsim::Faults off;
  off.off = true;
  ecfsim::setFaults(off);
  EXPECT_FALSE(ecf.ImprimeCheque("001", "10,00", "Fulano", "Recife", "11/12/26", ""));
  EXPECT_FALSE(calls().contains(QStringLiteral("Bematech_FI_ImprimeCheque")));
  EXPECT_EQ(shown(), QStringList{QStringLiteral(
                         "aviso| Mensagem do TEF|\nECF Desligada ou desconectada, Favor Verifique\n\n")});
}

TEST_F(ECFTest, NonFiscalDocumentsByModel) {
  using Op = std::function<bool(TeECF&)>;
  const QList<std::pair<const char*, Op>> ops{
      {"RelatorioGerencial", [](TeECF& e) { return e.RelatorioGerencial("x"); }},
      {"Fecha_RelatorioGerencial", [](TeECF& e) { return e.Fecha_RelatorioGerencial(); }},
      {"Abre_CupomNF", [](TeECF& e) { return e.Abre_CupomNF("Dinheiro", "1,00", "1"); }},
      {"Usa_CupomNF", [](TeECF& e) { return e.Usa_CupomNF("x"); }},
      {"Fecha_CupomNF", [](TeECF& e) { return e.Fecha_CupomNF(); }},
      {"AbreGaveta", [](TeECF& e) { return e.AbreGaveta(); }},
      {"ImprimeCheque", [](TeECF& e) { return e.ImprimeCheque("1", "1,00", "a", "b", "c", "d"); }},
      {"Sangria", [](TeECF& e) { return e.Sangria("1,00"); }},
      {"Suprimento", [](TeECF& e) { return e.Suprimento("1,00"); }},
  };
  for (const auto& [name, op] : ops) {
    for (TECFModelo m : {TECFModelo::None, TECFModelo::SwedaMFD, TECFModelo::Demo, TECFModelo::Afrac}) {
      SCOPED_TRACE(QStringLiteral("%1, model %2").arg(name).arg(int(m)).toStdString());
      ecf.setImpressora(m);
      UltimoRetorno = 0;
      const qsizetype pausesBefore = pause.pauses().size();
      const bool demoAnswer = m == TECFModelo::Demo && (QLatin1String(name) == "RelatorioGerencial" ||
                                                        QLatin1String(name) == "ImprimeCheque");
      EXPECT_EQ(op(ecf), demoAnswer);
      if (m == TECFModelo::Demo && QLatin1String(name) == "RelatorioGerencial") {
        EXPECT_EQ(pause.pauses().mid(pausesBefore), QList<int>{5000});
      }
    }
  }
  // Afrac answers the cheque from the last return code alone.
  ecf.setImpressora(TECFModelo::Afrac);
  UltimoRetorno = 1;
  EXPECT_TRUE(ecf.ImprimeCheque("1", "1,00", "a", "b", "c", "d"));
  EXPECT_TRUE(calls().isEmpty());
  EXPECT_TRUE(shown().isEmpty());
}

TEST_F(ECFTest, OwnedRecordsBelongToTheComponent) {
  EXPECT_EQ(ecf.Dados()->Owner(), &ecf);
  EXPECT_EQ(ecf.Rodape()->Owner(), &ecf);
  EXPECT_EQ(ecf.Status()->Owner(), &ecf);
  EXPECT_EQ(ecf.Tributacao()->Owner(), &ecf);
  TeECF fresh;
  EXPECT_EQ(fresh.Impressora(), TECFModelo::None);
  EXPECT_FALSE(fresh.Pronto());
  EXPECT_FALSE(fresh.ImpressoraMFD());
}

}  // namespace
