#include "controls/unMensagem.h"

#include "controls/window_placement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>

namespace {

QLabel* noticeLine(QWidget* parent, int top, int height, const QColor& colour, int pixels,
                   Qt::Alignment alignment, const QString& placeholder) {
  auto* label = new QLabel(placeholder, parent);
  label->setGeometry(8, top, 404, height);
  QFont font = label->font();
  font.setPixelSize(pixels);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setWordWrap(false);  // longer texts are cut at the label's edge
  return label;
}

}  // namespace

TfrmMensagem::TfrmMensagem(QWidget* parent) : QDialog(parent) {
  // A title bar without any button: the notice goes away only when destroyed.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint);
  setWindowTitle(QStringLiteral(" Mensagem do TEF"));
  setFixedSize(410, 96);
  const QColor navy(0, 0, 128);
  lblLinha1 = noticeLine(this, 8, 16, Qt::red, 13, Qt::AlignHCenter, QStringLiteral("Linha 1"));
  lblLinha2 = noticeLine(this, 32, 13, navy, 11, Qt::AlignLeft, QStringLiteral("Linha 2"));
  lblLinha3 = noticeLine(this, 56, 13, navy, 11, Qt::AlignLeft, QStringLiteral("Linha 3"));
  lblLinha4 = noticeLine(this, 78, 13, navy, 11, Qt::AlignLeft, QStringLiteral("Linha 4"));
}

void TfrmMensagem::setLinhas(const QString& linha1, const QString& linha2, const QString& linha3,
                             const QString& linha4) {
  lblLinha1->setText(linha1);
  lblLinha2->setText(linha2);
  lblLinha3->setText(linha3);
  lblLinha4->setText(linha4);
}

void TfrmMensagem::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  controls::centreOnScreen(this);
}

void TfrmMensagem::closeEvent(QCloseEvent* e) { e->ignore(); }

void TfrmMensagem::keyPressEvent(QKeyEvent* e) { e->accept(); }
