// How long the UI thread goes without turning its event loop while a program goes to the
// virtual robot at 9,600-baud timing through the progress window. A zero-interval timer runs
// once per turn; the longest gap between two of its runs is the longest the window could not
// repaint or answer a click. Target: under 50 ms.
//
//   kavrin_progress_bench [RUNS]

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "sim/virtual_robot.h"
#include "ui/code_view.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/screenshots.h"

namespace {

constexpr int kDefaultRuns = 3;
constexpr double kTargetMs = 50.0;

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;

    using namespace kavrin;
    auto robot = std::make_shared<sim::VirtualRobot>();
    robot->SetRealTime(true);
    ui::TLinkSetup setup;
    setup.openPort = [robot](std::string_view name) {
        return name == sim::kSimPortName ? robot->Open()
                                         : link::OpenResult{nullptr, link::OpenError::NoSuchPort};
    };
    setup.enumerate = [](std::vector<std::string>& list) { list.emplace_back(sim::kSimPortName); };

    ui::TProgressForm window;
    ui::TCodeForm code;
    ui::TMainForm main;
    ui::TRunController run(window, setup);
    main.BuildForMode(model::TMode::Beginner);
    ui::AddSampleProgram(*main.Document());
    main.SetCodeView(&code);
    main.SetRunController(&run);

    double worstMs = 0.0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        qint64 longestSending = 0;  // while the blocks go out
        long turns = 0;
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, &turn, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            if (window.ProgressBar0()->value() >= 1) {
                longestSending = std::max(longestSending, now - last);
            }
            last = now;
            ++turns;
        });
        QEventLoop loop;
        run::RunOutcome outcome;
        QObject::connect(&run, &ui::TRunController::Finished, &loop, [&](const run::RunOutcome& o) {
            outcome = o;
            loop.quit();
        });
        clock.start();
        turn.start();
        main.Go();
        loop.exec();
        turn.stop();
        const double totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const double gapMs = static_cast<double>(longest) / 1e6;
        worstMs = std::max(worstMs, gapMs);
        std::printf(
            "run %d: %s, %d blocks in %.0f ms, %ld event-loop turns, longest gap %.2f ms "
            "(%.2f ms while sending)\n",
            i + 1, outcome.status == run::RunStatus::Delivered ? "delivered" : "FAILED",
            outcome.blocksSent, totalMs, turns, gapMs, static_cast<double>(longestSending) / 1e6);
    }
    std::printf("longest gap over %d runs: %.2f ms (target under %.0f ms): %s\n", runs, worstMs,
                kTargetMs, worstMs < kTargetMs ? "met" : "MISSED");
    return worstMs < kTargetMs ? 0 : 1;
}
