// Random gestures over the main window and every window that opens from it, from a fixed seed:
// clicks, tile drags, wheel turns and keys, with the dialogs answered at random from the same
// seed and Go running for real to a virtual robot. After every gesture the document must still
// hold together; at the end its program must survive a save and a load.
//
// The long run (minutes, for sanitizer builds) is disabled by default:
//   KAVRIN_MONKEY_MINUTES=5 [KAVRIN_MONKEY_SEED=n] kavrin_ui_tests
//       --gtest_also_run_disabled_tests --gtest_filter='RandomGestures.DISABLED_*'
// (make check-monkey runs it in the sanitizer build).
// It prints the seed of every round (which also picks the mode); KAVRIN_MONKEY_SEED replays one.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "model/kvn_file.h"
#include "sim/virtual_robot.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/code_view.h"
#include "ui/drag_tile.h"
#include "ui/main_dialogs.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/sensor_set_drop.h"
#include "ui/simulator_window.h"
#include "ui/skin.h"
#include "ui/test_window.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

// Not std::mt19937, whose copy would replace Qt's own on Windows (src/app/random_edits.cpp).
using TRng = std::mt19937_64;

int Pick(TRng& rng, int low, int high) { return std::uniform_int_distribution(low, high)(rng); }
bool Chance(TRng& rng, int percent) { return Pick(rng, 1, 100) <= percent; }
QPoint PointIn(TRng& rng, const QRect& rect) {
    return {Pick(rng, rect.left(), rect.right()), Pick(rng, rect.top(), rect.bottom())};
}

constexpr int kCommandLetters = model::kCommandLetterCount;

// The keys a beginner presses; Alt letters are added where the window takes commands.
struct TKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
TKey RandomKey(TRng& rng, bool commands) {
    static constexpr Qt::Key kPlain[] = {
        Qt::Key_Delete, Qt::Key_Insert, Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter,
        Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Tab,
        Qt::Key_0,      Qt::Key_1,      Qt::Key_5,      Qt::Key_9,      Qt::Key_Backspace};
    static constexpr Qt::Key kCtrl[] = {Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_P};
    const std::string_view letters = model::kDefaultCommandLetters;
    const int choice = Pick(rng, 0, commands ? 9 : 5);
    if (choice >= 6) {
        const char letter = letters[static_cast<std::size_t>(Pick(rng, 0, kCommandLetters - 1))];
        return {static_cast<Qt::Key>(Qt::Key_A + (letter - 'A')), Qt::AltModifier};
    }
    if (choice == 5) {
        return {kCtrl[Pick(rng, 0, static_cast<int>(std::size(kCtrl)) - 1)], Qt::ControlModifier};
    }
    return {kPlain[Pick(rng, 0, static_cast<int>(std::size(kPlain)) - 1)], Qt::NoModifier};
}

// A click, double click or key at random inside a window, through its native window so that
// the application routes it as it would a real one.
void RandomTouch(QWidget& window, TRng& rng, bool commands) {
    QWindow* handle = window.windowHandle();
    if (handle == nullptr || !window.isVisible()) {
        return;
    }
    const QPoint at = PointIn(rng, window.rect());
    switch (Pick(rng, 0, 3)) {
        case 0:
            QTest::mouseMove(handle, at);
            QTest::mouseClick(handle, Qt::LeftButton, {}, at);
            break;
        case 1:
            QTest::mouseMove(handle, at);
            QTest::mouseDClick(handle, Qt::LeftButton, {}, at);
            break;
        default: {
            const TKey key = RandomKey(rng, commands);
            QTest::keyClick(handle, key.key, key.modifiers);
            break;
        }
    }
}

// A real virtual robot behind "SIM", the only port there is.
TLinkSetup SimOnly(std::shared_ptr<sim::VirtualRobot> robot) {
    TLinkSetup setup;
    setup.openPort = [robot](std::string_view name) {
        return name == "SIM" ? robot->Open()
                             : link::OpenResult{nullptr, link::OpenError::NoSuchPort};
    };
    setup.enumerate = [](std::vector<std::string>& list) { list.push_back("SIM"); };
    return setup;
}

// Every question answered at random; the code view and the servo test window are shown
// without a modal loop, touched a few times and closed.
class TRandomDialogs : public TMainDialogs {
public:
    TRandomDialogs(TRng& rng, QString folder) : rng_(rng), folder_(std::move(folder)) {}

    model::TSaveAnswer AskToSave(QWidget*) override {
        return static_cast<model::TSaveAnswer>(Pick(rng_, 0, 2));
    }
    QString OpenFileName(QWidget*, const QString&) override {
        switch (Pick(rng_, 0, 3)) {
            case 0:
                return {};
            case 1:
                return folder_ + QStringLiteral("/missing.kvn");
            case 2:
                return folder_;  // a folder, not a file
            default:
                return folder_ + QStringLiteral("/p%1.kvn").arg(Pick(rng_, 0, 2));
        }
    }
    QString SaveFileName(QWidget*, const QString&, const QString&) override {
        return Chance(rng_, 20) ? QString()
                                : folder_ + QStringLiteral("/p%1.kvn").arg(Pick(rng_, 0, 2));
    }
    QString SheetFileName(QWidget*, const QString&, const QString&) override {
        return Chance(rng_, 30) ? QString() : folder_ + QStringLiteral("/sheet.pdf");
    }
    bool OpenWithViewer(const QString&) override { return Chance(rng_, 80); }
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
    bool AskShowTokenizerError(QWidget*, const QString&, const QString&) override {
        return Chance(rng_, 50);
    }
    void ShowCodeView(TCodeForm& view) override { Visit(view); }
    void ShowTestWindow(TTestForm& window) override { Visit(window); }

private:
    void Visit(QDialog& dialog) {
        dialog.show();
        const int touches = Pick(rng_, 0, 8);
        for (int i = 0; i < touches && dialog.isVisible(); ++i) {
            RandomTouch(dialog, rng_, false);
            QCoreApplication::processEvents();
        }
        dialog.close();
    }

    TRng& rng_;
    QString folder_;
};

// Whether the document still holds together; the text says what broke.
::testing::AssertionResult DocumentHolds(const model::TActionDocument& doc) {
    if (!model::IsValidList(doc.CurrentList())) {
        return ::testing::AssertionFailure() << "current list " << doc.CurrentList();
    }
    for (int list = 1; list <= model::kListCount; ++list) {
        const int count = doc.Count(list);
        if (count < 0 || count > model::kMaxSteps) {
            return ::testing::AssertionFailure() << "list " << list << " holds " << count;
        }
        for (int row = 1; row <= count; ++row) {
            const model::TBotAction& step = doc.Step(list, row);
            const bool goBack = step.kind == model::akGoBack;
            if (goBack && list != model::kMainList) {
                return ::testing::AssertionFailure() << "go-back step in list " << list;
            }
            const int highest = goBack ? row : model::kMaxDuration;
            if (step.kind >= model::kActionKindCount || step.value < 1 || step.value > highest) {
                return ::testing::AssertionFailure()
                       << "list " << list << " step " << row << ": kind " << int(step.kind)
                       << " value " << step.value;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The main window with everything that opens from it, and the gestures over it.
class TMonkey {
public:
    TMonkey(model::TMode mode, unsigned seed) : rng_(seed) {
        store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
        TLinkSetup setup = SimOnly(robot_);
        main_.SetPortEnumerator(setup.enumerate);
        run_ = std::make_unique<TRunController>(progress_, std::move(setup));
        simulator_.ConnectRobot(robot_);
        test_ = std::make_unique<TTestForm>(*run_, &main_);
        test_->SetMessageSink([](const QString&) {});
        main_.SetDialogs(std::make_unique<TRandomDialogs>(rng_, dir_.path()));
        main_.SetSettingsStore(store_.get());
        main_.SetCodeView(&code_);
        main_.SetRunController(run_.get());
        main_.SetSimulator(&simulator_);
        main_.SetTestWindow(test_.get());
        main_.ShowForMode(mode);
        main_.Face()->FinishUncovering();
        dragger_ = main_.findChild<TDragger*>();
    }

    model::TActionDocument& Doc() { return *main_.Document(); }
    const std::deque<std::string>& Trail() const { return trail_; }

    // One gesture, remembered in the trail.
    void Gesture() {
        static constexpr void (TMonkey::*kGestures[])() = {
            &TMonkey::Touch,     &TMonkey::Touch,     &TMonkey::Key,        &TMonkey::Key,
            &TMonkey::Key,       &TMonkey::DragTile,  &TMonkey::DragTile,   &TMonkey::DropSet,
            &TMonkey::TypeValue, &TMonkey::TypeValue, &TMonkey::SelectRows, &TMonkey::Wheel,
            &TMonkey::SwitchTab, &TMonkey::Elsewhere, &TMonkey::Pause};
        (this->*kGestures[Pick(rng_, 0, static_cast<int>(std::size(kGestures)) - 1)])();
        QCoreApplication::processEvents();
    }

    // Lets a run and a landing tile end and closes what is still open.
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !run_->Busy(); }, 30000));
        if (dragger_ != nullptr) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return !dragger_->Landing(); }, 3000));
        }
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        simulator_.close();
        progress_.close();
        QCoreApplication::processEvents();
    }

private:
    void Note(std::string what) {
        trail_.push_back(std::move(what));
        if (trail_.size() > 12) {
            trail_.pop_front();
        }
    }
    QWindow* Handle() { return main_.windowHandle(); }
    TActionGrid* CurrentGrid() { return main_.Grid(Doc().CurrentList()); }
    // A point of a random cell of the current grid (display row 0 is the header), in the window.
    QPoint RandomCell(int column) {
        TActionGrid* grid = CurrentGrid();
        if (grid == nullptr) {
            return PointIn(rng_, main_.rect());
        }
        const int rows = grid->viewport()->height() / TActionGrid::kRowPitch;
        const int row = Pick(rng_, 0, std::max(rows, 1));
        const int x = grid->ColumnLeft(column) + grid->ColumnWidth(column) / 2;
        const int y = row * TActionGrid::kRowPitch + TActionGrid::kRowHeight / 2;
        return grid->viewport()->mapTo(&main_, QPoint(x, y));
    }
    int RandomColumn() {
        TActionGrid* grid = CurrentGrid();
        return grid == nullptr ? 0 : Pick(rng_, 0, grid->ColumnCount() - 1);
    }

    void Touch() {
        Note("touch");
        RandomTouch(main_, rng_, true);
    }
    void Key() {
        const TKey key = RandomKey(rng_, true);
        Note("key " + std::to_string(key.key) + " mods " + std::to_string(key.modifiers.toInt()));
        QTest::keyClick(Handle(), key.key, key.modifiers);
    }
    // A palette tile pulled onto a cell of the current list or anywhere, sometimes given up.
    void DragTile() {
        const int kind = Pick(rng_, 0, model::kActionKindCount - 1);
        TSkinImage* tile = nullptr;
        for (auto* image : main_.Palette()->ScrollBox()->widget()->findChildren<TSkinImage*>()) {
            if (image->Tag() == kind) {
                tile = image;
            }
        }
        if (tile == nullptr) {
            return;
        }
        main_.Palette()->ScrollBox()->ensureWidgetVisible(tile);
        const QPoint start = tile->mapTo(&main_, QPoint(20, 20));
        const QPoint end =
            Chance(rng_, 75) ? RandomCell(RandomColumn()) : PointIn(rng_, main_.rect());
        Note("drag " + std::to_string(kind) + " to " + std::to_string(end.x()) + "," +
             std::to_string(end.y()));
        QTest::mousePress(Handle(), Qt::LeftButton, {}, start);
        QTest::mouseMove(Handle(), start + QPoint(8, 0));
        QTest::mouseMove(Handle(), end);
        if (Chance(rng_, 10)) {
            QTest::keyClick(Handle(), Qt::Key_Escape);
        }
        QTest::mouseRelease(Handle(), Qt::LeftButton, {}, end);
        if (Chance(rng_, 60) && dragger_ != nullptr) {
            (void)QTest::qWaitFor([this] { return !dragger_->Landing(); }, 3000);
        }
    }
    // The "+" tile's sensor set, pulled (the offscreen platform ends that drag at once) and then
    // dropped on a cell as the platform would deliver it.
    void DropSet() {
        QLabel* plus = main_.Lists() != nullptr ? main_.Lists()->SensorSetTile() : nullptr;
        if (plus == nullptr || !plus->isVisible()) {
            return Touch();
        }
        const QPoint start = plus->mapTo(&main_, plus->rect().center());
        QTest::mousePress(Handle(), Qt::LeftButton, {}, start);
        QTest::mouseMove(Handle(), start + QPoint(10, 10));
        QTest::mouseRelease(Handle(), Qt::LeftButton, {}, start + QPoint(10, 10));
        TActionGrid* grid = CurrentGrid();
        if (grid == nullptr) {
            return;
        }
        const int set = Pick(rng_, 0, model::kSensorSetCount - 1);
        const QPoint at = grid->viewport()->mapFrom(&main_, RandomCell(RandomColumn()));
        Note("set " + std::to_string(set) + " at " + std::to_string(at.x()) + "," +
             std::to_string(at.y()));
        const std::unique_ptr<QMimeData> data(SensorSetMimeData(set));
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(grid->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(grid->viewport(), &move);
        QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(grid->viewport(), &drop);
    }
    // A click on a value cell, then digits and an ending key.
    void TypeValue() {
        const QPoint at = RandomCell(model::gcAction);
        Note("value at " + std::to_string(at.x()) + "," + std::to_string(at.y()));
        QTest::mouseClick(Handle(), Qt::LeftButton, {}, at + QPoint(30, 0));
        const int digits = Pick(rng_, 1, 4);
        for (int i = 0; i < digits; ++i) {
            QTest::keyClick(Handle(), static_cast<Qt::Key>(Qt::Key_0 + Pick(rng_, 0, 9)));
        }
        static constexpr Qt::Key kEnds[] = {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Up,
                                            Qt::Key_Down};
        QTest::keyClick(Handle(), kEnds[Pick(rng_, 0, 4)]);
    }
    void SelectRows() {
        const QPoint at = RandomCell(model::gcStep);
        const bool shift = Chance(rng_, 40);
        Note(std::string(shift ? "shift-" : "") + "select at " + std::to_string(at.y()));
        QTest::mouseClick(Handle(), Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier, at);
    }
    void Wheel() {
        const QPoint at = Chance(rng_, 70) ? RandomCell(0) : PointIn(rng_, main_.rect());
        QWidget* target = main_.childAt(at);
        if (target == nullptr) {
            return;
        }
        const int notches = Pick(rng_, -3, 3);
        Note("wheel " + std::to_string(notches));
        const QPoint local = target->mapFrom(&main_, at);
        QWheelEvent wheel(local, target->mapToGlobal(local), {}, QPoint(0, notches * 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
    void SwitchTab() {
        QTabBar* tabs = main_.Lists() != nullptr ? main_.Lists()->Tabs() : nullptr;
        if (tabs == nullptr || !tabs->isVisible() || tabs->count() == 0) {
            return Key();
        }
        const int tab = Pick(rng_, 0, tabs->count() - 1);
        Note("tab " + std::to_string(tab));
        const QPoint at = tabs->mapTo(&main_, tabs->tabRect(tab).center());
        QTest::mouseClick(Handle(), Qt::LeftButton, {}, at);
    }
    // The windows a run leaves open get touched too; the simulator only by its keys, as its
    // buttons open file dialogs of their own.
    void Elsewhere() {
        if (progress_.isVisible()) {
            Note("progress window");
            RandomTouch(progress_, rng_, false);
        } else if (simulator_.isVisible() && Chance(rng_, 30)) {
            Note("close simulator");
            simulator_.close();
        } else {
            Touch();
        }
    }
    void Pause() {
        Note("pause");
        QTest::qWait(Pick(rng_, 0, 40));
    }

    TRng rng_;
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> store_;
    std::shared_ptr<sim::VirtualRobot> robot_ = std::make_shared<sim::VirtualRobot>();
    TProgressForm progress_;
    TCodeForm code_;
    TMainForm main_;
    TSimulatorForm simulator_{&main_};
    std::unique_ptr<TRunController> run_;
    std::unique_ptr<TTestForm> test_;
    TDragger* dragger_ = nullptr;
    std::deque<std::string> trail_;
};

std::string TrailText(const TMonkey& monkey) {
    std::string text;
    for (const std::string& step : monkey.Trail()) {
        text += step + "\n";
    }
    return text;
}

// No dialog or modal window may be left showing.
::testing::AssertionResult NothingLeftOpen() {
    if (QApplication::activeModalWidget() != nullptr) {
        return ::testing::AssertionFailure() << "a modal window is open";
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && qobject_cast<QDialog*>(top) != nullptr) {
            return ::testing::AssertionFailure()
                   << "dialog left open: " << top->metaObject()->className();
        }
    }
    return ::testing::AssertionSuccess();
}

// A round of gestures in one mode, then the checks at its end.
void Round(model::TMode mode, unsigned seed, int gestures) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TMonkey monkey(mode, seed);
    for (int i = 0; i < gestures; ++i) {
        monkey.Gesture();
        ASSERT_TRUE(DocumentHolds(monkey.Doc())) << "gesture " << i << ", last ones:\n"
                                                 << TrailText(monkey);
    }
    monkey.Settle();
    EXPECT_TRUE(NothingLeftOpen());
    ASSERT_TRUE(DocumentHolds(monkey.Doc()));

    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath(QStringLiteral("final.kvn")).toStdString();
    ASSERT_TRUE(monkey.Doc().SaveFile(path).ok);
    model::TActionDocument reloaded(mode);
    ASSERT_TRUE(reloaded.LoadFile(path).ok);
    EXPECT_EQ(model::EncodeRecord(reloaded.Program(), mode),
              model::EncodeRecord(monkey.Doc().Program(), mode));
    EXPECT_EQ(reloaded.Program().counts, monkey.Doc().Program().counts);
}

TEST(RandomGestures, BeginnerWindowHoldsTogether) { Round(model::TMode::Beginner, 20240611, 250); }

TEST(RandomGestures, AdvancedWindowHoldsTogether) { Round(model::TMode::Advanced, 7177, 250); }

TEST(RandomGestures, DISABLED_LongRun) {
    const double minutes = qEnvironmentVariableIsSet("KAVRIN_MONKEY_MINUTES")
                               ? qEnvironmentVariable("KAVRIN_MONKEY_MINUTES").toDouble()
                               : 3.0;
    const bool fixed = qEnvironmentVariableIsSet("KAVRIN_MONKEY_SEED");
    unsigned seed =
        fixed ? qEnvironmentVariable("KAVRIN_MONKEY_SEED").toUInt() : std::random_device{}();
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(static_cast<long long>(minutes * 60000));
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        const auto mode = seed % 2 == 0 ? model::TMode::Beginner : model::TMode::Advanced;
        std::printf("round %d: KAVRIN_MONKEY_SEED=%u (%s)\n", round, seed,
                    mode == model::TMode::Beginner ? "Beginner" : "Advanced");
        std::fflush(stdout);
        Round(mode, seed, 400);
        if (HasFatalFailure() || HasFailure() || fixed) {
            return;
        }
        seed = std::random_device{}();
    }
}

}  // namespace
}  // namespace kavrin::ui
