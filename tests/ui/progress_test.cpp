// The progress window and the run behind the Go button: layout, the choice of robot, and whole
// runs to virtual robots on a worker thread while the UI thread goes on.

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codegen/code_generator.h"
#include "link/servo_exchange.h"
#include "link/target_link.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "sim/virtual_robot.h"
#include "tokenizer/tokenizer.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/screenshots.h"
#include "ui/simulator_window.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kRunWaitMs = 90000;  // sanitized builds run a download several times slower
#else
constexpr int kRunWaitMs = 20000;
#endif

link::PortStatusTable Ports(int count, std::vector<int> candidates = {}) {
    link::PortStatusTable table;
    table.rows.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        auto& row = table.rows[static_cast<std::size_t>(k)];
        row[link::kColPort] = "COM" + std::to_string(k + 1) + ":";
        row[link::kColLoopback] = resources::GetUIString(388);
        row.model = 0;
    }
    for (const int k : candidates) {
        auto& row = table.rows[static_cast<std::size_t>(k)];
        row[link::kColDevice] = resources::GetUIString(411);
        row[link::kColVersion] = "v1.0";
        row.model = link::kModelKR2;
        row.candidate = true;
    }
    return table;
}

void ClickRow(TProgressForm& window, int portIndex, int column) {
    QTableWidget* grid = window.PortStatus();
    const QRect cell = grid->visualItemRect(grid->item(portIndex, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

TEST(ProgressWindow, LayoutFollowsThePortCount) {
    TProgressForm window;
    int sixWide = 0;
    for (const int ports : {0, 1, 6, 8}) {
        SCOPED_TRACE(ports);
        window.Open(Ports(ports));
        QTableWidget* grid = window.PortStatus();
        EXPECT_EQ(grid->rowCount(), std::max(1, ports));  // no port: one empty data row
        const int rowCount = grid->rowCount() + 1;
        EXPECT_EQ(grid->height(), rowCount > 6 ? 137 : (rowCount - 1) * 19 + 23);
        if (ports == 6) {
            sixWide = grid->width();
            EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        }
        if (ports == 8) {
            EXPECT_EQ(grid->width(), sixWide + 16);
            EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        }
        EXPECT_EQ(grid->y(), 10 + window.PortStatusLabel()->sizeHint().height());
        EXPECT_EQ(window.width(), 21 + grid->width() + 26);
        EXPECT_EQ(window.DownloadStatus()->y(), grid->y() + grid->height() + 9);
        EXPECT_EQ(window.height(), window.DownloadStatus()->y() + 89);
        EXPECT_TRUE(window.DownloadStatus()->isVisible());
        EXPECT_FALSE(window.DownloadButton()->isVisible());
        EXPECT_FALSE(window.WarningImage()->isVisible());
    }
    EXPECT_TRUE(window.PortStatus()->item(0, 0)->text() == QStringLiteral("COM1:"));
    // The scanning note never covers the caption, however long the caption's text.
    EXPECT_GE(window.ScanningLabel()->x(),
              window.PortStatusLabel()->x() + window.PortStatusLabel()->sizeHint().width());

    // Centred on the main window.
    QWidget anchor;
    anchor.setGeometry(100, 80, 796, 500);
    anchor.show();
    window.SetAnchor(&anchor);
    window.Open(Ports(2));
    EXPECT_EQ(window.x(), 100 + 796 / 2 - window.width() / 2);
    EXPECT_EQ(window.y(), 80 + 500 / 2 - window.height() / 2);
    EXPECT_EQ(window.windowTitle(), UiString(423));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(ProgressWindow, ProgressBarStepsOncePerBlockAndTheMarkBlinks) {
    TProgressForm window;
    window.Open(Ports(3, {1}));
    window.MarkTarget(1);
    EXPECT_TRUE(window.TxStatus()->isVisible());
    EXPECT_EQ(window.TxStatus()->y(), window.PortStatus()->y() + 25 + 19);
    window.Open(Ports(8, {7}));
    window.MarkTarget(7);  // scrolled into view: rows 3 to 8 shown
    EXPECT_EQ(window.PortStatus()->verticalScrollBar()->value(), 2);
    EXPECT_EQ(window.TxStatus()->y(), window.PortStatus()->y() + 25 + 19 * 5);
    EXPECT_TRUE(window.TxStatus()->isVisible());
    window.StartProgress(0, 4);
    EXPECT_EQ(window.ProgressBar0()->maximum(), 4);
    EXPECT_EQ(window.ProgressBar0()->value(), 0);
    for (int i = 0; i < 5; ++i) {
        window.StepIt(0);
    }
    EXPECT_EQ(window.ProgressBar0()->value(), 4);  // never beyond the block count
    const bool before = window.TxStatus()->Lit();
    window.Blink();
    EXPECT_NE(window.TxStatus()->Lit(), before);

    window.CloseAfterPause();
    EXPECT_TRUE(window.isVisible());  // the final state stays a moment
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);
}

TEST(ProgressWindow, ChoiceSelectsOnlyCandidateRows) {
    TProgressForm window;
    QSignalSpy chosen(&window, &TProgressForm::ChoiceMade);
    window.Open(Ports(8, {5, 7}), UiString(resources::str::kSeveralModules));

    EXPECT_TRUE(window.ChoiceMode());
    EXPECT_TRUE(window.isModal());
    EXPECT_TRUE(window.WarningImage()->isVisible());
    EXPECT_EQ(window.Message()->text(), UiString(resources::str::kSeveralModules));
    EXPECT_FALSE(window.DownloadStatus()->isVisible());
    EXPECT_TRUE(window.DownloadButton()->isVisible());
    EXPECT_FALSE(window.DownloadButton()->isEnabled());
    // Scrolled towards the first candidate, as far as eight rows scroll.
    EXPECT_EQ(window.PortStatus()->verticalScrollBar()->value(), 2);
    const QColor grey = window.palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(window.PortStatus()->item(4, 1)->foreground().color(), grey);
    EXPECT_NE(window.PortStatus()->item(5, 1)->foreground().color(), grey);

    ClickRow(window, 4, 1);  // not a candidate
    EXPECT_EQ(window.SelectedPort(), -1);
    EXPECT_FALSE(window.DownloadButton()->isEnabled());

    ClickRow(window, 7, 0);  // the port name of a candidate
    EXPECT_EQ(window.SelectedPort(), 7);
    EXPECT_TRUE(window.DownloadButton()->isEnabled());
    QTest::keyClick(window.PortStatus(), Qt::Key_Up);  // to the previous candidate
    EXPECT_EQ(window.SelectedPort(), 5);

    QTest::mouseClick(window.DownloadButton(), Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.front().front().toInt(), 5);
    EXPECT_FALSE(window.isVisible());

    // Outside the choice a click selects nothing; closing the choice otherwise chooses none.
    window.Open(Ports(8, {5, 7}));
    ClickRow(window, 5, 1);
    EXPECT_EQ(window.SelectedPort(), -1);
    window.Open(Ports(8, {5, 7}), UiString(resources::str::kSeveralModules));
    ClickRow(window, 5, 1);
    window.close();
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.back().front().toInt(), -1);
}

// --- Runs
// ------------------------------------------------------------------------------------------

// Message boxes answered without a modal loop.
class RecordingDialogs : public TMainDialogs {
public:
    struct Log {
        QStringList errors, messages, tokenizerReasons;
        int codeViews = 0;
    };
    explicit RecordingDialogs(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    void ShowError(QWidget*, const QString& text) override { log_->errors.append(text); }
    void ShowMessage(QWidget*, const QString& text) override { log_->messages.append(text); }
    bool AskShowTokenizerError(QWidget*, const QString& text, const QString& reason) override {
        log_->messages.append(text);
        log_->tokenizerReasons.append(reason);
        return true;
    }
    void ShowCodeView(TCodeForm&) override { ++log_->codeViews; }

private:
    std::shared_ptr<Log> log_;
};

// Virtual robots under the names given; every other name is no port.
TLinkSetup Robots(
    const std::vector<std::pair<std::string, std::shared_ptr<sim::VirtualRobot>>>& robots) {
    TLinkSetup setup;
    setup.openPort = [robots](std::string_view name) {
        for (const auto& [port, robot] : robots) {
            if (name == port) {
                return robot->Open();
            }
        }
        return link::OpenResult{nullptr, link::OpenError::NoSuchPort};
    };
    setup.enumerate = [robots](std::vector<std::string>& list) {
        for (const auto& entry : robots) {
            list.push_back(entry.first);
        }
    };
    return setup;
}

void ExpectImageIn(const tokenizer::TTokenizerResult& result, sim::VirtualRobot& robot) {
    ASSERT_GT(result.BlockCount, 0);
    for (std::size_t b = 0; b < result.BlockCount; ++b) {
        const std::size_t row = result.Blocks[b][0] - 0x80u;
        for (std::size_t i = 0; i < 16; ++i) {
            ASSERT_EQ(robot.Module().Eeprom()[row * 16 + i], result.EepromImage[row * 16 + i])
                << "row " << row;
        }
    }
}

class RunTest : public ::testing::Test {
protected:
    void Make(TLinkSetup setup) {
        main.SetPortEnumerator(setup.enumerate);  // one port list, as the application has
        run = std::make_unique<TRunController>(window, std::move(setup));
        main.BuildForMode(model::TMode::Beginner);
        AddSampleProgram(*main.Document());
        main.SetDialogs(std::make_unique<RecordingDialogs>(log));
        main.SetCodeView(&code);
        main.SetRunController(run.get());
        main.SetSimulator(&simulator);
        finished = std::make_unique<QSignalSpy>(run.get(), &TRunController::Finished);
    }
    run::RunOutcome Outcome() const { return finished->back().front().value<run::RunOutcome>(); }
    // The image the tokenizer makes of the window's program.
    const tokenizer::TTokenizerResult& Image() {
        codegen::TProgramText text;
        EXPECT_TRUE(codegen::BuildCode(main.Document()->Program(), model::TMode::Beginner,
                                       main.SensorsEnabled()->isChecked(), text)
                        .ok);
        EXPECT_TRUE(tokenizer.LoadSource(text.WholeText()));
        EXPECT_EQ(tokenizer.Tokenize(), 1);
        return tokenizer.Result();
    }

    std::shared_ptr<RecordingDialogs::Log> log = std::make_shared<RecordingDialogs::Log>();
    TProgressForm window;
    TCodeForm code;
    TMainForm main;
    TSimulatorForm simulator{&main};
    std::unique_ptr<TRunController> run;
    std::unique_ptr<QSignalSpy> finished;
    tokenizer::TTokenizer tokenizer;
};

TEST_F(RunTest, GoSendsTheProgramToTheVirtualRobot) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    Make(Robots({{"SIM", robot}}));
    main.show();
    QTest::keyClick(&main, Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(run->Busy());
    main.Go();  // a second press while it runs starts nothing
    // The progress window shows transient for the main window: never behind it.
    QTRY_VERIFY(window.isVisible());
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_EQ(window.windowHandle()->transientParent(), main.windowHandle());
    // The run may already have ended while the window was awaited: wait() would wait for another.
    QTRY_VERIFY_WITH_TIMEOUT(finished->count() > 0, kRunWaitMs);
    EXPECT_EQ(Outcome().status, run::RunStatus::Delivered) << Outcome().message;
    ExpectImageIn(Image(), *robot);
    EXPECT_EQ(Outcome().blocksSent, Image().BlockCount);
    EXPECT_EQ(finished->count(), 1);
    EXPECT_FALSE(run->Busy());
    EXPECT_EQ(run->Pool().FreeSlotCount(), link::kPortSlotCount);
    EXPECT_TRUE(log->errors.isEmpty());
    EXPECT_EQ(window.PortStatus()->item(0, 1)->text(), UiString(411));
    EXPECT_EQ(window.ProgressBar0()->value(), window.ProgressBar0()->maximum());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);

    // The virtual robot now drives the program on its table, from power-on, in the window the
    // main window was given.
    EXPECT_TRUE(simulator.isVisible());
    EXPECT_EQ(simulator.Simulation().Image(), Image().EepromImage);
    EXPECT_TRUE(simulator.PowerOn());
    EXPECT_TRUE(simulator.IsRunning());
    simulator.close();
}

TEST_F(RunTest, AltEOpensTheServoTestWindowModally) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    Make(Robots({{"SIM", robot}}));
    TTestForm test(*run, &main);
    main.SetTestWindow(&test);
    TSettings settings;
    settings.comPort = QStringLiteral("SIM");
    main.ApplySettings(settings);
    bool wasShown = false;
    QTimer::singleShot(0, &test, [&] {
        wasShown = test.isVisible() && test.isModal();
        test.close();
    });
    QTest::keyClick(&main, Qt::Key_E, Qt::AltModifier);  // returns once the window has closed
    EXPECT_TRUE(wasShown);
    EXPECT_EQ(test.Link().SelectedPort(), "SIM");
}

TEST_F(RunTest, TheServoTestDownloadShowsProgressAndKeepsThePortForTheExchange) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    Make(Robots({{"SIM", robot}}));
    TTestForm test(*main.Document(), *run);
    test.Link().SetSelectedPort("SIM");
    test.show();
    QSignalSpy ended(&test, &TTestForm::RunFinished);
    QTest::mouseClick(test.RunTestButton(), Qt::LeftButton);
    EXPECT_TRUE(run->Busy());
    ASSERT_TRUE(ended.wait(kRunWaitMs));
    EXPECT_EQ(Outcome().status, run::RunStatus::Delivered) << Outcome().message;
    EXPECT_GT(window.ProgressBar0()->maximum(), 0);
    EXPECT_EQ(window.ProgressBar0()->value(), window.ProgressBar0()->maximum());
    ASSERT_NE(test.PortSlot(), link::kNoPortSlot);
    EXPECT_TRUE(test.Testing());

    QSignalSpy shown(&test, &TTestForm::SensorsShown);
    ASSERT_TRUE(shown.wait(kRunWaitMs));
    EXPECT_NE(shown.last().first().toInt(), link::kNoSensorAnswer);
    test.close();
    QTRY_COMPARE(run->Pool().FreeSlotCount(), link::kPortSlotCount);
    simulator.close();
}

TEST_F(RunTest, TheChosenRobotGetsTheProgramAndTheScanResultsStay) {
    auto first = std::make_shared<sim::VirtualRobot>();
    auto second = std::make_shared<sim::VirtualRobot>();
    Make(Robots({{"BOT1", first}, {"BOT2", second}}));
    main.Go();
    QTRY_VERIFY_WITH_TIMEOUT(window.ChoiceMode() && window.isVisible(), kRunWaitMs);
    // The choice window shows what the scan found.
    EXPECT_EQ(window.PortStatus()->item(0, 1)->text(), UiString(411));
    EXPECT_EQ(window.PortStatus()->item(1, 2)->text(), QStringLiteral("v1.0"));
    ClickRow(window, 1, 2);
    QTest::mouseClick(window.DownloadButton(), Qt::LeftButton);
    ASSERT_TRUE(finished->wait(kRunWaitMs));
    ASSERT_EQ(Outcome().status, run::RunStatus::Delivered) << Outcome().message;
    EXPECT_EQ(Outcome().portName, "BOT2");
    ExpectImageIn(Image(), *second);
    EXPECT_EQ(first->Module().DownloadsClosed(), 0);
    // Reopened for the download, the rows kept their scan results.
    EXPECT_EQ(window.PortStatus()->item(0, 1)->text(), UiString(411));
}

TEST_F(RunTest, ATokenizerErrorIsShownAndNothingIsSent) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    Make(Robots({{"SIM", robot}}));
    run->Start("' {$KORBLE KR2}\r\nx = undefinedThing\r\n", "AUTO");
    ASSERT_TRUE(finished->wait(kRunWaitMs));
    EXPECT_EQ(Outcome().status, run::RunStatus::TokenizeFailed);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(robot->Module().DownloadsClosed(), 0);
    ASSERT_EQ(log->messages, QStringList{UiString(resources::str::kTokenizeFailed)});
    ASSERT_EQ(log->tokenizerReasons.size(), 1);
    // Taken up, the offer shows the code at the error with its numbered message.
    EXPECT_TRUE(code.ErrorMessage().contains(log->tokenizerReasons.front()));
    EXPECT_EQ(log->codeViews, 1);
}

TEST_F(RunTest, ClosingTheWindowMidDownloadStopsAndReleasesThePort) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    robot->SetRealTime(true);
    Make(Robots({{"SIM", robot}}));
    main.Go();
    QTRY_VERIFY_WITH_TIMEOUT(window.ProgressBar0()->value() >= 1, kRunWaitMs);
    window.close();
    ASSERT_TRUE(finished->wait(kRunWaitMs));
    EXPECT_EQ(Outcome().status, run::RunStatus::Stopped);
    EXPECT_LT(Outcome().blocksSent, Image().BlockCount);
    EXPECT_FALSE(run->Busy());  // the worker is joined; the scan joined its own threads
    EXPECT_EQ(run->Pool().FreeSlotCount(), link::kPortSlotCount);
    EXPECT_EQ(log->messages, QStringList{UiString(resources::str::kRunCancelled)});
    EXPECT_FALSE(window.isVisible());
    link::OpenResult again = robot->Open();  // the line is free for the next run
    EXPECT_NE(again.port, nullptr);
}

TEST_F(RunTest, APortThatVanishesMidDownloadEndsTheRunWithTheCommunicationError) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    robot->Module().faults.vanishAfterBlocks = 2;
    Make(Robots({{"SIM", robot}}));
    main.Go();
    ASSERT_TRUE(finished->wait(kRunWaitMs));
    EXPECT_EQ(Outcome().download, link::DownloadStatus::CommFailure);
    EXPECT_EQ(Outcome().blocksSent, 2);
    EXPECT_EQ(log->errors, QStringList{UiString(resources::str::kCommFailure)});
    EXPECT_TRUE(log->messages.isEmpty());
    EXPECT_FALSE(run->Busy());
    EXPECT_EQ(run->Pool().FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(RunTest, TheUiThreadKeepsTurningWhileBlocksGoOut) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    robot->SetRealTime(true);
    Make(Robots({{"SIM", robot}}));
    int ticksWhileSending = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const int sent = window.ProgressBar0()->value();
        if (window.isVisible() && sent >= 1 && sent < window.ProgressBar0()->maximum()) {
            ++ticksWhileSending;
        }
    });
    ticker.start();
    main.Go();
    ASSERT_TRUE(finished->wait(kRunWaitMs));
    EXPECT_EQ(Outcome().status, run::RunStatus::Delivered);
    EXPECT_GE(ticksWhileSending, Image().BlockCount);
}

}  // namespace
}  // namespace kavrin::ui
