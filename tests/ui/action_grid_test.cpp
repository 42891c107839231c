// The Advanced main list as a user meets it: every value readable in its cell, and the wheel
// scrolling the list wherever it is turned over a row, or stepping the value that has the focus.

#include "ui/action_grid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ui/action_widget.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"
#include "wheel_turn.h"

namespace kavrin::ui {
namespace {

constexpr QRect kAdvancedMainGrid{159, 103, 287, 226};
constexpr int kSteps = 12;

class MainListGrid : public ::testing::Test {
protected:
    MainListGrid() {
        for (int row = 1; row <= kSteps; ++row) {
            // The widest values there are: 25.5 seconds, and a go-back step.
            document.InsertIntoList(model::kMainList, row, model::kMaxDuration,
                                    row % 4 == 0 ? model::akGoBack : model::akForward);
        }
        grid = new TActionGrid(document, model::kMainList, true, &window);
        grid->setGeometry(kAdvancedMainGrid);
        widgets = grid->CreateWidgets();
        grid->AttachWidgets(widgets);
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
    }
    int TopRow() const { return document.View(model::kMainList).topRow; }
    int Value(int row) const { return document.Step(model::kMainList, row).value; }

    model::TActionDocument document{model::TMode::Advanced};
    QWidget window;
    TActionGrid* grid = nullptr;
    std::vector<TBotAction*> widgets;
};

TEST_F(MainListGrid, EveryValueFitsItsCellInTheSameType) {
    EXPECT_GE(grid->ColumnWidth(model::gcAction), TBotAction::NeededColumnWidth());
    // The other columns give up padding only: their headers stay whole.
    const QFontMetrics headers(grid->font());
    const int headerStrings[] = {369, 370, 371, 372, 373};
    for (int c = 0; c < grid->ColumnCount(); ++c) {
        EXPECT_GE(grid->ColumnWidth(c), headers.horizontalAdvance(UiString(headerStrings[c])) +
                                            TActionGrid::kLeastHeaderPadding);
    }
    const auto fullType = [](const TSuperSpinEdit* spin) {
        const QFont font = spin->Edit()->font();
        return font.stretch() == QFont::Unstretched &&
               font.pixelSize() == TSuperSpinEdit::TextFont().pixelSize() && font.bold();
    };
    for (TBotAction* widget : widgets) {
        TSuperSpinEdit* spin = widget->SpinEdit();
        SCOPED_TRACE(spin->Text().toStdString());
        ASSERT_TRUE(widget->IsShown());
        EXPECT_TRUE(fullType(spin)) << "drawn condensed or in another size";
        // The text ends clear of the arrows and of its cell.
        const int textEnd =
            spin->Edit()->x() + 2 + spin->Edit()->fontMetrics().horizontalAdvance(spin->Text());
        EXPECT_LE(textEnd + TSuperSpinEdit::kTextGap, spin->UpArrow()->parentWidget()->x());
        EXPECT_LE(spin->geometry().right(),
                  grid->frameWidth() + grid->ColumnLeft(model::gcAction + 1) + 2);
    }
    // A smaller value after a repaint is set in the same type as its neighbours.
    widgets[0]->SpinEdit()->UpArrow()->click();
    widgets[1]->SpinEdit()->SetPosition(5);
    grid->Refresh();
    for (TBotAction* widget : widgets) {
        EXPECT_TRUE(fullType(widget->SpinEdit()));
    }
}

TEST_F(MainListGrid, TheWheelScrollsTheListAnywhereOnARow) {
    std::vector<int> values;
    for (int row = 1; row <= kSteps; ++row) {
        values.push_back(Value(row));
    }
    ASSERT_EQ(TopRow(), 1);
    TurnWheel(grid->viewport(), -120);  // over the step numbers
    const int afterCells = TopRow();
    EXPECT_GT(afterCells, 1);
    TurnWheel(widgets[2]->SpinEdit()->Edit(), -120);  // over a value's text
    const int afterValue = TopRow();
    EXPECT_GT(afterValue, afterCells);
    TurnWheel(widgets[2]->SpinEdit()->UpArrow(), 120);  // over its arrows, back up
    EXPECT_LT(TopRow(), afterValue);
    TurnWheel(widgets[3]->Icon(), 120);  // over a step's picture
    EXPECT_EQ(TopRow(), 1);
    for (int row = 1; row <= kSteps; ++row) {
        EXPECT_EQ(Value(row), values[static_cast<std::size_t>(row - 1)]) << "row " << row;
    }
}

TEST_F(MainListGrid, TheWheelStepsTheValueThatHasTheFocus) {
    TSuperSpinEdit* spin = widgets[1]->SpinEdit();
    spin->SetPosition(20);
    document.SetStepValue(model::kMainList, 2, 20);
    spin->Edit()->setFocus();
    QApplication::processEvents();
    TurnWheel(spin->Edit(), 120);
    EXPECT_EQ(Value(2), 21);
    EXPECT_TRUE(spin->Edit()->hasFocus()) << "the next notch would scroll the list";
    TurnWheel(spin->Edit(), -240);  // two notches at once
    EXPECT_EQ(Value(2), 19);
    TurnWheel(spin->Edit(), -60);  // half a notch waits for the other half
    EXPECT_EQ(Value(2), 19);
    TurnWheel(spin->Edit(), -60);
    EXPECT_EQ(Value(2), 18);
    EXPECT_EQ(TopRow(), 1);
    // Another row's value, not focused, still scrolls the list.
    TurnWheel(widgets[4]->SpinEdit()->Edit(), -120);
    EXPECT_GT(TopRow(), 1);
    EXPECT_EQ(Value(5), model::kMaxDuration);
}

}  // namespace
}  // namespace kavrin::ui
