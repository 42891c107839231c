// The help area on the X11 platform: the window's outline on the display follows the window
// after every slide, with nothing but the slide's own timer running (no pointer moves, no other
// event from the server). Runs under Xvfb (ctest UiOnX11.HelpAreaOutline); elsewhere it is
// skipped.

#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <QCheckBox>

#include "ui/main_window.h"
#include "ui/window_face.h"

#ifdef KAVRIN_X11_SHAPE
#include "ui/x11/display_shape.h"
#endif

namespace kavrin::ui {
namespace {

#ifdef KAVRIN_X11_SHAPE
// Time for requests already sent to reach the server; a request still held by the client
// does not get there by waiting.
constexpr int kSettleMs = 150;

// The outline on the display against the rectangle expected, in the window's own pixels.
::testing::AssertionResult DisplayOutlineIs(const TMainForm& window, const QRect& expected) {
    QTest::qWait(kSettleMs);
    const std::optional<test::TDisplayShape> shape = test::DisplayShape(window.winId());
    if (!shape) return ::testing::AssertionFailure() << "no display";
    const qreal ratio = window.devicePixelRatioF();
    const QRect native(qRound(expected.x() * ratio), qRound(expected.y() * ratio),
                       qRound(expected.width() * ratio), qRound(expected.height() * ratio));
    const QRect shown(shape->x, shape->y, shape->width, shape->height);
    if (shape->shaped && shown == native) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "outline expected " << native.width() << "x" << native.height() << "+" << native.y()
           << ", on the display " << shown.width() << "x" << shown.height() << "+" << shown.y()
           << (shape->shaped ? "" : " (not shaped)");
}
#endif

TEST(HelpAreaOnX11, TheOutlineOnTheDisplayFollowsTheWindowAfterEverySlide) {
#ifndef KAVRIN_X11_SHAPE
    GTEST_SKIP() << "built without Xlib's SHAPE extension";
#else
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs the X11 platform";
    }
    QTemporaryDir dir;
    QSettings fresh(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        TMainForm window;
        window.SetSettingsStore(&fresh);
        window.ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(!window.Face()->Uncovering());
        EXPECT_TRUE(DisplayOutlineIs(window, window.rect())) << "at the first showing";

        // Where the last request of a slide ends up in the client's buffer varies: a few rounds.
        for (int round = 1; round <= 3; ++round) {
            // Closed, the outline ends a little above the window's bottom edge.
            QTest::mouseClick(window.HyperHelp(), Qt::LeftButton);
            ASSERT_FALSE(window.HyperHelp()->isChecked());
            EXPECT_TRUE(DisplayOutlineIs(window, window.mask().boundingRect()))
                << "closed, round " << round;

            QTest::mouseClick(window.HyperHelp(), Qt::LeftButton);  // and slides open again
            ASSERT_TRUE(window.Face()->Uncovering());
            QTRY_VERIFY(!window.Face()->Uncovering());
            EXPECT_TRUE(DisplayOutlineIs(window, window.rect())) << "opened, round " << round;
        }
    }
#endif
}

}  // namespace
}  // namespace kavrin::ui
