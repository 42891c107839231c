#include "ui/x11/display_shape.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace kavrin::test {

std::optional<TDisplayShape> DisplayShape(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    Bool shaped = False, clipShaped = False;
    int x = 0, y = 0, clipX = 0, clipY = 0;
    unsigned width = 0, height = 0, clipWidth = 0, clipHeight = 0;
    const Status ok = XShapeQueryExtents(display, window, &shaped, &x, &y, &width, &height,
                                         &clipShaped, &clipX, &clipY, &clipWidth, &clipHeight);
    XCloseDisplay(display);
    if (ok == 0) return std::nullopt;
    return TDisplayShape{shaped == True, x, y, static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace kavrin::test
