#include "ui/robot_top_view.h"

#include <QPainter>
#include <QPainterPath>

#include "resources/resources.h"
#include "resources/robot_picture.h"
#include "resources/skin_layout.h"
#include "ui/picture_scale.h"

namespace kavrin::ui {

namespace {

const QColor kDarkGrey{0x40, 0x40, 0x40};
const QColor kRed{0xFF, 0x00, 0x00};
const QColor kWire{0xE8, 0xE8, 0xE8};

QRect ToRect(const resources::TPixelRect& r) { return {r.x, r.y, r.width, r.height}; }

QPixmap StillPicture(int scale) {
    return LoadPicture(resources::kGifType, resources::kRobotTopPictureId, scale);
}

// The left whisker from its anchor (the right one is its mirror image): up from the board, then
// curving out to the left ahead of the wheel; touching, it is pressed back and in.
QPainterPath WhiskerPath(bool bent) {
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(0, -16);
    if (!bent) {
        path.cubicTo(-7, -58, -109, -78, -169, -66);
        path.cubicTo(-177, -64, -175, -56, -167, -58);
    } else {
        path.cubicTo(-11, -48, -91, -56, -145, -38);
        path.cubicTo(-153, -34, -151, -26, -143, -30);
    }
    return path;
}

void DrawWhisker(QPainter& painter, const resources::TPixelPoint& anchor, bool mirrored,
                 bool bent) {
    painter.save();
    painter.translate(anchor.x, anchor.y);
    if (mirrored) {
        painter.scale(-1, 1);
    }
    painter.setBrush(Qt::NoBrush);
    const QPainterPath path = WhiskerPath(bent);
    painter.setPen(QPen(kDarkGrey, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(kWire, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.restore();
}

void DrawDetector(QPainter& painter, const resources::TDetectorPlace& place, bool detecting) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(detecting ? kRed : QColor(Qt::black));
    painter.drawRect(ToRect(place.body));
    painter.drawEllipse(ToRect(place.lens));
}

}  // namespace

TRobotTopView::TRobotTopView(QWidget* parent)
    : QWidget(parent),
      still_(StillPicture(PictureScale(*this))),
      stillScale_(PictureScale(*this)) {}

QSize TRobotTopView::sizeHint() const {
    return {resources::kRobotTop.width, resources::kRobotTop.height};
}

void TRobotTopView::ShowSensors(const link::SensorState& sensors) {
    if (sensors == sensors_) {
        return;
    }
    sensors_ = sensors;
    update();
}

void TRobotTopView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The picture for the screen the window is on now (at 100 %, the one read at the start).
    if (const int scale = PictureScale(*this); scale != stillScale_) {
        still_ = StillPicture(scale);
        stillScale_ = scale;
    }
    painter.drawPixmap(0, 0, still_);
    painter.setRenderHint(QPainter::Antialiasing);
    const resources::TRobotTopLayout& at = resources::kRobotTop;
    DrawDetector(painter, at.leftDetector, sensors_.leftInfrared);
    DrawDetector(painter, at.rightDetector, sensors_.rightInfrared);
    DrawWhisker(painter, at.leftWhiskerAnchor, false, sensors_.leftWhisker);
    DrawWhisker(painter, at.rightWhiskerAnchor, true, sensors_.rightWhisker);
}

}  // namespace kavrin::ui
