// The skin's buttons, frames, strips, backgrounds, wordmark, logo and robot pictures.

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <QPolygonF>

#include <algorithm>
#include <array>
#include <initializer_list>

#include "drawing.h"
#include "pictures.h"

namespace kavrin::art {

namespace {

constexpr qreal kFrameCorner = 14;
constexpr qreal kFrameSide = 3;   // side borders: the controls inside begin 3 pixels in
constexpr qreal kTitleBand = 47;  // height of a frame's title band
constexpr qreal kButtonLip = 3;   // the darker lower edge that lifts a button off the panel

QColor Grey(int level) { return {level, level, level}; }

}  // namespace

QRectF ButtonCaptionBox(const TButtonStyle& style) {
    const QRectF face(0.5, 0.5, style.size.width() - 1.0, style.size.height() - 1.0 - kButtonLip);
    return face.adjusted(style.captionSide, 0, -style.captionSide, 0);
}

QRectF FrameTitleBox(const TFrameStyle& style) {
    constexpr qreal kSide = 8;
    return {style.titleLeft + kSide, 0, style.size.width() - style.titleLeft - 2 * kSide,
            kTitleBand - kSide};
}

QImage Button(const TButtonStyle& style, const QString& caption, EButtonState state) {
    QImage image = Canvas(style.size.width(), style.size.height(), style.behind);
    QPainter painter(&image);
    Smooth(painter);
    const QRectF whole(0.5, 0.5, style.size.width() - 1.0, style.size.height() - 1.0);
    QColor body = style.body;
    QColor text = style.text;
    qreal lip = kButtonLip;
    qreal sink = 0;
    switch (state) {
        case EButtonState::Normal:
            break;
        case EButtonState::Highlighted:
            body = style.body.lighter(118);
            break;
        case EButtonState::Pressed:
            body = style.body.darker(118);
            lip = 0;
            sink = kButtonLip - 1;
            break;
        case EButtonState::Unavailable:
            body = Grey(0xC4);
            text = Grey(0x8C);
            break;
    }
    // The lip: the body's own shape, darker, showing below it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(body.darker(150));
    painter.drawRoundedRect(whole.adjusted(0, sink, 0, 0), style.radius, style.radius);
    const QRectF face = whole.adjusted(0, sink, 0, -lip);
    painter.setBrush(body);
    painter.drawRoundedRect(face, style.radius, style.radius);
    if (state == EButtonState::Highlighted) {
        // A bright ring says "this one" even to someone who cannot tell the shades apart.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colour::kYellow, 2.5));
        painter.drawRoundedRect(face.adjusted(1.25, 1.25, -1.25, -1.25), style.radius - 1,
                                style.radius - 1);
    }
    if (state == EButtonState::Pressed) {
        painter.setPen(QPen(body.darker(140), 2));
        painter.drawLine(QPointF(face.left() + style.radius, face.top() + 1.5),
                         QPointF(face.right() - style.radius, face.top() + 1.5));
    }
    const QRectF textBox = face.adjusted(style.captionSide, 0, -style.captionSide, 0);
    if (state != EButtonState::Unavailable) {
        DrawCaption(painter, textBox.translated(0, 1), caption, style.captionSize,
                    body.darker(170));
    }
    DrawCaption(painter, textBox, caption, style.captionSize, text);
    return image;
}

QImage Frame(const TFrameStyle& style) {
    const qreal width = style.size.width();
    const qreal height = style.size.height();
    QImage image = Canvas(style.size.width(), style.size.height(), style.behind);
    QPainter painter(&image);
    Smooth(painter);
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, width, height), kFrameCorner, kFrameCorner);
    if (style.openBottom) {
        body.addRect(QRectF(0, height / 2, width, height / 2));
        body.setFillRule(Qt::WindingFill);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kNavy);
    painter.drawPath(body.simplified());
    // A light rule under the title and the black well for the control.
    const QRectF well(kFrameSide, kTitleBand, width - 2 * kFrameSide,
                      height - kTitleBand - style.wellBottom);
    painter.setBrush(colour::kInterior);
    painter.drawRoundedRect(well, 3, 3);
    const QRectF titleBox = FrameTitleBox(style);
    painter.setBrush(colour::kYellow);
    painter.drawRoundedRect(QRectF(titleBox.center().x() - 13, kTitleBand - 9, 26, 3), 1.5, 1.5);
    DrawCaption(painter, titleBox, style.title, kFrameTitleSize, colour::kTitle);
    return image;
}

QImage ButtonPanel(QSize size) {
    const qreal width = size.width();
    const qreal height = size.height();
    QImage image = Canvas(size.width(), size.height(), colour::kSky);
    QPainter painter(&image);
    Smooth(painter);
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, width, height), kFrameCorner, kFrameCorner);
    body.addRect(QRectF(0, 0, width, height / 2));  // the frame above continues into it
    body.setFillRule(Qt::WindingFill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kNavy);
    painter.drawPath(body.simplified());
    return image;
}

QImage SettingsColumn(QSize size, const std::vector<int>& separators) {
    QImage image = Canvas(size.width(), size.height());
    QPainter painter(&image);
    Smooth(painter);
    const QRectF whole(1, 1, size.width() - 2.0, size.height() - 2.0);
    painter.setPen(QPen(colour::kNavyLine, 2));
    painter.setBrush(colour::kInterior);
    painter.drawRoundedRect(whole, kFrameCorner, kFrameCorner);
    painter.setPen(QPen(colour::kNavyLine, 1));
    for (int y : separators) {
        painter.drawLine(QPointF(14, y + 0.5), QPointF(size.width() - 14.0, y + 0.5));
    }
    return image;
}

namespace {

// The window's edge: the window's own blue, falling off into a shadow towards the outside over
// the outer part of a strip. depth runs from 0 at the strip's inner side to 1 at the outside.
QColor EdgeShade(qreal depth) {
    constexpr qreal kPlain = 0.35;  // the inner part of the strip is the window itself
    const qreal t = std::clamp((depth - kPlain) / (1 - kPlain), 0.0, 1.0);
    const QColor& from = colour::kSky;
    const QColor& to = colour::kSkyShadow;
    const qreal k = t * t;  // the shadow deepens towards the very edge
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * k),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * k),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * k));
}

// The depth of a pixel row or column of a strip n pixels across (pixel centres).
qreal Depth(int i, int n) { return (i + 0.5) / n; }

}  // namespace

// The strips shade every row or column of pixels of their own, at the drawing scale too.
QImage BottomStrip(QSize size) {
    QImage image = Canvas(size.width(), size.height(), colour::kSky);
    QPainter painter(&image);
    const int scale = DrawingScale();
    const int rows = size.height() * scale;
    for (int y = 0; y < rows; ++y) {
        painter.fillRect(QRectF(0, qreal(y) / scale, size.width(), 1.0 / scale),
                         EdgeShade(Depth(y, rows)));
    }
    return image;
}

QImage RightStrip(QSize size) {
    QImage image = Canvas(size.width(), size.height(), colour::kSky);
    QPainter painter(&image);
    const int scale = DrawingScale();
    const int columns = size.width() * scale;
    for (int x = 0; x < columns; ++x) {
        painter.fillRect(QRectF(qreal(x) / scale, 0, 1.0 / scale, size.height()),
                         EdgeShade(Depth(x, columns)));
    }
    return image;
}

// Lies where the two strips meet (it starts 3 pixels left of the right strip and 1 pixel above
// the bottom one): each pixel takes the deeper of the two strips' shades there, so the edge turns
// the corner without a join.
QImage CornerPiece(QSize size) {
    constexpr int kRightStripLeft = 3;
    constexpr int kBottomStripTop = 1;
    constexpr int kRightStripWidth = 19;
    constexpr int kBottomStripHeight = 18;
    QImage image = Canvas(size.width(), size.height(), colour::kSky);
    // Pixel by pixel, at the drawing scale: a pixel's centre in units is (i + 0.5) / scale.
    const int scale = DrawingScale();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const qreal depth =
                std::max(Depth(x - kRightStripLeft * scale, kRightStripWidth * scale),
                         Depth(y - kBottomStripTop * scale, kBottomStripHeight * scale));
            image.setPixelColor(x, y, EdgeShade(depth));
        }
    }
    return image;
}

QImage WindowBackground(QSize size) {
    QImage image = Canvas(size.width(), size.height(), colour::kSky);
    QPainter painter(&image);
    Smooth(painter);
    painter.fillRect(QRect(0, 0, size.width(), 52), colour::kSkyLight);
    // A few soft bubbles in the title band, away from the places where pictures overlap it.
    painter.setPen(Qt::NoPen);
    const std::array<std::array<qreal, 3>, 5> bubbles{
        {{300, 12, 9}, {322, 34, 5}, {598, 20, 11}, {640, 38, 6}, {700, 14, 8}}};
    for (const auto& [x, y, r] : bubbles) {
        painter.setBrush(colour::kSkyLight.lighter(112));
        painter.drawEllipse(QPointF(x, y), r, r);
    }
    return image;
}

QImage StartBackground(QSize size) {
    QImage image = Canvas(size.width(), size.height(), Grey(0xE4));
    QPainter painter(&image);
    Smooth(painter);
    painter.setPen(Qt::NoPen);
    const std::array<std::array<qreal, 4>, 7> circles{{{40, 110, 70, 0xEC},
                                                       {310, 20, 60, 0xDC},
                                                       {200, 130, 45, 0xDA},
                                                       {120, 10, 35, 0xEE},
                                                       {350, 120, 38, 0xEF},
                                                       {250, 60, 20, 0xE9},
                                                       {20, 30, 18, 0xDE}}};
    for (const auto& [x, y, r, level] : circles) {
        painter.setBrush(Grey(static_cast<int>(level)));
        painter.drawEllipse(QPointF(x, y), r, r);
    }
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        painter.setPen(QPen(Grey(0xD2 + 6 * i), 2));
        QPainterPath wave;
        const qreal y = 70 + 9 * i;
        wave.moveTo(-10, y);
        wave.cubicTo(90, y - 40, 200, y + 40, size.width() + 10.0, y - 20);
        painter.drawPath(wave);
    }
    return image;
}

namespace {

// The robot's face as the mark of the program: round head, two eyes, a smile, an antenna.
void DrawMark(QPainter& painter, const QPointF& centre, qreal radius) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kYellow);
    painter.drawEllipse(centre + QPointF(0, -radius * 0.95), radius * 0.16, radius * 0.16);
    painter.setPen(QPen(colour::kInk, radius * 0.09));
    painter.drawLine(centre + QPointF(0, -radius * 0.85), centre + QPointF(0, -radius * 0.55));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kWhite);
    painter.drawRoundedRect(
        QRectF(centre.x() - radius * 0.8, centre.y() - radius * 0.6, radius * 1.6, radius * 1.35),
        radius * 0.45, radius * 0.45);
    painter.setBrush(colour::kInk);
    for (qreal side : {-1.0, 1.0}) {
        painter.drawEllipse(centre + QPointF(side * radius * 0.34, -radius * 0.05), radius * 0.17,
                            radius * 0.17);
    }
    painter.setPen(QPen(colour::kInk, radius * 0.1, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QRectF mouth(centre.x() - radius * 0.3, centre.y() + radius * 0.05, radius * 0.6,
                       radius * 0.4);
    painter.drawArc(mouth, 200 * 16, 140 * 16);
    painter.restore();
}

void DrawWord(QPainter& painter, const QPointF& baselineStart, qreal pixelSize) {
    painter.save();
    const QFont font = BoldFont(pixelSize);
    painter.setFont(font);
    painter.setPen(colour::kNavy);
    painter.drawText(baselineStart + QPointF(1, 1.5), QStringLiteral("Kavrin"));
    painter.setPen(colour::kWhite);
    painter.drawText(baselineStart, QStringLiteral("Kavrin"));
    painter.restore();
}

}  // namespace

QImage Wordmark(QSize size) {
    QImage image = Canvas(size.width(), size.height());
    QPainter painter(&image);
    Smooth(painter);
    DrawMark(painter, {11, 12.5}, 9.5);
    DrawWord(painter, {26, 19}, 19);
    return image;
}

QImage Logo(QSize size) {
    QImage image = Canvas(size.width(), size.height());
    QPainter painter(&image);
    Smooth(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kNavy);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1.0, size.height() - 1.0), 12, 12);
    DrawMark(painter, {20, 19.5}, 13);
    DrawWord(painter, {40, 26}, 22);
    return image;
}

void DrawAppIcon(QPainter& painter, qreal size) {
    painter.save();
    Smooth(painter);
    // A little room around the tile, as desktop icons have, and the face centred in what is left:
    // the face reaches 1.11 radii above its centre (the antenna) and 0.75 below (the chin).
    const qreal margin = size / 16;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kNavy);
    painter.drawRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin),
                            size * 0.2, size * 0.2);
    const qreal radius = size * 0.38;
    DrawMark(painter, {size / 2, size / 2 + radius * 0.18}, radius);
    painter.restore();
}

QImage AppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter painter(&image);
    DrawAppIcon(painter, size);
    return image;
}

QImage RobotThreeQuarter(QSize size) {
    QImage image = Canvas(size.width(), size.height());
    QPainter painter(&image);
    Smooth(painter);
    // Seen from the front and a little from the right and above; painted back to front.
    const QColor front{0x2E, 0x9E, 0x4F};
    const QColor side = front.darker(135);
    const QColor top = front.lighter(135);
    auto polygon = [&painter](std::initializer_list<QPointF> points, const QColor& fill) {
        painter.setBrush(fill);
        painter.drawPolygon(QPolygonF(QList<QPointF>(points)));
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kInk);
    painter.drawRoundedRect(QRectF(15, 36, 13, 30), 5, 5);  // left wheel, behind the body
    polygon({{66, 24}, {78, 15}, {78, 49}, {66, 60}}, side);
    polygon({{26, 24}, {38, 15}, {78, 15}, {66, 24}}, top);
    painter.setBrush(front);
    painter.drawRoundedRect(QRectF(24, 24, 44, 36), 6, 6);
    // The module on top, its light, and the antenna.
    polygon({{40, 22}, {46, 17}, {66, 17}, {60, 22}}, QColor(0x1F, 0x78, 0xD1));
    painter.setBrush(colour::kYellow);
    painter.drawEllipse(QPointF(56, 19.5), 2.0, 1.4);
    painter.setPen(QPen(colour::kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(70, 19), QPointF(73, 5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xD9, 0x45, 0x3A));
    painter.drawEllipse(QPointF(73, 5), 3.4, 3.4);
    // Two sensor eyes and a smile.
    for (qreal x : {37.0, 55.0}) {
        painter.setBrush(colour::kWhite);
        painter.drawEllipse(QPointF(x, 37), 7, 7);
        painter.setBrush(colour::kInk);
        painter.drawEllipse(QPointF(x + 1.5, 36), 3.3, 3.3);
        painter.setBrush(colour::kWhite);
        painter.drawEllipse(QPointF(x + 2.6, 34.8), 1.1, 1.1);
    }
    painter.setPen(QPen(colour::kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(38, 42, 16, 10), 200 * 16, 140 * 16);
    // The near wheel, on the right side, with its hub.
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kInk);
    painter.drawEllipse(QRectF(68, 34, 16, 33));
    painter.setBrush(QColor(0x9A, 0xA5, 0xB1));
    painter.drawEllipse(QPointF(76, 50.5), 4, 7);
    return image;
}

QImage RobotFromAbove(QSize size) {
    QImage image = Canvas(size.width(), size.height());
    QPainter painter(&image);
    Smooth(painter);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0 + 6);
    DrawRobotTop(painter, centre, 0, 2.8);
    DrawArrow(painter, {centre.x(), centre.y() - 36}, {centre.x(), centre.y() - 50}, 4,
              colour::kYellow);
    return image;
}

}  // namespace kavrin::art
