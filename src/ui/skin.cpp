#include "ui/skin.h"

#include <QBitmap>
#include <QBuffer>
#include <QByteArray>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QMovie>

#include <algorithm>

#include "resources/resources.h"
#include "ui/picture_scale.h"

namespace kavrin::ui {

namespace {

bool IsAdvanced(model::TMode mode) { return mode == model::TMode::Advanced; }

QByteArray View(std::span<const std::uint8_t> bytes) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<qsizetype>(bytes.size()));
}

}  // namespace

// --- TSkinImage ----------------------------------------------------------------------------------

TSkinImage::TSkinImage(int slot, QWidget* parent) : QLabel(parent), slot_(slot) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(true);
}

void TSkinImage::SetTransparent(bool transparent) {
    transparent_ = transparent;
    ApplyTransparency();
}

void TSkinImage::ApplyTransparency() {
    // A GIF carries its own transparent colour as alpha; an opaque image paints its background
    // beneath it so that the window does not show through.
    setAutoFillBackground(!transparent_);
    if (bitmap_.isNull()) {
        return;
    }
    if (!transparent_) {
        setPixmap(bitmap_);
        return;
    }
    // (The mask keeps the bitmap's pixels; the picture keeps its device pixel ratio.)
    // A bitmap has no alpha: the colour of its bottom-left pixel is the transparent one.
    const QImage image = bitmap_.toImage();
    QPixmap shown = bitmap_;
    shown.setMask(QBitmap::fromImage(
        image.createMaskFromColor(image.pixel(0, image.height() - 1), Qt::MaskInColor)));
    setPixmap(shown);
}

bool TSkinImage::SetBitmap(std::span<const std::uint8_t> bytes) {
    ClearPicture();
    return Load(bytes, true, 1);
}

bool TSkinImage::SetGif(std::span<const std::uint8_t> bytes) {
    ClearPicture();
    return Load(bytes, false, 1);
}

bool TSkinImage::SetPictures(const TPictureSource& source) {
    ClearPicture();
    source_ = source;
    const bool doubled = PictureScale(*this) > 1 && !source.doubled.empty();
    // The larger form of the background is a GIF too.
    return doubled ? Load(source.doubled, false, 2) : Load(source.single, source.bitmap, 1);
}

void TSkinImage::FollowScreen() {
    const bool doubled = PictureScale(*this) > 1 && !source_.doubled.empty();
    if ((doubled ? 2 : 1) == scale_ || (source_.single.empty() && source_.doubled.empty())) {
        return;
    }
    const bool playing = movie_ != nullptr && movie_->state() == QMovie::Running;
    const int frame = movie_ != nullptr ? movie_->currentFrameNumber() : 0;
    const int speed = movie_ != nullptr ? movie_->speed() : 100;
    clear();
    bitmap_ = QPixmap();
    delete movie_;
    movie_ = nullptr;
    if (doubled) {
        Load(source_.doubled, false, 2);
    } else {
        Load(source_.single, source_.bitmap, 1);
    }
    if (movie_ != nullptr) {
        movie_->jumpToFrame(frame);
        if (playing) {
            Play(speed);
        }
    }
}

bool TSkinImage::event(QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal) {
        FollowScreen();
    }
    return QLabel::event(event);
}

bool TSkinImage::Load(std::span<const std::uint8_t> bytes, bool bitmap, int scale) {
    scale_ = 1;
    if (bytes.empty()) {
        return false;
    }
    if (bitmap || (scale > 1 && resources::SkinPictureType(slot_) == resources::kBitmapType)) {
        QByteArray file = View(bytes);
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, bitmap ? "bmp" : "gif");
        reader.setAutoDetectImageFormat(false);  // a picture of another type is no bitmap
        QImage picture = reader.read();
        if (picture.isNull()) {
            return false;
        }
        picture.setDevicePixelRatio(scale);
        scale_ = scale;
        bitmap_ = QPixmap::fromImage(picture);
        ApplyTransparency();
        return true;
    }
    auto* movie = new QMovie(this);
    auto* buffer = new QBuffer(movie);
    buffer->setData(View(bytes));
    buffer->open(QIODevice::ReadOnly);
    movie->setDevice(buffer);
    movie->setFormat("gif");
    movie->setCacheMode(QMovie::CacheAll);
    if (!movie->isValid() || !movie->jumpToFrame(0)) {
        delete movie;
        return false;
    }
    movie_ = movie;
    scale_ = scale;
    if (scale == 1) {
        setMovie(movie_);
        return true;
    }
    // QLabel shows a movie's frames at their pixels; these take half the room each way.
    connect(movie_, &QMovie::frameChanged, this, &TSkinImage::ShowFrame);
    ShowFrame();
    return true;
}

void TSkinImage::ShowFrame() {
    if (movie_ != nullptr) {
        setPixmap(ShownPixmap());
    }
}

QPixmap TSkinImage::ShownPixmap() const {
    if (movie_ == nullptr) {
        return bitmap_;
    }
    QPixmap frame = movie_->currentPixmap();
    frame.setDevicePixelRatio(scale_);
    return frame;
}

void TSkinImage::ClearPicture() {
    clear();
    bitmap_ = QPixmap();
    delete movie_;
    movie_ = nullptr;
    scale_ = 1;
    source_ = {};
}

QSize TSkinImage::PictureSize() const {
    if (movie_ != nullptr) {
        return movie_->currentPixmap().size() / scale_;
    }
    return bitmap_.deviceIndependentSize().toSize();
}

int TSkinImage::FrameCount() const {
    if (movie_ != nullptr) {
        return movie_->frameCount();
    }
    return bitmap_.isNull() ? 0 : 1;
}

void TSkinImage::Play(int speedPercent) {
    if (movie_ == nullptr) {
        return;
    }
    movie_->setSpeed(speedPercent);
    if (movie_->state() != QMovie::Running) {
        movie_->start();
    }
}

void TSkinImage::StopAndRewind() {
    if (movie_ == nullptr) {
        return;
    }
    movie_->stop();
    movie_->jumpToFrame(0);
}

// --- TSkin ---------------------------------------------------------------------------------------

TSkinImage* TSkin::Image(int slot) const {
    if (slot < resources::kFirstSkinSlot || slot > resources::kLastSkinSlot) {
        return nullptr;
    }
    return images_[static_cast<std::size_t>(slot)];
}

void TSkin::SetImage(int slot, TSkinImage* image) {
    if (slot >= resources::kFirstSkinSlot && slot <= resources::kLastSkinSlot) {
        images_[static_cast<std::size_t>(slot)] = image;
    }
}

// --- Loading -------------------------------------------------------------------------------------

TSkin LoadSkin(QWidget* parent, model::TMode mode) {
    TSkin skin;
    for (int slot = resources::kFirstSkinSlot; slot <= resources::kLastSkinSlot; ++slot) {
        auto* image = new TSkinImage(slot, parent);
        image->setGeometry(0, 0, 0, 0);
        image->show();
        LoadSkinPicture(*image, mode);
        ApplyImageLayout(*image, mode);
        skin.SetImage(slot, image);
    }
    return skin;
}

bool LoadSkinPicture(TSkinImage& image, model::TMode mode) {
    const int slot = image.Slot();
    const std::optional<int> id = resources::SkinPictureId(slot, IsAdvanced(mode));
    if (!id) {
        return false;
    }
    const std::string_view type = resources::SkinPictureType(slot);
    return image.SetPictures({type == resources::kBitmapType, resources::find(type, *id),
                              resources::find(resources::kDoubleGifType, *id)});
}

bool ApplyImageLayout(TSkinImage& image, model::TMode mode) {
    const auto layout = resources::FindImageLayout(image.Slot(), IsAdvanced(mode));
    if (!layout) {
        return false;
    }
    image.SetTag(layout->tag);
    image.setGeometry(layout->left, layout->top, layout->width, layout->height);
    image.SetStretch(layout->stretch);
    image.SetTransparent(layout->transparent);
    image.setVisible(layout->visible);
    return true;
}

bool ApplyControlLayout(int n, QWidget& control, model::TMode mode) {
    const auto layout = resources::FindControlLayout(n, IsAdvanced(mode));
    if (!layout) {
        return false;
    }
    if (!control.isWindow()) {
        control.setGeometry(layout->left, layout->top, layout->width, layout->height);
        return true;
    }
    // A window's record holds its outer bounds; Qt places the frame but sizes the client area.
    control.move(layout->left, layout->top);
    const QSize frame = control.frameGeometry().size() - control.size();
    control.resize(std::max(0, layout->width - frame.width()),
                   std::max(0, layout->height - frame.height()));
    return true;
}

QFont ArialFont(int pixels, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont CondensedToFit(QFont font, const QString& text, int room, int narrowest) {
    constexpr int kStretchStep = 5;
    for (int stretch = QFont::Unstretched; stretch >= narrowest; stretch -= kStretchStep) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(text) <= room) {
            break;
        }
    }
    return font;
}

QString WidestText(const QFont& font, const QStringList& texts) {
    const QFontMetrics metrics(font);
    QString widest;
    for (const QString& text : texts) {
        if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest)) {
            widest = text;
        }
    }
    return widest;
}

QFont TypeThatFits(QFont font, const QStringList& texts, int room, int narrowest, int smallest) {
    for (;;) {
        font.setStretch(QFont::Unstretched);
        const QString widest = WidestText(font, texts);
        font = CondensedToFit(font, widest, room, narrowest);
        const bool inPixels = font.pointSize() <= 0;
        const int size = inPixels ? font.pixelSize() : font.pointSize();
        if (QFontMetrics(font).horizontalAdvance(widest) <= room || size <= smallest) {
            return font;
        }
        if (inPixels) {
            font.setPixelSize(size - 1);
        } else {
            font.setPointSize(size - 1);
        }
    }
}

}  // namespace kavrin::ui
