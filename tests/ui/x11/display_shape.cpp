#include "ui/x11/display_shape.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace kavrin::test {

bool TDisplayShape::Contains(int px, int py) const {
    if (!shaped) return px >= 0 && py >= 0 && px < windowWidth && py < windowHeight;
    for (const TShapeRect& r : rectangles) {
        if (px >= r.x && px < r.x + r.width && py >= r.y && py < r.y + r.height) return true;
    }
    return false;
}

std::optional<TDisplayShape> DisplayShape(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    Bool shaped = False, clipShaped = False;
    int x = 0, y = 0, clipX = 0, clipY = 0;
    unsigned width = 0, height = 0, clipWidth = 0, clipHeight = 0;
    const Status ok = XShapeQueryExtents(display, window, &shaped, &x, &y, &width, &height,
                                         &clipShaped, &clipX, &clipY, &clipWidth, &clipHeight);
    if (ok == 0) {
        XCloseDisplay(display);
        return std::nullopt;
    }
    TDisplayShape shape{shaped == True,           x,  y, static_cast<int>(width),
                        static_cast<int>(height), {}, 0, 0};
    int count = 0, ordering = 0;
    if (XRectangle* rects =
            XShapeGetRectangles(display, window, ShapeBounding, &count, &ordering)) {
        for (int i = 0; i < count; ++i) {
            shape.rectangles.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height});
        }
        XFree(rects);
    }
    Window root = 0;
    int wx = 0, wy = 0;
    unsigned ww = 0, wh = 0, border = 0, depth = 0;
    if (XGetGeometry(display, window, &root, &wx, &wy, &ww, &wh, &border, &depth) != 0) {
        shape.windowWidth = static_cast<int>(ww);
        shape.windowHeight = static_cast<int>(wh);
    }
    XCloseDisplay(display);
    return shape;
}

}  // namespace kavrin::test
