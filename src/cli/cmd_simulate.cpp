// kavrin-cli simulate: a program driving the virtual robot on a table, without a window.
//
//   kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--arena NAME|FILE]
//                       [--start X,Y,HEADING] [--seconds N] [--trace] [--timeline FILE.csv]
//   kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] --mission NAME|FILE
//                       [--seconds N] [--trace] [--timeline FILE.csv]
//   kavrin-cli simulate --list-missions
//
// Powers the robot on at the arena's start (or the given place) and runs the program for N
// virtual seconds as fast as it can. Each sensor change and contact is printed with its virtual
// time as it happens ("4.210 whisker left on"), with --trace also the pose every 0.1 s
// ("4.200 pose 61.3 75.2 -0.4"), and at the end the line "pose X Y HEADING" (cm, cm, degrees).
//
// With a mission it runs until the mission is decided (or N seconds, by default the mission's
// limit and one more), printing the task's events instead ("6.812 reached bay"; the sensors
// too with --trace) and last the verdict ("mission passed in 10.4 s", "mission not passed: ...",
// naming the step of a .kvn program that was running when it failed). A .kvn program that breaks
// the mission's tiles or steps rule fails at once, without running.
//
// --timeline writes the recorded run as CSV (see timeline.h); with "-" the table goes to standard
// output and the run's own lines to standard error. Exit 0 passed, 4 not passed.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/program_image.h"
#include "cli/timeline.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"
#include "judge/judge.h"
#include "judge/rules.h"
#include "sim/mission_words.h"
#include "sim/simulation.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--arena "
    "NAME|FILE]\n"
    "                           [--start X,Y,HEADING] [--seconds N] [--trace] [--timeline "
    "FILE.csv|-]\n"
    "       kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] --mission "
    "NAME|FILE\n"
    "                           [--seconds N] [--trace] [--timeline FILE.csv|-]\n"
    "       kavrin-cli simulate --list-missions\n"
    "arenas: open, wall-ahead, corridor, maze, or a file\n"
    "missions: see --list-missions, or a file\n";
constexpr double kDefaultSeconds = 20.0;
constexpr sim::VirtualTime kSlice = 10 * sim::kMicrosPerMs;  // events are printed as they come
constexpr sim::VirtualTime kTraceEvery = 100 * sim::kMicrosPerMs;  // a pose line this often

// seconds stays 0 when not given: the default depends on the mission.
struct SimulateOptions : VirtualRunOptions {
    std::string arena;  // empty: the default, or the mission's
    std::string mission;
    bool hasStart = false;
    sim::Pose start;
    std::string timeline;  // empty: none; "-": standard output
};

// Where the run's own lines go: standard output, unless the timeline takes it.
std::FILE* Report(const SimulateOptions& options) {
    return options.timeline == "-" ? stderr : stdout;
}

// Writes the run's record as CSV; false (with the reason on standard error) when it cannot.
bool WriteTimeline(const sim::Simulation& simulation, const std::string& name) {
    const std::string csv =
        TimelineCsv(simulation.Record(), simulation.SampleNow(), simulation.Body().CurrentPose());
    if (name == "-") {
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        return std::fflush(stdout) == 0;
    }
    // Whole or not at all: a write that fails leaves the old table there.
    if (const std::error_code error = fileio::ReplaceFileWhole(fileio::PathFromUtf8(name), csv)) {
        PrintFileMessage(name, "cannot write the timeline: " + error.message());
        return false;
    }
    return true;
}

// "X,Y,HEADING" in centimetres and degrees.
bool ParseStart(std::string_view text, sim::Pose& pose) {
    double v[3] = {};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 3; ++i) {
        const auto [next, ec] = std::from_chars(p, end, v[i]);
        if (ec != std::errc() || !std::isfinite(v[i])) return false;
        p = next;
        if (i < 2) {
            if (p == end || *p != ',') return false;
            ++p;
        }
    }
    if (p != end) return false;
    pose = {v[0], v[1], sim::DegreesToRadians(v[2])};
    return true;
}

double Seconds(sim::VirtualTime t) { return static_cast<double>(t) / sim::kMicrosPerSecond; }

int ListMissions() {
    std::size_t width = 0;
    for (const std::string& name : sim::BuiltInMissionNames()) width = std::max(width, name.size());
    for (const std::string& name : sim::BuiltInMissionNames()) {
        std::printf("%-*s  %s\n", static_cast<int>(width), name.c_str(),
                    sim::BuiltInMission(name)->title.c_str());
    }
    return 0;
}

// A line of the run's output, in time order with the others.
struct TimedLine {
    sim::VirtualTime time;
    std::string text;
};

// Runs the mission's program until the mission is decided or the time is up; prints its events
// (and with --trace the world's and the pose) and the verdict. A program that breaks one of the
// mission's rules does not run.
int RunMission(sim::Simulation& simulation, const SimulateOptions& options,
               const std::optional<sim::RuleBreak>& broken) {
    const sim::MissionJudge& judge = *simulation.Judge();
    std::FILE* report = Report(options);
    if (broken) {
        std::fprintf(
            report, "%s\n",
            sim::VerdictText(judge.GetMission(), sim::RuleOutcome(judge.GetMission(), *broken))
                .c_str());
        if (!options.timeline.empty() && !WriteTimeline(simulation, options.timeline))
            return kExitFailed;
        return kExitNotPassed;
    }
    const sim::VirtualTime end = judge::MissionRunEnd(judge.GetMission(), options.seconds);
    sim::VirtualTime nextTrace = kTraceEvery;
    while (simulation.Now() < end && judge.GetVerdict() == sim::Verdict::Open) {
        simulation.RunUntil(std::min(end, simulation.Now() + kSlice));
        std::vector<TimedLine> lines;
        for (const sim::MissionEvent& e : simulation.TakeMissionEvents())
            lines.push_back({e.time, sim::MissionEventText(judge.GetMission(), e)});
        for (const sim::WorldEvent& e : simulation.TakeEvents()) {
            if (options.trace) lines.push_back({e.time, sim::EventText(e)});
        }
        while (options.trace && simulation.Now() >= nextTrace) {
            lines.push_back({nextTrace, "pose " + sim::PoseText(simulation.Body().CurrentPose())});
            nextTrace += kTraceEvery;
        }
        std::stable_sort(lines.begin(), lines.end(),
                         [](const TimedLine& a, const TimedLine& b) { return a.time < b.time; });
        for (const TimedLine& line : lines)
            std::fprintf(report, "%.3f %s\n", Seconds(line.time), line.text.c_str());
        simulation.TakeHostOutput();
        if (simulation.TakeStopNotice() &&
            simulation.Cpu().State() == sim::ProcessorState::Faulted) {
            std::fprintf(stderr, "kavrin-cli: the program stopped at %.6f s: %s\n",
                         Seconds(simulation.Cpu().StopTime()),
                         simulation.Cpu().Diagnostic().c_str());
        }
    }
    std::fprintf(report, "%s\n",
                 sim::VerdictText(judge.GetMission(), sim::MissionOutcomeNow(simulation)).c_str());
    if (!options.timeline.empty() && !WriteTimeline(simulation, options.timeline))
        return kExitFailed;
    return judge.GetVerdict() == sim::Verdict::Passed ? 0 : kExitNotPassed;
}

}  // namespace

int RunSimulate(Args args) {
    if (args.size() == 1 && args[0] == "--list-missions") return ListMissions();
    SimulateOptions options;
    const auto takeOwn = [&options](Args a, std::size_t& i) {
        const bool hasValue = i + 1 < a.size();
        if (a[i] == "--arena" && hasValue) {
            options.arena = a[++i];
        } else if (a[i] == "--timeline" && hasValue && options.timeline.empty()) {
            options.timeline = a[++i];
        } else if (a[i] == "--mission" && hasValue) {
            options.mission = a[++i];
        } else if (a[i] == "--start" && hasValue) {
            if (!ParseStart(a[i + 1], options.start)) {  // refused: the usage follows
                std::fprintf(stderr,
                             "kavrin-cli: --start %s: give X,Y,HEADING as three finite numbers\n",
                             std::string(a[i + 1]).c_str());
                return false;
            }
            options.hasStart = true;
            ++i;
        } else {
            return false;
        }
        return true;
    };
    if (const int code = ParseVirtualRunArgs(args, kUsage, options, takeOwn); code >= 0)
        return code;
    // A mission brings its own table and start.
    if (!options.mission.empty() && (!options.arena.empty() || options.hasStart)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::optional<sim::Mission> mission;
    if (!options.mission.empty()) {
        sim::MissionResult found = sim::FindMission(options.mission);
        if (!found.mission) {
            std::fprintf(stderr, "kavrin-cli: %s\n", found.error.c_str());
            return kExitFailed;
        }
        mission = std::move(found.mission);
    }
    sim::ArenaResult arena =
        mission ? sim::ArenaResult{mission->arena, {}}
                : sim::FindArena(options.arena.empty() ? std::string(sim::kDefaultArena)
                                                       : options.arena);
    if (!arena.arena) {
        std::fprintf(stderr, "kavrin-cli: %s\n", arena.error.c_str());
        return kExitFailed;
    }
    sim::Eeprom image{};
    std::optional<sim::StepVariables> variables;
    if (options.held ? !LoadHeldImage(image)
                     : !CompileProgramImage(options.program, image, &variables)) {
        return kExitFailed;
    }

    // The rules of what a program is made of concern its lists: a source or the held image has
    // none.
    std::optional<sim::RuleBreak> broken;
    if (mission && mission->rules.Any()) {
        if (options.held || !IsActionFile(options.program.file)) {
            std::fputs(
                "kavrin-cli: the mission's tiles and steps rules are checked for .kvn programs "
                "only\n",
                stderr);
        } else {
            model::TActionProgram program;
            if (!LoadProgramFile(options.program, program)) return kExitFailed;
            broken = judge::CheckRules(program, mission->rules);
        }
    }

    sim::Simulation simulation(std::move(*arena.arena));
    if (mission) simulation.SetMission(std::move(*mission));
    simulation.Load(image, variables);
    if (simulation.Judge()) return RunMission(simulation, options, broken);
    if (options.hasStart && !simulation.Place(options.start)) {
        std::fprintf(stderr, "kavrin-cli: the robot does not fit at %s on the table\n",
                     sim::PoseText(options.start).c_str());
        return kExitFailed;
    }

    const double seconds = options.seconds > 0 ? options.seconds : kDefaultSeconds;
    const auto end = static_cast<sim::VirtualTime>(seconds * sim::kMicrosPerSecond);
    std::FILE* report = Report(options);
    sim::VirtualTime nextTrace = kTraceEvery;
    bool faulted = false;
    while (simulation.Now() < end) {
        simulation.RunUntil(std::min(end, simulation.Now() + kSlice));
        for (const sim::WorldEvent& e : simulation.TakeEvents())
            std::fprintf(report, "%.3f %s\n", Seconds(e.time), sim::EventText(e).c_str());
        if (options.trace && simulation.Now() >= nextTrace) {
            std::fprintf(report, "%.3f pose %s\n", Seconds(nextTrace),
                         sim::PoseText(simulation.Body().CurrentPose()).c_str());
            nextTrace += kTraceEvery;
        }
        simulation.TakeHostOutput();  // the window shows it; here only the robot's way counts
        if (simulation.TakeStopNotice() &&
            simulation.Cpu().State() == sim::ProcessorState::Faulted) {
            std::fprintf(stderr, "kavrin-cli: the program stopped at %.6f s: %s\n",
                         Seconds(simulation.Cpu().StopTime()),
                         simulation.Cpu().Diagnostic().c_str());
            faulted = true;
        }
    }
    std::fprintf(report, "pose %s\n", sim::PoseText(simulation.Body().CurrentPose()).c_str());
    if (!options.timeline.empty() && !WriteTimeline(simulation, options.timeline))
        return kExitFailed;
    return faulted ? kExitFailed : 0;
}

}  // namespace kavrin::cli
