// A mission's rules in the windows: the simulator's panel lists what the program may be made of
// and ticks it off once the program's lists are known, a rule broken fails the mission before
// the robot moves, and the main window's help area says so when a tile the mission does not
// allow goes into a list.

#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/mission_panel.h"
#include "ui/robot_state_panel.h"
#include "ui/simulator_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;

constexpr char kOpen[] = "\u25CB";
constexpr char kMet[] = "\u2713";
constexpr char kMissed[] = "\u2717";

model::TActionProgram Steps(std::initializer_list<std::uint8_t> kinds) {
    model::TActionProgram program;
    int k = 0;
    for (const std::uint8_t kind : kinds) {
        program.Step(model::kMainList, ++k) = {kind, 10, {0, 0, 0}};
    }
    program.Count(model::kMainList) = k;
    return program;
}

TEST(MissionRules, ThePanelListsTheRulesAndChecksTheProgramsLists) {
    TSimulatorForm window;
    ASSERT_TRUE(window.SetMission(QStringLiteral("square")));  // tiles F L R S, steps 8
    auto* panel = window.findChild<TMissionPanel*>();
    ASSERT_NE(panel, nullptr);
    // The marks of the tiles' row and the steps' row.
    const auto marks = [panel] {
        const QStringList rows = panel->RowTexts();
        return rows[rows.size() - 2].left(1) + rows.back().left(1);
    };
    QStringList rows = panel->RowTexts();
    const QString tiles =
        QStringList{StepKindText('F'), StepKindText('L'), StepKindText('R'), StepKindText('S')}
            .join(QStringLiteral(", "));
    EXPECT_EQ(rows[rows.size() - 2],
              QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionOnlyTiles).arg(tiles));
    EXPECT_EQ(rows.back(),
              QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionMostSteps).arg(8));

    // Nine steps: too many, though every tile is allowed. The mission fails at once, paused.
    const model::TActionProgram nine = Steps({0, 2, 0, 3, 0, 2, 0, 3, 6});
    window.StartProgram(sim::Eeprom{}, std::nullopt, nine);
    EXPECT_EQ(marks(), QString::fromUtf8(kMet) + QString::fromUtf8(kMissed));
    EXPECT_FALSE(window.IsRunning());
    sim::RuleBreak steps;
    steps.kind = sim::RuleBreak::Kind::Steps;
    steps.steps = 9;
    steps.allowed = 8;
    const QString failed = UiString(str::kMissionNotPassed).arg(RuleBrokenText(steps));
    EXPECT_EQ(panel->ResultText(), failed + "\n" + UiString(str::kMissionRuleFix));
    EXPECT_EQ(window.TerminalText().count(UiString(str::kMissionNoteDecided).arg(failed)), 1);
    // Watching it drive all the same does not undo the verdict.
    window.SetRunning(true);
    window.Advance(2 * sim::kMicrosPerSecond);
    EXPECT_TRUE(panel->ResultText().startsWith(failed));

    // A rotation in the lists; then lists that keep both rules; then a program without lists.
    window.StartProgram(sim::Eeprom{}, std::nullopt, Steps({0, 4, 6}));
    EXPECT_EQ(marks(), QString::fromUtf8(kMissed) + QString::fromUtf8(kMet));
    window.StartProgram(sim::Eeprom{}, std::nullopt, Steps({0, 2, 6}));
    EXPECT_EQ(marks(), QString::fromUtf8(kMet) + QString::fromUtf8(kMet));
    EXPECT_FALSE(window.RuleCheck().broken);
    EXPECT_EQ(panel->ResultText(), UiString(str::kMissionUnderWay));
    // Another mission checks the same lists against its own rules: the bay allows no turns.
    ASSERT_TRUE(window.SetMission(QStringLiteral("bay")));
    rows = panel->RowTexts();
    EXPECT_TRUE(rows.back().startsWith(QString::fromUtf8(kMissed))) << rows.back().toStdString();
    ASSERT_TRUE(window.RuleCheck().broken);
    EXPECT_EQ(window.RuleCheck().broken->step, (sim::StepRef{sim::kMainList, 2}));
    window.StartProgram(sim::Eeprom{});
    EXPECT_TRUE(panel->RowTexts().back().startsWith(QString::fromUtf8(kOpen)));
}

TEST(MissionRules, ATileTheMissionDoesNotAllowIsNotedInTheHelpAreaAndStillGoesIn) {
    TMainForm main;
    main.BuildForMode(model::TMode::Beginner);
    TSimulatorForm simulator(&main);
    main.SetSimulator(&simulator);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ASSERT_TRUE(simulator.SetMission(QStringLiteral("square")));
    const auto help = [&main] { return main.HelpMemo()->toPlainText(); };
    const auto drop = [&main](int kind) {
        TActionGrid* grid = main.Grid(model::kMainList);
        main.Lists()->DropAction(model::kMainList, grid->viewport()->mapTo(&main, QPoint(20, 20)),
                                 kind);
    };
    const auto note = [](char letter) {
        return UiString(str::kHelpMissionForbidsTile)
            .arg(UiString(str::kMissionSquareTitle), StepKindText(letter));
    };

    const QString before = help();
    drop(model::akForward);
    EXPECT_EQ(help(), before);
    drop(model::akRotateRight);
    EXPECT_EQ(help(), note('I'));
    EXPECT_EQ(main.Document()->Count(model::kMainList), 2);
    main.ActionDblClick(model::akBackward);  // the palette's double click appends
    EXPECT_EQ(help(), note('B'));
    EXPECT_EQ(main.Document()->Count(model::kMainList), 3);

    // Without a mission every tile is welcome.
    ASSERT_TRUE(simulator.SetMission(QString()));
    main.ActionDblClick(model::akForward);
    drop(model::akRotateRight);
    EXPECT_EQ(help(), note('B'));
    simulator.close();
}

}  // namespace
}  // namespace kavrin::ui
