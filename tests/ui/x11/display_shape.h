#pragma once
// The bounding outline of a window as the X server holds it, read over a connection of its own
// (Xlib's SHAPE extension, libXext; built with KAVRIN_X11_SHAPE): what Qt keeps (QWidget::mask,
// QWindow::mask) says nothing about what reached the display.

#include <optional>
#include <vector>

namespace kavrin::test {

struct TShapeRect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct TDisplayShape {
    bool shaped = false;  // false: no outline of its own, the whole rectangle
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<TShapeRect> rectangles;     // the outline's rectangles, at the display's pixels
    int windowWidth = 0, windowHeight = 0;  // the window's own size there

    bool Contains(int px, int py) const;
};

// Nothing when there is no display.
std::optional<TDisplayShape> DisplayShape(unsigned long window);

}  // namespace kavrin::test
