#include "ui/x11/display_shape.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace kavrin::test {

std::optional<TDisplayShape> DisplayShape(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    Bool boundingShaped = False;
    Bool clipShaped = False;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    int clipX = 0;
    int clipY = 0;
    unsigned clipWidth = 0;
    unsigned clipHeight = 0;
    const Status ok = XShapeQueryExtents(display, window, &boundingShaped, &x, &y, &width, &height,
                                         &clipShaped, &clipX, &clipY, &clipWidth, &clipHeight);
    XCloseDisplay(display);
    if (ok == 0) {
        return std::nullopt;
    }
    return TDisplayShape{boundingShaped == True, x, y, static_cast<int>(width),
                         static_cast<int>(height)};
}

}  // namespace kavrin::test
