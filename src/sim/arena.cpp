#include "sim/arena.h"

#include <cmath>

#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "sim/text_lines.h"

namespace kavrin::sim {

namespace {

using text::Message;
using text::Number;
using text::Quoted;
namespace str = resources::str;

constexpr std::string_view kOpenText = "table 200 150\nstart 30 75 0\n";

constexpr std::string_view kWallAheadText =
    "table 200 150\n"
    "wall 70 0 70 150\n"
    "start 30 75 0\n";

// A corridor 40 cm wide that turns left at its end.
constexpr std::string_view kCorridorText =
    "table 200 150\n"
    "wall 0 55 160 55\n"
    "wall 160 55 160 150\n"
    "wall 0 95 120 95\n"
    "wall 120 95 120 150\n"
    "start 30 75 0\n";

// Four lanes 50 cm wide joined end to end, with obstacles to find in them.
constexpr std::string_view kMazeText =
    "table 200 150\n"
    "wall 50 0 50 100\n"
    "wall 100 50 100 150\n"
    "wall 150 0 150 100\n"
    "disc 75 25 6\n"
    "disc 125 120 6\n"
    "box 168 40 15 15\n"
    "start 25 25 90\n";

constexpr text::NamedText kBuiltIns[] = {{kArenaOpen, kOpenText},
                                         {kArenaWallAhead, kWallAheadText},
                                         {kArenaCorridor, kCorridorText},
                                         {kArenaMaze, kMazeText}};

bool InsideBox(Vec2 p, const ArenaBox& b) {
    return p.x > b.x && p.x < b.x + b.width && p.y > b.y && p.y < b.y + b.height;
}

struct Keyword {
    std::string_view word;
    std::size_t count;
    int operands;  // the string that names the numbers
};
constexpr Keyword kKeywords[] = {{"table", 2, resources::str::kOperandsTable},
                                 {"wall", 4, resources::str::kOperandsWall},
                                 {"box", 4, resources::str::kOperandsBox},
                                 {"disc", 3, resources::str::kOperandsDisc},
                                 {"start", 3, resources::str::kOperandsStart}};

class Parser {
public:
    Parser(const std::string& fileName, const RobotGeometry& geometry, ArenaLineReader* more)
        : fileName_(fileName), geometry_(geometry), more_(more) {}

    ArenaResult Run(std::string_view text) {
        arena_.name = fileName_;
        while (!text.empty()) {
            ++lineNo_;
            const std::size_t eol = text.find('\n');
            std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
            if (std::string err = Line(line); !err.empty()) return Fail(lineNo_, err);
        }
        if (!startLine_) arena_.start = {30.0, arena_.depth / 2, 0.0};
        if (!PoseIsFree(arena_, arena_.Outlines(), geometry_, arena_.start))
            return Fail(startLine_, Message(str::kArenaRobotDoesNotFit));
        return {std::move(arena_), {}};
    }

private:
    ArenaResult Fail(int lineNo, const std::string& message) const {
        return {std::nullopt, text::Located(fileName_, lineNo, message)};
    }

    // A comment runs from "#" to the end of the line; a reader of free text gets it as written.
    std::string Line(std::string_view line) {
        const auto words = text::Words(line.substr(0, line.find('#')));
        if (words.empty()) return {};
        const Keyword* key = nullptr;
        for (const Keyword& k : kKeywords) {
            if (words[0] == k.word) key = &k;
        }
        if (!key && more_ && more_->Knows(words[0])) {
            const std::size_t after = words[0].data() - line.data() + words[0].size();
            return more_->Read(words, line.substr(after), lineNo_);
        }
        if (!key) return Message(str::kArenaUnknownKeyword, {Quoted(words[0])});
        if (words.size() != key->count + 1) {
            return Message(str::kArenaTakesNumbers,
                           {Quoted(key->word), std::to_string(key->count), Message(key->operands)});
        }
        double v[4] = {};
        for (std::size_t i = 0; i < key->count; ++i) {
            const auto n = Number(words[i + 1]);
            if (!n) return Message(str::kArenaNotANumber, {Quoted(words[i + 1])});
            v[i] = *n;
        }
        const std::string_view word = key->word;
        // Lengths far off the table would overflow the geometry; a heading is only an angle.
        const std::size_t lengths = word == "start" ? 2 : key->count;
        for (std::size_t i = 0; i < lengths; ++i) {
            if (std::fabs(v[i]) > kMaxArenaLength) {
                return Message(
                    str::kArenaBeyond,
                    {Quoted(words[i + 1]), std::to_string(static_cast<int>(kMaxArenaLength))});
            }
        }
        if (word == "table") return Table(v[0], v[1]);
        if (word == "start") {
            if (startLine_) return Message(str::kArenaStartTwice);
            startLine_ = lineNo_;
            arena_.start = {v[0], v[1], DegreesToRadians(v[2])};
            return {};
        }
        if (++objects_ > kMaxArenaObjects)
            return Message(str::kArenaTooManyObjects, {std::to_string(kMaxArenaObjects)});
        if (word == "wall") {
            arena_.walls.push_back({{v[0], v[1]}, {v[2], v[3]}});
        } else if (word == "box") {
            if (v[2] <= 0 || v[3] <= 0) return Message(str::kArenaBoxSize);
            arena_.boxes.push_back({v[0], v[1], v[2], v[3]});
        } else {
            if (v[2] <= 0) return Message(str::kArenaDiscRadius);
            arena_.discs.push_back({{v[0], v[1]}, v[2]});
        }
        return {};
    }

    std::string Table(double width, double depth) {
        if (tableGiven_) return Message(str::kArenaTableTwice);
        tableGiven_ = true;
        if (width <= 0 || depth <= 0 || width > kMaxTableSize || depth > kMaxTableSize) {
            return Message(str::kArenaTableSize, {std::to_string(static_cast<int>(kMaxTableSize))});
        }
        arena_.width = width;
        arena_.depth = depth;
        return {};
    }

    const std::string& fileName_;
    const RobotGeometry& geometry_;
    ArenaLineReader* more_;
    Arena arena_;
    bool tableGiven_ = false;
    int startLine_ = 0;
    int lineNo_ = 0;
    std::size_t objects_ = 0;
};

}  // namespace

Obstacles Arena::Outlines() const {
    Obstacles o;
    const Vec2 c[4] = {{0, 0}, {width, 0}, {width, depth}, {0, depth}};
    for (int i = 0; i < 4; ++i) o.segments.push_back({c[i], c[(i + 1) % 4]});
    o.segments.insert(o.segments.end(), walls.begin(), walls.end());
    for (const ArenaBox& b : boxes) {
        const Vec2 r[4] = {{b.x, b.y},
                           {b.x + b.width, b.y},
                           {b.x + b.width, b.y + b.height},
                           {b.x, b.y + b.height}};
        for (int i = 0; i < 4; ++i) o.segments.push_back({r[i], r[(i + 1) % 4]});
    }
    o.discs = discs;
    return o;
}

bool PoseIsFree(const Arena& arena, const Obstacles& outlines, const RobotGeometry& geometry,
                const Pose& pose) {
    if (!std::isfinite(pose.x) || !std::isfinite(pose.y) || !std::isfinite(pose.heading)) {
        return false;
    }
    const auto corners = BodyCorners(geometry, pose);
    for (const Vec2& p : corners) {
        if (!(p.x > 0 && p.y > 0 && p.x < arena.width && p.y < arena.depth)) return false;
    }
    // The outlines catch a body that crosses an obstacle or holds one; a box is solid, so a
    // body wholly inside one (no outline met) is caught by its corners. A body inside a disc
    // lies within the disc's radius of its own edges, which the outlines already catch.
    for (const ArenaBox& b : arena.boxes) {
        if (InsideBox(corners.front(), b)) return false;
    }
    return !PolygonTouches(corners, outlines);
}

ArenaResult ParseArena(std::string_view text, const std::string& fileName,
                       const RobotGeometry& geometry, ArenaLineReader* more) {
    return Parser(fileName, geometry, more).Run(text);
}

ArenaResult LoadArenaFile(const std::string& path, const RobotGeometry& geometry) {
    std::string content, error;
    if (!text::ReadFile(path, content, error)) return {std::nullopt, error};
    return ParseArena(content, path, geometry);
}

const std::vector<std::string>& BuiltInArenaNames() {
    static const std::vector<std::string> names = text::Names(kBuiltIns);
    return names;
}

std::optional<Arena> BuiltInArena(std::string_view name) {
    const auto builtIn = text::TextNamed(kBuiltIns, name);
    if (!builtIn) return std::nullopt;
    return ParseArena(*builtIn, std::string(name)).arena;
}

ArenaResult FindArena(const std::string& nameOrPath, const RobotGeometry& geometry) {
    const auto builtIn = text::TextNamed(kBuiltIns, nameOrPath);
    return builtIn ? ParseArena(*builtIn, nameOrPath, geometry)
                   : LoadArenaFile(nameOrPath, geometry);
}

}  // namespace kavrin::sim
