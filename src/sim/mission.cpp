#include "sim/mission.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "fileio/input_file.h"
#include "resources/ui_strings.h"
#include "sim/text_lines.h"

namespace kavrin::sim {

namespace {

using text::Message;
using text::Quoted;
namespace str = resources::str;

// Drive a square of 60 cm and come back near the start: forward and turns only, in eight steps.
constexpr std::string_view kSquareText =
    "title Square\n"
    "goal Drive a square through A, B and C and come back to D, where you started, with forward, "
    "turns and stop only, in at most 8 steps.\n"
    "table 200 150\n"
    "start 40 40 0\n"
    "zone A 85 25 30 30\n"
    "zone B 85 85 30 30\n"
    "zone C 25 85 30 30\n"
    "zone D 25 25 30 30\n"
    "reach A\n"
    "reach B\n"
    "reach C\n"
    "reach D\n"
    "limit 60\n"
    "tiles F L R S\n"
    "steps 8\n";

// A bay walled on three sides, across the table.
constexpr std::string_view kBayText =
    "title Parking\n"
    "goal Drive into the bay P and stop there for a second, without touching anything, with "
    "forward, backward and stop only.\n"
    "table 200 150\n"
    "start 30 75 0\n"
    "wall 120 50 180 50\n"
    "wall 120 100 180 100\n"
    "wall 180 50 180 100\n"
    "zone P 130 55 40 40\n"
    "reach P\n"
    "stop P 1\n"
    "no-touch\n"
    "limit 25\n"
    "tiles F B S\n";

// Past the box on its left (A), behind it (B), back on its right (C) and home (D).
constexpr std::string_view kRoundBoxText =
    "title Round the box\n"
    "goal Drive round the box through A, B and C and come back to D, without touching it.\n"
    "table 200 150\n"
    "start 30 75 0\n"
    "box 90 60 20 30\n"
    "zone A 85 100 30 35\n"
    "zone B 125 60 35 30\n"
    "zone C 85 15 30 35\n"
    "zone D 15 60 30 30\n"
    "reach A\n"
    "reach B\n"
    "reach C\n"
    "reach D\n"
    "no-touch\n"
    "limit 60\n";

// A corridor 40 cm wide that turns left and opens onto the top of the table.
constexpr std::string_view kCorridorText =
    "title Corridor\n"
    "goal Follow the corridor to its end and come out at E, without touching its walls.\n"
    "table 200 150\n"
    "start 25 75 0\n"
    "wall 0 55 140 55\n"
    "wall 140 55 140 115\n"
    "wall 0 95 100 95\n"
    "wall 100 95 100 115\n"
    "zone E 150 115 50 35\n"
    "reach E\n"
    "no-touch\n"
    "limit 40\n";

// A spiral of lanes 50 cm wide, from the middle of the table out to the corner: a wall ahead
// means turning left, which only the sensors can tell.
constexpr std::string_view kMazeText =
    "title Out of the maze\n"
    "goal Find the way out of the maze to E with the sensors, without touching its walls.\n"
    "table 200 150\n"
    "start 75 80 -90\n"
    "wall 50 0 50 100\n"
    "wall 50 100 150 100\n"
    "wall 150 100 150 50\n"
    "wall 150 50 100 50\n"
    "zone E 0 0 50 40\n"
    "reach E\n"
    "no-touch\n"
    "limit 120\n";

constexpr text::NamedText kBuiltIns[] = {{kMissionSquare, kSquareText},
                                         {kMissionBay, kBayText},
                                         {kMissionRoundBox, kRoundBoxText},
                                         {kMissionCorridor, kCorridorText},
                                         {kMissionMaze, kMazeText}};

// Leading and trailing blanks off.
std::string_view Trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The task lines, read while the arena reads its own. Zones are resolved at the end, when the
// table's size and every zone's name are known.
class TaskLines : public ArenaLineReader {
public:
    bool Knows(std::string_view keyword) const override {
        return keyword == "title" || keyword == "goal" || keyword == "zone" || keyword == "reach" ||
               keyword == "stop" || keyword == "no-touch" || keyword == "limit" ||
               keyword == "tiles" || keyword == "steps";
    }

    std::string Read(std::span<const std::string_view> words, std::string_view rest,
                     int lineNo) override {
        const std::string_view key = words[0];
        if (key == "title" || key == "goal") return Text(key, Trimmed(rest), lineNo);
        if (key == "zone") return Zone(words, lineNo);
        if (key == "reach" || key == "stop") return Task(words, lineNo);
        if (key == "tiles") return Tiles(words);
        if (key == "steps") return Steps(words);
        if (key == "no-touch") {
            if (words.size() != 1) return Message(str::kMissionTakesNothing, {Quoted(key)});
            mission_.noTouch = true;
            return {};
        }
        if (words.size() != 2) return Message(str::kMissionLimitTakes, {Quoted(key)});
        if (limitLine_) return Message(str::kMissionLimitTwice);
        limitLine_ = lineNo;
        VirtualTime limit = 0;
        if (std::string err = Seconds(words[1], limit); !err.empty()) return err;
        mission_.limit = limit;
        return {};
    }

    // The mission on the arena read, or "FILE:LINE: what is wrong".
    MissionResult Finish(Arena arena, const std::string& fileName) {
        for (std::size_t i = 0; i < mission_.zones.size(); ++i) {
            const ArenaBox& b = mission_.zones[i].area;
            if (b.x < 0 || b.y < 0 || b.x + b.width > arena.width || b.y + b.height > arena.depth) {
                return Fail(fileName, zoneLines_[i],
                            Message(str::kMissionZoneOffTable, {Quoted(mission_.zones[i].name)}));
            }
        }
        for (std::size_t i = 0; i < mission_.tasks.size(); ++i) {
            const auto zone = FindZone(taskZones_[i]);
            if (!zone) {
                return Fail(fileName, taskLines_[i],
                            Message(str::kMissionUnknownZone, {Quoted(taskZones_[i])}));
            }
            mission_.tasks[i].zone = *zone;
        }
        if (mission_.tasks.empty()) {
            return Fail(fileName, 0, Message(str::kMissionNoTasks));
        }
        if (mission_.title.empty()) {
            mission_.title = fileio::ShownPath(fileio::PathFromUtf8(fileName).filename());
        }
        mission_.name = fileName;
        mission_.arena = std::move(arena);
        return {std::move(mission_), {}};
    }

private:
    static MissionResult Fail(const std::string& fileName, int lineNo, const std::string& message) {
        return {std::nullopt, text::Located(fileName, lineNo, message)};
    }

    std::string Text(std::string_view key, std::string_view text, int lineNo) {
        int& given = key == "title" ? titleLine_ : goalLine_;
        if (given)
            return Message(key == "title" ? str::kMissionTitleTwice : str::kMissionGoalTwice);
        given = lineNo;
        (key == "title" ? mission_.title : mission_.goal) = std::string(text);
        return {};
    }

    std::string Zone(std::span<const std::string_view> words, int lineNo) {
        if (words.size() != 6) {
            return Message(str::kMissionZoneTakes, {Quoted(words[0]), Message(str::kOperandsBox)});
        }
        if (mission_.zones.size() == kMaxMissionZones) {
            return Message(str::kMissionTooManyZones, {std::to_string(kMaxMissionZones)});
        }
        if (FindZone(words[1])) return Message(str::kMissionZoneTwice, {Quoted(words[1])});
        double v[4] = {};
        for (std::size_t i = 0; i < 4; ++i) {
            const auto n = text::Number(words[i + 2]);
            if (!n) return Message(str::kArenaNotANumber, {Quoted(words[i + 2])});
            v[i] = *n;
        }
        if (v[2] <= 0 || v[3] <= 0) return Message(str::kMissionZoneSize);
        mission_.zones.push_back({std::string(words[1]), {v[0], v[1], v[2], v[3]}});
        zoneLines_.push_back(lineNo);
        return {};
    }

    std::string Task(std::span<const std::string_view> words, int lineNo) {
        const bool stop = words[0] == "stop";
        if (stop && words.size() != 3) return Message(str::kMissionStopTakes, {Quoted(words[0])});
        if (!stop && words.size() != 2) return Message(str::kMissionReachTakes, {Quoted(words[0])});
        if (mission_.tasks.size() == kMaxMissionTasks) {
            return Message(str::kMissionTooManyTasks, {std::to_string(kMaxMissionTasks)});
        }
        MissionTask task;
        task.kind = stop ? TaskKind::Stop : TaskKind::Reach;
        task.reachesBefore = reaches_;
        if (stop) {
            if (std::string err = Seconds(words[2], task.hold); !err.empty()) return err;
        } else {
            ++reaches_;
        }
        mission_.tasks.push_back(task);
        taskZones_.emplace_back(words[1]);
        taskLines_.push_back(lineNo);
        return {};
    }

    // Letters of step kinds, apart or run together, in either case.
    std::string Tiles(std::span<const std::string_view> words) {
        if (words.size() < 2)
            return Message(str::kMissionTilesTake, {Quoted(words[0]), SpacedLetters()});
        if (mission_.rules.tiles) return Message(str::kMissionTilesTwice);
        std::string letters;
        for (const std::string_view word : words.subspan(1)) {
            for (const char c : word) {
                const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
                if (kStepLetters.find(upper) == std::string_view::npos) {
                    return Message(str::kMissionUnknownTile, {Quoted(word), SpacedLetters()});
                }
                if (letters.find(upper) == std::string::npos) letters += upper;
            }
        }
        mission_.rules.tiles = std::move(letters);
        return {};
    }

    std::string Steps(std::span<const std::string_view> words) {
        if (words.size() != 2) return Message(str::kMissionStepsTakes, {Quoted(words[0])});
        if (mission_.rules.maxSteps) return Message(str::kMissionStepsTwice);
        const auto n = text::Number(words[1]);
        if (!n || *n < 1 || *n > kMaxRuleSteps || *n != std::floor(*n)) {
            return Message(str::kMissionStepsRange,
                           {Quoted(words[1]), std::to_string(kMaxRuleSteps)});
        }
        mission_.rules.maxSteps = static_cast<int>(*n);
        return {};
    }

    // "F B L R E I S G".
    static std::string SpacedLetters() {
        std::string spaced;
        for (const char c : kStepLetters) {
            if (!spaced.empty()) spaced += ' ';
            spaced += c;
        }
        return spaced;
    }

    // Seconds above 0 and at most a day, to the microsecond.
    static std::string Seconds(std::string_view word, VirtualTime& time) {
        const auto n = text::Number(word);
        if (!n) return Message(str::kArenaNotANumber, {Quoted(word)});
        if (*n <= 0 || *n > kMaxMissionSeconds) {
            return Message(str::kMissionNotATime,
                           {Quoted(word), std::to_string(static_cast<int>(kMaxMissionSeconds))});
        }
        time = std::llround(*n * kMicrosPerSecond);
        return {};
    }

    std::optional<std::size_t> FindZone(std::string_view name) const {
        for (std::size_t i = 0; i < mission_.zones.size(); ++i) {
            if (mission_.zones[i].name == name) return i;
        }
        return std::nullopt;
    }

    Mission mission_;
    std::vector<int> zoneLines_;
    std::vector<std::string> taskZones_;
    std::vector<int> taskLines_;
    std::size_t reaches_ = 0;
    int titleLine_ = 0;
    int goalLine_ = 0;
    int limitLine_ = 0;
};

}  // namespace

MissionResult ParseMission(std::string_view text, const std::string& fileName,
                           const RobotGeometry& geometry) {
    TaskLines tasks;
    ArenaResult arena = ParseArena(text, fileName, geometry, &tasks);
    if (!arena.arena) return {std::nullopt, std::move(arena.error)};
    return tasks.Finish(std::move(*arena.arena), fileName);
}

MissionResult LoadMissionFile(const std::string& path, const RobotGeometry& geometry) {
    std::string content, error;
    if (!text::ReadFile(path, content, error)) return {std::nullopt, error};
    return ParseMission(content, path, geometry);
}

const std::vector<std::string>& BuiltInMissionNames() {
    static const std::vector<std::string> names = text::Names(kBuiltIns);
    return names;
}

std::optional<Mission> BuiltInMission(std::string_view name) {
    const auto builtIn = text::TextNamed(kBuiltIns, name);
    if (!builtIn) return std::nullopt;
    return ParseMission(*builtIn, std::string(name)).mission;
}

MissionResult FindMission(const std::string& nameOrPath, const RobotGeometry& geometry) {
    const auto builtIn = text::TextNamed(kBuiltIns, nameOrPath);
    return builtIn ? ParseMission(*builtIn, nameOrPath, geometry)
                   : LoadMissionFile(nameOrPath, geometry);
}

}  // namespace kavrin::sim
