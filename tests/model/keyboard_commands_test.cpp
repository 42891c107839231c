#include <gtest/gtest.h>

#include "document_test_util.h"

namespace kavrin::model {
namespace {

using test::Fill;
using test::FillForward;

TEST(KeyboardInsert, GoesBeforeTheSelectionWhichMovesOnSoTilesFollowInOrder) {
    TActionDocument doc;
    Fill(doc, kMainList, {{akForward, 5}, {akGoBack, 1}});
    doc.SelectRow(kMainList, 2, false);
    ASSERT_TRUE(doc.InsertAtSelection(akTurnLeft));
    ASSERT_TRUE(doc.InsertAtSelection(akStopWait));
    EXPECT_EQ(doc.Step(kMainList, 2).kind, akTurnLeft);
    EXPECT_EQ(doc.Step(kMainList, 2).value, kActionKinds[akTurnLeft].defaultValue);
    EXPECT_EQ(doc.Step(kMainList, 3).kind, akStopWait);
    EXPECT_EQ(doc.View(kMainList).selection.top, 4);  // still the go-back step
    EXPECT_TRUE(doc.Modified());
    // The empty row appends, one after another; each insert is one undo level.
    doc.SelectRow(kMainList, doc.RowCount(kMainList) - 1, false);
    ASSERT_TRUE(doc.InsertAtSelection(akForward));
    ASSERT_TRUE(doc.InsertAtSelection(akBackward));
    EXPECT_EQ(doc.Count(kMainList), 6);
    EXPECT_EQ(doc.Step(kMainList, 6).kind, akBackward);
    EXPECT_EQ(doc.View(kMainList).selection.top, 7);
    doc.Undo();
    EXPECT_EQ(doc.Count(kMainList), 5);
    EXPECT_EQ(doc.Step(kMainList, 5).kind, akForward);
}

TEST(KeyboardInsert, RefusesAsTheDropDoes) {
    TActionDocument doc(TMode::Advanced);
    doc.SetCurrentList(kSensorSet1);
    EXPECT_EQ(doc.InsertRefusal(kSensorSet1, akGoBack), TInsertRefusal::NoGoBackInSensorSet);
    EXPECT_FALSE(doc.InsertAtSelection(akGoBack));
    EXPECT_EQ(doc.Count(kSensorSet1), 0);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.InsertRefusal(kSensorSet1, akForward), TInsertRefusal::None);

    FillForward(doc, kMainList, kMaxSteps);
    doc.SetCurrentList(kMainList);
    doc.SelectRow(kMainList, 3, false);
    EXPECT_EQ(doc.InsertRefusal(kMainList, akForward), TInsertRefusal::ListFull);
    EXPECT_FALSE(doc.InsertAtSelection(akForward));
    EXPECT_EQ(doc.Count(kMainList), kMaxSteps);
    EXPECT_EQ(doc.View(kMainList).selection.top, 3);
    EXPECT_EQ(doc.InsertRefusal(kMainList, 99), TInsertRefusal::NotAList);
}

TEST(KeyboardMove, MovesTheSelectedBlockWithItsColumnsAndStopsAtTheEnds) {
    TActionDocument doc(TMode::Advanced);
    for (int i = 1; i <= 4; ++i) {
        doc.InsertStepIntoList(
            kMainList, i,
            TBotAction{
                akForward, static_cast<std::int16_t>(i), {static_cast<std::uint8_t>(i), 0, 0}});
    }
    doc.SetSelection(kMainList, {2, 3});
    doc.MoveSelectedSteps(kMainList, -1);
    // 2 3 1 4: the moved steps keep their own columns.
    EXPECT_EQ(doc.Step(kMainList, 1), (TBotAction{akForward, 2, {2, 0, 0}}));
    EXPECT_EQ(doc.Step(kMainList, 2), (TBotAction{akForward, 3, {3, 0, 0}}));
    EXPECT_EQ(doc.Step(kMainList, 3).value, 1);
    EXPECT_EQ(doc.View(kMainList).selection.top, 1);
    EXPECT_EQ(doc.View(kMainList).selection.bottom, 2);
    EXPECT_TRUE(doc.Modified());
    doc.MoveSelectedSteps(kMainList, -1);  // already at the top
    EXPECT_EQ(doc.Step(kMainList, 1).value, 2);
    doc.MoveSelectedSteps(kMainList, +1);
    doc.MoveSelectedSteps(kMainList, +1);
    doc.MoveSelectedSteps(kMainList, +1);  // at the end now
    EXPECT_EQ(doc.Step(kMainList, 3).value, 2);
    EXPECT_EQ(doc.Step(kMainList, 4).value, 3);
    EXPECT_EQ(doc.View(kMainList).selection.bottom, 4);
    // Like the row drag it takes no undo level.
    EXPECT_FALSE(doc.AutoEnableDisable().undo);
}

TEST(KeyboardDuration, StepsByATenthWithOneUndoLevelWithinTheLimits) {
    TActionDocument doc;
    Fill(doc, kMainList, {{akForward, 2}, {akGoBack, 1}});
    doc.SelectRow(kMainList, 1, false);
    doc.ChangeSelectedDuration(kMainList, +1);
    doc.ChangeSelectedDuration(kMainList, -1);
    doc.ChangeSelectedDuration(kMainList, -1);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 1);
    doc.ChangeSelectedDuration(kMainList, -1);  // the least: no change, no undo level
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).value, 2);
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).value, 3);
    doc.SetStepValue(kMainList, 1, kMaxDuration);
    doc.ChangeSelectedDuration(kMainList, +1);
    EXPECT_EQ(doc.Step(kMainList, 1).value, kMaxDuration);
    // A go-back step keeps its target; the empty row has no duration.
    doc.SelectRow(kMainList, 2, false);
    doc.ChangeSelectedDuration(kMainList, +1);
    EXPECT_EQ(doc.Step(kMainList, 2).value, 1);
    doc.SelectRow(kMainList, 3, false);
    doc.ChangeSelectedDuration(kMainList, +1);
    EXPECT_EQ(doc.Count(kMainList), 2);
}

TEST(KeyboardSensorColumns, WriteTheSetIntoEverySelectedStepWithOneUndoLevel) {
    TActionDocument doc(TMode::Advanced);
    FillForward(doc, kMainList, 3);
    doc.SetSelection(kMainList, {1, 2});
    doc.SetSensorColumnOfSelection(gcLeft, 3);
    EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{0, 3, 0}));
    EXPECT_EQ(doc.Step(kMainList, 2).sensors, (std::array<std::uint8_t, 3>{0, 3, 0}));
    EXPECT_EQ(doc.Step(kMainList, 3).sensors, (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_TRUE(doc.Modified());
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{0, 0, 0}));
    // The set already there: no undo level that would undo nothing, so one Undo goes back.
    doc.SetSelection(kMainList, {1, 1});
    doc.SetSensorColumnOfSelection(gcBoth, 2);
    ASSERT_EQ(doc.Step(kMainList, 1).sensors[0], 2);
    doc.SetSensorColumnOfSelection(gcBoth, 2);
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).sensors[0], 0);
    // Beginner mode has no sensor columns to write.
    TActionDocument beginner;
    FillForward(beginner, kMainList, 1);
    beginner.SelectRow(kMainList, 1, false);
    beginner.SetSensorColumnOfSelection(gcBoth, 2);
    EXPECT_EQ(beginner.Step(kMainList, 1).sensors[0], 0);
    EXPECT_FALSE(beginner.AutoEnableDisable().undo);
}

TEST(GoBackTargets, APastedOrMovedGoBackNeverPointsBelowItself) {
    TActionDocument doc;
    FillForward(doc, kMainList, 3);
    Fill(doc, kMainList, {{akGoBack, 3}});
    doc.SelectRow(kMainList, 4, false);
    doc.Copy();
    doc.SelectRow(kMainList, 2, false);
    doc.Paste();
    EXPECT_EQ(doc.Step(kMainList, 2), (TBotAction{akGoBack, 2, {0, 0, 0}}));
    doc.MoveRow(kMainList, 5, 1);  // the first go-back, now at row 5 and pointing at 4
    EXPECT_EQ(doc.Step(kMainList, 1).kind, akGoBack);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 1);
}

}  // namespace
}  // namespace kavrin::model
