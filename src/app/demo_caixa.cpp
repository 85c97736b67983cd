#include "app/demo_caixa.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/fpPrincpal.h"
#include "app/typed_length_edit.h"
#include "controls/string_grid.h"

DemoCaixa::DemoCaixa(TForm1& form, RoteiroCaixa roteiro, std::FILE* out)
    : form_(form), roteiro_(std::move(roteiro)), out_(out) {}

void DemoCaixa::tecla(int key, const QString& texto) {
  QWidget* alvo = QApplication::focusWidget();
  if (alvo == nullptr || alvo->window() != &form_) alvo = &form_;
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, texto);
  QApplication::sendEvent(alvo, &press);
  QWidget* depois = QApplication::focusWidget();
  if (depois == nullptr || !form_.isAncestorOf(depois)) depois = &form_;
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, texto);
  QApplication::sendEvent(form_.isVisible() ? depois : static_cast<QWidget*>(&form_), &release);
  QApplication::processEvents();
}

void DemoCaixa::digita(const QString& texto) {
  for (QChar c : texto) tecla(c.isDigit() ? Qt::Key_0 + c.digitValue() : c.toUpper().unicode(), QString(c));
}

void DemoCaixa::clica(QWidget* alvo) {
  const QPointF meio = QRectF(alvo->rect()).center();
  const QPointF global = alvo->mapToGlobal(meio);
  QMouseEvent press(QEvent::MouseButtonPress, meio, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(alvo, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, meio, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(alvo, &release);
  QApplication::processEvents();
}

void DemoCaixa::captura(const char* nome) {
  const QString arquivo =
      QDir(roteiro_.pastaCapturas).filePath(QStringLiteral("%1-%2.png").arg(++numero_, 2, 10, QChar('0')).arg(nome));
  form_.grab().save(arquivo);
  std::fprintf(out_, "captura: %s\n", QDir::toNativeSeparators(arquivo).toUtf8().constData());
}

bool DemoCaixa::passo(const char* nome, bool ok, const QString& detalhe) {
  std::fprintf(out_, "passo %s: %s%s%s\n", nome, ok ? "ok" : "FALHOU", detalhe.isEmpty() ? "" : " - ",
               detalhe.toUtf8().constData());
  std::fflush(out_);
  captura(nome);
  return ok;
}

int DemoCaixa::executa() {
  QApplication::processEvents();
  if (!passo("inicio", form_.isVisible(), QStringLiteral("solicitação %1").arg(form_.edtSolicitacao->text())))
    return 1;

  // The sale just registered on the printer: F1.
  form_.edtCRM->setFocus(Qt::OtherFocusReason);
  tecla(Qt::Key_F1);
  int itens = 0;
  for (int r = 1; r < form_.StringGrid1->RowCount(); ++r)
    if (!form_.StringGrid1->Cells(1, r).trimmed().isEmpty()) ++itens;
  if (!passo("consulta", itens > 0,
             QStringLiteral("cupom %1, %2 item(ns), CPF %3, total %4")
                 .arg(form_.vgbcupom)
                 .arg(itens)
                 .arg(form_.edtCPF->text(), form_.LbValorTotalVenda->text())))
    return 1;

  // CRM typed, state chosen from the list.
  clica(form_.edtCRM);
  form_.edtCRM->selectAll();
  digita(roteiro_.crm);
  const int uf = [&] {
    for (int i = 0; i < form_.CBEstadoCRM->count(); ++i)
      if (form_.CBEstadoCRM->itemText(i).startsWith(roteiro_.uf.toUpper() + " ")) return i;
    return -1;
  }();
  if (uf >= 0) form_.CBEstadoCRM->setCurrentIndex(uf);
  if (!passo("crm", form_.edtCRM->text() == roteiro_.crm.left(7) && uf >= 0,
             QStringLiteral("CRM %1 %2").arg(form_.edtCRM->text(), form_.CBEstadoCRM->currentText())))
    return 1;

  tecla(Qt::Key_F2);
  const bool respondeu = !form_.FP_REQ.isEmpty() && form_.PageControl1->currentWidget() == form_.TabSheet2;
  if (!passo("pre-autorizacao", respondeu,
             QStringLiteral("status %1, total MS %2, paciente paga %3")
                 .arg(form_.codretorno, form_.lbValorTotalMS->text(), form_.LbValorTotalPagar->text())))
    return 1;
  if (!form_.ebConfirma->isEnabled()) {
    std::fprintf(out_, "fim: pré-autorização não concedida (status %s); a venda termina aqui\n",
                 form_.codretorno.toUtf8().constData());
    return 0;
  }

  form_.FP_REQ.clear();
  tecla(Qt::Key_F3);
  const bool confirmou = !form_.FP_REQ.isEmpty();
  if (!passo("confirmacao", confirmou,
             QStringLiteral("status %1, autorização %2, %3 linha(s) de comprovante")
                 .arg(form_.codretorno, form_.codaut)
                 .arg(form_.Memo1->document()->isEmpty() ? 0 : form_.Memo1->document()->blockCount())))
    return 1;
  std::fprintf(out_, "fim: %s\n",
               form_.isVisible() ? "o programa continua aberto" : "programa encerrado pela confirmação");
  return 0;
}
