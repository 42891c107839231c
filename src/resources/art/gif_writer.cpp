#include "gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace kavrin::art {

namespace {

constexpr int kPaletteSize = 256;
constexpr int kOpaqueAlpha = 128;  // at least this much alpha counts as opaque
constexpr int kLoopForever = 0;

struct TIndexedFrame {
    std::vector<GifColorType> palette;  // kPaletteSize entries
    std::vector<GifByteType> pixels;    // row by row
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

// The frame as opaque RGB values, or 0xFF000000 marks for transparent pixels.
constexpr QRgb kTransparentMark = 0xFF000000u;
constexpr QRgb kRgbMask = 0x00FFFFFFu;

std::vector<QRgb> Flatten(const QImage& source, std::optional<QColor> matte) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QColor under = matte.value_or(QColor(Qt::black));
    std::vector<QRgb> out;
    out.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c);
            if (matte && a < kOpaqueAlpha) {
                out.push_back(kTransparentMark);
                continue;
            }
            auto blend = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
            out.push_back(qRgb(blend(qRed(c), under.red()), blend(qGreen(c), under.green()),
                               blend(qBlue(c), under.blue())) &
                          kRgbMask);
        }
    }
    return out;
}

int Distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;  // green weighs most for the eye
}

TIndexedFrame Index(const std::vector<QRgb>& pixels, bool transparent) {
    std::unordered_map<QRgb, int> counts;
    for (QRgb c : pixels) {
        if (c != kTransparentMark) {
            ++counts[c];
        }
    }
    std::vector<std::pair<int, QRgb>> byFrequency;
    byFrequency.reserve(counts.size());
    for (const auto& [colour, count] : counts) {
        byFrequency.emplace_back(count, colour);
    }
    // Most frequent first; ties by colour, so the output does not depend on hashing.
    std::sort(byFrequency.begin(), byFrequency.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    const std::size_t room = transparent ? kPaletteSize - 1 : kPaletteSize;
    if (byFrequency.size() > room) {
        byFrequency.resize(room);
    }

    TIndexedFrame frame;
    frame.palette.assign(kPaletteSize, GifColorType{0, 0, 0});
    std::unordered_map<QRgb, GifByteType> index;
    for (std::size_t i = 0; i < byFrequency.size(); ++i) {
        const QRgb c = byFrequency[i].second;
        frame.palette[i] =
            GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                         static_cast<GifByteType>(qBlue(c))};
        index.emplace(c, static_cast<GifByteType>(i));
    }
    if (transparent) {
        frame.transparentIndex = kPaletteSize - 1;
    }
    frame.pixels.reserve(pixels.size());
    for (QRgb c : pixels) {
        if (c == kTransparentMark) {
            frame.pixels.push_back(static_cast<GifByteType>(frame.transparentIndex));
            continue;
        }
        auto found = index.find(c);
        if (found == index.end()) {
            std::size_t best = 0;
            for (std::size_t i = 1; i < byFrequency.size(); ++i) {
                if (Distance(byFrequency[i].second, c) < Distance(byFrequency[best].second, c)) {
                    best = i;
                }
            }
            found = index.emplace(c, static_cast<GifByteType>(best)).first;
        }
        frame.pixels.push_back(found->second);
    }
    return frame;
}

}  // namespace

QImage ToIndexed8(const QImage& image) {
    const TIndexedFrame frame = Index(Flatten(image, std::nullopt), false);
    QImage out(image.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const GifColorType& c : frame.palette) {
        table.push_back(qRgb(c.Red, c.Green, c.Blue));
    }
    out.setColorTable(table);
    for (int y = 0; y < out.height(); ++y) {
        std::copy_n(frame.pixels.begin() + static_cast<std::ptrdiff_t>(y) * out.width(),
                    out.width(), out.scanLine(y));
    }
    return out;
}

namespace {

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

void Check(int result, const std::string& path, const char* what) {
    if (result != GIF_OK) {
        throw std::runtime_error(path + ": " + what + " failed");
    }
}

}  // namespace

void WriteGif(const std::string& path, const std::vector<TGifFrame>& frames,
              std::optional<QColor> transparentOver) {
    if (frames.empty()) {
        throw std::runtime_error(path + ": a picture needs a frame");
    }
    const int width = frames.front().image.width();
    const int height = frames.front().image.height();
    int error = 0;
    std::unique_ptr<GifFileType, TGifCloser> gif(EGifOpenFileName(path.c_str(), false, &error));
    if (!gif) {
        throw std::runtime_error(path + ": " + GifErrorString(error));
    }
    EGifSetGifVersion(gif.get(), true);
    Check(EGifPutScreenDesc(gif.get(), width, height, 8, 0, nullptr), path, "screen descriptor");
    if (frames.size() > 1) {
        static constexpr char kApplication[] = "NETSCAPE2.0";
        static constexpr GifByteType kLoop[] = {1, kLoopForever & 0xFF, kLoopForever >> 8};
        Check(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE), path, "loop block");
        Check(EGifPutExtensionBlock(gif.get(), 11, kApplication), path, "loop block");
        Check(EGifPutExtensionBlock(gif.get(), 3, kLoop), path, "loop block");
        Check(EGifPutExtensionTrailer(gif.get()), path, "loop block");
    }
    for (const TGifFrame& source : frames) {
        if (source.image.width() != width || source.image.height() != height) {
            throw std::runtime_error(path + ": frames differ in size");
        }
        TIndexedFrame frame =
            Index(Flatten(source.image, transparentOver), transparentOver.has_value());
        GraphicsControlBlock control{};
        // Frames cover the whole picture; a transparent one must not show the one before it.
        control.DisposalMode = transparentOver ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
        control.DelayTime = source.delayCs;
        control.TransparentColor = frame.transparentIndex;
        GifByteType extension[4];
        const auto length = EGifGCBToExtension(&control, extension);
        Check(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                               extension),
              path, "frame control");
        std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> palette(
            GifMakeMapObject(kPaletteSize, frame.palette.data()), GifFreeMapObject);
        Check(EGifPutImageDesc(gif.get(), 0, 0, width, height, false, palette.get()), path,
              "frame descriptor");
        for (int y = 0; y < height; ++y) {
            Check(EGifPutLine(gif.get(),
                              frame.pixels.data() + static_cast<std::ptrdiff_t>(y) * width, width),
                  path, "pixels");
        }
    }
    GifFileType* done = gif.release();
    if (EGifCloseFile(done, &error) != GIF_OK) {
        throw std::runtime_error(path + ": " + GifErrorString(error));
    }
}

}  // namespace kavrin::art
