// The servo test window: calibration, the wheel controls, and the exchange with a robot running
// the test program (a fake line standing in for it).

#include "ui/test_window.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "link/servo_exchange.h"
#include "resources/ui_strings.h"
#include "sim/pin_body.h"
#include "sim/virtual_robot.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

// The robot's side of the line: echoes each byte and answers each four-byte message with the
// sensor byte of the moment. The test can silence it, and hold its answer back (a gate the
// exchange waits at) to see the window carry on meanwhile.
struct Robot {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint8_t> received;
    std::deque<std::uint8_t> pending;
    int sensors = 0;
    bool silent = false;
    bool gateClosed = false;
    bool waitingAtGate = false;
    int portsClosed = 0;

    void OpenGate() {
        std::lock_guard lock(mutex);
        gateClosed = false;
        changed.notify_all();
    }
    void Set(int value, bool quiet = false) {
        std::lock_guard lock(mutex);
        sensors = value;
        silent = quiet;
    }
    // The pulses of the last whole message: right, left.
    std::pair<int, int> LastPulses() {
        std::lock_guard lock(mutex);
        const std::size_t n = received.size() / 4 * 4;
        if (n == 0) return {-1, -1};
        return {received[n - 4] | received[n - 3] << 8, received[n - 2] | received[n - 1] << 8};
    }
};

class RobotLine final : public link::SerialPort {
public:
    explicit RobotLine(std::shared_ptr<Robot> robot) : robot_(std::move(robot)) {}
    ~RobotLine() override {
        std::lock_guard lock(robot_->mutex);
        ++robot_->portsClosed;
    }
    int ReadByte(int) override {
        std::unique_lock lock(robot_->mutex);
        robot_->waitingAtGate = robot_->gateClosed;
        robot_->changed.wait(lock, [this] { return !robot_->gateClosed; });
        robot_->waitingAtGate = false;
        if (robot_->pending.empty()) return -1;
        const int b = robot_->pending.front();
        robot_->pending.pop_front();
        return b;
    }
    int Read(std::span<std::uint8_t> into, int) override {
        std::lock_guard lock(robot_->mutex);
        std::size_t n = 0;
        for (; n < into.size() && !robot_->pending.empty(); ++n) {
            into[n] = robot_->pending.front();
            robot_->pending.pop_front();
        }
        return static_cast<int>(n);
    }
    int Drain() override {
        std::lock_guard lock(robot_->mutex);
        const auto n = static_cast<int>(robot_->pending.size());
        robot_->pending.clear();
        return n;
    }
    bool Write(std::span<const std::uint8_t> bytes, int) override {
        std::lock_guard lock(robot_->mutex);
        for (const std::uint8_t b : bytes) {
            robot_->received.push_back(b);
            robot_->pending.push_back(b);
            if (robot_->received.size() % 4 == 0 && !robot_->silent) {
                robot_->pending.push_back(static_cast<std::uint8_t>(robot_->sensors));
            }
        }
        return true;
    }
    bool SetBreak(bool) override { return true; }
    bool SetDTR(bool) override { return true; }
    bool SetRTS(bool) override { return true; }
    std::uint16_t GetModemStatus() override { return 0; }

private:
    std::shared_ptr<Robot> robot_;
};

class TestWindow : public ::testing::Test {
protected:
    int OpenRobotSlot() { return pool.OpenPortSlot("COM1").slot; }
    void AwaitExchanges(int count) {
        QSignalSpy shown(&form, &TTestForm::SensorsShown);
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= count; }));
    }

    std::shared_ptr<Robot> robot = std::make_shared<Robot>();
    TProgressForm progress;
    TRunController run{
        progress,
        TLinkSetup{
            [r = robot](std::string_view) {
                return link::OpenResult{std::make_unique<RobotLine>(r), link::OpenError::None};
            },
            [](std::vector<std::string>& list) { list = {"COM1"}; }}};
    link::TPortPool& pool = run.Pool();
    model::TActionDocument document;
    TTestForm form{document, run};
};

// Luminance 0..255 of a colour, for contrast checks.
int Lightness(QColor c) { return qGray(c.rgb()); }

// The darkest and lightest pixel in a rectangle of a grabbed control.
std::pair<int, int> LightnessRange(const QImage& image, const QRect& area) {
    int low = 255;
    int high = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int l = Lightness(image.pixelColor(x, y));
            low = std::min(low, l);
            high = std::max(high, l);
        }
    }
    return {low, high};
}

// A beginner must be able to read every control on the teal face: the arrows and the thumb stand
// out, enabled text is dark on its box, no label loses a letter, and the four buttons share one
// type in which every caption fits.
TEST_F(TestWindow, EveryControlIsReadableAndNothingIsClipped) {
    form.show();
    QScrollBar* bar = form.LeftTireSpeed();
    const QImage drawn = bar->grab().toImage();
    const int w = bar->width();
    // The arrow in the middle of the top button, against the button's face.
    const auto [arrowLow, arrowHigh] = LightnessRange(drawn, QRect(w / 4, w / 4, w / 2, w / 2));
    EXPECT_GT(arrowHigh - arrowLow, 100) << "the arrow is lost on its button";
    // The thumb (at 750, the middle) against the track near the top.
    const QColor thumb = drawn.pixelColor(w / 2, bar->height() / 2);
    const QColor track = drawn.pixelColor(w / 2, w + 4);
    EXPECT_GT(std::abs(Lightness(thumb) - Lightness(track)), 20) << "thumb and track look alike";

    for (QSpinBox* spin : {static_cast<QSpinBox*>(form.LServoSpinEdit()),
                           static_cast<QSpinBox*>(form.RServoSpinEdit())}) {
        ASSERT_TRUE(spin->isEnabled());
        const QPalette& colours = spin->palette();
        EXPECT_GT(std::abs(Lightness(colours.color(QPalette::Text)) -
                           Lightness(colours.color(QPalette::Base))),
                  128);
        EXPECT_GT(std::abs(Lightness(colours.color(QPalette::ButtonText)) -
                           Lightness(colours.color(QPalette::Button))),
                  128);
    }

    const QFont type = form.RunTestButton()->font();
    for (const QPushButton* button : {form.RunTestButton(), form.DefaultButton(),
                                      form.SetCalibrationButton(), form.ExitButton()}) {
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_EQ(button->font(), type);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 12, button->width());
    }
    for (const char* name :
         {"LeftEnabledLabel", "RightEnabledLabel", "LeftServoLabel", "RightServoLabel"}) {
        const auto* label = form.findChild<QLabel*>(QLatin1String(name));
        ASSERT_NE(label, nullptr) << name;
        for (const QString& word : label->text().split(QLatin1Char(' '))) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(word), label->width())
                << word.toStdString();
        }
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
    }
    form.close();
}

TEST_F(TestWindow, ShowingPresetsTheSpinEditsFromTheCalibrationOnly) {
    document.SetCalibration(120, 30);
    form.show();
    EXPECT_EQ(form.frameGeometry().size(), QSize(598, 480));
    EXPECT_EQ(form.windowTitle(), UiString(414));
    EXPECT_EQ(form.LServoSpinEdit()->value(), 770);
    EXPECT_EQ(form.RServoSpinEdit()->value(), 680);
    EXPECT_EQ(form.LeftTireSpeed()->value(), 750);  // the scroll bars stay
    EXPECT_EQ(form.RightTireSpeed()->value(), 750);
    EXPECT_TRUE(form.LServoSpinEdit()->isEnabled());
    EXPECT_EQ(form.PortSlot(), link::kNoPortSlot);
    EXPECT_FALSE(form.Testing());
    EXPECT_EQ(form.RunTestButton()->text(), UiString(419));
    EXPECT_EQ(form.ExitButton()->geometry(), QRect(407, 424, 170, 25));
    for (const QPushButton* button : {form.RunTestButton(), form.DefaultButton(),
                                      form.SetCalibrationButton(), form.ExitButton()}) {
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
            << button->text().toStdString();  // every caption fits its button
    }
    form.close();

    // A centre above 200 from a file shows as the largest pulse width.
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("wide.kvn")).toStdString();
    ASSERT_TRUE(document.SaveFile(path).ok);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(static_cast<qint64>(model::kOffsetRightCenter));
    file.putChar(static_cast<char>(230));
    file.close();
    ASSERT_TRUE(document.LoadFile(path).ok);
    form.show();
    EXPECT_EQ(form.RServoSpinEdit()->value(), 850);
}

TEST_F(TestWindow, CalibrationDefaultsAndTheWheelPairs) {
    form.show();
    form.RServoSpinEdit()->setValue(700);
    QTest::mouseClick(form.SetCalibrationButton(), Qt::LeftButton);
    EXPECT_EQ(document.Program().rightServoCenter, 50);
    EXPECT_EQ(document.Program().leftServoCenter, 100);

    // The scroll bar drives its spin edit; Default moves the spin edits only.
    form.LeftTireSpeed()->setValue(700);
    EXPECT_EQ(form.LServoSpinEdit()->value(), 700);
    QTest::mouseClick(form.DefaultButton(), Qt::LeftButton);
    EXPECT_EQ(form.LServoSpinEdit()->value(), 750);
    EXPECT_EQ(form.RServoSpinEdit()->value(), 750);
    EXPECT_EQ(form.LeftTireSpeed()->value(), 700);

    // Enter in a spin edit commits the typed value through its scroll bar, out-of-range values
    // brought into the range.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.LServoSpinEdit()->setFocus();
    form.LServoSpinEdit()->selectAll();
    QTest::keyClicks(form.LServoSpinEdit(), QStringLiteral("812"));
    QTest::keyClick(form.LServoSpinEdit(), Qt::Key_Return);
    EXPECT_EQ(form.LeftTireSpeed()->value(), 812);
    EXPECT_TRUE(form.LeftTireSpeed()->hasFocus());
}

TEST_F(TestWindow, AClearedSideIsDisabledAndGetsNoPulse) {
    form.show();
    form.RServoSpinEdit()->setValue(720);
    QTest::mouseClick(form.LeftCheckBox(), Qt::LeftButton);
    EXPECT_FALSE(form.LeftCheckBox()->isChecked());
    EXPECT_FALSE(form.LServoSpinEdit()->isEnabled());
    EXPECT_FALSE(form.LeftTireSpeed()->isEnabled());
    EXPECT_TRUE(form.RServoSpinEdit()->isEnabled());

    form.StartTest(OpenRobotSlot());
    AwaitExchanges(1);
    EXPECT_EQ(robot->LastPulses(), std::make_pair(720, 0));
}

TEST_F(TestWindow, SensorBytesLightTheirSide) {
    form.show();
    robot->Set(5);
    form.StartTest(OpenRobotSlot());
    AwaitExchanges(2);
    EXPECT_EQ(form.BotPanel()->Sensors(), (link::SensorState{true, false, true, false}));
    robot->Set(10);
    AwaitExchanges(2);
    EXPECT_EQ(form.BotPanel()->Sensors(), (link::SensorState{false, true, false, true}));
    robot->Set(0);
    AwaitExchanges(2);
    EXPECT_EQ(form.BotPanel()->Sensors(), link::SensorState{});
}

TEST_F(TestWindow, ClosingReleasesOnlyThePortTheTestHolds) {
    // Another user's port stays open when the window closes without a run.
    const int other = OpenRobotSlot();
    form.show();
    form.close();
    EXPECT_TRUE(pool.Port(other)->IsOpen());
    EXPECT_FALSE(form.LeftTireSpeed()->isEnabled());

    form.show();
    const int held = OpenRobotSlot();
    form.StartTest(held);
    AwaitExchanges(1);
    QTest::keyClick(&form, Qt::Key_Escape);  // closes like Exit
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Testing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pool.Port(held)->IsOpen(); }));
    EXPECT_TRUE(pool.Port(other)->IsOpen());
}

TEST_F(TestWindow, ASilentRobotShowsEverySensorWithoutHoldingUpTheWindow) {
    form.show();
    robot->gateClosed = true;
    robot->Set(0, true);
    form.StartTest(OpenRobotSlot());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        std::lock_guard lock(robot->mutex);
        return robot->waitingAtGate;
    }));
    // The exchange is stuck at the line; the window still takes events and gestures.
    bool handled = false;
    QTimer::singleShot(0, &form, [&] { handled = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return handled; }));
    form.LeftTireSpeed()->setValue(800);
    EXPECT_EQ(form.LServoSpinEdit()->value(), 800);

    QSignalSpy shown(&form, &TTestForm::SensorsShown);
    robot->OpenGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 1; }));
    EXPECT_EQ(shown.first().first().toInt(), link::kNoSensorAnswer);
    const link::SensorState all{true, true, true, true};
    EXPECT_EQ(form.BotPanel()->Sensors(), all);
    EXPECT_TRUE(form.Testing());  // the test goes on
}

TEST_F(TestWindow, ARunThatFindsNoRobotSaysSoAndLeavesTheTestStopped) {
    QStringList messages;
    QObject::connect(&run, &TRunController::ErrorShown,
                     [&](const QString& text) { messages.append(text); });
    robot->Set(0, true);  // nothing on COM1 identifies itself
    form.show();
    QSignalSpy finished(&form, &TTestForm::RunFinished);
    QTest::mouseClick(form.RunTestButton(), Qt::LeftButton);
    EXPECT_FALSE(form.RunTestButton()->isEnabled());  // one download at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(finished.first().first().toInt(), link::kNoPortSlot);
    EXPECT_EQ(messages, QStringList{UiString(resources::str::kRobotNotFound)});
    EXPECT_FALSE(form.Testing());
    EXPECT_TRUE(form.RunTestButton()->isEnabled());
    EXPECT_EQ(pool.FreeSlotCount(), link::kPortSlotCount);
}

// The virtual robot's world for the window: every input high (nothing fires) except a pin the
// test touches, and the last pulse on each servo pin.
class TouchBody final : public sim::PinBody {
public:
    std::atomic<int> touchedPin{-1};
    std::atomic<std::uint32_t> leftServoUs{0};
    std::atomic<std::uint32_t> rightServoUs{0};

    void AdvanceTo(sim::VirtualTime) override {}
    void OnPinDrive(int, bool, bool, sim::VirtualTime) override {}
    void OnPulse(int pin, std::uint32_t widthUs, sim::VirtualTime) override {
        if (pin == kLeftServoPin) leftServoUs = widthUs;
        if (pin == kRightServoPin) rightServoUs = widthUs;
    }
    void OnTone(int, std::uint32_t, std::uint32_t, std::uint32_t, sim::VirtualTime) override {}
    bool ReadInput(int pin, sim::VirtualTime) override { return pin != touchedPin; }

    static constexpr int kLeftServoPin = 13;  // the motion program's wiring
    static constexpr int kRightServoPin = 12;
    static constexpr int kRightWhiskerPin = 7;
};

TEST(TestWindowOnTheVirtualRobot, RunsTheTestProgramAndFollowsItsSensors) {
    TouchBody body;
    auto robot = std::make_shared<sim::VirtualRobot>();
    robot->Program().SetBody(&body);
    TProgressForm progress;
    TRunController run{
        progress, TLinkSetup{sim::WithVirtualRobot(
                                 [](std::string_view) {
                                     return link::OpenResult{nullptr, link::OpenError::NoSuchPort};
                                 },
                                 robot),
                             [](std::vector<std::string>& list) {
                                 list = {std::string(link::kVirtualPortName)};
                             }}};
    link::TPortPool& pool = run.Pool();
    run.Link().SetSelectedPort(link::kVirtualPortName);
    model::TActionDocument document;
    TTestForm form{document, run};
    QStringList messages;
    QObject::connect(&run, &TRunController::ErrorShown,
                     [&](const QString& text) { messages.append(text); });
    form.show();
    form.LServoSpinEdit()->setValue(800);
    form.RServoSpinEdit()->setValue(700);

    QSignalSpy finished(&form, &TTestForm::RunFinished);
    QTest::mouseClick(form.RunTestButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(messages, QStringList{});
    ASSERT_NE(form.PortSlot(), link::kNoPortSlot);
    ASSERT_TRUE(form.Testing());

    QSignalSpy shown(&form, &TTestForm::SensorsShown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 2; }));
    EXPECT_EQ(shown.last().first().toInt(), 0);  // in the open
    EXPECT_EQ(body.leftServoUs, 1600u);          // pulse units of 2 us
    EXPECT_EQ(body.rightServoUs, 1400u);

    body.touchedPin = TouchBody::kRightWhiskerPin;
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.BotPanel()->Sensors().rightWhisker; }));
    EXPECT_EQ(shown.last().first().toInt(), 0b1000);
    form.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return pool.FreeSlotCount() == link::kPortSlotCount; }));
}

}  // namespace
}  // namespace kavrin::ui
