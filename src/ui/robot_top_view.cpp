#include "ui/robot_top_view.h"

#include <QPainter>
#include <QPainterPath>

namespace kavrin::ui {

namespace {

const QColor kLightGrey{0xD8, 0xD8, 0xD8};
const QColor kSilver{0xC0, 0xC0, 0xC0};
const QColor kGrey{0x80, 0x80, 0x80};
const QColor kDarkGrey{0x40, 0x40, 0x40};
const QColor kOlive{0x80, 0x80, 0x00};
const QColor kGreen{0x00, 0x80, 0x00};
const QColor kLime{0x00, 0xFF, 0x00};
const QColor kRed{0xFF, 0x00, 0x00};
const QColor kWire{0xE8, 0xE8, 0xE8};
constexpr int kMirroredBentShift = 16;

// A whisker in its picture's own coordinates (the left one; the right one is its mirror image).
// The anchor, where the wire is screwed to the board, stays put in both pictures: the bent
// picture lies 8 pixels further right and down, so its anchor is drawn 8 pixels back (on the
// mirrored right side, 8 pixels further on: kMirroredBentShift).
QPainterPath WhiskerPath(bool bent) {
    QPainterPath path;
    if (!bent) {
        path.moveTo(179, 86);
        path.lineTo(179, 70);
        path.cubicTo(172, 28, 70, 8, 10, 20);
        path.cubicTo(2, 22, 4, 30, 12, 28);
    } else {
        path.moveTo(171, 78);
        path.lineTo(171, 62);
        path.cubicTo(160, 30, 80, 22, 26, 40);
        path.cubicTo(18, 44, 20, 52, 28, 48);
    }
    return path;
}

void DrawWhisker(QPainter& painter, const QRect& picture, bool mirrored, bool bent) {
    painter.save();
    painter.translate(picture.topLeft());
    if (mirrored) {
        painter.translate(picture.width() - 1, 0);
        painter.scale(-1, 1);
        if (bent) {
            painter.translate(kMirroredBentShift, 0);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kDarkGrey, 3, Qt::SolidLine, Qt::RoundCap));
    const QPainterPath path = WhiskerPath(bent);
    painter.drawPath(path);
    painter.setPen(QPen(kWire, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.restore();
}

void DrawWheel(QPainter& painter, const QRect& tyre) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(tyre, 6, 6);
    painter.setPen(QPen(kDarkGrey, 2));
    for (int y = tyre.top() + 8; y < tyre.bottom() - 4; y += 9) {
        painter.drawLine(tyre.left() + 3, y, tyre.right() - 3, y);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kGrey);
    painter.drawRect(tyre.adjusted(7, 40, -7, -40));
}

void DrawDetector(QPainter& painter, const QRect& body, const QRect& lens, bool detecting) {
    const QColor fill = detecting ? kRed : QColor(Qt::black);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill);
    painter.drawRect(body);
    painter.drawEllipse(lens);
}

}  // namespace

TRobotTopView::TRobotTopView(QWidget* parent) : QWidget(parent) {}

void TRobotTopView::ShowSensors(const link::SensorState& sensors) {
    if (sensors == sensors_) {
        return;
    }
    sensors_ = sensors;
    update();
}

void TRobotTopView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Wheels beside the chassis, the rear caster behind it.
    DrawWheel(painter, QRect(90, 96, 24, 126));
    DrawWheel(painter, QRect(335, 96, 24, 126));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kGrey);
    painter.drawEllipse(QRect(211, 326, 27, 27));
    painter.setBrush(kSilver);
    painter.drawEllipse(QRect(219, 334, 11, 11));

    // Chassis plate with its mounting holes.
    painter.setBrush(kLightGrey);
    painter.drawRoundedRect(QRect(117, 62, 215, 272), 18, 18);
    painter.setBrush(Qt::black);
    for (const QPoint& hole : {QPoint(128, 74), QPoint(321, 74), QPoint(128, 322),
                               QPoint(321, 322), QPoint(128, 230), QPoint(321, 230)}) {
        painter.drawEllipse(hole, 3, 3);
    }
    // Servo bodies under the plate, showing at its sides.
    painter.setBrush(kDarkGrey);
    painter.drawRect(QRect(117, 120, 14, 78));
    painter.drawRect(QRect(318, 120, 14, 78));

    // Circuit board: module, breadboard, power switch and its lights.
    painter.setBrush(kGreen);
    painter.drawRoundedRect(QRect(138, 70, 173, 150), 4, 4);
    painter.setBrush(Qt::black);
    painter.drawRect(QRect(148, 92, 30, 84));
    painter.setPen(QPen(kSilver, 2));
    for (int y = 96; y < 174; y += 6) {
        painter.drawLine(144, y, 148, y);
        painter.drawLine(178, y, 182, y);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(192, 120, 108, 86));
    painter.setPen(QPen(kSilver, 1));
    for (int x = 198; x < 298; x += 6) {
        for (int y = 126; y < 204; y += 6) {
            if (y < 160 || y > 166) {
                painter.drawPoint(x, y);
            }
        }
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kSilver);
    painter.drawRect(QRect(262, 82, 34, 26));
    painter.setBrush(kLime);
    painter.drawEllipse(QRect(196, 100, 7, 7));
    painter.setBrush(kRed);
    painter.drawEllipse(QRect(208, 100, 7, 7));
    // Whisker anchors and the infrared mounts at the front edge.
    painter.setBrush(kSilver);
    painter.drawEllipse(QPoint(200, 80), 5, 5);
    painter.drawEllipse(QPoint(249, 80), 5, 5);
    painter.setBrush(kGrey);
    painter.drawRect(QRect(146, 60, 25, 10));
    painter.drawRect(QRect(278, 60, 25, 10));

    // Battery pack behind the board: a holder of five cells.
    painter.setBrush(kDarkGrey);
    painter.drawRoundedRect(QRect(152, 228, 145, 92), 5, 5);
    painter.setBrush(kOlive);
    for (int i = 0; i < 5; ++i) {
        painter.drawRoundedRect(QRect(158 + i * 27, 234, 25, 80), 8, 8);
    }
    painter.setBrush(kSilver);
    for (int i = 0; i < 5; ++i) {
        painter.drawRect(QRect(166 + i * 27, 236, 9, 4));
    }

    // The indicators.
    DrawDetector(painter, kLeftIrSensorRect, kLeftIrLensRect, sensors_.leftInfrared);
    DrawDetector(painter, kRightIrSensorRect, kRightIrLensRect, sensors_.rightInfrared);
    DrawWhisker(painter, sensors_.leftWhisker ? kLeftWhiskerBentRect : kLeftWhiskerRestRect,
                false, sensors_.leftWhisker);
    DrawWhisker(painter, sensors_.rightWhisker ? kRightWhiskerBentRect : kRightWhiskerRestRect,
                true, sensors_.rightWhisker);
}

}  // namespace kavrin::ui
