#include "ui/screenshots.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "codegen/code_generator.h"
#include "judge/judge.h"
#include "link/serial_port.h"
#include "link/target_link.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "sim/arena.h"
#include "sim/mission.h"
#include "sim/step_probe.h"
#include "sim/virtual_robot.h"
#include "tokenizer/tokenizer.h"
#include "ui/class_results.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/program_files.h"
#include "ui/program_sheet.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/start_window.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {

namespace {

// The sample program's text as the beginner's editor generates it.
codegen::TProgramText SampleProgramText() {
    model::TActionDocument document(model::TMode::Beginner);
    AddSampleProgram(document);
    codegen::TProgramText text;
    codegen::BuildCode(document.Program(), model::TMode::Beginner, true, text);
    return text;
}

// The robot just after its right detector has seen the top wall.
constexpr sim::VirtualTime kSimulatorScreenshotTime = 10'400 * sim::kMicrosPerMs;

// The sample program and, in Advanced mode, a whisker reaction: back off and turn away, and
// Set 1 in the second step's Left column.
void AddSample(model::TActionDocument& document) {
    AddSampleProgram(document);
    if (document.Mode() == model::TMode::Advanced) {
        document.InsertIntoList(model::kSensorSetAll, 1, 8, model::akBackward);
        document.InsertIntoList(model::kSensorSetAll, 2, 6, model::akRotateRight);
        document.InsertStepIntoList(model::kSensorSet1, 1, {model::akStopWait, 5, {0, 0, 0}});
        document.DropSensorSet(model::kMainList, 2, model::gcLeft, 1);
    }
}

std::unique_ptr<TMainForm> MainWindowIn(model::TMode mode) {
    auto window = std::make_unique<TMainForm>();
    window->BuildForMode(mode);
    model::TActionDocument& document = *window->Document();
    AddSample(document);
    if (mode == model::TMode::Advanced) {
        document.SetSelection(model::kMainList, {2, 2});
    }
    return window;
}

// The first page of the Advanced sample's program sheet. The date is fixed, so that the picture
// only changes with the sheet.
std::unique_ptr<QWidget> SheetPicture() {
    constexpr int kDotsPerInch = 80;
    model::TActionDocument document(model::TMode::Advanced);
    AddSample(document);
    TSheetSource source;
    source.title = UiString(resources::str::kSheetUntitled);
    source.date = QDate(2025, 3, 14);
    source.mode = document.Mode();
    source.program = document.Program();
    const QPixmap page = QPixmap::fromImage(TProgramSheet(source).PageImage(0, kDotsPerInch));
    auto label = std::make_unique<QLabel>();
    label->setPixmap(page);
    label->setFixedSize(page.size());
    return label;
}

// What the test window works on, made before the window and gone after it: no port opens.
struct TOfflineLink {
    TProgressForm progress;
    TRunController run{progress,
                       TLinkSetup{[](std::string_view) {
                                      return link::OpenResult{nullptr, link::OpenError::NoSuchPort};
                                  },
                                  [](std::vector<std::string>& list) { list.clear(); }}};
    model::TActionDocument document{model::TMode::Beginner};
};

class TOfflineTestForm : private TOfflineLink, public TTestForm {
public:
    TOfflineTestForm() : TTestForm(TOfflineLink::document, TOfflineLink::run) {
        // Wheels found to stand still a little off the default.
        TOfflineLink::document.SetCalibration(103, 97);
    }
};
// Three ports as a scan leaves them: a robot on the second, nothing on the first, the virtual
// robot last; with two robots both are candidates and the window asks which one.
link::PortStatusTable SampleScan(bool twoRobots) {
    const std::string robot = resources::GetUIString(resources::str::kRobotName);
    const std::string yes = resources::GetUIString(resources::str::kYes);
    const std::string no = resources::GetUIString(resources::str::kNo);
    link::PortStatusTable table;
    table.rows.resize(3);
    table.rows[0].texts = {"COM1:", twoRobots ? robot : "", twoRobots ? "v1.0" : "", no,
                           twoRobots ? yes : no};
    table.rows[1].texts = {"COM3:", robot, "v1.0", no, yes};
    table.rows[2].texts = {"SIM:", robot, "v1.0", no, yes};
    table.rows[0].model = twoRobots ? link::kModelKR2 : 0;
    table.rows[1].model = link::kModelKR2;
    table.rows[2].model = link::kModelKR2;
    table.rows[0].candidate = twoRobots;
    table.rows[1].candidate = twoRobots;
    return table;
}

std::unique_ptr<QWidget> ProgressWindow(bool choice) {
    auto window = std::make_unique<TProgressForm>();
    constexpr int kSampleBlocks = 12;
    constexpr int kSampleSent = 5;
    if (choice) {
        window->Open(SampleScan(true), UiString(resources::str::kSeveralModules));
    } else {
        window->Open(SampleScan(false));
        window->MarkTarget(1);
        window->StartProgress(0, kSampleBlocks);
        for (int i = 0; i < kSampleSent; ++i) {
            window->StepIt(0);
        }
    }
    return window;
}

// A program compiled as a download would, with where the motion program keeps its step.
struct TCompiled {
    sim::Eeprom image{};
    std::optional<sim::StepVariables> variables;
};

TCompiled Compiled(const codegen::TProgramText& text) {
    TCompiled result;
    tokenizer::TTokenizer tokenizer;
    if (tokenizer.LoadSource(text.WholeText()) && tokenizer.Tokenize() == 1) {
        const auto& compiled = tokenizer.Result().EepromImage;
        std::copy(compiled.begin(), compiled.end(), result.image.begin());
        result.variables = sim::FindStepVariables(
            [&tokenizer](std::string_view name) { return tokenizer.FindVariable(name); });
    }
    return result;
}

// The sample program on the virtual robot in the maze, stopped a while after power-on.
std::unique_ptr<QWidget> SimulatorAtWork() {
    auto window = std::make_unique<TSimulatorForm>();
    const TCompiled program = Compiled(SampleProgramText());
    window->SetArena(FromCore(sim::kArenaMaze));
    window->StartProgram(program.image, program.variables);
    window->SetRunning(false);
    window->resize(window->sizeHint());
    window->Advance(kSimulatorScreenshotTime);
    return window;
}

// The parking mission under way: the robot has reached the bay and is stopping in it.
constexpr sim::VirtualTime kMissionScreenshotTime = 11'500 * sim::kMicrosPerMs;

std::unique_ptr<QWidget> SimulatorOnAMission() {
    model::TActionDocument document(model::TMode::Beginner);
    document.InsertIntoList(model::kMainList, 1, 70, model::akForward);
    document.InsertIntoList(model::kMainList, 2, 20, model::akStopWait);
    codegen::TProgramText text;
    codegen::BuildCode(document.Program(), model::TMode::Beginner, false, text);
    auto window = std::make_unique<TSimulatorForm>();
    window->SetMission(FromCore(sim::kMissionBay));
    const TCompiled program = Compiled(text);
    window->StartProgram(program.image, program.variables, document.Program());
    window->SetRunning(false);
    window->resize(window->sizeHint());
    window->Advance(kMissionScreenshotTime);
    return window;
}

// A class of five judged on the parking mission: one parks, one drives into the bay's back wall,
// one stops short, one rotates (which the mission does not allow), and one file is no program.
std::unique_ptr<QWidget> ClassResultsPicture() {
    struct TPupil {
        const char* file;
        std::initializer_list<model::TBotAction> steps;
    };
    const TPupil pupils[] = {
        {"anna.kvn", {{model::akForward, 70, {}}, {model::akStopWait, 20, {}}}},
        {"ben.kvn", {{model::akForward, 100, {}}, {model::akStopWait, 20, {}}}},
        {"chris.kvn", {{model::akForward, 30, {}}, {model::akStopWait, 10, {}}}},
        {"dora.kvn", {{model::akRotateLeft, 5, {}}, {model::akForward, 70, {}}}},
    };
    QTemporaryDir dir;
    std::vector<std::filesystem::path> files;
    for (const TPupil& pupil : pupils) {
        model::TActionDocument document(model::TMode::Beginner);
        int row = 1;
        for (const model::TBotAction& step : pupil.steps) {
            document.InsertStepIntoList(model::kMainList, row++, step);
        }
        files.push_back(ToCorePath(dir.filePath(QString::fromLatin1(pupil.file))));
        document.SaveFile(files.back());
    }
    QFile notes(dir.filePath(QStringLiteral("notes.kvn")));
    if (notes.open(QIODevice::WriteOnly)) {
        notes.write("homework: square\n");
        notes.close();
    }
    files.push_back(ToCorePath(notes.fileName()));
    judge::Request request;
    request.programs = files;
    request.missions = {*sim::BuiltInMission(sim::kMissionBay)};
    auto window = std::make_unique<TClassResults>();
    // The folder a teacher would have chosen, not the temporary one.
    window->ShowResult(QDir::toNativeSeparators(QStringLiteral("/home/teacher/class-5b")),
                       FromCore(sim::kMissionBay), judge::Judge(request));
    window->resize(window->sizeHint());
    return window;
}

// The virtual robot behind "SIM" and a run controller that reaches nothing else, made before
// the windows that use them and gone after them.
struct TVirtualLink {
    std::shared_ptr<sim::VirtualRobot> robot = std::make_shared<sim::VirtualRobot>();
    TProgressForm progress;
    TRunController run{progress, TLinkSetup{[robot = robot](std::string_view name) {
                                                return name == link::kVirtualPortName
                                                           ? robot->Open()
                                                           : link::OpenResult{
                                                                 nullptr,
                                                                 link::OpenError::NoSuchPort};
                                            },
                                            [](std::vector<std::string>& list) {
                                                list.assign({std::string(link::kVirtualPortName)});
                                            }}};
};

// A picture never waits for an answer.
class TSilentDialogs : public TMainDialogs {
public:
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
};

// Go has put the sample program on the virtual robot: it has turned left and drives the third
// step's straight line.
constexpr sim::VirtualTime kWatchingScreenshotTime = 8'000 * sim::kMicrosPerMs;
constexpr int kWatchingRunWaitMs = 60'000;  // the download to the virtual robot, at most
constexpr int kWindowGap = 12;
constexpr int kLayoutRounds = 4;

// The main window in Beginner mode and, beside it, the simulator running what its Go
// downloaded: the lists mark the step the simulator says runs.
class TWatchingPicture : private TVirtualLink, public QWidget {
public:
    TWatchingPicture() {
        main_ = MainWindowIn(model::TMode::Beginner).release();
        main_->setParent(this, Qt::Widget);
        main_->SetDialogs(std::make_unique<TSilentDialogs>());
        main_->SetRunController(&run);
        simulator_ = new TSimulatorForm(this);
        simulator_->setWindowFlags(Qt::Widget);
        main_->SetSimulator(simulator_);
        main_->move(0, 0);
        simulator_->setGeometry(main_->width() + kWindowGap, 0, simulator_->sizeHint().width(),
                                simulator_->sizeHint().height());
        setFixedSize(simulator_->geometry().right() + 1,
                     std::max(main_->height(), simulator_->height()));
        // The simulator tells the lists its step only while it shows.
        show();
        main_->Face()->FinishUncovering();

        QEventLoop loop;
        connect(&run, &TRunController::Finished, &loop, [this, &loop] {
            simulator_->SetRunning(false);  // held still: the picture moves it
            loop.quit();
        });
        QTimer::singleShot(kWatchingRunWaitMs, &loop, &QEventLoop::quit);
        main_->Go();
        loop.exec();
        simulator_->Advance(kWatchingScreenshotTime);
        // The panel's labels changed while showing: one that needs another line asks its layout
        // again, and that one its parent's, a posted request each.
        for (int round = 0; round < kLayoutRounds; ++round) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
    }

private:
    TMainForm* main_ = nullptr;
    TSimulatorForm* simulator_ = nullptr;
};

}  // namespace

void AddSampleProgram(model::TActionDocument& document) {
    using namespace model;
    struct TSampleStep {
        TActionKind kind;
        std::int16_t value;
    };
    constexpr TSampleStep kSteps[] = {
        {akForward, 20},     {akTurnLeft, 5},  {akForward, 15},
        {akRotateRight, 10}, {akStopWait, 10}, {akGoBack, 1},
    };
    int row = 1;
    for (const TSampleStep& step : kSteps) {
        document.InsertIntoList(kMainList, row++, step.value, step.kind);
    }
}

std::vector<TScreenshot> Screenshots() {
    return {
        {QStringLiteral("start.png"), [] { return std::make_unique<TIntroForm>(); }},
        {QStringLiteral("main-beginner.png"), [] { return MainWindowIn(model::TMode::Beginner); }},
        {QStringLiteral("main-advanced.png"), [] { return MainWindowIn(model::TMode::Advanced); }},
        {QStringLiteral("code.png"),
         [] {
             auto view = std::make_unique<TCodeForm>();
             view->SetProgramText(SampleProgramText());
             return std::unique_ptr<QWidget>(std::move(view));
         }},
        {QStringLiteral("test.png"), [] { return std::make_unique<TOfflineTestForm>(); }},
        {QStringLiteral("progress-scan.png"), [] { return ProgressWindow(false); }},
        {QStringLiteral("progress-choice.png"), [] { return ProgressWindow(true); }},
        {QStringLiteral("simulator.png"), SimulatorAtWork},
        {QStringLiteral("simulator-mission.png"), SimulatorOnAMission},
        {QStringLiteral("watching.png"), [] { return std::make_unique<TWatchingPicture>(); }},
        {QStringLiteral("sheet.png"), SheetPicture},
        {QStringLiteral("class-results.png"), ClassResultsPicture},
    };
}

void UseSystemFontsWithoutDisplay() {
#if defined(Q_OS_WIN)
    if (!qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) {
        const QString windows = qEnvironmentVariable("WINDIR", QStringLiteral("C:\\Windows"));
        qputenv("QT_QPA_FONTDIR", (windows + QStringLiteral("\\Fonts")).toLocal8Bit());
    }
#endif
}

TScreenshotResult WriteScreenshots(const QString& dir) {
    TScreenshotResult result;
    if (!QDir().mkpath(dir)) {
        result.message = QStringLiteral("Cannot create the folder %1").arg(dir);
        return result;
    }
    for (const TScreenshot& shot : Screenshots()) {
        const std::unique_ptr<QWidget> window = shot.make();
        window->show();
        QApplication::processEvents();
        const QPixmap picture = window->grab();
        window->close();
        const QString path = QDir(dir).filePath(shot.fileName);
        if (!picture.save(path, "PNG")) {
            result.message = QStringLiteral("Cannot write %1").arg(path);
            return result;
        }
        result.written.append(path);
    }
    result.ok = true;
    return result;
}

}  // namespace kavrin::ui
