// The code generator: the exact text of the generated block, the anchor rule, the sensor pairs
// and the go-back numbers that must land on the target step.

#include "codegen/code_generator.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "language_scope.h"
#include "resources/resources.h"

namespace kavrin::codegen {
namespace {

using model::TActionProgram;
using model::TMode;

struct StepSpec {
    std::uint8_t kind;
    std::int16_t value;
    std::uint8_t both = 0, left = 0, right = 0;
};

void SetList(TActionProgram& program, int list, std::initializer_list<StepSpec> steps) {
    int k = 0;
    for (const StepSpec& s : steps) {
        program.Step(list, ++k) = {s.kind, s.value, {s.both, s.left, s.right}};
    }
    program.Count(list) = k;
}

constexpr char kTemplate[] = "'{$KORBLE KR2}\r\nbefore\r\nActionList  DATA  \"Q\"\r\nafter";

struct Generated {
    TBuildResult result;
    std::vector<std::string> lines;
};

Generated Generate(const TActionProgram& program, TMode mode, bool sensors = false,
                   const char* templ = kTemplate) {
    TProgramText text;
    text.SetText(templ);
    Generated g;
    g.result = FillTemplate(program, mode, sensors, text);
    for (int i = 0; i < text.Count(); ++i) {
        g.lines.push_back(text.Line(i));
    }
    return g;
}

std::vector<std::string> Wrap(std::vector<std::string> block) {
    block.insert(block.begin(), {"'{$KORBLE KR2}", "before"});
    block.insert(block.end(), {"", "after"});  // the emptied anchor line, then the rest
    return block;
}

// The empty sensor sets 1, 3 and 4 as the generator writes them.
std::vector<std::string> EmptySet(const std::string& name) {
    return {"", "' ----- " + name + " -----", "\t\tDATA \t\"Q\""};
}

TActionProgram WorkedExample() {
    TActionProgram p;
    SetList(p, model::kMainList,
            {{model::akForward, 20, 0, 2, 0},
             {model::akTurnRight, 13, 0, 2, 0},
             {model::akRotateLeft, 15, 0, 2, 0},
             {model::akStopWait, 10, 0, 2, 0},
             {model::akGoBack, 1, 0, 2, 0}});
    SetList(p, model::kSensorSetAll, {{model::akBackward, 10}, {model::akRotateRight, 15}});
    SetList(p, model::kSensorSet2, {{model::akStopWait, 5}});
    return p;
}

TEST(GeneratedBlock, WorkedExampleCharacterForCharacter) {
    const Generated g = Generate(WorkedExample(), TMode::Advanced);
    ASSERT_TRUE(g.result.ok) << g.result.message;
    std::vector<std::string> block = {
        "Configure\tDATA\t@0,2,0,100,100,WORD 27,WORD 32,WORD 33,WORD 36,WORD 37",
        "",
        "' ----- Main Action List -----",
        "ActionList\tDATA\t\"C\",$22,\"F\",20   ,\"R\",13   ,\"E\",15   ,\"S\",10   ",
        "\t\tDATA \t\"G\",4   ,\"Q\"",
        "",
        "' ----- Sensor Set All -----",
        "\t\tDATA \t\"B\",10   ,\"I\",15   ,\"Q\"",
        "",
        "' ----- Sensor Set 1 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 2 -----",
        "\t\tDATA \t\"S\",5   ,\"Q\"",
        "",
        "' ----- Sensor Set 3 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 4 -----",
        "\t\tDATA \t\"Q\"",
    };
    EXPECT_EQ(g.lines, Wrap(block));
}

TEST(GeneratedBlock, BeginnerModeWritesTheSensorModeAndNoPairs) {
    const Generated on = Generate(WorkedExample(), TMode::Beginner, true);
    ASSERT_TRUE(on.result.ok);
    // Without the pair the main list is two bytes shorter, and so every set starts earlier.
    EXPECT_EQ(on.lines[2],
              "Configure\tDATA\t@0,1,0,100,100,WORD 25,WORD 30,WORD 31,WORD 34,WORD 35");
    EXPECT_EQ(on.lines[5], "ActionList\tDATA\t\"F\",20   ,\"R\",13   ,\"E\",15   ,\"S\",10   ");

    const Generated off = Generate(WorkedExample(), TMode::Beginner, false);
    EXPECT_TRUE(off.lines[2].starts_with("Configure\tDATA\t@0,0,0,100,100,"));
    EXPECT_EQ(SensorModeNumber(TMode::Advanced, false), 2);
}

TEST(GeneratedBlock, EmptyProgram) {
    TActionProgram p;
    p.leftServoCenter = 93;
    p.rightServoCenter = 200;
    const Generated g = Generate(p, TMode::Advanced);
    ASSERT_TRUE(g.result.ok);
    std::vector<std::string> block = {
        "Configure\tDATA\t@0,2,0,93,200,WORD 15,WORD 16,WORD 17,WORD 18,WORD 19",
        "",
        "' ----- Main Action List -----",
        "ActionList\tDATA\t\"Q\"",
        "",
        "' ----- Sensor Set All -----",
        "\t\tDATA \t\"Q\""};
    for (const char* name : {"Sensor Set 1", "Sensor Set 2", "Sensor Set 3", "Sensor Set 4"}) {
        const auto set = EmptySet(name);
        block.insert(block.end(), set.begin(), set.end());
    }
    EXPECT_EQ(g.lines, Wrap(block));
}

TEST(GeneratedBlock, FourStepsFillOneLineAndTheTerminatorTakesTheNext) {
    TActionProgram p;
    SetList(p, model::kSensorSet3,
            {{model::akForward, 1},
             {model::akBackward, 255},
             {model::akTurnLeft, 13},
             {model::akRotateRight, 7}});
    SetList(p, model::kMainList,
            {{model::akForward, 1},
             {model::akBackward, 2},
             {model::akTurnLeft, 3},
             {model::akTurnRight, 4},
             {model::akRotateLeft, 5},
             {model::akRotateRight, 6},
             {model::akStopWait, 7},
             {model::akGoBack, 8},
             {model::akForward, 9}});
    const Generated g = Generate(p, TMode::Beginner);
    ASSERT_TRUE(g.result.ok);
    EXPECT_EQ(g.lines[5], "ActionList\tDATA\t\"F\",1   ,\"B\",2   ,\"L\",3   ,\"R\",4   ");
    EXPECT_EQ(g.lines[6], "\t\tDATA \t\"E\",5   ,\"I\",6   ,\"S\",7   ,\"G\",0   ");
    EXPECT_EQ(g.lines[7], "\t\tDATA \t\"F\",9   ,\"Q\"");
    // Set 3 follows the main list (three DATA lines), set all, set 1 and set 2.
    EXPECT_EQ(g.lines[18], "' ----- Sensor Set 3 -----");
    EXPECT_EQ(g.lines[19], "\t\tDATA \t\"F\",1   ,\"B\",255   ,\"L\",13   ,\"I\",7   ");
    EXPECT_EQ(g.lines[20], "\t\tDATA \t\"Q\"");
    // 9 steps + terminator = 19 bytes of main list; four empty lists of 1 byte; set 3: 9 bytes.
    EXPECT_EQ(g.lines[2],
              "Configure\tDATA\t@0,0,0,100,100,WORD 33,WORD 34,WORD 35,WORD 36,WORD 45");
}

TEST(SensorPairs, ThreeChangedColumnsComeInBothLeftRightOrder) {
    TActionProgram p;
    SetList(p, model::kMainList,
            {{model::akForward, 10, 0, 0, 0},    // like the header slot: no pair
             {model::akForward, 11, 4, 3, 1},    // all three change
             {model::akForward, 12, 4, 0, 1}});  // only Left changes, back to All
    const Generated g = Generate(p, TMode::Advanced);
    ASSERT_TRUE(g.result.ok);
    EXPECT_EQ(g.lines[5],
              "ActionList\tDATA\t\"F\",10   ,\"C\",$34,\"C\",$23,\"C\",$11,\"F\",11   ,"
              "\"C\",$20,\"F\",12   ,\"Q\"");
    // Four pairs of two bytes, three steps, terminator: 15 bytes from 14.
    EXPECT_TRUE(g.lines[2].ends_with(",WORD 29,WORD 30,WORD 31,WORD 32,WORD 33"));
}

TEST(SensorPairs, OnlyTheMainListInAdvancedModeHasThem) {
    TActionProgram p;
    SetList(p, model::kMainList, {{model::akForward, 10, 1, 2, 3}});
    SetList(p, model::kSensorSetAll, {{model::akBackward, 5, 4, 4, 4}});
    SetList(p, model::kSensorSet4, {{model::akStopWait, 5, 9, 9, 9}});  // never looked at
    const Generated beginner = Generate(p, TMode::Beginner, true);
    ASSERT_TRUE(beginner.result.ok);
    EXPECT_EQ(beginner.lines[5], "ActionList\tDATA\t\"F\",10   ,\"Q\"");
    const Generated advanced = Generate(p, TMode::Advanced);
    ASSERT_TRUE(advanced.result.ok) << advanced.result.message;
    EXPECT_EQ(advanced.lines[5],
              "ActionList\tDATA\t\"C\",$31,\"C\",$22,\"C\",$13,\"F\",10   ,\"Q\"");
    EXPECT_EQ(advanced.lines[8], "\t\tDATA \t\"B\",5   ,\"Q\"");
}

// The main list as the robot reads it: command letters and values, pair by pair.
struct Pair {
    char letter;
    int value;
};

std::vector<Pair> MainListPairs(const std::vector<std::string>& lines) {
    std::vector<Pair> pairs;
    for (const std::string& line : lines) {
        if (!line.starts_with("ActionList\t") && !(line.starts_with("\t\t") && !pairs.empty())) {
            continue;
        }
        std::string items = line.substr(line.find('\t', line.find("DATA")) + 1);
        for (std::size_t pos = 0; pos < items.size();) {
            const char letter = items[pos + 1];
            if (letter == 'Q') {
                return pairs;
            }
            pos += 4;  // "X",
            const std::size_t end = items.find(',', pos);
            std::string number = items.substr(pos, end - pos);
            const int value =
                number[0] == '$' ? std::stoi(number.substr(1), nullptr, 16) : std::stoi(number);
            pairs.push_back({letter, value});
            pos = end == std::string::npos ? items.size() : end + 1;
        }
    }
    return pairs;
}

// The main list run as the robot runs it: "C" sets a column (high digit 3 Both, 2 Left, 1 Right),
// "G" jumps back by its value, every other letter is a step that drives. For each step driven,
// up to `limit`: the pair it stands at and the columns (Both, Left, Right) in effect.
struct Driven {
    int at;
    std::array<std::uint8_t, 3> columns;
};

std::vector<Driven> RunMainList(const std::vector<Pair>& pairs, std::size_t limit) {
    std::array<std::uint8_t, 3> columns{};
    std::vector<Driven> driven;
    for (int at = 0; at < static_cast<int>(pairs.size()) && driven.size() < limit;) {
        const Pair& pair = pairs[static_cast<std::size_t>(at)];
        if (pair.letter == 'C') {
            columns[static_cast<std::size_t>(3 - pair.value / 16)] =
                static_cast<std::uint8_t>(pair.value % 16);
            ++at;
        } else if (pair.letter == 'G') {
            at -= pair.value;
        } else {
            driven.push_back({at, columns});
            ++at;
        }
    }
    return driven;
}

// Every step driven, on every pass through a loop, reacts with its own sensor columns.
void ExpectEachStepDrivesWithItsColumns(const TActionProgram& p, const std::vector<Pair>& pairs) {
    std::vector<int> stepAt(pairs.size(), 0);  // step number of each action pair
    for (std::size_t i = 0, step = 0; i < pairs.size(); ++i) {
        stepAt[i] = pairs[i].letter == 'C' ? 0 : static_cast<int>(++step);
    }
    const std::vector<Driven> driven = RunMainList(pairs, 40);
    EXPECT_FALSE(driven.empty());
    for (const Driven& d : driven) {
        const int step = stepAt[static_cast<std::size_t>(d.at)];
        EXPECT_EQ(d.columns, p.Step(model::kMainList, step).sensors) << "step " << step;
    }
}

TEST(GoBack, JumpLandsOnTheTargetActionAcrossSensorPairs) {
    TActionProgram p;
    SetList(p, model::kMainList,
            {{model::akForward, 10},
             {model::akTurnLeft, 11, 2, 0, 0},
             {model::akTurnRight, 12, 2, 3, 1},
             {model::akRotateLeft, 13, 0, 3, 1},
             {model::akGoBack, 2, 0, 3, 1},
             {model::akGoBack, 4, 1, 1, 1},
             {model::akGoBack, 7, 2, 2, 2}});
    const Generated g = Generate(p, TMode::Advanced);
    ASSERT_TRUE(g.result.ok) << g.result.message;
    const std::vector<Pair> pairs = MainListPairs(g.lines);
    // Where each step's own action pair lies, in order.
    std::vector<int> actionAt;
    for (int i = 0; i < static_cast<int>(pairs.size()); ++i) {
        if (pairs[static_cast<std::size_t>(i)].letter != 'C') {
            actionAt.push_back(i);
        }
    }
    ASSERT_EQ(actionAt.size(), 7u);
    const auto landing = [&](int step) {
        const int at = actionAt[static_cast<std::size_t>(step - 1)];
        return at - pairs[static_cast<std::size_t>(at)].value;
    };
    EXPECT_EQ(landing(5), actionAt[1]);  // G to step 2 skips the pairs of steps 3 and 4
    EXPECT_EQ(landing(6), actionAt[3]);  // its own three pairs are crossed too
    EXPECT_EQ(pairs[static_cast<std::size_t>(actionAt[6])].value, 0);  // itself, despite pairs
    ExpectEachStepDrivesWithItsColumns(p, pairs);
}

TEST(GoBack, TheLoopSetsBackTheColumnsOfItsTarget) {
    // The go-back step took its columns from the step above it, as a newly dropped step does.
    TActionProgram p;
    SetList(p, model::kMainList,
            {{model::akForward, 10, 1, 0, 0},
             {model::akTurnRight, 10, 2, 0, 4},
             {model::akGoBack, 1, 2, 0, 4}});
    const Generated g = Generate(p, TMode::Advanced);
    ASSERT_TRUE(g.result.ok) << g.result.message;
    EXPECT_EQ(g.lines[5],
              "ActionList\tDATA\t\"C\",$31,\"F\",10   ,\"C\",$32,\"C\",$14,\"R\",10   ,"
              "\"C\",$31,\"C\",$10,\"G\",6   ,\"Q\"");
    ExpectEachStepDrivesWithItsColumns(p, MainListPairs(g.lines));
}

TEST(GoBack, WithoutPairsItIsTheStepDifference) {
    TActionProgram p;
    SetList(p, model::kMainList,
            {{model::akGoBack, 1, 3, 3, 3}, {model::akForward, 5, 2, 2, 2}, {model::akGoBack, 1}});
    const Generated g = Generate(p, TMode::Beginner);
    ASSERT_TRUE(g.result.ok);
    EXPECT_EQ(g.lines[5], "ActionList\tDATA\t\"G\",0   ,\"F\",5   ,\"G\",2   ,\"Q\"");
}

TEST(GoBack, JumpsTheRobotCannotMakeAreRefused) {
    const kavrin::test::TLanguageScope english(resources::TLanguage::English);
    TActionProgram p;
    // 120 steps whose columns all change every time: 3 pairs each, far more than 255 to jump.
    for (int k = 1; k <= 120; ++k) {
        const auto set = static_cast<std::uint8_t>(k % 2 + 1);
        p.Step(model::kMainList, k) = {model::akForward, 1, {set, set, set}};
    }
    p.Step(model::kMainList, 121) = {model::akGoBack, 1, {0, 0, 0}};
    p.Count(model::kMainList) = 121;
    TProgramText text;
    text.SetText(kTemplate);
    const TBuildResult refused = FillTemplate(p, TMode::Advanced, false, text);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("Step 121 of Main Action List"), std::string::npos);
    EXPECT_EQ(text.WholeText(), kTemplate);
    // The same program in Beginner mode has no pairs and jumps 120 steps.
    EXPECT_TRUE(FillTemplate(p, TMode::Beginner, false, text).ok);
}

TEST(GoBack, TheLongestJumpIsAllowedAndOneMoreIsNot) {
    const kavrin::test::TLanguageScope english(resources::TLanguage::English);
    // Steps 2 and 3 each add one "C" pair, so a go-back from step k to step 1 jumps k + 1.
    const auto program = [](int k) {
        TActionProgram p;
        for (int j = 1; j < k; ++j) {
            const std::uint8_t both = j == 2 ? 1 : 0;
            p.Step(model::kMainList, j) = {model::akForward, 1, {both, 0, 0}};
        }
        p.Step(model::kMainList, k) = {model::akGoBack, 1, {0, 0, 0}};
        p.Count(model::kMainList) = k;
        return p;
    };
    const Generated longest = Generate(program(kMaxJumpBack - 1), TMode::Advanced);
    ASSERT_TRUE(longest.result.ok) << longest.result.message;
    std::string all;
    for (const std::string& line : longest.lines) all += line + "\n";
    EXPECT_NE(all.find("\"G\",255"), std::string::npos) << all;
    const Generated tooFar = Generate(program(kMaxJumpBack), TMode::Advanced);
    EXPECT_FALSE(tooFar.result.ok);
    EXPECT_NE(tooFar.result.message.find("would jump back 256 commands"), std::string::npos)
        << tooFar.result.message;
}

TEST(DamagedPrograms, AreRefusedInsteadOfWrittenAsGarbage) {
    const kavrin::test::TLanguageScope english(resources::TLanguage::English);
    TActionProgram p;
    SetList(p, model::kSensorSet1, {{model::akForward, 5}, {9, 5}});
    Generated g = Generate(p, TMode::Beginner);
    EXPECT_FALSE(g.result.ok);
    EXPECT_NE(g.result.message.find("Step 2 of Sensor Set 1"), std::string::npos);

    TActionProgram q;
    SetList(q, model::kMainList, {{model::akForward, 5, 0, 7, 0}});
    EXPECT_FALSE(Generate(q, TMode::Advanced).result.ok);
    EXPECT_TRUE(Generate(q, TMode::Beginner).result.ok);  // columns unused there

    TActionProgram r;
    r.Count(model::kSensorSet4) = 300;
    EXPECT_FALSE(Generate(r, TMode::Beginner).result.ok);

    // A go-back outside the list's steps would make the robot read other data as commands.
    for (int target : {0, 3, -1}) {
        TActionProgram s;
        SetList(s, model::kMainList,
                {{model::akForward, 5}, {model::akGoBack, static_cast<std::int16_t>(target)}});
        const Generated refused = Generate(s, TMode::Beginner);
        EXPECT_FALSE(refused.result.ok) << target;
        EXPECT_NE(refused.result.message.find("Step 2 of Main Action List goes back to step"),
                  std::string::npos);
    }
}

TEST(Anchor, FoundOnlyWithTheLabelInColumnOneAndBlanksBeforeData) {
    TProgramText text;
    const auto anchorOf = [&](const char* source) {
        text.SetText(source);
        return FindAnchorLine(text);
    };
    EXPECT_EQ(anchorOf("x\r\nActionList\tDATA \"Q\""), 1);
    EXPECT_EQ(anchorOf("x\r\nactionlist \t data \"Q\""), 1);
    EXPECT_EQ(anchorOf("ACTIONLIST"), 0);  // no DATA on the line at all
    EXPECT_EQ(anchorOf("ActionListDATA \"Q\""), 0);
    EXPECT_EQ(anchorOf("  ActionList"), 0);  // indented, but nothing to check
    EXPECT_EQ(anchorOf("  ActionList DATA \"Q\""), -1);
    EXPECT_EQ(anchorOf("ActionList: DATA \"Q\""), -1);
    EXPECT_EQ(anchorOf("ActionListX DATA \"Q\""), -1);
    // Only the first candidate counts, even when a later one would qualify.
    EXPECT_EQ(anchorOf("ActionList2 DATA 1\r\nActionList DATA \"Q\""), -1);
    EXPECT_EQ(anchorOf("' ActionList DATA\r\nx"), -1);
    EXPECT_EQ(anchorOf(""), -1);
}

TEST(Anchor, MissingAnchorKeepsTheLoadedTemplate) {
    const kavrin::test::TLanguageScope english(resources::TLanguage::English);
    for (const char* templ : {"no anchor here\r\nSTOP", "ActionList  x  DATA \"Q\"\r\nSTOP"}) {
        TProgramText text;
        text.SetText(templ);
        const TBuildResult r = FillTemplate(TActionProgram{}, TMode::Beginner, false, text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "Can't find start of EEPROM data!");
        EXPECT_EQ(text.WholeText(), templ);
    }
}

TEST(BuildCode, FillsTheMotionTemplate) {
    TProgramText text;
    text.SetText("user's edits are replaced");
    const TBuildResult r = BuildCode(WorkedExample(), TMode::Advanced, false, text);
    ASSERT_TRUE(r.ok) << r.message;
    const auto raw = resources::find("DATA", resources::kMotionTemplateId);
    const std::string templ(reinterpret_cast<const char*>(raw.data()), raw.size());
    // The template before the anchor is unchanged, and the block follows it.
    TProgramText original;
    original.SetText(templ);
    const int anchor = FindAnchorLine(original);
    ASSERT_GE(anchor, 0);
    for (int i = 0; i < anchor; ++i) {
        EXPECT_EQ(text.Line(i), original.Line(i));
    }
    EXPECT_EQ(text.Line(anchor),
              "Configure\tDATA\t@0,2,0,100,100,WORD 27,WORD 32,WORD 33,WORD 36,WORD 37");
    EXPECT_EQ(text.Count(), original.Count() + 20);
    EXPECT_EQ(text.Line(anchor + 20), "");
    EXPECT_EQ(text.Line(anchor + 21), original.Line(anchor + 1));
}

}  // namespace
}  // namespace kavrin::codegen
