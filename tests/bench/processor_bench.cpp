// Processor speed: the generated 255-step motion program on the virtual module, as virtual
// seconds per CPU second (the simulator needs it well above 1; the aim is at least 1,000), alone
// and driving the robot through the maze (target: 60 virtual seconds in under 1 s of CPU).

#include <benchmark/benchmark.h>

#include <string>

#include "motion_image.h"
#include "sim/processor.h"
#include "sim/recording_body.h"
#include "sim/simulation.h"

namespace {

using namespace kavrin;
using bench::MotionImage;

constexpr sim::VirtualTime kVirtualPerIteration = 60 * sim::kMicrosPerSecond;

void BM_MotionProgram(benchmark::State& state) {
    static const sim::Eeprom image = MotionImage();
    sim::RecordingBody body;
    body.keepEvents = false;
    body.inputs.fill(true);  // no sensor fires
    // Made once: the loop times the run alone. Each iteration starts the program afresh
    // (Reset), and virtual time goes on from where the last one ended.
    sim::Processor cpu(body);
    cpu.Load(image);
    double virtualSeconds = 0;
    for (auto _ : state) {
        cpu.Reset();
        const sim::VirtualTime start = cpu.Now();
        cpu.Run(start + kVirtualPerIteration);
        if (cpu.Halted()) state.SkipWithError("the motion program stopped early");
        virtualSeconds += static_cast<double>(cpu.Now() - start) / sim::kMicrosPerSecond;
    }
    // Divided by the CPU time of the run: virtual seconds per CPU second.
    state.counters["virtual_s_per_cpu_s"] = benchmark::Counter(virtualSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MotionProgram)->Unit(benchmark::kMillisecond);

// The same program on the robot in the maze, sensors on: one iteration is 60 virtual seconds.
void BM_MotionProgramInTheMaze(benchmark::State& state) {
    static const sim::Eeprom image = MotionImage();
    for (auto _ : state) {
        sim::Simulation simulation(*sim::BuiltInArena("maze"));
        simulation.Load(image);
        simulation.RunUntil(kVirtualPerIteration);
        if (simulation.Cpu().Halted()) state.SkipWithError("the motion program stopped early");
        benchmark::DoNotOptimize(simulation.Body().CurrentPose());
    }
}
BENCHMARK(BM_MotionProgramInTheMaze)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
