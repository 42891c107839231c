#pragma once
// Placing a top-level window.

#include <QPoint>
#include <QRect>

class QWidget;

namespace kavrin::ui {

// Puts the window, frame included, in the middle of the free area of the screen it is on (the
// primary screen when it is on none yet). Does nothing when there is no screen.
void CentreOnScreen(QWidget& window);

// Where a window of the frame `window` goes beside `anchor` on a screen whose free area is
// `available`: to its right, else its left, else below or above it, where it fits whole; on a
// screen too small for that, at the side (left or right edge) that covers least of the anchor.
// Always inside the free area (a window larger than the area keeps the area's top left).
QPoint PlaceBeside(const QRect& window, const QRect& anchor, const QRect& available);

// Moves the window beside the anchor window, on the anchor's screen (see above).
void MoveBeside(QWidget& window, const QWidget& anchor);

// Moves the window's frame, as far as needed, into the free area of its screen.
void KeepOnScreen(QWidget& window);

}  // namespace kavrin::ui
