// The servo test window's robot from above: everything that does not move. The detectors and the
// whiskers are drawn over it at run time, at the places resources/robot_picture.h names.

#include <QPainter>

#include "drawing.h"
#include "pictures.h"
#include "resources/robot_picture.h"

namespace kavrin::art {

namespace {

const QColor kLightGrey{0xD8, 0xD8, 0xD8};
const QColor kSilver{0xC0, 0xC0, 0xC0};
const QColor kGrey{0x80, 0x80, 0x80};
const QColor kDarkGrey{0x40, 0x40, 0x40};
const QColor kOlive{0x80, 0x80, 0x00};
const QColor kGreen{0x00, 0x80, 0x00};
const QColor kLime{0x00, 0xFF, 0x00};
const QColor kRed{0xFF, 0x00, 0x00};

constexpr int kCellCount = 5;
constexpr int kCellPitch = 27;

QRect ToRect(const resources::TPixelRect& r) { return {r.x, r.y, r.width, r.height}; }

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

// Wheels beside the chassis, the rear caster behind it, the plate with its mounting holes and
// the servo bodies showing at its sides.
void DrawChassis(QPainter& painter) {
    DrawWheel(painter, QRect(90, 96, 24, 126));
    DrawWheel(painter, QRect(335, 96, 24, 126));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kGrey);
    painter.drawEllipse(QRect(211, 326, 27, 27));
    painter.setBrush(kSilver);
    painter.drawEllipse(QRect(219, 334, 11, 11));

    painter.setBrush(kLightGrey);
    painter.drawRoundedRect(QRect(117, 62, 215, 272), 18, 18);
    painter.setBrush(Qt::black);
    for (const QPoint& hole : {QPoint(128, 74), QPoint(321, 74), QPoint(128, 322), QPoint(321, 322),
                               QPoint(128, 230), QPoint(321, 230)}) {
        painter.drawEllipse(hole, 3, 3);
    }
    painter.setBrush(kDarkGrey);
    painter.drawRect(QRect(117, 120, 14, 78));
    painter.drawRect(QRect(318, 120, 14, 78));
}

// The circuit board: module with its pins, breadboard, power switch and its lights.
void DrawBoard(QPainter& painter) {
    painter.setPen(QPen(Qt::black, 1));
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
}

// The whisker anchors, and the infrared mounts at the front edge under the detectors.
void DrawMounts(QPainter& painter) {
    const resources::TRobotTopLayout& at = resources::kRobotTop;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kSilver);
    for (const resources::TPixelPoint& anchor : {at.leftWhiskerAnchor, at.rightWhiskerAnchor}) {
        painter.drawEllipse(QPoint(anchor.x, anchor.y), at.whiskerAnchorRadius,
                            at.whiskerAnchorRadius);
    }
    painter.setBrush(kGrey);
    for (const resources::TDetectorPlace& detector : {at.leftDetector, at.rightDetector}) {
        const QRect body = ToRect(detector.body);
        painter.drawRect(QRect(body.left() - 4, body.top() + 8, body.width() + 8, 10));
    }
}

// The battery pack behind the board: a holder of five cells.
void DrawBatteries(QPainter& painter) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kDarkGrey);
    painter.drawRoundedRect(QRect(152, 228, 145, 92), 5, 5);
    painter.setBrush(kOlive);
    for (int i = 0; i < kCellCount; ++i) {
        painter.drawRoundedRect(QRect(158 + i * kCellPitch, 234, 25, 80), 8, 8);
    }
    painter.setBrush(kSilver);
    for (int i = 0; i < kCellCount; ++i) {
        painter.drawRect(QRect(166 + i * kCellPitch, 236, 9, 4));
    }
}

}  // namespace

QImage RobotTopStill() {
    QImage image = Canvas(resources::kRobotTop.width, resources::kRobotTop.height);
    QPainter painter(&image);
    Smooth(painter);
    DrawChassis(painter);
    DrawBoard(painter);
    DrawMounts(painter);
    DrawBatteries(painter);
    return image;
}

}  // namespace kavrin::art
