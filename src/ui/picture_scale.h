#pragma once
// The pictures at the screen's scale. The store holds every picture of the windows twice: at the
// size the layouts measure, and drawn anew at twice that ("GIF2X"). A window on a screen with
// more than one pixel to the unit (125 %, 150 %, 200 %) shows the larger ones, their pixmaps
// marked with a device pixel ratio of 2, so that they take the same room in units and Qt draws
// them at the screen's own pixels; at 100 % the windows read only the pictures they always did.

#include <QPixmap>
#include <QString>

#include <cstdint>
#include <span>
#include <string_view>

class QWidget;

namespace kavrin::ui {

// 2 above one pixel to the unit, else 1.
int PictureScaleOf(qreal devicePixelRatio);
// For the widget's screen (before its window first shows, the screen it will show on).
int PictureScale(const QWidget& widget);

// The stored picture of that type ("GIF", "BMP") and number at the scale, in the current
// language; at scale 2 the larger one, else (none stored) the one at scale 1. formatOut, when
// given, receives the format to read the bytes in ("gif" or "bmp"), and scaleOut the scale the
// bytes were drawn at.
std::span<const std::uint8_t> FindPicture(std::string_view type, int id, int scale,
                                          const char** formatOut = nullptr,
                                          int* scaleOut = nullptr);

// The picture's first frame as a pixmap of that device pixel ratio; null when there is none.
QPixmap LoadPicture(std::string_view type, int id, int scale);

}  // namespace kavrin::ui
