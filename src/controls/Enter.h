// TKTEnter: keyboard-driven data entry for the whole application.
//
// Placed on one window, it installs itself as the application's message
// pre-filter (an event filter on the QApplication, through
// ApplicationHandlers()), so every window is covered while it exists:
// - the focused edit-type control (line edits, masked edits, the date edit,
//   multi-line edits) is painted in FocusColor and turns white when the
//   focus leaves it;
// - in a control whose type name is in ClassList, Enter becomes Tab (Right
//   arrow in a grid, moving one cell right), so Enter never presses a
//   dialog's default button there; Down becomes Tab outside grids; Up goes
//   to the previous field after the control has seen it; a full edit with a
//   maximum length moves on by itself (AutoSkip).
// It gives the application back the handlers it found when destroyed.
#ifndef QX_CONTROLS_ENTER_H_
#define QX_CONTROLS_ENTER_H_

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QEvent;
class QKeyEvent;

// The application's four notification handlers, Qt's counterpart of the
// original application object's message pre-filter, idle, hint and help
// events. Setting any of them starts the dispatch: OnMessage sees every event
// of the user-interface thread before its receiver (handled = true eats it),
// OnIdle runs when the event loop is about to wait, OnHint when the hint
// shown for the widget under the mouse changes, OnHelp for help requests.
struct TApplicationHandlers {
  std::function<void(QObject* receiver, QEvent* event, bool& handled)> OnMessage;
  std::function<void(bool& done)> OnIdle;
  std::function<void()> OnHint;
  std::function<bool(quint16 command, qintptr data, bool& callHelp)> OnHelp;
};
TApplicationHandlers& ApplicationHandlers();
// The application's current hint text (the last tooltip asked for).
QString ApplicationHint();
// Asks the application for help: what OnHelp answers, true without it.
bool ApplicationHelpCommand(quint16 command, qintptr data);

class TKTEnter : public QObject {
  Q_OBJECT

 public:
  // Sets the defaults and takes over the application's four handlers.
  explicit TKTEnter(QObject* owner = nullptr);
  // Restores exactly the handlers found at creation.
  ~TKTEnter() override;
  TKTEnter(const TKTEnter&) = delete;
  TKTEnter& operator=(const TKTEnter&) = delete;

  QString About;
  bool AutoSkip = true;
  bool Enabled = true;          // key conversion; the highlight does not depend on it
  bool KeyBoardArrows = true;
  QColor FocusColor{255, 255, 0};
  bool FocusEnabled = true;

  // Type names whose keys are converted, compared without regard to case.
  const QStringList& ClassList() const { return classList_; }
  void setClassList(const QStringList& names) { classList_ = names; }
  static QStringList DefaultClassList();  // the 55 names a new navigator holds

  // Called after the navigator's own work (OnMessage) or after the handler
  // it replaced (the others).
  std::function<void(QObject* receiver, QEvent* event, bool& handled)> OnMessage;
  std::function<void(bool& done)> OnIdle;
  std::function<void()> OnHint;
  std::function<bool(quint16 command, qintptr data, bool& callHelp)> OnHelp;

  // The name ClassList is matched against: our own classes by their class
  // name (TeDateEdit, TStringGrid), Qt widgets by the original's type name
  // (a line edit is TEdit, with an input mask TMaskEdit, a table widget
  // TStringGrid, a combo box TComboBox...). A dynamic property "qxClassName"
  // on the widget overrides both.
  static QString TypeName(const QWidget* widget);
  static bool IsEditType(const QWidget* widget);
  static bool IsGrid(const QWidget* widget);
  // The maximum length AutoSkip uses: the dynamic property "MaxLength" when
  // set (a limit that must not cut program-set text, which setMaxLength
  // would), else a line edit's own limit; 0 for none.
  static int MaxLength(const QWidget* widget);

  // The edit that carries the highlight, or nullptr.
  QWidget* RememberedControl() const { return remembered_.data(); }

 private:
  void message(QObject* receiver, QEvent* event, bool& handled);
  void trackFocus();
  bool convertKey(QWidget* focus, QKeyEvent* key);  // true when the key was replaced
  bool listed(const QWidget* widget) const;
  void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers);
  void resend(QWidget* target, QKeyEvent* key);

  QStringList classList_;
  QPointer<QWidget> remembered_;
  TApplicationHandlers previous_;  // what was installed before us
  int sending_ = 0;                // events we send ourselves pass untouched
};

#endif  // QX_CONTROLS_ENTER_H_
