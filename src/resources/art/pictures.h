#pragma once
// Every picture of the skin, drawn from code. Sizes are those the window layouts expect.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

#include <vector>

#include "gif_writer.h"

namespace kavrin::art {

// --- Palette tiles ----------------------------------------------------------------------------

// The eight actions in palette order (left column first, row by row).
enum class ETile { Forward, Backward, TurnLeft, TurnRight, RotateLeft, RotateRight, GoBack, Wait };

inline constexpr int kTileSize = 54;
inline constexpr int kTileFrames = 5;

// The animation of one tile: the pictogram moving the way the robot will.
std::vector<TGifFrame> Tile(ETile tile);

// --- Buttons --------------------------------------------------------------------------------

enum class EButtonState { Normal, Highlighted, Pressed, Unavailable };

struct TButtonStyle {
    QSize size;
    QColor body;
    QColor text;
    QColor behind;  // what surrounds the button where it is placed
    qreal radius;
    qreal captionSize;
};

QImage Button(const TButtonStyle& style, const QString& caption, EButtonState state);

// --- Frames and panels ----------------------------------------------------------------------

// A titled frame: rounded navy body, black well from below the title band to near the bottom.
// Outside its corners it shows the colour behind it (transparent when that is none).
struct TFrameStyle {
    QSize size;
    QString title;
    qreal titleLeft = 0;     // start of the title band's free part (room for a control there)
    int wellBottom = 0;      // distance of the well's lower edge from the bottom
    bool openBottom = false; // a panel below continues it: square lower corners
    QColor behind = Qt::transparent;
};

QImage Frame(const TFrameStyle& style);

// The panel that carries the edit buttons, continuing the list frame above it.
QImage ButtonPanel(QSize size);

// The settings column: a black well with a thin border and quiet separators at the given rows.
QImage SettingsColumn(QSize size, const std::vector<int>& separators);

// Edge strips of the window: along the bottom, along the right, and the corner between them.
QImage BottomStrip(QSize size);
QImage RightStrip(QSize size);
QImage CornerPiece(QSize size);

// --- Pictures -------------------------------------------------------------------------------

QImage WindowBackground(QSize size);
QImage StartBackground(QSize size);
QImage Wordmark(QSize size);
QImage Logo(QSize size);
QImage RobotThreeQuarter(QSize size);
QImage RobotFromAbove(QSize size);
// The servo test window's robot without its indicators (resources/robot_picture.h).
QImage RobotTopStill();

// The application's icon: the robot's face of the logo on a navy tile, size units square. Drawn
// through a painter so that the same drawing gives the bitmap sizes and the scalable picture.
void DrawAppIcon(QPainter& painter, qreal size);
QImage AppIcon(int size);

// Writes the icon into an icon theme folder (hicolor's layout): <n>x<n>/apps/NAME.png for the
// usual sizes and scalable/apps/NAME.svg.
void WriteIcons(const QDir& root, const QString& name);

}  // namespace kavrin::art
