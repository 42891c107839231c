// The palette's action tiles. Each tile shows the robot from above (or, for the two list actions,
// a sign) and five frames of it moving; the first frame is also the small icon in the lists, so it
// carries the whole message on its own: the arrow is there in every frame.

#include <QPainterPath>

#include <array>
#include <cmath>
#include <numbers>

#include "drawing.h"
#include "pictures.h"

namespace kavrin::art {

namespace {

// Every frame but the last passes quickly; the last one rests before the loop starts again.
constexpr int kStepDelayCs = 14;
constexpr int kRestDelayCs = 42;

constexpr qreal kCorner = 10;
const QColor kMoveColour{0x2E, 0x9E, 0x4F};
const QColor kTurnColour{0x1F, 0x78, 0xD1};
const QColor kRotateColour{0x8A, 0x4F, 0xBF};
const QColor kGoBackColour{0xE8, 0x87, 0x1E};
const QColor kWaitColour{0xD9, 0x45, 0x3A};

QImage Blank(const QColor& body) {
    QImage image = Canvas(kTileSize, kTileSize, colour::kInterior);  // the palette is black
    QPainter painter(&image);
    Smooth(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(1, 1, kTileSize - 2, kTileSize - 2), kCorner, kCorner);
    return image;
}

QPointF Rotated(const QPointF& point, const QPointF& pivot, qreal degreesClockwise) {
    const qreal r = degreesClockwise * std::numbers::pi / 180.0;
    const QPointF d = point - pivot;
    return pivot + QPointF(d.x() * std::cos(r) - d.y() * std::sin(r),
                           d.x() * std::sin(r) + d.y() * std::cos(r));
}

QImage Straight(bool forward, int frame) {
    QImage image = Blank(kMoveColour);
    QPainter painter(&image);
    Smooth(painter);
    const qreal step = 2.5 * frame;
    if (forward) {
        DrawArrow(painter, {27, 20}, {27, 3}, 6.0, colour::kYellow);
        DrawRobotTop(painter, {27, 39 - step}, 0, 1.0);
    } else {
        DrawArrow(painter, {27, 34}, {27, 51}, 6.0, colour::kYellow);
        DrawRobotTop(painter, {27, 15 + step}, 0, 1.0);
    }
    return image;
}

// Turning left: the left wheel stands, the robot swings round it.
QImage TurnLeft(int frame) {
    QImage image = Blank(kTurnColour);
    QPainter painter(&image);
    Smooth(painter);
    const QPointF pivot(18, 37);
    DrawArcArrow(painter, pivot, 26, 5, 105, 5.0, colour::kYellow);
    const qreal angle = -15.0 * frame;
    DrawRobotTop(painter, Rotated({29, 37}, pivot, angle), angle, 1.0);
    return image;
}

// Rotating left: the wheels run against each other, the robot spins on the spot.
QImage RotateLeft(int frame) {
    QImage image = Blank(kRotateColour);
    QPainter painter(&image);
    Smooth(painter);
    DrawArcArrow(painter, {27, 27}, 21, -40, 260, 5.0, colour::kYellow);
    DrawRobotTop(painter, {27, 27}, -18.0 * frame, 0.95);
    return image;
}

// Go back to an earlier step: three steps of a list, a marker running back up to the first.
QImage GoBack(int frame) {
    QImage image = Blank(kGoBackColour);
    QPainter painter(&image);
    Smooth(painter);
    const std::array<qreal, 3> rows{13, 27, 41};
    const int current = frame == 0 ? 2 : (frame == 4 ? 0 : -1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(static_cast<int>(i) == current ? colour::kYellow : colour::kWhite);
        painter.drawRoundedRect(QRectF(24, rows[i] - 4, 23, 8), 3, 3);
    }
    QPainterPath path;
    path.moveTo(21, rows[2]);
    path.cubicTo(5, rows[2], 5, rows[0], 19, rows[0]);
    painter.setPen(QPen(colour::kWhite, 3.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    DrawArrowHead(painter, {22, rows[0]}, 0, 6, colour::kWhite);
    const QPointF marker = path.pointAtPercent(frame / 4.0);
    painter.setPen(QPen(colour::kInk, 1.2));
    painter.setBrush(colour::kYellow);
    painter.drawEllipse(marker, 3.6, 3.6);
    return image;
}

// Stop and wait: a stopwatch whose hand goes round.
QImage Wait(int frame) {
    QImage image = Blank(kWaitColour);
    QPainter painter(&image);
    Smooth(painter);
    const QPointF centre(27, 30);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kInk);
    painter.drawRoundedRect(QRectF(23, 6, 8, 5), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(25.5, 9, 3, 5), 1, 1);
    painter.setBrush(colour::kWhite);
    painter.setPen(QPen(colour::kInk, 2.5));
    painter.drawEllipse(centre, 16, 16);
    painter.setPen(QPen(colour::kInk, 2.0, Qt::SolidLine, Qt::RoundCap));
    for (int tick = 0; tick < 12; tick += 3) {
        painter.drawLine(Rotated({27, 17}, centre, tick * 30.0),
                         Rotated({27, 19.5}, centre, tick * 30.0));
    }
    painter.setPen(QPen(kWaitColour, 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, Rotated({27, 18.5}, centre, 72.0 * frame));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kInk);
    painter.drawEllipse(centre, 2.5, 2.5);
    return image;
}

QImage Picture(ETile tile, int frame) {
    switch (tile) {
        case ETile::Forward:
            return Straight(true, frame);
        case ETile::Backward:
            return Straight(false, frame);
        case ETile::TurnLeft:
            return TurnLeft(frame);
        case ETile::TurnRight:
            return TurnLeft(frame).mirrored(true, false);
        case ETile::RotateLeft:
            return RotateLeft(frame);
        case ETile::RotateRight:
            return RotateLeft(frame).mirrored(true, false);
        case ETile::GoBack:
            return GoBack(frame);
        case ETile::Wait:
            return Wait(frame);
    }
    return {};
}

}  // namespace

std::vector<TGifFrame> Tile(ETile tile) {
    std::vector<TGifFrame> frames;
    for (int frame = 0; frame < kTileFrames; ++frame) {
        frames.push_back(
            {Picture(tile, frame), frame + 1 < kTileFrames ? kStepDelayCs : kRestDelayCs});
    }
    return frames;
}

}  // namespace kavrin::art
