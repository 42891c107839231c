#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <memory>
#include <thread>

#include "link/port_list.h"
#include "resources/resources.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_lists.h"
#include "ui/port_box.h"
#include "ui/program_files.h"
#include "ui/skin_buttons.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

using model::TSaveAnswer;

// Answers the window's questions from a script and records what it was asked.
struct TScript {
    std::deque<TSaveAnswer> answers;
    QString openName;
    QString saveName;
    int questions = 0;
    int openDialogs = 0;
    int saveDialogs = 0;
    QString openFolder;  // where the last open and save dialogs started, and the name proposed
    QString saveFolder;
    QString saveProposed;
    int codeViews = 0;
    QStringList errors;
};

class TScriptedDialogs : public TMainDialogs {
public:
    explicit TScriptedDialogs(TScript& script) : script_(script) {}
    TSaveAnswer AskToSave(QWidget*) override {
        ++script_.questions;
        const TSaveAnswer answer =
            script_.answers.empty() ? TSaveAnswer::Cancel : script_.answers.front();
        if (!script_.answers.empty()) {
            script_.answers.pop_front();
        }
        return answer;
    }
    QString OpenFileName(QWidget*, const QString& folder) override {
        ++script_.openDialogs;
        script_.openFolder = folder;
        return script_.openName;
    }
    QString SaveFileName(QWidget*, const QString& folder, const QString& proposed) override {
        ++script_.saveDialogs;
        script_.saveFolder = folder;
        script_.saveProposed = proposed;
        return script_.saveName;
    }
    void ShowError(QWidget*, const QString& message) override { script_.errors << message; }
    void ShowCodeView(TCodeForm&) override { ++script_.codeViews; }

private:
    TScript& script_;
};

class MainForm : public ::testing::Test {
protected:
    void Open(model::TMode mode) {
        if (!store_) {
            store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        }
        window_ = std::make_unique<TMainForm>();
        window_->SetDialogs(std::make_unique<TScriptedDialogs>(script_));
        window_->SetSettingsStore(store_.get());
        window_->SetPortEnumerator([this](std::vector<std::string>& list) { list = ports_; });
        window_->ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        window_->Face()->FinishUncovering();
    }

    model::TActionDocument& Doc() { return *window_->Document(); }
    TActionGrid* Main() { return window_->Grid(model::kMainList); }
    // A palette tile landing at a point of the main list's viewport.
    void DropOnMain(QPoint viewportPoint, int kind) {
        window_->Lists()->DropAction(model::kMainList,
                                     Main()->viewport()->mapTo(window_.get(), viewportPoint), kind);
    }
    QString Help() { return window_->HelpMemo()->toPlainText(); }
    TSkinImage* Image(int button, TSkinButtons::TState state) {
        return window_->Buttons()->Image(button, state);
    }
    TSkinImage* Tile(int slot) { return window_->Skin().Image(slot); }

    // A point inside a cell of a grid's viewport.
    static QPoint Cell(TActionGrid* grid, int displayRow, int column) {
        return {grid->ColumnLeft(column) + 5, TActionGrid::kRowPitch * displayRow + 10};
    }
    void ClickStepNumber(int displayRow, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(Main()->viewport(), Qt::LeftButton, modifiers,
                          Cell(Main(), displayRow, model::gcStep));
    }
    void Hover(QWidget* widget, QPoint at = {-1, -1}) {
        QTest::mouseMove(widget, at == QPoint(-1, -1) ? widget->rect().center() : at);
    }
    void ClickButton(int button) {
        Hover(Image(button, TSkinButtons::bsNormal));
        ASSERT_TRUE(Image(button, TSkinButtons::bsHighlight)->isVisible());
        QTest::mouseClick(Image(button, TSkinButtons::bsHighlight), Qt::LeftButton);
    }
    void AddSteps(int n) {
        for (int i = 0; i < n; ++i) {
            Doc().InsertIntoList(model::kMainList, i + 1, static_cast<std::int16_t>(i + 10),
                                 model::akForward);
        }
        Main()->Refresh();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> store_;
    std::vector<std::string> ports_{"ttyS0", "SIM"};
    TScript script_;
    std::unique_ptr<TMainForm> window_;
};

TEST_F(MainForm, BeginnerFaceFromTheLayoutRecords) {
    Open(model::TMode::Beginner);
    EXPECT_EQ(window_->size(), QSize(578, 550));  // help area shown
    EXPECT_EQ(window_->HyperHelp()->geometry(), QRect(455, 72, 102, 17));
    EXPECT_EQ(window_->PortBox()->geometry(), QRect(460, 131, 90, 17));
    EXPECT_EQ(window_->Palette()->ScrollBox()->geometry(), QRect(19, 103, 128, 299));
    EXPECT_EQ(window_->HelpMemo()->geometry(), QRect(16, 482, 545, 51));
    EXPECT_EQ(Main()->geometry(), QRect(184, 103, 231, 226));
    // The check boxes' captions sit on black and fit their fixed bounds.
    for (QCheckBox* box : {window_->HyperHelp(), window_->SensorsEnabled()}) {
        const QImage face = box->grab().toImage();
        EXPECT_EQ(face.pixelColor(face.width() - 1, 0), QColor(Qt::black))
            << box->text().toStdString();
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), room.width());
    }
    // So does the port box's automatic entry, in capitals.
    QStyleOptionComboBox boxOption;
    boxOption.initFrom(window_->PortBox());
    const QRect field = window_->PortBox()->style()->subControlRect(
        QStyle::CC_ComboBox, &boxOption, QStyle::SC_ComboBoxEditField, window_->PortBox());
    EXPECT_LE(window_->PortBox()->fontMetrics().horizontalAdvance(window_->PortBox()->itemText(0)),
              field.width());
    EXPECT_TRUE(window_->SensorsEnabled()->isVisible());
    EXPECT_FALSE(window_->Lists()->Notebook()->isVisible());
    EXPECT_FALSE(window_->Lists()->SensorSetTile()->isVisible());
    EXPECT_FALSE(window_->Skin().Image(6)->isVisible());
    EXPECT_FALSE(window_->Skin().Image(13)->isVisible());
    EXPECT_TRUE(window_->Skin().Image(12)->isVisible());
    EXPECT_EQ(window_->SerialPortLabel(2)->text(), UiString(378));
    // The first help: the welcome, which speaks of COM ports on Windows only.
#if defined(_WIN32)
    EXPECT_EQ(Help(), UiString(430));
#else
    EXPECT_EQ(Help(), UiString(resources::str::kHelpWelcomeSerialPort));
#endif
    // Two columns; the action column fills the client width beside a scroll bar.
    ASSERT_EQ(Main()->ColumnCount(), 2);
    const int scrollBar = Main()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(Main()->ColumnLeft(2) + scrollBar, 231 - 2);

    // Tab walks from the list to the port box and the check boxes.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    Main()->setFocus();
    QTest::keyClick(Main(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window_->PortBox());
    QTest::keyClick(window_->PortBox(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window_->HyperHelp());
    QTest::keyClick(window_->HyperHelp(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window_->SensorsEnabled());

    // Without the help area the window is shorter and the area hidden.
    QTest::mouseClick(window_->HyperHelp(), Qt::LeftButton);
    EXPECT_EQ(window_->size(), QSize(578, 502));
    EXPECT_FALSE(window_->HelpMemo()->isVisible());
    QTest::mouseClick(window_->HyperHelp(), Qt::LeftButton);
    EXPECT_EQ(window_->size(), QSize(578, 550));
    EXPECT_TRUE(window_->Face()->Uncovering());  // shown once the window has grown down
    EXPECT_FALSE(window_->HelpMemo()->isVisible());
    QTRY_VERIFY(window_->HelpMemo()->isVisible());
}

TEST_F(MainForm, TheHelpAreaIsWholeFromTheFirstShowing) {
    for (const model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        window_ = std::make_unique<TMainForm>();
        window_->SetDialogs(std::make_unique<TScriptedDialogs>(script_));
        window_->ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        // No shortcut: the uncovering runs on its own timer to the window's full height.
        QTRY_VERIFY(!window_->Face()->Uncovering());
        EXPECT_EQ(window_->mask().boundingRect().height(), window_->height());
        EXPECT_TRUE(window_->HelpMemo()->isVisible());
    }
}

TEST_F(MainForm, AdvancedFaceShowsTheSensorLists) {
    Open(model::TMode::Advanced);
    EXPECT_EQ(window_->size(), QSize(797, 496));
    EXPECT_FALSE(window_->SensorsEnabled()->isVisible());
    EXPECT_EQ(window_->Lists()->Notebook()->geometry(), QRect(460, 103, 201, 226));
    EXPECT_EQ(window_->Lists()->SensorSetTile()->geometry(), QRect(471, 69, 25, 25));
    EXPECT_EQ(Main()->geometry(), QRect(159, 103, 287, 226));
    EXPECT_EQ(Main()->ColumnCount(), 5);
    EXPECT_EQ(window_->Grid(model::kSensorSetAll)->geometry(), QRect(4, 24, 193, 198));
    EXPECT_EQ(window_->Lists()->Tabs()->tabText(4), UiString(410));
    QTest::mouseClick(window_->HyperHelp(), Qt::LeftButton);
    EXPECT_EQ(window_->size(), QSize(797, 465));

    // Only the grid of the current tab shows, and the shared widgets go with it.
    Doc().InsertIntoList(model::kSensorSet2, 1, 7, model::akStopWait);
    window_->Lists()->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(Doc().CurrentList(), model::kSensorSet2);
    EXPECT_TRUE(window_->Grid(model::kSensorSet2)->isVisible());
    EXPECT_FALSE(window_->Grid(model::kSensorSetAll)->isVisible());
    TBotAction* first = window_->Lists()->SensorWidgets().front();
    EXPECT_EQ(first->Icon()->parentWidget(), window_->Grid(model::kSensorSet2));
    EXPECT_TRUE(first->IsShown());
    EXPECT_EQ(first->SpinEdit()->Position(), 7);
}

TEST_F(MainForm, ChoosingATabMakesItsSetTheCurrentList) {
    Open(model::TMode::Advanced);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    for (const int list : {model::kMainList, model::kSensorSetAll}) {
        window_->Grid(list)->setFocus();
        QTabBar* tabs = window_->Lists()->Tabs();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());  // Set1
        EXPECT_EQ(Doc().CurrentList(), model::kSensorSet1);
        EXPECT_EQ(QApplication::focusWidget(), window_->Grid(model::kSensorSet1));
        // A double-clicked tile goes to the set chosen, a go-back tile nowhere.
        const int before = Doc().Count(model::kSensorSet1);
        window_->ActionDblClick(model::akForward);
        window_->ActionDblClick(model::akGoBack);
        EXPECT_EQ(Doc().Count(model::kSensorSet1), before + 1);
        EXPECT_EQ(Doc().Count(model::kMainList), 0);
        tabs->setCurrentIndex(0);
    }
}

TEST_F(MainForm, WidgetsFollowTheScrolledRows) {
    Open(model::TMode::Beginner);
    AddSteps(10);
    Main()->verticalScrollBar()->setValue(5);
    EXPECT_EQ(Doc().View(model::kMainList).topRow, 5);
    const auto& widgets = window_->Lists()->MainWidgets();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(widgets[static_cast<std::size_t>(i)]->IsShown(), i < 6) << i;
    }
    EXPECT_EQ(widgets[0]->Row(), 5);
    EXPECT_EQ(widgets[0]->SpinEdit()->Position(), 14);
    EXPECT_EQ(widgets[0]->Icon()->geometry().topLeft(), Main()->WidgetPlace(1));

    // A click on a widget's arrow is one undoable change of that step.
    widgets[1]->SpinEdit()->UpArrow()->click();
    EXPECT_EQ(Doc().Step(model::kMainList, 6).value, 16);
    EXPECT_TRUE(Doc().Modified());
    EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral(" *")));
}

TEST_F(MainForm, KeysAndEditButtonsChangeTheList) {
    Open(model::TMode::Beginner);
    AddSteps(4);
    ClickStepNumber(1);
    ClickStepNumber(3, Qt::ShiftModifier);
    EXPECT_EQ(Doc().View(model::kMainList).selection.top, 1);
    EXPECT_EQ(Doc().View(model::kMainList).selection.bottom, 3);

    ClickButton(sbCopy);
    EXPECT_EQ(Doc().ClipboardCount(), 3);
    QTest::keyClick(Main(), Qt::Key_Delete);
    EXPECT_EQ(Doc().Count(model::kMainList), 1);
    QTest::keyClick(Main(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().Count(model::kMainList), 4);
    QTest::keyClick(Main(), Qt::Key_Down);  // selection moves with the arrow keys
    EXPECT_EQ(Doc().View(model::kMainList).selection.top, 2);
    QTest::keyClick(Main(), Qt::Key_T, Qt::AltModifier);  // cut
    EXPECT_EQ(Doc().Count(model::kMainList), 3);
    ClickButton(sbPaste);
    EXPECT_EQ(Doc().Count(model::kMainList), 4);
    ClickButton(sbUndo);
    EXPECT_EQ(Doc().Count(model::kMainList), 3);

    // A step number dragged to another row moves the step.
    const std::int16_t first = Doc().Step(model::kMainList, 1).value;
    QTest::mousePress(Main()->viewport(), Qt::LeftButton, {}, Cell(Main(), 1, 0));
    QTest::mouseMove(Main()->viewport(), Cell(Main(), 3, 0));
    QTest::mouseRelease(Main()->viewport(), Qt::LeftButton, {}, Cell(Main(), 3, 0));
    EXPECT_EQ(Doc().Step(model::kMainList, 3).value, first);

    // A tile dropped on the header goes in at row 1, one dropped below the last row appends.
    DropOnMain({Main()->ColumnLeft(1) + 5, 5}, model::akTurnRight);
    EXPECT_EQ(Doc().Step(model::kMainList, 1).kind, model::akTurnRight);
    DropOnMain({5, Main()->viewport()->height() - 2}, model::akStopWait);
    EXPECT_EQ(Doc().Step(model::kMainList, Doc().Count(model::kMainList)).kind, model::akStopWait);

    // Alt+V generates the program and shows it.
    QTest::keyClick(Main(), Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(script_.codeViews, 1);
}

TEST_F(MainForm, OverlaysFollowTheSelectionAndHideHelp) {
    Open(model::TMode::Beginner);
    for (int button : {sbGo, sbClear, sbSave, sbDelete, sbCopy, sbCut, sbPaste, sbUndo}) {
        EXPECT_FALSE(window_->Buttons()->Available(button)) << button;
    }
    for (int button : {sbTest, sbLoad, sbQuit}) {
        EXPECT_TRUE(window_->Buttons()->Available(button)) << button;
    }
    // An unavailable button shows neither highlight nor help.
    Hover(Image(sbDelete, TSkinButtons::bsOverlay));
    EXPECT_FALSE(Image(sbDelete, TSkinButtons::bsHighlight)->isVisible());
    EXPECT_NE(Help(), UiString(450));

    QTest::mouseDClick(Tile(14), Qt::LeftButton);  // forward
    ASSERT_EQ(Doc().Count(model::kMainList), 1);
    EXPECT_EQ(Doc().Step(model::kMainList, 1).kind, model::akForward);
    for (int button : {sbGo, sbClear, sbSave, sbUndo}) {
        EXPECT_TRUE(window_->Buttons()->Available(button)) << button;
    }
    ClickStepNumber(2);  // the empty append row
    EXPECT_FALSE(window_->Buttons()->Available(sbDelete));
    ClickStepNumber(1);
    EXPECT_TRUE(window_->Buttons()->Available(sbDelete));
    EXPECT_TRUE(window_->Buttons()->Available(sbCopy));
    EXPECT_FALSE(window_->Buttons()->Available(sbPaste));

    // Pressing a tile and moving more than a few pixels hands a drag out; a click does not.
    QSignalSpy drags(window_->Palette(), &TActionPalette::DragStarted);
    QTest::mouseClick(Tile(15), Qt::LeftButton, {}, {20, 20});
    QTest::mousePress(Tile(15), Qt::LeftButton, {}, {20, 20});
    QTest::mouseMove(Tile(15), {23, 22});
    EXPECT_EQ(drags.count(), 0);
    QTest::mouseMove(Tile(15), {30, 26});
    ASSERT_EQ(drags.count(), 1);
    EXPECT_EQ(drags.front().at(0).toInt(), model::akBackward);
    EXPECT_EQ(drags.front().at(2).toPoint(), QPoint(20, 20));
    QTest::mouseRelease(Tile(15), Qt::LeftButton, {}, {30, 26});
    EXPECT_EQ(Doc().Count(model::kMainList), 1);
}

TEST_F(MainForm, HelpTextsPerHoveredArea) {
    Open(model::TMode::Advanced);
    Doc().InsertIntoList(model::kMainList, 1, 10, model::akForward);
    Main()->Refresh();
    Hover(Tile(15));
    EXPECT_EQ(Help(), UiString(722) + QLatin1Char('\n') + UiString(431));
    EXPECT_EQ(Tile(15)->Animation()->state(), QMovie::Running);
    EXPECT_EQ(Tile(15)->Animation()->speed(), TActionPalette::kHoverSpeed);
    Hover(Tile(16));
    EXPECT_NE(Tile(15)->Animation()->state(), QMovie::Running);
    Hover(Main()->viewport(), Cell(Main(), 1, model::gcStep));
    EXPECT_EQ(Help(), UiString(434));
    EXPECT_NE(Tile(16)->Animation()->state(), QMovie::Running);
    Hover(Main()->viewport(), Cell(Main(), 1, model::gcLeft));
    EXPECT_EQ(Help(), UiString(436));
    Hover(window_->HyperHelp());
    EXPECT_EQ(Help(), UiString(441));
    Hover(window_->Lists()->SensorSetTile());
    EXPECT_EQ(Help(), UiString(443));
    Hover(window_->Grid(model::kSensorSetAll)->viewport());
    EXPECT_EQ(Help(), UiString(438));
    Hover(Image(sbLoad, TSkinButtons::bsNormal));
    EXPECT_EQ(Help(), UiString(447));
    EXPECT_TRUE(Image(sbLoad, TSkinButtons::bsHighlight)->isVisible());
    Hover(window_->Skin().Image(1), {5, 300});
    EXPECT_EQ(Help(), UiString(429));
    EXPECT_FALSE(Image(sbLoad, TSkinButtons::bsHighlight)->isVisible());
}

TEST_F(MainForm, UnsavedChangesAreAskedAboutOnLoadAndQuit) {
    Open(model::TMode::Beginner);
    QTest::mouseDClick(Tile(14), Qt::LeftButton);
    ASSERT_TRUE(Doc().Modified());

    script_.answers = {TSaveAnswer::Cancel};
    ClickButton(sbLoad);
    EXPECT_EQ(script_.questions, 1);
    EXPECT_EQ(script_.openDialogs, 0);

    QSignalSpy ended(window_.get(), &TMainForm::Ended);
    script_.answers = {TSaveAnswer::Cancel};
    EXPECT_FALSE(window_->Quit());
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(window_->isVisible());

    script_.answers = {TSaveAnswer::No};
    window_->PortBox()->showPopup();  // refilled from the port list
    window_->PortBox()->hidePopup();
    ASSERT_EQ(window_->PortBox()->count(), 3);
    EXPECT_EQ(window_->PortBox()->itemText(0),
              FromCore(link::UpperCaseText(resources::GetUIString(379))));
    window_->PortBox()->setCurrentIndex(2);
    Q_EMIT window_->PortBox()->activated(2);
    EXPECT_EQ(window_->PortSetting(), "SIM");
    EXPECT_TRUE(window_->Quit());
    EXPECT_EQ(ended.count(), 1);
    store_->sync();
    QSettings written(store_->fileName(), QSettings::IniFormat);
    written.beginGroup(QStringLiteral("1.0"));
#if defined(Q_OS_WIN)
    // Windows remembers COM ports only; the virtual robot is saved as the automatic search.
    EXPECT_EQ(written.value(QStringLiteral("ComPort")).toString(), QStringLiteral("AUTO"));
#else
    EXPECT_EQ(written.value(QStringLiteral("ComPort")).toString(), QStringLiteral("SIM"));
#endif
}

TEST_F(MainForm, AYesWhoseSaveIsCancelledKeepsTheProgramAndKavrinOpen) {
    Open(model::TMode::Beginner);
    QTest::mouseDClick(Tile(14), Qt::LeftButton);
    ASSERT_TRUE(Doc().Modified());
    // The first dialogs start in the documents folder, with no name filled in.
    const QString documents = DefaultFileFolder();
    EXPECT_EQ(window_->FileFolder(), documents);

    QSignalSpy ended(window_.get(), &TMainForm::Ended);
    script_.saveName.clear();  // the save dialog is cancelled
    script_.answers = {TSaveAnswer::Yes};
    EXPECT_FALSE(window_->Quit());
    EXPECT_EQ(script_.saveDialogs, 1);
    EXPECT_EQ(script_.saveFolder, documents);
    EXPECT_TRUE(script_.saveProposed.isEmpty());
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral(" *")));

    // Closing by the window manager is the same question.
    script_.answers = {TSaveAnswer::Yes};
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(ended.count(), 0);

    // Load: nothing is loaded over the program.
    script_.answers = {TSaveAnswer::Yes};
    script_.openName = dir_.filePath(QStringLiteral("other.kvn"));
    ClickButton(sbLoad);
    EXPECT_EQ(script_.openDialogs, 0);
    EXPECT_EQ(Doc().Count(model::kMainList), 1);
    EXPECT_TRUE(Doc().Modified());

    // A save that fails (a folder in the way) stops the command too.
    script_.saveName = dir_.path();
    script_.answers = {TSaveAnswer::Yes};
    EXPECT_FALSE(window_->Quit());
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(script_.errors.size(), 1);
}

TEST_F(MainForm, SaveAndLoadRoundTripReadByTheCli) {
    Open(model::TMode::Beginner);
    QTest::mouseDClick(Tile(14), Qt::LeftButton);  // forward, 12
    QTest::mouseDClick(Tile(20), Qt::LeftButton);  // go back, 1
    const QString file = dir_.filePath(QStringLiteral("walk.kvn"));
    script_.saveName = file;
    ClickButton(sbSave);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Kavrin - walk.kvn"));
    ASSERT_TRUE(script_.errors.isEmpty()) << script_.errors.join('\n').toStdString();

    QProcess cli;
    cli.start(QStringLiteral(KAVRIN_CLI), {QStringLiteral("show"), file});
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString shown = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("list 1: 2 steps"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("1.1 F 12 0 0 0\n1.2 G 1 0 0 0\n")))
        << shown.toStdString();

    ClickButton(sbClear);
    EXPECT_EQ(Doc().Count(model::kMainList), 0);
    script_.answers = {TSaveAnswer::No};
    script_.openName = file;
    QTest::keyClick(Main(), Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(Doc().Count(model::kMainList), 2);
    EXPECT_FALSE(Doc().Modified());
    EXPECT_TRUE(window_->Lists()->MainWidgets()[1]->IsShown());
    EXPECT_EQ(window_->Lists()->MainWidgets()[1]->SpinEdit()->Text(),
              UiString(375) + QStringLiteral("1"));

    // A save that cannot be written names the file and keeps the changes marked.
    QTest::mouseDClick(Tile(14), Qt::LeftButton);
    script_.saveName = dir_.filePath(QStringLiteral("missing/walk.kvn"));
    ClickButton(sbSave);
    ASSERT_EQ(script_.errors.size(), 1);
    EXPECT_TRUE(script_.errors.front().contains(QStringLiteral("missing/walk.kvn")));
    EXPECT_TRUE(Doc().Modified());
}

TEST_F(MainForm, SettingsApplyAtTheFirstShowingAndThePortBoxFollowsThePorts) {
    store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("stored.ini")),
                                         QSettings::IniFormat);
    store_->beginGroup(QStringLiteral("1.0"));
    store_->setValue(QStringLiteral("HyperHelp"), 0);
    store_->setValue(QStringLiteral("LeftServoCenter"), 90);
    store_->setValue(QStringLiteral("ComPort"), QStringLiteral("ttys0"));
    store_->setValue(QStringLiteral("LastDirectory"), dir_.path());
    store_->endGroup();
    ports_ = {"ttyS0", "ttyUSB0", "SIM"};
    Open(model::TMode::Beginner);
    EXPECT_FALSE(window_->HyperHelp()->isChecked());
    EXPECT_EQ(window_->size(), QSize(578, 502));
    EXPECT_EQ(Doc().Program().leftServoCenter, 90);
    // The ports are listed off the window thread: the stored one is chosen once they come.
    QTRY_COMPARE(window_->PortBox()->currentText(), QStringLiteral("ttyS0"));
    EXPECT_EQ(window_->PortSetting(), "ttyS0");
    EXPECT_EQ(window_->FileFolder(), dir_.path());

    // Each drop-down re-reads the ports, keeps what was shown or falls back to automatic.
    ports_ = {"ttyACM0", "ttyS0", "SIM"};
    window_->PortBox()->showPopup();
    window_->PortBox()->hidePopup();
    EXPECT_EQ(window_->PortBox()->currentText(), QStringLiteral("ttyS0"));
    EXPECT_EQ(window_->PortBox()->itemText(3), QStringLiteral("SIM"));
    ports_ = {"SIM"};
    window_->PortBox()->showPopup();
    window_->PortBox()->hidePopup();
    EXPECT_EQ(window_->PortBox()->currentIndex(), 0);
    Q_EMIT window_->PortBox()->activated(0);
    EXPECT_EQ(window_->PortSetting(), "AUTO");
}

TEST_F(MainForm, ThePortsAreListedOnceAndOffTheWindowThreadAtTheFirstShowing) {
    std::atomic<int> listings{0};
    std::atomic<bool> onWindowThread{false};
    const std::thread::id windowThread = std::this_thread::get_id();
    window_ = std::make_unique<TMainForm>();
    window_->SetDialogs(std::make_unique<TScriptedDialogs>(script_));
    store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("ports.ini")),
                                         QSettings::IniFormat);
    store_->setValue(QStringLiteral("1.0/ComPort"), QStringLiteral("sim"));
    window_->SetSettingsStore(store_.get());
    window_->SetPortEnumerator([&](std::vector<std::string>& list) {
        ++listings;
        onWindowThread = onWindowThread || std::this_thread::get_id() == windowThread;
        list = {"ttyS0", "SIM"};
    });
    window_->ShowForMode(model::TMode::Advanced);
    QTRY_COMPARE(window_->PortBox()->count(), 3);
    EXPECT_EQ(listings, 1);
    EXPECT_FALSE(onWindowThread);
    EXPECT_EQ(window_->PortSetting(), "SIM");  // the stored port, chosen once the list came
}

TEST_F(MainForm, ARefusedFileChangesNothingAndATypedValueIsOneChange) {
    Open(model::TMode::Beginner);
    QTest::mouseDClick(Tile(14), Qt::LeftButton);
    QTest::mouseDClick(Tile(21), Qt::LeftButton);  // stop and wait, 10

    // A file saved in Advanced mode is refused here with its message.
    const QString advanced = dir_.filePath(QStringLiteral("advanced.kvn"));
    model::TActionDocument other(model::TMode::Advanced);
    other.InsertIntoList(model::kMainList, 1, 30, model::akTurnLeft);
    ASSERT_TRUE(other.SaveFile(QFile::encodeName(advanced).toStdString()).ok);
    script_.answers = {TSaveAnswer::No};
    script_.openName = advanced;
    ClickButton(sbLoad);
    ASSERT_EQ(script_.errors.size(), 1);
    // The text as it always was, and the file it is about on a line of its own.
    EXPECT_EQ(script_.errors.front().toStdString(),
              (UiString(resources::str::kAdvancedFileInBeginner) + QLatin1Char('\n') +
               QDir::toNativeSeparators(advanced))
                  .toStdString());
    EXPECT_EQ(Doc().Count(model::kMainList), 2);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Kavrin *"));

    // Typing into a step's value and pressing Enter writes it; one undo brings back the value
    // it had, a second goes back to before the step was added.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QLineEdit* edit = window_->Lists()->MainWidgets()[1]->SpinEdit()->Edit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("4.5"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Doc().Step(model::kMainList, 2).value, 45);
    EXPECT_EQ(QApplication::focusWidget(), Main());
    ClickButton(sbUndo);
    EXPECT_EQ(Doc().Step(model::kMainList, 2).value, 10);
    EXPECT_EQ(window_->Lists()->MainWidgets()[1]->SpinEdit()->Text(), QStringLiteral("1.0 sec"));
    ClickButton(sbUndo);
    EXPECT_EQ(Doc().Count(model::kMainList), 1);
    EXPECT_FALSE(window_->Lists()->MainWidgets()[1]->IsShown());
}

// After a save, the spin control's gestures that leave the value as it is, and a copy, neither
// mark the program modified nor use up an undo level: Undo still takes back the last real edit.
TEST_F(MainForm, GesturesThatLeaveTheStepsAloneKeepTheProgramSaved) {
    Open(model::TMode::Beginner);
    QTest::mouseDClick(Tile(14), Qt::LeftButton);  // forward, 1.2 s
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    TSuperSpinEdit* spin = window_->Lists()->MainWidgets()[0]->SpinEdit();
    spin->Edit()->setFocus();
    spin->Edit()->selectAll();
    QTest::keyClicks(spin->Edit(), QStringLiteral("25.5"));  // the longest a step lasts
    QTest::keyClick(spin->Edit(), Qt::Key_Return);
    ASSERT_EQ(Doc().Step(model::kMainList, 1).value, model::kMaxDuration);
    script_.saveName = dir_.filePath(QStringLiteral("long.kvn"));
    ClickButton(sbSave);
    ASSERT_EQ(window_->windowTitle(), QStringLiteral("Kavrin - long.kvn"));

    // In and out of the box without typing; the same value typed; one beyond the limit,
    // kept back to it; the up arrow at the limit; a copy of the step.
    spin->Edit()->setFocus();
    QTest::keyClick(spin->Edit(), Qt::Key_Return);
    spin->Edit()->setFocus();
    spin->Edit()->selectAll();
    QTest::keyClicks(spin->Edit(), QStringLiteral("25.5"));
    QTest::keyClick(spin->Edit(), Qt::Key_Return);
    spin->Edit()->setFocus();
    spin->Edit()->selectAll();
    QTest::keyClicks(spin->Edit(), QStringLiteral("99"));
    QTest::keyClick(spin->Edit(), Qt::Key_Return);
    QTest::mouseClick(spin->UpArrow(), Qt::LeftButton);
    ClickStepNumber(1);
    QTest::keyClick(Main(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Doc().ClipboardCount(), 1);
    EXPECT_EQ(Doc().Step(model::kMainList, 1).value, model::kMaxDuration);
    EXPECT_FALSE(Doc().Modified());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Kavrin - long.kvn"));

    // The newest undo level is still the value typed before the save.
    QTest::keyClick(Main(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Doc().Step(model::kMainList, 1).value, 12);
    EXPECT_EQ(spin->Text(), QStringLiteral("1.2 sec"));
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Kavrin - long.kvn *"));
}

}  // namespace
}  // namespace kavrin::ui
