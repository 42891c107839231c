// kavrin: the desktop application. The windows come in the order the start-up requires; only
// the start window shows.
//
//   kavrin [FILE.kvn]          start; the file is loaded once the mode is chosen
//   kavrin --screenshots DIR   draw every window into DIR as PNG files and exit

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

#include "app/gui_ports.h"
#include "sim/virtual_robot.h"
#include "ui/code_view.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/screenshots.h"
#include "ui/simulator_window.h"
#include "ui/start_window.h"
#include "ui/test_window.h"

namespace {

constexpr int kUsageExit = 2;
constexpr const char* kScreenshotsOption = "--screenshots";

bool HasScreenshotsOption(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kScreenshotsOption) == 0) return true;
    }
    return false;
}

int RunScreenshots(const QStringList& args) {
    const qsizetype at = args.indexOf(QString::fromLatin1(kScreenshotsOption));
    if (at + 1 >= args.size()) {
        std::fputs("kavrin: --screenshots needs a folder\n", stderr);
        return kUsageExit;
    }
    const kavrin::ui::TScreenshotResult result = kavrin::ui::WriteScreenshots(args[at + 1]);
    for (const QString& path : result.written) {
        std::printf("%s\n", qPrintable(path));
    }
    if (!result.ok) {
        std::fprintf(stderr, "kavrin: %s\n", qPrintable(result.message));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool screenshots = HasScreenshotsOption(argc, argv);
    if (screenshots) {
        // Pictures are drawn without a display and without showing anything to the user.
        qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(Q_OS_WIN)
        // Without a display Qt reads font files itself, from QT_QPA_FONTDIR; on Windows they are
        // in the system's font folder, not beside the program.
        if (!qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) {
            const QString windows = qEnvironmentVariable("WINDIR", QStringLiteral("C:\\Windows"));
            qputenv("QT_QPA_FONTDIR", (windows + QStringLiteral("\\Fonts")).toLocal8Bit());
        }
#endif
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrin"));
    // No display name: the platform would append it to every window title.
    const QStringList args = QApplication::arguments();
    if (screenshots) {
        return RunScreenshots(args);
    }

    // Creation order: start window, main window, progress window, code view, simulator (hidden
    // until a run delivers to "SIM", stacked above the main window); the drag tile is made by the
    // main window at each drag. The run controller comes after the windows, so that a run still
    // going ends before they go; the servo test window uses the controller's link and goes first.
    kavrin::ui::TIntroForm startWindow;
    kavrin::ui::TMainForm mainWindow;
    kavrin::ui::TProgressForm progressWindow;
    kavrin::ui::TCodeForm codeView(&mainWindow);
    kavrin::ui::TSimulatorForm simulator(&mainWindow);
    // One port list for every window: the one the runs use.
    kavrin::ui::TLinkSetup ports = kavrin::app::GuiLinkSetup();
    mainWindow.SetPortEnumerator(ports.enumerate);
    kavrin::ui::TRunController run(progressWindow, std::move(ports));
    kavrin::ui::TTestForm testWindow(run, &mainWindow);

    mainWindow.SetCodeView(&codeView);
    simulator.ConnectRobot(kavrin::sim::SharedRobot());
    mainWindow.SetSimulator(&simulator);
    mainWindow.SetRunController(&run);
    mainWindow.SetTestWindow(&testWindow);
    QObject::connect(&mainWindow, &kavrin::ui::TMainForm::Ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    if (args.size() > 1) {
        mainWindow.SetPendingFile(args.last());
    }
    QObject::connect(&startWindow, &kavrin::ui::TIntroForm::modeChosen, &mainWindow,
                     [&mainWindow](kavrin::model::TMode mode) { mainWindow.ShowForMode(mode); });
    QObject::connect(&startWindow, &kavrin::ui::TIntroForm::closedWithoutMode, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);

    startWindow.show();
    return QApplication::exec();
}
