#include "app/fpPrincpal.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTabWidget>

#include "app/typed_length_edit.h"
#include "controls/eBotoes.h"
#include "controls/ebotoes2.h"
#include "controls/eDateEdit.h"
#include "controls/Enter.h"
#include "controls/string_grid.h"
#include "exchange/arquivamento.h"
#include "exchange/registros.h"
#include "exchange/troca.h"
#include "cancel/fpCancelaVenda.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/datetime.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/regional.h"
#include "printer/eECF.h"
#include "shopdb/catalogue.h"
#include "shopdb/query_texts.h"
#include "shopdb/sql_handle.h"
#include "shopdb/table_handle.h"
#include "util/eFuncoes.h"

namespace {

const QString kIni = QStringLiteral("QxECF.ini");
const QString kDirTroca = QStringLiteral("C:\\FPopular");
const QString kHint = QStringLiteral("Pressione <INSERT> para inserir um medicamento, ou <DELETE> para excluir.");

QString fmt(double value) { return FormataDuasCasas(value); }
double num(const QString& text) { return LeNumero(text); }

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 130, int h = 17) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, h);
  return l;
}

// A command button of the window's own family with a preset kind.
QPushButton* botaoPreset(QWidget* parent, TKindPersonalizado kind, const char* nome) {
  auto* b = new TeBitBtn2(parent);
  b->setKindPersonalizado(kind);
  b->setObjectName(nome);
  return b;
}

}  // namespace

// --- Fixed lists ----------------------------------------------------------

const QStringList& TForm1::Estados() {
  static const QStringList estados = {
      QStringLiteral("AC - Acre"),           QStringLiteral("AL - Alagoas"),
      QStringLiteral("AM - Amazonas"),       QStringLiteral("BA - Bahia"),
      QStringLiteral("CE - Ceará"),          QStringLiteral("DF - Distrito Federal"),
      QStringLiteral("ES - Espírito Santo"), QStringLiteral("GO - Góias"),
      QStringLiteral("MA - Maranhão"),       QStringLiteral("MG - Minas Gerais"),
      QStringLiteral("MS - Mato Grosso do Sul"), QStringLiteral("MT - Mato Grosso"),
      QStringLiteral("PA - Pará"),           QStringLiteral("PB - Paraíba"),
      QStringLiteral("PE - Pernambuco "),    QStringLiteral("PI - Piaui"),
      QStringLiteral("PR - Paraná"),         QStringLiteral("RJ - Rio de Janeiro"),
      QStringLiteral("RN - Rio Grande do Norte"), QStringLiteral("RO - Rondonia "),
      QStringLiteral("RR - Roraima"),        QStringLiteral("RS - Rio Grande do Sul"),
      QStringLiteral("SC - Santa Catarina"), QStringLiteral("SE - Sergipe"),
      QStringLiteral("SP - São Paulo"),      QStringLiteral("TO - Tocantins"),
  };
  return estados;
}

// Test data for the hidden button: formally valid CPF numbers of nobody.
const QStringList& TForm1::CpfsTeste() {
  static const QStringList cpfs = {
      "11144477735", "52998224725", "12345678909", "98765432100", "39053344705",
      "45317828791", "74682489070", "86288366757", "71428793860", "24843803480",
      "06672012057", "33258752542", "01234567890", "48012335084", "82463325089",
      "15350946056", "73615267008", "27474478006", "60548237002", "91534685054",
      "05287719062", "36818523049", "58415773008", "42216582085", "81797460005",
      "17088145012", "65377234091",
  };
  return cpfs;
}

// --- Construction ---------------------------------------------------------

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      ibqSolicitacao(std::make_unique<shopdb::SqlHandle>()),
      ibdProdutos(std::make_unique<shopdb::TableHandle>(shopdb::ibdProdutos())),
      ibdECFMOVIM(std::make_unique<shopdb::TableHandle>(shopdb::ibdECFMOVIM())),
      ibdECFARQGE(std::make_unique<shopdb::TableHandle>(shopdb::ibdECFARQGE())),
      ePrinter(std::make_unique<TePrinter>()) {
  ePrinter->setImpressora(TECFModelo::Bematec3);
  ePrinter->setPronto(false);
  ePrinter->setPortaSerial(0);
  ePrinter->setImpressoraMFD(true);
  createLayout();
  connectHandlers();
  qApp->installEventFilter(this);
  // An error in a start-up step skips the rest; the window opens anyway.
  platform::runGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

void TForm1::guarded(const std::function<void()>& handler) { platform::runGuarded(handler); }

void TForm1::createLayout() {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Pré Autorizador Farmacia Popular"));
  setFont(QFont("Tahoma", 8));
  setFixedSize(911, 612);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // One flat background under everything, as the original's tab control.
  tabBackground = new QTabWidget(this);
  tabBackground->setDocumentMode(true);
  tabBackground->tabBar()->hide();
  auto* fundo = new QWidget;
  tabBackground->addTab(fundo, QString());
  tabBackground->setGeometry(0, 0, 911, 612);

  createRequestPanel(fundo);
  createPages(fundo);
  createButtonBar(fundo);

  ktntr1 = new TKTEnter(this);
  ktntr1->FocusColor = QColor(255, 255, 0);
  // Enter in the item grid must reach the grid (posology editor), and the
  // state list keeps its own keys.
  QStringList classes;
  for (const QString& nome : TKTEnter::DefaultClassList())
    if (!nome.contains("grid", Qt::CaseInsensitive) && !nome.contains("combo", Qt::CaseInsensitive)) classes << nome;
  ktntr1->setClassList(classes);
}

void TForm1::createRequestPanel(QWidget* parent) {
  auto* painel = new QFrame(parent);
  painel->setObjectName("pnlSolicitacao");
  painel->setGeometry(4, 10, 456, 227);

  label(painel, QStringLiteral("Código Solicitação.:"), 8, 12);
  edtSolicitacao = new TypedLengthEdit(painel);
  edtSolicitacao->setObjectName("edtSolicitacao");
  edtSolicitacao->setTypedMaxLength(6);
  edtSolicitacao->setText("000001");
  edtSolicitacao->setEnabled(false);
  edtSolicitacao->setFocusPolicy(Qt::ClickFocus);
  edtSolicitacao->setGeometry(120, 8, 90, 21);

  label(painel, QStringLiteral("CRM Médico...:"), 232, 12, 90);
  edtCRM = new TypedLengthEdit(painel);
  edtCRM->setObjectName("edtCRM");
  edtCRM->setTypedMaxLength(7);
  edtCRM->setGeometry(322, 8, 120, 21);

  label(painel, QStringLiteral("Data Emissão.......:"), 8, 42);
  eDateEmissao = new TeDateEdit(painel);
  eDateEmissao->setObjectName("eDateEmissao");
  eDateEmissao->setEnabled(false);
  eDateEmissao->setGeometry(120, 38, 100, 21);

  label(painel, QStringLiteral("UF - CRM......:"), 232, 42, 90);
  CBEstadoCRM = new QComboBox(painel);
  CBEstadoCRM->setObjectName("CBEstadoCRM");
  CBEstadoCRM->setEditable(false);
  CBEstadoCRM->addItems(Estados());
  CBEstadoCRM->setCurrentIndex(Estados().indexOf(QStringLiteral("MG - Minas Gerais")));
  CBEstadoCRM->setGeometry(322, 38, 126, 21);

  label(painel, QStringLiteral("CPF Participante...:"), 8, 72);
  edtCPF = new TypedLengthEdit(painel);
  edtCPF->setObjectName("edtCPF");
  edtCPF->setTypedMaxLength(11);
  edtCPF->setText("00000000000");
  edtCPF->setEnabled(false);
  edtCPF->setFocusPolicy(Qt::ClickFocus);
  edtCPF->setGeometry(120, 68, 100, 21);

  lbCNPJ = label(painel, QStringLiteral("CNPJ Estab.........:"), 232, 72, 90);
  lbCNPJ->hide();
  edtCNPJ = new TypedLengthEdit(painel);
  edtCNPJ->setObjectName("edtCNPJ");
  edtCNPJ->setTypedMaxLength(14);
  edtCNPJ->setEnabled(false);
  edtCNPJ->setGeometry(322, 68, 126, 21);
  edtCNPJ->hide();

  grpTotais = new QGroupBox(QStringLiteral(" Totalizadores"), painel);
  grpTotais->setGeometry(8, 100, 440, 92);
  QFont negrito = font();
  negrito.setBold(true);
  QFont valor = font();
  valor.setPointSize(14);
  valor.setBold(true);
  const struct {
    const char* titulo;
    QLabel** alvo;
    const char* nome;
  } totais[] = {
      {"Total da Venda:", &LbValorTotalVenda, "LbValorTotalVenda"},
      {"Total Min. Saúde:", &lbValorTotalMS, "lbValorTotalMS"},
      {"Total a Pagar:", &LbValorTotalPagar, "LbValorTotalPagar"},
  };
  int x = 10;
  for (const auto& t : totais) {
    QLabel* titulo = label(grpTotais, QString::fromUtf8(t.titulo), x, 22, 130);
    titulo->setFont(negrito);
    *t.alvo = label(grpTotais, QStringLiteral("0,00"), x, 44, 130, 30);
    (*t.alvo)->setObjectName(t.nome);
    (*t.alvo)->setFont(valor);
    (*t.alvo)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    x += 144;
  }
  lbDica = label(painel, kHint, 8, 200, 440);
  lbDica->setObjectName("lbDica");

  Memo1 = new QPlainTextEdit(parent);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::NoFocus);
  Memo1->setGeometry(464, 10, 443, 227);
}

void TForm1::createPages(QWidget* parent) {
  PageControl1 = new QTabWidget(parent);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(4, 240, 903, 314);

  TabSheet1 = new QWidget;
  TabSheet1->setObjectName("TabSheet1");
  PageControl1->addTab(TabSheet1, QStringLiteral("Solicitação de Produtos <F5>"));
  StringGrid1 = new TStringGrid(TabSheet1, 7);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setGeometry(0, 0, 897, 288);
  StringGrid1->setEditable(false);
  {
    const int larguras[] = {106, 239, 84, 81, 88, 99, 65};
    for (int c = 0; c < 7; ++c) StringGrid1->setColWidths(c, larguras[c]);
    QPalette p = StringGrid1->palette();
    p.setColor(QPalette::Base, QPalette().color(QPalette::ToolTipBase));
    StringGrid1->setPalette(p);
  }

  // Posology editor, over the item grid.
  tabPosolog = new QFrame(TabSheet1);
  tabPosolog->setObjectName("tabPosolog");
  tabPosolog->setFrameShape(QFrame::Panel);
  tabPosolog->setAutoFillBackground(true);
  tabPosolog->setGeometry(300, 60, 289, 137);
  label(tabPosolog, QStringLiteral("Posologia (Comp/Dia).:"), 16, 30, 130);
  edtAltPosologia = new TypedLengthEdit(tabPosolog);
  edtAltPosologia->setObjectName("edtAltPosologia");
  edtAltPosologia->setText(" 1,00");
  edtAltPosologia->setGeometry(150, 26, 80, 21);
  auto* faixa = new QFrame(tabPosolog);
  faixa->setGeometry(0, 83, 289, 54);
  btn2 = botaoPreset(faixa, TKindPersonalizado::eConfirmar, "btn2");
  btn2->setGeometry(50, 5, 90, 44);
  btn3 = botaoPreset(faixa, TKindPersonalizado::eCancelar, "btn3");
  btn3->setGeometry(150, 5, 90, 44);
  tabPosolog->hide();

  // Product panel for manual entry; nothing on this window shows it.
  Panel6 = new QFrame(TabSheet1);
  Panel6->setObjectName("Panel6");
  Panel6->setFrameShape(QFrame::Panel);
  Panel6->setAutoFillBackground(true);
  Panel6->setGeometry(250, 40, 400, 180);
  label(Panel6, QStringLiteral("Quantidade (Caixa)...:"), 16, 20);
  EdtQtde = new TypedLengthEdit(Panel6);
  EdtQtde->setObjectName("EdtQtde");
  EdtQtde->setText(" 1,00");
  EdtQtde->setGeometry(150, 16, 80, 21);
  EdtQtde->hide();
  label(Panel6, QStringLiteral("Posologia (Comp/Dia).:"), 16, 50);
  edtPosologia = new TypedLengthEdit(Panel6);
  edtPosologia->setObjectName("edtPosologia");
  edtPosologia->setText(" 1,00");
  edtPosologia->setGeometry(150, 46, 80, 21);
  edtPosologia->hide();
  label(Panel6, QStringLiteral("Código Produto........:"), 16, 80);
  edtProduto = new TypedLengthEdit(Panel6);
  edtProduto->setObjectName("edtProduto");
  edtProduto->setGeometry(150, 76, 180, 21);
  btnPesqProd = new QPushButton("...", Panel6);
  btnPesqProd->setObjectName("btnPesqProd");
  btnPesqProd->setGeometry(334, 76, 24, 21);
  btnConfirma = botaoPreset(Panel6, TKindPersonalizado::eConfirmar, "btnConfirma");
  btnConfirma->setGeometry(100, 120, 90, 44);
  btnCancelar = botaoPreset(Panel6, TKindPersonalizado::eCancelar, "btnCancelar");
  btnCancelar->setGeometry(210, 120, 90, 44);
  Panel6->hide();

  TabSheet2 = new QWidget;
  TabSheet2->setObjectName("TabSheet2");
  PageControl1->addTab(TabSheet2, QStringLiteral("Produtos Autorizados <F6>"));
  StringGrid2 = new TStringGrid(TabSheet2, 6);
  StringGrid2->setObjectName("StringGrid2");
  StringGrid2->setGeometry(0, 0, 897, 288);
  StringGrid2->setEditable(false);
  StringGrid2->setFocusPolicy(Qt::ClickFocus);
  {
    const int larguras[] = {97, 187, 81, 89, 76, 720};
    for (int c = 0; c < 6; ++c) StringGrid2->setColWidths(c, larguras[c]);
    QPalette p = StringGrid2->palette();
    p.setColor(QPalette::Base, QColor(210, 232, 210));
    StringGrid2->setPalette(p);
  }
  PageControl1->setTabEnabled(1, false);
}

void TForm1::createButtonBar(QWidget* parent) {
  auto* barra = new QFrame(parent);
  barra->setObjectName("pnlBotoes");
  barra->setGeometry(0, 554, 911, 58);
  int x = 8;
  auto place = [&x](QPushButton* b, const char* nome, int largura) {
    b->setObjectName(nome);
    b->setGeometry(x, 7, largura, 44);
    x += largura + 8;
  };
  auto* buscar = new TeBitBtn2(barra);
  buscar->setKindPersonalizado(TKindPersonalizado::ePesquisar);
  buscar->setCaption(QStringLiteral("&Buscar\nUlt Cupom - F1"));
  buscar->setHint(QStringLiteral("Confirma a seleção."));
  btnBuscarCupons = buscar;
  place(btnBuscarCupons, "btnBuscarCupons", 130);

  auto* pre = new TeBitBtn(barra);
  pre->setKindPersonalizado(TKindPersonalizado::eConfirmar);
  pre->setCaption(QStringLiteral("&Pré-Autorização - F2"));
  pre->setHint(QStringLiteral("Faz o envio da pré-autorização dos medicamentos"));
  ebpreat = pre;
  place(ebpreat, "ebpreat", 170);

  auto* conf = new TeBitBtn(barra);
  conf->setKindPersonalizado(TKindPersonalizado::eConfirmar);
  conf->setCaption(QStringLiteral("&Confirma - F3"));
  conf->setHint(QStringLiteral("Confirma a seleção."));
  ebConfirma = conf;
  place(ebConfirma, "ebConfirma", 140);
  ebConfirma->setEnabled(false);

  btn1 = new QPushButton(barra);
  place(btn1, "btn1", 40);
  btn1->hide();

  auto* sair = new TeBitBtn(barra);
  sair->setKindPersonalizado(TKindPersonalizado::eSair);
  btnFechar = sair;
  place(btnFechar, "btnFechar", 110);

  auto* extornar = new TeBitBtn2(barra);
  extornar->setKindPersonalizado(TKindPersonalizado::eAlterar);
  extornar->setCaption(QStringLiteral("&Extornar\nVenda\nFPopular"));
  extornar->setHint(QStringLiteral("Altera o registro atual."));
  btn4 = extornar;
  btn4->setObjectName("btn4");
  btn4->setGeometry(911 - 8 - 130, 7, 130, 44);
}

void TForm1::connectHandlers() {
  connect(btnBuscarCupons, &QPushButton::clicked, this, [this] { btnBuscarCuponsClick(); });
  connect(ebpreat, &QPushButton::clicked, this, [this] { ebpreatClick(); });
  connect(ebConfirma, &QPushButton::clicked, this, [this] { ebConfirmaClick(); });
  connect(btnFechar, &QPushButton::clicked, this, [this] { btnFecharClick(); });
  connect(btn4, &QPushButton::clicked, this, [this] { btn4Click(); });
  connect(btn1, &QPushButton::clicked, this, [this] { btn1Click(); });
  connect(btn2, &QPushButton::clicked, this, [this] { btn2Click(); });
  connect(btn3, &QPushButton::clicked, this, [this] { btnCancelarClick(); });
  connect(btnConfirma, &QPushButton::clicked, this, [this] { btnConfirmaClick(); });
  connect(btnCancelar, &QPushButton::clicked, this, [this] { btnCancelarClick(); });
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this] { StringGrid1DblClick(); });
}

// --- Keys and focus -------------------------------------------------------

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    // Key preview: the window sees the key once, before the focused control,
    // and the key goes on. Qt offers a press that a child ignores to each
    // parent in turn; those deliveries carry the same event.
    if (type == QEvent::KeyRelease) {
      lastKeyEvent_ = nullptr;
    } else if (event != lastKeyEvent_) {
      lastKeyEvent_ = event;
      const int key = static_cast<QKeyEvent*>(event)->key();
      QPointer<QObject> alvo = watched;
      FormKeyDown(key);
      if (alvo && alvo == StringGrid1) StringGrid1KeyDown(key);
    }
    return false;
  }
  // The exit button answers Escape as a shortcut, which Qt fires before any
  // key press; while the product panel is up, Escape is the window's key.
  if (type == QEvent::ShortcutOverride && Panel6->isVisible() && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    event->accept();
    return false;
  }
  if (watched == edtCRM && type == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Losing the window's activation (a message box) or opening a popup is
    // no leaving of the field on the original platform.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      edtCRMExit(QApplication::focusWidget());
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::FormKeyDown(int key) {
  if (key == Qt::Key_F5) {
    PageControl1->setCurrentWidget(TabSheet1);
    StringGrid1->setFocus(Qt::OtherFocusReason);
  }
  if (key == Qt::Key_F6) PageControl1->setCurrentWidget(TabSheet2);
  if (key == Qt::Key_F2) ebpreatClick();
  if (key == Qt::Key_F3 && ebConfirma->isEnabled()) ebConfirmaClick();
  if (key == Qt::Key_Escape) {
    if (Panel6->isVisible()) {
      PodeInserir = false;
      Panel6->hide();
      StringGrid1->setFocus(Qt::OtherFocusReason);
    } else {
      close();
    }
  }
  if (key == Qt::Key_F1) btnBuscarCuponsClick();
}

void TForm1::edtCRMExit(QWidget* next) {
  if (inCrmExit_ || !edtCRM->text().isEmpty() || next == btnFechar) return;
  inCrmExit_ = true;
  platform::dialogs().message(QStringLiteral("É obrigatório informar o CRM do médico."));
  edtCRM->setFocus(Qt::OtherFocusReason);
  inCrmExit_ = false;
}

// --- Start-up -------------------------------------------------------------

void TForm1::FormCreate() {
  platform::IniFile ini(platform::programFolder() + "/" + kIni);

  // An empty "Diretorio" is a relative path: the current folder, as the
  // original's engines took it.
  QString diretorio = TiraEspacos(ini.readString("QX", "Diretorio"));
  if (diretorio.isEmpty()) diretorio = QDir::currentPath();
  ibqSolicitacao->setDirectory(diretorio);
  const QString caminho = ibqSolicitacao->directory();
  ibdProdutos->setDirectory(caminho);
  ibdECFMOVIM->setDirectory(caminho);
  ibdECFARQGE->setDirectory(caminho);

  if (!platform::files::directoryExists(kDirTroca))
    platform::dialogs().message(QStringLiteral("Instale o Autorizador da Farmácia Popular"));

  ProximaSolicitacao();

  for (const char* chave : {"LOGIN", "SENHA", "CNPJ"}) {
    if (TiraEspacos(ini.readString("FP", chave)).isEmpty()) ini.writeString("FP", chave, QString());
  }
  Login = TiraEspacos(ini.readString("FP", "LOGIN"));
  Senha = TiraEspacos(ini.readString("FP", "SENHA"));
  VGBESTACAO = TiraEspacos(ini.readString("QX", "Estacao"));
  edtCNPJ->setText(TiraEspacos(ini.readString("FP", "CNPJ")));

  if (Login.isEmpty() || Senha.isEmpty() || edtCNPJ->text().isEmpty())
    platform::dialogs().message(QStringLiteral("Preencha os dados da Farmácia Popular no arquivo: QxECF.ini"));

  eDateEmissao->setDateValue(platform::toDateTime(platform::now()));
  PageControl1->setCurrentWidget(TabSheet1);
  PreencheGrid();
  ibdProdutos->open();
  ibdECFMOVIM->open();
}

void TForm1::ProximaSolicitacao() { edtSolicitacao->setText(shopdb::nextRequestNumber(*ibqSolicitacao)); }

void TForm1::PreencheGrid() {
  const QStringList itens = {" Código", " Descrição", " Qtde (Comp.)", " Qtde (Caixa)",
                             " Posologia", " Preço", " Vr. Total"};
  for (int c = 0; c < itens.size(); ++c) StringGrid1->setCells(c, 0, itens[c]);
  const QStringList respostas = {" Código", " Descrição", " Qtde Autor.", " Vr. Min. Saúde",
                                 " Vr. Paciente", " Mensagem Retorno"};
  for (int c = 0; c < respostas.size(); ++c) StringGrid2->setCells(c, 0, respostas[c]);
}

// --- Sale lookup ----------------------------------------------------------

void TForm1::btnBuscarCuponsClick() {
  guarded([this] {
    StringGrid1->setRowCount(2);
    StringGrid1->ClearRow(1);
    AtualizaTotalizadores(1);

    vgbcupom = ePrinter->Numero_Cupom();
    const QString hoje = platform::regional::shortDate(platform::now().date());
    const QString numero = vgbcupom;

    ibqSolicitacao->close();
    ibqSolicitacao->setText(shopdb::couponLookupText(platform::now().date(), numero));
    ibqSolicitacao->open();
    if (!ibqSolicitacao->fieldAsString("COD_DSUS").isEmpty()) {
      platform::dialogs().messageDlg(QStringLiteral("ESTA VENDA JA FOI AUTORIZADA"), platform::DialogIcon::Warning,
                                     platform::DialogButtons::Ok);
      return;
    }
    if (ibqSolicitacao->eof()) {
      platform::dialogs().messageDlg(
          QStringLiteral("Cupom não encontrado! Nro \"%1\" no dia \"%2\".").arg(numero, hoje),
          platform::DialogIcon::Warning, platform::DialogButtons::Ok);
      return;
    }
    // An item whose product is gone is left out and named: filling its row
    // from whichever product happens to be current would send another
    // medicine's code and price to the authorizer.
    QStringList semCadastro;
    for (ibqSolicitacao->first(); !ibqSolicitacao->eof(); ibqSolicitacao->next()) {
      const QString codigo = ibqSolicitacao->fieldAsString("CODPRO_PRO");
      if (!ibdProdutos->locate("CODITEM", codigo)) {
        semCadastro << codigo;
        continue;
      }
      InserirItens(ibqSolicitacao->fieldAsFloat("QTDE"));
    }
    edtCPF->setText(ibqSolicitacao->fieldAsString("CPF_CLI"));
    senhaVen = ibqSolicitacao->fieldAsString("senha_fp");
    UsuarioVen = ibqSolicitacao->fieldAsString("Usuario_fp");
    if (!semCadastro.isEmpty())
      platform::dialogs().messageDlg(
          QStringLiteral("Produto do cupom não encontrado no cadastro de produtos, item não incluído: %1")
              .arg(semCadastro.join(QStringLiteral(", "))),
          platform::DialogIcon::Warning, platform::DialogButtons::Ok);
  });
}

void TForm1::InserirItens(double caixas) {
  if (!TiraEspacos(StringGrid1->Cells(1, 1)).isEmpty())
    StringGrid1->setRowCount(StringGrid1->RowCount() + 1);
  const int r = StringGrid1->RowCount() - 1;
  const double preco = ibdProdutos->fieldAsFloat("VENDANORM");
  StringGrid1->setCells(0, r, ibdProdutos->fieldAsString("CODITEM"));
  StringGrid1->setCells(1, r, ibdProdutos->fieldAsString("DESCRICAO"));
  StringGrid1->setCells(2, r, fmt(caixas * ibdProdutos->fieldAsFloat("QTDE_COMP")));
  StringGrid1->setCells(3, r, fmt(caixas));
  StringGrid1->setCells(4, r, edtPosologia->text());
  StringGrid1->setCells(5, r, fmt(preco));
  StringGrid1->setCells(6, r, fmt(preco * caixas));
  AtualizaTotalizadores(1);
}

void TForm1::AtualizaTotalizadores(int modo) {
  if (modo == 1) {
    lbValorTotalMS->setText("0,00");
    TotalPaciente = 0;
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
      if (!TiraEspacos(StringGrid1->Cells(1, r)).isEmpty()) TotalPaciente += num(StringGrid1->Cells(6, r));
    }
    LbValorTotalVenda->setText(fmt(TotalPaciente));
    LbValorTotalPagar->setText(fmt(TotalPaciente));
  } else if (modo == 2) {
    TotalPaciente = 0;
    TotalMS = 0;
    for (int r = 1; r < StringGrid2->RowCount(); ++r) {
      if (exchange::ItemContaNosTotais(StringGrid2->Cells(5, r))) {
        TotalPaciente += num(StringGrid2->Cells(4, r));
        TotalMS += num(StringGrid2->Cells(3, r));
      }
    }
    LbValorTotalPagar->setText(fmt(TotalPaciente));
    lbValorTotalMS->setText(fmt(TotalMS));
    LbValorTotalVenda->setText(fmt(TotalPaciente + TotalMS));
  }
}

// --- Posology editor and product panel ------------------------------------

void TForm1::StringGrid1KeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) StringGrid1DblClick();
}

void TForm1::StringGrid1DblClick() {
  PodeInserir = true;
  edtAltPosologia->setText(StringGrid1->Cells(4, qMax(1, StringGrid1->Row())));
  tabPosolog->show();
  tabPosolog->raise();
  edtAltPosologia->setFocus(Qt::OtherFocusReason);
  edtAltPosologia->selectAll();
}

void TForm1::btn2Click() {
  guarded([this] {
    const QString novo = fmt(num(edtAltPosologia->text()));
    StringGrid1->setCells(4, qMax(1, StringGrid1->Row()), novo);
    tabPosolog->hide();
  });
}

void TForm1::btnCancelarClick() { tabPosolog->hide(); }

void TForm1::btnConfirmaClick() {
  guarded([this] {
    if (!PodeInserir) return;
    const QString codigo = TiraEspacos(edtProduto->text());
    QString aviso;
    if (codigo.isEmpty())
      aviso = QStringLiteral("Informe o código do produto");
    else if (!ibdProdutos->locate("CODITEM", codigo))
      aviso = QStringLiteral("Produto não encontrado!");
    else if (ibdProdutos->fieldAsInteger("QTDE_COMP") <= 0)
      aviso = QStringLiteral("Quantidade de Comprimidos deve ser maior que 0!");
    if (!aviso.isEmpty()) {
      platform::dialogs().message(aviso);
      edtProduto->setFocus(Qt::OtherFocusReason);
      return;
    }
    InserirItens(num(EdtQtde->text()));
    PodeInserir = false;
    Panel6->hide();
    StringGrid1->setFocus(Qt::OtherFocusReason);
  });
}

// --- Other buttons --------------------------------------------------------

void TForm1::btnFecharClick() { close(); }

void TForm1::btn4Click() {
  guarded([this] {
    if (abreCancelamento) {
      abreCancelamento();
      return;
    }
    QPointer<TfrmCancelaVendaFP> janela;
    AbreFormulario(janela, nullptr, true, false);
  });
}

void TForm1::btn1Click() {
  edtCPF->setText(CpfsTeste().at(QRandomGenerator::global()->bounded(CpfsTeste().size())));
}

// --- Pre-authorization ------------------------------------------------------

void TForm1::ebpreatClick() {
  guarded([this] {
    for (int r = 1; r < StringGrid2->RowCount(); ++r)
      for (int c = 0; c < StringGrid2->ColCount(); ++c) StringGrid2->setCells(c, r, QString());
    if (TiraEspacos(StringGrid1->Cells(1, 1)).isEmpty()) {
      platform::dialogs().message(QStringLiteral("Insira pelo menos um item para a autorização!"));
      return;
    }
    AtualizaTotalizadores(1);
    StringGrid2->setRowCount(StringGrid1->RowCount());
    ebConfirma->setEnabled(false);
    ebpreat->setEnabled(false);
    Memo1->clear();

    const exchange::ResultadoTroca troca = exchange::runExchange(
        exchange::TipoTroca::PreAutorizacao,
        [this] {
          FP_ENV.clear();
          FP_ENV << exchange::Registro01(Login, UsuarioVen) << exchange::Registro02(Senha, senhaVen)
                 << exchange::Registro03(edtSolicitacao->text(), edtCNPJ->text(), edtCPF->text(),
                                         edtCRM->text(), CBEstadoCRM->currentText(),
                                         platform::dateOf(eDateEmissao->DateValue()));
          for (int r = 1; r < StringGrid1->RowCount(); ++r) {
            ean = StringGrid1->Cells(0, r);
            qtde = exchange::FormataValor(StringGrid1->Cells(2, r), 5);
            posologia = exchange::FormataValor(StringGrid1->Cells(4, r), 5);
            valor = exchange::FormataValor(StringGrid1->Cells(5, r), 15);
            FP_ENV << exchange::Registro04(ean, qtde, valor, posologia);
          }
          return FP_ENV;
        },
        this, edtCPF->text());
    if (troca.recusada) {
      platform::dialogs().message(QStringLiteral("Autorização Cancelada!"));
      ebpreat->setEnabled(true);
      return;
    }
    if (!troca.respondida()) {
      ebpreat->setEnabled(true);
      return;
    }
    try {
      PageControl1->setTabEnabled(1, true);
      PageControl1->setCurrentWidget(TabSheet2);
      StringGrid2->setFocus(Qt::OtherFocusReason);
      FP_REQ = troca.linhas();
      if (FP_REQ.isEmpty()) throw platform::Error(QStringLiteral("Arquivo de retorno vazio."));
      const exchange::Cabecalho cab = exchange::LeCabecalhoPreAutorizacao(FP_REQ.at(0));
      msg = cab.msg;
      paciente = cab.paciente;
      codpreaut = cab.codigo;
      codretorno = cab.codretorno;
      if (FP_REQ.size() > 1) {
        for (int k = 1; k < StringGrid1->RowCount(); ++k) {
          if (k >= FP_REQ.size()) throw platform::Error(QStringLiteral("Faltam linhas de item na resposta."));
          const exchange::ItemPreAutorizado item = exchange::LeItemPreAutorizacao(FP_REQ.at(k));
          StringGrid2->setCells(0, k, StringGrid1->Cells(0, k));
          StringGrid2->setCells(1, k, StringGrid1->Cells(1, k));
          StringGrid2->setCells(2, k, item.qtdeAutor);
          StringGrid2->setCells(3, k, item.valorMS);
          StringGrid2->setCells(4, k, item.valorPaciente);
          StringGrid2->setCells(5, k, item.mensagem);
          if (!VerificaQtdeItem(StringGrid1->Cells(0, k), item.qtdeInteira)) {
            PageControl1->setCurrentWidget(TabSheet1);
            ebpreat->setEnabled(true);
            return;
          }
          if (num(StringGrid2->Cells(4, k)) == 0) StringGrid2->setCells(4, k, "0,00");
        }
      }
      AtualizaTotalizadores(2);
      platform::dialogs().messageBox(msg, exchange::kCaptionFP, platform::DialogIcon::Information,
                                     platform::DialogButtons::Ok);
      if (codretorno == exchange::kPreAutorizado) {
        ebConfirma->setEnabled(true);
        ebConfirma->setFocus(Qt::OtherFocusReason);
      }
      ebpreat->setEnabled(true);
    } catch (const std::exception&) {
      PageControl1->setCurrentWidget(TabSheet1);
      ebpreat->setEnabled(true);
      platform::dialogs().message(
          QStringLiteral("Ocorreu um erro durante a Pré-Autorização. Arquivo de retorno inválido."));
    }
  });
}

bool TForm1::VerificaQtdeItem(const QString& codigo, int comprimidos) {
  if (!ibdProdutos->locate("CODITEM", codigo)) {
    // Silence here would leave the cashier on the item page without a reason.
    platform::dialogs().message(
        QStringLiteral("Produto %1 não encontrado no cadastro de produtos.").arg(codigo));
    return false;
  }
  if (comprimidos == 0) return true;
  const int porCaixa = ibdProdutos->fieldAsInteger("QTDE_COMP");
  if (porCaixa == 0)
    throw platform::Error(QStringLiteral("Produto %1 com quantidade de comprimidos zero.").arg(codigo));
  if (static_cast<double>(comprimidos) / porCaixa >= 1) return true;
  platform::dialogs().message(QStringLiteral(
      "Quantidade autorizada menor que a quantidade de comprimidos contidas em uma caixa.\n"
      "Verifique a quantidade de comprimidos cadastrada, Anticoncepcionais e Insulina devem ter "
      "quantidade igual a 1."));
  return false;
}

// --- Confirmation -----------------------------------------------------------

void TForm1::ebConfirmaClick() {
  guarded([this] {
    Memo1->clear();
    cupom = vgbcupom;
    FP_ENV = {exchange::Registro01(Login, UsuarioVen), exchange::Registro02(Senha, senhaVen),
              exchange::Registro05(edtSolicitacao->text(), codpreaut, cupom)};
    const exchange::ResultadoTroca troca =
        exchange::runExchange(exchange::TipoTroca::Confirmacao, FP_ENV, this);
    if (!troca.respondida()) {
      ebConfirma->setEnabled(true);
      return;
    }
    PageControl1->setCurrentWidget(TabSheet2);
    FP_REQ = troca.linhas();
    exchange::ArquivaConfirmacao(FP_REQ, cupom);

    try {
      const exchange::Cabecalho cab = exchange::LeCabecalhoConfirmacao(FP_REQ.value(0));
      msg = cab.msg;
      paciente = cab.paciente;
      codretorno = cab.codretorno;
      for (int k = 1; k < StringGrid1->RowCount(); ++k) {
        if (k >= StringGrid2->RowCount()) StringGrid2->setRowCount(k + 1);
        const exchange::ItemConfirmado item = exchange::LeItemConfirmacao(FP_REQ.value(k));
        StringGrid2->setCells(5, k, item.mensagem);
        if (!item.confirmado()) {
          StringGrid2->setCells(2, k, "0,00");
          StringGrid2->setCells(4, k, "0,00");
          StringGrid2->setCells(3, k, "0,00");
        }
      }
      if (codretorno == exchange::kConfirmado || codretorno == exchange::kConfirmadoParcial) {
        codaut = cab.codigo;
        Memo1->clear();
        for (const QString& linha : exchange::LinhasComprovante(FP_REQ)) Memo1->appendPlainText(linha);
        RegistraAutorizacao();
        ImprimeComprovanteFP();
      }
    } catch (const std::exception& e) {
      platform::dialogs().message(msg);
      // The authorizer's message alone reads as success while the sale's
      // record or its printed-document row is missing: say what failed.
      platform::dialogs().errorBox(platform::errorText(e));
      return;
    }
    AtualizaTotalizadores(2);
    platform::dialogs().messageBox(msg, exchange::kCaptionFP, platform::DialogIcon::Information,
                                   platform::DialogButtons::Ok);
    if (codretorno == exchange::kConfirmado) {
      ebpreat->setEnabled(false);
      btnFechar->setEnabled(false);
      StringGrid1->setEnabled(false);
      btnFecharClick();
      ebpreat->setEnabled(true);
      ebConfirma->setEnabled(false);
      edtCRM->clear();
      ProximaSolicitacao();
    } else if (codretorno == exchange::kConfirmadoParcial) {
      platform::dialogs().message(QStringLiteral(
          "Houve medicamento(s) não confirmados pelo DATASUS e não irão constar no Cupom Fiscal."));
      ebpreat->setEnabled(false);
      btnFechar->setEnabled(true);
      btnFechar->setFocus(Qt::OtherFocusReason);
      ebConfirma->setEnabled(false);
      StringGrid1->setEnabled(false);
    } else {
      platform::dialogs().message(QStringLiteral(
          "Solicitação não confirmada, provavelmente houve algum medicamento não confirmado na "
          "pré-autorização."));
    }
  });
}

// The sale's row is the one the lookup found: this coupon number on today's
// date. The first row in natural order with the number alone may be an older
// sale of another printer or from before the counter wrapped; writing there
// would corrupt it and leave this sale unrecorded.
void TForm1::RegistraAutorizacao() {
  const QString numero = vgbcupom;
  const QDate hoje = platform::now().date();
  bool achou = false;
  for (ibdECFMOVIM->first(); !ibdECFMOVIM->eof(); ibdECFMOVIM->next()) {
    if (ibdECFMOVIM->fieldAsString("CUPOM") == numero && ibdECFMOVIM->fieldAsDate("DATA") == hoje) {
      achou = true;
      break;
    }
  }
  if (!achou) return;
  ibdECFMOVIM->edit();
  ibdECFMOVIM->setFieldFromString("CRM_ECF", edtCRM->text());
  ibdECFMOVIM->setFieldFromString("SOLICIT", edtSolicitacao->text());
  ibdECFMOVIM->setFieldFromString("UF_CRM", CBEstadoCRM->currentText());
  ibdECFMOVIM->setFieldFromString("CPFCGC_CLI", edtCPF->text());
  ibdECFMOVIM->setFieldFromString("COD_DSUS", codaut);
  ibdECFMOVIM->setFieldFromString("NOME_CLI", paciente);
  ibdECFMOVIM->post();
}

void TForm1::ImprimeComprovanteFP() {
  const QStringList linhas = Memo1->toPlainText().split('\n');
  const int n = Memo1->document()->isEmpty() ? 0 : linhas.size();
  for (int i = 1; i < n - 1; ++i) ePrinter->RelatorioGerencial(linhas.at(i));
  ePrinter->Fecha_RelatorioGerencial();
  insereRegImpresNaoFiscal("RG", "COMPROVANTE FPOPULAR");
}

void TForm1::insereRegImpresNaoFiscal(const QString& tipo, const QString& referencia) {
  ibdECFARQGE->open();
  ibdECFARQGE->insert();
  ibdECFARQGE->setFieldFromString("COO_ECF", "0");
  ibdECFARQGE->setFieldFromString("CRG_ECF", "0");
  ibdECFARQGE->setFieldFromString("CDC_ECF", "0");
  if (tipo == "RG") ibdECFARQGE->setFieldFromString("CRG_ECF", ePrinter->ContadorRelGerencial());
  if (tipo == "CC") ibdECFARQGE->setFieldFromString("CDC_ECF", ePrinter->ContadorCreditoDebito());
  ibdECFARQGE->setFieldFromString("GNF_ECF", ePrinter->ContadorGeralNaoFiscal());
  ibdECFARQGE->setFieldFromString("DENOMI", tipo);
  ibdECFARQGE->setFieldFromString("REFER", referencia);
  platform::TDateTime data = 0;
  QString hora;
  ePrinter->DataHoraUltDocEmitido(data, hora);
  ibdECFARQGE->setFieldFromDate("DT_EMIS", platform::dateOf(data));
  ibdECFARQGE->setFieldFromString("HORA", hora);
  ibdECFARQGE->setFieldFromString("COD_IMP", VGBESTACAO);
  ibdECFARQGE->setFieldFromString("COO_ECF", ePrinter->Numero_Cupom());
  ibdECFARQGE->post();
  ibdECFARQGE->close();
}
