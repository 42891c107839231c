#include "ui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <algorithm>

#include "codegen/code_generator.h"
#include "tokenizer/tokenizer.h"
#include "ui/code_view.h"
#include "ui/main_window.h"
#include "ui/simulator_window.h"
#include "ui/start_window.h"

namespace kavrin::ui {

namespace {

// The robot just after its right detector has seen the top wall.
constexpr sim::VirtualTime kSimulatorScreenshotTime = 10'400 * sim::kMicrosPerMs;

std::unique_ptr<QWidget> MainWindowIn(model::TMode mode) {
    auto window = std::make_unique<TMainForm>();
    window->BuildForMode(mode);
    AddSampleProgram(*window->Document());
    return window;
}

// The sample program on the virtual robot in the maze, stopped a while after power-on.
std::unique_ptr<QWidget> SimulatorAtWork() {
    auto window = std::make_unique<SimulatorWindow>();
    model::TActionDocument document(model::TMode::Beginner);
    AddSampleProgram(document);
    codegen::TProgramText text;
    codegen::BuildCode(document.Program(), model::TMode::Beginner, true, text);
    sim::Eeprom image{};
    if (tokenizer::LoadSource(text.WholeText()) && tokenizer::Tokenize(0, 1, 0) == 1) {
        const auto& compiled = tokenizer::TokenizerResult().EepromImage;
        std::copy(compiled.begin(), compiled.end(), image.begin());
    }
    window->SetArena(QStringLiteral("maze"));
    window->StartProgram(image);
    window->SetRunning(false);
    window->resize(window->sizeHint());
    window->Advance(kSimulatorScreenshotTime);
    return window;
}

}  // namespace

void AddSampleProgram(model::TActionDocument& document) {
    using namespace model;
    struct TSampleStep {
        TActionKind kind;
        std::int16_t value;
    };
    constexpr TSampleStep kSteps[] = {
        {akForward, 20}, {akTurnLeft, 5}, {akForward, 15}, {akRotateRight, 10}, {akStopWait, 10},
        {akGoBack, 1},
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
             model::TActionDocument document(model::TMode::Beginner);
             AddSampleProgram(document);
             codegen::TProgramText text;
             codegen::BuildCode(document.Program(), model::TMode::Beginner, true, text);
             auto view = std::make_unique<TCodeForm>();
             view->SetProgramText(text);
             return std::unique_ptr<QWidget>(std::move(view));
         }},
        {QStringLiteral("simulator.png"), SimulatorAtWork},
    };
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
