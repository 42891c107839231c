#include "ui/drag_tile.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTabBar>

#include <algorithm>

#include "ui/action_widget.h"
#include "ui/list_drop_target.h"
#include "ui/picture_scale.h"
#include "ui/skin.h"

namespace kavrin::ui {

namespace {

// The tile's backing colour, seen only in the rim of the rounded square while it lands.
const QColor kBackground(0x32, 0x8E, 0xED);

}  // namespace

TDragger::TDragger(QWidget& host, TListDropTarget& target)
    : QWidget(&host), host_(host), target_(target) {
    setFocusPolicy(Qt::NoFocus);
    hide();
    landing_.setInterval(kLandingFrameMs);
    landing_.setTimerType(Qt::PreciseTimer);
    connect(&landing_, &QTimer::timeout, this, &TDragger::ShowLandingFrame);
}

// Going away mid-drag (the window closing) leaves no grab and no cursor behind.
TDragger::~TDragger() { EndGrab(); }

void TDragger::StartDrag(int kind, TSkinImage* tile, QPoint grabPoint) {
    if (dragging_ || Landing() || tile == nullptr) {
        return;
    }
    kind_ = kind;
    // The tile has been rewound: its current frame is the first. On a screen with more pixels to
    // the unit it is the picture drawn at twice the size, which the landing shrinks from.
    picture_ = tile->Animation() != nullptr ? tile->ShownPixmap()
                                            : ActionKindPicture(kind, PictureScale(host_));
    if (picture_.isNull()) {
        picture_ = ActionKindPicture(kind, PictureScale(host_));
    }
    grabOffset_ = grabPoint;
    PlacePicture(tile->mapTo(&host_, QPoint(0, 0)), kTileSize);
    dragging_ = true;
    show();
    raise();
    grabMouse();
    grabKeyboard();
    QGuiApplication::setOverrideCursor(Qt::DragCopyCursor);
    UpdateCursor(tile->mapTo(&host_, grabPoint));
}

void TDragger::Follow(QPoint hostPointer) {
    // Never beyond the main window's inside edge.
    const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    QPoint topLeft = hostPointer - grabOffset_;
    topLeft.setX(std::min(std::max(topLeft.x(), edge + 1), host_.width() - kTileSize - edge));
    topLeft.setY(std::min(std::max(topLeft.y(), edge + 1), host_.height() - kTileSize - edge));
    move(topLeft);
    UpdateCursor(hostPointer);
}

void TDragger::UpdateCursor(QPoint hostPointer) {
    if (!dragging_) {
        return;
    }
    QGuiApplication::changeOverrideCursor(
        target_.DropListAt(hostPointer, kind_) != 0 ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
}

void TDragger::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        Follow(host_.mapFromGlobal(event->globalPosition().toPoint()));
    }
}

void TDragger::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        Release(host_.mapFromGlobal(event->globalPosition().toPoint()));
    }
}

void TDragger::keyPressEvent(QKeyEvent* event) {
    if (dragging_ && event->key() == Qt::Key_Escape) {
        // Escape drops nothing.
        EndGrab();
        Finish();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDragger::EndGrab() {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    releaseKeyboard();
    releaseMouse();
    QGuiApplication::restoreOverrideCursor();
}

void TDragger::Release(QPoint hostPointer) {
    EndGrab();
    targetList_ = target_.DropListAt(hostPointer, kind_);
    if (targetList_ == 0) {
        Finish();  // dropped nowhere: gone at once
        return;
    }
    dropPoint_ = hostPointer;
    landingStart_ = pos();
    landingEnd_ = target_.LandingPoint(targetList_, hostPointer);
    frame_ = 0;
    ShowLandingFrame();
    landing_.start();
}

void TDragger::ShowLandingFrame() {
    if (frame_ >= kLandingFrames) {
        const int list = targetList_;
        landing_.stop();
        targetList_ = 0;
        hide();
        target_.DropAction(list, dropPoint_, kind_);
        Q_EMIT Finished();
        return;
    }
    // A straight line from the release place (size 53) to the landing point (size 27).
    constexpr double kSteps = kLandingFirstSize - kLandingLastSize;
    const double dx = (landingEnd_.x() - landingStart_.x()) / kSteps;
    const double dy = (landingEnd_.y() - landingStart_.y()) / kSteps;
    const int size = kLandingFirstSize - frame_;
    const int done = kLandingLastSize - size;  // -26 .. 0
    const QPoint topLeft(static_cast<int>(done * dx + landingEnd_.x()),
                         static_cast<int>(done * dy + landingEnd_.y()));
    PlacePicture(topLeft, size);
    ++frame_;
    Q_EMIT LandingFrame(QRect(topLeft, QSize(size, size)));
}

void TDragger::Finish() {
    landing_.stop();
    targetList_ = 0;
    hide();
    Q_EMIT Finished();
}

void TDragger::PlacePicture(QPoint topLeft, int size) {
    pictureSize_ = size;
    // While dragged the square is the picture; while landing it is one pixel wider.
    const int square = size == kTileSize ? size : size + 1;
    setGeometry(QRect(topLeft, QSize(square, square)));
    update();
}

void TDragger::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal corner = static_cast<qreal>(width() / kCornerDivisor) / 2.0;
    QPainterPath square;
    square.addRoundedRect(QRectF(rect()), corner, corner);
    painter.setClipPath(square);
    painter.fillRect(rect(), kBackground);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(0, 0, pictureSize_, pictureSize_), picture_);
}

}  // namespace kavrin::ui
