// The time from the mode button to the main window on screen: building the face for the mode,
// reading the settings and showing it, with a port enumerator as slow as a machine with many
// serial devices. Prints the median of several windows per mode; the goal is 150 ms.
//
//   kavrin_first_click_bench [ENUMERATE_MS]     (offscreen; 40 ms of enumeration by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "ui/main_window.h"
#include "ui/port_box.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int enumerateMs = argc > 1 ? std::atoi(argv[1]) : 40;
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    constexpr int kWindows = 7;
    for (const auto mode : {kavrin::model::TMode::Beginner, kavrin::model::TMode::Advanced}) {
        std::vector<double> ms;
        for (int i = 0; i < kWindows; ++i) {
            kavrin::ui::TMainForm window;
            window.SetSettingsStore(&store);
            window.SetPortEnumerator([enumerateMs](std::vector<std::string>& list) {
                std::this_thread::sleep_for(std::chrono::milliseconds(enumerateMs));
                list = {"ttyS0", "SIM"};
            });
            QElapsedTimer clock;
            clock.start();
            window.ShowForMode(mode);
            QApplication::processEvents();  // the first paint
            ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            window.PortBox()->EnsureListed();  // no lister outlives its window
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%s: median %.1f ms (min %.1f, max %.1f) to the shown window\n",
                    mode == kavrin::model::TMode::Beginner ? "Beginner" : "Advanced",
                    ms[ms.size() / 2], ms.front(), ms.back());
    }
    return 0;
}
