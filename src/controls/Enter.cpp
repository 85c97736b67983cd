#include "controls/Enter.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeView>

namespace {

// Feeds the application's events and notifications to the current handlers.
class Dispatcher : public QObject {
 public:
  Dispatcher() {
    QCoreApplication::instance()->installEventFilter(this);
    if (auto* loop = QAbstractEventDispatcher::instance())
      connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        if (handlers.OnIdle) {
          bool done = true;
          handlers.OnIdle(done);
        }
      });
  }

  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::ToolTip || event->type() == QEvent::StatusTip) {
      if (auto* w = qobject_cast<QWidget*>(receiver); w != nullptr && w->toolTip() != hint) {
        hint = w->toolTip();
        if (handlers.OnHint) handlers.OnHint();
      }
    }
    if (event->type() == QEvent::WhatsThis && handlers.OnHelp) {
      bool callHelp = true;
      handlers.OnHelp(0, reinterpret_cast<qintptr>(receiver), callHelp);
    }
    if (!handlers.OnMessage) return false;
    bool handled = false;
    handlers.OnMessage(receiver, event, handled);
    return handled;
  }

  TApplicationHandlers handlers;
  QString hint;
};

// Lives as long as the application; parented to it so it goes with it.
QPointer<Dispatcher> instance;

Dispatcher& dispatcher() {
  if (instance.isNull()) {
    instance = new Dispatcher;
    instance->setParent(QCoreApplication::instance());
  }
  return *instance;
}

bool isEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

const QColor kWhite(255, 255, 255);

void paintBackground(QWidget* w, const QColor& colour) {
  if (w->palette().color(QPalette::Base) == colour) return;  // avoids a change event per event
  QPalette p = w->palette();
  p.setColor(QPalette::Base, colour);
  w->setPalette(p);
}

// The cell editor of an item view plays the original grids' in-place editor.
bool isCellEditor(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
    if (qobject_cast<const QAbstractItemView*>(p)) return true;
  return false;
}

}  // namespace

TApplicationHandlers& ApplicationHandlers() { return dispatcher().handlers; }

QString ApplicationHint() { return dispatcher().hint; }

bool ApplicationHelpCommand(quint16 command, qintptr data) {
  bool callHelp = true;
  const auto& onHelp = dispatcher().handlers.OnHelp;
  return onHelp ? onHelp(command, data, callHelp) : true;
}

TKTEnter::TKTEnter(QObject* owner) : QObject(owner), classList_(DefaultClassList()) {
  TApplicationHandlers& app = ApplicationHandlers();
  previous_ = app;
  app.OnMessage = [this](QObject* r, QEvent* e, bool& handled) { message(r, e, handled); };
  app.OnIdle = [this](bool& done) {
    if (previous_.OnIdle) previous_.OnIdle(done);
    if (OnIdle) OnIdle(done);
  };
  app.OnHint = [this] {
    if (previous_.OnHint) previous_.OnHint();
    if (OnHint) OnHint();
  };
  app.OnHelp = [this](quint16 command, qintptr data, bool& callHelp) {
    if (QCoreApplication::closingDown()) return true;
    bool result = true;
    if (previous_.OnHelp) result = previous_.OnHelp(command, data, callHelp);
    if (OnHelp) return OnHelp(command, data, callHelp);
    return result;
  };
}

TKTEnter::~TKTEnter() {
  if (!instance.isNull()) instance->handlers = previous_;
}

QStringList TKTEnter::DefaultClassList() {
  return {
      "TMaskEdit", "TEdit", "TDBEdit", "TDBCheckBox", "TTabbedNoteBook", "TDBCheckDocEdit",
      "TKTDBExtEdit", "TDBDateEdit", "TwwDBGrid", "TwwDBEdit", "TwwDBComboBox", "TwwDBSpinEdit",
      "TwwDBComboDlg", "TwwDBLookupCombo", "TwwDBLookupComboDlg", "TwwIncrementalSearch",
      "TwwDBRitchEdit", "TwwKeyCombo", "TRxDBLookupList", "TRxDBGrid", "TRxDBLookupCombo",
      "TRxDBCalcEdit", "TRxDBComboBox", "TRxDBComboEdit", "TDBDateEdit", "TRxCalcEdit",
      "TCurrencyEdit", "TRxLookupEdit", "TStringGrid", "TDrawGrid", "TDBGrid",
      "TeDBExZeroPesquisa", "TeDBEdtExNumero", "TeDBEditData", "TeDBEditNumero", "TeDBEditZero",
      "TeDBEdit", "TeDBEdtExZero", "TDBCheckDocEdit", "TeDBExEdit", "TeDBExZero", "TDbButton",
      "TDBBitBtn", "TDBRadioButton", "TDBLabel3D", "TDbMaskEdit", "TeDateEdit", "TeDBDateEdit",
      "TDBZeroEdit", "TDBTimeEdit", "TDBNumEdit", "TDBFind", "TDBLookupComboBox", "TDComboBox",
      "TDateEdit",
  };
}

QString TKTEnter::TypeName(const QWidget* w) {
  if (w == nullptr) return {};
  if (const QVariant name = w->property("qxClassName"); name.isValid()) return name.toString();
  const char* own = w->metaObject()->className();
  if (own[0] == 'T') return QString::fromLatin1(own);
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
    if (isCellEditor(w)) return QStringLiteral("TInplaceEdit");
    return edit->inputMask().isEmpty() ? QStringLiteral("TEdit") : QStringLiteral("TMaskEdit");
  }
  if (qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w))
    return QStringLiteral("TMemo");
  if (qobject_cast<const QTableWidget*>(w)) return QStringLiteral("TStringGrid");
  if (qobject_cast<const QTableView*>(w)) return QStringLiteral("TDrawGrid");
  if (qobject_cast<const QTreeView*>(w)) return QStringLiteral("TTreeView");
  if (qobject_cast<const QListView*>(w)) return QStringLiteral("TListBox");
  if (qobject_cast<const QComboBox*>(w)) return QStringLiteral("TComboBox");
  if (qobject_cast<const QCheckBox*>(w)) return QStringLiteral("TCheckBox");
  if (qobject_cast<const QRadioButton*>(w)) return QStringLiteral("TRadioButton");
  if (qobject_cast<const QPushButton*>(w)) return QStringLiteral("TButton");
  if (qobject_cast<const QAbstractSpinBox*>(w)) return QStringLiteral("TSpinEdit");
  if (qobject_cast<const QTabWidget*>(w)) return QStringLiteral("TPageControl");
  if (qobject_cast<const QTabBar*>(w)) return QStringLiteral("TTabControl");
  return QString::fromLatin1(own);
}

bool TKTEnter::IsEditType(const QWidget* w) {
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w);
}

bool TKTEnter::IsGrid(const QWidget* w) { return qobject_cast<const QTableView*>(w) != nullptr; }

int TKTEnter::MaxLength(const QWidget* w) {
  if (const QVariant v = w->property("MaxLength"); v.isValid()) return std::max(0, v.toInt());
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
    // A mask sets the line edit's limit to its own length; that is no maximum length.
    if (edit->inputMask().isEmpty() && edit->maxLength() < 32767) return edit->maxLength();
  }
  return 0;
}

bool TKTEnter::listed(const QWidget* w) const {
  return classList_.contains(TypeName(w), Qt::CaseInsensitive);
}

void TKTEnter::trackFocus() {
  // A remembered edit that is being destroyed no longer casts to an edit:
  // forget it without touching it.
  if (remembered_ && !IsEditType(remembered_)) remembered_.clear();
  QWidget* focus = QApplication::focusWidget();
  if (!remembered_ && IsEditType(focus)) remembered_ = focus;
  if (!FocusEnabled || !remembered_) return;
  if (remembered_ == focus) {
    paintBackground(remembered_, FocusColor);
  } else {
    paintBackground(remembered_, kWhite);
    remembered_ = IsEditType(focus) ? focus : nullptr;
  }
}

void TKTEnter::sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers & ~Qt::KeypadModifier);
  ++sending_;
  QCoreApplication::sendEvent(target, &press);
  --sending_;
}

void TKTEnter::resend(QWidget* target, QKeyEvent* key) {
  ++sending_;
  QCoreApplication::sendEvent(target, key);
  --sending_;
}

bool TKTEnter::convertKey(QWidget* focus, QKeyEvent* key) {
  const int k = key->key();
  const Qt::KeyboardModifiers mods = key->modifiers();
  const bool grid = IsGrid(focus);
  if (key->type() == QEvent::ShortcutOverride) {
    // Keep window shortcuts from taking the keys the navigator converts.
    const bool ours = isEnterKey(k) || (KeyBoardArrows && !grid && (k == Qt::Key_Down || k == Qt::Key_Up));
    if (ours) key->accept();
    return ours;
  }
  if (k == Qt::Key_Backspace) return false;
  if (isEnterKey(k)) {
    sendKey(focus, grid ? Qt::Key_Right : Qt::Key_Tab, grid ? Qt::NoModifier : mods);
    return true;
  }
  if (k == Qt::Key_Down) {
    if (!KeyBoardArrows || grid) return false;
    sendKey(focus, Qt::Key_Tab, Qt::NoModifier);
    return true;
  }
  if (k == Qt::Key_Up) {
    if (!KeyBoardArrows || grid) return false;
    resend(focus, key);  // the control sees Up first
    if (QApplication::focusWidget() == focus) sendKey(focus, Qt::Key_Backtab, Qt::ShiftModifier);
    return true;
  }
  if (k == Qt::Key_Tab || k == Qt::Key_Backtab || key->text().isEmpty()) return false;
  if (!AutoSkip || !IsEditType(focus)) return false;
  const int max = MaxLength(focus);
  auto* edit = qobject_cast<QLineEdit*>(focus);
  if (max == 0 || edit == nullptr) return false;
  // The key goes in first, so a character the field has room for is never lost;
  // the field that is full afterwards hands the focus on.
  resend(focus, key);
  if (QApplication::focusWidget() == focus && edit->text().size() >= max && edit->cursorPosition() >= max)
    sendKey(focus, Qt::Key_Tab, Qt::NoModifier);
  return true;
}

void TKTEnter::message(QObject* receiver, QEvent* event, bool& handled) {
  if (sending_ > 0) return;
  trackFocus();
  const auto type = event->type();
  if (Enabled && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)) {
    auto* key = static_cast<QKeyEvent*>(event);
    QWidget* focus = QApplication::focusWidget();
    // A key propagating to the parents, and keys pressed with Alt, stay as they are.
    if (focus != nullptr && receiver == focus && !(key->modifiers() & Qt::AltModifier) &&
        listed(focus) && convertKey(focus, key))
      handled = true;
  }
  if (previous_.OnMessage) previous_.OnMessage(receiver, event, handled);
  if (OnMessage) OnMessage(receiver, event, handled);
}
