// The mission format: task lines on an arena, their errors, and the built-in missions.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "language_scope.h"
#include "sim/mission.h"

namespace kavrin::test {
namespace {

using namespace kavrin::sim;

TEST(MissionFile, ReadsTaskLinesBesideTheArenaInTheOrderWritten) {
    const MissionResult r = ParseMission(
        "# two bays, the far one last\r\n"
        "title  Μακρινή θέση #2  \r\n"
        "goal Drive into A, then B; stop in B.   # not a comment here\n"
        "zone B 150 20 30 30   # named before the reach lines that use it\n"
        "reach A\n"
        "stop B 1.5\n"
        "reach B\n"
        "stop A 0.25\n"
        "zone A 100 60 20 20\n"
        "no-touch\n"
        "limit 30.5\n"
        "table 200 150\n",
        "two.mission");
    ASSERT_TRUE(r.mission) << r.error;
    const Mission& m = *r.mission;
    EXPECT_EQ(m.name, "two.mission");
    EXPECT_EQ(m.title, "Μακρινή θέση #2");
    EXPECT_EQ(m.goal, "Drive into A, then B; stop in B.   # not a comment here");
    ASSERT_EQ(m.zones.size(), 2u);
    EXPECT_EQ(m.zones[0].name, "B");
    EXPECT_EQ(m.zones[1].area.x, 100);
    ASSERT_EQ(m.tasks.size(), 4u);
    EXPECT_EQ(m.tasks[0].kind, TaskKind::Reach);
    EXPECT_EQ(m.tasks[0].zone, 1u);
    EXPECT_EQ(m.tasks[1].kind, TaskKind::Stop);
    EXPECT_EQ(m.tasks[1].zone, 0u);
    EXPECT_EQ(m.tasks[1].hold, 1'500'000);
    EXPECT_EQ(m.tasks[1].reachesBefore, 1u);
    EXPECT_EQ(m.tasks[3].hold, 250'000);
    EXPECT_EQ(m.tasks[3].reachesBefore, 2u);
    EXPECT_TRUE(m.noTouch);
    ASSERT_TRUE(m.limit);
    EXPECT_EQ(*m.limit, 30'500'000);
    EXPECT_EQ(m.arena.start, (Pose{30, 75, 0}));

    // Without title, touch rule and limit: the file's name, touching allowed, no limit.
    const MissionResult bare = ParseMission("zone Z 0 0 200 150\nreach Z\n", "dir/bare.mission");
    ASSERT_TRUE(bare.mission) << bare.error;
    EXPECT_EQ(bare.mission->title, "bare.mission");
    EXPECT_TRUE(bare.mission->goal.empty());
    EXPECT_FALSE(bare.mission->noTouch);
    EXPECT_FALSE(bare.mission->limit);
    // A zone's edge belongs to it.
    EXPECT_TRUE(bare.mission->zones[0].Holds({200, 0}));
    EXPECT_FALSE(bare.mission->zones[0].Holds({200.01, 0}));
}

TEST(MissionFile, AWrongLineIsAnErrorNamingTheFileAndLine) {
    const TLanguageScope english(resources::TLanguage::English);
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"zone A 10 10 5 5\nreach B\n", "m.txt:2: unknown zone \"B\""},
        {"reach A\nzone A 10 10 5 5\nstop C 2\n", "m.txt:3: unknown zone \"C\""},
        {"zone A 190 10 20 5\nreach A\n", "m.txt:1: zone \"A\" is off the table"},
        {"zone A -1 10 5 5\nreach A\n", "m.txt:1: zone \"A\" is off the table"},
        // Off the table only once the table's size is known, lines later.
        {"\nzone A 110 10 5 5\nreach A\ntable 100 100\n", "m.txt:2: zone \"A\" is off the table"},
        {"zone A 10 10 -5 5\n", "m.txt:1: a zone needs a positive width and height"},
        {"zone A 10 10 5 0\n", "m.txt:1: a zone needs a positive width and height"},
        {"zone A 10 ten 5 5\n", "m.txt:1: \"ten\" is not a number"},
        {"zone A 10 10 5 nan\n", "m.txt:1: \"nan\" is not a number"},
        {"zone A 10 10 5\n", "m.txt:1: \"zone\" takes a name and 4 numbers: x y width height"},
        {"zone A 1 1 5 5\nzone A 2 2 5 5\n", "m.txt:2: zone \"A\" is given twice"},
        {"zone A 1 1 5 5\nstop A\n", "m.txt:2: \"stop\" takes a zone and 1 number: seconds"},
        {"zone A 1 1 5 5\nstop A 1s\n", "m.txt:2: \"1s\" is not a number"},
        {"zone A 1 1 5 5\nstop A 0\n", "m.txt:2: \"0\" is not a time above 0 and at most 86400 s"},
        {"zone A 1 1 5 5\nstop A -2\n",
         "m.txt:2: \"-2\" is not a time above 0 and at most 86400 s"},
        {"reach\n", "m.txt:1: \"reach\" takes a zone"},
        {"reach A B\n", "m.txt:1: \"reach\" takes a zone"},
        {"limit 20\nlimit 30\n", "m.txt:2: the limit is given twice"},
        {"limit soon\n", "m.txt:1: \"soon\" is not a number"},
        {"limit 1e9\n", "m.txt:1: \"1e9\" is not a time above 0 and at most 86400 s"},
        {"limit\n", "m.txt:1: \"limit\" takes 1 number: seconds"},
        {"no-touch please\n", "m.txt:1: \"no-touch\" takes nothing after it"},
        {"title A\ntitle B\n", "m.txt:2: the title is given twice"},
        {"goal A\ngoal B\n", "m.txt:2: the goal is given twice"},
        // The arena's own lines and checks stand as they are.
        {"zone A 1 1 5 5\nreach A\nwal 1 2 3 4\n", "m.txt:3: unknown keyword \"wal\""},
        {"zone A 1 1 5 5\nreach A\nstart 1 1 0\n", "m.txt:3: the robot does not fit at its start"},
        // Task lines make the mission: without them the file is an arena.
        {"table 200 150\nzone A 1 1 5 5\nno-touch\nlimit 10\n",
         "m.txt: no reach or stop line: an arena, not a mission"},
    };
    for (const auto& c : cases) {
        const MissionResult r = ParseMission(c.text, "m.txt");
        EXPECT_FALSE(r.mission) << c.text;
        EXPECT_EQ(r.error, c.error) << c.text;
    }
    // An arena read as an arena knows nothing of task lines.
    EXPECT_EQ(ParseArena("title Far bay\n", "a.arena").error,
              "a.arena:1: unknown keyword \"title\"");
}

TEST(MissionFile, RulesLinesSayWhichTilesAndHowManyStepsAProgramMayHave) {
    const TLanguageScope english(resources::TLanguage::English);
    const MissionResult r =
        ParseMission("zone A 1 1 5 5\nreach A\ntiles F l r\ntiles_are_not_this\n", "m.txt");
    EXPECT_EQ(r.error, "m.txt:4: unknown keyword \"tiles_are_not_this\"");
    const MissionResult ruled =
        ParseMission("zone A 1 1 5 5\nreach A\ntiles F l RS f\nsteps 8\n", "m.txt");
    ASSERT_TRUE(ruled.mission) << ruled.error;
    const MissionRules& rules = ruled.mission->rules;
    EXPECT_EQ(rules.tiles, "FLRS");  // either case, apart or together, each once
    EXPECT_EQ(rules.maxSteps, 8);
    EXPECT_TRUE(rules.AllowsTile('R'));
    EXPECT_FALSE(rules.AllowsTile('I'));
    EXPECT_FALSE(rules.AllowsTile('G'));
    // Without rules lines every program may try.
    const MissionRules none = ParseMission("zone A 1 1 5 5\nreach A\n", "m.txt").mission->rules;
    EXPECT_FALSE(none.Any());
    EXPECT_TRUE(none.AllowsTile('G'));

    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"tiles\n", "m.txt:3: \"tiles\" takes the letters of the steps allowed: F B L R E I S G"},
        {"tiles F X\n", "m.txt:3: \"X\" is not a letter of a step: F B L R E I S G"},
        {"tiles F\nzone B 1 1 5 5\ntiles L\n", "m.txt:5: the tiles line is given twice"},
        {"tiles FQ\n", "m.txt:3: \"FQ\" is not a letter of a step: F B L R E I S G"},
        {"steps\n", "m.txt:3: \"steps\" takes 1 number: the most steps of the main list"},
        {"steps 4 5\n", "m.txt:3: \"steps\" takes 1 number: the most steps of the main list"},
        {"steps 0\n", "m.txt:3: \"0\" is not a whole number from 1 to 255"},
        {"steps 256\n", "m.txt:3: \"256\" is not a whole number from 1 to 255"},
        {"steps 2.5\n", "m.txt:3: \"2.5\" is not a whole number from 1 to 255"},
        {"steps many\n", "m.txt:3: \"many\" is not a whole number from 1 to 255"},
        {"steps 3\nsteps 3\n", "m.txt:4: the steps line is given twice"},
    };
    for (const auto& c : cases) {
        const MissionResult bad =
            ParseMission(std::string("zone A 1 1 5 5\nreach A\n") + c.text, "m.txt");
        EXPECT_FALSE(bad.mission) << c.text;
        EXPECT_EQ(bad.error, c.error) << c.text;  // after the two task lines
    }
    const TLanguageScope greek(resources::TLanguage::Greek);
    EXPECT_EQ(ParseMission("zone A 1 1 5 5\nreach A\nsteps 0\n", "m.txt").error,
              "m.txt:3: το \"0\" δεν είναι ακέραιος από 1 έως 255");
}

TEST(MissionFile, WhatIsWrongComesInTheChosenLanguageWithTheFilesWordsAsWritten) {
    const TLanguageScope greek(resources::TLanguage::Greek);
    EXPECT_EQ(ParseMission("zone A 10 10 5 5\nreach B\n", "m.txt").error,
              "m.txt:2: άγνωστη ζώνη \"B\"");
    EXPECT_EQ(ParseMission("zone A 10 10 5\n", "m.txt").error,
              "m.txt:1: το \"zone\" θέλει ένα όνομα και 4 αριθμούς: x y πλάτος ύψος");
    EXPECT_EQ(ParseArena("wall 1 2 3\n", "a.arena").error,
              "a.arena:1: το \"wall\" θέλει 4 αριθμούς: x1 y1 x2 y2");
}

TEST(MissionFile, BuiltInsLoadAndFilesLoadByPath) {
    const TLanguageScope english(resources::TLanguage::English);
    ASSERT_GE(BuiltInMissionNames().size(), 5u);
    for (const std::string& name : BuiltInMissionNames()) {
        const MissionResult r = FindMission(name);
        ASSERT_TRUE(r.mission) << r.error;
        EXPECT_EQ(r.mission->name, name);
        EXPECT_FALSE(r.mission->title.empty()) << name;
        EXPECT_FALSE(r.mission->goal.empty()) << name;
        // Every one can be failed by the clock.
        EXPECT_TRUE(r.mission->limit) << name;
        EXPECT_TRUE(BuiltInMission(name)) << name;
    }
    EXPECT_FALSE(BuiltInMission("nowhere"));
    // The square is driven with forward, turns and stop in eight steps; parking without turns.
    EXPECT_EQ(BuiltInMission("square")->rules.tiles, "FLRS");
    EXPECT_EQ(BuiltInMission("square")->rules.maxSteps, 8);
    EXPECT_EQ(BuiltInMission("bay")->rules.tiles, "FBS");
    EXPECT_FALSE(BuiltInMission("maze")->rules.Any());

    const auto dir = std::filesystem::path(::testing::TempDir());
    const auto path = (dir / "far.mission").string();
    std::ofstream(path) << "title Far\nzone F 150 10 20 20\nreach F\n";
    const MissionResult r = FindMission(path);
    ASSERT_TRUE(r.mission) << r.error;
    EXPECT_EQ(r.mission->title, "Far");
    EXPECT_EQ(FindMission((dir / "none.mission").string()).error,
              (dir / "none.mission").string() + ": cannot read: No such file or folder");
    EXPECT_EQ(FindMission(dir.string()).error, dir.string() + ": cannot read: It is a folder");
}

}  // namespace
}  // namespace kavrin::test
