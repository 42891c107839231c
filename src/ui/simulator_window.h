#pragma once
// The simulator window: the virtual robot driving its program on a table, for learners without
// a robot. It opens after a download to "SIM" with the robot at the arena's start and the
// program starting from power-on, as a robot switched on after programming.
//
// The simulation runs in time slices on a timer of the UI thread (a slice costs well under a
// millisecond): at 1x virtual time follows the wall clock, at 2x, 5x or 20x it runs that much
// faster; the picture is redrawn after each slice, up to 60 times a second. Pausing stops the
// timer. A terminal pane shows what the program sends to the computer (DEBUG) and why it
// stopped, and sends what the user types (DEBUGIN).

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "sim/simulation.h"
#include "sim/virtual_robot.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kavrin::ui {

class ArenaView;

inline constexpr int kSimulatorFrameMs = 16;            // up to 60 pictures a second
inline constexpr qint64 kSimulatorMaxCatchUpMs = 100;   // a late frame never runs more than this
inline constexpr int kSimulatorSpeeds[] = {1, 2, 5, 20};
inline constexpr int kTerminalMaxLines = 2000;

class SimulatorWindow : public QWidget {
    Q_OBJECT

public:
    explicit SimulatorWindow(QWidget* parent = nullptr);
    // Gives the robot's running program back to its port.
    ~SimulatorWindow() override;

    // This window's robot becomes the one behind the robot's "SIM" port: what a program on the
    // computer sends to it (the servo test window's pulses) reaches the program running here,
    // and what the program sends goes back to that port while it is open.
    void ConnectRobot(std::shared_ptr<sim::VirtualRobot> robot);

    // A program was downloaded: it starts from power-on at the arena's start.
    void StartProgram(const sim::Eeprom& image);

    void SetRunning(bool run);
    bool IsRunning() const { return running_; }
    void SetPower(bool on);
    bool PowerOn() const { return simulation_.Powered(); }
    // 1, 2, 5 or 20.
    void SetSpeed(int factor);
    int Speed() const { return speed_; }
    // A built-in arena by name, or an arena file; false (with the message shown) when it
    // cannot be read.
    bool SetArena(const QString& nameOrPath);
    // Sends the text typed on the computer to the program, with a carriage return.
    void SendLine(const QString& text);
    // Runs the simulation by this much virtual time at once (screenshots and tests).
    void Advance(sim::VirtualTime duration);

    const sim::Simulation& Simulation() const { return simulation_; }
    QString TerminalText() const;

    QSize sizeHint() const override { return {900, 720}; }

private:
    void Tick();
    void TakeInput();
    void TakeOutput();
    void AppendTerminal(const QString& text);
    void UpdateControls();
    void ChooseArenaFile();

    sim::Simulation simulation_;
    QString arenaKey_;  // the built-in's name or the file's path
    bool running_ = false;
    int speed_ = 1;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 remainderNs_ = 0;  // wall time not yet turned into virtual microseconds
    bool terminalAtLineStart_ = true;
    std::shared_ptr<sim::VirtualRobot> robot_;
    std::shared_ptr<sim::SimulatorLine> line_;

    ArenaView* view_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* powerButton_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    QComboBox* arenaBox_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QPlainTextEdit* terminal_ = nullptr;
    QLineEdit* input_ = nullptr;
};

// Opens the simulator window (made the first time, then brought to the front) and starts the
// downloaded image on it. What the Go command and the servo test window call after a
// successful download to "SIM".
SimulatorWindow* ShowSimulator(const sim::Eeprom& image);

}  // namespace kavrin::ui
