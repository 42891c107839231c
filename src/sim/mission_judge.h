#pragma once
// Judging a mission while its program drives: the simulation hands the judge every motion step
// of the robot (1 ms of virtual time while a wheel turns), every contact, a move by hand and,
// after each run of time, the time now; the judge keeps what has been met, when, and the
// verdict. Everything is decided at the virtual time it happened, so the command line and the
// window, which run time in slices of different sizes, reach the same verdict at the same time.
//
// - A reach is met at the first step that ends with the robot's point in its zone, once the
//   reaches above it are met.
// - A stop is met when the robot has stood still (no wheel turning) with its point in the zone
//   for its time, once the reaches above it are met.
// - The mission passes when every task is met; it fails at a contact when it forbids touching,
//   at its limit, when the robot is moved by hand, or when the program has stopped and the robot
//   stands where no task still open can be met.
//
// Decided, it takes no more notice of anything until the next power-on (`Restart`).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "sim/mission.h"
#include "sim/plane.h"
#include "sim/step_probe.h"

namespace kavrin::sim {

enum class Verdict { Open, Passed, NotPassed };

enum class Failure { None, Touched, TimeUp, ProgramEnded, MovedByHand };

// What a contact touched.
enum class Thing { TableEdge, Wall, Box, Disc };

struct MissionEvent {
    enum class Kind { Reached, Stopped, Touched };
    VirtualTime time = 0;
    Kind kind = Kind::Reached;
    std::size_t task = 0;       // reached, stopped
    Thing thing = Thing::Wall;  // touched
};

struct TaskProgress {
    bool met = false;
    VirtualTime at = -1;
};

class MissionJudge {
public:
    explicit MissionJudge(Mission mission);

    const Mission& GetMission() const { return mission_; }

    // Power-on: nothing met, the robot standing at the start since time 0.
    void Restart();

    // A motion step with a wheel turning has ended at t with the robot at this point.
    void OnStep(VirtualTime t, Vec2 point);
    // The body touched something at t; corners are its outline there.
    void OnContact(VirtualTime t, const std::array<Vec2, 4>& corners);
    void OnHandMove(VirtualTime t);
    // Time has reached now. programStopped: the program ended (or faulted) at stoppedAt;
    // wheelsStill: neither wheel turns now.
    void Update(VirtualTime now, bool programStopped, VirtualTime stoppedAt, bool wheelsStill);

    Verdict GetVerdict() const { return verdict_; }
    Failure GetFailure() const { return failure_; }
    Thing Touched() const { return touched_; }
    // The body's outline at the contact that failed the mission.
    const std::array<Vec2, 4>& TouchOutline() const { return touchOutline_; }
    // When the verdict was reached (-1 while open).
    VirtualTime DecidedAt() const { return decidedAt_; }
    const std::vector<TaskProgress>& Progress() const { return progress_; }

    // Reached, stopped and touched, in the order they happened, once each.
    std::vector<MissionEvent> TakeEvents();

private:
    void CompleteStops(VirtualTime until);
    void CheckPassed();
    void Fail(Failure failure, VirtualTime t);
    bool PastLimit(VirtualTime t) const { return mission_.limit && t > *mission_.limit; }
    // A task can still be met with the robot standing where it is.
    bool CanStillBeMet(std::size_t task) const;

    Mission mission_;
    Obstacles parts_[4];  // the table's edge, walls, boxes and discs, apart (indexed by Thing)
    std::vector<TaskProgress> progress_;
    std::vector<MissionEvent> events_;
    std::size_t reachesMet_ = 0;
    std::size_t nextReach_ = 0;   // the task index of the next reach, or the task count
    VirtualTime stillSince_ = 0;  // the end of the last step with a wheel turning
    Vec2 point_;
    Verdict verdict_ = Verdict::Open;
    Failure failure_ = Failure::None;
    Thing touched_ = Thing::Wall;
    std::array<Vec2, 4> touchOutline_{};
    VirtualTime decidedAt_ = -1;
};

// A rule of the mission (MissionRules) that the program's lists break: found before it runs.
struct RuleBreak {
    enum class Kind { Tile, Steps };
    Kind kind = Kind::Tile;
    StepRef step;     // Tile: the first step of a kind the mission does not allow
    char letter = 0;  //       and its letter
    int steps = 0;    // Steps: the main list's steps
    int allowed = 0;  //        and the most the mission allows
    friend bool operator==(const RuleBreak&, const RuleBreak&) = default;
};

// How a mission went, as plain values: what the command line prints, a report shows and a
// window may draw from.
struct MissionOutcome {
    Verdict verdict = Verdict::Open;
    Failure failure = Failure::None;  // None for a rule break, and while open
    Thing touched = Thing::Wall;      // Failure::Touched
    VirtualTime at = 0;               // when it was decided; while open, when the run ended
    std::vector<std::size_t> open;    // the tasks not met, in the order written
    StepRef step;                     // not passed: the step running at `at` (none: no step)
    char letter = 0;                  //   its command letter, 0 when not known
    std::optional<RuleBreak> rule;    // not passed before it ran, at time 0

    bool Passed() const { return verdict == Verdict::Passed; }
};

// The judge's state at now (the run's end while open), with the step that ran then.
MissionOutcome OutcomeOf(const MissionJudge& judge, VirtualTime now, StepRef step = {},
                         char letter = 0);
// Not passed at time 0 for breaking a rule, every task open.
MissionOutcome RuleOutcome(const Mission& mission, const RuleBreak& rule);

}  // namespace kavrin::sim
