// The simulator window's CPU load at 1x: the generated 255-step motion program driving the robot
// in the maze for ten seconds of wall time, with the picture redrawn on every frame. Prints the
// process's CPU time (user + system) as a share of one core.
//
//   kavrin_simulator_window_load [SECONDS [SPEED]]    (QT_QPA_PLATFORM=offscreen works too)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "motion_image.h"
#include "ui/simulator_window.h"

namespace {

using namespace kavrin;
using bench::MotionImage;

double CpuSeconds() {
#ifdef CLOCK_PROCESS_CPUTIME_ID
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    ui::TSimulatorForm window;
    window.SetArena(QStringLiteral("maze"));
    window.SetSpeed(argc > 2 ? std::atoi(argv[2]) : 1);
    window.ShowProgram(MotionImage());
    QElapsedTimer wall;
    double cpuAtStart = 0;
    // Measure from the first frame on, past the window's creation.
    QTimer::singleShot(200, &app, [&] {
        wall.start();
        cpuAtStart = CpuSeconds();
        QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    });
    app.exec();
    const double cpu = CpuSeconds() - cpuAtStart;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    std::printf("wall %.2f s, virtual %.2f s, cpu %.3f s: load %.1f %% of one core\n", elapsed,
                static_cast<double>(window.Simulation().Now()) / sim::kMicrosPerSecond, cpu,
                100.0 * cpu / elapsed);
    return 0;
}
