#pragma once
// The simulator window: the virtual robot driving its program on a table, for learners without
// a robot. After a download to "SIM" the main window hands it the program, which starts from
// power-on with the robot at the arena's start, as a robot switched on after programming. It
// shows above the main window without taking the keyboard from it.
//
// The simulation runs in time slices on a timer of the UI thread (a slice costs well under a
// millisecond): at 1x virtual time follows the wall clock, at 1/4x or 1/2x it runs that much
// slower, at 2x, 5x or 20x that much faster; the picture is redrawn after each slice, up to 60
// times a second. Pausing or closing stops the timer. "Next step" runs until another step of the
// lists starts and pauses there.
//
// Beside the table a panel shows the robot's whiskers, detectors, servos and the step it runs;
// under it a timeline covers the recorded run. Moving the timeline pauses and shows the run as it
// was then (robot, trail, panel, step); back at its end the window is live again. A terminal pane
// shows what the program sends to the computer (DEBUG) and why it stopped, and sends what the user
// types (DEBUGIN).
//
// A mission chosen beside the arena puts its table and zones on the view and a panel beside it
// with the tasks, ticked off as the simulation's judge meets them. When the judge decides, the
// run pauses at that moment and the panel says how it went; a power cycle starts it over. A
// program that comes with its lists is checked against the mission's rules first (what it may be
// made of): one that breaks a rule has failed before it moves.
//
// "Judge a class..." beside the mission chooser judges every program of a folder against the
// mission on a window of its own (class_results.h); a row chosen there goes to the main window,
// which loads that program and runs it here on the same mission.

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "model/action_program.h"
#include "sim/simulation.h"
#include "sim/virtual_robot.h"
#include "ui/mission_panel.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kavrin::ui {

class TArenaView;
class TClassResults;
class TRobotStatePanel;
class TRunTimeline;

inline constexpr int kSimulatorFrameMs = 16;           // up to 60 pictures a second
inline constexpr qint64 kSimulatorMaxCatchUpMs = 100;  // a late frame never runs more than this
// The speeds offered, in quarters of real time: 1/4x, 1/2x, 1x, 2x, 5x, 20x.
inline constexpr int kSimulatorSpeedQuarters[] = {1, 2, 4, 8, 20, 80};
inline constexpr int kQuartersPerFactor = 4;
// While live and running, the timeline follows the record's end in steps of this much.
inline constexpr sim::VirtualTime kTimelineFollowStep = 100 * sim::kMicrosPerMs;
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
    // shows above its parent (never above a modal dialog) without taking the keyboard.
    // With the motion program's variables, the window follows the step it runs; with the lists
    // it was made of, a mission's rules are checked.
    void ShowProgram(const sim::Eeprom& image,
                     std::optional<sim::StepVariables> variables = std::nullopt,
                     std::optional<model::TActionProgram> lists = std::nullopt);
    // The same without showing the window.
    void StartProgram(const sim::Eeprom& image,
                      std::optional<sim::StepVariables> variables = std::nullopt,
                      std::optional<model::TActionProgram> lists = std::nullopt);
    // Says in the status line, until the next program comes, that the robot holds an older
    // version of the program than the lists show.
    void NoteOlderProgram();
    QString NoteText() const;

    void SetRunning(bool run);
    bool IsRunning() const { return running_; }
    void SetPower(bool on);
    bool PowerOn() const { return simulation_.Powered(); }
    // A whole factor (1, 2, 5 or 20), or quarters of real time (one of kSimulatorSpeedQuarters;
    // others go to the nearest offered).
    void SetSpeed(int factor) { SetSpeedQuarters(factor * kQuartersPerFactor); }
    void SetSpeedQuarters(int quarters);
    int SpeedQuarters() const { return quarters_; }
    // Runs at the chosen speed until another step starts, then pauses; nothing without a step
    // probe.
    void RunNextStep();
    bool IsSteppingToNext() const { return stepping_; }
    // Shows the recorded run at t, paused; ReturnToLive() shows the simulation as it is.
    void ShowMoment(sim::VirtualTime t);
    void ReturnToLive();
    std::optional<sim::VirtualTime> Moment() const { return moment_; }
    // The step the window shows now, live or replayed (none when off, ended or hidden).
    sim::RunningStep ShownStep() const;
    // A built-in arena by name, or an arena file; false (with the message shown) when it
    // cannot be read.
    bool SetArena(const QString& nameOrPath);
    // A built-in mission by name, or a mission file, with its table; an empty name ends the
    // mission and brings back the arena chosen before. False (with the message shown) when it
    // cannot be read.
    bool SetMission(const QString& nameOrPath);
    // The built-in's name or the file's path, empty without a mission.
    QString MissionKey() const { return missionKey_; }
    // The mission on the table, or none.
    const sim::Mission* CurrentMission() const;
    // What the lists of the program running make of its rules.
    const TRuleCheck& RuleCheck() const { return rules_; }

    // The mode a class is judged in: the main window's, with its "use sensors".
    void SetProgramMode(model::TMode mode, bool sensorsEnabled);
    // Asks for a folder and judges its programs against the mission on a window of its own;
    // while a judging runs, that window comes forward instead.
    void JudgeClass();
    // Judges the folder's .kvn files; false (with the message shown) when there are none or the
    // folder cannot be read.
    bool JudgeFolder(const QString& folder);
    // The class's window of the last judging, while it is open.
    TClassResults* ClassResults() const;
    // The folder dialog of Judge a class (tests answer it themselves).
    void SetFolderAsker(std::function<QString()> ask) { askFolder_ = std::move(ask); }
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
    // The step the window shows changed (its list, step, interrupted step or command), live or
    // in replay; a default RunningStep when none runs (off, program ended, window hidden).
    void RunningStepChanged(const kavrin::sim::RunningStep& step);
    // A pupil's program was chosen in the class's results: the main window loads it and runs
    // it (the mission it was judged on is on the table).
    void ProgramChosen(const QString& path);

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
    void PlaceFirstTime();
    void AttachLine();
    void DetachLine();
    void ArenaChosen(int index);
    void MissionChosen(int index);
    void ChooseMissionFile();
    QString AskForFile(int title, int filter);
    bool ReplaceTable(const std::function<void()>& put);
    bool Refuse(const std::string& error);
    bool Refuse(const QString& message);
    // Checks the lists of the program on the robot against the mission's rules.
    void UpdateRules();
    void ShowPupilProgram(const QString& path, const QString& missionKey);
    // Notes a verdict once in the terminal and pauses there.
    void CheckMission();
    void Tick();
    void TakeInput();
    void TakeOutput();
    void AppendTerminal(const QString& text);
    void AppendNote(const QString& note);
    void UpdateControls();
    // The moment shown: the record's at the replay time, or the simulation's now.
    sim::RunSample ShownSample() const;
    void TimelineMoved(sim::VirtualTime t);
    void UpdateStep();
    void ChooseArenaFile();

    sim::Simulation simulation_;
    QString arenaKey_;  // the built-in's name or the file's path
    QString missionKey_;
    bool verdictNoted_ = false;
    bool running_ = false;
    int quarters_ = kQuartersPerFactor;
    bool stepping_ = false;                   // Next step: runs until another step starts
    std::optional<sim::VirtualTime> moment_;  // replaying the record at this time
    sim::RunningStep shownStep_;              // as last announced
    bool olderProgram_ = false;
    bool placed_ = false;                         // placed beside the main window once
    std::optional<model::TActionProgram> lists_;  // of the program on the robot, when known
    TRuleCheck rules_;
    model::TMode programMode_ = model::TMode::Beginner;
    bool programSensors_ = false;
    QString classFolder_;  // the folder last judged
    std::function<QString()> askFolder_;
    QPointer<TClassResults> classResults_;
    QTimer timer_{this};  // "frameTimer"
    // Just shown after a run: a window manager that hands it the focus (when the progress window
    // closes) is overruled, and the focus goes back to where the user works.
    QTimer quietShow_{this};
    QElapsedTimer clock_;
    qint64 remainderNs_ = 0;  // wall time times quarters, not yet turned into virtual time
    bool terminalAtLineStart_ = true;
    std::shared_ptr<sim::VirtualRobot> robot_;
    std::shared_ptr<sim::SimulatorLine> line_;  // set while the robot's port routes to us

    TArenaView* view_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* powerButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    TRobotStatePanel* robotPanel_ = nullptr;
    TRunTimeline* timeline_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    QComboBox* arenaBox_ = nullptr;
    QComboBox* missionBox_ = nullptr;
    QPushButton* judgeButton_ = nullptr;
    TMissionPanel* panel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QPlainTextEdit* terminal_ = nullptr;
    QLineEdit* input_ = nullptr;
};

}  // namespace kavrin::ui
