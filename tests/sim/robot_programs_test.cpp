// The two robot programs the system downloads, run on the processor: the generated motion
// program's pulse train and step timing, and the servo test program's exchange.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "resources/resources.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

using namespace test;

constexpr int kLeftServo = 13, kRightServo = 12;

struct Cycle {
    VirtualTime time;
    unsigned left, right;
};

// The pulses of one drive cycle (left, then right) in order.
std::vector<Cycle> DriveCycles(const std::vector<BodyEvent>& events) {
    std::vector<Cycle> cycles;
    unsigned left = 0;
    VirtualTime at = 0;
    for (const BodyEvent& e : events) {
        if (e.kind != BodyEvent::Kind::Pulse) continue;
        if (e.pin == kLeftServo) {
            left = e.us / 2;
            at = e.time;
        } else if (e.pin == kRightServo) {
            cycles.push_back({at, left, e.us / 2});
        }
    }
    return cycles;
}

Eeprom MotionImage(const std::vector<std::pair<std::uint8_t, std::int16_t>>& steps) {
    model::TActionProgram program;
    for (const auto& [kind, value] : steps) {
        const int row = ++program.Count(model::kMainList);
        program.Step(model::kMainList, row) = model::TBotAction{kind, value, {0, 0, 0}};
    }
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(program, model::TMode::Beginner, false, text).ok);
    return CompileSource(text.WholeText());
}

// The span of the cycles with exactly these widths, from the first to the first cycle after.
double SteadySeconds(const std::vector<Cycle>& cycles, unsigned left, unsigned right) {
    std::size_t first = 0;
    while (first < cycles.size() && !(cycles[first].left == left && cycles[first].right == right))
        ++first;
    std::size_t end = first;
    while (end < cycles.size() && cycles[end].left == left && cycles[end].right == right) ++end;
    if (first == cycles.size() || end == cycles.size()) return 0;
    return static_cast<double>(cycles[end].time - cycles[first].time) / kMicrosPerSecond;
}

TEST(MotionProgram, PulsesFollowTheCommandTableAndStepsLastTheirTime) {
    RecordingBody body;
    Processor cpu(body);
    cpu.Load(MotionImage({{model::akForward, 10},
                          {model::akBackward, 5},
                          {model::akRotateRight, 10},
                          {model::akStopWait, 5}}));
    cpu.Run(12 * kMicrosPerSecond);
    EXPECT_EQ(cpu.State(), ProcessorState::Stopped) << cpu.StopReason();
    const std::vector<Cycle> cycles = DriveCycles(body.events);
    ASSERT_FALSE(cycles.empty());
    // Standing at first (650 + calibration 100), after the 3.5 s start delay.
    EXPECT_NEAR(cycles.front().left, 750, 4);
    EXPECT_NEAR(cycles.front().right, 750, 4);
    EXPECT_GE(cycles.front().time, 3500 * kMicrosPerMs);
    const double forward = SteadySeconds(cycles, 850, 650);
    const double backward = SteadySeconds(cycles, 650, 850);
    const double rotate = SteadySeconds(cycles, 770, 770);
    std::printf("forward 1.0 s: %.3f s, backward 0.5 s: %.3f s, rotate 1.0 s: %.3f s\n", forward,
                backward, rotate);
    EXPECT_NEAR(forward, 1.0, 0.1);
    EXPECT_NEAR(backward, 0.5, 0.05);
    EXPECT_NEAR(rotate, 1.0, 0.1);
    // The ramp moves each wheel by at most 4 a cycle.
    for (std::size_t i = 1; i < cycles.size(); ++i) {
        EXPECT_LE(std::abs(static_cast<int>(cycles[i].left) - static_cast<int>(cycles[i - 1].left)),
                  4);
        EXPECT_LE(
            std::abs(static_cast<int>(cycles[i].right) - static_cast<int>(cycles[i - 1].right)), 4);
    }
}

TEST(TestProgram, AnswersTheExchangeWithTheSensors) {
    RecordingBody body;
    body.inputs.fill(true);  // nothing fires: detectors and whiskers read 1
    body.inputs[5] = false;  // ... except the left whisker
    Processor cpu(body);
    const auto bytes = resources::find(resources::kDataType, resources::kTestProgramId);
    cpu.Load(CompileSource(std::string(bytes.begin(), bytes.end())));
    for (int b : {0xEE, 0x02, 0x52, 0x03})
        cpu.FeedHost(static_cast<std::uint8_t>(b), 0);  // right 750, left 850
    cpu.Run(200 * kMicrosPerMs);
    const std::vector<HostByte> answer = cpu.TakeHostOutput();
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].byte, 0b0100);
    std::vector<std::string> pulses;
    for (const BodyEvent& e : body.events)
        if (e.kind != BodyEvent::Kind::Drive) pulses.push_back(DescribeEvent(e));
    EXPECT_EQ(pulses, (std::vector<std::string>{"FREQOUT 8 1 40000", "FREQOUT 2 1 40000",
                                                "PULSOUT 13 850", "PULSOUT 12 750"}));
    EXPECT_FALSE(cpu.Halted());  // waiting for the next four bytes
}

}  // namespace
}  // namespace kavrin::sim
