// Each built-in mission with an action program that passes it and one that does not, both
// generated and compiled as the run button would.

#include <gtest/gtest.h>

#include <string>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/kvn_file.h"
#include "sim/mission_words.h"
#include "sim/simulation.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

struct MissionProgram {
    const char* mission;
    const char* file;  // in tests/data/missions
    model::TMode mode;
    bool sensors;
    Verdict verdict;
    Failure failure;
};

constexpr MissionProgram kPrograms[] = {
    // Forward and left turns round the square; with right turns it heads off the table's side.
    {"square", "square-pass.kvn", model::TMode::Beginner, false, Verdict::Passed, Failure::None},
    {"square", "square-fail.kvn", model::TMode::Beginner, false, Verdict::NotPassed,
     Failure::ProgramEnded},
    // Forward 7 s and wait; forward 10 s runs into the bay's back wall.
    {"bay", "bay-pass.kvn", model::TMode::Beginner, false, Verdict::Passed, Failure::None},
    {"bay", "bay-fail.kvn", model::TMode::Beginner, false, Verdict::NotPassed, Failure::Touched},
    {"round-box", "round-box-pass.kvn", model::TMode::Beginner, false, Verdict::Passed,
     Failure::None},
    {"round-box", "round-box-fail.kvn", model::TMode::Beginner, false, Verdict::NotPassed,
     Failure::Touched},
    {"corridor", "corridor-pass.kvn", model::TMode::Beginner, false, Verdict::Passed,
     Failure::None},
    {"corridor", "corridor-fail.kvn", model::TMode::Beginner, false, Verdict::NotPassed,
     Failure::Touched},
    // Sensor sets that back off and turn left at a wall ahead, or forward blindly.
    {"maze", "maze-pass.kvn", model::TMode::Advanced, true, Verdict::Passed, Failure::None},
    {"maze", "maze-fail.kvn", model::TMode::Beginner, false, Verdict::NotPassed, Failure::Touched},
};

Eeprom ImageOf(const MissionProgram& p) {
    model::TActionProgram program;
    const std::string path = std::string(KAVRIN_TEST_DATA) + "/missions/" + p.file;
    const model::TFileResult loaded = model::LoadActionFile(path, p.mode, program);
    EXPECT_TRUE(loaded.ok) << path << ": " << loaded.message;
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(program, p.mode, p.sensors, text).ok);
    return test::CompileSource(text.WholeText());
}

TEST(BuiltInMissions, EachIsPassedByOneProgramAndNotByAnother) {
    for (const MissionProgram& p : kPrograms) {
        const Mission mission = *BuiltInMission(p.mission);
        Simulation simulation(mission.arena);
        simulation.SetMission(mission);
        simulation.Load(ImageOf(p));
        const VirtualTime end = *mission.limit + kMicrosPerSecond;
        while (simulation.Now() < end && simulation.Judge()->GetVerdict() == Verdict::Open) {
            simulation.RunFor(10 * kMicrosPerMs);
        }
        const MissionJudge& judge = *simulation.Judge();
        EXPECT_EQ(judge.GetVerdict(), p.verdict)
            << p.file << ": " << VerdictText(judge, simulation.Now());
        EXPECT_EQ(judge.GetFailure(), p.failure)
            << p.file << ": " << VerdictText(judge, simulation.Now());
        EXPECT_NE(simulation.Cpu().State(), ProcessorState::Faulted) << p.file;
    }
    // Every built-in is covered.
    for (const std::string& name : BuiltInMissionNames()) {
        int passing = 0;
        for (const MissionProgram& p : kPrograms)
            passing += name == p.mission && p.verdict == Verdict::Passed;
        EXPECT_EQ(passing, 1) << name;
    }
}

}  // namespace
}  // namespace kavrin::sim
