// The simulator window following a generated program's steps: the robot panel against the body,
// Next step, the timeline's replay against what the live run showed, the verdict's step and its
// click, and the step announced to the main window.

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/action_program.h"
#include "resources/ui_strings.h"
#include "tokenizer/tokenizer.h"
#include "ui/arena_view.h"
#include "ui/mission_panel.h"
#include "ui/robot_state_panel.h"
#include "ui/run_timeline.h"
#include "ui/simulator_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;
using model::TBotAction;

constexpr sim::VirtualTime kFrame = 20 * sim::kMicrosPerMs;  // a sample's interval

struct TGenerated {
    sim::Eeprom image{};
    std::optional<sim::StepVariables> variables;
};

// Lists made into the motion program, compiled, with the variables the window follows.
TGenerated Generate(const std::vector<TBotAction>& main,
                    const std::vector<std::pair<int, std::vector<TBotAction>>>& sets = {},
                    model::TMode mode = model::TMode::Advanced) {
    model::TActionProgram program;
    auto fill = [&program](int list, const std::vector<TBotAction>& steps) {
        for (const TBotAction& s : steps) {
            program.Step(list, ++program.Count(list)) = s;
        }
    };
    fill(model::kMainList, main);
    for (const auto& [list, steps] : sets) {
        fill(list, steps);
    }
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(program, mode, false, text).ok);
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(text.WholeText()));
    EXPECT_EQ(tokenizer.Tokenize(), 1) << tokenizer.Result().ErrorMessage;
    TGenerated g;
    const auto& r = tokenizer.Result();
    std::copy_n(r.EepromImage.begin(), g.image.size(), g.image.begin());
    g.variables = sim::FindStepVariables(
        [&tokenizer](std::string_view name) { return tokenizer.FindVariable(name); });
    EXPECT_TRUE(g.variables.has_value());
    return g;
}

// Forward into the wall ahead; both detectors see it, and Sensor Set 2 backs off and turns.
TGenerated WallProgram() {
    return Generate(
        {{model::akForward, 15, {0, 0, 0}},
         {model::akTurnLeft, 8, {0, 0, 0}},
         {model::akForward, 200, {2, 2, 2}}},
        {{model::kSensorSet2, {{model::akBackward, 4, {}}, {model::akRotateLeft, 5, {}}}}});
}

struct TWindow {
    TSimulatorForm window;
    TRobotStatePanel* panel = nullptr;
    TRunTimeline* timeline = nullptr;
    TArenaView* view = nullptr;

    explicit TWindow(const char* arena = "wall-ahead") {
        window.resize(900, 720);
        window.show();
        EXPECT_TRUE(window.SetArena(QString::fromLatin1(arena)));
        panel = window.findChild<TRobotStatePanel*>();
        timeline = window.findChild<TRunTimeline*>();
        view = window.findChild<TArenaView*>();
    }
    void Start(const TGenerated& g) {
        window.StartProgram(g.image, g.variables);
        window.SetRunning(false);
    }
};

QString Expected(bool on, int yes, int no) { return UiString(on ? yes : no); }

TEST(SimulatorSteps, ThePanelShowsTheBodysSensorsServosAndStepWhileItRuns) {
    TWindow w;
    w.Start(WallProgram());
    ASSERT_NE(w.panel, nullptr);
    EXPECT_EQ(w.panel->StepLine(), UiString(str::kSimNoStep));  // the start delay
    std::map<int, int> seenLists;
    bool sawIr = false;
    int straight = 0;
    int forwardBoth = 0;
    for (int i = 0; i < 600; ++i) {
        w.window.Advance(kFrame);
        const sim::Simulation& s = w.window.Simulation();
        const sim::RobotBody& body = s.Body();
        const sim::RunSample now = s.SampleNow();
        for (const sim::Side side : {sim::Side::Left, sim::Side::Right}) {
            EXPECT_EQ(w.panel->WhiskerText(side),
                      Expected(body.Whisker(side).touching, str::kSimWhiskerPressed,
                               str::kSimWhiskerFree));
            const bool ir = side == sim::Side::Left ? now.leftIr : now.rightIr;
            EXPECT_EQ(w.panel->InfraredText(side), Expected(ir, str::kSimIrSees, str::kSimIrClear));
            sawIr = sawIr || ir;
            const int pulse = static_cast<int>(body.PulseMicros(side));
            if (pulse > 0) {
                EXPECT_TRUE(w.panel->ServoText(side).startsWith(QString::number(pulse)))
                    << w.panel->ServoText(side).toStdString();
            }
        }
        const sim::RunningStep& r = s.Running();
        EXPECT_EQ(w.panel->StepLine(), RunningStepText(now));
        if (r.at.Runs()) {
            ++seenLists[r.at.list];
            EXPECT_TRUE(w.panel->StepLine().startsWith(StepText(r.at, r.command)));
        }
        // Driving straight ahead, both servos say forward (but as a wheel starts).
        if (r.at == sim::StepRef{sim::kMainList, 1} && r.command == 'F' && now.leftPulse > 0) {
            const QString forward = UiString(str::kSimDriveForward);
            ++straight;
            forwardBoth += w.panel->ServoText(sim::Side::Left).endsWith(forward) &&
                           w.panel->ServoText(sim::Side::Right).endsWith(forward);
        }
    }
    EXPECT_TRUE(sawIr);
    EXPECT_GT(straight, 20);
    EXPECT_GE(forwardBoth, straight - 3);
    EXPECT_GT(seenLists[sim::kMainList], 0);
    EXPECT_GT(seenLists[4], 0);  // Sensor Set 2 ran
    // The words a child reads, for the main list and a set.
    EXPECT_EQ(StepText({sim::kMainList, 3}, 'L'),
              UiString(str::kSimStepMain).arg(3).arg(StepKindText('L')));
    EXPECT_EQ(StepText({4, 2}, 'B'), UiString(str::kSimStepSet)
                                         .arg(UiString(str::kSensorSetName).arg(2))
                                         .arg(2)
                                         .arg(StepKindText('B')));
    sim::RunSample inSet;
    inSet.list = 4;
    inSet.step = 1;
    inSet.interrupted = 3;
    inSet.command = 'B';
    inSet.leftMs = 400;
    EXPECT_EQ(RunningStepText(inSet),
              UiString(str::kSimStepLeft).arg(StepText({4, 1}, 'B'), QStringLiteral("0.4")) + "\n" +
                  UiString(str::kSimStepInterrupted).arg(3));
}

TEST(SimulatorSteps, NextStepRunsOnTheTimerUntilAnotherStepStarts) {
    TWindow w("open");
    auto* next = w.window.findChild<QPushButton*>();
    for (QPushButton* b : w.window.findChildren<QPushButton*>()) {
        if (b->text() == UiString(str::kSimNextStep)) {
            next = b;
        }
    }
    ASSERT_EQ(next->text(), UiString(str::kSimNextStep));
    // A program the window cannot follow has no next step.
    TGenerated plain = WallProgram();
    w.window.StartProgram(plain.image);
    EXPECT_FALSE(next->isEnabled());

    w.Start(Generate({{model::akForward, 5, {}},
                      {model::akRotateRight, 3, {}},
                      {model::akStopWait, 2, {}},
                      {model::akGoBack, 1, {}}}));
    EXPECT_TRUE(next->isEnabled());
    w.window.SetSpeedQuarters(80);  // 20x, so that the start delay passes quickly
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    std::vector<sim::StepRef> steps;
    for (int i = 0; i < 5; ++i) {
        const sim::VirtualTime before = w.window.Simulation().Now();
        if (i % 2 == 0) {
            QTest::mouseClick(next, Qt::LeftButton);
        } else {
            QTest::keyClick(&w.window, Qt::Key_F10);
        }
        EXPECT_TRUE(w.window.IsRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 5000);
        EXPECT_GT(w.window.Simulation().Now(), before);
        // Paused within the step check's 5 ms of a new step's start.
        const auto& marks = w.window.Simulation().Record().Marks();
        ASSERT_FALSE(marks.empty());
        EXPECT_EQ(marks.back().step, w.window.Simulation().Running().at);
        EXPECT_LE(w.window.Simulation().Now() - marks.back().time, 5 * sim::kMicrosPerMs);
        steps.push_back(w.window.Simulation().Running().at);
    }
    const std::vector<sim::StepRef> expected = {
        {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 1}};  // Go back to step 1
    // A go-back step may pass within one check: the steps seen are the lists' order.
    EXPECT_EQ(steps.front(), expected.front());
    EXPECT_EQ(steps[1], expected[1]);
    EXPECT_EQ(steps[2], expected[2]);
    EXPECT_TRUE(next->toolTip().contains(QStringLiteral("F10")));
    EXPECT_EQ(w.window.SpeedQuarters(), 80);
}

TEST(SimulatorSteps, TheTimelineReplaysWhatTheLiveRunShowed) {
    TWindow w;
    w.Start(WallProgram());
    struct TShown {
        sim::Pose pose;
        QString step, left, right, command;
    };
    std::map<sim::VirtualTime, TShown> live;
    for (int i = 0; i < 450; ++i) {
        w.window.Advance(kFrame);
        if (i % 15 == 0) {
            live[w.window.Simulation().Now()] = {
                w.window.Simulation().Body().CurrentPose(), w.panel->StepLine(),
                w.panel->WhiskerText(sim::Side::Left) + w.panel->InfraredText(sim::Side::Left),
                w.panel->ServoText(sim::Side::Right), w.panel->CommandText()};
        }
    }
    const QImage liveEnd = w.view->grab().toImage();
    EXPECT_EQ(w.timeline->maximum(), w.window.Simulation().Record().End() / sim::kMicrosPerMs);
    EXPECT_EQ(w.timeline->value(), w.timeline->maximum());  // live: at the end

    for (const auto& [t, shown] : live) {
        w.timeline->MoveTo(t);
        ASSERT_EQ(w.window.Moment(), t);
        EXPECT_FALSE(w.window.IsRunning());
        const sim::RunSample& at = w.window.Simulation().Record().At(t);
        EXPECT_NEAR(at.x, shown.pose.x, 1e-3);
        EXPECT_NEAR(at.y, shown.pose.y, 1e-3);
        EXPECT_NEAR(at.heading, shown.pose.heading, 1e-4);
        EXPECT_EQ(w.panel->StepLine(), shown.step) << t;
        EXPECT_EQ(w.panel->WhiskerText(sim::Side::Left) + w.panel->InfraredText(sim::Side::Left),
                  shown.left);
        EXPECT_EQ(w.panel->ServoText(sim::Side::Right), shown.right);
        EXPECT_EQ(w.panel->CommandText(), shown.command);
        EXPECT_EQ(
            w.window.StatusText(),
            UiString(str::kSimStateReplay)
                .arg(QString::number(static_cast<double>(t) / sim::kMicrosPerSecond, 'f', 1)));
    }
    // The robot is drawn where it was, its trail up to there only.
    const sim::Pose early = live.begin()->second.pose;
    const sim::Pose late = std::prev(live.end())->second.pose;
    w.timeline->MoveTo(live.begin()->first);
    const QImage replay = w.view->grab().toImage();
    const QPoint lateSpot = w.view->ToWidget(late.Position()).toPoint();
    EXPECT_NE(replay.pixelColor(lateSpot), liveEnd.pixelColor(lateSpot));
    EXPECT_EQ(replay.pixelColor(w.view->ToWidget(early.Position()).toPoint()),
              liveEnd.pixelColor(w.view->ToWidget(late.Position()).toPoint()));

    // An arrow key steps a sample back; the end again is live, and Run goes on from there.
    w.timeline->setFocus();
    w.timeline->MoveTo(w.window.Simulation().Record().End());
    EXPECT_FALSE(w.window.Moment().has_value());
    QTest::keyClick(w.timeline, Qt::Key_Left);
    EXPECT_EQ(w.window.Moment(), w.window.Simulation().Record().End() - kFrame);
    QTest::keyClick(w.timeline, Qt::Key_End);
    EXPECT_FALSE(w.window.Moment().has_value());
    const sim::VirtualTime end = w.window.Simulation().Now();
    w.timeline->MoveTo(0);
    w.window.SetRunning(true);
    EXPECT_FALSE(w.window.Moment().has_value());
    QTRY_VERIFY(w.window.Simulation().Now() > end);
}

// A run replayed after its program ended says it is a replay, not that the program ended.
TEST(SimulatorSteps, AReplayAfterTheEndSaysWhichMomentItShows) {
    TWindow w("open");
    w.Start(Generate({{model::akForward, 5, {0, 0, 0}}}, {}, model::TMode::Beginner));
    for (int i = 0; i < 300; ++i) w.window.Advance(kFrame);  // six seconds: the program has ended
    ASSERT_TRUE(w.window.Simulation().Cpu().Halted());
    EXPECT_EQ(w.window.StatusText(), UiString(str::kSimStateEnded));
    w.timeline->MoveTo(4 * sim::kMicrosPerSecond);
    EXPECT_EQ(w.window.StatusText(), UiString(str::kSimStateReplay).arg(QStringLiteral("4.0")));
    w.timeline->MoveTo(w.window.Simulation().Record().End());
    EXPECT_EQ(w.window.StatusText(), UiString(str::kSimStateEnded)) << "live again";
}

TEST(SimulatorSteps, AFailedMissionSaysItsStepAndItsClickShowsThatMoment) {
    TSimulatorForm window;
    window.resize(900, 720);
    window.show();
    ASSERT_TRUE(window.SetMission(QStringLiteral("bay")));
    const TGenerated g = Generate({{model::akForward, 250, {}}}, {}, model::TMode::Beginner);
    window.StartProgram(g.image, g.variables);
    window.SetRunning(false);
    const sim::MissionJudge* judge = window.Simulation().Judge();
    for (int i = 0; i < 2000 && judge->GetVerdict() == sim::Verdict::Open; ++i) {
        window.Advance(16 * sim::kMicrosPerMs);
    }
    ASSERT_EQ(judge->GetFailure(), sim::Failure::Touched);
    auto* panel = window.findChild<TMissionPanel*>();
    const QString seconds =
        QString::number(static_cast<double>(judge->DecidedAt()) / sim::kMicrosPerSecond, 'f', 1);
    const QString during =
        UiString(str::kMissionFailedDuring)
            .arg(seconds, UiString(str::kSimStepMainInText).arg(1).arg(StepKindText('F')));
    EXPECT_EQ(panel->ResultText(),
              UiString(str::kMissionNotPassed).arg(UiString(str::kMissionTouchedWall)) + "\n" +
                  during + "\n" + UiString(str::kMissionTryAgain));

    auto* result = panel->findChild<QLabel*>(QStringLiteral("missionResult"));
    ASSERT_NE(result, nullptr);
    window.Advance(sim::kMicrosPerSecond);  // the record goes on past the verdict
    QTest::mouseClick(result, Qt::LeftButton);
    ASSERT_TRUE(window.Moment().has_value());
    EXPECT_LE(*window.Moment(), judge->DecidedAt());
    EXPECT_GT(*window.Moment(), judge->DecidedAt() - sim::kMicrosPerMs);
    auto* timeline = window.findChild<TRunTimeline*>();
    EXPECT_EQ(timeline->value(), judge->DecidedAt() / sim::kMicrosPerMs);
}

TEST(SimulatorSteps, TheStepShownIsAnnouncedLiveInReplayAndNoneWhenOff) {
    TWindow w;
    QSignalSpy spy(&w.window, &TSimulatorForm::RunningStepChanged);
    w.Start(WallProgram());
    for (int i = 0; i < 600; ++i) {
        w.window.Advance(kFrame);
    }
    ASSERT_GE(spy.count(), 3);
    std::vector<sim::RunningStep> announced;
    for (const QList<QVariant>& args : spy) {
        announced.push_back(args.at(0).value<sim::RunningStep>());
    }
    // Each announcement differs from the one before, and the last is the step running now.
    for (std::size_t i = 1; i < announced.size(); ++i) {
        EXPECT_FALSE(announced[i].at == announced[i - 1].at &&
                     announced[i].interrupted == announced[i - 1].interrupted &&
                     announced[i].command == announced[i - 1].command);
    }
    EXPECT_EQ(announced.back().at, w.window.Simulation().Running().at);
    EXPECT_TRUE(announced.back().at.Runs());

    // Replay announces the step of its moment.
    spy.clear();
    w.timeline->MoveTo(0);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).value<sim::RunningStep>().at.Runs());  // the start delay
    w.timeline->MoveTo(w.window.Simulation().Record().End());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(1).at(0).value<sim::RunningStep>().at, w.window.Simulation().Running().at);

    spy.clear();
    w.window.SetPower(false);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<sim::RunningStep>(), sim::RunningStep{});
    w.window.SetPower(true);
    w.window.SetRunning(false);
    w.window.Advance(5 * sim::kMicrosPerSecond);
    ASSERT_TRUE(w.window.ShownStep().at.Runs());
    spy.clear();
    w.window.close();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<sim::RunningStep>(), sim::RunningStep{});
}

TEST(SimulatorSteps, SlowSpeedsAndTheOlderProgramNote) {
    TWindow w("open");
    w.window.SetSpeedQuarters(1);
    EXPECT_EQ(w.window.SpeedQuarters(), 1);
    w.window.SetSpeed(5);
    EXPECT_EQ(w.window.SpeedQuarters(), 20);
    w.window.SetSpeedQuarters(3);  // not offered: the nearest
    EXPECT_EQ(w.window.SpeedQuarters(), 2);

    const TGenerated g = WallProgram();
    w.window.StartProgram(g.image, g.variables);
    w.window.NoteOlderProgram();
    EXPECT_EQ(w.window.NoteText(), UiString(str::kSimOlderProgram));
    auto* note = w.window.findChild<QLabel*>(QStringLiteral("programNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    w.window.StartProgram(g.image, g.variables);
    EXPECT_TRUE(w.window.NoteText().isEmpty());
    EXPECT_FALSE(note->isVisible());
}

}  // namespace
}  // namespace kavrin::ui
