// Placement helpers the system's own windows share.
#ifndef QX_CONTROLS_WINDOW_PLACEMENT_H_
#define QX_CONTROLS_WINDOW_PLACEMENT_H_

class QWidget;

namespace controls {

// Moves the top-level `window` so that its frame is centred on the available
// area of its screen (the primary screen when it has none yet). Call it once
// the window is shown, when the frame is known.
void centreOnScreen(QWidget* window);

// The original's Application.Restore and BringToFront: every visible
// top-level window other than `except` is un-minimized and raised; `except`
// (may be null) is raised last, above them.
void restoreAndRaiseApplication(QWidget* except);

}  // namespace controls

#endif  // QX_CONTROLS_WINDOW_PLACEMENT_H_
