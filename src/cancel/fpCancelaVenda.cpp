#include "cancel/fpCancelaVenda.h"

#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

TfrmCancelaVendaFP::TfrmCancelaVendaFP(QWidget* owner) : QDialog(owner) {
  setObjectName("frmCancelaVendaFP");
  setWindowTitle(QStringLiteral("Cancelamento - Farmácia Popular"));
  setFont(QFont("Tahoma", 8));
  setFixedSize(607, 437);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TfrmCancelaVendaFP::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}
