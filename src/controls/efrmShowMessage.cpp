#include "controls/efrmShowMessage.h"

#include "controls/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

QLabel* messageLine(QWidget* parent, int left, int top) {
  auto* label = new QLabel(parent);
  label->setGeometry(left, top, 348, 17);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  label->setFont(font);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  label->setWordWrap(false);
  return label;
}

}  // namespace

TfrmShowMessage::TfrmShowMessage(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  setWindowTitle(QString());
  setModal(true);
  resize(369, 191);
  QFont font = this->font();
  font.setPixelSize(11);
  setFont(font);

  sMensagem1 = messageLine(this, 8, 7);
  sMensagem2 = messageLine(this, 8, 36);
  sMensagem3 = messageLine(this, 8, 64);
  sMensagem4 = messageLine(this, 10, 98);

  eBotao = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                           QStringLiteral("&Fechar"), this);
  eBotao->setGeometry(144, 129, 75, 25);
  eBotao->setDefault(true);
  eBotao->setAutoDefault(true);
  connect(eBotao, &QPushButton::clicked, this, [this] { eBotaoClick(); });

  // The lines start blank; the caller fills them.
  sMensagem1->setText(QStringLiteral(" "));
  sMensagem2->setText(QStringLiteral(" "));
  sMensagem3->setText(QStringLiteral(" "));
}

void TfrmShowMessage::setLinhas(const QString& linha1, const QString& linha2,
                                const QString& linha3) {
  sMensagem1->setText(linha1);
  sMensagem2->setText(linha2);
  sMensagem3->setText(linha3);
}

bool TfrmShowMessage::event(QEvent* e) {
  const bool handled = QDialog::event(e);
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return handled;
}

void TfrmShowMessage::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  controls::centreOnScreen(this);
  eBotao->setFocus();
}

void TfrmShowMessage::keyPressEvent(QKeyEvent* e) {
  // The original closes on its button, Enter or the close box, not on Escape.
  if (e->key() == Qt::Key_Escape) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TfrmShowMessage::FormActivate() { controls::restoreAndRaiseApplication(this); }

void TfrmShowMessage::eBotaoClick() { done(QDialog::Accepted); }
