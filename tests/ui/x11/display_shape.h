#pragma once
// The bounding outline of a window as the X server holds it, read over a connection of its own
// (Xlib's SHAPE extension, libXext; built with KAVRIN_X11_SHAPE): what Qt keeps (QWidget::mask,
// QWindow::mask) says nothing about what reached the display.

#include <optional>

namespace kavrin::test {

struct TDisplayShape {
    bool shaped = false;  // false: no outline of its own, the whole rectangle
    int x = 0, y = 0, width = 0, height = 0;
};

// Nothing when there is no display.
std::optional<TDisplayShape> DisplayShape(unsigned long window);

}  // namespace kavrin::test
