#include <gtest/gtest.h>

#include "document_test_util.h"

namespace kavrin::model {
namespace {

using test::Fill;
using test::FillForward;

TEST(ActionProgram, NewProgramIsEmptyWithDefaultsInEitherMode) {
    for (TMode mode : {TMode::Beginner, TMode::Advanced}) {
        TActionDocument doc(mode);
        EXPECT_EQ(doc.Program().leftServoCenter, 100);
        EXPECT_EQ(doc.Program().rightServoCenter, 100);
        EXPECT_EQ(doc.CurrentList(), kMainList);
        EXPECT_FALSE(doc.Modified());
        for (int list = 1; list <= kListCount; ++list) {
            EXPECT_EQ(doc.Count(list), 0);
            EXPECT_EQ(doc.RowCount(list), 2);
            EXPECT_EQ(doc.Step(list, 0), kHeaderSlot);
        }
        doc.DropAction(kMainList, 1, akForward);
        EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{0, 0, 0}));
    }
}

TEST(GoBackTargets, InsertShiftsTargetsAtOrAfterTheNewRow) {
    TActionDocument doc;
    Fill(doc, kMainList,
         {{akForward, 10}, {akForward, 10}, {akForward, 10}, {akGoBack, 2}, {akGoBack, 3}});
    ASSERT_TRUE(doc.InsertIntoList(kMainList, 3, 15, akRotateLeft));
    EXPECT_EQ(doc.Count(kMainList), 6);
    EXPECT_EQ(doc.Step(kMainList, 3).kind, akRotateLeft);
    EXPECT_EQ(doc.Step(kMainList, 5).value, 2);  // target before the insert stays
    EXPECT_EQ(doc.Step(kMainList, 6).value, 4);  // target at the insert row follows its step
}

TEST(GoBackTargets, DeleteShiftsOnlyTargetsAfterTheRemovedRow) {
    TActionDocument doc;
    Fill(doc, kMainList,
         {{akForward, 10},
          {akForward, 10},
          {akForward, 10},
          {akForward, 10},
          {akGoBack, 4},
          {akGoBack, 1},
          {akGoBack, 2}});
    const TBotAction removed = doc.DeleteFromList(kMainList, 2);
    EXPECT_EQ(removed.kind, akForward);
    EXPECT_EQ(doc.Count(kMainList), 6);
    EXPECT_EQ(doc.Step(kMainList, 4).value, 3);
    EXPECT_EQ(doc.Step(kMainList, 5).value, 1);
    EXPECT_EQ(doc.Step(kMainList, 6).value, 2);  // a target at the removed row stays
    // Durations are never renumbered.
    Fill(doc, kMainList, {{akForward, 9}});
    doc.DeleteFromList(kMainList, 1);
    EXPECT_EQ(doc.Step(kMainList, 6).value, 9);
}

TEST(InsertIntoList, FullListRefusesAndStaysUnchanged) {
    TActionDocument doc;
    FillForward(doc, kSensorSet3, kMaxSteps);
    ASSERT_EQ(doc.Count(kSensorSet3), 255);
    const TActionProgram before = doc.Program();
    EXPECT_FALSE(doc.InsertIntoList(kSensorSet3, 1, 5, akBackward));
    EXPECT_FALSE(doc.InsertStepIntoList(kSensorSet3, 256, TBotAction{akStopWait, 3, {1, 2, 3}}));
    EXPECT_FALSE(doc.DropAction(kSensorSet3, 1, akStopWait));
    EXPECT_EQ(doc.Program().lists, before.lists);
    EXPECT_EQ(doc.Count(kSensorSet3), 255);
}

TEST(InsertIntoList, SensorColumnsComeFromTheStepAbove) {
    TActionDocument doc(TMode::Advanced);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akForward, 5, {1, 2, 3}});
    doc.InsertIntoList(kMainList, 2, 7, akBackward);
    EXPECT_EQ(doc.Step(kMainList, 2).sensors, (std::array<std::uint8_t, 3>{1, 2, 3}));
    doc.InsertIntoList(kMainList, 1, 7, akBackward);
    EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(Drop, HeaderRowInsertsFirstAndBelowTheLastRowAppends) {
    TActionDocument doc;
    Fill(doc, kMainList, {{akForward, 12}, {akBackward, 12}});
    EXPECT_TRUE(doc.DropAction(kMainList, 0, akStopWait));
    EXPECT_EQ(doc.Step(kMainList, 1).kind, akStopWait);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 10);  // the kind's default
    EXPECT_TRUE(doc.DropAction(kMainList, 40, akGoBack));
    EXPECT_EQ(doc.Count(kMainList), 4);
    EXPECT_EQ(doc.Step(kMainList, 4).kind, akGoBack);
    EXPECT_EQ(doc.Step(kMainList, 4).value, 1);
    EXPECT_TRUE(doc.Modified());
}

TEST(Drop, DropMakesItsGridCurrentAndScrollsWhenAppendingPastTheView) {
    TActionDocument doc;
    doc.DropAction(kSensorSet2, 1, akForward);
    EXPECT_EQ(doc.CurrentList(), kSensorSet2);
    for (int i = 0; i < 6; ++i) {
        doc.AppendAction(akForward);
    }
    // 7 steps: 9 grid rows, so the sensor grid shows from row 9 - 6.
    EXPECT_EQ(doc.View(kSensorSet2).topRow, 3);
    FillForward(doc, kMainList, 6);
    doc.SetCurrentList(kMainList);
    doc.AppendAction(akBackward);
    EXPECT_EQ(doc.View(kMainList).topRow, 2);  // 9 rows minus 7
}

TEST(Drop, FullListStillTakesAnUndoLevel) {
    TActionDocument doc;
    FillForward(doc, kMainList, kMaxSteps);
    EXPECT_FALSE(doc.DropAction(kMainList, 3, akForward));
    EXPECT_TRUE(doc.AutoEnableDisable().undo);
}

TEST(Drop, SensorSetTileSetsOneColumnOfAMainListStep) {
    TActionDocument doc(TMode::Advanced);
    Fill(doc, kMainList, {{akForward, 12}, {akBackward, 12}});
    Fill(doc, kSensorSet1, {{akForward, 12}});
    EXPECT_TRUE(doc.AcceptsSensorSet(kMainList, 2, gcLeft));
    EXPECT_FALSE(doc.AcceptsSensorSet(kMainList, 2, gcAction));
    EXPECT_FALSE(doc.AcceptsSensorSet(kMainList, 3, gcBoth));  // the empty row
    EXPECT_FALSE(doc.AcceptsSensorSet(kMainList, 0, gcBoth));  // the header
    EXPECT_FALSE(doc.AcceptsSensorSet(kSensorSet1, 1, gcBoth));

    doc.DropSensorSet(kMainList, 2, gcLeft, 3);
    EXPECT_EQ(doc.Step(kMainList, 2).sensors, (std::array<std::uint8_t, 3>{0, 3, 0}));
    doc.DropSensorSet(kMainList, 3, gcBoth, 4);   // refused cell: nothing changes
    doc.DropSensorSet(kMainList, 1, gcRight, 9);  // no such tab
    EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(RowMove, KeepsKindAndValueTakesColumnsFromAboveAndMarksModified) {
    TActionDocument doc(TMode::Advanced);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akForward, 5, {1, 1, 1}});
    doc.InsertStepIntoList(kMainList, 2, TBotAction{akBackward, 6, {2, 2, 2}});
    doc.InsertStepIntoList(kMainList, 3, TBotAction{akStopWait, 7, {3, 3, 3}});
    doc.MoveRow(kMainList, 3, 1);
    EXPECT_EQ(doc.Step(kMainList, 1), (TBotAction{akStopWait, 7, {0, 0, 0}}));
    EXPECT_EQ(doc.Count(kMainList), 3);
    EXPECT_TRUE(doc.Modified());
    EXPECT_FALSE(doc.AutoEnableDisable().undo);  // moving takes no snapshot

    doc.MoveRow(kMainList, 1, 99);  // clamped to the last step
    EXPECT_EQ(doc.Step(kMainList, 3), (TBotAction{akStopWait, 7, {2, 2, 2}}));
}

TEST(Selection, ShiftClickSpansFromThePreviousTopRow) {
    TActionDocument doc;
    FillForward(doc, kSensorSetAll, 6);
    doc.SelectRow(kSensorSetAll, 4, false);
    EXPECT_EQ(doc.CurrentList(), kSensorSetAll);
    doc.SelectRow(kSensorSetAll, 2, true);
    EXPECT_EQ(doc.View(kSensorSetAll).selection.top, 2);
    EXPECT_EQ(doc.View(kSensorSetAll).selection.bottom, 4);
    doc.Delete();
    EXPECT_EQ(doc.Count(kSensorSetAll), 3);
    EXPECT_EQ(doc.Step(kSensorSetAll, 2).value, 5);
}

TEST(Availability, FollowsSelectionClipboardUndoAndMainList) {
    TActionDocument doc;
    TCommandAvailability a = doc.AutoEnableDisable();
    EXPECT_EQ(a, TCommandAvailability{});  // empty program, empty row selected

    FillForward(doc, kMainList, 3);
    doc.SelectRow(kMainList, 1, false);
    doc.SetSelection(kMainList, {1, 3});
    a = doc.AutoEnableDisable();
    EXPECT_TRUE(a.run && a.clear && a.save && a.del && a.copy && a.cut);
    EXPECT_FALSE(a.paste);
    EXPECT_FALSE(a.undo);

    doc.Cut();
    a = doc.AutoEnableDisable();
    EXPECT_FALSE(a.run || a.clear || a.save);
    EXPECT_FALSE(a.del || a.copy || a.cut);  // only the empty row is left
    EXPECT_TRUE(a.paste && a.undo);

    doc.SetSelection(kMainList, {0, 0});
    EXPECT_FALSE(doc.AutoEnableDisable().paste);
}

TEST(StepValue, IsKeptWithinWhatTheSpinOffers) {
    TActionDocument doc;
    Fill(doc, kMainList, {{akForward, 12}, {akForward, 12}, {akGoBack, 1}});
    doc.SetStepValue(kMainList, 1, 0);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 1);
    doc.SetStepValue(kMainList, 1, 300);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 255);
    doc.SetStepValue(kMainList, 3, 7);  // a go-back reaches at most its own step
    EXPECT_EQ(doc.Step(kMainList, 3).value, 3);
    TActionDocument first;
    Fill(first, kMainList, {{akGoBack, 1}});
    first.SetStepValue(kMainList, 1, 2);
    EXPECT_EQ(first.Step(kMainList, 1).value, 1);
}

}  // namespace
}  // namespace kavrin::model

namespace kavrin::model::test {
namespace {

TEST(DocumentChanges, EachCommandReportsTheRowsItTouched) {
    TActionDocument doc;
    FillForward(doc, kMainList, 4);
    doc.TakeChanges();
    const std::uint64_t before = doc.Revision();

    doc.SetStepValue(kMainList, 3, 50);
    TDocumentChange c = doc.TakeChanges();
    EXPECT_TRUE(c.any);
    EXPECT_EQ(c.list, kMainList);
    EXPECT_EQ(c.firstRow, 3);
    EXPECT_EQ(c.lastRow, 3);
    EXPECT_FALSE(c.rowsMoved) << "a value change moves no row";
    EXPECT_GT(c.revision, before);

    EXPECT_TRUE(doc.DropAction(kMainList, 2, akForward));
    c = doc.TakeChanges();
    EXPECT_EQ(c.list, kMainList);
    EXPECT_EQ(c.firstRow, 2);
    EXPECT_EQ(c.lastRow, 5);
    EXPECT_TRUE(c.rowsMoved);

    EXPECT_FALSE(doc.TakeChanges().any) << "taken changes are not reported twice";

    doc.DropAction(kSensorSet1, 1, akForward);
    doc.DropAction(kMainList, 1, akForward);
    c = doc.TakeChanges();
    EXPECT_EQ(c.list, TDocumentChange::kAllLists) << "two lists changed";

    doc.Undo();
    c = doc.TakeChanges();
    EXPECT_EQ(c.list, TDocumentChange::kAllLists);
    EXPECT_TRUE(c.rowsMoved);
    EXPECT_GT(doc.Revision(), before + 3);
}

}  // namespace
}  // namespace kavrin::model::test
