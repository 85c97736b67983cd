// Start-up, the idle window, its keys and the sale lookup, on a machine of
// the test's own with the simulated printer and a demo shop.
#include "app/fpPrincpal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/testing/app_test_support.h"
#include "app/typed_length_edit.h"
#include "cancel/fpCancelaVenda.h"
#include "controls/eDateEdit.h"
#include "controls/string_grid.h"
#include "loja_demo.h"
#include "platform/datetime.h"
#include "platform/files.h"

using apptest::Maquina;
using platform::DialogKind;

namespace {

const QString kPreencha = QStringLiteral("Preencha os dados da Farmácia Popular no arquivo: QxECF.ini");

QString IniDaLoja(const QString& dados, const QString& fp) {
  return "[QX]\r\nDiretorio=" + dados + "\r\nEstacao=001\r\n" + fp;
}

QStringList Linha(TStringGrid* g, int row) {
  QStringList l;
  for (int c = 0; c < g->ColCount(); ++c) l << g->Cells(c, row);
  return l;
}

// Keys go where the system delivers them: to the focused control.
void Tecla(TForm1& form, int key) {
  QWidget* alvo = QApplication::focusWidget();
  QTest::keyClick(alvo != nullptr && alvo->window() == &form ? alvo : &form, Qt::Key(key));
}

// --- Start-up -----------------------------------------------------------------

struct CasoInicio {
  const char* nome;
  const char* fp;          // the [FP] section, or nullptr for no INI file at all
  bool mensagem;           // "Preencha os dados..." shown (once)
  const char* login;       // Login after start-up
  const char* iniContem;   // a text the INI holds afterwards
};

class Inicio : public ::testing::TestWithParam<CasoInicio> {};

TEST_P(Inicio, ProgrammeDataMessageAndKeys) {
  const CasoInicio& caso = GetParam();
  Maquina m;
  m.CriaLojaDemo();
  if (caso.fp == nullptr) {
    QFile::remove(m.programa + "/QxECF.ini");
    // Without "Diretorio" the tables are looked for in the current folder.
    QDir::setCurrent(m.dados);
  } else {
    m.EscreveIni(IniDaLoja(m.dados, QString::fromUtf8(caso.fp)));
  }
  auto form = m.AbreJanela();
  QDir::setCurrent(QDir::tempPath());
  EXPECT_EQ(m.dialogos().texts().count(kPreencha), caso.mensagem ? 1 : 0)
      << m.dialogos().texts().join("|").toStdString();
  EXPECT_EQ(form->Login, QString::fromUtf8(caso.login));
  EXPECT_TRUE(m.LeIni().contains(QString::fromUtf8(caso.iniContem))) << m.LeIni().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Inicio,
    ::testing::Values(
        CasoInicio{"SemIni", nullptr, true, "", "[FP]\r\nLOGIN=\r\nSENHA=\r\nCNPJ=\r\n"},
        CasoInicio{"SoCnpjEmBranco", "[FP]\r\nLOGIN=loja01\r\nSENHA=s3nha\r\nCNPJ=   \r\n", true, "loja01", "CNPJ=\r\n"},
        CasoInicio{"Completo", "[FP]\r\nLOGIN=loja01\r\nSENHA=s3nha\r\nCNPJ=11222333000181\r\n", false, "loja01",
                   "CNPJ=11222333000181"},
        CasoInicio{"LoginComEspacos", "[FP]\r\nLOGIN=   loja01  \r\nSENHA=s3nha\r\nCNPJ=11222333000181\r\n", false,
                   "loja01", "LOGIN=   loja01  "}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(InicioTest, NextRequestNumberFollowsTheHighestOne) {
  Maquina m;
  m.CriaLojaDemo();  // its highest SOLICIT is 000041
  auto form = m.AbreJanela();
  EXPECT_EQ(form->edtSolicitacao->text(), "000042");
}

TEST(InicioTest, MissingExchangeDirectoryIsToldAndStartUpGoesOn) {
  Maquina m;
  m.CriaLojaDemo();
  QDir(m.driveC + "/FPopular").removeRecursively();
  auto form = m.AbreJanela();
  EXPECT_EQ(m.dialogos().texts(), QStringList{"Instale o Autorizador da Farmácia Popular"});
  EXPECT_EQ(form->edtSolicitacao->text(), "000042");
  EXPECT_EQ(form->Login, "drogariademo");
}

TEST(InicioTest, UnreachableDataDirectoryShowsTheErrorAndTheWindowStillOpens) {
  Maquina m;
  m.EscreveIni(IniDaLoja(m.dados + "/naoexiste", "[FP]\r\nLOGIN=loja01\r\nSENHA=s\r\nCNPJ=1\r\n"));
  auto form = m.AbreJanela();
  ASSERT_EQ(m.dialogos().shown().size(), 1);
  EXPECT_EQ(m.dialogos().shown().at(0).kind, DialogKind::ErrorBox);
  EXPECT_FALSE(m.dialogos().shown().at(0).text.isEmpty());
  EXPECT_TRUE(form->isVisible());
  // The steps after the failing one did not run.
  EXPECT_EQ(form->Login, "");
  EXPECT_EQ(form->StringGrid1->Cells(0, 0), "");
  EXPECT_EQ(form->edtSolicitacao->text(), "000001");
}

TEST(InicioTest, IdleStateAfterStartUp) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  EXPECT_TRUE(m.dialogos().shown().isEmpty()) << m.dialogos().texts().join("|").toStdString();
  EXPECT_EQ(form->windowTitle(), "Pré Autorizador Farmacia Popular");
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_FALSE(form->PageControl1->isTabEnabled(1));
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  EXPECT_EQ(Linha(form->StringGrid1, 0), (QStringList{" Código", " Descrição", " Qtde (Comp.)", " Qtde (Caixa)",
                                                      " Posologia", " Preço", " Vr. Total"}));
  EXPECT_EQ(Linha(form->StringGrid2, 0), (QStringList{" Código", " Descrição", " Qtde Autor.", " Vr. Min. Saúde",
                                                      " Vr. Paciente", " Mensagem Retorno"}));
  EXPECT_FALSE(form->ebConfirma->isEnabled());
  EXPECT_TRUE(form->ebpreat->isEnabled() && form->btnBuscarCupons->isEnabled() && form->btnFechar->isEnabled() &&
              form->btn4->isEnabled());
  EXPECT_FALSE(form->btn1->isVisible());
  EXPECT_FALSE(form->tabPosolog->isVisible());
  EXPECT_FALSE(form->Panel6->isVisible());
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  for (QLabel* l : {form->LbValorTotalVenda, form->lbValorTotalMS, form->LbValorTotalPagar}) EXPECT_EQ(l->text(), "0,00");
  EXPECT_EQ(platform::dateOf(form->eDateEmissao->DateValue()), apptest::kHoje);
  EXPECT_EQ(form->CBEstadoCRM->currentText(), "MG - Minas Gerais");
  EXPECT_EQ(form->CBEstadoCRM->count(), 26);
  EXPECT_EQ(form->edtCNPJ->text(), "11222333000181");
  EXPECT_FALSE(form->edtCNPJ->isVisible());
}

// --- Keys ---------------------------------------------------------------------

TEST(TeclasTest, F2RunsThePreAuthorizationEvenWithItsButtonDisabled) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->ebpreat->setEnabled(false);
  form->edtCRM->setFocus();
  Tecla(*form, Qt::Key_F2);
  EXPECT_EQ(m.dialogos().texts(), QStringList{"Insira pelo menos um item para a autorização!"});
}

TEST(TeclasTest, F3DoesNothingWhileTheConfirmationIsDisabled) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  Tecla(*form, Qt::Key_F3);
  EXPECT_TRUE(m.dialogos().shown().isEmpty());
  EXPECT_FALSE(QFile::exists(m.Troca("FP_ENV.TXT")));
  EXPECT_TRUE(m.pausa.pausas.isEmpty());
}

TEST(TeclasTest, F6ShowsTheAnswerPageWhileItIsDisabledAndF5GoesBack) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  form->edtCRM->setText("12345");  // an empty CRM would keep the focus
  Tecla(*form, Qt::Key_F6);
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet2);
  EXPECT_FALSE(form->PageControl1->isTabEnabled(1));
  Tecla(*form, Qt::Key_F5);
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_EQ(form->focusWidget(), form->StringGrid1) << form->focusWidget()->objectName().toStdString();
}

TEST(TeclasTest, EscapeClosesTheProductPanelFirstThenTheWindow) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->PodeInserir = true;
  form->Panel6->show();
  form->edtCRM->setText("12345");
  form->edtProduto->setFocus();
  ASSERT_TRUE(form->Panel6->isVisible()) << form->PageControl1->currentIndex();
  Tecla(*form, Qt::Key_Escape);
  EXPECT_FALSE(form->Panel6->isVisible());
  EXPECT_FALSE(form->PodeInserir);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->focusWidget(), form->StringGrid1);
  Tecla(*form, Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
}

TEST(TeclasTest, EscapeFromAnEmptyCrmClosesWithoutTheCrmMessage) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), form->edtCRM);
  Tecla(*form, Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(m.dialogos().shown().isEmpty()) << m.dialogos().texts().join("|").toStdString();
}

TEST(TeclasTest, AKeyReachesTheWindowOnceAndGoesOnToTheControl) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  // F1 in a line edit is ignored by it and offered to every parent: the
  // lookup still runs once.
  Tecla(*form, Qt::Key_F1);
  EXPECT_EQ(form->StringGrid1->RowCount(), 4);
  EXPECT_TRUE(m.dialogos().shown().isEmpty());
  QTest::keyClicks(form->edtCRM, "12345");
  EXPECT_EQ(form->edtCRM->text(), "12345");
}

// --- Fields -------------------------------------------------------------------

TEST(CamposTest, MaximumLengthLimitsTypingButNotTheProgram) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  QTest::keyClicks(form->edtCRM, "123456789");
  EXPECT_EQ(form->edtCRM->text(), "1234567");
  form->edtCPF->setText("390.533.447-05");
  EXPECT_EQ(form->edtCPF->text(), "390.533.447-05");
}

struct CasoCrm {
  const char* nome;
  const char* texto;
  bool paraSair;   // the focus goes to "Sair"
  bool mensagem;
};

class Crm : public ::testing::TestWithParam<CasoCrm> {};

TEST_P(Crm, EmptyCrmIsRefusedUnlessLeavingForSair) {
  const CasoCrm& caso = GetParam();
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  form->edtCRM->setText(QString::fromUtf8(caso.texto));
  if (caso.paraSair)
    QTest::mouseClick(form->btnFechar, Qt::LeftButton);
  else
    QTest::keyClick(form->edtCRM, Qt::Key_Tab);
  EXPECT_EQ(m.dialogos().texts(),
            caso.mensagem ? QStringList{"É obrigatório informar o CRM do médico."} : QStringList{});
  if (caso.mensagem) {
    EXPECT_EQ(QApplication::focusWidget(), form->edtCRM);
  }
  if (caso.paraSair) {
    EXPECT_FALSE(form->isVisible());
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, Crm,
                         ::testing::Values(CasoCrm{"VazioPorTab", "", false, true},
                                           CasoCrm{"EspacosPassam", "   ", false, false},
                                           CasoCrm{"Preenchido", "12345", false, false},
                                           CasoCrm{"VazioParaSair", "", true, false}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(CamposTest, LosingTheWindowActivationIsNoLeavingOfTheCrm) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->edtCRM->setFocus();
  QFocusEvent saida(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(form->edtCRM, &saida);
  EXPECT_TRUE(m.dialogos().shown().isEmpty());
}

// --- Sale lookup --------------------------------------------------------------

TEST(ConsultaTest, TodaysCouponFillsTheGridCpfSellerAndTotals) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  ASSERT_TRUE(m.dialogos().shown().isEmpty()) << m.dialogos().texts().join("|").toStdString();
  EXPECT_EQ(form->vgbcupom, "000001");
  ASSERT_EQ(form->StringGrid1->RowCount(), 4);
  EXPECT_EQ(Linha(form->StringGrid1, 1), (QStringList{"7896004703398", "LOSARTANA POTASSICA 50MG C/30 COMP", "60,00",
                                                      " 2,00", " 1,00", "12,90", "25,80"}));
  EXPECT_EQ(form->StringGrid1->Cells(0, 2), "7896422506359");
  EXPECT_EQ(form->StringGrid1->Cells(0, 3), "7896714200217");
  EXPECT_EQ(form->edtCPF->text(), "52998224725");
  EXPECT_EQ(form->UsuarioVen, "carlos.lima");
  EXPECT_EQ(form->senhaVen, "vend1234");
  EXPECT_EQ(form->LbValorTotalVenda->text(), "49,10");
  EXPECT_EQ(form->LbValorTotalPagar->text(), "49,10");
  EXPECT_EQ(form->lbValorTotalMS->text(), "0,00");
  // The lookup leaves the page, the buttons and the CRM alone.
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
  EXPECT_FALSE(form->ebConfirma->isEnabled());
}

TEST(ConsultaTest, TwoLookupsGiveTheSameRowsAsOne) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  QList<QStringList> uma;
  for (int r = 1; r < form->StringGrid1->RowCount(); ++r) uma << Linha(form->StringGrid1, r);
  form->btnBuscarCuponsClick();
  QList<QStringList> duas;
  for (int r = 1; r < form->StringGrid1->RowCount(); ++r) duas << Linha(form->StringGrid1, r);
  EXPECT_EQ(uma, duas);
  EXPECT_EQ(form->LbValorTotalVenda->text(), "49,10");
}

TEST(ConsultaTest, ItemWhoseProductIsGoneIsLeftOutAndNamed) {
  Maquina m;
  m.CriaLojaDemo();
  apptest::MudaProduto(m.dados, "7896422506359", true);  // the sale's second item
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  ASSERT_EQ(m.dialogos().shown().size(), 1);
  EXPECT_EQ(m.dialogos().shown().at(0).icon, platform::DialogIcon::Warning);
  EXPECT_EQ(m.dialogos().shown().at(0).text,
            "Produto do cupom não encontrado no cadastro de produtos, item não incluído: 7896422506359");
  ASSERT_EQ(form->StringGrid1->RowCount(), 3);
  EXPECT_EQ(Linha(form->StringGrid1, 1).mid(0, 2),
            (QStringList{"7896004703398", "LOSARTANA POTASSICA 50MG C/30 COMP"}));
  EXPECT_EQ(Linha(form->StringGrid1, 2).mid(0, 2), (QStringList{"7896714200217", "SINVASTATINA 20MG C/30 COMP"}));
  EXPECT_EQ(form->LbValorTotalVenda->text(), "40,60");
  EXPECT_EQ(form->edtCPF->text(), "52998224725");
}

struct CasoCupom {
  const char* nome;
  int diasAtras;        // the sale's date relative to today
  const char* codDsus;  // already authorized when filled
  const char* aviso;    // %1 is the coupon number
};

class CupomRecusado : public ::testing::TestWithParam<CasoCupom> {};

TEST_P(CupomRecusado, WarnsAndLeavesTheGridEmpty) {
  const CasoCupom& caso = GetParam();
  Maquina m;
  const QString cupom = m.RegistraVendaNaImpressora();
  {
    demoshop::LojaDemo loja(m.dados);
    for (const auto& p : demoshop::ProdutosDemo()) loja.adiciona(p);
    for (const auto& c : demoshop::ClientesDemo()) loja.adiciona(c);
    for (const auto& v : demoshop::VendedoresDemo()) loja.adiciona(v);
    demoshop::Venda v;
    v.cupom = cupom;
    v.data = apptest::kHoje.addDays(-caso.diasAtras);
    v.vendedor = "0001";
    v.cliente = "000001";
    v.itens = {{"7896004703398", 1}};
    v.codDsus = QString::fromUtf8(caso.codDsus);
    loja.adiciona(v);
    demoshop::EscreveIni(m.programa, m.dados);
  }
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  ASSERT_EQ(m.dialogos().shown().size(), 1);
  const platform::ShownDialog& d = m.dialogos().shown().at(0);
  EXPECT_EQ(d.kind, DialogKind::MessageDlg);
  EXPECT_EQ(d.icon, platform::DialogIcon::Warning);
  const QString aviso = QString::fromUtf8(caso.aviso);
  EXPECT_EQ(d.text, aviso.contains("%1") ? aviso.arg(cupom) : aviso);
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  EXPECT_EQ(form->StringGrid1->Cells(1, 1), "");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CupomRecusado,
    ::testing::Values(CasoCupom{"JaAutorizado", 0, "266.864.685.748.302", "ESTA VENDA JA FOI AUTORIZADA"},
                      CasoCupom{"DeOutroDia", 1, "", "Cupom não encontrado! Nro \"%1\" no dia \"11/12/2026\"."}),
    [](const auto& info) { return std::string(info.param.nome); });

// --- Posology editor, product panel, other buttons ------------------------------

TEST(PosologiaTest, EnterOpensTheEditorAndConfirmWritesTheNewValue) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  form->StringGrid1->setFocus();
  form->StringGrid1->setRow(2);
  QTest::keyClick(form->StringGrid1, Qt::Key_Return);
  ASSERT_TRUE(form->tabPosolog->isVisible());
  EXPECT_TRUE(form->PodeInserir);
  EXPECT_EQ(form->edtAltPosologia->text(), " 1,00");
  EXPECT_EQ(QApplication::focusWidget(), form->edtAltPosologia);
  QTest::keyClicks(form->edtAltPosologia, "2");  // replaces the selected text
  form->btn2Click();
  EXPECT_FALSE(form->tabPosolog->isVisible());
  EXPECT_EQ(form->StringGrid1->Cells(4, 2), " 2,00");
  EXPECT_EQ(form->StringGrid1->Cells(4, 1), " 1,00");
  EXPECT_EQ(form->LbValorTotalVenda->text(), "49,10");
}

TEST(PosologiaTest, TextThatIsNoNumberKeepsTheEditorOpenAndTheCell) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  form->btnBuscarCuponsClick();
  form->StringGrid1DblClick();
  form->edtAltPosologia->setText("dois");
  form->btn2Click();
  ASSERT_EQ(m.dialogos().shown().size(), 1);
  EXPECT_EQ(m.dialogos().shown().at(0).kind, DialogKind::ErrorBox);
  EXPECT_TRUE(form->tabPosolog->isVisible());
  EXPECT_EQ(form->StringGrid1->Cells(4, 1), " 1,00");
  form->btnCancelarClick();
  EXPECT_FALSE(form->tabPosolog->isVisible());
  EXPECT_EQ(form->StringGrid1->Cells(4, 1), " 1,00");
}

struct CasoPainel {
  const char* nome;
  const char* produto;
  const char* mensagem;  // empty: the row is appended
};

class Painel : public ::testing::TestWithParam<CasoPainel> {};

TEST_P(Painel, ConfirmActionOfTheProductPanel) {
  const CasoPainel& caso = GetParam();
  Maquina m;
  m.CriaLojaDemo();
  // A product registered without its pill count.
  demoshop::LojaDemo::Existente(m.dados).adiciona(demoshop::Produto{"7890000000099", "AVULSO", 0, 1.0});
  auto form = m.AbreJanela();
  form->PodeInserir = true;
  form->Panel6->show();
  form->edtProduto->setText(QString::fromUtf8(caso.produto));
  form->btnConfirmaClick();
  const QString esperada = QString::fromUtf8(caso.mensagem);
  if (esperada.isEmpty()) {
    EXPECT_TRUE(m.dialogos().shown().isEmpty());
    EXPECT_FALSE(form->Panel6->isVisible());
    EXPECT_FALSE(form->PodeInserir);
    EXPECT_EQ(form->StringGrid1->Cells(0, 1), QString::fromUtf8(caso.produto).trimmed());
    EXPECT_EQ(form->StringGrid1->Cells(3, 1), " 1,00");
  } else {
    EXPECT_EQ(m.dialogos().texts(), QStringList{esperada});
    EXPECT_TRUE(form->Panel6->isVisible());
    EXPECT_TRUE(form->PodeInserir);
    EXPECT_EQ(QApplication::focusWidget(), form->edtProduto);
    EXPECT_EQ(form->StringGrid1->Cells(0, 1), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, Painel,
                         ::testing::Values(CasoPainel{"SemCodigo", "  ", "Informe o código do produto"},
                                           CasoPainel{"Desconhecido", "123", "Produto não encontrado!"},
                                           CasoPainel{"SemComprimidos", "7890000000099",
                                                      "Quantidade de Comprimidos deve ser maior que 0!"},
                                           CasoPainel{"Encontrado", " 7891058001346 ", ""}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(BotoesTest, ReversalButtonOpensTheCancellationWindowModallyAndReleasesIt) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  QPointer<QWidget> aberta;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    aberta = QApplication::activeModalWidget();
    modal = aberta != nullptr && aberta->isModal();
    if (aberta) aberta->close();
  });
  form->btn4Click();
  ASSERT_NE(aberta, nullptr);
  EXPECT_TRUE(modal);
  EXPECT_NE(qobject_cast<TfrmCancelaVendaFP*>(aberta.data()), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(aberta, nullptr);
  EXPECT_TRUE(m.dialogos().shown().isEmpty());
}

TEST(BotoesTest, HiddenTestButtonPutsATestCpf) {
  Maquina m;
  m.CriaLojaDemo();
  auto form = m.AbreJanela();
  EXPECT_EQ(TForm1::CpfsTeste().size(), 27);
  for (const QString& cpf : TForm1::CpfsTeste()) {
    EXPECT_EQ(cpf.size(), 11);
    EXPECT_TRUE(std::all_of(cpf.begin(), cpf.end(), [](QChar c) { return c.isDigit(); }));
  }
  form->btn1Click();
  EXPECT_TRUE(TForm1::CpfsTeste().contains(form->edtCPF->text()));
}

}  // namespace
