#pragma once
// The bounding outline of a window as the X server holds it, read over a connection of its own:
// what Qt keeps (QWidget::mask, QWindow::mask) says nothing about what reached the display.
// Built where Xlib and its SHAPE extension (libXext) are found (KAVRIN_X11_SHAPE).

#include <optional>

namespace kavrin::test {

struct TDisplayShape {
    bool shaped = false;  // false: the window has no outline of its own (its whole rectangle)
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The window's bounding shape extents on $DISPLAY; nothing when there is no display.
std::optional<TDisplayShape> DisplayShape(unsigned long window);

}  // namespace kavrin::test
