#pragma once
// The table the virtual robot drives on, and its small text format, written by hand:
//
//     # a comment; blank lines are ignored
//     table 200 150          width and depth; the table's edge is a wall
//     wall 70 0 70 150       a thin wall from (x1, y1) to (x2, y2)
//     box 120 40 20 30       a rectangle: lower-left corner x y, width, height
//     disc 150 110 8         a round obstacle: centre x y, radius
//     start 30 75 0          where the robot starts: x y and heading
//
// Centimetres and degrees; x to the right, y up, heading counter-clockwise from +x. Without a
// table line the table is 200 x 150; without a start line the robot starts 30 cm from the left
// edge, half-way up, facing +x. A line that cannot be read is an error naming the file and line;
// so is a number that is not finite ("inf", "nan") or a length beyond 1 km either way.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/plane.h"
#include "sim/robot_geometry.h"

namespace kavrin::sim {

inline constexpr double kDefaultTableWidth = 200.0;
inline constexpr double kDefaultTableDepth = 150.0;
inline constexpr double kMaxTableSize = 2000.0;        // 20 m either way
inline constexpr std::size_t kMaxArenaObjects = 1000;  // walls, boxes and discs together
inline constexpr double kMaxArenaLength = 100000.0;    // any coordinate or size, either sign

struct ArenaBox {
    double x = 0;  // lower-left corner
    double y = 0;
    double width = 0;
    double height = 0;
};

struct Arena {
    std::string name;  // the built-in's name or the file's name
    double width = kDefaultTableWidth;
    double depth = kDefaultTableDepth;
    std::vector<Segment> walls;
    std::vector<ArenaBox> boxes;
    std::vector<Disc> discs;
    Pose start{30.0, kDefaultTableDepth / 2, 0.0};

    // Everything solid as outlines: the table edge, walls, boxes and discs.
    Obstacles Outlines() const;
};

// A format built on this one (a mission is an arena with task lines) reads the lines whose
// keyword the arena does not know.
class ArenaLineReader {
public:
    virtual ~ArenaLineReader() = default;
    virtual bool Knows(std::string_view keyword) const = 0;
    // A line of one of its keywords: the words (keyword first, without the comment) and the text
    // after the keyword as written, comment marks included, for lines of free text. Returns what
    // is wrong with it, or nothing.
    virtual std::string Read(std::span<const std::string_view> words, std::string_view rest,
                             int lineNo) = 0;
};

struct ArenaResult {
    std::optional<Arena> arena;
    std::string error;  // "FILE:LINE: what is wrong" when there is no arena
};

// Reads arena text; fileName only names the source in messages. The start must leave the
// robot's body on the table and clear of every obstacle. Lines the arena does not know go to
// `more` when it knows them.
ArenaResult ParseArena(std::string_view text, const std::string& fileName,
                       const RobotGeometry& geometry = {}, ArenaLineReader* more = nullptr);
ArenaResult LoadArenaFile(const std::string& path, const RobotGeometry& geometry = {});

// The built-in arenas, by name; the simulator starts on the open table.
inline constexpr std::string_view kArenaOpen = "open";
inline constexpr std::string_view kArenaWallAhead = "wall-ahead";
inline constexpr std::string_view kArenaCorridor = "corridor";
inline constexpr std::string_view kArenaMaze = "maze";
inline constexpr std::string_view kDefaultArena = kArenaOpen;
const std::vector<std::string>& BuiltInArenaNames();
std::optional<Arena> BuiltInArena(std::string_view name);

// A built-in by name, otherwise the file at that path.
ArenaResult FindArena(const std::string& nameOrPath, const RobotGeometry& geometry = {});

// Whether the robot's body at this pose lies on the table and clear of every obstacle.
bool PoseIsFree(const Arena& arena, const Obstacles& outlines, const RobotGeometry& geometry,
                const Pose& pose);

}  // namespace kavrin::sim
