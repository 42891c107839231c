// The skin's pictures as the windows will read them from the store: every one present, decodable
// by Qt's own reader, of the size and frame count its place in the window expects, transparent
// exactly where the layout shows the window through it.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "resources/resources.h"
#include "resources/robot_picture.h"
#include "ui/robot_top_view.h"

namespace {

struct TExpected {
    int id;
    int width;
    int height;
    int frames;
    bool transparent;
};

// Beginner pictures 182 to 245 (none for slot 10, 190), Advanced 277 to 281, start window 246,
// the servo test window's robot 247.
std::vector<TExpected> Inventory() {
    std::vector<TExpected> all{
        {182, 782, 18, 1, false}, {183, 19, 485, 1, false},  {184, 23, 19, 1, false},
        {185, 242, 23, 1, true},  {186, 211, 36, 1, true},   {187, 134, 359, 1, false},
        {188, 237, 284, 1, true}, {189, 237, 84, 1, false},  {191, 111, 360, 1, true},
        {192, 100, 70, 1, true},  {193, 98, 100, 1, true},   {246, 361, 130, 1, false},
        {247, 449, 377, 1, true}, {277, 134, 322, 1, false}, {278, 293, 284, 1, true},
        {279, 508, 46, 1, false}, {280, 207, 284, 1, true},  {281, 111, 322, 1, true}};
    for (int id = 194; id <= 201; ++id) {
        all.push_back({id, 54, 54, 5, false});
    }
    for (int id = 202; id <= 221; ++id) {
        all.push_back({id, 65, 28, 1, false});
    }
    for (int id = 222; id <= 245; ++id) {
        all.push_back({id, 86, 40, 1, false});
    }
    return all;
}

QByteArray Stored(const char* type, int id,
                  kavrin::resources::TLanguage language = kavrin::resources::TLanguage::Greek) {
    const auto bytes = kavrin::resources::find(type, id, language);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// All frames of a stored GIF, with their delays.
struct TDecoded {
    std::vector<QImage> frames;
    std::vector<int> delays;
    int imageCount = 0;
    int loopCount = 0;
};

TDecoded Decode(int id, kavrin::resources::TLanguage language = kavrin::resources::TLanguage::Greek,
                const char* type = "GIF") {
    QByteArray data = Stored(type, id, language);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "gif");
    TDecoded out;
    out.imageCount = reader.imageCount();
    out.loopCount = reader.loopCount();
    QImage frame;
    while (reader.read(&frame)) {
        out.frames.push_back(frame.convertToFormat(QImage::Format_ARGB32));
        out.delays.push_back(reader.nextImageDelay());
    }
    return out;
}

bool HasTransparentPixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0) {
                return true;
            }
        }
    }
    return false;
}

TEST(Artwork, EveryPictureHasItsSizeFramesAndTransparency) {
    for (const TExpected& e : Inventory()) {
        SCOPED_TRACE(e.id);
        const TDecoded gif = Decode(e.id);
        ASSERT_EQ(static_cast<int>(gif.frames.size()), e.frames);
        EXPECT_EQ(gif.imageCount, e.frames);
        for (const QImage& frame : gif.frames) {
            EXPECT_EQ(frame.size(), QSize(e.width, e.height));
        }
        EXPECT_EQ(HasTransparentPixel(gif.frames.front()), e.transparent);
    }
    // Slot 10 has no picture in Beginner mode: the window must find none.
    EXPECT_TRUE(kavrin::resources::find("GIF", 190).empty());

    QImage background;
    ASSERT_TRUE(background.loadFromData(Stored("BMP", 181), "BMP"));
    EXPECT_EQ(background.size(), QSize(801, 577));
}

// Every picture once more at twice the size each way ("GIF2X"), drawn anew at that grid: the same
// frames, delays and transparency, the background as a GIF too, and the captioned ones in English.
TEST(Artwork, EveryPictureComesAtTwiceTheSize) {
    using kavrin::resources::TLanguage;
    for (const TExpected& e : Inventory()) {
        SCOPED_TRACE(e.id);
        const TDecoded single = Decode(e.id);
        const TDecoded doubled = Decode(e.id, TLanguage::Greek, "GIF2X");
        ASSERT_EQ(doubled.frames.size(), single.frames.size());
        EXPECT_EQ(doubled.delays, single.delays);
        EXPECT_EQ(doubled.loopCount, single.loopCount);
        for (const QImage& frame : doubled.frames) {
            EXPECT_EQ(frame.size(), QSize(2 * e.width, 2 * e.height));
        }
        EXPECT_EQ(HasTransparentPixel(doubled.frames.front()), e.transparent);
        // Drawn, not enlarged: somewhere a pixel differs from its neighbour within a 2 x 2 block.
        const QImage& big = doubled.frames.front();
        bool finer = false;
        for (int y = 0; y + 1 < big.height() && !finer; y += 2) {
            for (int x = 0; x + 1 < big.width() && !finer; x += 2) {
                finer = big.pixel(x, y) != big.pixel(x + 1, y) ||
                        big.pixel(x, y) != big.pixel(x, y + 1);
            }
        }
        EXPECT_TRUE(finer) << "the larger picture is the smaller one enlarged";
    }
    EXPECT_TRUE(kavrin::resources::find("GIF2X", 190).empty());
    const TDecoded background = Decode(181, TLanguage::Greek, "GIF2X");
    ASSERT_EQ(background.frames.size(), 1u);
    EXPECT_EQ(background.frames[0].size(), QSize(2 * 801, 2 * 577));
    EXPECT_EQ(kavrin::resources::ownIds("GIF2X", TLanguage::English),
              kavrin::resources::ownIds("GIF", TLanguage::English));
}

TEST(Artwork, TilesAnimateAndButtonStatesDiffer) {
    for (int id = 194; id <= 201; ++id) {
        SCOPED_TRACE(id);
        const TDecoded tile = Decode(id);
        ASSERT_EQ(tile.frames.size(), 5u);
        for (std::size_t i = 1; i < tile.frames.size(); ++i) {
            EXPECT_NE(tile.frames[i], tile.frames[i - 1]) << "frame " << i << " does not move";
        }
        for (int delay : tile.delays) {
            EXPECT_GT(delay, 0);
        }
        EXPECT_EQ(tile.loopCount, -1) << "a hovered tile keeps moving";
    }
    // Normal, highlighted, pressed and unavailable: four different pictures per button.
    for (int first = 202; first <= 242; first += 4) {
        SCOPED_TRACE(first);
        std::vector<QImage> states;
        for (int s = 0; s < 4; ++s) {
            states.push_back(Decode(first + s).frames.at(0));
        }
        for (std::size_t a = 0; a < states.size(); ++a) {
            for (std::size_t b = a + 1; b < states.size(); ++b) {
                EXPECT_NE(states[a], states[b]) << "states " << a << " and " << b;
            }
        }
    }
}

// The pictures with words come once more with the English captions, alike in all but the words;
// the pictures without words are the same for every language.
TEST(Artwork, CaptionedPicturesComeInEnglishToo) {
    using kavrin::resources::TLanguage;
    std::vector<int> captioned{187, 188, 277, 278, 280};
    for (int id = 202; id <= 245; ++id) {
        captioned.push_back(id);
    }
    std::sort(captioned.begin(), captioned.end());
    EXPECT_EQ(kavrin::resources::ownIds("GIF", TLanguage::English), captioned);
    for (int id : captioned) {
        SCOPED_TRACE(id);
        const TDecoded greek = Decode(id, TLanguage::Greek);
        const TDecoded english = Decode(id, TLanguage::English);
        ASSERT_EQ(english.frames.size(), 1u);
        EXPECT_EQ(english.frames[0].size(), greek.frames.at(0).size());
        EXPECT_EQ(HasTransparentPixel(english.frames[0]), HasTransparentPixel(greek.frames[0]));
        EXPECT_NE(english.frames[0], greek.frames[0]);
    }
    // A picture without words: English reads the very same bytes.
    EXPECT_EQ(Stored("GIF", 194, TLanguage::English), Stored("GIF", 194, TLanguage::Greek));
    EXPECT_EQ(Stored("BMP", 181, TLanguage::English), Stored("BMP", 181, TLanguage::Greek));
}

// The view draws its indicators at the places the picture leaves for them: a detector covers its
// mount's top, and lights up red while detecting; a whisker starts on its anchor and bends back.
TEST(Artwork, TheRobotViewsIndicatorsSitOnThePicturesMounts) {
    using kavrin::resources::kRobotTop;
    kavrin::ui::TRobotTopView view;
    view.resize(view.sizeHint());
    const QImage still = Decode(kavrin::resources::kRobotTopPictureId).frames.at(0);
    const QPoint detector(kRobotTop.leftDetector.body.x + kRobotTop.leftDetector.body.width / 2,
                          kRobotTop.leftDetector.body.y + kRobotTop.leftDetector.body.height / 2);
    const QPoint anchor(kRobotTop.rightWhiskerAnchor.x, kRobotTop.rightWhiskerAnchor.y);
    EXPECT_NE(qAlpha(still.pixel(anchor)), 0);  // the anchor is part of the picture
    const QPoint mountBelow = detector + QPoint(0, kRobotTop.leftDetector.body.height);
    EXPECT_NE(qAlpha(still.pixel(mountBelow)), 0);

    auto drawn = [&view] { return view.grab().toImage(); };
    const QImage idle = drawn();
    EXPECT_EQ(idle.pixelColor(detector), QColor(Qt::black));
    view.ShowSensors({true, false, false, true});  // left detector, right whisker
    const QImage active = drawn();
    EXPECT_EQ(active.pixelColor(detector), QColor(Qt::red));
    // The bent whisker leaves where the resting one was, but both start on the anchor.
    int changed = 0;
    for (int y = 0; y < idle.height(); ++y) {
        for (int x = anchor.x(); x < idle.width(); ++x) {
            changed += idle.pixel(x, y) != active.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 100);
    EXPECT_EQ(idle.pixel(anchor), active.pixel(anchor));
}

// The window's right and bottom edges are the window's own blue falling off into a shadow: no
// light line and no band of another blue between the window and its edge.
TEST(Artwork, TheWindowsEdgeIsAShadowOfItsOwnBlue) {
    QImage background;
    ASSERT_TRUE(background.loadFromData(Stored("BMP", 181), "BMP"));
    const QColor sky = background.pixelColor(400, 300);
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
               std::abs(a.blue() - b.blue()) <= 3;
    };
    // Pixels from the inner side of a strip outwards.
    const auto checkRun = [&](const std::vector<QColor>& run) {
        EXPECT_TRUE(near(run.front(), sky)) << "the strip does not begin in the window's blue";
        for (std::size_t i = 1; i < run.size(); ++i) {
            EXPECT_LE(run[i].lightness(), run[i - 1].lightness()) << "a lighter line at " << i;
            EXPECT_LE(std::abs(run[i].hue() - sky.hue()), 8) << "another blue at " << i;
        }
        EXPECT_LT(run.back().lightness(), sky.lightness() - 20) << "no shadow at the edge";
    };
    const QImage right = Decode(183).frames.at(0);
    std::vector<QColor> across;
    for (int x = 0; x < right.width(); ++x) {
        across.push_back(right.pixelColor(x, right.height() / 2));
    }
    checkRun(across);
    const QImage bottom = Decode(182).frames.at(0);
    std::vector<QColor> down;
    for (int y = 0; y < bottom.height(); ++y) {
        down.push_back(bottom.pixelColor(bottom.width() / 2, y));
    }
    checkRun(down);
    // The corner carries both on: its left column is the bottom strip's, its top row the right's.
    const QImage corner = Decode(184).frames.at(0);
    for (int y = 1; y < corner.height(); ++y) {
        EXPECT_TRUE(near(corner.pixelColor(0, y), down[static_cast<std::size_t>(y - 1)])) << y;
    }
    for (int x = 3; x < corner.width() - 1; ++x) {
        EXPECT_TRUE(near(corner.pixelColor(x, 0), across[static_cast<std::size_t>(x - 3)])) << x;
    }
}

}  // namespace
