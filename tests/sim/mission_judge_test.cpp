// Judging a mission while a program drives: reach order, stop times, touching, the limit, a
// program that ends early, moves by hand, power-on, and the verdict's independence of how time
// is sliced.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/mission_words.h"
#include "sim/simulation.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

// Both wheels at full speed (about 17.3 cm/s) for that many drive cycles of about 22 ms, then END.
std::string Drive(int cycles, int pauseMs = 0) {
    std::string program;
    if (pauseMs > 0) program += "PAUSE " + std::to_string(pauseMs) + "\r\n";
    program += "FOR W1 = 1 TO " + std::to_string(cycles) +
               ": PULSOUT 13, 850: PULSOUT 12, 650: PAUSE 18: NEXT\r\nEND\r\n";
    return program;
}

struct Judged {
    std::vector<std::string> events;  // "1.162 reached N"
    Verdict verdict = Verdict::Open;
    Failure failure = Failure::None;
    VirtualTime decidedAt = -1;
    std::string text;          // the verdict's line
    double programEnded = -1;  // seconds

    double Seconds() const { return static_cast<double>(decidedAt) / kMicrosPerSecond; }
};

Judged Collect(Simulation& simulation, Judged run, VirtualTime now) {
    for (const MissionEvent& e : simulation.TakeMissionEvents()) {
        char time[32];
        std::snprintf(time, sizeof time, "%.3f ", static_cast<double>(e.time) / kMicrosPerSecond);
        run.events.push_back(time + MissionEventText(simulation.Judge()->GetMission(), e));
    }
    const MissionJudge& judge = *simulation.Judge();
    run.verdict = judge.GetVerdict();
    run.failure = judge.GetFailure();
    run.decidedAt = judge.DecidedAt();
    run.text = VerdictText(judge, now);
    if (simulation.Cpu().Halted()) {
        run.programEnded = static_cast<double>(simulation.Cpu().StopTime()) / kMicrosPerSecond;
    }
    return run;
}

// The mission's task lines on a 200 x 150 table with the robot at 30 75 facing +x.
Judged Judge(const std::string& tasks, const std::string& program, double seconds,
             VirtualTime slice = 10 * kMicrosPerMs) {
    const MissionResult mission =
        ParseMission("table 200 150\nstart 30 75 0\n" + tasks, "t.mission");
    EXPECT_TRUE(mission.mission) << mission.error;
    if (!mission.mission) return {};
    Simulation simulation(mission.mission->arena);
    simulation.SetMission(*mission.mission);
    simulation.Load(test::CompileImage(program));
    const auto end = static_cast<VirtualTime>(seconds * kMicrosPerSecond);
    Judged run;
    while (simulation.Now() < end) {
        simulation.RunUntil(std::min(end, simulation.Now() + slice));
        run = Collect(simulation, std::move(run), simulation.Now());
    }
    return run;
}

constexpr char kTwoZones[] = "zone N 50 65 10 20\nzone F 80 65 10 20\n";

TEST(MissionJudge, ReachesCountOnlyInTheOrderWritten) {
    const Judged inOrder = Judge(std::string(kTwoZones) + "reach N\nreach F\n", Drive(200), 6);
    ASSERT_EQ(inOrder.events.size(), 2u);
    EXPECT_EQ(inOrder.events[0].substr(5), " reached N");
    EXPECT_EQ(inOrder.events[1].substr(5), " reached F");
    EXPECT_EQ(inOrder.verdict, Verdict::Passed);
    // 20 cm then 50 cm at full speed: the point enters a zone the step it gets there.
    const double n = std::stod(inOrder.events[0]);
    const double f = std::stod(inOrder.events[1]);
    EXPECT_NEAR(n, 20 / RobotGeometry{}.TopSpeed(), 0.05);
    EXPECT_NEAR(f, 50 / RobotGeometry{}.TopSpeed(), 0.05);
    EXPECT_DOUBLE_EQ(inOrder.Seconds(), f);
    char passed[64];
    std::snprintf(passed, sizeof passed, "mission passed in %.1f s", f);
    EXPECT_EQ(inOrder.text, passed);

    // Passed on the way before it was due, N does not count: the program ends with it open.
    const Judged reversed = Judge(std::string(kTwoZones) + "reach F\nreach N\n", Drive(200), 8);
    ASSERT_EQ(reversed.events.size(), 1u);
    EXPECT_EQ(reversed.events[0].substr(5), " reached F");
    EXPECT_EQ(reversed.verdict, Verdict::NotPassed);
    EXPECT_EQ(reversed.failure, Failure::ProgramEnded);
    EXPECT_NE(reversed.text.find("mission not passed: the program ended at 4."), std::string::npos)
        << reversed.text;
    EXPECT_NE(reversed.text.find(", still to do: reach N"), std::string::npos) << reversed.text;
}

TEST(MissionJudge, AStopNeedsTheRobotStillInItsZoneForItsTimeAfterTheReachesAbove) {
    constexpr char kStart[] = "zone S 20 65 20 20\n";  // round the start
    // Standing through a 2 s pause: met after 1.5 s, though no wheel has turned yet.
    const Judged waiting = Judge(std::string(kStart) + "stop S 1.5\n", Drive(100, 2000), 6);
    EXPECT_EQ(waiting.events, std::vector<std::string>{"1.500 stopped in S 1.5 s"});
    EXPECT_EQ(waiting.text, "mission passed in 1.5 s");
    // Leaving after 2 s, it never stands there 3 s: open when the program ends far away.
    const Judged leaving = Judge(std::string(kStart) + "stop S 3\n", Drive(100, 2000), 8);
    EXPECT_TRUE(leaving.events.empty());
    EXPECT_EQ(leaving.failure, Failure::ProgramEnded);
    EXPECT_NE(leaving.text.find("still to do: stop in S for 3.0 s"), std::string::npos);

    // Driven into F and ended there: the program's end is no failure while the robot stands
    // in the zone; the wheels stop 40 ms after the last pulse, and the second counts from then.
    const Judged parked = Judge("zone F 50 60 40 30\nreach F\nstop F 1\n", Drive(100), 6);
    ASSERT_EQ(parked.events.size(), 2u);
    EXPECT_EQ(parked.events[1].substr(5), " stopped in F 1.0 s");
    EXPECT_EQ(parked.verdict, Verdict::Passed);
    EXPECT_GT(parked.Seconds(), parked.programEnded + 1.0);
    EXPECT_LT(parked.Seconds(), parked.programEnded + 1.05);

    // A stop above every reach counts from power-on; below one, only after it.
    constexpr char kStartAndAhead[] = "zone F 20 65 20 20\nzone E 50 65 10 20\n";
    const Judged first =
        Judge(std::string(kStartAndAhead) + "stop F 0.5\nreach E\n", Drive(100, 1000), 6);
    ASSERT_EQ(first.events.size(), 2u);
    EXPECT_EQ(first.events[0], "0.500 stopped in F 0.5 s");
    EXPECT_EQ(first.verdict, Verdict::Passed);
    const Judged after =
        Judge(std::string(kStartAndAhead) + "reach E\nstop F 0.5\n", Drive(100, 1000), 6);
    EXPECT_EQ(after.events.size(), 1u);  // reached E; F is never stood in after that
    EXPECT_EQ(after.failure, Failure::ProgramEnded);

    // Crossing a zone without stopping is no stop.
    const Judged crossing = Judge("zone C 40 65 10 20\nstop C 0.1\n", Drive(200), 6);
    EXPECT_TRUE(crossing.events.empty());
    EXPECT_EQ(crossing.verdict, Verdict::NotPassed);
}

TEST(MissionJudge, TouchingFailsWhereTheMissionForbidsItNamingWhatWasTouched) {
    const struct {
        const char* table;
        const char* text;
    } cases[] = {
        {"wall 70 0 70 150\n", "touched a wall"},
        {"box 70 60 20 30\n", "touched a box"},
        {"disc 80 75 5\n", "touched a disc"},
        {"wall 30 100 150 100\nbox 40 20 5 5\n", "touched the table's edge"},  // nothing else ahead
    };
    for (const auto& c : cases) {
        const Judged run =
            Judge(std::string(c.table) + "zone Z 0 0 5 5\nreach Z\nno-touch\n", Drive(500), 12);
        ASSERT_EQ(run.events.size(), 1u) << c.table;
        EXPECT_EQ(run.events[0].substr(6), c.text) << run.events[0];
        EXPECT_EQ(run.failure, Failure::Touched);
        EXPECT_EQ(run.text, "mission not passed: " + std::string(c.text) + " at " +
                                run.events[0].substr(0, run.events[0].find('.') + 2) + " s");
    }
    // Touching allowed, the contact decides nothing: the robot pushes on until the program ends.
    const Judged allowed = Judge("wall 70 0 70 150\nzone Z 0 0 5 5\nreach Z\n", Drive(200), 6);
    EXPECT_TRUE(allowed.events.empty());
    EXPECT_EQ(allowed.failure, Failure::ProgramEnded);
}

TEST(MissionJudge, TheLimitDecidesAtItsTimeAndNothingLaterCounts) {
    // F is reached after about 4 s, too late for a 3 s limit.
    const Judged late = Judge("zone F 100 65 10 20\nreach F\nlimit 3\n", Drive(300), 8);
    EXPECT_TRUE(late.events.empty());
    EXPECT_EQ(late.failure, Failure::TimeUp);
    EXPECT_EQ(late.decidedAt, 3 * kMicrosPerSecond);
    EXPECT_EQ(late.text, "mission not passed: time ran out at 3.0 s, still to do: reach F");
    // A stop met exactly at the limit is in time.
    const Judged justInTime =
        Judge("zone S 20 65 20 20\nstop S 1.5\nlimit 1.5\n", Drive(10, 2000), 3);
    EXPECT_EQ(justInTime.text, "mission passed in 1.5 s");
    // Run for less than the limit, the mission is still open and says what is left.
    const Judged cut = Judge("zone F 100 65 10 20\nreach F\nstop F 1\nlimit 30\n", Drive(300), 2);
    EXPECT_EQ(cut.verdict, Verdict::Open);
    EXPECT_EQ(
        cut.text,
        "mission not passed: the run ended at 2.0 s, still to do: reach F, stop in F for 1.0 s");
}

TEST(MissionJudge, TheVerdictIsTheSameHoweverTimeIsSliced) {
    const std::string tasks = "zone P 70 60 30 30\nreach P\nstop P 0.7\nno-touch\nlimit 20\n";
    const Judged reference = Judge(tasks, Drive(120, 500), 8);
    ASSERT_EQ(reference.verdict, Verdict::Passed);
    for (const VirtualTime slice :
         {VirtualTime{97}, VirtualTime{1'001}, 16 * kMicrosPerMs, 250 * kMicrosPerMs}) {
        const Judged run = Judge(tasks, Drive(120, 500), 8, slice);
        EXPECT_EQ(run.events, reference.events) << slice;
        EXPECT_EQ(run.decidedAt, reference.decidedAt) << slice;
    }
}

TEST(MissionJudge, AMoveByHandFailsItAndPowerOnStartsItOver) {
    const Mission mission =
        *ParseMission("zone F 60 65 20 20\nreach F\nlimit 10\n", "hand.mission").mission;
    Simulation simulation(mission.arena);
    simulation.SetMission(mission);
    // Switched off, the robot may be put anywhere.
    simulation.PowerOff();
    ASSERT_TRUE(simulation.Place({40, 75, 0}));
    EXPECT_EQ(simulation.Judge()->GetVerdict(), Verdict::Open);

    simulation.Load(test::CompileImage(Drive(200)));
    simulation.RunFor(kMicrosPerSecond);
    ASSERT_TRUE(simulation.Place({70, 75, 0}));  // straight into F
    simulation.RunFor(kMicrosPerSecond);
    EXPECT_EQ(simulation.Judge()->GetFailure(), Failure::MovedByHand);
    EXPECT_EQ(VerdictText(*simulation.Judge(), simulation.Now()),
              "mission not passed: the robot was moved by hand at 1.0 s");
    EXPECT_TRUE(simulation.TakeMissionEvents().empty());

    simulation.PowerOn();
    EXPECT_EQ(simulation.Judge()->GetVerdict(), Verdict::Open);
    EXPECT_FALSE(simulation.Judge()->Progress()[0].met);
    simulation.RunFor(4 * kMicrosPerSecond);
    EXPECT_EQ(simulation.Judge()->GetVerdict(), Verdict::Passed);
    EXPECT_EQ(simulation.TakeMissionEvents().size(), 1u);

    // A plain arena ends the mission.
    simulation.SetArena(mission.arena);
    EXPECT_EQ(simulation.Judge(), nullptr);
}

}  // namespace
}  // namespace kavrin::sim
