// The dialogs port with real Qt windows: QMessageBox for the standard boxes,
// TfrmShowMessage for the three-line message, TfrmMensagem for the notice.
// Install it once the QApplication exists:
//   QtDialogs dialogs; platform::installDialogs(&dialogs);
#ifndef QX_CONTROLS_QT_DIALOGS_H_
#define QX_CONTROLS_QT_DIALOGS_H_

#include "platform/dialogs.h"

class QtDialogs : public platform::Dialogs {
 public:
  // Plain message: no icon, one OK button, caption platform::applicationTitle().
  void message(const QString& text) override;
  // Application-modal, on top, Portuguese button texts; Enter presses the
  // first button; closed without a button it answers Cancel or No when the
  // set has one, else the first button.
  platform::DialogResult messageBox(const QString& text, const QString& caption,
                                    platform::DialogIcon icon,
                                    platform::DialogButtons buttons) override;
  platform::DialogResult messageDlg(const QString& text, platform::DialogIcon type,
                                    platform::DialogButtons buttons) override;
  // The standard error box: error icon, one OK button, caption
  // platform::applicationTitle().
  void errorBox(const QString& text) override;
  // TfrmShowMessage, modal; returns once the user closed it; always released.
  void threeLines(const QString& line1, const QString& line2, const QString& line3) override;
  // TfrmMensagem shown, the application restored and raised, painted at once,
  // held 1000 ms through platform::sleepMs, then destroyed.
  void notice(const QString& line1, const QString& line2, const QString& line3,
              const QString& line4) override;
  void beep() override;
};

#endif  // QX_CONTROLS_QT_DIALOGS_H_
