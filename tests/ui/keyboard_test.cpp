// The windows driven by the keyboard alone: every key goes to the widget that has the focus, as
// a real key press would.

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/main_dialogs.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/spin_edit.h"
#include "ui/start_window.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;
using model::kMainList;

// Presses a key on whatever has the focus, as the keyboard would.
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key, modifiers);
}

TEST(StartWindowKeys, ArrowsMoveBetweenTheButtonsAndEnterOrSpaceChooses) {
    for (const Qt::Key choose : {Qt::Key_Return, Qt::Key_Space}) {
        TIntroForm form;
        QSignalSpy chosen(&form, &TIntroForm::ModeChosen);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        EXPECT_TRUE(form.BeginnerButton()->hasFocus());
        Press(Qt::Key_Down);
        EXPECT_TRUE(form.AdvancedButton()->hasFocus());
        Press(Qt::Key_Up);
        EXPECT_TRUE(form.BeginnerButton()->hasFocus());
        Press(Qt::Key_Right);
        Press(choose);
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen.at(0).at(0).value<model::TMode>(), model::TMode::Advanced);
    }
}

class SaveOnly : public TMainDialogs {
public:
    explicit SaveOnly(QString name) : name_(std::move(name)) {}
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return name_; }
    void ShowError(QWidget*, const QString& message) override { errors << message; }
    QStringList errors;

private:
    QString name_;
};

class KeyboardOnly : public ::testing::Test {
protected:
    void Open(model::TMode mode) {
        store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
        window_ = std::make_unique<TMainForm>();
        auto dialogs = std::make_unique<SaveOnly>(dir_.filePath(QStringLiteral("keys.kvn")));
        dialogs_ = dialogs.get();
        window_->SetDialogs(std::move(dialogs));
        window_->SetSettingsStore(store_.get());
        window_->SetPortEnumerator([](std::vector<std::string>& list) { list = {"SIM"}; });
        window_->ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        window_->Face()->FinishUncovering();
    }
    model::TActionDocument& Doc() { return *window_->Document(); }
    TActionGrid* Grid(int list) { return window_->Grid(list); }
    TActionPalette& Palette() { return *window_->Palette(); }
    TSkinImage* Tile(int index) { return Palette().Tiles()[static_cast<std::size_t>(index)]; }
    QString Help() { return window_->HelpMemo()->toPlainText(); }
    QWidget* Focus() { return QApplication::focusWidget(); }
    // Tiles in slot order: forward, backward, turn left, turn right, rotate left, rotate right,
    // go back, stop and wait; two to a row.
    void InsertTile(int index) {
        Tile(index)->setFocus(Qt::OtherFocusReason);
        Press(Qt::Key_Return);
    }

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> store_;
    std::unique_ptr<TMainForm> window_;
    SaveOnly* dialogs_ = nullptr;
};

TEST_F(KeyboardOnly, PanesTabAndPaletteTilesGoInAsADropWouldWithItsUndoAndRefusal) {
    Open(model::TMode::Beginner);
    EXPECT_EQ(Focus(), Grid(kMainList));
    // F6 to the palette: its first tile, framed; the arrows go round the tiles by place.
    Press(Qt::Key_F6);
    ASSERT_EQ(Focus(), Tile(0));
    EXPECT_EQ(Tile(0)->focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(Tile(0)->accessibleName().isEmpty());
    EXPECT_TRUE(Palette().FocusFrame()->isVisible());
    EXPECT_TRUE(Palette().FocusFrame()->geometry().contains(Tile(0)->geometry()));
    EXPECT_EQ(Help(), UiString(str::kHelpPaletteKeys));
    Press(Qt::Key_Right);
    EXPECT_EQ(Focus(), Tile(1));
    Press(Qt::Key_Down);
    EXPECT_EQ(Focus(), Tile(3));
    Press(Qt::Key_Left);
    EXPECT_EQ(Focus(), Tile(2));
    Press(Qt::Key_Left);  // at the edge it stays
    EXPECT_EQ(Focus(), Tile(2));
    // Enter and Space append on the empty row and the keyboard stays for the next tile.
    Press(Qt::Key_Return);
    Press(Qt::Key_Up);
    Press(Qt::Key_Space);
    ASSERT_EQ(Doc().Count(kMainList), 2);
    EXPECT_EQ(Doc().Step(kMainList, 1).kind, model::akTurnLeft);
    EXPECT_EQ(Doc().Step(kMainList, 2).kind, model::akForward);
    EXPECT_EQ(Focus(), Tile(0));
    EXPECT_TRUE(window_->Lists()->MainWidgets()[1]->IsShown());
    // Before a selected step; Alt+U takes one insert back.
    Doc().SelectRow(kMainList, 1, false);
    Press(Qt::Key_Return);
    EXPECT_EQ(Doc().Step(kMainList, 1).kind, model::akForward);
    EXPECT_EQ(Doc().Step(kMainList, 2).kind, model::akTurnLeft);
    Press(Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(Doc().Count(kMainList), 2);
    EXPECT_EQ(Doc().Step(kMainList, 1).kind, model::akTurnLeft);
    // F6 goes round to the list; Shift+Tab from the list reaches the palette's last tile.
    Press(Qt::Key_F6);
    EXPECT_EQ(Focus(), Grid(kMainList));
    EXPECT_EQ(Help(), UiString(str::kHelpListKeys));
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), Tile(7));
    // A full list refuses, with the reason in the help area.
    for (int i = Doc().Count(kMainList); i < model::kMaxSteps; ++i) {
        Doc().InsertIntoList(kMainList, i + 1, 10, model::akForward);
    }
    Press(Qt::Key_Return);
    EXPECT_EQ(Doc().Count(kMainList), model::kMaxSteps);
    EXPECT_EQ(Help(), UiString(str::kHelpListFull));
    EXPECT_EQ(Focus(), Tile(7));
}

TEST_F(KeyboardOnly, ListKeysMoveStepsChangeTheirTimeEditAndDelete) {
    Open(model::TMode::Beginner);
    for (int index : {0, 1, 6}) {  // forward 1.2 s, backward 1.2 s, go back to 1
        InsertTile(index);
    }
    Press(Qt::Key_F6);
    ASSERT_EQ(Focus(), Grid(kMainList));
    Press(Qt::Key_Home);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down, Qt::ShiftModifier);  // steps 2 and 3
    Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Doc().Step(kMainList, 1).kind, model::akBackward);
    EXPECT_EQ(Doc().Step(kMainList, 2).kind, model::akGoBack);
    EXPECT_EQ(Doc().Step(kMainList, 3).kind, model::akForward);
    EXPECT_EQ(Doc().View(kMainList).selection.top, 1);
    EXPECT_EQ(Doc().View(kMainList).selection.bottom, 2);
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Doc().Step(kMainList, 3).kind, model::akGoBack);
    // + and - step the selected duration, each one undo level; a go-back step keeps its target.
    Press(Qt::Key_Up);
    Press(Qt::Key_Up);  // step 1, forward
    Press(Qt::Key_Plus);
    Press(Qt::Key_Plus);
    Press(Qt::Key_Minus);
    EXPECT_EQ(Doc().Step(kMainList, 1).value, 13);
    EXPECT_EQ(window_->Lists()->MainWidgets()[0]->SpinEdit()->Position(), 13);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().Step(kMainList, 1).value, 14);
    Press(Qt::Key_End);
    Press(Qt::Key_Up);  // step 3, go back
    const std::int16_t target = Doc().Step(kMainList, 3).value;
    Press(Qt::Key_Plus);
    EXPECT_EQ(Doc().Step(kMainList, 3).value, target);
    // F2 types a value, Enter takes it and the list has the keyboard again; Escape leaves it.
    Press(Qt::Key_Up);
    Press(Qt::Key_F2);
    QLineEdit* edit = window_->Lists()->MainWidgets()[1]->SpinEdit()->Edit();
    ASSERT_EQ(Focus(), edit);
    QTest::keyClicks(edit, QStringLiteral("3"));
    Press(Qt::Key_Return);
    EXPECT_EQ(Doc().Step(kMainList, 2).value, 30);
    EXPECT_EQ(Focus(), Grid(kMainList));
    Press(Qt::Key_Return);
    ASSERT_EQ(Focus(), edit);
    QTest::keyClicks(edit, QStringLiteral("7"));
    Press(Qt::Key_Escape);
    EXPECT_EQ(Focus(), Grid(kMainList));
    EXPECT_EQ(Doc().Step(kMainList, 2).value, 30);
    Press(Qt::Key_Delete);
    EXPECT_EQ(Doc().Count(kMainList), 2);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().Count(kMainList), 3);
}

// An Advanced program built and saved with key events only, read back by kavrin-cli.
TEST_F(KeyboardOnly, AdvancedProgramBuiltWithKeysOnlyAndSaved) {
    Open(model::TMode::Advanced);
    // F6 goes from the main list to the sensor list, then to the palette.
    Press(Qt::Key_F6);
    EXPECT_EQ(Focus(), Grid(model::kSensorSetAll));
    EXPECT_EQ(Help(), UiString(str::kHelpListKeysAdvanced));
    Press(Qt::Key_F6);
    ASSERT_EQ(Focus(), Tile(0));
    EXPECT_EQ(Doc().CurrentList(), model::kSensorSetAll);
    // Ctrl+3 brings Set2 forward with the keyboard; it takes a rotate left, and a go-back tile
    // is refused there with the reason.
    Press(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(window_->Lists()->Tabs()->currentIndex(), 2);
    EXPECT_EQ(Doc().CurrentList(), model::kSensorSet2);
    EXPECT_EQ(Focus(), Grid(model::kSensorSet2));
    Press(Qt::Key_F6);
    ASSERT_EQ(Focus(), Tile(0));
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);  // rotate left
    Press(Qt::Key_Return);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);  // go back: refused
    EXPECT_EQ(Doc().Count(model::kSensorSet2), 1);
    EXPECT_EQ(Doc().Step(model::kSensorSet2, 1).kind, model::akRotateLeft);
    EXPECT_EQ(Help(), UiString(str::kHelpNoGoBackInSensorSet));
    // Shift+F6 goes back round: sensor list, main list (now the current list), palette.
    Press(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), Grid(model::kSensorSet2));
    Press(Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_EQ(Focus(), Grid(kMainList));
    Press(Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_EQ(Focus(), Tile(6));
    Press(Qt::Key_Up);
    Press(Qt::Key_Up);
    Press(Qt::Key_Up);  // forward
    Press(Qt::Key_Return);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);  // go back
    Press(Qt::Key_Return);
    ASSERT_EQ(Doc().Count(kMainList), 2);
    // Both steps' Left column calls Set 2 (the current tab), in one undo level.
    Press(Qt::Key_F6);
    ASSERT_EQ(Focus(), Grid(kMainList));
    Press(Qt::Key_Home);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    Press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Doc().Step(kMainList, 2).sensors, (std::array<std::uint8_t, 3>{2, 2, 0}));
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{2, 0, 0}));
    EXPECT_EQ(Grid(kMainList)->CellText(1, model::gcBoth), UiString(str::kFirstSensorSet + 2));
    Press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    // Alt+S saves; the file holds what the keys built.
    Press(Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(dialogs_->errors.isEmpty()) << dialogs_->errors.join('\n').toStdString();
    EXPECT_FALSE(Doc().Modified());
    QProcess cli;
    cli.start(QStringLiteral(KAVRIN_CLI), {QStringLiteral("show"), QStringLiteral("--advanced"),
                                           dir_.filePath(QStringLiteral("keys.kvn"))});
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString shown = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("1.1 F 12 2 2 0\n1.2 G 1 2 2 0\n")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("4.1 E 15 0 0 0\n"))) << shown.toStdString();
}

}  // namespace
}  // namespace kavrin::ui
