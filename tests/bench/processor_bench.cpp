// Processor speed: the generated 255-step motion program on the virtual module, as virtual
// seconds per CPU second (the simulator needs it well above 1; the aim is at least 1,000), alone
// and driving the robot through the maze (target: 60 virtual seconds in under 1 s of CPU), and
// there again with a mission judged (target: at most 10 % more than without) and with its steps
// followed (target: the probe and the record at most 10 % over the run as it was before both).

#include <benchmark/benchmark.h>

#include <string>

#include "motion_image.h"
#include "sim/mission.h"
#include "sim/processor.h"
#include "sim/recording_body.h"
#include "sim/simulation.h"

namespace {

using namespace kavrin;
using bench::CompileMotionProgram;
using bench::MotionImage;
using bench::MotionProgram;

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
    state.counters["virtual_s_per_cpu_s"] =
        benchmark::Counter(virtualSeconds, benchmark::Counter::kIsRate);
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

// The same run with its steps followed, as the simulator window runs a program made from the
// lists: the step probe reads the program's variables every 5 ms into the run's record. Beside
// the run above it shows what following the steps costs; the record is kept in both.
void BM_MotionProgramInTheMazeFollowed(benchmark::State& state) {
    static const MotionProgram program = CompileMotionProgram();
    std::size_t steps = 0;
    for (auto _ : state) {
        sim::Simulation simulation(*sim::BuiltInArena("maze"));
        simulation.Load(program.image, program.variables);
        simulation.RunUntil(kVirtualPerIteration);
        if (simulation.Cpu().Halted()) state.SkipWithError("the motion program stopped early");
        steps = simulation.Record().Marks().size();
        state.counters["record_kB"] = static_cast<double>(simulation.Record().Bytes()) / 1024.0;
        benchmark::DoNotOptimize(simulation.Body().CurrentPose());
    }
    state.counters["step_marks"] = static_cast<double>(steps);
}
BENCHMARK(BM_MotionProgramInTheMazeFollowed)->Unit(benchmark::kMillisecond);

// The same run judged: zones and tasks the robot keeps checking and never completes, so the
// judge works the whole minute.
void BM_MotionProgramInTheMazeJudged(benchmark::State& state) {
    static const sim::Eeprom image = MotionImage();
    const sim::MissionResult mission = sim::ParseMission(
        "table 200 150\nwall 50 0 50 100\nwall 100 50 100 150\nwall 150 0 150 100\n"
        "disc 75 25 6\ndisc 125 120 6\nbox 168 40 15 15\nstart 25 25 90\n"
        "zone A 0 140 10 10\nzone B 60 60 30 30\nzone C 110 10 30 30\nzone D 160 110 30 30\n"
        "reach A\nstop B 5\nreach C\nstop D 5\nlimit 3600\n",
        "bench.mission");
    if (!mission.mission) state.SkipWithError(mission.error.c_str());
    for (auto _ : state) {
        sim::Simulation simulation(mission.mission->arena);
        simulation.SetMission(*mission.mission);
        simulation.Load(image);
        simulation.RunUntil(kVirtualPerIteration);
        if (simulation.Cpu().Halted()) state.SkipWithError("the motion program stopped early");
        if (simulation.Judge()->GetVerdict() != sim::Verdict::Open)
            state.SkipWithError("decided early");
        benchmark::DoNotOptimize(simulation.Body().CurrentPose());
    }
}
BENCHMARK(BM_MotionProgramInTheMazeJudged)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
