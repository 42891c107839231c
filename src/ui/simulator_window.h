#pragma once
// The simulator window: the virtual robot driving its program on a table, for learners without
// a robot. After a download to "SIM" the main window hands it the program, which starts from
// power-on with the robot at the arena's start, as a robot switched on after programming. It
// shows above the main window without taking the keyboard from it.
//
// The simulation runs in time slices on a timer of the UI thread (a slice costs well under a
// millisecond): at 1x virtual time follows the wall clock, at 2x, 5x or 20x it runs that much
// faster; the picture is redrawn after each slice, up to 60 times a second. Pausing or closing
// stops the timer. A terminal pane shows what the program sends to the computer (DEBUG) and why
// it stopped, and sends what the user types (DEBUGIN).
//
// A mission chosen beside the arena puts its table and zones on the view and a panel beside it
// with the tasks, ticked off as the simulation's judge meets them. When the judge decides, the
// run pauses at that moment and the panel says how it went; a power cycle starts it over.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "sim/simulation.h"
#include "sim/virtual_robot.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kavrin::ui {

class TArenaView;
class TMissionPanel;

inline constexpr int kSimulatorFrameMs = 16;           // up to 60 pictures a second
inline constexpr qint64 kSimulatorMaxCatchUpMs = 100;  // a late frame never runs more than this
inline constexpr int kSimulatorSpeeds[] = {1, 2, 5, 20};
inline constexpr int kTerminalMaxLines = 2000;
inline constexpr int kQuietShowMs = 1500;  // the progress window closes within this
// The generated motion program stands still this long after power-on, so that the robot can be
// put down (its StartDelay); the status counts it down.
inline constexpr sim::VirtualTime kProgramStartDelay = 3'500 * sim::kMicrosPerMs;

class TSimulatorForm : public QWidget {
    Q_OBJECT

public:
    // The parent is the window it stays above (the main window); it is not part of its face.
    explicit TSimulatorForm(QWidget* parent = nullptr);
    // Gives the robot's running program back to its port.
    ~TSimulatorForm() override;

    // The robot behind the "SIM" port. While this window is showing, it is this window's robot:
    // what a program on the computer sends to it (the servo test window's pulses) reaches the
    // program running here, and what the program sends goes back to that port while it is open.
    // Closed, the port's own program answers again.
    void ConnectRobot(std::shared_ptr<sim::VirtualRobot> robot);

    // A program was downloaded: it starts from power-on at the arena's start, and the window
    // shows above its parent (never above a modal dialog) without taking the keyboard. With the
    // motion program's variables, the step it runs is followed (runningStepChanged).
    void ShowProgram(const sim::Eeprom& image,
                     std::optional<sim::StepVariables> variables = std::nullopt);
    // The main window's lists are no longer the program that runs: noted once in the terminal.
    void NoteOlderProgram();
    // The same without showing the window.
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
    // A built-in mission by name, or a mission file, with its table; an empty name ends the
    // mission and brings back the arena chosen before. False (with the message shown) when it
    // cannot be read.
    bool SetMission(const QString& nameOrPath);
    // The built-in's name or the file's path, empty without a mission.
    QString MissionKey() const { return missionKey_; }
    // Sends the text typed on the computer to the program, with a carriage return.
    void SendLine(const QString& text);
    // Runs the simulation by this much virtual time at once (screenshots and tests).
    void Advance(sim::VirtualTime duration);

    const sim::Simulation& Simulation() const { return simulation_; }
    QString TerminalText() const;
    // What the status line in the bar says (running, paused, starting in so many seconds...).
    QString StatusText() const;

    QSize sizeHint() const override { return {900, 720}; }

Q_SIGNALS:
    // Another step of the lists runs; RunningStep{} (list 0) when none does (the program ended,
    // the robot was switched off).
    void runningStepChanged(const kavrin::sim::RunningStep& step);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QHBoxLayout* BuildBar();
    QHBoxLayout* BuildMissionLine();
    QWidget* BuildTerminal();
    void BuildArenaBox();
    void ConnectControls();
    void AttachLine();
    void DetachLine();
    void ArenaChosen(int index);
    void MissionChosen(int index);
    void ChooseMissionFile();
    QString AskForFile(int title, int filter);
    bool ReplaceTable(const std::function<void()>& put);
    bool Refuse(const std::string& error);
    // Notes a verdict once in the terminal and pauses there.
    void CheckMission();
    void Tick();
    void TakeInput();
    void TakeOutput();
    void AppendTerminal(const QString& text);
    void AppendNote(const QString& note);
    void UpdateControls();
    void ChooseArenaFile();
    void ReportRunningStep();

    sim::Simulation simulation_;
    QString arenaKey_;  // the built-in's name or the file's path
    QString missionKey_;
    bool verdictNoted_ = false;
    sim::RunningStep reportedStep_;
    bool running_ = false;
    int speed_ = 1;
    QTimer timer_{this};  // "frameTimer"
    // Just shown after a run: a window manager that hands it the focus (when the progress window
    // closes) is overruled, and the focus goes back to where the user works.
    QTimer quietShow_{this};
    QElapsedTimer clock_;
    qint64 remainderNs_ = 0;  // wall time not yet turned into virtual microseconds
    bool terminalAtLineStart_ = true;
    std::shared_ptr<sim::VirtualRobot> robot_;
    std::shared_ptr<sim::SimulatorLine> line_;  // set while the robot's port routes to us

    TArenaView* view_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* powerButton_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    QComboBox* arenaBox_ = nullptr;
    QComboBox* missionBox_ = nullptr;
    TMissionPanel* panel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QPlainTextEdit* terminal_ = nullptr;
    QLineEdit* input_ = nullptr;
};

}  // namespace kavrin::ui
