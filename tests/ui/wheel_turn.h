#pragma once
// Turns the mouse wheel over a widget as the window system does: the event goes to the widget
// under the pointer, then to each parent in turn until one takes it. (Qt passes a wheel event on
// to the parents only when it comes from the window system, which a test cannot send.)

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

namespace kavrin::ui {

inline void TurnWheel(QWidget* over, int delta) {
    const QPointF centre(over->width() / 2.0, over->height() / 2.0);
    const QPointF global = over->mapToGlobal(centre);
    for (QWidget* w = over; w != nullptr; w = w->parentWidget()) {
        QWheelEvent event(w->mapFromGlobal(global), global, QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        event.setAccepted(true);
        if (QApplication::sendEvent(w, &event) && event.isAccepted()) {
            return;
        }
        if (w->isWindow()) {
            return;
        }
    }
}

}  // namespace kavrin::ui
