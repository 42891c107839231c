#pragma once
// Judging a class: many action programs (.kvn files), each against every mission of a list, on
// the virtual robot. Each (program, mission) runs on a fresh sim::Simulation of its own, never on
// the user's virtual robot or its EEPROM file; a program is read, generated and compiled once and
// its image shared by its missions. Runs go N at a time on worker threads; the results come in a
// fixed order whatever N is: by file name, then by mission in the order given.
//
// The result is values, not text: for each program why it could not be judged or its lists, for
// each of its missions the outcome (sim::MissionOutcome: passed or not, when, why, the step that
// was running, a rule broken) and what a picture of the run needs (the path driven, where it
// touched). judge_text.h turns it into the command line's English, CSV and the HTML report.
//
// Judge() blocks its thread until every run is done or the stop token is set: the command line
// calls it on its main thread, a window on a thread of its own (see Progress for what comes back
// while it runs).

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

#include "model/action_program.h"
#include "sim/mission.h"
#include "sim/mission_judge.h"
#include "sim/plane.h"
#include "sim/processor.h"
#include "sim/step_probe.h"

namespace kavrin::tokenizer {
class TTokenizer;
}

namespace kavrin::judge {

// Why a program was not judged.
enum class FileProblem {
    None,
    Unreadable,    // missing, no access, a folder, not a regular file (a FIFO, a device)
    NotKavrin,     // not an action program file
    Damaged,       // an action program file with kinds or sensor sets out of range
    WrongVersion,  // saved by another version of the format
    WrongMode,     // an Advanced program judged in Beginner mode
    NotGenerated,  // its lists make no robot program (a go-back out of range, too long)
    Stopped,       // the judging was stopped before it ran
};

struct Request {
    std::vector<std::filesystem::path> programs;  // judged in the order of SortPrograms
    std::vector<sim::Mission> missions;           // judged in this order
    model::TMode mode = model::TMode::Beginner;
    bool sensorsEnabled = false;  // Beginner mode's "use sensors"; Advanced always uses them
    unsigned jobs = 0;            // runs at a time; 0: std::thread::hardware_concurrency()
    double seconds = 0;           // virtual seconds a run may take at most; 0: MissionRunEnd's
};

// A pose of the path at most this far from the last one kept is left out of a run's path.
inline constexpr double kPathSpacingCm = 1.0;
inline constexpr std::size_t kMaxPathPoses = 4000;

struct MissionRun {
    bool judged = false;  // false: the program has a FileProblem (or the judging stopped)
    sim::MissionOutcome outcome;
    // The robot's poses from power-on to the decision (or the run's end), thinned: the first, one
    // at least kPathSpacingCm from the one before, and the last. A rule broken: the start alone.
    std::vector<sim::Pose> path;
    // The body's outline at the contact that failed the mission.
    std::optional<std::array<sim::Vec2, 4>> touch;
};

struct ProgramResult {
    std::filesystem::path file;
    FileProblem problem = FileProblem::None;
    std::string message;  // why it was not judged, in the run's language (the model's message)
    std::optional<model::TActionProgram> program;  // its lists, once read
    std::vector<MissionRun> runs;                  // one per mission, in the missions' order
};

struct Result {
    std::vector<sim::Mission> missions;
    model::TMode mode = model::TMode::Beginner;
    bool sensorsEnabled = false;
    std::vector<ProgramResult> programs;  // in the order of SortPrograms
    bool stopped = false;                 // the stop token ended it before every run was done

    // Every program judged and every mission passed.
    bool AllPassed() const;
};

// What a run reports as it finishes. The callback is called on the worker threads, one call at a
// time (never two at once, and done grows by one each call), after the run's result is in place;
// it should return quickly and must not call Judge. A window forwards it to its own thread
// through a queued call.
struct Progress {
    std::size_t done = 0;     // runs finished so far, this one included
    std::size_t total = 0;    // programs times missions
    std::size_t program = 0;  // index into Result::programs
    std::size_t mission = 0;  // index into the missions
};
using ProgressCallback = std::function<void(const Progress&)>;

// Judges every program against every mission. A stop request ends the runs under way at their
// next slice of virtual time and leaves the rest undone: those runs stay not judged, a program
// never read gets FileProblem::Stopped, and Result::stopped is set.
Result Judge(const Request& request, const ProgressCallback& progress = {},
             std::stop_token stop = {});

// A program generated and compiled for the virtual robot, once for all its missions.
struct CompiledProgram {
    sim::Eeprom image{};
    std::optional<sim::StepVariables> variables;  // where its running step is kept
};

struct CompileResult {
    std::optional<CompiledProgram> compiled;
    std::string message;  // why not (FileProblem::NotGenerated), in the run's language
};

// Generates the lists into the motion template and compiles them with the tokenizer given, as
// Judge does for each program it has read.
CompileResult CompileProgram(const model::TActionProgram& program, model::TMode mode,
                             bool sensorsEnabled, tokenizer::TTokenizer& tokenizer);

// One program against one mission, as Judge runs each pair: the mission's rules first, then a
// fresh simulation of the compiled program up to MissionRunEnd(mission, seconds). Not judged when
// the stop token ended it first.
MissionRun JudgeProgram(const model::TActionProgram& program, const CompiledProgram& compiled,
                        const sim::Mission& mission, double seconds,
                        const std::stop_token& stop = {});

// Where a mission's run ends at the latest: the given seconds when above 0, else the mission's
// limit and one more second, else kDefaultMissionSeconds.
inline constexpr double kDefaultMissionSeconds = 20.0;
inline constexpr double kAfterLimitSeconds = 1.0;
sim::VirtualTime MissionRunEnd(const sim::Mission& mission, double seconds = 0);

// The programs in the order they are judged: by file name (ASCII letters without regard to
// case, then as written), then by the whole path; the same file given twice counts once.
void SortPrograms(std::vector<std::filesystem::path>& programs);

struct FolderPrograms {
    std::vector<std::filesystem::path> files;  // sorted
    std::string error;                         // the folder could not be read
    std::error_code reason;                    // and why, for a window to say in its words
};
// Every .kvn file (the extension in any letter case) directly in the folder, not in its folders.
FolderPrograms ProgramsInFolder(const std::filesystem::path& folder);

}  // namespace kavrin::judge
