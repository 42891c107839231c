// The main window's outline on the X11 platform at a scale factor (ctest UiOnX11.ScaledOutline at
// QT_SCALE_FACTOR 1.5 and 2; at 1 it checks the same of the plain outline): the shape on the
// display covers the window exactly, leaves the corners out, and is drawn at the display's own
// pixels, not Qt's mask in units enlarged step for step. Elsewhere it is skipped.

#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <QCheckBox>

#include <algorithm>
#include <cmath>

#include "ui/main_window.h"
#include "ui/window_face.h"

#ifdef KAVRIN_X11_SHAPE
#include "ui/x11/display_shape.h"
#endif

namespace kavrin::ui {
namespace {

#ifdef KAVRIN_X11_SHAPE
constexpr int kSettleMs = 150;

// The left edge of the outline in each pixel row from the top down to rows (-1: none in it).
std::vector<int> LeftEdges(const test::TDisplayShape& shape, int rows) {
    std::vector<int> edges(static_cast<std::size_t>(rows), -1);
    for (const test::TShapeRect& r : shape.rectangles) {
        for (int y = std::max(0, r.y); y < std::min(rows, r.y + r.height); ++y) {
            int& edge = edges[static_cast<std::size_t>(y)];
            edge = edge < 0 ? r.x : std::min(edge, r.x);
        }
    }
    return edges;
}

// The outline covers the window from (0, 0) to its width and down to bottom (display pixels),
// its corners of the ellipse (units) left out, at the display's own pixels.
void ExpectRoundedOutline(const TMainForm& window, int bottom, int ellipse, const char* when) {
    SCOPED_TRACE(when);
    QTest::qWait(kSettleMs);
    const std::optional<test::TDisplayShape> shape = test::DisplayShape(window.winId());
    ASSERT_TRUE(shape) << "no display";
    ASSERT_TRUE(shape->shaped);
    const qreal ratio = window.devicePixelRatioF();
    EXPECT_EQ(shape->x, 0);
    EXPECT_EQ(shape->y, 0);
    EXPECT_EQ(shape->width, shape->windowWidth) << "the outline cuts the right edge";
    EXPECT_EQ(shape->height, bottom);
    // The corners' outermost pixels are outside, the middle of each edge inside.
    const int right = shape->windowWidth - 1;
    EXPECT_FALSE(shape->Contains(0, 0));
    EXPECT_FALSE(shape->Contains(right, 0));
    EXPECT_FALSE(shape->Contains(0, bottom - 1));
    EXPECT_FALSE(shape->Contains(right, bottom - 1));
    EXPECT_TRUE(shape->Contains(shape->windowWidth / 2, 0));
    EXPECT_TRUE(shape->Contains(0, bottom / 2));
    EXPECT_TRUE(shape->Contains(right, bottom / 2));
    EXPECT_TRUE(shape->Contains(shape->windowWidth / 2, bottom - 1));
    // A pixel just inside the corner's curve is in, one just outside it out.
    const qreal radius = ellipse / 2.0 * ratio;
    const qreal diagonal = radius - radius / std::sqrt(2.0);  // where the curve meets 45 degrees
    EXPECT_TRUE(shape->Contains(static_cast<int>(diagonal) + 3, static_cast<int>(diagonal) + 3));
    EXPECT_FALSE(shape->Contains(static_cast<int>(diagonal) - 3, static_cast<int>(diagonal) - 3));
    // Drawn at the display's pixels: where the curve is steeper than 45 degrees nearly every row
    // has a left edge of its own; the mask in units, enlarged, repeats each row ratio times.
    const int steepRows = static_cast<int>(radius / 4);
    const std::vector<int> edges = LeftEdges(*shape, steepRows + 1);
    int changes = 0;
    for (int y = 1; y <= steepRows; ++y) {
        changes += edges[static_cast<std::size_t>(y)] != edges[static_cast<std::size_t>(y - 1)];
    }
    if (ratio > 1) {
        EXPECT_GE(changes * 4, steepRows * 3)
            << changes << " of " << steepRows
            << " rows: the corner steps as the mask in units does";
    }
}
#endif

TEST(ScaledOutlineOnX11, TheOutlineIsTheWindowsRoundedShapeAtTheDisplaysPixels) {
#ifndef KAVRIN_X11_SHAPE
    GTEST_SKIP() << "built without Xlib's SHAPE extension";
#else
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs the X11 platform";
    }
    QTemporaryDir dir;
    QSettings fresh(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        SCOPED_TRACE(mode == model::TMode::Beginner ? "Beginner" : "Advanced");
        TMainForm window;
        window.SetSettingsStore(&fresh);
        window.ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(!window.Face()->Uncovering());
        const std::optional<test::TDisplayShape> first = test::DisplayShape(window.winId());
        ASSERT_TRUE(first);
        ExpectRoundedOutline(window, first->windowHeight, TWindowFace::kHelpCornerEllipse,
                             "help open");

        // Closed, the outline ends above the window's bottom edge, where Qt's mask ends.
        QTest::mouseClick(window.HyperHelp(), Qt::LeftButton);
        ASSERT_FALSE(window.HyperHelp()->isChecked());
        ExpectRoundedOutline(
            window,
            qRound((window.mask().boundingRect().bottom() + 1) * window.devicePixelRatioF()),
            TWindowFace::kHelpCornerEllipse, "help closed");

        // Halfway through the uncovering the outline is rounded at its moving bottom too.
        QTest::mouseClick(window.HyperHelp(), Qt::LeftButton);
        ASSERT_TRUE(window.Face()->Uncovering());
        QTRY_VERIFY(!window.Face()->Uncovering());
        const std::optional<test::TDisplayShape> opened = test::DisplayShape(window.winId());
        ASSERT_TRUE(opened);
        ExpectRoundedOutline(window, opened->windowHeight, TWindowFace::kHelpCornerEllipse,
                             "help open again");
    }
#endif
}

}  // namespace
}  // namespace kavrin::ui
