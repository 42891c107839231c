#pragma once
// A mission: a table with a task on it, judged while the program drives (mission_judge.h).
// Its file is an arena file (arena.h) with task lines:
//
//     # park in the far bay without touching anything
//     title Far bay                  free text to the end of the line ("#" included), UTF-8
//     goal Drive into the bay and stop there.
//     table 200 150
//     start 30 75 0
//     zone bay 130 55 40 40          a marked area: name (one word), lower-left x y, width,
//                                    height; drawn on the table, not solid
//     reach bay                      the robot's point (the axle's centre, where `pose` is)
//                                    enters the zone; reach lines are met in the order written
//     stop bay 1                     the robot stands still (both wheels) with its point in the
//                                    zone for 1 s, once the reach lines above it are met
//     no-touch                       touching a wall, box, disc or the table's edge fails it
//     limit 20                       not complete 20 s after power-on fails it
//     tiles F L R S                  the only kinds of step the program's lists may use, by the
//                                    letters the code generator writes (F forward, B backward,
//                                    L R turns, E I rotations left and right, S stop and wait,
//                                    G go back; either case, apart or run together)
//     steps 8                        the main list holds at most 8 steps (1 to 255)
//
// A mission is complete when every reach (in order) and every stop has been met. Zones may be
// named before or after the lines that use them, but lie wholly on the table. A file without
// reach or stop lines is an arena, not a mission. The rules of `tiles` and `steps` concern the
// program's lists, which the simulation does not know: whoever runs an action program checks
// them before it runs (judge/rules.h), and a program that breaks one fails at once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/arena.h"
#include "sim/pin_body.h"

namespace kavrin::sim {

inline constexpr std::size_t kMaxMissionZones = 100;
inline constexpr std::size_t kMaxMissionTasks = 1000;
inline constexpr double kMaxMissionSeconds = 24.0 * 3600.0;  // a limit or a stop's time

struct MissionZone {
    std::string name;
    ArenaBox area;

    // Edges count as inside.
    bool Holds(Vec2 p) const {
        return p.x >= area.x && p.x <= area.x + area.width && p.y >= area.y &&
               p.y <= area.y + area.height;
    }
};

enum class TaskKind { Reach, Stop };

struct MissionTask {
    TaskKind kind = TaskKind::Reach;
    std::size_t zone = 0;           // index into the zones
    VirtualTime hold = 0;           // a stop's time
    std::size_t reachesBefore = 0;  // reach lines written above it
};

// Every step letter a `tiles` line may name, in the palette's order.
inline constexpr std::string_view kStepLetters = "FBLREISG";
inline constexpr int kMaxRuleSteps = 255;  // a list's most steps

// What the program may be made of.
struct MissionRules {
    std::optional<std::string> tiles;  // the letters allowed, each once, in the order written
    std::optional<int> maxSteps;       // the most steps of the main list

    bool AllowsTile(char letter) const {
        return !tiles || tiles->find(letter) != std::string::npos;
    }
    bool Any() const { return tiles || maxSteps; }
};

struct Mission {
    std::string name;  // the built-in's name or the file's path
    std::string title;
    std::string goal;
    Arena arena;
    std::vector<MissionZone> zones;
    std::vector<MissionTask> tasks;  // in the order written
    bool noTouch = false;
    std::optional<VirtualTime> limit;
    MissionRules rules;
};

struct MissionResult {
    std::optional<Mission> mission;
    std::string error;  // "FILE:LINE: what is wrong" when there is no mission
};

// Reads mission text; fileName names the source in messages and is the title when the text has
// none.
MissionResult ParseMission(std::string_view text, const std::string& fileName,
                           const RobotGeometry& geometry = {});
MissionResult LoadMissionFile(const std::string& path, const RobotGeometry& geometry = {});

// The built-in missions by name, from first steps to sensors.
inline constexpr std::string_view kMissionSquare = "square";
inline constexpr std::string_view kMissionBay = "bay";
inline constexpr std::string_view kMissionRoundBox = "round-box";
inline constexpr std::string_view kMissionCorridor = "corridor";
inline constexpr std::string_view kMissionMaze = "maze";
const std::vector<std::string>& BuiltInMissionNames();
std::optional<Mission> BuiltInMission(std::string_view name);

// A built-in by name, otherwise the file at that path.
MissionResult FindMission(const std::string& nameOrPath, const RobotGeometry& geometry = {});

}  // namespace kavrin::sim
