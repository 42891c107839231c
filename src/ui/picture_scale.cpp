#include "ui/picture_scale.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include "resources/resources.h"
#include "resources/skin_layout.h"

namespace kavrin::ui {

int PictureScaleOf(qreal devicePixelRatio) { return devicePixelRatio > 1.0 ? 2 : 1; }

int PictureScale(const QWidget& widget) { return PictureScaleOf(widget.devicePixelRatioF()); }

std::span<const std::uint8_t> FindPicture(std::string_view type, int id, int scale,
                                          const char** formatOut, int* scaleOut) {
    if (scale > 1) {
        const auto doubled = resources::find(resources::kDoubleGifType, id);
        if (!doubled.empty()) {
            if (formatOut != nullptr) *formatOut = "gif";
            if (scaleOut != nullptr) *scaleOut = 2;
            return doubled;
        }
    }
    if (formatOut != nullptr) *formatOut = type == resources::kBitmapType ? "bmp" : "gif";
    if (scaleOut != nullptr) *scaleOut = 1;
    return resources::find(type, id);
}

QPixmap LoadPicture(std::string_view type, int id, int scale) {
    const char* format = nullptr;
    int drawnAt = 1;
    const auto bytes = FindPicture(type, id, scale, &format, &drawnAt);
    if (bytes.empty()) {
        return {};
    }
    // QImage reads the first frame of an animated picture.
    QImage image =
        QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<qsizetype>(bytes.size())),
                         format);
    image.setDevicePixelRatio(drawnAt);
    return QPixmap::fromImage(image);
}

}  // namespace kavrin::ui
