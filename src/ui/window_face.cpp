#include "ui/window_face.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <QPolygon>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace kavrin::ui {

QRegion RoundedRegion(int width, int height, int ellipse) {
    QPainterPath path;
    path.addRoundedRect(0, 0, width, height, ellipse / 2.0, ellipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

TWindowFace::TWindowFace(QWidget* window, QWidget* bottomBar, QWidget* corner)
    : QObject(window), window_(window), bottomBar_(bottomBar), corner_(corner) {
    window_->setMask(RoundedRegion(window_->width(), window_->height(), kCornerEllipse));
    timer_.setInterval(kUncoverIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &TWindowFace::UncoverStep);
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
    window_->setMask(RoundedRegion(width, bottom, kHelpCornerEllipse));
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
    window_->setMask(RoundedRegion(window_->width(),
                                   buttonsBottom + barHeight + kClosedOutlineMargin,
                                   kHelpCornerEllipse));
    for (QWidget* piece : {bottomBar_, corner_}) {
        if (piece != nullptr) {
            piece->move(piece->x(), buttonsBottom + kClosedOutlineMargin);
        }
    }
    window_->resize(window_->width(), buttonsBottom + barHeight + kClosedHeightMargin);
}

bool TWindowFace::eventFilter(QObject* watched, QEvent* event) {
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
