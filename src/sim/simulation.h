#pragma once
// A program running on the virtual robot on its table: the processor, the robot's body and the
// arena, stepped together in virtual time. The command line runs it as fast as it can; the
// simulator window runs it in time slices against the wall clock. Nothing here looks at a clock.
//
// Power-on puts the robot at the arena's start with time 0 and starts the program from its
// beginning, as a robot switched on after programming. Power-off freezes everything: time stands
// still until power comes back.
//
// Sensor changes and contacts, the bytes the program sends to the computer and why it stopped
// are collected and handed out with Take...(). Not thread-safe.
//
// Every run is recorded from power-on (run_record.h). Given the motion program's variables, the
// simulation also follows which step of the lists the robot runs (step_probe.h), every 5 ms of
// virtual time, and marks each change in the record.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/arena.h"
#include "sim/mission_judge.h"
#include "sim/processor.h"
#include "sim/robot_body.h"
#include "sim/run_record.h"
#include "sim/step_probe.h"

namespace kavrin::sim {

class Simulation {
public:
    explicit Simulation(Arena arena, RobotGeometry geometry = {});

    // A new program: kept, and started at once with power-on. With the variables of a generated
    // motion program, its running step is followed; without, none is.
    void Load(const Eeprom& image, std::optional<StepVariables> variables = std::nullopt);
    const Eeprom& Image() const { return image_; }

    // Back to the start, time 0, the program from its beginning.
    void PowerOn();
    void PowerOff();
    bool Powered() const { return powered_; }

    // A new table; the robot is switched on again at its start. A mission ends.
    void SetArena(Arena arena);
    // A mission: its table, as SetArena, and its judge, which starts over at every power-on.
    void SetMission(Mission mission);
    // The judge of the mission on the table, or none.
    const MissionJudge* Judge() const { return judge_ ? &*judge_ : nullptr; }
    // Moves the robot by hand; false (nothing changed) where it would not fit. While powered, a
    // mission on the table is then not passed.
    bool Place(const Pose& pose);

    // Runs the program and the body until virtual time t (nothing happens while powered off).
    void RunUntil(VirtualTime t);
    void RunFor(VirtualTime duration) { RunUntil(now_ + duration); }
    // The same, but stopping as soon as another step starts (seen within 5 ms); true when it
    // did. Without a step probe it runs to t.
    bool RunUntilNextStep(VirtualTime t);
    VirtualTime Now() const { return now_; }

    // A byte typed on the computer, arriving now.
    void FeedHost(std::uint8_t byte);

    std::vector<WorldEvent> TakeEvents();
    std::vector<HostByte> TakeHostOutput();
    // Once, when the program has stopped: "END", "STOP" or the diagnostic of a fault.
    std::optional<std::string> TakeStopNotice();
    // The mission's events since the last call (reached, stopped, touched).
    std::vector<MissionEvent> TakeMissionEvents();

    // The step running now (none without a probe, before the start delay ends and once the
    // program has stopped).
    const RunningStep& Running() const { return running_; }
    const StepProbe* Probe() const { return probe_ ? &*probe_ : nullptr; }
    // The run since power-on.
    const RunRecord& Record() const { return record_; }
    // The robot's state now, as the record keeps it.
    RunSample SampleNow() const;

    const RobotBody& Body() const { return body_; }
    const Processor& Cpu() const { return *cpu_; }

private:
    void OnWorldEvent(const WorldEvent& event);
    // Runs to t, which lies at most one check interval ahead; true when the step changed.
    bool Advance(VirtualTime t);
    void TakeJudgeEvents();

    Eeprom image_{};
    RobotBody body_;
    std::unique_ptr<Processor> cpu_;
    VirtualTime now_ = 0;
    bool powered_ = false;
    bool stopNoticed_ = false;
    std::vector<WorldEvent> events_;
    std::optional<MissionJudge> judge_;
    std::vector<MissionEvent> missionEvents_;
    bool decisionMarked_ = false;
    std::optional<StepVariables> variables_;
    std::optional<StepProbe> probe_;
    RunningStep running_;
    RunRecord record_;
    VirtualTime nextSample_ = 0;
};

// How the mission on the table stands now (the simulation must have one), with the step of the
// lists that was running when it failed, from the record and the step probe.
MissionOutcome MissionOutcomeNow(const Simulation& simulation);

// The pose as the command line prints it: "X Y HEADING", cm, cm and degrees in (-180, 180],
// one decimal each.
std::string PoseText(const Pose& pose);

}  // namespace kavrin::sim
