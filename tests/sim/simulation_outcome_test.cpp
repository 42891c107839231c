// Generated robot programs driving the virtual robot in the built-in arenas. The checks are on
// outcomes (where the robot ends up, what it touches, how it reacts), not on exact figures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "sim/simulation.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

using namespace model;

struct Step {
    Step(std::uint8_t k, std::int16_t v, std::array<std::uint8_t, kSensorColumnCount> s = {})
        : kind(k), value(v), sensors(s) {}
    std::uint8_t kind;
    std::int16_t value;
    std::array<std::uint8_t, kSensorColumnCount> sensors;
};

struct Lists {
    std::vector<Step> main;
    std::vector<std::pair<int, std::vector<Step>>> sets;  // list number and its steps
};

Eeprom GeneratedLists(const Lists& lists, TMode mode, bool sensors) {
    TActionProgram program;
    auto fill = [&program](int list, const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            const int row = ++program.Count(list);
            program.Step(list, row) = TBotAction{s.kind, s.value, s.sensors};
        }
    };
    fill(kMainList, lists.main);
    for (const auto& [list, steps] : lists.sets) fill(list, steps);
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(program, mode, sensors, text).ok);
    return test::CompileSource(text.WholeText());
}

Eeprom Generated(const std::vector<Step>& main, TMode mode, bool sensors) {
    return GeneratedLists(Lists{main, {}}, mode, sensors);
}

struct Sample {
    VirtualTime time;
    Pose pose;
    friend bool operator==(const Sample&, const Sample&) = default;
};

struct Outcome {
    std::vector<Sample> samples;  // every 10 ms
    std::vector<WorldEvent> events;
    Arena arena;

    const Pose& Final() const { return samples.back().pose; }
    // The pose at (or just after) a time.
    Pose At(VirtualTime t) const {
        for (const Sample& s : samples)
            if (s.time >= t) return s.pose;
        return Final();
    }
    const WorldEvent* First(WorldEventKind kind) const {
        for (const WorldEvent& e : events)
            if (e.kind == kind && e.on) return &e;
        return nullptr;
    }
    // The least and the greatest heading (degrees) between two times.
    std::pair<double, double> Headings(VirtualTime from, VirtualTime to) const {
        double low = 360, high = -360;
        for (const Sample& s : samples) {
            if (s.time < from || s.time > to) continue;
            low = std::min(low, s.pose.HeadingDegrees());
            high = std::max(high, s.pose.HeadingDegrees());
        }
        return {low, high};
    }
    double MaxX() const {
        double x = -1e9;
        for (const Sample& s : samples) x = std::max(x, s.pose.x);
        return x;
    }
};

Outcome Simulate(const Eeprom& image, const char* arenaName, double seconds,
                 RobotGeometry geometry = {}) {
    Outcome run;
    run.arena = *BuiltInArena(arenaName);
    Simulation simulation(run.arena, geometry);
    simulation.Load(image);
    const auto end = static_cast<VirtualTime>(seconds * kMicrosPerSecond);
    while (simulation.Now() < end) {
        simulation.RunFor(10 * kMicrosPerMs);
        run.samples.push_back({simulation.Now(), simulation.Body().CurrentPose()});
        for (const WorldEvent& e : simulation.TakeEvents()) run.events.push_back(e);
    }
    EXPECT_NE(simulation.Cpu().State(), ProcessorState::Faulted) << simulation.Cpu().Diagnostic();
    return run;
}

// The x of the wall across the table ahead of the start.
double WallAheadX(const Arena& arena) {
    for (const Segment& w : arena.walls)
        if (w.a.x == w.b.x && w.a.x > arena.start.x) return w.a.x;
    ADD_FAILURE() << "no wall ahead in " << arena.name;
    return 0;
}

constexpr double kFront = RobotGeometry{}.bodyFront;

TEST(SimulationOutcome, ForwardDrivesStraightAheadAndRotateRightTurnsClockwise) {
    const Outcome forward =
        Simulate(Generated({{akForward, 20}}, TMode::Beginner, false), "open", 8.0);
    const Pose& start = forward.arena.start;
    const Pose& end = forward.Final();
    EXPECT_GE(end.x - start.x, 35.0);
    EXPECT_LE(end.x - start.x, 45.0);
    EXPECT_NEAR(end.y, start.y, 1.0);
    EXPECT_NEAR(end.HeadingDegrees(), 0.0, 2.0);
    EXPECT_TRUE(forward.events.empty());

    const Outcome rotate =
        Simulate(Generated({{akRotateRight, 10}}, TMode::Beginner, false), "open", 7.0);
    EXPECT_LT(rotate.Final().HeadingDegrees(), -20.0);  // clockwise seen from above
    EXPECT_LT(std::hypot(rotate.Final().x - start.x, rotate.Final().y - start.y),
              2.0);  // on the spot
}

TEST(SimulationOutcome, BeginnerSensorsBackUpAndTurnWithoutPassingTheWall) {
    const Eeprom image = Generated({{akForward, 255}, {akGoBack, 1}}, TMode::Beginner, true);
    // Backed up within a second and a half of the first warning, turned well round within four.
    auto backsUpAndTurns = [](const Outcome& run, const WorldEvent& warning) {
        EXPECT_LT(run.At(warning.time + 1500 * kMicrosPerMs).x, run.At(warning.time).x - 5.0);
        const auto [low, high] = run.Headings(warning.time, warning.time + 4 * kMicrosPerSecond);
        EXPECT_GT(std::max(-low, high), 90.0);
    };

    // The infrared detectors see the wall first; the robot keeps clear of it.
    const Outcome run = Simulate(image, "wall-ahead", 20.0);
    const double wall = WallAheadX(run.arena);
    const WorldEvent* seen = run.First(WorldEventKind::Infrared);
    ASSERT_NE(seen, nullptr);
    backsUpAndTurns(run, *seen);
    EXPECT_LT(run.MaxX() + kFront, wall);

    // With the detectors blind, a whisker touches the wall, and the robot backs off the same way.
    RobotGeometry blind;
    blind.irRangeAtPeak = 0;
    const Outcome touching = Simulate(image, "wall-ahead", 20.0, blind);
    const WorldEvent* touch = touching.First(WorldEventKind::Whisker);
    ASSERT_NE(touch, nullptr);
    backsUpAndTurns(touching, *touch);
    EXPECT_LT(touching.MaxX() + kFront,
              wall);  // the body never reaches, let alone passes, the wall

    // With the sensors off the robot drives on until the wall stops it, facing it.
    const Outcome off =
        Simulate(Generated({{akForward, 255}}, TMode::Beginner, false), "wall-ahead", 12.0);
    EXPECT_NE(off.First(WorldEventKind::Contact), nullptr);
    EXPECT_LT(off.MaxX() + kFront, wall + 0.01);
    EXPECT_GT(off.Final().x + kFront, wall - 1.0);
    EXPECT_NEAR(off.Final().HeadingDegrees(), 0.0, 2.0);
}

TEST(SimulationOutcome, AdvancedBothColumnReactsWithItsSet) {
    // Both infrared detectors see the wall ahead at once: the Both column's set runs.
    auto program = [](std::uint8_t bothSet) {
        return Lists{{{akForward, 100, {bothSet, 0, 0}}},
                     {{kSensorSetAll, {{akRotateRight, 5}}}, {kSensorSet2, {{akRotateLeft, 5}}}}};
    };
    const Outcome set2 =
        Simulate(GeneratedLists(program(2), TMode::Advanced, false), "wall-ahead", 10.0);
    const WorldEvent* seen = set2.First(WorldEventKind::Infrared);
    ASSERT_NE(seen, nullptr);
    const auto [low2, high2] = set2.Headings(seen->time, seen->time + 600 * kMicrosPerMs);
    EXPECT_GT(high2, 15.0);  // rotated left
    EXPECT_GT(low2, -2.0);

    const Outcome setAll =
        Simulate(GeneratedLists(program(0), TMode::Advanced, false), "wall-ahead", 10.0);
    seen = setAll.First(WorldEventKind::Infrared);
    ASSERT_NE(seen, nullptr);
    const auto [lowAll, highAll] = setAll.Headings(seen->time, seen->time + 600 * kMicrosPerMs);
    EXPECT_LT(lowAll, -15.0);  // rotated right
    EXPECT_LT(highAll, 2.0);
}

TEST(SimulationOutcome, TheSameRunTwiceGivesTheSameTrace) {
    const Eeprom image = Generated(
        {{akForward, 30}, {akTurnLeft, 20}, {akForward, 40}, {akGoBack, 3}}, TMode::Beginner, true);
    const Outcome first = Simulate(image, "maze", 25.0);
    const Outcome second = Simulate(image, "maze", 25.0);
    EXPECT_EQ(first.samples, second.samples);
    EXPECT_EQ(first.events, second.events);
    EXPECT_FALSE(first.events.empty());
}

TEST(SimulationOutcome, PowerCycleRestartsAtTheStartAndOffFreezesTime) {
    Simulation simulation(*BuiltInArena("open"));
    simulation.Load(Generated({{akForward, 50}}, TMode::Beginner, false));
    simulation.RunUntil(6 * kMicrosPerSecond);
    EXPECT_GT(simulation.Body().CurrentPose().x, simulation.Body().GetArena().start.x + 5);
    simulation.PowerOff();
    simulation.RunFor(kMicrosPerSecond);
    EXPECT_EQ(simulation.Now(), 6 * kMicrosPerSecond);
    simulation.PowerOn();
    EXPECT_EQ(simulation.Now(), 0);
    EXPECT_EQ(simulation.Body().CurrentPose(), simulation.Body().GetArena().start);
    simulation.RunUntil(6 * kMicrosPerSecond);  // the program runs again from its beginning
    EXPECT_GT(simulation.Body().CurrentPose().x, simulation.Body().GetArena().start.x + 5);
}

TEST(SimulationOutcome, PoseTextRoundsToOneDecimalWithHeadingInRange) {
    EXPECT_EQ(PoseText({61.34, 75.25, -0.4 * std::numbers::pi / 180}), "61.3 75.3 -0.4");
    EXPECT_EQ(PoseText({0.01, -0.02, std::numbers::pi}), "0.0 0.0 180.0");
    EXPECT_EQ(PoseText({1, 2, -179.97 * std::numbers::pi / 180}), "1.0 2.0 180.0");
}

}  // namespace
}  // namespace kavrin::sim
