#include "ui/window_face.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <QPolygon>
#include <QWidget>
#include <QWindow>
// The platform window takes an outline at the screen's pixels, which no public call does.
#include <qpa/qplatformwindow.h>

#include <algorithm>

namespace kavrin::ui {

QRegion RoundedRegion(int width, int height, qreal ellipse) {
    QPainterPath path;
    path.addRoundedRect(0, 0, width, height, ellipse / 2.0, ellipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

TWindowFace::TWindowFace(QWidget* window, QWidget* bottomBar, QWidget* corner)
    : QObject(window), window_(window), bottomBar_(bottomBar), corner_(corner) {
    SetOutline(window_->height(), kCornerEllipse);
    window_->installEventFilter(this);
    timer_.setInterval(kUncoverIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &TWindowFace::UncoverStep);
}

void TWindowFace::SetOutline(int bottom, int ellipse) {
    outlineBottom_ = bottom;
    outlineEllipse_ = ellipse;
    window_->setMask(RoundedRegion(window_->width(), bottom, ellipse));
    ShowOutlineAtScreenPixels();
}

void TWindowFace::ShowOutlineAtScreenPixels() {
    QWindow* window = window_->windowHandle();
    QPlatformWindow* platform = window != nullptr ? window->handle() : nullptr;
    if (platform == nullptr) {
        return;  // not created yet: the next showing comes here again
    }
    // The platform's pixels to a unit (1 where it does not scale itself, as on X11 and Windows).
    const qreal scale = window->devicePixelRatio() / platform->devicePixelRatio();
    if (scale == 1.0) {
        return;  // Qt's own mask is the outline at the screen's pixels
    }
    // The window's own size at the screen's pixels, so that the outline meets its edges whatever
    // the rounding; an outline above the bottom edge ends where Qt would end it.
    const QSize size = platform->geometry().size();
    const int bottom =
        outlineBottom_ >= window_->height() ? size.height() : qRound(outlineBottom_ * scale);
    platform->setMask(RoundedRegion(size.width(), bottom, outlineEllipse_ * scale));
}

void TWindowFace::AddMoveHandle(QWidget* handle) {
    if (handle != nullptr) {
        handle->installEventFilter(this);
    }
}

void TWindowFace::ShowHelpArea(QWidget* helpArea, int buttonsBottom) {
    helpArea_ = helpArea;
    const int height = buttonsBottom + helpArea->height() + kHelpBottomMargin;
    window_->resize(window_->width(), height);
    for (QWidget* piece : {bottomBar_, corner_}) {
        if (piece != nullptr) {
            piece->move(piece->x(), height - piece->height());
        }
    }
    hidden_ = helpArea->height() + kUncoverOvershoot;
    UncoverStep();
    timer_.start();
}

void TWindowFace::UncoverStep() {
    const int width = window_->width();
    const int before = window_->mask().boundingRect().bottom() + 1;
    const int bottom = window_->height() - hidden_;
    SetOutline(bottom, kHelpCornerEllipse);
    // The rows just uncovered, the rounded corners above them included, are drawn at once.
    // Drawing is also what hands the new outline to the display: on X11 a changed shape
    // otherwise waits in the connection for the next event from the server, and with the
    // pointer still the window would stay cut where the last one came.
    const int top = std::max(0, std::min(before, bottom) - kHelpCornerEllipse / 2 - 1);
    window_->update(0, top, width, bottom - top);
    if (hidden_ > 0) {
        --hidden_;
        return;
    }
    timer_.stop();
    if (helpArea_ != nullptr) {
        helpArea_->show();
    }
    Q_EMIT HelpAreaShown();
}

void TWindowFace::FinishUncovering() {
    if (!timer_.isActive()) {
        return;
    }
    hidden_ = 0;
    UncoverStep();
}

void TWindowFace::HideHelpArea(QWidget* helpArea, int buttonsBottom) {
    timer_.stop();
    helpArea->hide();
    const int barHeight = bottomBar_ != nullptr ? bottomBar_->height() : 0;
    SetOutline(buttonsBottom + barHeight + kClosedOutlineMargin, kHelpCornerEllipse);
    for (QWidget* piece : {bottomBar_, corner_}) {
        if (piece != nullptr) {
            piece->move(piece->x(), buttonsBottom + kClosedOutlineMargin);
        }
    }
    window_->resize(window_->width(), buttonsBottom + barHeight + kClosedHeightMargin);
}

bool TWindowFace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        // Qt gives a new native window (and one on another screen) its mask in units again.
        if (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal ||
            event->type() == QEvent::WinIdChange) {
            ShowOutlineAtScreenPixels();
        }
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) {
                break;
            }
            // The platform moves the window where it can (X11, Wayland, Windows); elsewhere the
            // window follows the pointer itself.
            QWindow* handle = window_->windowHandle();
            if (handle != nullptr && handle->startSystemMove()) {
                return true;
            }
            moving_ = true;
            pressGlobal_ = mouse->globalPosition().toPoint();
            pressWindowPos_ = window_->pos();
            return true;
        }
        case QEvent::MouseMove:
            if (moving_) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                window_->move(pressWindowPos_ + mouse->globalPosition().toPoint() - pressGlobal_);
            }
            break;
        case QEvent::MouseButtonRelease:
            moving_ = false;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kavrin::ui
