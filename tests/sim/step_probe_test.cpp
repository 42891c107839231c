// The running step read from the generated motion program's variables, checked against what the
// program does: the command each step sends to the wheels, and the sensor sets it runs when the
// sensors fire.

#include <gtest/gtest.h>

#include <vector>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "sim/arena.h"
#include "sim/simulation.h"
#include "sim/step_probe.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

using namespace test;
using model::TBotAction;

constexpr int kRightWhiskerPin = 7;
constexpr VirtualTime kCheck = 5 * kMicrosPerMs;

struct Built {
    Eeprom image{};
    StepVariables variables{};
};

Built Build(const model::TActionProgram& program, model::TMode mode) {
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(program, mode, false, text).ok);
    Built built;
    built.image = CompileSource(text.WholeText());
    const auto found =
        FindStepVariables([](std::string_view n) { return TestTokenizer().FindVariable(n); });
    EXPECT_TRUE(found.has_value());
    if (found) built.variables = *found;
    return built;
}

void Add(model::TActionProgram& program, int list, TBotAction step) {
    program.Step(list, ++program.Count(list)) = step;
}

// A step as it was seen, and for how long.
struct Seen {
    RunningStep step;
    VirtualTime from = 0, to = 0;
};

// The processor on a body whose inputs a test sets, probed every 5 ms as the simulation does.
struct ProbedRig {
    RecordingBody body;
    Processor cpu{body};
    StepProbe probe;
    RunningStep last;
    std::vector<Seen> seen;

    explicit ProbedRig(const Built& built) : probe(built.variables, built.image) {
        body.keepEvents = false;
        body.inputs.fill(true);  // whiskers free, detectors see nothing (both read high)
        cpu.Load(built.image);
    }

    void RunFor(VirtualTime duration) {
        const VirtualTime end = cpu.Now() + duration;
        for (VirtualTime t = (cpu.Now() / kCheck + 1) * kCheck; t <= end; t += kCheck) {
            cpu.Run(t);
            const auto read = probe.Read(cpu);
            if (!read) continue;
            if (seen.empty() || read->at != last.at || read->interrupted != last.interrupted) {
                seen.push_back({*read, t, t});
            }
            seen.back().to = t;
            last = *read;
        }
    }
};

double Seconds(VirtualTime t) { return static_cast<double>(t) / kMicrosPerSecond; }

TEST(StepProbe, FollowsTheMainListThroughAGoBackAndEndsWithTheProgram) {
    model::TActionProgram program;
    Add(program, model::kMainList, {model::akForward, 10, {}});
    Add(program, model::kMainList, {model::akTurnLeft, 8, {}});
    Add(program, model::kMainList, {model::akGoBack, 1, {}});
    ProbedRig rig(Build(program, model::TMode::Beginner));
    rig.RunFor(3 * kMicrosPerSecond);
    ASSERT_EQ(rig.seen.size(), 1u);
    EXPECT_FALSE(rig.seen[0].step.at.Runs()) << "nothing runs during the start delay";

    rig.RunFor(8 * kMicrosPerSecond);
    // Steps 1 and 2 take turns; the go-back step itself is seen only for the instant it takes.
    std::vector<int> order;
    for (const Seen& s : rig.seen) {
        if (!s.step.at.Runs()) continue;
        EXPECT_EQ(s.step.at.list, kMainList);
        if (s.step.at.step == 3) {
            EXPECT_LE(s.to - s.from, kCheck);
            continue;
        }
        order.push_back(s.step.at.step);
        if (&s == &rig.seen.back()) continue;
        // Each lasts its duration plus the wheels' ramp (under half a second), and sends its own
        // command.
        const double duration = s.step.at.step == 1 ? 1.0 : 0.8;
        EXPECT_GE(Seconds(s.to - s.from), duration) << "step " << s.step.at.step;
        EXPECT_LE(Seconds(s.to - s.from), duration + 0.5) << "step " << s.step.at.step;
        EXPECT_EQ(s.step.command, s.step.at.step == 1 ? 'F' : 'L');
    }
    ASSERT_GE(order.size(), 6u);
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i % 2 == 0 ? 1 : 2) << i;
    EXPECT_NEAR(Seconds(rig.seen[1].from), 3.5, 0.05);
}

TEST(StepProbe, TimeLeftCountsDownAndAStopEndsWithNoStep) {
    model::TActionProgram program;
    Add(program, model::kMainList, {model::akForward, 20, {}});
    Add(program, model::kMainList, {model::akStopWait, 10, {}});
    ProbedRig rig(Build(program, model::TMode::Beginner));
    rig.RunFor(4'500 * kMicrosPerMs);  // one second into the forward step, the ramp's 0.45 s in it
    ASSERT_EQ(rig.last.at, (StepRef{kMainList, 1}));
    EXPECT_NEAR(Seconds(rig.last.left), 1.45, 0.1);
    rig.RunFor(1'500 * kMicrosPerMs);
    ASSERT_EQ(rig.last.at, (StepRef{kMainList, 2}));
    EXPECT_GT(rig.last.left, 0);
    EXPECT_LE(rig.last.left, 1 * kMicrosPerSecond);
    rig.RunFor(3 * kMicrosPerSecond);
    EXPECT_TRUE(rig.cpu.Halted());
    EXPECT_FALSE(rig.last.at.Runs());
}

// Every column pointed at set n: a whisker runs set n (list 2 + n) to its end, with the main step
// it interrupted, and the main step resumes after it.
class EverySensorSet : public testing::TestWithParam<int> {};

TEST_P(EverySensorSet, RunsWithTheInterruptedMainStepAndResumes) {
    const int set = GetParam();
    const int list = kSetAllList + set;
    const auto n = static_cast<std::uint8_t>(set);
    model::TActionProgram program;
    Add(program, model::kMainList,
        {model::akStopWait, 5, {}});  // "C" pairs stand before step 2's item
    Add(program, model::kMainList, {model::akForward, 40, {n, n, n}});
    Add(program, list, {model::akBackward, 3, {}});
    Add(program, list, {model::akRotateRight, 4, {}});
    const Built built = Build(program, model::TMode::Advanced);
    ASSERT_EQ(StepMap::FromImage(built.image).StepCount(kMainList), 2);
    ProbedRig rig(built);
    rig.RunFor(5 * kMicrosPerSecond);
    ASSERT_EQ(rig.last.at, (StepRef{kMainList, 2}));
    rig.body.inputs[kRightWhiskerPin] = false;  // pressed for a moment
    rig.RunFor(40 * kMicrosPerMs);
    rig.body.inputs[kRightWhiskerPin] = true;
    rig.RunFor(2 * kMicrosPerSecond);

    std::vector<StepRef> order;
    for (const Seen& s : rig.seen) order.push_back(s.step.at);
    const std::vector<StepRef> expected{{},        {kMainList, 1}, {kMainList, 2},
                                        {list, 1}, {list, 2},      {kMainList, 2}};
    ASSERT_EQ(order, expected);
    EXPECT_EQ(rig.seen[3].step.interrupted, 2);
    EXPECT_EQ(rig.seen[3].step.command, 'B');
    EXPECT_EQ(rig.seen[4].step.interrupted, 2);
    // 0.3 s backward, and the wheels' ramp from full forward to full backward first.
    EXPECT_GE(Seconds(rig.seen[3].to - rig.seen[3].from), 0.3);
    EXPECT_LE(Seconds(rig.seen[3].to - rig.seen[3].from), 1.5);
}

INSTANTIATE_TEST_SUITE_P(Sets, EverySensorSet, testing::Range(0, model::kSensorSetCount));

TEST(StepMap, ColumnPairsBelongToTheStepTheyPrecede) {
    model::TActionProgram program;
    Add(program, model::kMainList, {model::akForward, 5, {1, 2, 3}});
    Add(program, model::kMainList, {model::akTurnRight, 5, {4, 2, 0}});
    Add(program, model::kMainList, {model::akGoBack, 1, {0, 0, 0}});
    Add(program, model::kSensorSet4, {model::akRotateLeft, 5, {}});
    const StepMap map = StepMap::FromImage(Build(program, model::TMode::Advanced).image);
    EXPECT_EQ(map.StepCount(kMainList), 3);
    EXPECT_EQ(map.Letter({kMainList, 1}), 'F');
    EXPECT_EQ(map.Letter({kMainList, 2}), 'R');
    EXPECT_EQ(map.Letter({kMainList, 3}), 'G');
    // Three "C" pairs, then step 1's own pair.
    for (int pair = 0; pair < 4; ++pair)
        EXPECT_EQ(map.StepAt(kMainList, kMainListStart + 2 * pair), 1);
    EXPECT_EQ(map.StepAt(kMainList, kMainListStart + 1), 0);
    EXPECT_EQ(map.StepCount(kSetAllList), 0);
    EXPECT_EQ(map.StepCount(kSetAllList + 4), 1);
    EXPECT_EQ(map.Letter({kSetAllList + 4, 1}), 'E');
    EXPECT_EQ(map.Letter({kSetAllList + 4, 2}), 0);
    // The command line names them as the tiles do.
    EXPECT_EQ(EnglishStepText({kMainList, 2}, map.Letter({kMainList, 2})), "step 2 (turn right)");
    EXPECT_EQ(EnglishStepText({kSetAllList + 4, 1}, map.Letter({kSetAllList + 4, 1})),
              "step 1 of Sensor Set 4 (rotate left)");
    EXPECT_EQ(EnglishStepText({kSetAllList, 3}, 0), "step 3 of Sensor Set All");
}

TEST(StepProbe, NeedsEveryVariableOfTheMotionProgram) {
    CompileImage("X VAR Word\r\nX = 1\r\n");
    EXPECT_FALSE(
        FindStepVariables([](std::string_view n) { return TestTokenizer().FindVariable(n); }));
    EXPECT_EQ(TestTokenizer().FindVariable("x"), (wire::VariableLocation{3, 3}));
}

// The simulation records the same run the probe sees: samples every 20 ms, step marks, and the
// step that stopped a run one step at a time.
TEST(RunRecordOfASimulation, SamplesEveryTwentyMsAndMarksEachStep) {
    model::TActionProgram program;
    Add(program, model::kMainList, {model::akForward, 5, {}});
    Add(program, model::kMainList, {model::akRotateLeft, 5, {}});
    const Built built = Build(program, model::TMode::Beginner);
    Simulation simulation(*BuiltInArena("open"));
    simulation.Load(built.image, built.variables);
    EXPECT_FALSE(simulation.RunUntilNextStep(3 * kMicrosPerSecond));
    ASSERT_TRUE(simulation.RunUntilNextStep(10 * kMicrosPerSecond));
    EXPECT_EQ(simulation.Running().at, (StepRef{kMainList, 1}));
    EXPECT_NEAR(Seconds(simulation.Now()), 3.5, 0.01);
    ASSERT_TRUE(simulation.RunUntilNextStep(10 * kMicrosPerSecond));
    EXPECT_EQ(simulation.Running().at, (StepRef{kMainList, 2}));
    const VirtualTime second = simulation.Now();
    simulation.RunUntil(6 * kMicrosPerSecond);

    const RunRecord& record = simulation.Record();
    ASSERT_EQ(record.Samples().size(), 6 * kMicrosPerSecond / kSampleInterval + 1);
    for (std::size_t i = 0; i < record.Samples().size(); ++i)
        ASSERT_EQ(record.Samples()[i].time, static_cast<VirtualTime>(i) * kSampleInterval);
    EXPECT_EQ(record.StepAt(second - 1), (StepRef{kMainList, 1}));
    EXPECT_EQ(record.StepAt(second), (StepRef{kMainList, 2}));
    EXPECT_FALSE(record.StepAt(6 * kMicrosPerSecond).Runs()) << "the program has ended";
    const RunSample& last = record.At(6 * kMicrosPerSecond);
    EXPECT_FLOAT_EQ(last.x, static_cast<float>(simulation.Body().CurrentPose().x));
    EXPECT_GT(record.At(4 * kMicrosPerSecond).x, record.At(3 * kMicrosPerSecond).x)
        << "driving forward";
    EXPECT_EQ(record.At(4 * kMicrosPerSecond).leftDrive, WheelDrive::Forward);
    const RunSample& rotating = record.At(second + 500 * kMicrosPerMs);
    EXPECT_EQ(rotating.leftDrive, WheelDrive::Back) << "rotating left";
    EXPECT_EQ(rotating.rightDrive, WheelDrive::Forward);
    EXPECT_EQ(rotating.command, 'E');
    EXPECT_GT(rotating.leftPulse, 0);

    simulation.PowerOn();
    EXPECT_EQ(simulation.Record().Samples().size(), 1u) << "a power-on starts a new record";
    EXPECT_TRUE(simulation.Record().Marks().empty());
}

// Memory: ten minutes of a loop of short steps stays far under 16 MB; a record filled to its hour
// (or its marks) stops growing, keeps what it has and says so.
TEST(RunRecordOfASimulation, KeepsItsMemoryBoundToItsLimits) {
    model::TActionProgram program;
    Add(program, model::kMainList, {model::akRotateLeft, 1, {}});
    Add(program, model::kMainList, {model::akRotateRight, 1, {}});
    Add(program, model::kMainList, {model::akGoBack, 1, {}});
    const Built built = Build(program, model::TMode::Beginner);
    Simulation simulation(*BuiltInArena("open"));
    simulation.Load(built.image, built.variables);
    simulation.RunUntil(600 * kMicrosPerSecond);
    const RunRecord& tenMinutes = simulation.Record();
    EXPECT_EQ(tenMinutes.Samples().size(), 600 * kMicrosPerSecond / kSampleInterval + 1);
    EXPECT_GT(tenMinutes.Marks().size(), 3'000u) << "a step change every few tenths of a second";
    EXPECT_FALSE(tenMinutes.Full());
    EXPECT_LT(tenMinutes.Bytes(), 2'500'000u);

    RunRecord hour;
    RunSample sample;
    for (std::size_t i = 0; i < kMaxSamples + 500; ++i) {
        sample.time = static_cast<VirtualTime>(i) * kSampleInterval;
        hour.Add(sample);
    }
    EXPECT_TRUE(hour.Full());
    ASSERT_EQ(hour.Samples().size(), kMaxSamples);
    EXPECT_EQ(hour.End(), kMaxRecordedTime);
    EXPECT_LE(hour.Bytes(), kMaxSamples * sizeof(RunSample) + 256 * sizeof(RunMark))
        << "no spare room";
    hour.AddMark({});
    EXPECT_TRUE(hour.Marks().empty()) << "nothing more once full";

    RunRecord marks;
    marks.Add({});
    for (std::size_t i = 0; i <= kMaxMarks; ++i) marks.AddMark({});
    EXPECT_TRUE(marks.Full());
    EXPECT_EQ(marks.Marks().size(), kMaxMarks);
    sample.time = kSampleInterval;
    marks.Add(sample);
    EXPECT_EQ(marks.Samples().size(), 1u)
        << "samples stop with the marks, so a replay's steps stay true";
    EXPECT_LT(marks.Bytes(), 16'000'000u);
}

}  // namespace
}  // namespace kavrin::sim
