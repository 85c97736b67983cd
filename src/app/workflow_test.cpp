// Pre-authorization and confirmation over their state tables: the demo shop,
// the simulated printer, and answers written by the test where the
// authorizer would write them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstring>

#include "app/fpPrincpal.h"
#include "app/testing/app_test_support.h"
#include "app/typed_length_edit.h"
#include "controls/string_grid.h"
#include "exchange/aguarde_fp.h"
#include "loja_demo.h"
#include "platform/files.h"
#include "printer/ecf_library.h"
#include "printer/ecf_test_support.h"
#include "shopdb/catalogue.h"
#include "shopdb/table_handle.h"

using apptest::Cabecalho;
using apptest::ItemConf;
using apptest::ItemPre;
using apptest::Maquina;
using platform::DialogKind;

namespace {

const QString kInvalido = QStringLiteral("Ocorreu um erro durante a Pré-Autorização. Arquivo de retorno inválido.");
const QString kQuantidade = QStringLiteral(
    "Quantidade autorizada menor que a quantidade de comprimidos contidas em uma caixa.\n"
    "Verifique a quantidade de comprimidos cadastrada, Anticoncepcionais e Insulina devem ter quantidade igual a 1.");
const QString kCodPre = QStringLiteral("123.456.789.012.345");
const QString kCodAut = QStringLiteral("987.654.321.098.765");

const QString z13(const char* v) { return QString::fromLatin1(v).rightJustified(15, u'0'); }

// Three items of the demo sale, all pre-authorized: 60, 30 and 30 pills.
QStringList RespostaPre(const QString& status = "00S") {
  return {Cabecalho(status, "PRE-AUTORIZACAO EFETUADA", "MARIA APARECIDA DOS SANTOS", kCodPre),
          ItemPre("06000", z13("2322"), z13("258"), "00SM MEDICAMENTO PRE-AUTORIZADO"),
          ItemPre("03000", z13("765"), z13("85"), "00SM MEDICAMENTO PRE-AUTORIZADO"),
          ItemPre("03000", z13("1332"), z13("148"), "00SM MEDICAMENTO PRE-AUTORIZADO")};
}

class Fluxo : public ::testing::Test {
 protected:
  void SetUp() override {
    cupom = m.CriaLojaDemo();
    form = m.AbreJanela();
    form->btnBuscarCuponsClick();
    ASSERT_EQ(form->StringGrid1->RowCount(), 4);
    form->edtCRM->setText("12345");
    form->CBEstadoCRM->setCurrentText("SP - São Paulo");
  }

  void PreAutoriza(const QStringList& resposta) {
    m.pausa.resposta = resposta;
    apptest::RelogioDaEspera espera;
    form->ebpreatClick();
  }

  void Confirma(const QStringList& resposta) {
    m.pausa.resposta = resposta;
    apptest::RelogioDaEspera espera;
    form->ebConfirmaClick();
  }

  // The ECFMOVIM rows with the coupon's number: (date, field) of each.
  QList<QStringList> LinhasEcfmovim(const QStringList& campos) {
    shopdb::TableHandle t(shopdb::ibdECFMOVIM());
    t.setDirectory(m.dados);
    t.open();
    QList<QStringList> linhas;
    for (t.first(); !t.eof(); t.next()) {
      if (t.fieldAsString("CUPOM") != cupom) continue;
      QStringList l{t.fieldAsString("DATA")};
      for (const QString& c : campos) l << t.fieldAsString(c);
      linhas << l;
    }
    return linhas;
  }

  QList<QStringList> LinhasEcfarqge() {
    shopdb::TableHandle t(shopdb::ibdECFARQGE());
    t.setDirectory(m.dados);
    t.open();
    QList<QStringList> linhas;
    for (t.first(); !t.eof(); t.next())
      linhas << QStringList{t.fieldAsString("DENOMI"), t.fieldAsString("REFER"), t.fieldAsString("COO_ECF"),
                            t.fieldAsString("CRG_ECF"), t.fieldAsString("CDC_ECF"), t.fieldAsString("COD_IMP"),
                            t.fieldAsString("DT_EMIS")};
    return linhas;
  }

  Maquina m;
  QString cupom;
  std::unique_ptr<TForm1> form;
};

// --- Pre-authorization --------------------------------------------------------

TEST_F(Fluxo, PreAuthorizedAnswerFillsTheAnswerGridTotalsAndEnablesConfirmation) {
  PreAutoriza(RespostaPre());
  ASSERT_EQ(m.dialogos().shown().size(), 1) << m.dialogos().texts().join("|").toStdString();
  const platform::ShownDialog& d = m.dialogos().shown().at(0);
  EXPECT_EQ(d.kind, DialogKind::MessageBox);
  EXPECT_EQ(d.caption, "QX Farmácia Popular");
  EXPECT_EQ(d.icon, platform::DialogIcon::Information);
  EXPECT_EQ(d.text, "PRE-AUTORIZACAO EFETUADA");
  EXPECT_EQ(m.pausa.pausas, QList<int>{1000});

  // The request: 01, 02, 03 and one 04 per item, the state's code in 03.
  const QStringList req = platform::files::readTextFile(m.Troca("FP_ENV.TXT"));
  ASSERT_EQ(req.size(), 6);
  EXPECT_EQ(req.at(0), "01drogariademocarlos.lima");
  EXPECT_EQ(req.at(1), "02fp2026demovend1234");
  EXPECT_EQ(req.at(2), QString("03") + "000042" + "11222333000181" + "52998224725" + "12345 " + "SP" + "11/12/2026");
  EXPECT_EQ(req.at(3), QString("04") + "7896004703398" + "06000" + "000000000001290" + "00100");

  ASSERT_EQ(form->StringGrid2->RowCount(), 4);
  EXPECT_EQ(form->StringGrid2->Cells(0, 1), "7896004703398");
  EXPECT_EQ(form->StringGrid2->Cells(2, 1), "60,00");
  EXPECT_EQ(form->StringGrid2->Cells(3, 1), "23,22");
  EXPECT_EQ(form->StringGrid2->Cells(4, 1), "2,58");
  EXPECT_EQ(form->StringGrid2->Cells(5, 1), "00SM MEDICAMENTO PRE-AUTORIZADO");
  EXPECT_EQ(form->lbValorTotalMS->text(), "44,19");
  EXPECT_EQ(form->LbValorTotalPagar->text(), " 4,91");
  EXPECT_EQ(form->LbValorTotalVenda->text(), "49,10");
  EXPECT_EQ(form->codpreaut, kCodPre);
  EXPECT_EQ(form->paciente, "MARIA APARECIDA DOS SANTOS");
  EXPECT_TRUE(form->ebConfirma->isEnabled());
  EXPECT_EQ(form->focusWidget(), form->ebConfirma);
  EXPECT_TRUE(form->ebpreat->isEnabled());
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet2);
  EXPECT_TRUE(form->PageControl1->isTabEnabled(1));
}

TEST_F(Fluxo, ItemWithAnotherCodeIsLeftOutOfTheTotalsAndZeroPatientAmountReadsZero) {
  QStringList r = RespostaPre();
  r[2] = ItemPre("03000", z13("765"), "000000000000000", "12SM MEDICAMENTO NAO CONSTA DO PROGRAMA");
  PreAutoriza(r);
  EXPECT_EQ(form->StringGrid2->Cells(4, 2), "0,00");
  EXPECT_EQ(form->lbValorTotalMS->text(), "36,54");
  EXPECT_EQ(form->LbValorTotalPagar->text(), " 4,06");
  EXPECT_EQ(form->LbValorTotalVenda->text(), "40,60");
}

struct CasoPre {
  const char* nome;
  QStringList resposta;   // empty: no answer, the cashier cancels
  QStringList mensagens;  // dialogs shown, in order
  bool confirma;          // ebConfirma enabled afterwards
  bool paginaRespostas;   // the answer page shown afterwards
};

class PreAutorizacao : public Fluxo, public ::testing::WithParamInterface<CasoPre> {};

TEST_P(PreAutorizacao, StateAfterTheAnswer) {
  const CasoPre& caso = GetParam();
  m.pausa.resposta = caso.resposta;
  apptest::RelogioDaEspera espera;
  if (caso.resposta.isEmpty()) {
    m.dialogos().queueAnswer(platform::DialogResult::Yes);
    espera.acao = [] { exchange::frmAguardeFP->eBitBtn1Click(); };
  }
  form->ebpreatClick();
  EXPECT_EQ(m.dialogos().texts(), caso.mensagens);
  EXPECT_EQ(form->ebConfirma->isEnabled(), caso.confirma);
  EXPECT_TRUE(form->ebpreat->isEnabled());
  EXPECT_EQ(form->PageControl1->currentWidget() == form->TabSheet2, caso.paginaRespostas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, PreAutorizacao,
    ::testing::Values(
        CasoPre{"OutroStatus",
                {Cabecalho("01S", "BENEFICIARIO NAO CADASTRADO"), ItemPre("00000", z13("0"), z13("0"), "01SM"),
                 ItemPre("00000", z13("0"), z13("0"), "01SM"), ItemPre("00000", z13("0"), z13("0"), "01SM")},
                {"BENEFICIARIO NAO CADASTRADO"}, false, true},
        CasoPre{"SoCabecalho", {Cabecalho("00S", "SEM ITENS")}, {"SEM ITENS"}, true, true},
        CasoPre{"MenosLinhasQueItens", QStringList(RespostaPre().mid(0, 3)), {kInvalido}, false, false},
        CasoPre{"LetrasNaQuantidade",
                {Cabecalho("00S", "X"), ItemPre("0A000", z13("1"), z13("1"), "00SM"),
                 ItemPre("03000", z13("1"), z13("1"), "00SM"), ItemPre("03000", z13("1"), z13("1"), "00SM")},
                {kInvalido}, false, false},
        CasoPre{"MenosQueUmaCaixa",
                {Cabecalho("00S", "X"), ItemPre("02000", z13("1"), z13("1"), "00SM"),
                 ItemPre("03000", z13("1"), z13("1"), "00SM"), ItemPre("03000", z13("1"), z13("1"), "00SM")},
                {kQuantidade}, false, false},
        CasoPre{"ZeroEDuasCaixas",
                {Cabecalho("00S", "OK"), ItemPre("00000", z13("0"), z13("0"), "00SM"),
                 ItemPre("06000", z13("1"), z13("1"), "00SM"), ItemPre("03000", z13("1"), z13("1"), "00SM")},
                {"OK"}, true, true},
        CasoPre{"EsperaCancelada", {},
                {"Deseja realmente cancelar a transmissão/recebimento?",
                 "Requisição cancelada, não encontrado o arquivo de retorno."},
                false, false}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Fluxo, ProductGoneFromTheCatalogueStopsTheAnswerWithAMessage) {
  apptest::MudaProduto(m.dados, "7896422506359", true);
  PreAutoriza(RespostaPre());
  EXPECT_EQ(m.dialogos().texts(), QStringList{"Produto 7896422506359 não encontrado no cadastro de produtos."});
  EXPECT_EQ(form->StringGrid2->Cells(0, 1), "7896004703398");
  EXPECT_EQ(form->StringGrid2->Cells(0, 3), "");
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_FALSE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(form->ebpreat->isEnabled());
}

TEST_F(Fluxo, ProductWithoutPillCountMakesTheAnswerInvalid) {
  apptest::MudaProduto(m.dados, "7896004703398", false);
  PreAutoriza(RespostaPre());
  EXPECT_EQ(m.dialogos().texts(), QStringList{kInvalido});
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_FALSE(form->ebConfirma->isEnabled());
}

TEST_F(Fluxo, EmptyItemGridTouchesNoFile) {
  form->StringGrid1->setRowCount(2);
  form->StringGrid1->ClearRow(1);
  form->StringGrid2->setCells(5, 1, "resposta anterior");
  QFile old(m.Troca("FP_REQ.TXT"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.close();
  form->ebpreatClick();
  EXPECT_EQ(m.dialogos().texts(), QStringList{"Insira pelo menos um item para a autorização!"});
  EXPECT_TRUE(QFile::exists(m.Troca("FP_REQ.TXT")));
  EXPECT_FALSE(QFile::exists(m.Troca("FP_ENV.TXT")));
  EXPECT_EQ(form->StringGrid2->Cells(5, 1), "");
  EXPECT_TRUE(form->ebpreat->isEnabled());
}

TEST_F(Fluxo, CpfStoredWithPunctuationIsRefusedWhole) {
  form->edtCPF->setText("390.533.447-05");
  form->ebpreatClick();
  EXPECT_EQ(m.dialogos().texts(), (QStringList{"CPF inválido.", "Autorização Cancelada!"}));
  EXPECT_FALSE(QFile::exists(m.Troca("FP_ENV.TXT")));
  EXPECT_TRUE(form->ebpreat->isEnabled());
  EXPECT_FALSE(form->ebConfirma->isEnabled());
}

TEST_F(Fluxo, RequestThatCannotBeWrittenLeavesBothButtonsDisabled) {
  QDir(m.driveC + "/FPopular").removeRecursively();
  form->ebpreatClick();
  ASSERT_EQ(m.dialogos().shown().size(), 1);
  EXPECT_EQ(m.dialogos().shown().at(0).kind, DialogKind::ErrorBox);
  EXPECT_FALSE(form->ebpreat->isEnabled());
  EXPECT_FALSE(form->ebConfirma->isEnabled());
}

// --- Confirmation -------------------------------------------------------------

QStringList RespostaConf(const QString& status, const QStringList& comprovante) {
  QStringList r{Cabecalho(status, "AUTORIZACAO CONFIRMADA", "MARIA APARECIDA DOS SANTOS", kCodAut),
                ItemConf("00RM MEDICAMENTO CONFIRMADO"), ItemConf("00RM MEDICAMENTO CONFIRMADO"),
                ItemConf("00RM MEDICAMENTO CONFIRMADO")};
  for (const QString& l : comprovante) r << "07" + l;
  return r;
}

const QStringList kComprovante = {"CABECALHO DO COMPROVANTE FP", " AUTORIZACAO 987.654.321.098.765",
                                  " PACIENTE PAGA R$ 4,91", "RODAPE DO COMPROVANTE FP"};

TEST_F(Fluxo, FullConfirmationRecordsPrintsArchivesAndEndsTheProgram) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  const QString bobinaAntes = m.Bobina();
  Confirma(RespostaConf("00R", kComprovante));

  EXPECT_EQ(m.dialogos().texts(), QStringList{"AUTORIZACAO CONFIRMADA"});
  EXPECT_EQ(form->Memo1->toPlainText().split('\n'), kComprovante);
  // The confirmation request carries the pre-authorization code and the coupon.
  EXPECT_EQ(platform::files::readTextFile(m.Troca("FP_ENV.TXT")).value(2), "05000042" + kCodPre + cupom);

  // Lines 2 to n-1 of the memo, as one management report.
  const QString impresso = m.Bobina().mid(bobinaAntes.size());
  EXPECT_TRUE(impresso.contains(kComprovante.at(1))) << impresso.toStdString();
  EXPECT_TRUE(impresso.contains(kComprovante.at(2)));
  EXPECT_FALSE(impresso.contains(kComprovante.at(0)));
  EXPECT_FALSE(impresso.contains(kComprovante.at(3)));

  const QList<QStringList> arqge = LinhasEcfarqge();
  ASSERT_EQ(arqge.size(), 1);
  EXPECT_EQ(arqge.at(0).mid(0, 2), (QStringList{"RG", "COMPROVANTE FPOPULAR"}));
  EXPECT_EQ(arqge.at(0).at(2), "000002");  // the report took the COO after the sale
  EXPECT_EQ(arqge.at(0).at(4), "0");
  EXPECT_EQ(arqge.at(0).at(5), "001");
  EXPECT_EQ(arqge.at(0).at(6), "11/12/2026");

  // Today's row of the coupon gets the authorization; the older sale that
  // carries the same number, first in the table, stays as it was.
  const QStringList campos{"CRM_ECF", "SOLICIT", "UF_CRM", "CPFCGC_CLI", "COD_DSUS", "NOME_CLI"};
  const QList<QStringList> linhas = LinhasEcfmovim(campos);
  ASSERT_EQ(linhas.size(), 2);
  EXPECT_EQ(linhas.at(0), (QStringList{QDate(2026, 12, 11).addDays(-400).toString("dd/MM/yyyy"), "", "000017", "",
                                       "", "", ""}));
  EXPECT_EQ(linhas.at(1), (QStringList{"11/12/2026", "12345", "000042", "SP - São Paulo", "52998224725", kCodAut,
                                       "MARIA APARECIDA DOS SANTOS"}));

  const QStringList arquivo = platform::files::readTextFile(m.driveC + "/FPopular/ARQ/R" + cupom + "-20261211.TXT");
  EXPECT_EQ(arquivo, RespostaConf("00R", kComprovante));

  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(form->edtCRM->text().isEmpty());
  EXPECT_EQ(form->edtSolicitacao->text(), "000043");
}

TEST_F(Fluxo, NoRowOfTheCouponTodayWritesNoSaleRowButStillPrintsAndRecordsTheReceipt) {
  PreAutoriza(RespostaPre());
  {
    // The sale's row moved to another day behind the window's back: only
    // rows of other days carry the number now.
    shopdb::TableHandle t(shopdb::ibdECFMOVIM());
    t.setDirectory(m.dados);
    t.open();
    for (t.first(); !t.eof(); t.next()) {
      if (t.fieldAsString("CUPOM") == cupom && t.fieldAsDate("DATA") == apptest::kHoje) {
        t.edit();
        t.setFieldFromDate("DATA", apptest::kHoje.addDays(-1));
        t.post();
      }
    }
  }
  const QString bobinaAntes = m.Bobina();
  Confirma(RespostaConf("00R", kComprovante));
  for (const QStringList& l : LinhasEcfmovim({"COD_DSUS", "CRM_ECF"})) EXPECT_EQ(l.mid(1), (QStringList{"", ""}));
  EXPECT_EQ(LinhasEcfarqge().size(), 1);
  EXPECT_TRUE(m.Bobina().mid(bobinaAntes.size()).contains(kComprovante.at(1)));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Fluxo, PartialConfirmationRecordsThenLocksTheSale) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  QStringList r = RespostaConf("01R", kComprovante);
  r[2] = ItemConf("02RM MEDICAMENTO NAO CONFIRMADO");
  Confirma(r);
  EXPECT_EQ(m.dialogos().texts(),
            (QStringList{"AUTORIZACAO CONFIRMADA",
                         "Houve medicamento(s) não confirmados pelo DATASUS e não irão constar no Cupom Fiscal."}));
  EXPECT_EQ(LinhasEcfarqge().size(), 1);
  EXPECT_EQ(LinhasEcfmovim({"COD_DSUS"}).at(1).at(1), kCodAut);
  EXPECT_EQ(form->StringGrid2->Cells(5, 2), "02RM MEDICAMENTO NAO CONFIRMADO");
  for (int c : {2, 3, 4}) EXPECT_EQ(form->StringGrid2->Cells(c, 2), "0,00");
  EXPECT_EQ(form->lbValorTotalMS->text(), "36,54");
  EXPECT_EQ(form->LbValorTotalPagar->text(), " 4,06");
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->ebpreat->isEnabled());
  EXPECT_FALSE(form->ebConfirma->isEnabled());
  EXPECT_FALSE(form->StringGrid1->isEnabled());
  EXPECT_EQ(form->focusWidget(), form->btnFechar);
}

TEST_F(Fluxo, OtherStatusIsArchivedButNothingRecordedAndConfirmationStays) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  Confirma(RespostaConf("02R", kComprovante));
  EXPECT_EQ(m.dialogos().texts(),
            (QStringList{"AUTORIZACAO CONFIRMADA",
                         "Solicitação não confirmada, provavelmente houve algum medicamento não confirmado na "
                         "pré-autorização."}));
  EXPECT_TRUE(QFile::exists(m.driveC + "/FPopular/ARQ/R" + cupom + "-20261211.TXT"));
  EXPECT_TRUE(LinhasEcfarqge().isEmpty());
  EXPECT_EQ(LinhasEcfmovim({"COD_DSUS"}).at(1).at(1), "");
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  EXPECT_TRUE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Fluxo, ConfirmationWithoutReceiptLinesStillClosesTheReportAndRecordsIt) {
  PreAutoriza(RespostaPre());
  const QString bobinaAntes = m.Bobina();
  QStringList r = RespostaConf("01R", {});
  r.removeLast();  // fewer item lines than rows: that row gets nothing
  Confirma(r);
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(LinhasEcfarqge().size(), 1);
  EXPECT_EQ(form->StringGrid2->Cells(5, 3), "");
  EXPECT_EQ(form->StringGrid2->Cells(3, 3), "0,00");
  EXPECT_FALSE(m.Bobina().mid(bobinaAntes.size()).contains("AUTORIZACAO"));
}

TEST_F(Fluxo, CancelledConfirmationWaitKeepsTheConfirmation) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  m.pausa.resposta.clear();
  m.dialogos().queueAnswer(platform::DialogResult::Yes);
  apptest::RelogioDaEspera espera;
  espera.acao = [] { exchange::frmAguardeFP->eBitBtn1Click(); };
  form->ebConfirmaClick();
  EXPECT_EQ(m.dialogos().texts(), (QStringList{"Deseja realmente cancelar a transmissão/recebimento?",
                                               "Confirmação cancelada, não encontrado o arquivo de retorno."}));
  EXPECT_TRUE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(LinhasEcfarqge().isEmpty());
}

TEST_F(Fluxo, RecordingErrorAfterTheAuthorizerConfirmedShowsItsMessageAndTheError) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  ASSERT_TRUE(QFile::remove(m.dados + "/ECFARQGE.DBF"));
  Confirma(RespostaConf("00R", kComprovante));
  const QList<platform::ShownDialog>& d = m.dialogos().shown();
  ASSERT_EQ(d.size(), 2) << m.dialogos().texts().join("|").toStdString();
  EXPECT_EQ(d.at(0).kind, DialogKind::Message);
  EXPECT_EQ(d.at(0).text, "AUTORIZACAO CONFIRMADA");
  EXPECT_EQ(d.at(1).kind, DialogKind::ErrorBox);
  EXPECT_TRUE(d.at(1).text.contains("ECFARQGE", Qt::CaseInsensitive)) << d.at(1).text.toStdString();
  // What came before the failure stays done; the program does not end.
  EXPECT_EQ(LinhasEcfmovim({"COD_DSUS"}).at(1).at(1), kCodAut);
  EXPECT_EQ(form->Memo1->toPlainText().split('\n'), kComprovante);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->ebConfirma->isEnabled());
  EXPECT_EQ(form->edtSolicitacao->text(), "000042");
}

TEST_F(Fluxo, ArchiveThatCannotBeWrittenEndsTheConfirmationBeforeAnythingIsRecorded) {
  PreAutoriza(RespostaPre());
  m.dialogos().clear();
  QFile bloqueia(m.Troca("ARQ"));  // a file where the archive directory goes
  ASSERT_TRUE(bloqueia.open(QIODevice::WriteOnly));
  bloqueia.close();
  const QString bobinaAntes = m.Bobina();
  Confirma(RespostaConf("00R", kComprovante));
  ASSERT_EQ(m.dialogos().shown().size(), 1) << m.dialogos().texts().join("|").toStdString();
  EXPECT_EQ(m.dialogos().shown().at(0).kind, DialogKind::ErrorBox);
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(LinhasEcfmovim({"COD_DSUS"}).at(1).at(1), "");
  EXPECT_TRUE(LinhasEcfarqge().isEmpty());
  EXPECT_EQ(m.Bobina(), bobinaAntes);
  EXPECT_TRUE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(form->isVisible());
}

// --- Receipt and printed-document row -------------------------------------------

// The printer's answers, distinct per question, so that a value stored in
// the wrong field shows; each question is recorded as it is asked.
int32_t Responde(const char* pergunta, char* destino, const char* valor) {
  ecftest::calls() << QString::fromLatin1(pergunta);
  std::memcpy(destino, valor, std::strlen(valor));
  return 1;
}
int32_t ContadorRG(char* v) { return Responde("CRG", v, "000007"); }
int32_t ContadorCDC(char* v) { return Responde("CDC", v, "000005"); }
int32_t ContadorGNF(char* v) { return Responde("GNF", v, "000123"); }
int32_t DataHoraUltimo(char* v) { return Responde("DATAHORA", v, "101226143005"); }
int32_t NumeroCupom(char* v) { return Responde("COO", v, "000456"); }
int32_t AbreRelatorio(const char* indice) {
  ecftest::calls() << "ABRE";
  return ecfsim::Bematech_FI_AbreRelatorioGerencialMFD(indice);
}
int32_t LinhaRelatorio(const char* texto) {
  // As the library receives it: Windows-1252 bytes, the line ended by CR LF.
  ecftest::calls() << "LINHA " + QString::fromLatin1(texto).remove(QStringLiteral("\r\n"));
  return ecfsim::Bematech_FI_UsaRelatorioGerencialMFD(texto);
}
int32_t FechaRelatorio() {
  ecftest::calls() << "FECHA";
  return ecfsim::Bematech_FI_FechaRelatorioGerencial();
}

class Comprovante : public Fluxo {
 protected:
  void SetUp() override {
    Fluxo::SetUp();
    biblioteca = ecftest::recordingLibrary();
    biblioteca.Bematech_FI_ContadorRelatoriosGerenciaisMFD = &ContadorRG;
    biblioteca.Bematech_FI_ContadorComprovantesCreditoMFD = &ContadorCDC;
    biblioteca.Bematech_FI_NumeroOperacoesNaoFiscais = &ContadorGNF;
    biblioteca.Bematech_FI_DataHoraUltimoDocumentoMFD = &DataHoraUltimo;
    biblioteca.Bematech_FI_NumeroCupom = &NumeroCupom;
    biblioteca.Bematech_FI_AbreRelatorioGerencialMFD = &AbreRelatorio;
    biblioteca.Bematech_FI_UsaRelatorioGerencialMFD = &LinhaRelatorio;
    biblioteca.Bematech_FI_FechaRelatorioGerencial = &FechaRelatorio;
    printer::installEcfLibrary(&biblioteca);
    ecftest::calls().clear();
  }
  void TearDown() override { printer::installEcfLibrary(nullptr); }

  // The questions and report commands, without the status readings between.
  static QStringList Perguntas() {
    QStringList p;
    for (const QString& c : ecftest::calls())
      if (!c.startsWith("Bematech_FI_")) p << c;
    return p;
  }

  QStringList LinhaEcfarqge() {
    shopdb::TableHandle t(shopdb::ibdECFARQGE());
    t.setDirectory(m.dados);
    t.open();
    t.first();
    if (t.eof()) return {};
    QStringList l;
    for (const char* c : {"COO_ECF", "CRG_ECF", "CDC_ECF", "GNF_ECF", "DENOMI", "REFER", "DT_EMIS", "HORA", "COD_IMP"})
      l << t.fieldAsString(c);
    return l;
  }

  printer::EcfLibrary biblioteca;
};

struct CasoImpressao {
  const char* nome;
  QStringList memo;
  QStringList perguntas;
};

void PrintTo(const CasoImpressao& c, std::ostream* os) { *os << c.nome; }

class ImpressaoComprovante : public Comprovante, public ::testing::WithParamInterface<CasoImpressao> {};

TEST_P(ImpressaoComprovante, InnerMemoLinesThenTheCloseThenTheRowsQuestionsInOrder) {
  const CasoImpressao& caso = GetParam();
  form->Memo1->setPlainText(caso.memo.join('\n'));
  form->ImprimeComprovanteFP();
  EXPECT_EQ(Perguntas(), caso.perguntas);
  EXPECT_EQ(LinhaEcfarqge(), (QStringList{"000456", "000007", "0", "000123", "RG", "COMPROVANTE FPOPULAR",
                                          "10/12/2026", "14:30:05", "001"}));
}

const QStringList kDepoisDoRelatorio = {"FECHA", "CRG", "GNF", "DATAHORA", "COO"};

INSTANTIATE_TEST_SUITE_P(
    Casos, ImpressaoComprovante,
    ::testing::Values(
        CasoImpressao{"Quatro",
                      {"CABECALHO", " PAGO PELO MINISTÉRIO DA SAÚDE", " PACIENTE PAGA R$ 4,91", "RODAPE"},
                      QStringList{"ABRE", "LINHA  PAGO PELO MINISTÉRIO DA SAÚDE", "LINHA  PACIENTE PAGA R$ 4,91"} +
                          kDepoisDoRelatorio},
        CasoImpressao{"Duas", {"CABECALHO", "RODAPE"}, kDepoisDoRelatorio},
        CasoImpressao{"Nenhuma", {}, kDepoisDoRelatorio}),
    [](const auto& info) { return std::string(info.param.nome); });

struct CasoDocumento {
  const char* nome;
  const char* tipo;
  QStringList perguntas;
  const char* crg;
  const char* cdc;
};

void PrintTo(const CasoDocumento& c, std::ostream* os) { *os << c.nome; }

class DocumentoNaoFiscal : public Comprovante, public ::testing::WithParamInterface<CasoDocumento> {};

TEST_P(DocumentoNaoFiscal, CountersAskedInOrderAndStoredInTheirFields) {
  const CasoDocumento& caso = GetParam();
  form->insereRegImpresNaoFiscal(QString::fromLatin1(caso.tipo), "REFERENCIA");
  EXPECT_EQ(Perguntas(), caso.perguntas);
  EXPECT_EQ(LinhaEcfarqge(), (QStringList{"000456", caso.crg, caso.cdc, "000123", caso.tipo, "REFERENCIA",
                                          "10/12/2026", "14:30:05", "001"}));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DocumentoNaoFiscal,
    ::testing::Values(CasoDocumento{"Relatorio", "RG", {"CRG", "GNF", "DATAHORA", "COO"}, "000007", "0"},
                      CasoDocumento{"CreditoDebito", "CC", {"CDC", "GNF", "DATAHORA", "COO"}, "0", "000005"},
                      CasoDocumento{"OutroTipo", "XX", {"GNF", "DATAHORA", "COO"}, "0", "0"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
