#include "exchange/aguarde_fp.h"

#include "controls/eBotoes.h"
#include "controls/pictures.h"
#include "exchange/troca.h"
#include "platform/dialogs.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace exchange {

TfrmAguardeFP* frmAguardeFP = nullptr;

namespace {

QLabel* rotulo(const QString& texto, int pontos, QWidget* pai) {
  auto* label = new QLabel(texto, pai);
  QFont fonte = label->font();
  fonte.setPointSize(pontos);
  fonte.setBold(true);
  label->setFont(fonte);
  label->setStyleSheet(QStringLiteral("color: #404040;"));
  return label;
}

QFrame* chanfro(QWidget* pai) {
  auto* linha = new QFrame(pai);
  linha->setFrameShape(QFrame::HLine);
  linha->setFrameShadow(QFrame::Sunken);
  return linha;
}

}  // namespace

TfrmAguardeFP::TfrmAguardeFP(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmAguardeFP"));
  setWindowTitle(QStringLiteral("Aguarde..."));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(482, 249);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rotulo(kCaptionFP, 18, this));
  layout->addWidget(chanfro(this));
  auto* status = rotulo(QStringLiteral("Aguardando retorno..."), 14, this);
  status->setAlignment(Qt::AlignHCenter);
  layout->addWidget(status);
  layout->addWidget(chanfro(this));
  Label3 = new QLabel(QStringLiteral("Pré-Autorização"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setAlignment(Qt::AlignHCenter);
  layout->addWidget(Label3);
  layout->addStretch();

  eBitBtn1 = new TeBitBtn(this);
  eBitBtn1->setObjectName(QStringLiteral("eBitBtn1"));
  eBitBtn1->setCaption(QStringLiteral("Cancelar"));
  eBitBtn1->setHint(QStringLiteral("Cancela"));
  eBitBtn1->setGlyph(controls::loadPicture(QStringLiteral("eCancelar")));
  eBitBtn1->setSize(110, 40);
  eBitBtn1->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  eBitBtn1->setAutoDefault(false);
  eBitBtn1->setDefault(false);
  layout->addWidget(eBitBtn1, 0, Qt::AlignHCenter);
  connect(eBitBtn1, &QPushButton::clicked, this, &TfrmAguardeFP::eBitBtn1Click);

  Checagem = new QTimer(this);
  Checagem->setObjectName(QStringLiteral("Checagem"));
  Checagem->setInterval(kIntervaloChecagem);
  connect(Checagem, &QTimer::timeout, this, &TfrmAguardeFP::ChecagemTimer);
}

void TfrmAguardeFP::setLegenda(const QString& texto) {
  Label3->setText(texto);
  Label3->setAlignment(Qt::AlignHCenter);
}

void TfrmAguardeFP::ChecagemTimer() {
  QCoreApplication::processEvents();
  if (platform::files::exists(kArquivoRetorno)) {
    Checagem->stop();
    Retorno = 1;
    done(QDialog::Accepted);
  }
}

void TfrmAguardeFP::eBitBtn1Click() {
  // The timer goes on ticking while the question is open; an answer that
  // arrives meanwhile sets Retorno 1 and closes the dialog, and Yes still wins.
  const auto resposta = platform::dialogs().messageBox(kPerguntaCancelar, kCaptionFP,
                                                       platform::DialogIcon::Information,
                                                       platform::DialogButtons::YesNo);
  if (resposta == platform::DialogResult::Yes) {
    Checagem->stop();
    Retorno = 2;
    done(QDialog::Rejected);
  }
}

void TfrmAguardeFP::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* tela = QGuiApplication::primaryScreen())
    move(tela->availableGeometry().center() - rect().center());
  Checagem->start();
}

void TfrmAguardeFP::hideEvent(QHideEvent* event) {
  Checagem->stop();
  QDialog::hideEvent(event);
}

void TfrmAguardeFP::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

}  // namespace exchange
