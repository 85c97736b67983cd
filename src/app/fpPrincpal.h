// The main window: the sale in hand, from the lookup of the last coupon
// through the pre-authorization to the confirmation with its receipt.
//
// Every handler is the readable sequence of steps it is; each runs behind
// platform::runGuarded, so an unforeseen error ends the action in the
// standard error box. Record building, answer parsing and the exchange itself
// live in exchange/, the tables in shopdb/, the printer in printer/.
#ifndef QX_APP_FPPRINCPAL_H_
#define QX_APP_FPPRINCPAL_H_

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QAbstractButton;
class QPushButton;
class TypedLengthEdit;
class TeDateEdit;
class TKTEnter;
class TStringGrid;
class TePrinter;
class TfrmCancelaVendaFP;
namespace shopdb {
class TableHandle;
class SqlHandle;
}  // namespace shopdb

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  // Builds the window and runs FormCreate; a failing start-up step shows the
  // error box, skips the remaining steps and the window still opens.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // --- Handlers (public so that tests and the demo driver call them as a
  // click would; each one runs guarded) -----------------------------------
  void FormKeyDown(int key);
  void btnBuscarCuponsClick();
  void ebpreatClick();
  void ebConfirmaClick();
  void btnFecharClick();
  void btn4Click();
  void btn1Click();
  void StringGrid1KeyDown(int key);
  void StringGrid1DblClick();
  void btn2Click();
  void btnCancelarClick();
  void btnConfirmaClick();  // the product panel's confirm action

  // Modal window opened by btn4; tests replace it to see that it was opened
  // modally without running a whole cancellation window.
  std::function<void()> abreCancelamento;

  // --- Sale state -------------------------------------------------------
  QString Login, Senha, VGBESTACAO;
  QString vgbcupom;  // the coupon number as the printer component returns it
  QString cupom;
  QString UsuarioVen, senhaVen;
  QStringList FP_ENV, FP_REQ;
  QString ean, qtde, valor, posologia;
  QString codretorno, msg, paciente, codpreaut, codaut;
  double TotalPaciente = 0;
  double TotalMS = 0;
  bool PodeInserir = false;

  // --- Controls ---------------------------------------------------------
  QTabWidget* tabBackground = nullptr;
  TypedLengthEdit* edtSolicitacao = nullptr;
  TypedLengthEdit* edtCRM = nullptr;
  TeDateEdit* eDateEmissao = nullptr;
  QComboBox* CBEstadoCRM = nullptr;
  TypedLengthEdit* edtCPF = nullptr;
  TypedLengthEdit* edtCNPJ = nullptr;
  QLabel* lbCNPJ = nullptr;
  QGroupBox* grpTotais = nullptr;
  QLabel* LbValorTotalVenda = nullptr;
  QLabel* lbValorTotalMS = nullptr;
  QLabel* LbValorTotalPagar = nullptr;
  QLabel* lbDica = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  TStringGrid* StringGrid1 = nullptr;
  TStringGrid* StringGrid2 = nullptr;
  QFrame* tabPosolog = nullptr;
  TypedLengthEdit* edtAltPosologia = nullptr;
  QPushButton* btn2 = nullptr;
  QPushButton* btn3 = nullptr;
  QFrame* Panel6 = nullptr;
  TypedLengthEdit* EdtQtde = nullptr;
  TypedLengthEdit* edtPosologia = nullptr;
  TypedLengthEdit* edtProduto = nullptr;
  QPushButton* btnPesqProd = nullptr;
  QPushButton* btnConfirma = nullptr;
  QPushButton* btnCancelar = nullptr;
  QPushButton* btnBuscarCupons = nullptr;
  QPushButton* ebpreat = nullptr;
  QPushButton* ebConfirma = nullptr;
  QPushButton* btn1 = nullptr;
  QPushButton* btnFechar = nullptr;
  QPushButton* btn4 = nullptr;

  // --- Data components --------------------------------------------------
  std::unique_ptr<shopdb::SqlHandle> ibqSolicitacao;
  std::unique_ptr<shopdb::TableHandle> ibdProdutos;
  std::unique_ptr<shopdb::TableHandle> ibdECFMOVIM;
  std::unique_ptr<shopdb::TableHandle> ibdECFARQGE;
  std::unique_ptr<TePrinter> ePrinter;
  TKTEnter* ktntr1 = nullptr;

  // The 26 states of the doctor's council, exactly as the list shows them.
  static const QStringList& Estados();
  // The hidden test button's CPF numbers.
  static const QStringList& CpfsTeste();

  // Operations of the sale, callable by tests.
  // Appends a grid row from the current product and a quantity of boxes.
  void InserirItens(double caixas);
  void AtualizaTotalizadores(int modo);
  bool VerificaQtdeItem(const QString& codigo, int comprimidos);
  void ImprimeComprovanteFP();
  void insereRegImpresNaoFiscal(const QString& tipo, const QString& referencia);
  void ProximaSolicitacao();
  // Writes the authorization into the sale's ECFMOVIM row, if there is one.
  void RegistraAutorizacao();
  void PreencheGrid();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createLayout();
  void createRequestPanel(QWidget* parent);
  void createPages(QWidget* parent);
  void createButtonBar(QWidget* parent);
  void connectHandlers();
  void FormCreate();
  void edtCRMExit(QWidget* next);
  // Runs a handler behind the error boundary.
  void guarded(const std::function<void()>& handler);

  const QEvent* lastKeyEvent_ = nullptr;  // key press already seen by FormKeyDown
  bool inCrmExit_ = false;
};

#endif  // QX_APP_FPPRINCPAL_H_
