#include <gtest/gtest.h>

#include <filesystem>

#include "document_test_util.h"

namespace kavrin::model {
namespace {

using test::Fill;
using test::FillForward;

TEST(UndoRing, KeepsTenLevelsAndTheEleventhUndoDoesNothing) {
    TActionDocument doc;
    for (int i = 1; i <= 11; ++i) {
        doc.AppendAction(akForward);  // each drop snapshots the state before it
    }
    ASSERT_EQ(doc.Count(kMainList), 11);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_TRUE(doc.AutoEnableDisable().undo) << i;
        doc.Undo();
    }
    // The ten newest snapshots were taken before drops 2 to 11.
    EXPECT_EQ(doc.Count(kMainList), 1);
    EXPECT_FALSE(doc.AutoEnableDisable().undo);
    doc.Undo();
    EXPECT_EQ(doc.Count(kMainList), 1);
    EXPECT_TRUE(doc.Modified());  // undo never clears the flag
}

TEST(UndoRing, RestoresEveryListAndTheirSteps) {
    TActionDocument doc(TMode::Advanced);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akGoBack, 1, {1, 2, 3}});
    FillForward(doc, kSensorSet4, 4);
    doc.Clear();
    EXPECT_EQ(doc.Count(kMainList), 0);
    EXPECT_EQ(doc.Count(kSensorSet4), 0);
    doc.Undo();
    EXPECT_EQ(doc.Count(kSensorSet4), 4);
    EXPECT_EQ(doc.Step(kMainList, 1), (TBotAction{akGoBack, 1, {1, 2, 3}}));
}

TEST(UndoRing, EachUndoOfAValueChangeGoesBackOneValue) {
    TActionDocument doc;
    doc.AppendAction(akForward);  // value 12
    doc.SetStepValue(kMainList, 1, 13);
    doc.SetStepValue(kMainList, 1, 14);
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).value, 13);
    doc.Undo();
    EXPECT_EQ(doc.Step(kMainList, 1).value, 12);
    doc.Undo();
    EXPECT_EQ(doc.Count(kMainList), 0);
    EXPECT_FALSE(doc.AutoEnableDisable().undo);
}

// Saved, then gestures that leave the steps as they are: the program stays unmodified and the
// undo ring only grows where the command always takes its level.
TEST(UndoRing, GesturesThatChangeNothingLeaveTheProgramUnmodified) {
    TActionDocument doc(TMode::Advanced);
    Fill(doc, kMainList, {{akForward, 12}, {akForward, 1}, {akGoBack, 3}});
    Fill(doc, kSensorSet1, {{akBackward, 5}});
    const auto path = std::filesystem::temp_directory_path() / "kavrin-unchanged.kvn";
    ASSERT_TRUE(doc.SaveFile(path).ok);
    std::filesystem::remove(path);
    const TActionProgram saved = doc.Program();

    doc.SetStepValue(kMainList, 1, 12);   // the value it has
    doc.SetStepValue(kMainList, 2, 0);    // kept back to 1, which it is
    doc.SetStepValue(kMainList, 3, 200);  // a go-back reaches at most its own step, 3
    EXPECT_FALSE(doc.AutoEnableDisable().undo) << "an unchanged value takes no undo level";
    doc.SetSelection(kMainList, {1, 3});
    doc.Copy();
    EXPECT_FALSE(doc.AutoEnableDisable().undo) << "a copy takes no undo level";
    EXPECT_EQ(doc.ClipboardCount(), 3);
    doc.DropSensorSet(kMainList, 1, gcBoth, 0);    // the set it has
    doc.DropSensorSet(kMainList, 1, gcAction, 2);  // not a sensor column
    EXPECT_FALSE(doc.Modified());

    // Only the go-back step on the clipboard: a sensor set takes none of it.
    doc.SetSelection(kMainList, {3, 3});
    doc.Copy();
    doc.SetCurrentList(kSensorSet1);
    doc.Paste();
    EXPECT_EQ(doc.Count(kSensorSet1), 1);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.Program().lists, saved.lists);
    EXPECT_EQ(doc.Program().counts, saved.counts);

    TActionDocument empty;
    empty.Clear();
    empty.Paste();  // nothing on the clipboard
    EXPECT_FALSE(empty.Modified());
}

TEST(Clipboard, CopyOfTheEmptyRowDoesNothingAndPasteThereAppends) {
    TActionDocument doc;
    Fill(doc, kMainList, {{akForward, 1}, {akBackward, 2}});
    doc.SelectRow(kMainList, 3, false);  // the empty last row
    doc.Copy();
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.ClipboardCount(), 0);

    doc.SetSelection(kMainList, {1, 2});
    doc.Copy();
    EXPECT_FALSE(doc.Modified());
    doc.SelectRow(kMainList, 3, false);
    doc.Paste();
    ASSERT_EQ(doc.Count(kMainList), 4);
    EXPECT_EQ(doc.Step(kMainList, 3).value, 1);
    EXPECT_EQ(doc.Step(kMainList, 4).value, 2);
}

TEST(Clipboard, ShorterCopyReplacesALongerOne) {
    TActionDocument doc;
    FillForward(doc, kMainList, 10);
    doc.SetSelection(kMainList, {1, 10});
    doc.Copy();
    doc.SetSelection(kMainList, {4, 6});
    doc.Copy();
    EXPECT_EQ(doc.ClipboardCount(), 3);
    doc.SetCurrentList(kSensorSet1);
    doc.SetSelection(kSensorSet1, {1, 1});
    doc.Paste();
    ASSERT_EQ(doc.Count(kSensorSet1), 3);
    EXPECT_EQ(doc.Step(kSensorSet1, 1).value, 4);
    EXPECT_EQ(doc.Step(kSensorSet1, 3).value, 6);
}

TEST(Clipboard, FullCopyPastesAtMost254Steps) {
    TActionDocument doc;
    FillForward(doc, kMainList, kMaxSteps);
    doc.SetSelection(kMainList, {1, 255});
    doc.Copy();
    doc.SetCurrentList(kSensorSetAll);
    doc.SetSelection(kSensorSetAll, {1, 1});
    doc.Paste();
    EXPECT_EQ(doc.Count(kSensorSetAll), 254);
    doc.Paste();  // a full list takes what fits
    EXPECT_EQ(doc.Count(kSensorSetAll), 255);
}

TEST(Clipboard, A254StepCopyEndsBeforeTheLastSlotOfAFullerOne) {
    TActionDocument doc;
    FillForward(doc, kMainList, kMaxSteps);
    doc.SetSelection(kMainList, {1, kMaxSteps});
    doc.Copy();
    EXPECT_EQ(doc.ClipboardCount(), kMaxSteps) << "a full clipboard has no room for its end";
    doc.SetSelection(kMainList, {2, kMaxSteps});
    doc.Copy();
    EXPECT_EQ(doc.ClipboardCount(), kMaxSteps - 1);
    doc.SetCurrentList(kSensorSet2);
    doc.SetSelection(kSensorSet2, {1, 1});
    doc.Paste();
    ASSERT_EQ(doc.Count(kSensorSet2), kMaxSteps - 1);
    EXPECT_EQ(doc.Step(kSensorSet2, 1).value, doc.Step(kMainList, 2).value);
    EXPECT_EQ(doc.Step(kSensorSet2, kMaxSteps - 1).value, doc.Step(kMainList, kMaxSteps).value);
}

TEST(Clipboard, CutMovesWholeStepsAcrossLists) {
    TActionDocument doc(TMode::Advanced);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akTurnLeft, 13, {4, 0, 2}});
    doc.InsertStepIntoList(kMainList, 2, TBotAction{akTurnRight, 13, {1, 1, 1}});
    doc.SetSelection(kMainList, {1, 5});  // bottom below the last step is lowered
    doc.Cut();
    EXPECT_EQ(doc.Count(kMainList), 0);
    doc.SetCurrentList(kSensorSet2);
    doc.Paste();
    ASSERT_EQ(doc.Count(kSensorSet2), 2);
    EXPECT_EQ(doc.Step(kSensorSet2, 1), (TBotAction{akTurnLeft, 13, {4, 0, 2}}));
    EXPECT_EQ(doc.Step(kSensorSet2, 2), (TBotAction{akTurnRight, 13, {1, 1, 1}}));
}

TEST(Clipboard, NoGestureEverPutsAGoBackStepIntoASensorSet) {
    TActionDocument doc(TMode::Advanced);
    Fill(doc, kMainList, {{akForward, 10}, {akGoBack, 1}, {akBackward, 5}});
    doc.SetSelection(kMainList, {1, 3});
    doc.Copy();
    doc.SetCurrentList(kSensorSet1);
    doc.Paste();  // the go-back step is left out, the others keep their order
    ASSERT_EQ(doc.Count(kSensorSet1), 2);
    EXPECT_EQ(doc.Step(kSensorSet1, 1).kind, akForward);
    EXPECT_EQ(doc.Step(kSensorSet1, 2).kind, akBackward);

    // Neither a drop nor a double-click appends one.
    EXPECT_FALSE(doc.DropAction(kSensorSetAll, 1, akGoBack));
    EXPECT_FALSE(doc.AppendAction(akGoBack));
    EXPECT_EQ(doc.Count(kSensorSet1), 2);
    EXPECT_EQ(doc.Count(kSensorSetAll), 0);

    // The main list takes all three back.
    doc.SetCurrentList(kMainList);
    doc.SetSelection(kMainList, {4, 4});
    doc.Paste();
    EXPECT_EQ(doc.Count(kMainList), 6);
    EXPECT_EQ(doc.Step(kMainList, 5).kind, akGoBack);
}

TEST(Clipboard, PasteWithTheHeaderSelectedNeverWritesTheHeaderSlot) {
    TActionDocument doc;
    FillForward(doc, kMainList, 2);
    doc.SetSelection(kMainList, {2, 2});
    doc.Copy();
    doc.SetSelection(kMainList, {0, 0});
    doc.Paste();
    EXPECT_EQ(doc.Step(kMainList, 0), kHeaderSlot);
    EXPECT_EQ(doc.Count(kMainList), 3);
    EXPECT_EQ(doc.Step(kMainList, 1).value, 2);
}

TEST(Clipboard, SurvivesClearAndUndo) {
    TActionDocument doc;
    FillForward(doc, kMainList, 2);
    doc.SetSelection(kMainList, {1, 2});
    doc.Copy();
    doc.Clear();
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.ClipboardCount(), 2);
}

TEST(CheckIfSaved, AsksOnlyWhenModifiedAndSavesOnYes) {
    TActionDocument doc;
    int asked = 0;
    int saved = 0;
    bool saveSucceeds = true;
    auto save = [&] {
        ++saved;
        return saveSucceeds;
    };
    EXPECT_EQ(doc.CheckIfSaved(
                  [&] {
                      ++asked;
                      return TSaveAnswer::Cancel;
                  },
                  save),
              TSaveAnswer::No);
    EXPECT_EQ(asked, 0);

    doc.AppendAction(akForward);
    EXPECT_EQ(doc.CheckIfSaved(
                  [&] {
                      ++asked;
                      return TSaveAnswer::Cancel;
                  },
                  save),
              TSaveAnswer::Cancel);
    EXPECT_EQ(doc.CheckIfSaved(
                  [&] {
                      ++asked;
                      return TSaveAnswer::No;
                  },
                  save),
              TSaveAnswer::No);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(doc.CheckIfSaved(
                  [&] {
                      ++asked;
                      return TSaveAnswer::Yes;
                  },
                  save),
              TSaveAnswer::Yes);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(saved, 1);

    // Yes, then the save dialog cancelled (or the write failed): the command must not go on.
    saveSucceeds = false;
    EXPECT_EQ(doc.CheckIfSaved([&] { return TSaveAnswer::Yes; }, save), TSaveAnswer::Cancel);
    EXPECT_EQ(saved, 2);
}

TEST(Undo, AnUndoThatChangesTheStepsMarksTheProgramModified) {
    TActionDocument doc;
    doc.AppendAction(akForward);
    doc.AppendAction(akBackward);
    const auto path = std::filesystem::temp_directory_path() / "kavrin-undo-modified.kvn";
    ASSERT_TRUE(doc.SaveFile(path).ok);
    ASSERT_FALSE(doc.Modified());
    // The snapshot taken before the second step brings other steps back than the file holds.
    doc.Undo();
    EXPECT_EQ(doc.Count(kMainList), 1);
    EXPECT_TRUE(doc.Modified());

    ASSERT_TRUE(doc.SaveFile(path).ok);
    doc.Undo();  // back to the empty list
    EXPECT_TRUE(doc.Modified());
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kavrin::model
