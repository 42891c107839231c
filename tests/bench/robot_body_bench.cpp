// The robot's body: 60 virtual seconds of a program's pin traffic (a pulse to each servo, a
// burst on each infrared LED and four input reads every 20 ms), driving about the maze,
// bumping into its walls and turning away.

#include <benchmark/benchmark.h>

#include "sim/arena.h"
#include "sim/robot_body.h"

namespace {

using namespace kavrin::sim;

void BM_SixtyVirtualSecondsInTheMaze(benchmark::State& state) {
    const Arena maze = *BuiltInArena("maze");
    for (auto _ : state) {
        RobotBody body(maze);
        int events = 0;
        body.SetEventListener([&](const WorldEvent&) { ++events; });
        int backing = 0;
        for (VirtualTime t = 0; t < 60 * kMicrosPerSecond; t += 20 * kMicrosPerMs) {
            const bool back = backing > 0;
            body.OnPulse(13, back ? 1300 : 1700, t);
            body.OnPulse(12, back ? 1700 : 1300, t + 1700);
            body.OnTone(2, 1000, 37'500, 0, t + 3500);
            const bool rightIr = !body.ReadInput(0, t + 4600);
            body.OnTone(8, 1000, 37'500, 0, t + 5000);
            const bool leftIr = !body.ReadInput(9, t + 6100);
            const bool whisker = !body.ReadInput(5, t + 6200) || !body.ReadInput(7, t + 6300);
            if (backing > 0) {
                --backing;
            } else if (whisker || rightIr || leftIr) {
                backing = 25;  // half a second back and round
            }
        }
        benchmark::DoNotOptimize(body.CurrentPose());
        benchmark::DoNotOptimize(events);
    }
}
BENCHMARK(BM_SixtyVirtualSecondsInTheMaze)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
