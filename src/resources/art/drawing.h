#pragma once
// The artwork's colours and the few shapes every picture is made of.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace kavrin::art {

// One set of colours for the whole skin, so that pieces drawn apart meet without seams.
namespace colour {
inline const QColor kSky{0x3A, 0x86, 0xD8};        // the window's background
inline const QColor kSkyLight{0x55, 0x9A, 0xE2};   // the title band at the top of the window
inline const QColor kSkyShadow{0x1F, 0x55, 0x94};  // the window's outer edge
inline const QColor kNavy{0x1C, 0x2E, 0x52};       // frame bodies
inline const QColor kNavyLine{0x39, 0x55, 0x88};
inline const QColor kInterior{0x00, 0x00, 0x00};  // behind the lists, the palette and the settings
inline const QColor kTitle{0xFF, 0xFF, 0xFF};
inline const QColor kYellow{0xFF, 0xD4, 0x3B};
inline const QColor kInk{0x26, 0x32, 0x38};  // wheels, outlines
inline const QColor kWhite{0xFF, 0xFF, 0xFF};
}  // namespace colour

// The bold face every caption uses, at a size in pixels.
QFont BoldFont(qreal pixelSize);

// The scale the pictures are drawn at: 1 for the sizes the layouts measure, 2 for screens with
// more pixels to the unit. A canvas holds that many times the pixels each way, and a painter on
// it maps the same coordinates onto them (its device pixel ratio), so shapes and words are drawn
// on the finer grid, not enlarged. One scale holds while a TDrawingScale lives.
int DrawingScale();

class TDrawingScale {
public:
    explicit TDrawingScale(int scale);
    ~TDrawingScale();
    TDrawingScale(const TDrawingScale&) = delete;
    TDrawingScale& operator=(const TDrawingScale&) = delete;

private:
    int before_;
};

// A picture of that size in units, at the drawing scale, filled with the colour (transparent by
// default).
QImage Canvas(int width, int height, const QColor& fill = Qt::transparent);

// A painter with smoothing on.
void Smooth(QPainter& painter);

// How a caption meets its box: the size it is drawn at (smaller than asked only when narrowing
// alone is not enough) and how much it is narrowed (1: not at all, at least 0.7).
struct TCaptionFit {
    qreal pixelSize;
    qreal squeeze;
};

TCaptionFit FitCaption(qreal boxWidth, const QString& text, qreal pixelSize);

// The one size for captions that belong together (a family of buttons), as the start window sets
// its buttons in one type: from pixelSize down, in the steps the font takes, the largest at which
// every text fits the width narrowed to no less than narrowest; the smallest when none does.
qreal SharedCaptionSize(qreal boxWidth, const QStringList& texts, qreal pixelSize, qreal narrowest);

// Draws one line of text centred in the box; a text too wide for it is narrowed, down to 70 %,
// and then made smaller, so that a caption never spills.
void DrawCaption(QPainter& painter, const QRectF& box, const QString& text, qreal pixelSize,
                 const QColor& colour);

// The robot seen from above, facing up when the angle is 0 (degrees, clockwise), 20 units wide
// at scale 1: white body, dark wheels left and right, a yellow sensor at the front.
void DrawRobotTop(QPainter& painter, const QPointF& centre, qreal angle, qreal scale);

// A filled arrow from one point to another: shaft of the width, head at the end.
void DrawArrow(QPainter& painter, const QPointF& from, const QPointF& to, qreal width,
               const QColor& colour);

// An arc of a circle with a head at its end. Angles in degrees as QPainterPath counts them
// (counter-clockwise from three o'clock); a negative sweep runs clockwise.
void DrawArcArrow(QPainter& painter, const QPointF& centre, qreal radius, qreal start, qreal sweep,
                  qreal width, const QColor& colour);

// A head for a line that arrives at the tip going in that direction (degrees, screen angle).
void DrawArrowHead(QPainter& painter, const QPointF& tip, qreal directionDegrees, qreal size,
                   const QColor& colour);

}  // namespace kavrin::art
