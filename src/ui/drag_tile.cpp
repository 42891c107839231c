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

#include "model/document.h"
#include "ui/action_grid.h"
#include "ui/action_widget.h"
#include "ui/main_window.h"
#include "ui/skin.h"

namespace kavrin::ui {

namespace {

// The tile's backing colour, seen only in the rim of the rounded square while it lands.
const QColor kBackground(0x32, 0x8E, 0xED);

bool StrictlyInside(const QRect& rect, QPoint p) {
    return p.x() > rect.left() && p.x() < rect.left() + rect.width() && p.y() > rect.top() &&
           p.y() < rect.top() + rect.height();
}

// A control's rectangle in the main window's coordinates.
QRect RectIn(const QWidget& form, const QWidget* control) {
    if (control == nullptr || !control->isVisible()) {
        return {};
    }
    return {control->mapTo(&form, QPoint(0, 0)), control->size()};
}

}  // namespace

TDragger::TDragger(TMainForm& form) : QWidget(&form), form_(form) {
    setFocusPolicy(Qt::NoFocus);
    hide();
    landing_.setInterval(kLandingFrameMs);
    landing_.setTimerType(Qt::PreciseTimer);
    connect(&landing_, &QTimer::timeout, this, &TDragger::ShowLandingFrame);
    connect(&form_, &TMainForm::PaletteDragStarted, this, &TDragger::StartDrag);
}

// Going away mid-drag (the window closing) leaves no grab and no cursor behind.
TDragger::~TDragger() { EndGrab(); }

void TDragger::StartDrag(int kind, TSkinImage* tile, QPoint grabPoint) {
    if (dragging_ || Landing() || tile == nullptr || form_.Document() == nullptr) {
        return;
    }
    kind_ = kind;
    // The tile has been rewound: its current frame is the first.
    picture_ = tile->Animation() != nullptr ? tile->Animation()->currentPixmap()
                                            : ActionKindPicture(kind);
    if (picture_.isNull()) {
        picture_ = ActionKindPicture(kind);
    }
    grabOffset_ = grabPoint;
    PlacePicture(tile->mapTo(&form_, QPoint(0, 0)), kTileSize);
    dragging_ = true;
    show();
    raise();
    grabMouse();
    grabKeyboard();
    QGuiApplication::setOverrideCursor(Qt::DragCopyCursor);
    UpdateCursor(tile->mapTo(&form_, grabPoint));
}

int TDragger::TargetAt(QPoint formPos) const {
    const model::TActionDocument* document = form_.Document();
    if (document == nullptr) {
        return 0;
    }
    int target = 0;
    if (kind_ != model::akGoBack && document->Mode() == model::TMode::Advanced &&
        form_.SensorTabs() != nullptr &&
        StrictlyInside(RectIn(form_, form_.SensorNotebook()), formPos)) {
        target = model::kSensorSetAll + form_.SensorTabs()->currentIndex();
    }
    if (StrictlyInside(RectIn(form_, form_.Grid(model::kMainList)), formPos)) {
        target = model::kMainList;
    }
    return target;
}

QPoint TDragger::LandingPoint(int list, QPoint formPos) const {
    const TActionGrid* grid = form_.Grid(list);
    const model::TActionDocument* document = form_.Document();
    const QWidget* viewport = grid->viewport();
    // The header counts as row 1, anything below the last row as the empty append row.
    int row = grid->RowAt(viewport->mapFrom(&form_, formPos).y());
    if (row == 0) {
        row = 1;
    } else if (row < 0) {
        row = document->RowCount(list) - 1;
    }
    // An append row scrolled out of sight (a pointer over the notebook's tabs): land on the
    // last row in view rather than somewhere below the grid.
    const int display =
        std::clamp(row - document->View(list).topRow + 1, 1, grid->VisibleStepRows());
    QPoint landing = viewport->mapTo(
        &form_, QPoint(grid->ColumnWidth(model::gcStep) + 1, display * TActionGrid::kRowPitch));
    landing.ry() += 1;
    return landing;
}

void TDragger::Follow(QPoint formPointer) {
    // Never beyond the main window's inside edge.
    const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    QPoint topLeft = formPointer - grabOffset_;
    topLeft.setX(std::min(std::max(topLeft.x(), edge + 1), form_.width() - kTileSize - edge));
    topLeft.setY(std::min(std::max(topLeft.y(), edge + 1), form_.height() - kTileSize - edge));
    move(topLeft);
    UpdateCursor(formPointer);
}

void TDragger::UpdateCursor(QPoint formPointer) {
    if (!dragging_) {
        return;
    }
    QGuiApplication::changeOverrideCursor(TargetAt(formPointer) != 0 ? Qt::DragCopyCursor
                                                                     : Qt::ForbiddenCursor);
}

void TDragger::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        Follow(form_.mapFromGlobal(event->globalPosition().toPoint()));
    }
}

void TDragger::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        Release(form_.mapFromGlobal(event->globalPosition().toPoint()));
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

void TDragger::Release(QPoint formPointer) {
    EndGrab();
    targetList_ = TargetAt(formPointer);
    if (targetList_ == 0) {
        Finish();  // dropped nowhere: gone at once
        return;
    }
    dropPoint_ = form_.Grid(targetList_)->viewport()->mapFrom(&form_, formPointer);
    landingStart_ = pos();
    landingEnd_ = LandingPoint(targetList_, formPointer);
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
        form_.ToDoListDragDrop(form_.Grid(list), dropPoint_, kind_);
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
