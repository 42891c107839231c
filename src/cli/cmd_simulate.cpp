// kavrin-cli simulate: a program driving the virtual robot on a table, without a window.
//
//   kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--arena NAME|FILE]
//                       [--start X,Y,HEADING] [--seconds N] [--trace]
//
// Powers the robot on at the arena's start (or the given place) and runs the program for N
// virtual seconds as fast as it can. Each sensor change and contact is printed with its virtual
// time as it happens ("4.210 whisker left on"), with --trace also the pose every 0.1 s
// ("4.200 pose 61.3 75.2 -0.4"), and at the end the line "pose X Y HEADING" (cm, cm, degrees).

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/program_image.h"
#include "sim/simulation.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--arena NAME|FILE]\n"
    "                           [--start X,Y,HEADING] [--seconds N] [--trace]\n"
    "arenas: open, wall-ahead, corridor, maze, or a file\n";
constexpr double kDefaultSeconds = 20.0;
constexpr sim::VirtualTime kSlice = 10 * sim::kMicrosPerMs;        // events are printed as they come
constexpr sim::VirtualTime kTraceEvery = 100 * sim::kMicrosPerMs;  // a pose line this often
constexpr int kExitFailed = 1;
constexpr char kDefaultArena[] = "open";

struct SimulateOptions : VirtualRunOptions {
    SimulateOptions() { seconds = kDefaultSeconds; }
    std::string arena = kDefaultArena;
    bool hasStart = false;
    sim::Pose start;
};

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

}  // namespace

int RunSimulate(Args args) {
    SimulateOptions options;
    const auto takeOwn = [&options](Args a, std::size_t& i) {
        const bool hasValue = i + 1 < a.size();
        if (a[i] == "--arena" && hasValue) {
            options.arena = a[++i];
        } else if (a[i] == "--start" && hasValue) {
            if (!ParseStart(a[i + 1], options.start)) {  // refused: the usage follows
                std::fprintf(stderr, "kavrin-cli: --start %s: give X,Y,HEADING as three finite numbers\n",
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
    if (const int code = ParseVirtualRunArgs(args, kUsage, options, takeOwn); code >= 0) return code;
    sim::ArenaResult arena = sim::FindArena(options.arena);
    if (!arena.arena) {
        std::fprintf(stderr, "kavrin-cli: %s\n", arena.error.c_str());
        return kExitFailed;
    }
    sim::Eeprom image{};
    if (options.held ? !LoadHeldImage(image) : !CompileProgramImage(options.program, image)) return kExitFailed;

    sim::Simulation simulation(std::move(*arena.arena));
    simulation.Load(image);
    if (options.hasStart && !simulation.Place(options.start)) {
        std::fprintf(stderr, "kavrin-cli: the robot does not fit at %s on the table\n",
                     sim::PoseText(options.start).c_str());
        return kExitFailed;
    }

    const auto end = static_cast<sim::VirtualTime>(options.seconds * sim::kMicrosPerSecond);
    sim::VirtualTime nextTrace = kTraceEvery;
    bool faulted = false;
    while (simulation.Now() < end) {
        simulation.RunUntil(std::min(end, simulation.Now() + kSlice));
        for (const sim::WorldEvent& e : simulation.TakeEvents())
            std::printf("%.3f %s\n", Seconds(e.time), sim::EventText(e).c_str());
        if (options.trace && simulation.Now() >= nextTrace) {
            std::printf("%.3f pose %s\n", Seconds(nextTrace), sim::PoseText(simulation.Body().CurrentPose()).c_str());
            nextTrace += kTraceEvery;
        }
        simulation.TakeHostOutput();  // the window shows it; here only the robot's way counts
        if (simulation.TakeStopNotice() && simulation.Cpu().State() == sim::ProcessorState::Faulted) {
            std::fprintf(stderr, "kavrin-cli: the program stopped at %.6f s: %s\n", Seconds(simulation.Cpu().StopTime()),
                         simulation.Cpu().Diagnostic().c_str());
            faulted = true;
        }
    }
    std::printf("pose %s\n", sim::PoseText(simulation.Body().CurrentPose()).c_str());
    return faulted ? kExitFailed : 0;
}

}  // namespace kavrin::cli
