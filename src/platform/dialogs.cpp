#include "platform/dialogs.h"

#include "platform/clock.h"

#include <QCoreApplication>

namespace platform {

namespace {

RecordingDialogs& standIn() {
  static RecordingDialogs recorder;
  return recorder;
}

Dialogs* installed = nullptr;

bool isQuestion(DialogButtons buttons) { return buttons != DialogButtons::Ok; }

}  // namespace

Dialogs& dialogs() { return installed != nullptr ? *installed : standIn(); }

void installDialogs(Dialogs* dialogs) { installed = dialogs; }

DialogResult defaultResult(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
    case DialogButtons::OkCancel: return DialogResult::Ok;
    case DialogButtons::YesNo:
    case DialogButtons::YesNoCancel: return DialogResult::Yes;
    case DialogButtons::RetryCancel: return DialogResult::Retry;
    case DialogButtons::AbortRetryIgnore: return DialogResult::Abort;
  }
  return DialogResult::Ok;
}

QString ShownDialog::line() const {
  QString shownText = text;
  shownText.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
  shownText.replace(u'\n', QStringLiteral("\\n"));
  shownText.replace(u'\r', QStringLiteral("\\n"));
  QString result = QStringLiteral("dialog: ");
  if (!caption.isEmpty()) result += u'[' + caption + QStringLiteral("] ");
  return result + shownText;
}

QString messageDlgCaption(DialogIcon type) {
  switch (type) {
    case DialogIcon::Warning: return QStringLiteral("Aviso");
    case DialogIcon::Information: return QStringLiteral("Informação");
    case DialogIcon::Error: return QStringLiteral("Erro");
    case DialogIcon::Question: return QStringLiteral("Confirmação");
    case DialogIcon::None: break;
  }
  // A custom dialog carries the application's title, as the original's did.
  return applicationTitle();
}

QString applicationTitle() { return QCoreApplication::applicationName(); }

QStringList RecordingDialogs::texts() const {
  QStringList result;
  for (const ShownDialog& d : shown_) result.append(d.text);
  return result;
}

DialogResult RecordingDialogs::record(ShownDialog dialog) {
  if (isQuestion(dialog.buttons) && !answers_.isEmpty()) {
    dialog.answer = answers_.takeFirst();
  } else {
    dialog.answer = defaultResult(dialog.buttons);
  }
  shown_.append(dialog);
  if (onShown) onShown(shown_.last());
  return dialog.answer;
}

void RecordingDialogs::message(const QString& text) {
  ShownDialog d;
  d.kind = DialogKind::Message;
  d.caption = applicationTitle();
  d.text = text;
  record(d);
}

DialogResult RecordingDialogs::messageBox(const QString& text, const QString& caption,
                                          DialogIcon icon, DialogButtons buttons) {
  ShownDialog d;
  d.kind = DialogKind::MessageBox;
  d.caption = caption;
  d.text = text;
  d.icon = icon;
  d.buttons = buttons;
  return record(d);
}

DialogResult RecordingDialogs::messageDlg(const QString& text, DialogIcon type,
                                          DialogButtons buttons) {
  ShownDialog d;
  d.kind = DialogKind::MessageDlg;
  d.caption = messageDlgCaption(type);
  d.text = text;
  d.icon = type;
  d.buttons = buttons;
  return record(d);
}

void RecordingDialogs::errorBox(const QString& text) {
  ShownDialog d;
  d.kind = DialogKind::ErrorBox;
  d.caption = applicationTitle();
  d.text = text;
  d.icon = DialogIcon::Error;
  record(d);
}

void RecordingDialogs::threeLines(const QString& line1, const QString& line2,
                                  const QString& line3) {
  ShownDialog d;
  d.kind = DialogKind::ThreeLines;
  d.text = QStringList{line1, line2, line3}.join(u'\n');
  record(d);
}

void RecordingDialogs::notice(const QString& line1, const QString& line2, const QString& line3,
                              const QString& line4) {
  ShownDialog d;
  d.kind = DialogKind::Notice;
  d.caption = QStringLiteral(" Mensagem do TEF");
  d.text = QStringList{line1, line2, line3, line4}.join(u'\n');
  record(d);
  // The notice's second is part of the contract; a test sees it in its pause double.
  sleepMs(1000);
}

}  // namespace platform
