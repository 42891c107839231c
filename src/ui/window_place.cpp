#include "ui/window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>

namespace kavrin::ui {

namespace {

const QScreen* ScreenOf(const QWidget& window) {
    return window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
}

// The top left that puts a frame of this size inside the area, moved as little as possible.
QPoint Inside(QPoint topLeft, const QSize& size, const QRect& area) {
    const int x = std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

qint64 Overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

}  // namespace

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr) {
        return;
    }
    QRect frame(QPoint(0, 0), window.frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

QPoint PlaceBeside(const QRect& window, const QRect& anchor, const QRect& available) {
    const QSize size = window.size();
    const int gap = 8;
    const int right = available.right() + 1 - size.width();
    const int bottom = available.bottom() + 1 - size.height();
    // Beside at the anchor's top, then below or above at its left; then the screen's corners,
    // the top ones first (the anchor's buttons are along its foot). Each kept inside the area.
    const std::array<QPoint, 8> places{
        QPoint(anchor.right() + 1 + gap, anchor.top()),
        QPoint(anchor.left() - gap - size.width(), anchor.top()),
        QPoint(anchor.left(), anchor.bottom() + 1 + gap),
        QPoint(anchor.left(), anchor.top() - gap - size.height()),
        QPoint(right, available.top()),
        QPoint(available.left(), available.top()),
        QPoint(right, bottom),
        QPoint(available.left(), bottom),
    };
    QPoint best;
    qint64 least = -1;
    for (const QPoint& place : places) {
        const QPoint inside = Inside(place, size, available);
        const qint64 covered = Overlap(QRect(inside, size), anchor);
        if (least < 0 || covered < least) {
            best = inside;
            least = covered;
        }
        if (covered == 0) break;
    }
    return best;
}

void MoveBeside(QWidget& window, const QWidget& anchor) {
    const QScreen* screen = ScreenOf(anchor);
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect around = anchor.frameGeometry();
    QRect frame = window.frameGeometry();
    QPoint place = PlaceBeside(frame, around, area);
    if (QRect(place, frame.size()).intersects(around)) {
        // No room beside at this size: narrower, down to what the window needs, in the wider of
        // the strips left and right of the anchor.
        const QSize border = frame.size() - window.size();
        const int strip = std::max(around.left() - area.left(), area.right() - around.right()) - 8;
        const int width = strip - border.width();
        const int least = std::max(window.minimumSizeHint().width(), window.minimumWidth());
        if (width >= least && width < window.width()) {
            window.resize(width, std::min(window.height(), area.height() - border.height()));
            frame.setSize(window.size() + border);
            place = PlaceBeside(frame, around, area);
        }
    }
    // move() places the frame's top left for a window that has one.
    window.move(place);
}

void KeepOnScreen(QWidget& window) {
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr) {
        return;
    }
    const QRect frame = window.frameGeometry();
    const QPoint inside = Inside(frame.topLeft(), frame.size(), screen->availableGeometry());
    if (inside != frame.topLeft()) {
        window.move(window.pos() + (inside - frame.topLeft()));
    }
}

}  // namespace kavrin::ui
