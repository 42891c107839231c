// Where the simulator and progress windows open: beside the main window, on the screen.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/window_place.h"

namespace kavrin::ui {
namespace {

const QRect kMain(351, 175, 578, 550);  // the main window, centred on a 1280x900 screen
const QSize kSimulator(853, 600);

QRect Placed(const QRect& anchor, const QSize& size, const QRect& area) {
    return {PlaceBeside(QRect(QPoint(), size), anchor, area), size};
}

TEST(WindowPlace, BesideTheMainWindowWhereThereIsRoomElseCoveringTheLeastAndNeverItsFoot) {
    const QRect wide(0, 0, 1920, 1040);
    EXPECT_EQ(Placed(kMain, kSimulator, wide),
              QRect(QPoint(kMain.right() + 9, kMain.top()), kSimulator));
    // The main window at the right edge: to its left.
    const QRect atRight(1300, 100, 578, 550);
    EXPECT_EQ(Placed(atRight, kSimulator, wide).right(), atRight.left() - 9);

    // A 1280x900 screen has no room beside: inside the screen, at a top corner, clear of the
    // main window's foot where its buttons are.
    const QRect small(0, 0, 1280, 900);
    const QRect placed = Placed(kMain, kSimulator, small);
    EXPECT_TRUE(small.contains(placed)) << placed.x() << "," << placed.y();
    EXPECT_FALSE(placed.intersects(QRect(kMain.left(), kMain.bottom() - 60, kMain.width(), 61)));

    // Larger than the screen: from its top left.
    EXPECT_EQ(Placed(kMain, QSize(2000, 1200), small).topLeft(), small.topLeft());
}

TEST(WindowPlace, AWindowThatCanBeNarrowerIsMadeSoToFitBeside) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget main;
    main.setGeometry(area.left() + area.width() / 4, area.top() + 40, area.width() / 2,
                     area.height() / 2);
    main.show();
    QWidget window;
    window.setMinimumSize(area.width() / 8, 100);
    window.resize(area.width() / 2, area.height() / 2);
    MoveBeside(window, main);
    EXPECT_LT(window.width(), area.width() / 4);
    EXPECT_GE(window.width(), area.width() / 8);
    EXPECT_FALSE(window.frameGeometry().intersects(main.frameGeometry()));
    EXPECT_TRUE(area.contains(window.frameGeometry()));
}

}  // namespace
}  // namespace kavrin::ui
