// The main window marks the step the virtual robot runs, and the palette tiles say what they do.

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "language_scope.h"
#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "sim/virtual_robot.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/skin.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;
using model::kMainList;
using model::kSensorSet2;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRunWaitMs = 90000;
#else
constexpr int kRunWaitMs = 20000;
#endif

constexpr TStepMark kNoMark{};

sim::RunningStep At(int list, int step, int interrupted = 0) {
    sim::RunningStep running;
    running.at = {list, step};
    running.interrupted = interrupted;
    return running;
}

TEST(RunMarks, FollowTheStepTheRobotRunsAsFarAsTheListsHoldIt) {
    model::TActionProgram program;
    program.Count(kMainList) = 4;
    program.Count(kSensorSet2) = 2;
    const auto mark = [](const TRunMarks& marks, int list) {
        return marks.lists[static_cast<std::size_t>(list - 1)];
    };

    const TRunMarks main = MarksForRunningStep(At(kMainList, 3), program);
    EXPECT_EQ(mark(main, kMainList), (TStepMark{3, TStepMarkKind::Running}));
    EXPECT_EQ(main.sensorTab, -1);

    const TRunMarks set = MarksForRunningStep(At(kSensorSet2, 2, 4), program);
    EXPECT_EQ(mark(set, kSensorSet2), (TStepMark{2, TStepMarkKind::Running}));
    EXPECT_EQ(mark(set, kMainList), (TStepMark{4, TStepMarkKind::Interrupted}));
    EXPECT_EQ(set.sensorTab, kSensorSet2 - model::kSensorSetAll);
    for (int list : {2, 3, 5, 6}) {
        EXPECT_EQ(mark(set, list), kNoMark) << list;
    }

    // Steps the lists no longer hold, and no step at all, mark nothing.
    EXPECT_EQ(MarksForRunningStep(At(kMainList, 5), program), TRunMarks{});
    EXPECT_EQ(mark(MarksForRunningStep(At(kSensorSet2, 3, 1), program), kMainList),
              (TStepMark{1, TStepMarkKind::Interrupted}));
    EXPECT_EQ(mark(MarksForRunningStep(At(kSensorSet2, 1, 0), program), kMainList), kNoMark);
    EXPECT_EQ(MarksForRunningStep(sim::RunningStep{}, program), TRunMarks{});
    EXPECT_EQ(MarksForRunningStep(At(7, 1), program), TRunMarks{});
}

// Answers nothing and shows nothing.
class TQuietDialogs : public TMainDialogs {
public:
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowCodeView(TCodeForm&) override {}
};

// The main window with a real virtual robot behind "SIM" and the simulator window it drives.
class StepMarks : public ::testing::Test {
protected:
    void SetUp() override {
        TLinkSetup setup;
        setup.openPort = [robot = robot_](std::string_view name) {
            return name == "SIM" ? robot->Open()
                                 : link::OpenResult{nullptr, link::OpenError::NoSuchPort};
        };
        setup.enumerate = [](std::vector<std::string>& list) { list.push_back("SIM"); };
        main_.SetPortEnumerator(setup.enumerate);
        run_ = std::make_unique<TRunController>(progress_, std::move(setup));
        main_.BuildForMode(model::TMode::Advanced);
        main_.SetDialogs(std::make_unique<TQuietDialogs>());
        main_.SetCodeView(&code_);
        main_.SetRunController(run_.get());
        main_.SetSimulator(&simulator_);
        // A main list longer than the grid shows, and a sensor set of two steps.
        model::TActionDocument& doc = *main_.Document();
        for (int row = 1; row <= 20; ++row) {
            doc.InsertIntoList(kMainList, row, 10, model::akForward);
        }
        doc.InsertIntoList(kSensorSet2, 1, 5, model::akBackward);
        doc.InsertIntoList(kSensorSet2, 2, 5, model::akRotateLeft);
        main_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
        main_.Grid(kMainList)->setFocus();
    }
    void TearDown() override { simulator_.close(); }

    // Go, to the virtual robot; the simulator is held still after it so that the test moves it.
    void GoToTheVirtualRobot() {
        QSignalSpy finished(run_.get(), &TRunController::Finished);
        main_.Go();
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() > 0, kRunWaitMs);
        const auto outcome = finished.back().front().value<run::RunOutcome>();
        ASSERT_EQ(outcome.status, run::RunStatus::Delivered) << outcome.message;
        simulator_.SetRunning(false);
        ASSERT_TRUE(run_->StepVariables().has_value());
    }
    void Emit(const sim::RunningStep& step) { Q_EMIT simulator_.RunningStepChanged(step); }
    TActionGrid* Grid(int list) { return main_.Grid(list); }
    TStepMark Mark(int list) { return Grid(list)->StepMark(); }

    std::shared_ptr<sim::VirtualRobot> robot_ = std::make_shared<sim::VirtualRobot>();
    TProgressForm progress_;
    TCodeForm code_;
    TMainForm main_;
    TSimulatorForm simulator_{&main_};
    std::unique_ptr<TRunController> run_;
};

TEST_F(StepMarks, TheRobotsStepIsMarkedInTheListsWhileTheyAreItsProgram) {
    GoToTheVirtualRobot();
    EXPECT_EQ(Mark(kMainList), kNoMark);
    // The motion program waits 3.5 s after power-on, then runs its first step.
    simulator_.Advance(kProgramStartDelay + 200 * sim::kMicrosPerMs);
    EXPECT_EQ(Mark(kMainList), (TStepMark{1, TStepMarkKind::Running}));
    EXPECT_EQ(Grid(kMainList)->CellText(1, model::gcStep),
              UiString(str::kRunningStepNumber).arg(1));
    EXPECT_EQ(Grid(kMainList)->CellText(2, model::gcStep), QStringLiteral("2"));

    // A step off the grid's rows scrolls into view.
    Emit(At(kMainList, 18));
    EXPECT_EQ(Mark(kMainList), (TStepMark{18, TStepMarkKind::Running}));
    const int top = main_.Document()->View(kMainList).topRow;
    EXPECT_LE(top, 18);
    EXPECT_GT(top + Grid(kMainList)->VisibleStepRows(), 18);

    // A reacting set: its tab comes forward with its step marked, the main list keeps the step
    // it interrupted; the keyboard and the current list stay with the main list.
    Emit(At(kSensorSet2, 2, 1));
    EXPECT_EQ(main_.Lists()->Tabs()->currentIndex(), kSensorSet2 - model::kSensorSetAll);
    EXPECT_TRUE(Grid(kSensorSet2)->isVisible());
    EXPECT_EQ(Mark(kSensorSet2), (TStepMark{2, TStepMarkKind::Running}));
    EXPECT_EQ(Grid(kSensorSet2)->CellText(2, model::gcStep),
              UiString(str::kRunningStepNumber).arg(2));
    EXPECT_EQ(Mark(kMainList), (TStepMark{1, TStepMarkKind::Interrupted}));
    EXPECT_EQ(main_.Document()->CurrentList(), kMainList);
    EXPECT_EQ(main_.focusWidget(), Grid(kMainList));

    // Back in the main list; then the program ends.
    Emit(At(kMainList, 2));
    EXPECT_EQ(Mark(kSensorSet2), kNoMark);
    EXPECT_EQ(Mark(kMainList), (TStepMark{2, TStepMarkKind::Running}));
    Emit(sim::RunningStep{});
    EXPECT_EQ(Mark(kMainList), kNoMark);
    EXPECT_EQ(Grid(kMainList)->CellText(2, model::gcStep), QStringLiteral("2"));

    // Another program on the robot: nothing is marked; the lists' own comes back marked.
    const sim::Eeprom downloaded = simulator_.Simulation().Image();
    simulator_.StartProgram(sim::Eeprom{});
    simulator_.SetRunning(false);
    Emit(At(kMainList, 3));
    EXPECT_EQ(Mark(kMainList), kNoMark);
    simulator_.StartProgram(downloaded);
    simulator_.SetRunning(false);
    Emit(At(kMainList, 3));
    EXPECT_EQ(Mark(kMainList), (TStepMark{3, TStepMarkKind::Running}));

    // An edit during the run is allowed; the marks go and stay away.
    main_.Document()->SelectRow(kMainList, 5, false);
    QTest::keyClick(Grid(kMainList), Qt::Key_Delete);
    EXPECT_EQ(main_.Document()->Count(kMainList), 19);
    EXPECT_EQ(Mark(kMainList), kNoMark);
    Emit(At(kMainList, 4));
    EXPECT_EQ(Mark(kMainList), kNoMark);

    // Go again: the lists as they are now are the robot's program.
    GoToTheVirtualRobot();
    Emit(At(kMainList, 4));
    EXPECT_EQ(Mark(kMainList), (TStepMark{4, TStepMarkKind::Running}));
}

// The tiles in slot order are forward, backward, turn left and right, rotate left and right,
// go back, stop and wait.
constexpr int kTurnLeftTile = resources::kFirstTileSlot + 2;

TEST(PaletteTiles, SayWhatTheRobotDoesInBothLanguages) {
    const struct {
        resources::TLanguage language;
        const char* turnLeft;
    } cases[] = {
        {resources::TLanguage::English,
         "Turn left: the left wheel almost stands and the right one drives; the robot veers left "
         "as it moves forward."},
        {resources::TLanguage::Greek,
         "Στροφή αριστερά: ο αριστερός τροχός σχεδόν σταματά και ο δεξιός κινείται· το ρομπότ "
         "στρίβει αριστερά καθώς προχωρά."},
    };
    for (const auto& c : cases) {
        const test::TLanguageScope language(c.language);
        TMainForm window;
        window.BuildForMode(model::TMode::Beginner);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.Face()->FinishUncovering();
        TSkinImage* tile = window.Skin().Image(kTurnLeftTile);
        ASSERT_NE(tile, nullptr);
        const QString expected = QString::fromUtf8(c.turnLeft);
        EXPECT_EQ(tile->toolTip(), expected);
        EXPECT_EQ(tile->accessibleDescription(), expected);
        // The help area says it too, before how a tile is used. (The pointer leaves the place
        // where the last language's window had it, so that it moves.)
        QTest::mouseMove(&window, QPoint(1, 1));
        QTest::mouseMove(tile, tile->rect().center());
        const QString help = expected + QLatin1Char('\n') + UiString(str::kHelpPaletteTile);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.HelpMemo()->toPlainText() == help; }, 500))
            << window.HelpMemo()->toPlainText().toStdString();

        // Every tile has words of its own, starting with its name.
        QStringList seen;
        for (int slot = resources::kFirstTileSlot;
             slot < resources::kFirstTileSlot + resources::kTileCount; ++slot) {
            TSkinImage* t = window.Skin().Image(slot);
            ASSERT_NE(t, nullptr);
            EXPECT_TRUE(t->toolTip().startsWith(UiString(ActionKindName(t->Tag()))))
                << t->toolTip().toStdString();
            EXPECT_FALSE(seen.contains(t->toolTip()));
            seen << t->toolTip();
        }
    }
}

}  // namespace
}  // namespace kavrin::ui
