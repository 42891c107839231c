#pragma once
// Every picture of the skin, drawn from code. Sizes are those the window layouts expect.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

#include <map>
#include <optional>
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
    qreal captionSide;  // the caption keeps this far from the button's sides
};

QImage Button(const TButtonStyle& style, const QString& caption, EButtonState state);

// Where a button's caption is drawn (in its normal state; pressed, it sinks by a little).
QRectF ButtonCaptionBox(const TButtonStyle& style);

// --- Frames and panels ----------------------------------------------------------------------

// A titled frame: rounded navy body, black well from below the title band to near the bottom.
// Outside its corners it shows the colour behind it (transparent when that is none).
struct TFrameStyle {
    QSize size;
    QString title;
    qreal titleLeft = 0;      // start of the title band's free part (room for a control there)
    int wellBottom = 0;       // distance of the well's lower edge from the bottom
    bool openBottom = false;  // a panel below continues it: square lower corners
    QColor behind = Qt::transparent;
};

QImage Frame(const TFrameStyle& style);

// The size of a frame's title, in pixels.
inline constexpr qreal kFrameTitleSize = 13;

// Where a frame's title is drawn.
QRectF FrameTitleBox(const TFrameStyle& style);

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

// --- The inventory ---------------------------------------------------------------------------

// The skin's captions by string number, in one language.
using TCaptions = std::map<int, QString>;

// The texts of a string table source (resources/WSDATA/strings*.tsv). Throws std::runtime_error
// when it cannot be read or holds a malformed line.
TCaptions ReadCaptions(const QString& tablePath);

// One picture as the store keeps it: type "GIF" or "BMP", number, the frames, and for a
// transparent picture the colour around it.
struct TPicture {
    QString type;
    int id;
    std::vector<TGifFrame> frames;
    std::optional<QColor> transparentOver;
};

// Every picture of the skin and the windows, the captions drawn from the table given. A caption
// missing there stops the tool (std::runtime_error): a picture without its words must not ship.
// At scale 2 every picture has twice the pixels each way, drawn anew at that grid (the pictures
// of screens with more pixels to the unit); scale 1 gives the sizes the layouts measure.
std::vector<TPicture> Inventory(const TCaptions& captions, int scale = 1);

// Only the pictures that carry a caption: what a language draws beside the base pictures.
std::vector<TPicture> CaptionedPictures(const TCaptions& captions, int scale = 1);

// Where a caption is drawn: the picture (for a button its first, normal one), the string number,
// the box the caption must keep within, and the size the design gives it.
struct TCaptionPlace {
    int pictureId;
    int text;
    QRectF box;
    qreal pixelSize;
};

// In the language of the captions given: the edit buttons' size depends on their words.
std::vector<TCaptionPlace> CaptionPlaces(const TCaptions& captions);

}  // namespace kavrin::art
