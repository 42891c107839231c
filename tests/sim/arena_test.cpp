// The arena text format and the built-in tables.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "language_scope.h"
#include "sim/arena.h"

namespace kavrin::test {
namespace {

using namespace kavrin::sim;

TEST(Arena, BuiltInsLoadWithTheRobotFreeAtTheirStart) {
    for (const std::string& name : BuiltInArenaNames()) {
        const ArenaResult r = FindArena(name);
        ASSERT_TRUE(r.arena) << r.error;
        EXPECT_EQ(r.arena->name, name);
    }
    const Arena open = *BuiltInArena("open");
    EXPECT_EQ(open.width, 200);
    EXPECT_EQ(open.depth, 150);
    EXPECT_EQ(open.start, (Pose{30, 75, 0}));
    EXPECT_EQ(open.Outlines().segments.size(), 4u);  // the table's edge

    const Arena ahead = *BuiltInArena("wall-ahead");
    ASSERT_EQ(ahead.walls.size(), 1u);
    EXPECT_EQ(ahead.walls[0].a.x - ahead.start.x, 40);
    EXPECT_EQ(ahead.walls[0].b.x, ahead.walls[0].a.x);
    EXPECT_FALSE(BuiltInArena("nowhere"));
}

TEST(Arena, ReadsEveryKindOfLineWithCommentsAndBlankLines) {
    const ArenaResult r = ParseArena(
        "# a practice table\r\n"
        "\r\n"
        "table 120.5 90   # small\r\n"
        "wall 10 0 10 40\n"
        "  box 60 20 15 10\n"
        "disc 90 60 5.5\n"
        "start 40 45 -90\n",
        "practice.arena");
    ASSERT_TRUE(r.arena) << r.error;
    const Arena& a = *r.arena;
    EXPECT_EQ(a.name, "practice.arena");
    EXPECT_EQ(a.width, 120.5);
    EXPECT_EQ(a.depth, 90);
    ASSERT_EQ(a.walls.size(), 1u);
    EXPECT_EQ(a.walls[0].b, (Vec2{10, 40}));
    ASSERT_EQ(a.boxes.size(), 1u);
    EXPECT_EQ(a.boxes[0].height, 10);
    ASSERT_EQ(a.discs.size(), 1u);
    EXPECT_EQ(a.discs[0].radius, 5.5);
    EXPECT_NEAR(a.start.HeadingDegrees(), -90, 1e-9);
    EXPECT_EQ(a.Outlines().segments.size(), 4u + 1u + 4u);

    // Without table and start lines: the default table, the robot at the left, facing +x.
    const ArenaResult d = ParseArena("", "empty.arena");
    ASSERT_TRUE(d.arena) << d.error;
    EXPECT_EQ(d.arena->start, (Pose{30, 75, 0}));
}

TEST(Arena, AnUnreadableLineIsAnErrorNamingTheFileAndLine) {
    const TLanguageScope english(resources::TLanguage::English);
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"table 200 150\nwal 1 2 3 4\n", "f.arena:2: unknown keyword \"wal\""},
        {"\n\nwall 1 2 3\n", "f.arena:3: \"wall\" takes 4 numbers: x1 y1 x2 y2"},
        {"disc 50 50 4 4\n", "f.arena:1: \"disc\" takes 3 numbers: x y radius"},
        {"box 10 10 5 ten\n", "f.arena:1: \"ten\" is not a number"},
        {"box 10 10 5 nan\n", "f.arena:1: \"nan\" is not a number"},
        {"box 10 10 5 1e999\n", "f.arena:1: \"1e999\" is not a number"},
        {"wall 1,5 2 3 4\n", "f.arena:1: \"1,5\" is not a number"},
        {"box 10 10 0 5\n", "f.arena:1: a box needs a positive width and height"},
        {"disc 10 10 -1\n", "f.arena:1: a disc needs a positive radius"},
        {"table 200 150\ntable 100 100\n", "f.arena:2: the table is given twice"},
        {"table 0 150\n",
         "f.arena:1: the table's width and depth must be above 0 and at most 2000 cm"},
        {"start 1 1 0\nstart 2 2 0\n", "f.arena:2: the start is given twice"},
        {"# box over the start\nbox 20 70 10 10\nstart 30 75 0\n",
         "f.arena:3: the robot does not fit at its start"},
        {"start 250 75 0\n", "f.arena:1: the robot does not fit at its start"},
        {"disc 30 75 2\n", "f.arena: the robot does not fit at its start"},  // default start
        // The body wholly inside a box or a disc, or a box wholly under the body.
        {"box 0 0 190 140\nstart 100 70 0\n", "f.arena:2: the robot does not fit at its start"},
        {"disc 100 70 60\nstart 100 70 0\n", "f.arena:2: the robot does not fit at its start"},
        {"box 29 74 2 2\n", "f.arena: the robot does not fit at its start"},
        // Nothing that is not a finite number, and no length the geometry cannot square.
        {"start 30 75 inf\n", "f.arena:1: \"inf\" is not a number"},
        {"start 30 75 -nan\n", "f.arena:1: \"-nan\" is not a number"},
        {"\nwall 0 0 1e300 1e300\n", "f.arena:2: \"1e300\" is beyond 100000 cm"},
        {"disc 10 10 2e5\n", "f.arena:1: \"2e5\" is beyond 100000 cm"},
    };
    for (const auto& c : cases) {
        const ArenaResult r = ParseArena(c.text, "f.arena");
        EXPECT_FALSE(r.arena) << c.text;
        EXPECT_EQ(r.error, c.error) << c.text;
    }
}

TEST(Arena, AnyFiniteHeadingIsAnAngleAndNoPoseOffTheNumbersIsFree) {
    const ArenaResult huge = ParseArena("start 30 75 1e308\n", "f.arena");
    ASSERT_TRUE(huge.arena) << huge.error;
    EXPECT_TRUE(std::isfinite(huge.arena->start.heading));
    EXPECT_LE(std::fabs(huge.arena->start.heading), 3.2);
    const ArenaResult turns = ParseArena("start 30 75 -3690\n", "f.arena");  // ten turns and -90
    ASSERT_TRUE(turns.arena) << turns.error;
    EXPECT_NEAR(turns.arena->start.HeadingDegrees(), -90, 1e-9);
    EXPECT_DOUBLE_EQ(DegreesToRadians(-1e308), -DegreesToRadians(1e308));

    const Arena open = *BuiltInArena("open");
    const Obstacles outlines = open.Outlines();
    const double nan = std::nan("");
    for (const Pose& p :
         {Pose{nan, 75, 0}, Pose{30, nan, 0}, Pose{30, 75, nan}, Pose{30, 75, INFINITY}}) {
        EXPECT_FALSE(PoseIsFree(open, outlines, {}, p)) << p.x << " " << p.y << " " << p.heading;
    }
    EXPECT_TRUE(PoseIsFree(open, outlines, {}, open.start));
}

TEST(Arena, FilesLoadByPathAndAMissingOneOrAFolderCannotBeRead) {
    const TLanguageScope english(resources::TLanguage::English);
    const auto dir = std::filesystem::path(::testing::TempDir());
    const auto path = (dir / "corner.arena").string();
    std::ofstream(path) << "table 100 100\nbox 80 80 10 10\nstart 20 20 45\n";
    const ArenaResult r = FindArena(path);
    ASSERT_TRUE(r.arena) << r.error;
    EXPECT_EQ(r.arena->boxes.size(), 1u);
    EXPECT_EQ(FindArena((dir / "none.arena").string()).error,
              (dir / "none.arena").string() + ": cannot read: No such file or folder");
    EXPECT_EQ(FindArena(dir.string()).error, dir.string() + ": cannot read: It is a folder");
}

}  // namespace
}  // namespace kavrin::test
