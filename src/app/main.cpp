// kavrin: the desktop application. The windows come in the order the start-up requires; only
// the start window shows.
//
//   kavrin [--language el|en] [FILE.kvn]          start; the file is loaded once the mode is chosen
//   kavrin [--language el|en] --screenshots DIR   draw every window into DIR as PNG files and exit
//          [--scale N]                            ... as on a screen of N pixels to the unit (2:
//          the
//                                                 pictures at 2x); also for a normal start
//
// The language: the option, else the "Language" setting, else the system's (link/user_data.h).
// A program that a Kavrin no longer running left unsaved is offered before the start window.

#include <QApplication>
#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "app/gui_ports.h"
#include "app/random_edits.h"
#include "link/user_data.h"
#include "model/recovery.h"
#include "sim/virtual_robot.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/qt_texts.h"
#include "ui/recovery_offer.h"
#include "ui/run_controller.h"
#include "ui/screenshots.h"
#include "ui/simulator_window.h"
#include "ui/start_window.h"
#include "ui/test_window.h"

namespace {

constexpr int kUsageExit = 2;
constexpr const char* kScreenshotsOption = "--screenshots";
constexpr const char* kLanguageOption = "--language";
constexpr const char* kScaleOption = "--scale";
constexpr double kLargestScale = 4;

bool HasScreenshotsOption(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kScreenshotsOption) == 0) return true;
    }
    return false;
}

// The value of --scale when it is a number from 1 to 4 (Qt's scale factor, which must be set
// before the application exists); nothing otherwise, which the parsing below reports.
std::optional<QByteArray> ScaleOption(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], kScaleOption) == 0) {
            bool ok = false;
            const double scale = QByteArray(argv[i + 1]).toDouble(&ok);
            if (ok && scale >= 1 && scale <= kLargestScale) return QByteArray(argv[i + 1]);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The command line taken apart: the options with their values, and what is left (the file).
struct TCommandLine {
    std::optional<QString> screenshots;
    QString language;
    QStringList rest;
    QString problem;  // a usage error, empty when there is none
};

TCommandLine ParseCommandLine(const QStringList& args) {
    TCommandLine line;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool screenshots = arg == QLatin1String(kScreenshotsOption);
        const bool scale = arg == QLatin1String(kScaleOption);
        if (!screenshots && !scale && arg != QLatin1String(kLanguageOption)) {
            line.rest.append(arg);
            continue;
        }
        if (i + 1 >= args.size()) {
            line.problem = arg + (screenshots ? QStringLiteral(" needs a folder")
                                  : scale     ? QStringLiteral(" needs a number from 1 to 4")
                                              : QStringLiteral(" needs el or en"));
            return line;
        }
        const QString& value = args[++i];
        if (scale) {
            bool ok = false;
            const double factor = value.toDouble(&ok);
            if (!ok || factor < 1 || factor > kLargestScale) {
                line.problem = QStringLiteral("--scale takes a number from 1 to 4, not ") + value;
                return line;
            }
        } else if (screenshots) {
            line.screenshots = value;
        } else if (!kavrin::resources::LanguageOfCode(value.toStdString())) {
            line.problem = QStringLiteral("--language takes el or en, not ") + value;
            return line;
        } else {
            line.language = value;
        }
    }
    return line;
}

// Every window after the start window, wired together, in creation order: main window, progress
// window, code view, simulator (hidden until a run delivers to "SIM", stacked above the main
// window); the drag tile is made by the main window at each drag. The run controller comes after
// the windows, so that a run still going ends before they go; the servo test window uses the
// controller's link and goes first.
struct TWindows {
    TWindows(kavrin::model::TRecoveryKeeper* recovery, const QStringList& files,
             const kavrin::ui::TLinkSetup& ports = kavrin::app::GuiLinkSetup())
        : run(progress, ports) {
        // One port list for every window: the one the runs use.
        main.SetPortEnumerator(ports.enumerate);
        main.SetCodeView(&codeView);
        simulator.ConnectRobot(kavrin::sim::SharedRobot());
        main.SetSimulator(&simulator);
        main.SetRunController(&run);
        main.SetTestWindow(&test);
        if (recovery != nullptr) {
            main.SetRecoveryKeeper(recovery);
        }
        if (!files.isEmpty()) {
            main.SetPendingFile(files.last());
        }
    }

    kavrin::ui::TMainForm main;
    kavrin::ui::TProgressForm progress;
    kavrin::ui::TCodeForm codeView{&main};
    kavrin::ui::TSimulatorForm simulator{&main};
    kavrin::ui::TRunController run;
    kavrin::ui::TTestForm test{run, &main};
};

int RunScreenshots(const QString& folder) {
    const kavrin::ui::TScreenshotResult result = kavrin::ui::WriteScreenshots(folder);
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
        kavrin::ui::UseSystemFontsWithoutDisplay();
    }
    // Every window as on a screen of that many pixels to the unit; the pictures follow it.
    if (const std::optional<QByteArray> scale = ScaleOption(argc, argv)) {
        qputenv("QT_SCALE_FACTOR", *scale);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavrin"));
    // No display name: the platform would append it to every window title.
    const TCommandLine line = ParseCommandLine(QApplication::arguments());
    if (!line.problem.isEmpty()) {
        std::fprintf(stderr, "kavrin: %s\n", qPrintable(line.problem));
        return kUsageExit;
    }
    // One language for the run, before any window or thread exists; Qt's own texts follow it.
    kavrin::resources::SetLanguage(kavrin::link::UserLanguage(line.language.toStdString()));
    kavrin::ui::InstallQtTexts();
    if (line.screenshots) {
        return RunScreenshots(*line.screenshots);
    }

    // The recovery copy of unsaved changes, in the user's data folder beside the virtual robot's
    // EEPROM; it outlives the main window, which keeps it.
    const std::string dataFolder = kavrin::link::UserDataFolder();
    const std::filesystem::path recoveryFolder(std::u8string(dataFolder.begin(), dataFolder.end()));
    std::optional<kavrin::model::TRecoveryKeeper> recovery;
    if (!dataFolder.empty()) {
        recovery.emplace(recoveryFolder);
    }

    // The start window shows first; the windows it leads to are built once it has been drawn,
    // or at once when a recovered program or the random edits need the main window first.
    kavrin::ui::TIntroForm startWindow;
    std::optional<TWindows> windows;
    const auto mainWindow = [&]() -> kavrin::ui::TMainForm& {
        if (!windows) {
            windows.emplace(recovery ? &*recovery : nullptr, line.rest);
            QObject::connect(&windows->main, &kavrin::ui::TMainForm::Ended, &app,
                             &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return windows->main;
    };
    QObject::connect(&startWindow, &kavrin::ui::TIntroForm::FirstDrawn, &app,
                     [&mainWindow] { mainWindow(); });
    QObject::connect(&startWindow, &kavrin::ui::TIntroForm::ModeChosen, &app,
                     [&mainWindow](kavrin::model::TMode mode) { mainWindow().ShowForMode(mode); });
    QObject::connect(&startWindow, &kavrin::ui::TIntroForm::ClosedWithoutMode, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);

    if (kavrin::app::StartRandomEdits(mainWindow, dataFolder)) {
        return QApplication::exec();
    }
    kavrin::ui::TMainDialogs dialogs;
    if (!recovery || !kavrin::ui::OfferRecoveredPrograms(recoveryFolder, mainWindow, dialogs)) {
        startWindow.show();
    }
    return QApplication::exec();
}
