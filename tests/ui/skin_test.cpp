// The skin: images created in slot order and placed by the records of the chosen mode, pictures
// shown from bitmap and GIF bytes, and controls placed by their records.

#include "ui/skin.h"

#include <QBuffer>
#include <QImage>
#include <QMovie>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace kavrin::ui {
namespace {

using model::TMode;

// A GIF of 1 x 1 pixel with two frames, black then white, built by hand since Qt cannot write
// GIF.
// clang-format off
const std::vector<std::uint8_t> kTwoFrameGif = {
    'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,            // header, screen, 2 colours
    0, 0, 0, 0xFF, 0xFF, 0xFF,                                      // black, white
    0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3,
    1, 0, 0, 0,                                                     // looping for ever
    0x21, 0xF9, 4, 0, 10, 0, 0, 0,                                  // frame 1: 100 ms
    0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0,           // index 0
    0x21, 0xF9, 4, 0, 10, 0, 0, 0,                                  // frame 2
    0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0,           // index 1
    0x3B};
// clang-format on

std::vector<std::uint8_t> BitmapBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return {bytes.begin(), bytes.end()};
}

TEST(Skin, LoadSkinStacksSlotsInOrderAndPlacesThemByMode) {
    QWidget beginnerWindow;
    const TSkin beginner = LoadSkin(&beginnerWindow, TMode::Beginner);
    QWidget advancedWindow;
    const TSkin advanced = LoadSkin(&advancedWindow, TMode::Advanced);

    const QObjectList children = beginnerWindow.children();
    ASSERT_EQ(children.size(), resources::kLastSkinSlot);
    for (int slot = 1; slot <= resources::kLastSkinSlot; ++slot) {
        EXPECT_EQ(children[slot - 1], beginner.Image(slot)) << slot;
    }
    EXPECT_EQ(beginner.Image(0), nullptr);
    EXPECT_EQ(beginner.Image(66), nullptr);

    // Slot 10 has no Beginner record: it keeps size 0 x 0.
    EXPECT_EQ(beginner.Image(10)->size(), QSize(0, 0));
    EXPECT_EQ(advanced.Image(10)->geometry(), QRect(457, 56, 207, 284));
    EXPECT_TRUE(advanced.Image(10)->Stretch());
    EXPECT_TRUE(advanced.Image(10)->Transparent());
    // Slot 14 has no Advanced record, slot 16 has one.
    EXPECT_EQ(advanced.Image(14)->geometry(), QRect(5, 12, 54, 54));
    EXPECT_EQ(advanced.Image(16)->geometry(), QRect(5, 76, 54, 54));
    EXPECT_EQ(beginner.Image(16)->geometry(), QRect(5, 88, 54, 54));

    // A command button: tag on the normal and highlighted images; only the normal image and,
    // for run, the disabled overlay show.
    const std::vector<int> tags{1, 1, 0, 0};
    const std::vector<bool> shown{true, false, false, true};
    for (int k = 0; k < 4; ++k) {
        const TSkinImage* image = beginner.Image(42 + k);
        EXPECT_EQ(image->Tag(), tags[k]) << k;
        EXPECT_EQ(!image->isHidden(), shown[k]) << k;
        EXPECT_EQ(image->geometry(), QRect(15, 429, 86, 40)) << k;
        EXPECT_FALSE(image->Stretch());
        EXPECT_FALSE(image->Transparent());
    }
    EXPECT_TRUE(beginner.Image(53)->isHidden());  // test's overlay starts hidden
}

TEST(Skin, GifPictureAnimatesAndRewinds) {
    TSkinImage image(20);
    ASSERT_TRUE(image.SetGif(kTwoFrameGif));
    EXPECT_EQ(image.FrameCount(), 2);
    EXPECT_EQ(image.PictureSize(), QSize(1, 1));
    ASSERT_NE(image.Animation(), nullptr);
    EXPECT_EQ(image.Animation()->currentFrameNumber(), 0);

    image.Play(200);
    EXPECT_EQ(image.Animation()->state(), QMovie::Running);
    EXPECT_EQ(image.Animation()->speed(), 200);
    image.StopAndRewind();
    EXPECT_EQ(image.Animation()->state(), QMovie::NotRunning);
    EXPECT_EQ(image.Animation()->currentFrameNumber(), 0);

    // Bytes that are no GIF leave the image empty.
    const std::vector<std::uint8_t> junk{'G', 'I', 'F', 0, 1, 2};
    EXPECT_FALSE(image.SetGif(junk));
    EXPECT_EQ(image.Animation(), nullptr);
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_TRUE(image.PictureSize().isEmpty());
}

TEST(Skin, TransparentBitmapLetsTheWindowShowThroughItsBottomLeftColour) {
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 255, 255));
    picture.setPixel(1, 0, qRgb(0, 0, 255));

    QWidget window;
    window.resize(2, 1);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::red);
    window.setPalette(palette);

    TSkinImage image(1, &window);
    image.setGeometry(0, 0, 2, 1);
    ASSERT_TRUE(image.SetBitmap(BitmapBytes(picture)));
    image.SetTransparent(true);
    QImage shown = window.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(1, 0)), QColor(Qt::blue));

    image.SetTransparent(false);
    shown = window.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(Qt::white));

    EXPECT_FALSE(image.SetBitmap(kTwoFrameGif));
    EXPECT_TRUE(image.PictureSize().isEmpty());
}

TEST(Skin, ControlLayoutsFollowTheModeAndLeaveControlsWithoutRecords) {
    QWidget window;
    QWidget control(&window);
    control.setGeometry(1, 2, 3, 4);

    EXPECT_FALSE(ApplyControlLayout(resources::kSensorNotebookLayout, control, TMode::Beginner));
    EXPECT_EQ(control.geometry(), QRect(1, 2, 3, 4));
    EXPECT_TRUE(ApplyControlLayout(resources::kSensorNotebookLayout, control, TMode::Advanced));
    EXPECT_EQ(control.geometry(), QRect(460, 103, 201, 226));
    EXPECT_TRUE(ApplyControlLayout(resources::kRunTestButtonLayout, control, TMode::Advanced));
    EXPECT_EQ(control.geometry(), QRect(15, 384, 170, 25));

    // A window not yet shown has no frame: the record's size becomes its size.
    QWidget testWindow;
    EXPECT_TRUE(ApplyControlLayout(resources::kTestWindowLayout, testWindow, TMode::Advanced));
    EXPECT_EQ(testWindow.size(), QSize(598, 480));
}

// Type given in points and type given in pixels both shrink to fit, condensed first, and stop
// at the smallest size they are allowed.
TEST(Skin, TypeThatFitsShrinksPointAndPixelTypeAlike) {
    const QString text = QStringLiteral("Για προχωρημένους");
    QFont points = QFont(QStringLiteral("Arial"));
    points.setPointSize(12);
    QFont pixels = ArialFont(16);
    for (const QFont& given : {points, pixels}) {
        const bool inPixels = given.pointSize() <= 0;
        SCOPED_TRACE(inPixels ? "pixels" : "points");
        const int size = inPixels ? given.pixelSize() : given.pointSize();
        const auto sizeOf = [inPixels](const QFont& f) {
            return inPixels ? f.pixelSize() : f.pointSize();
        };
        const int full = QFontMetrics(given).horizontalAdvance(text);
        const int room = full * 3 / 5;  // beyond what condensing alone can do
        const QFont fitted = TypeThatFits(given, {text}, room, 85, size - 6);
        EXPECT_LE(QFontMetrics(fitted).horizontalAdvance(text), room);
        EXPECT_LT(sizeOf(fitted), size);
        EXPECT_GE(sizeOf(fitted), size - 6);
        // Room for the full type: nothing changes but the stretch, which is spelled out.
        const QFont roomy = TypeThatFits(given, {text}, full + 1, 85, size - 6);
        EXPECT_EQ(sizeOf(roomy), size);
        EXPECT_EQ(roomy.stretch(), QFont::Unstretched);
        // Nothing fits: the smallest size allowed, condensed as far as allowed.
        const QFont tight = TypeThatFits(given, {text}, 5, 85, size - 2);
        EXPECT_EQ(sizeOf(tight), size - 2);
        EXPECT_EQ(tight.stretch(), 85);
    }
}

}  // namespace
}  // namespace kavrin::ui
