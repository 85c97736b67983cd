#include "controls/window_placement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace controls {

void centreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() != nullptr ? window->screen() : QApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

void restoreAndRaiseApplication(QWidget* except) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == except || !w->isVisible()) continue;
    if (w->windowState() & Qt::WindowMinimized) {
      w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    }
    w->raise();
  }
  if (except != nullptr) except->raise();
}

}  // namespace controls
