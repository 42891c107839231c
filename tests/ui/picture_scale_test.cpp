// The pictures at the screen's scale: on a screen of more pixels to the unit (ctest
// UiAtScale2.Pictures, offscreen at QT_SCALE_FACTOR 2) every picture the windows show is the
// one drawn at twice the size, of device pixel ratio 2 and twice the pixels each way, taking the
// same room in units; at 100 % (the plain suite) the very pictures the windows always showed.

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "resources/resources.h"
#include "resources/skin_layout.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/main_window.h"
#include "ui/picture_scale.h"
#include "ui/skin.h"
#include "ui/start_window.h"

namespace kavrin::ui {
namespace {

// The scale the screen asks for: 2 in the scaled run, 1 in the plain one.
int ExpectedScale() { return qApp->devicePixelRatio() > 1 ? 2 : 1; }

TEST(PicturesAtScale, TheMainWindowsSkinShowsThePicturesOfTheScreensScale) {
    const int scale = ExpectedScale();
    QTemporaryDir dir;
    QSettings fresh(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        SCOPED_TRACE(mode == model::TMode::Beginner ? "Beginner" : "Advanced");
        TMainForm window;
        window.SetSettingsStore(&fresh);
        window.ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(PictureScale(window), scale);
        int pictures = 0;
        for (int slot = resources::kFirstSkinSlot; slot <= resources::kLastSkinSlot; ++slot) {
            const TSkinImage* image = window.Skin().Image(slot);
            if (image == nullptr || image->PictureSize().isEmpty()) {
                continue;
            }
            SCOPED_TRACE(slot);
            ++pictures;
            const QPixmap shown = image->ShownPixmap();
            EXPECT_EQ(image->ShownScale(), scale);
            EXPECT_EQ(shown.devicePixelRatio(), scale);
            EXPECT_EQ(shown.size(), image->PictureSize() * scale);
            // What the label paints is that pixmap, in the room the layout gives the picture.
            if (image->movie() == nullptr) {
                EXPECT_EQ(image->pixmap().devicePixelRatio(), scale);
                EXPECT_EQ(image->pixmap().size(), shown.size());
            }
            // The layout's sizes are in units, as at 100 % (the places of the bottom edge follow
            // the help area), and so is the room the picture takes.
            const auto layout = resources::FindImageLayout(slot, mode == model::TMode::Advanced);
            ASSERT_TRUE(layout);
            EXPECT_EQ(image->size(), QSize(layout->width, layout->height));
            EXPECT_EQ(shown.deviceIndependentSize().toSize(), image->PictureSize());
        }
        EXPECT_GT(pictures, 40);
        // A playing tile shows its frames at the scale as it moves.
        TSkinImage* tile = window.Palette()->Tiles().front();
        ASSERT_NE(tile, nullptr);
        ASSERT_NE(tile->Animation(), nullptr);
        tile->Animation()->jumpToFrame(2);
        EXPECT_EQ(tile->ShownPixmap().devicePixelRatio(), scale);
        if (scale > 1) {
            EXPECT_EQ(tile->pixmap().toImage(), tile->ShownPixmap().toImage());
        }
    }
}

TEST(PicturesAtScale, TheListsTheStartWindowAndTheDraggedTileToo) {
    const int scale = ExpectedScale();
    for (int kind = 0; kind < model::kActionKindCount; ++kind) {
        SCOPED_TRACE(kind);
        const QPixmap single = ActionKindPicture(kind);
        const QPixmap picture = ActionKindPicture(kind, scale);
        EXPECT_EQ(picture.devicePixelRatio(), scale);
        EXPECT_EQ(picture.size(), single.size() * scale);
        EXPECT_EQ(picture.deviceIndependentSize(), single.deviceIndependentSize());
    }
    TIntroForm start;
    start.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&start));
    const auto* background = start.findChild<QLabel*>();
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->pixmap().devicePixelRatio(), scale);
    EXPECT_EQ(background->pixmap().size(), QSize(361, 130) * scale);
    // The window's own pixels: twice as many each way at scale 2.
    const QImage drawn = start.grab().toImage();
    EXPECT_EQ(drawn.size(), start.size() * scale);
}

}  // namespace
}  // namespace kavrin::ui
