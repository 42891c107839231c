#pragma once
// A run as it happened, kept for replay: from power-on, every 20 ms of virtual time, where the
// robot was, what its sensors and servos did and which step it ran; beside the samples, marks
// at each step change and each mission event. A record holds at most an hour of virtual time
// (7.2 MB of samples) and 40,000 marks; after that the run goes on unrecorded and the record
// says it is full.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/mission_judge.h"
#include "sim/plane.h"
#include "sim/step_probe.h"

namespace kavrin::sim {

inline constexpr VirtualTime kSampleInterval = 20 * kMicrosPerMs;
// A sample counts the infrared detector as seeing while its last burst, this recent, saw.
inline constexpr VirtualTime kIrSeenHold = 100 * kMicrosPerMs;
inline constexpr VirtualTime kMaxRecordedTime = 3600 * kMicrosPerSecond;
inline constexpr std::size_t kMaxSamples =
    static_cast<std::size_t>(kMaxRecordedTime / kSampleInterval) + 1;
// A step changes at most once a check (5 ms), but lists of short steps in a loop change about
// ten times a second: this many marks cover an hour of those, at about 1.6 MB.
inline constexpr std::size_t kMaxMarks = 40'000;

// What a wheel's servo is told: -1 back, 0 still, 1 forward.
enum class WheelDrive : std::int8_t { Back = -1, Still = 0, Forward = 1 };

// One moment of the run in 40 bytes: floats for the pose are exact to well under a millimetre
// on any table.
struct RunSample {
    VirtualTime time = 0;
    float x = 0, y = 0, heading = 0;              // cm, cm, radians
    std::uint16_t leftPulse = 0, rightPulse = 0;  // µs of the servo's last pulse, 0 when it rests
    std::uint16_t leftMs = 0;                     // the command's time left, ms
    std::uint8_t list = 0, step = 0, interrupted = 0;
    char command = 0;
    bool leftWhisker = false, rightWhisker = false;  // pressed
    bool leftIr = false, rightIr = false;            // the last burst saw something
    WheelDrive leftDrive = WheelDrive::Still, rightDrive = WheelDrive::Still;

    Pose GetPose() const { return {x, y, heading}; }
    RunningStep Running() const;
};

static_assert(sizeof(RunSample) <= 40);

struct RunMark {
    enum class Kind : std::uint8_t { Step, Reached, Stopped, Touched, Decided };
    VirtualTime time = 0;
    Kind kind = Kind::Step;
    StepRef step;                     // Step: the step that starts (list 0: none runs now)
    std::size_t task = 0;             // Reached, Stopped
    Thing thing = Thing::Wall;        // Touched
    Failure failure = Failure::None;  // Decided: why not passed, None when passed
};

class RunRecord {
public:
    void Clear();
    // Samples come in time order; one at the time of the last replaces it. Past either limit
    // samples and marks are dropped and Full() says so.
    void Add(const RunSample& sample);
    void AddMark(const RunMark& mark);

    const std::vector<RunSample>& Samples() const { return samples_; }
    const std::vector<RunMark>& Marks() const { return marks_; }
    bool Full() const { return full_; }
    bool Empty() const { return samples_.empty(); }
    VirtualTime End() const { return samples_.empty() ? 0 : samples_.back().time; }

    // The last sample at or before t (the first one before it begins); the record must not be
    // empty.
    const RunSample& At(VirtualTime t) const;
    // Index of that sample.
    std::size_t IndexAt(VirtualTime t) const;
    // The step that was running at t, from the step marks (none before the first).
    StepRef StepAt(VirtualTime t) const;
    // Bytes the record holds, reserved space included.
    std::size_t Bytes() const;

private:
    std::vector<RunSample> samples_;
    std::vector<RunMark> marks_;
    bool full_ = false;
};

}  // namespace kavrin::sim
