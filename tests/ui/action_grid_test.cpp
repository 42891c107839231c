// The Advanced main list as a user meets it: every value readable in its cell, the wheel
// scrolling the list or stepping the value under the pointer, and typed values kept in range.

#include "ui/action_grid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "resources/ui_strings.h"
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

TEST_F(MainListGrid, TheWheelScrollsTheListOffTheValues) {
    std::vector<int> values;
    for (int row = 1; row <= kSteps; ++row) {
        values.push_back(Value(row));
    }
    ASSERT_EQ(TopRow(), 1);
    TurnWheel(grid->viewport(), -120);  // over the step numbers
    EXPECT_GT(TopRow(), 1);
    TurnWheel(widgets[3]->Icon(), 120);  // over a step's picture
    EXPECT_EQ(TopRow(), 1);
    for (int row = 1; row <= kSteps; ++row) {
        EXPECT_EQ(Value(row), values[static_cast<std::size_t>(row - 1)]) << "row " << row;
    }
}

// As in a spin box: the value under the pointer steps, focused or not, one undo level a notch,
// and the focus stays where it was.
TEST_F(MainListGrid, TheWheelStepsTheValueUnderThePointer) {
    TSuperSpinEdit* spin = widgets[1]->SpinEdit();
    document.SetStepValue(model::kMainList, 2, 20);
    grid->Refresh();
    grid->setFocus();
    QApplication::processEvents();
    TurnWheel(spin->Edit(), 120);
    EXPECT_EQ(Value(2), 21);
    EXPECT_TRUE(grid->hasFocus());
    TurnWheel(spin->UpArrow(), -240);  // two notches at once, over the arrows
    EXPECT_EQ(Value(2), 19);
    TurnWheel(spin->Edit(), -60);  // half a notch waits for the other half
    EXPECT_EQ(Value(2), 19);
    TurnWheel(spin->Edit(), -60);
    EXPECT_EQ(Value(2), 18);
    EXPECT_EQ(TopRow(), 1);
    document.Undo();
    EXPECT_EQ(Value(2), 19);
    TurnWheel(widgets[4]->SpinEdit()->Edit(), 120);  // the top of the range holds
    EXPECT_EQ(Value(5), model::kMaxDuration);
    EXPECT_EQ(TopRow(), 1);
}

// A typed value no step can take keeps the old one, changes nothing and says the range; Enter
// gives the keyboard back to the list whether the value changed or not.
TEST_F(MainListGrid, ATypedValueOutOfRangeKeepsTheOldOneAndSaysTheRange) {
    QSignalSpy refusals(grid, &TActionGrid::ValueRefused);
    const bool modified = document.Modified();
    TSuperSpinEdit* spin = widgets[1]->SpinEdit();
    for (const char* typed : {"99", "0", "25.5"}) {
        spin->Edit()->setFocus();
        QApplication::processEvents();
        spin->Edit()->selectAll();
        QTest::keyClicks(spin->Edit(), QString::fromLatin1(typed));
        QTest::keyClick(spin->Edit(), Qt::Key_Return);
        EXPECT_EQ(Value(2), model::kMaxDuration) << typed;
        EXPECT_TRUE(grid->hasFocus()) << typed;
    }
    EXPECT_EQ(document.Modified(), modified);
    ASSERT_EQ(refusals.count(), 2);
    const TNumberChars& chars = SystemNumberChars();
    const QString range = UiString(resources::str::kHelpDurationRange)
                              .arg(QStringLiteral("0") + chars.decimalSeparator + '1',
                                   QStringLiteral("25") + chars.decimalSeparator + '5');
    EXPECT_EQ(refusals.at(0).at(0).toString(), range);
    // A go-back step's range is the steps above it.
    widgets[3]->SpinEdit()->Edit()->setFocus();
    QTest::keyClicks(widgets[3]->SpinEdit()->Edit(), QStringLiteral("9"));
    QTest::keyClick(widgets[3]->SpinEdit()->Edit(), Qt::Key_Return);
    ASSERT_EQ(refusals.count(), 3);
    EXPECT_EQ(
        refusals.at(2).at(0).toString(),
        UiString(resources::str::kHelpGoBackRange).arg(QStringLiteral("1"), QStringLiteral("4")));
}

}  // namespace
}  // namespace kavrin::ui
