// The dialogs port: every modal interaction of the system goes through it.
//
// The Qt implementation (controls/qt_dialogs.h) shows real windows; tests
// install RecordingDialogs, which keeps what was shown, in order, and answers
// questions from a queue. Only the user-interface thread calls it.
#ifndef QX_PLATFORM_DIALOGS_H_
#define QX_PLATFORM_DIALOGS_H_

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

enum class DialogKind {
  Message,     // plain modal message box with OK (ShowMessage)
  MessageBox,  // task-modal box with caption, icon and buttons
  MessageDlg,  // warning / information / confirmation / error dialog
  ErrorBox,    // the standard error box showing an exception's text
  ThreeLines,  // TfrmShowMessage through ExibeMensagem
  Notice,      // TfrmMensagem: four lines, one second, then gone
};

enum class DialogIcon { None, Information, Warning, Error, Question };
enum class DialogButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// Ordinals are the Windows IDOK ... IDNO values the original code compared.
enum class DialogResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual void message(const QString& text) = 0;
  virtual DialogResult messageBox(const QString& text, const QString& caption, DialogIcon icon,
                                  DialogButtons buttons) = 0;
  // The caption is the standard one of the type ("Aviso", "Informação", ...).
  virtual DialogResult messageDlg(const QString& text, DialogIcon type, DialogButtons buttons) = 0;
  virtual void errorBox(const QString& text) = 0;
  virtual void threeLines(const QString& line1, const QString& line2, const QString& line3) = 0;
  // Blocks for the notice's second through the pause port (clock.h).
  virtual void notice(const QString& line1, const QString& line2, const QString& line3,
                      const QString& line4) = 0;
  virtual void beep() = 0;
};

// The installed implementation. Until one is installed a RecordingDialogs
// that answers every question with its first button stands in, so that code
// run without a user interface never blocks.
Dialogs& dialogs();
void installDialogs(Dialogs* dialogs);  // nullptr restores the stand-in; caller owns it

// The first button of a set: what Enter presses in the standard boxes.
DialogResult defaultResult(DialogButtons buttons);

struct ShownDialog {
  DialogKind kind = DialogKind::Message;
  QString caption;
  QString text;  // lines of ThreeLines and Notice joined with "\n"
  DialogIcon icon = DialogIcon::None;
  DialogButtons buttons = DialogButtons::Ok;
  DialogResult answer = DialogResult::None;

  // "dialog: [caption] text", line breaks written as \n (CR LF, LF and CR
  // alike): the literal word "dialog" for every kind, so a headless run reads
  // the same whatever box a step shows. "[caption] " is left out for a window
  // without a title (the three-line message).
  QString line() const;
};

class RecordingDialogs : public Dialogs {
 public:
  // Answers questions in order; when the queue is empty, the first button.
  // A box whose only button is OK is no question and takes nothing from the
  // queue. Each record carries the caption the real window shows (the plain
  // message and the error box: applicationTitle()). notice() pauses 1000 ms
  // through the pause port, as the real one.
  void queueAnswer(DialogResult result) { answers_.append(result); }

  const QList<ShownDialog>& shown() const { return shown_; }
  QStringList texts() const;
  void clear() { shown_.clear(); }

  // Called after each dialog is recorded, before the call returns: a test
  // acts here "while the dialog is open".
  std::function<void(const ShownDialog&)> onShown;
  int beeps() const { return beeps_; }

  void message(const QString& text) override;
  DialogResult messageBox(const QString& text, const QString& caption, DialogIcon icon,
                          DialogButtons buttons) override;
  DialogResult messageDlg(const QString& text, DialogIcon type, DialogButtons buttons) override;
  void errorBox(const QString& text) override;
  void threeLines(const QString& line1, const QString& line2, const QString& line3) override;
  void notice(const QString& line1, const QString& line2, const QString& line3,
              const QString& line4) override;
  void beep() override { ++beeps_; }

 private:
  DialogResult record(ShownDialog dialog);

  QList<DialogResult> answers_;
  QList<ShownDialog> shown_;
  int beeps_ = 0;
};

// Installs a recorder for the lifetime of a test scope.
class ScopedDialogs {
 public:
  ScopedDialogs() { installDialogs(&recorder); }
  ~ScopedDialogs() { installDialogs(nullptr); }
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;
  RecordingDialogs recorder;
};

// Standard caption of a MessageDlg type; applicationTitle() for DialogIcon::None.
QString messageDlgCaption(DialogIcon type);

// The caption of the plain message box and of the standard error box, as the
// original platform titled them: the application's name
// (QCoreApplication::applicationName(), the executable's name unless the
// program sets one).
QString applicationTitle();

}  // namespace platform

#endif  // QX_PLATFORM_DIALOGS_H_
