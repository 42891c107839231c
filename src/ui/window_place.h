#pragma once
// Placing a top-level window.

class QWidget;

namespace kavrin::ui {

// Puts the window, frame included, in the middle of the free area of the screen it is on (the
// primary screen when it is on none yet). Does nothing when there is no screen.
void CentreOnScreen(QWidget& window);

}  // namespace kavrin::ui
