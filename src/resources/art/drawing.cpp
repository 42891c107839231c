#include "drawing.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavrin::art {

namespace {

constexpr qreal kNarrowestCaption = 0.70;
constexpr qreal kSmallestCaption = 7.0;

int gDrawingScale = 1;  // the tool draws on one thread

QPointF Polar(const QPointF& centre, qreal radius, qreal degrees) {
    const qreal r = degrees * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::cos(r), centre.y() - radius * std::sin(r)};
}

}  // namespace

QFont BoldFont(qreal pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

int DrawingScale() { return gDrawingScale; }

TDrawingScale::TDrawingScale(int scale) : before_(gDrawingScale) { gDrawingScale = scale; }

TDrawingScale::~TDrawingScale() { gDrawingScale = before_; }

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width * gDrawingScale, height * gDrawingScale,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(gDrawingScale);
    image.fill(fill);
    return image;
}

void Smooth(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

TCaptionFit FitCaption(qreal boxWidth, const QString& text, qreal pixelSize) {
    qreal size = pixelSize;
    for (;;) {
        const qreal width = QFontMetricsF(BoldFont(size)).horizontalAdvance(text);
        const qreal squeeze = width > 0 ? std::min(1.0, boxWidth / width) : 1.0;
        if (squeeze >= kNarrowestCaption || size <= kSmallestCaption) {
            return {size, squeeze};
        }
        size -= 0.5;
    }
}

qreal SharedCaptionSize(qreal boxWidth, const QStringList& texts, qreal pixelSize,
                        qreal narrowest) {
    for (qreal size = pixelSize;; size -= 0.5) {
        bool fits = true;
        for (const QString& text : texts) {
            const qreal width = QFontMetricsF(BoldFont(size)).horizontalAdvance(text);
            fits = fits && width * narrowest <= boxWidth;
        }
        if (fits || size - 0.5 < kSmallestCaption) {
            return size;
        }
    }
}

void DrawCaption(QPainter& painter, const QRectF& box, const QString& text, qreal pixelSize,
                 const QColor& colour) {
    const auto [size, squeeze] = FitCaption(box.width(), text, pixelSize);
    const QFont font = BoldFont(size);
    const QFontMetricsF metrics(font);
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    painter.translate(box.center());
    painter.scale(squeeze, 1.0);
    const qreal width = metrics.horizontalAdvance(text);
    // Centre on the cap height, which looks centred for captions without descenders.
    const qreal baseline = metrics.capHeight() / 2.0;
    painter.drawText(QPointF(-width / 2.0, baseline), text);
    painter.restore();
}

void DrawRobotTop(QPainter& painter, const QPointF& centre, qreal angle, qreal scale) {
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kInk);
    painter.drawRoundedRect(QRectF(-13.5, -6.5, 5, 13), 1.8, 1.8);
    painter.drawRoundedRect(QRectF(8.5, -6.5, 5, 13), 1.8, 1.8);
    painter.setBrush(colour::kWhite);
    painter.setPen(QPen(colour::kInk, 1.4));
    painter.drawRoundedRect(QRectF(-9, -10, 18, 20), 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::kYellow);
    painter.drawEllipse(QPointF(0, -5.5), 3.0, 3.0);
    painter.restore();
}

void DrawArrowHead(QPainter& painter, const QPointF& tip, qreal directionDegrees, qreal size,
                   const QColor& colour) {
    QPolygonF head;
    head << QPointF(0, 0) << QPointF(-size, -size * 0.8) << QPointF(-size, size * 0.8);
    QTransform turn;
    turn.translate(tip.x(), tip.y());
    turn.rotate(directionDegrees);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(turn.map(head));
    painter.restore();
}

void DrawArrow(QPainter& painter, const QPointF& from, const QPointF& to, qreal width,
               const QColor& colour) {
    const QLineF line(from, to);
    const qreal head = width * 1.6;
    QLineF shaft = line;
    shaft.setLength(std::max(0.0, line.length() - head * 0.8));
    painter.save();
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(shaft);
    painter.restore();
    DrawArrowHead(painter, to, -line.angle(), head, colour);
}

void DrawArcArrow(QPainter& painter, const QPointF& centre, qreal radius, qreal start, qreal sweep,
                  qreal width, const QColor& colour) {
    const qreal head = width * 1.6;
    // Stop the line short of the tip, so that its round end does not show past the head.
    const qreal headDegrees = head * 0.8 / radius * 180.0 / std::numbers::pi;
    const qreal lineSweep = sweep > 0 ? sweep - headDegrees : sweep + headDegrees;
    QPainterPath arc;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    arc.arcMoveTo(circle, start);
    arc.arcTo(circle, start, lineSweep);
    painter.save();
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arc);
    painter.restore();
    const qreal end = start + sweep;
    // Tangent of a counter-clockwise run is 90 degrees ahead of the radius, in screen angles.
    const qreal direction = sweep > 0 ? -(end + 90.0) : -(end - 90.0);
    DrawArrowHead(painter, Polar(centre, radius, end), direction, head, colour);
}

}  // namespace kavrin::art
