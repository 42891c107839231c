// The simulator window: showing a downloaded program above its parent, the robot it lends to the
// "SIM" port while it shows, run and pause, the power switch, the start countdown, its texts, and
// the terminal pane in both directions.

#include "ui/simulator_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "codegen/program_text.h"
#include "link/port_pool.h"
#include "link/servo_exchange.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "sim/virtual_robot.h"
#include "tokenizer/tokenizer.h"
#include "ui/arena_view.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;

// Greets, drives both servos forward for a second, then asks for a number and echoes it.
constexpr char kProgram[] =
    "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"
    "i VAR Word\r\nx VAR Byte\r\n"
    "DEBUG \"Hello\", CR\r\n"
    "FOR i = 1 TO 50\r\nPULSOUT 13, 850\r\nPULSOUT 12, 650\r\nPAUSE 18\r\nNEXT\r\n"
    "DEBUGIN DEC x\r\n"
    "DEBUG \"Got \", DEC x, CR\r\n"
    "END\r\n";

sim::Eeprom Image(const char* program = kProgram) {
    sim::Eeprom image{};
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(program));
    EXPECT_EQ(tokenizer.Tokenize(), 1) << tokenizer.Result().ErrorMessage;
    const auto& r = tokenizer.Result();
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), image.begin());
    return image;
}

QPushButton* Button(QWidget& window, int text) {
    const QString caption = UiString(text).remove(QLatin1Char('&'));
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text().remove(QLatin1Char('&')) == caption) {
            return b;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
    return nullptr;
}

bool FrameTimerRuns(const TSimulatorForm& window) {
    const auto* timer = window.findChild<QTimer*>(QStringLiteral("frameTimer"));
    return timer != nullptr && timer->isActive();
}

TEST(SimulatorWindow, ShowsAProgramAboveItsParentWithoutTakingTheKeyboard) {
    QWidget main;
    main.show();
    TSimulatorForm window(&main);
    EXPECT_FALSE(window.isVisible());  // made hidden, next to the other windows
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window.isWindow());

    main.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    window.ShowProgram(Image());
    EXPECT_TRUE(window.isVisible());
    // This platform, like some window managers, hands a new window the focus: it goes back.
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_EQ(window.windowHandle()->transientParent(), main.windowHandle());
    EXPECT_TRUE(window.IsRunning());
    EXPECT_TRUE(window.PowerOn());
    EXPECT_EQ(window.Simulation().Body().CurrentPose(),
              window.Simulation().Body().GetArena().start);
    QTRY_VERIFY(window.Simulation().Now() > 0);  // time goes on by itself

    // The next download starts again from power-on in the same window.
    QTRY_VERIFY(window.Simulation().Now() > 200 * sim::kMicrosPerMs);
    window.ShowProgram(Image());
    EXPECT_LT(window.Simulation().Now(), 100 * sim::kMicrosPerMs);
    window.close();
    EXPECT_FALSE(FrameTimerRuns(window));  // closed, it costs nothing
}

TEST(SimulatorWindow, TheRobotIsTheSimPortsOnlyWhileTheWindowShows) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    TSimulatorForm window;
    window.ConnectRobot(robot);
    EXPECT_EQ(robot->Simulator(), nullptr);  // hidden: the port's own program answers
    window.ShowProgram(Image());
    EXPECT_NE(robot->Simulator(), nullptr);
    window.close();
    EXPECT_EQ(robot->Simulator(), nullptr);
    window.show();
    EXPECT_NE(robot->Simulator(), nullptr);
}

TEST(SimulatorWindow, PauseHoldsTimeAndAPowerCycleStartsOverAtTheStart) {
    TSimulatorForm window;
    window.show();
    window.StartProgram(Image());
    QTest::mouseClick(Button(window, str::kSimPause), Qt::LeftButton);
    EXPECT_FALSE(window.IsRunning());
    EXPECT_FALSE(FrameTimerRuns(window));
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStatePaused));
    window.Advance(sim::kMicrosPerSecond / 2);  // the robot drives forward
    const sim::VirtualTime paused = window.Simulation().Now();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Simulation().Now(), paused);
    const sim::Pose start = window.Simulation().Body().GetArena().start;
    EXPECT_GT(window.Simulation().Body().CurrentPose().x, start.x + 3);

    QTest::mouseClick(Button(window, str::kSimPowerOff), Qt::LeftButton);
    EXPECT_FALSE(window.PowerOn());
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStateOff));
    window.Advance(sim::kMicrosPerSecond);
    EXPECT_EQ(window.Simulation().Now(), paused);  // off: nothing moves
    QTest::mouseClick(Button(window, str::kSimPowerOn), Qt::LeftButton);
    EXPECT_TRUE(window.PowerOn());
    EXPECT_TRUE(window.IsRunning());
    EXPECT_EQ(window.Simulation().Body().CurrentPose(), start);
    EXPECT_LT(window.Simulation().Now(), 100 * sim::kMicrosPerMs);
    window.Advance(sim::kMicrosPerSecond / 10);
    EXPECT_EQ(window.TerminalText().count(QStringLiteral("Hello")),
              2);  // said again after power-on
    EXPECT_TRUE(window.TerminalText().contains(UiString(str::kSimNotePowerOff) + "\n"));
}

// Stands still as the motion program does after power-on, then drives.
constexpr char kWaitingProgram[] =
    "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"
    "PAUSE 3500\r\n"
    "DO\r\nPULSOUT 13, 850\r\nPULSOUT 12, 650\r\nPAUSE 18\r\nLOOP\r\n";

TEST(SimulatorWindow, SaysWhenAWaitingProgramWillStart) {
    TSimulatorForm window;
    window.StartProgram(Image(kWaitingProgram));
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStateStartsIn).arg(QStringLiteral("3.5")));
    window.Advance(1'450 * sim::kMicrosPerMs);
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStateStartsIn).arg(QStringLiteral("2.1")));
    window.Advance(2'500 * sim::kMicrosPerMs);
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStateRunning));
    // A program that drives at once is running from the start.
    window.StartProgram(Image());
    window.Advance(100 * sim::kMicrosPerMs);
    EXPECT_EQ(window.StatusText(), UiString(str::kSimStateRunning));

    // The generated motion program waits exactly as long as the status counts.
    codegen::TProgramText motion;
    motion.LoadTextResource(resources::kMotionTemplateId);
    const QRegularExpression delay(QStringLiteral("StartDelay\\s+CON\\s+(\\d+)"));
    const QRegularExpressionMatch match =
        delay.match(QString::fromLatin1(motion.WholeText().c_str()));
    ASSERT_TRUE(match.hasMatch());
    EXPECT_EQ(match.captured(1).toLongLong() * sim::kMicrosPerMs, kProgramStartDelay);
}

TEST(SimulatorWindow, EveryTextComesFromTheStringTable) {
    TSimulatorForm window;
    EXPECT_EQ(window.windowTitle(), UiString(str::kSimTitle));
    EXPECT_FALSE(window.windowTitle().isEmpty());
    for (const QPushButton* b : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->text().isEmpty());
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->text().toStdString();
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().isEmpty());
    }
    for (const QComboBox* box : window.findChildren<QComboBox*>()) {
        EXPECT_FALSE(box->toolTip().isEmpty());
        for (int i = 0; i < box->count(); ++i) {
            EXPECT_FALSE(box->itemText(i).isEmpty());
        }
    }
    for (const QPlainTextEdit* edit : window.findChildren<QPlainTextEdit*>()) {
        EXPECT_FALSE(edit->placeholderText().isEmpty());
    }
    for (const QLineEdit* edit : window.findChildren<QLineEdit*>()) {
        EXPECT_FALSE(edit->placeholderText().isEmpty());
    }
    EXPECT_FALSE(window.findChild<TArenaView*>()->toolTip().isEmpty());
    // The built-in arenas show by their names in the table, and are chosen by the core's.
    auto* arenaBox = window.findChildren<QComboBox*>().at(1);
    const int maze = arenaBox->findData(QStringLiteral("maze"));
    ASSERT_GE(maze, 0);
    EXPECT_EQ(arenaBox->itemText(maze), UiString(str::kSimArenaMaze));
}

TEST(SimulatorWindow, TerminalShowsDebugAndSendsWhatIsTyped) {
    TSimulatorForm window;
    window.show();
    window.StartProgram(Image());
    window.SetRunning(false);
    window.Advance(2 * sim::kMicrosPerSecond);
    EXPECT_TRUE(window.TerminalText().contains(QStringLiteral("Hello\n")));
    EXPECT_FALSE(window.TerminalText().contains(QStringLiteral("Got")));

    auto* input = window.findChild<QLineEdit*>();
    ASSERT_NE(input, nullptr);
    QTest::keyClicks(input, QStringLiteral("42"));
    QTest::keyClick(input, Qt::Key_Return);
    window.Advance(sim::kMicrosPerSecond / 10);
    EXPECT_TRUE(window.TerminalText().contains(QStringLiteral("Got 42\n")))
        << window.TerminalText().toStdString();
    EXPECT_TRUE(window.TerminalText().contains(
        UiString(str::kSimNoteEnded).arg(QStringLiteral("END")) + "\n"));
}

TEST(SimulatorWindow, TheRobotIsDraggedAndTurnedByHandButNotOffTheTable) {
    TSimulatorForm window;
    window.resize(900, 720);
    window.show();
    window.StartProgram(Image());
    window.SetRunning(false);
    auto* view = window.findChild<TArenaView*>();
    ASSERT_NE(view, nullptr);
    const sim::Pose start = window.Simulation().Body().CurrentPose();
    // The path driven so far is drawn, and goes when the robot is put down elsewhere.
    window.Advance(sim::kMicrosPerSecond);
    const QPoint onPath = view->ToWidget({start.x + 3, start.y}).toPoint();
    const QPoint beside = view->ToWidget({start.x + 3, start.y + 4}).toPoint();
    auto colourAt = [view](QPoint p) { return view->grab().toImage().pixelColor(p); };
    EXPECT_NE(colourAt(onPath), colourAt(beside));
    const sim::Pose driven = window.Simulation().Body().CurrentPose();

    const QPoint grab = view->ToWidget(driven.Position()).toPoint();
    const QPoint drop = view->ToWidget({start.x + 50, start.y + 20}).toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, grab);
    QTest::mouseMove(view, drop);
    QTest::mouseRelease(view, Qt::LeftButton, {}, drop);
    const sim::Pose moved = window.Simulation().Body().CurrentPose();
    EXPECT_NEAR(moved.x, start.x + 50, 1.0);
    EXPECT_NEAR(moved.y, start.y + 20, 1.0);
    EXPECT_EQ(moved.heading, driven.heading);
    EXPECT_EQ(colourAt(onPath), colourAt(beside));

    // A wheel notch turns it counter-clockwise; dropping it off the table leaves it where it was.
    QWheelEvent wheel(QPointF(drop), view->mapToGlobal(QPointF(drop)), {}, {0, 120}, Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_GT(window.Simulation().Body().CurrentPose().heading, driven.heading);
    const sim::Pose turned = window.Simulation().Body().CurrentPose();
    const QPoint off = view->ToWidget({-30, start.y}).toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, drop);
    QTest::mouseMove(view, off);
    QTest::mouseRelease(view, Qt::LeftButton, {}, off);
    EXPECT_EQ(window.Simulation().Body().CurrentPose(), turned);
}

// The servo test window's program, as that window downloads it.
sim::Eeprom TestProgramImage() {
    codegen::TProgramText text;
    text.LoadTextResource(resources::kTestProgramId);
    std::string source;
    EXPECT_TRUE(text.TextForTokenizer(source).ok);
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(source));
    EXPECT_EQ(tokenizer.Tokenize(), 1);
    sim::Eeprom image{};
    std::copy_n(tokenizer.Result().EepromImage.begin(), image.size(), image.begin());
    return image;
}

TEST(SimulatorWindow, AnswersTheServoTestForItsRobotOverTheSimPort) {
    auto robot = std::make_shared<sim::VirtualRobot>();
    link::TPortPool pool{sim::WithVirtualRobot(nullptr, robot)};
    const int slot = pool.OpenPortSlot(sim::kSimPortName).slot;
    ASSERT_NE(slot, link::kNoPortSlot);
    TSimulatorForm window;
    window.resize(900, 720);
    window.ConnectRobot(robot);
    ASSERT_TRUE(window.SetArena(QStringLiteral("wall-ahead")));
    window.StartProgram(TestProgramImage());
    window.show();
    // The exchange blocks on the line the way the servo test window's worker does; the window's
    // timer runs the program meanwhile.
    auto exchange = [&](int right, int left) {
        std::future<int> answer = std::async(std::launch::async, [&pool, slot, right, left] {
            return link::ExchangeServoPulses(*pool.Port(slot), right, left);
        });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        return answer.get();
    };

    const sim::RobotBody& body = window.Simulation().Body();
    const double leftWheel = body.WheelAngle(sim::Side::Left);
    EXPECT_EQ(exchange(650, 850), 0);  // in the open, both wheels forward
    EXPECT_NE(body.WheelAngle(sim::Side::Left), leftWheel);

    // Dragged up to the wall, both whiskers bend, and the servo test hears of it.
    auto* view = window.findChild<TArenaView*>();
    ASSERT_NE(view, nullptr);
    const QPoint grab = view->ToWidget(body.CurrentPose().Position()).toPoint();
    const QPoint drop = view->ToWidget({60, 75}).toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, grab);
    QTest::mouseMove(view, drop);
    QTest::mouseRelease(view, Qt::LeftButton, {}, drop);
    ASSERT_NEAR(body.CurrentPose().x, 60, 1.0);
    const link::SensorState sensors = link::DecodeSensors(exchange(750, 750));
    EXPECT_TRUE(sensors.leftWhisker);
    EXPECT_TRUE(sensors.rightWhisker);
    pool.ClosePort(slot);
}

}  // namespace
}  // namespace kavrin::ui
