#pragma once
// Which step of the action lists the robot is executing, read from the generated motion
// program's own state rather than from a clock.
//
// The motion program keeps where it is in its variables: `Offset` (byte offset of the main
// list's current pair from ActionList), `InSet` (a sensor set runs), `SetPtr` (address of the
// pair behind the sensor set's current one), `SetNo` (which set), `Cmd` (the letter it executes),
// `Cycles` and `Value` (the command's drive cycles left and its value as written). The
// tokenizer says where each is allocated (`FindStepVariables`); a probe reads them from the
// processor's memory and the step map turns them into (list, step).
//
// The step map is read from the EEPROM image, which the code generator lays out so: the main
// list from address 14, each step one command pair, in Advanced mode preceded by "C" pairs that
// belong to it; each sensor set from the address in its start word, one pair per step; every
// list ended by "Q". A probe means something only for an image the generator made from lists;
// the caller checks that (it knows which image it downloaded).
//
// A few hundred microseconds inside each command change the program's variables disagree (the
// offset moved, the letter not read yet; a jump back under way). The probe then reads nothing
// and the tracker keeps the step it had, so a step is never reported that the robot does not
// run.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/pin_body.h"
#include "sim/processor.h"
#include "wire/object_code.h"

namespace kavrin::sim {

// The lists as the timeline numbers them.
inline constexpr int kNoList = 0;
inline constexpr int kMainList = 1;    // the main action list
inline constexpr int kSetAllList = 2;  // Sensor Set All; Sets 1 to 4 are 3 to 6
inline constexpr int kStepListCount = 6;
inline constexpr int kMainListStart = 14;
// A drive cycle of the motion program lasts about this long; five make a tenth of a second.
inline constexpr VirtualTime kDriveCycle = 20 * kMicrosPerMs;

struct StepRef {
    int list = kNoList;  // 1 main, 2 Sensor Set All, 3..6 Sets 1..4; 0: no step runs
    int step = 0;        // 1-based
    bool Runs() const { return list != kNoList; }
    friend bool operator==(const StepRef&, const StepRef&) = default;
};

struct RunningStep {
    StepRef at;            // the step the robot executes now
    int interrupted = 0;   // while a sensor set runs: the main list's step it interrupted
    char command = 0;      // the letter executing (an avoidance manoeuvre has its own)
    VirtualTime left = 0;  // the command's time left
    friend bool operator==(const RunningStep&, const RunningStep&) = default;
};

struct StepVariables {
    wire::VariableLocation offset, inSet, setPtr, setNo, cmd, cycles, value;
    friend bool operator==(const StepVariables&, const StepVariables&) = default;
};

using VariableFinder = std::function<std::optional<wire::VariableLocation>(std::string_view)>;

// The motion program's variables, looked up by name; nothing when one is missing (not a
// generated program).
std::optional<StepVariables> FindStepVariables(const VariableFinder& find);

// The command line's English for a step: "step 3 (forward)", "step 2 of Sensor Set 1 (turn
// left)"; the letter is the step's command, 0 when not known.
std::string EnglishStepText(StepRef step, char letter);
// The command line's English for a step's kind by its letter ("rotate right" for 'I'); empty for
// a letter that is no step's.
std::string_view EnglishKindText(char letter);

class StepMap {
public:
    // Reads the lists' layout out of a generated image. A damaged layout (a list running off the
    // image) ends that list where it can no longer be read.
    static StepMap FromImage(const Eeprom& image);

    int StepCount(int list) const;
    // The step that the pair at this address belongs to, 0 for none.
    int StepAt(int list, int address) const;
    // The address of a list's first pair.
    int Start(int list) const {
        return list >= 1 && list <= kStepListCount ? start_[static_cast<std::size_t>(list - 1)]
                                                   : -1;
    }
    // The letter of the pair at this address, 0 outside the list.
    char LetterAt(int list, int address) const;
    // The command letter of a step, 0 for none.
    char Letter(StepRef step) const;

private:
    struct Pair {
        char letter = 0;
        int step = 0;  // "C" pairs belong to the step they precede
    };
    std::array<int, kStepListCount> start_{};
    std::array<std::vector<Pair>, kStepListCount> pairs_;
    std::array<std::vector<int>, kStepListCount> stepPair_;  // step k's own pair at [k - 1]
};

class StepProbe {
public:
    StepProbe(StepVariables variables, const Eeprom& image)
        : variables_(variables), map_(StepMap::FromImage(image)) {}

    // What the program's variables say now; nothing while they disagree (see above). A program
    // that has stopped, or not yet left its start delay, runs no step.
    std::optional<RunningStep> Read(const Processor& cpu) const;
    const StepMap& Map() const { return map_; }
    const StepVariables& Variables() const { return variables_; }

private:
    StepVariables variables_;
    StepMap map_;
};

}  // namespace kavrin::sim
