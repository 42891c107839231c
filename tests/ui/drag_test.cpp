// Dragging palette tiles and the sensor-set tile into the lists with real mouse events, sent to
// the main window's native window so that grabs and implicit grabs route them as in use.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

#include "model/document.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/drag_tile.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/sensor_set_drop.h"
#include "ui/skin.h"

namespace kavrin::ui {
namespace {

using model::kMainList;

class DragTest : public ::testing::Test {
protected:
    void Build(model::TMode mode) {
        form_.BuildForMode(mode);
        form_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
        dragger_ = form_.findChild<TDragger*>();
        ASSERT_NE(dragger_, nullptr);
    }

    model::TActionDocument& Doc() { return *form_.Document(); }
    QWindow* Window() { return form_.windowHandle(); }

    TSkinImage* Tile(int kind) {
        for (auto* tile : form_.Palette()->ScrollBox()->widget()->findChildren<TSkinImage*>()) {
            if (tile->Tag() == kind) {
                form_.Palette()->ScrollBox()->ensureWidgetVisible(tile);
                return tile;
            }
        }
        return nullptr;
    }

    // A point of a grid's viewport in the main window.
    QPoint OnGrid(int list, QPoint viewportPoint) {
        return form_.Grid(list)->viewport()->mapTo(&form_, viewportPoint);
    }
    // The middle of a cell of a display row (0: header) of a grid.
    QPoint Cell(int list, int displayRow, int column) {
        const TActionGrid* grid = form_.Grid(list);
        return OnGrid(list, {grid->ColumnLeft(column) + grid->ColumnWidth(column) / 2,
                             displayRow * TActionGrid::kRowPitch + TActionGrid::kRowHeight / 2});
    }

    // Presses a palette tile and pulls it far enough to start the drag.
    void Grab(int kind) {
        TSkinImage* tile = Tile(kind);
        ASSERT_NE(tile, nullptr);
        const QPoint start = tile->mapTo(&form_, QPoint(20, 20));
        QTest::mousePress(Window(), Qt::LeftButton, {}, start);
        QTest::mouseMove(Window(), start + QPoint(3, 0));
        EXPECT_FALSE(dragger_->Dragging());  // not yet beyond the threshold
        QTest::mouseMove(Window(), start + QPoint(8, 0));
        ASSERT_TRUE(dragger_->Dragging());
    }
    Qt::CursorShape CursorAt(QPoint formPos) {
        QTest::mouseMove(Window(), formPos);
        return QGuiApplication::overrideCursor() != nullptr
                   ? QGuiApplication::overrideCursor()->shape()
                   : Qt::ArrowCursor;
    }
    // Drags a tile to a point of the main window and lets it land there.
    void DragTo(int kind, QPoint formPos) {
        Grab(kind);
        QTest::mouseMove(Window(), formPos);
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, formPos);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !dragger_->Landing(); }, 3000));
        EXPECT_FALSE(dragger_->isVisible());
    }

    void Fill(int list, int steps) {
        for (int row = 1; row <= steps; ++row) {
            Doc().InsertIntoList(list, row, 10, model::akForward);
        }
        form_.Grid(list)->Refresh();
    }

    TMainForm form_;
    TDragger* dragger_ = nullptr;
};

TEST_F(DragTest, DropOnARowInsertsThereLandingOnItsActionCellAndUndoRemovesIt) {
    Build(model::TMode::Beginner);
    Fill(kMainList, 4);
    Doc().InsertIntoList(kMainList, 5, 3, model::akGoBack);  // step 5 goes back to step 3
    form_.Grid(kMainList)->Refresh();

    QSignalSpy frames(dragger_, &TDragger::LandingFrame);
    Grab(model::akTurnLeft);
    // Placed over the tile at first, then following the pointer at the grab offset.
    const QPoint target = Cell(kMainList, 3, model::gcAction);
    EXPECT_EQ(CursorAt(target), Qt::DragCopyCursor);
    EXPECT_EQ(dragger_->geometry().topLeft(), target - QPoint(20, 20));
    EXPECT_EQ(dragger_->size(), QSize(TDragger::kTileSize, TDragger::kTileSize));
    EXPECT_EQ(CursorAt(form_.Palette()->ScrollBox()->mapTo(&form_, QPoint(5, 5))),
              Qt::ForbiddenCursor);
    QTest::mouseMove(Window(), target);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, target);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Doc().Count(kMainList), 5);  // nothing yet: the tile is landing
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dragger_->Landing(); }, 3000));

    ASSERT_EQ(frames.count(), 27);
    for (int i = 0; i < frames.count(); ++i) {
        EXPECT_EQ(frames.at(i).at(0).toRect().width(), 53 - i);
    }
    // The last frame lies on the start of row 3's action cell, where its widget shows.
    const QRect last = frames.last().at(0).toRect();
    const QPoint icon = form_.Lists()->MainWidgets()[2]->Icon()->mapTo(&form_, QPoint(0, 0));
    EXPECT_LE((last.topLeft() - icon).manhattanLength(), 2) << last.x() << "," << last.y();

    ASSERT_EQ(Doc().Count(kMainList), 6);
    EXPECT_EQ(Doc().Step(kMainList, 3).kind, model::akTurnLeft);
    EXPECT_EQ(Doc().Step(kMainList, 6).kind, model::akGoBack);
    EXPECT_EQ(Doc().Step(kMainList, 6).value, 4);  // still the same step

    form_.RunCommand(model::TCommand::Undo);
    EXPECT_EQ(Doc().Count(kMainList), 5);
    EXPECT_EQ(Doc().Step(kMainList, 3).kind, model::akForward);
    EXPECT_EQ(Doc().Step(kMainList, 5).value, 3);
}

TEST_F(DragTest, HeaderInsertsAtRowOneAndBelowTheLastRowAppendsAndScrolls) {
    Build(model::TMode::Beginner);
    Fill(kMainList, 2);
    DragTo(model::akStopWait, Cell(kMainList, 0, model::gcAction));
    ASSERT_EQ(Doc().Count(kMainList), 3);
    EXPECT_EQ(Doc().Step(kMainList, 1).kind, model::akStopWait);

    // Below the last row of a short list: appended.
    const TActionGrid* grid = form_.Grid(kMainList);
    DragTo(model::akBackward, OnGrid(kMainList, {40, grid->viewport()->height() - 3}));
    ASSERT_EQ(Doc().Count(kMainList), 4);
    EXPECT_EQ(Doc().Step(kMainList, 4).kind, model::akBackward);

    // A long list scrolled to its append row: the new step shows at the end.
    Fill(kMainList, 6);
    form_.Grid(kMainList)->EnsureVisible(Doc().Count(kMainList) + 1);
    const int appendDisplay = Doc().Count(kMainList) + 1 - Doc().View(kMainList).topRow + 1;
    DragTo(model::akTurnRight, Cell(kMainList, appendDisplay, model::gcAction));
    ASSERT_EQ(Doc().Count(kMainList), 11);
    EXPECT_EQ(Doc().Step(kMainList, 11).kind, model::akTurnRight);
    EXPECT_EQ(Doc().View(kMainList).topRow, Doc().RowCount(kMainList) - 7);
    EXPECT_EQ(form_.Grid(kMainList)->verticalScrollBar()->value(), Doc().View(kMainList).topRow);
}

TEST_F(DragTest, SensorNotebookTakesTilesButNeverGoBack) {
    Build(model::TMode::Advanced);
    form_.Lists()->Tabs()->setCurrentIndex(2);  // Set2
    const int set2 = model::kSensorSetAll + 2;
    const QPoint onSensorList = Cell(set2, 1, model::gcAction);

    QSignalSpy frames(dragger_, &TDragger::LandingFrame);
    Grab(model::akGoBack);
    EXPECT_EQ(CursorAt(onSensorList), Qt::ForbiddenCursor);
    EXPECT_EQ(CursorAt(Cell(kMainList, 1, model::gcAction)), Qt::DragCopyCursor);
    QTest::mouseMove(Window(), onSensorList);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, onSensorList);
    EXPECT_FALSE(dragger_->isVisible());
    EXPECT_EQ(frames.count(), 0);
    for (int list = 1; list <= model::kListCount; ++list) {
        EXPECT_EQ(Doc().Count(list), 0);
    }
    EXPECT_FALSE(Doc().AutoEnableDisable().undo);

    Grab(model::akForward);
    EXPECT_EQ(CursorAt(onSensorList), Qt::DragCopyCursor);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, onSensorList);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dragger_->Landing(); }, 3000));
    EXPECT_EQ(frames.count(), 27);
    EXPECT_EQ(Doc().Count(set2), 1);
    EXPECT_EQ(Doc().CurrentList(), set2);
}

TEST_F(DragTest, OutsideTheListsNothingChangesAndTheTileStaysInTheWindow) {
    Build(model::TMode::Advanced);
    Fill(kMainList, 2);
    QSignalSpy frames(dragger_, &TDragger::LandingFrame);
    Grab(model::akForward);
    const QRect inside = form_.rect();
    for (QPoint far : {QPoint(-200, -200), QPoint(inside.width() + 200, inside.height() + 200),
                       QPoint(-200, inside.height() + 200)}) {
        QTest::mouseMove(Window(), far);
        const QRect tile = dragger_->geometry();
        EXPECT_TRUE(inside.contains(tile)) << far.x() << "," << far.y();
        // Right against the edge it was pulled over.
        EXPECT_LE(std::min(tile.left(), inside.right() - tile.right()), 4);
        EXPECT_LE(std::min(tile.top(), inside.bottom() - tile.bottom()), 4);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    }
    const QPoint palette = form_.Palette()->ScrollBox()->mapTo(&form_, QPoint(4, 4));
    QTest::mouseMove(Window(), palette);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, palette);
    EXPECT_FALSE(dragger_->isVisible());
    EXPECT_FALSE(dragger_->Landing());
    EXPECT_EQ(frames.count(), 0);
    EXPECT_EQ(Doc().Count(kMainList), 2);
    EXPECT_FALSE(Doc().Modified());

    // Escape gives a drag up over a list.
    Grab(model::akForward);
    const QPoint onList = Cell(kMainList, 1, model::gcAction);
    QTest::mouseMove(Window(), onList);
    QTest::keyClick(Window(), Qt::Key_Escape);
    EXPECT_FALSE(dragger_->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, onList);
    EXPECT_EQ(frames.count(), 0);
    EXPECT_EQ(Doc().Count(kMainList), 2);
}

// The "+" tile hands its set to the platform's drag and drop (which the offscreen platform ends
// at once): the main list gets the drag's events as the platform delivers them.
TEST_F(DragTest, DroppedSensorSetGoesIntoTheSensorColumnOfAStepRowOnly) {
    Build(model::TMode::Advanced);
    Fill(kMainList, 3);
    QWidget* viewport = form_.Grid(kMainList)->viewport();
    // Returns whether the drop was taken.
    const auto dropAt = [&](QMimeData* data, QPoint formPos) {
        const std::unique_ptr<QMimeData> owned(data);
        const QPoint at = viewport->mapFrom(&form_, formPos);
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        EXPECT_EQ(move.isAccepted(), drop.isAccepted());
        return enter.isAccepted() && drop.isAccepted();
    };

    EXPECT_TRUE(dropAt(SensorSetMimeData(3), Cell(kMainList, 2, model::gcLeft)));
    EXPECT_EQ(Doc().Step(kMainList, 2).sensors, (std::array<std::uint8_t, 3>{0, 3, 0}));
    EXPECT_TRUE(dropAt(SensorSetMimeData(1), Cell(kMainList, 3, model::gcRight)));
    EXPECT_EQ(Doc().Step(kMainList, 3).sensors, (std::array<std::uint8_t, 3>{0, 0, 1}));

    // Refused on the action column, the empty append row, and for anything but a sensor set.
    const model::TActionProgram before = Doc().Program();
    auto* text = new QMimeData;
    text->setText(QStringLiteral("2"));
    EXPECT_FALSE(dropAt(SensorSetMimeData(2), Cell(kMainList, 1, model::gcAction)));
    EXPECT_FALSE(dropAt(SensorSetMimeData(2), Cell(kMainList, 4, model::gcBoth)));
    EXPECT_FALSE(dropAt(text, Cell(kMainList, 1, model::gcBoth)));
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(Doc().Step(kMainList, row).sensors, before.Step(kMainList, row).sensors);
    }
}

}  // namespace
}  // namespace kavrin::ui
