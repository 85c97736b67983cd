#include "controls/qt_dialogs.h"

#include "controls/efrmShowMessage.h"
#include "controls/unMensagem.h"
#include "controls/window_placement.h"
#include "platform/clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include <memory>

using platform::DialogButtons;
using platform::DialogIcon;
using platform::DialogResult;

namespace {

// Longest wait for the window system to expose the notice before drawing it.
constexpr int kExposeWaitMs = 250;

struct ButtonSpec {
  QMessageBox::StandardButton button;
  DialogResult result;
  const char16_t* text;
};

QList<ButtonSpec> buttonsOf(DialogButtons buttons) {
  const ButtonSpec ok{QMessageBox::Ok, DialogResult::Ok, u"OK"};
  const ButtonSpec cancel{QMessageBox::Cancel, DialogResult::Cancel, u"Cancelar"};
  const ButtonSpec yes{QMessageBox::Yes, DialogResult::Yes, u"&Sim"};
  const ButtonSpec no{QMessageBox::No, DialogResult::No, u"&Não"};
  const ButtonSpec retry{QMessageBox::Retry, DialogResult::Retry, u"&Repetir"};
  const ButtonSpec abort{QMessageBox::Abort, DialogResult::Abort, u"&Anular"};
  const ButtonSpec ignore{QMessageBox::Ignore, DialogResult::Ignore, u"&Ignorar"};
  switch (buttons) {
    case DialogButtons::Ok: return {ok};
    case DialogButtons::OkCancel: return {ok, cancel};
    case DialogButtons::YesNo: return {yes, no};
    case DialogButtons::YesNoCancel: return {yes, no, cancel};
    case DialogButtons::RetryCancel: return {retry, cancel};
    case DialogButtons::AbortRetryIgnore: return {abort, retry, ignore};
  }
  return {ok};
}

QMessageBox::Icon iconOf(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Information: return QMessageBox::Information;
    case DialogIcon::Warning: return QMessageBox::Warning;
    case DialogIcon::Error: return QMessageBox::Critical;
    case DialogIcon::Question: return QMessageBox::Question;
    case DialogIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

DialogResult showBox(const QString& text, const QString& caption, DialogIcon icon,
                     DialogButtons buttons) {
  QMessageBox box(iconOf(icon), caption, text);
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  const QList<ButtonSpec> choices = buttonsOf(buttons);
  box.setStandardButtons(QMessageBox::NoButton);
  for (const ButtonSpec& choice : choices) {
    box.addButton(choice.button)->setText(QString::fromUtf16(choice.text));
  }
  box.setDefaultButton(choices.first().button);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const ButtonSpec& choice : choices) {
    if (choice.button == clicked) return choice.result;
  }
  // Closed without a button: what Escape means, Cancel before No.
  for (const DialogResult escape : {DialogResult::Cancel, DialogResult::No}) {
    for (const ButtonSpec& choice : choices) {
      if (choice.result == escape) return escape;
    }
  }
  return choices.first().result;
}

}  // namespace

void QtDialogs::message(const QString& text) {
  showBox(text, platform::applicationTitle(), DialogIcon::None, DialogButtons::Ok);
}

DialogResult QtDialogs::messageBox(const QString& text, const QString& caption, DialogIcon icon,
                                   DialogButtons buttons) {
  return showBox(text, caption, icon, buttons);
}

DialogResult QtDialogs::messageDlg(const QString& text, DialogIcon type, DialogButtons buttons) {
  return showBox(text, platform::messageDlgCaption(type), type, buttons);
}

void QtDialogs::errorBox(const QString& text) {
  showBox(text, platform::applicationTitle(), DialogIcon::Error, DialogButtons::Ok);
}

void QtDialogs::threeLines(const QString& line1, const QString& line2, const QString& line3) {
  // Released on every way out, an error while shown included.
  const auto form = std::make_unique<TfrmShowMessage>();
  form->setLinhas(line1, line2, line3);
  form->exec();
}

void QtDialogs::notice(const QString& line1, const QString& line2, const QString& line3,
                       const QString& line4) {
  const auto form = std::make_unique<TfrmMensagem>();
  form->show();
  controls::restoreAndRaiseApplication(form.get());
  form->setLinhas(line1, line2, line3, line4);
  // A window just shown is drawn only once the window system has exposed it;
  // without waiting for that the notice would stay blank for its second.
  QElapsedTimer waited;
  waited.start();
  while (form->windowHandle() != nullptr && !form->windowHandle()->isExposed() &&
         waited.elapsed() < kExposeWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  }
  form->repaint();
  // The user-interface thread waits here: no event reaches the notice.
  platform::sleepMs(1000);
}

void QtDialogs::beep() { QApplication::beep(); }
