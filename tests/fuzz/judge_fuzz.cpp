// libFuzzer target for judging one program against one mission, as the class judge runs each
// pair (judge::CompileProgram, judge::JudgeProgram), in bounded virtual time.
//
// Input: byte 0 the mode (bit 0) and the sensor option (bit 1); byte 1 the number of steps n;
// bytes 2 and 3 the servo centres; then n compact steps of three bytes (compact_program.h); the
// rest is the mission's text. A text that is no mission, or lists that make no program, end the
// input there; any other pair is run and judged, and its outcome must hang together.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "compact_program.h"
#include "judge/judge.h"
#include "judge/rules.h"
#include "sim/mission.h"
#include "sim/mission_judge.h"
#include "sim/mission_words.h"
#include "tokenizer/tokenizer.h"

namespace {

using namespace kavrin;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The most virtual time a run may take; a mission's own limit may end it sooner.
constexpr double kRunSeconds = 4.0;

// What every input reuses: the tokenizer's tables, and the program compiled last with its
// result, since many mutations change the mission and leave the lists as they were.
struct Reused {
    tokenizer::TTokenizer tokenizer;
    model::TActionProgram program;
    model::TActionProgram lastProgram;
    model::TMode lastMode = model::TMode::Beginner;
    bool lastSensors = false;
    bool anyCompiled = false;
    std::optional<judge::CompiledProgram> compiled;
};

void CheckOutcome(const sim::Mission& mission, const model::TActionProgram& program,
                  const judge::MissionRun& run) {
    Check(run.judged && !run.path.empty() && run.path.size() <= judge::kMaxPathPoses + 1);
    const sim::MissionOutcome& o = run.outcome;
    const auto broken = judge::CheckRules(program, mission.rules);
    Check(broken.has_value() == o.rule.has_value());
    if (broken)
        Check(*broken == *o.rule && run.path.size() == 1 && o.verdict == sim::Verdict::NotPassed);
    if (o.Passed()) Check(o.open.empty() && o.failure == sim::Failure::None && !run.touch);
    for (const std::size_t task : o.open) Check(task < mission.tasks.size());
    if (run.touch) Check(o.failure == sim::Failure::Touched);
    if (o.verdict != sim::Verdict::Open)
        Check(o.at >= 0 && o.at <= judge::MissionRunEnd(mission, kRunSeconds));
    Check(!sim::VerdictText(mission, o).empty());
    Check(o.Passed() == sim::ReasonText(mission, o, true).empty() ||
          o.verdict == sim::Verdict::Open);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    static Reused* const reused = new Reused;  // never freed: it outlives every input
    Reused& r = *reused;
    const model::TMode mode = (data[0] & 1) ? model::TMode::Advanced : model::TMode::Beginner;
    const bool sensors = (data[0] & 2) != 0;
    const std::size_t steps = std::min<std::size_t>(data[1] * fuzz::kCompactStepSize, size - 4);
    const std::string_view text(reinterpret_cast<const char*>(data + 4 + steps), size - 4 - steps);

    const sim::MissionResult mission = sim::ParseMission(text, "FUZZ");
    if (!mission.mission) return 0;

    fuzz::ExpandSteps(data + 4, steps, r.program);
    r.program.leftServoCenter = data[2];
    r.program.rightServoCenter = data[3];
    // Compiling is a function of the lists and the mode: the same ones need not be compiled again.
    if (!r.anyCompiled || r.lastMode != mode || r.lastSensors != sensors ||
        !fuzz::SameProgram(r.program, r.lastProgram)) {
        judge::CompileResult result = judge::CompileProgram(r.program, mode, sensors, r.tokenizer);
        Check(result.compiled.has_value() || !result.message.empty());
        r.compiled = std::move(result.compiled);
        r.lastProgram = r.program;
        r.lastMode = mode;
        r.lastSensors = sensors;
        r.anyCompiled = true;
    }
    if (!r.compiled) return 0;

    const judge::MissionRun run =
        judge::JudgeProgram(r.program, *r.compiled, *mission.mission, kRunSeconds);
    CheckOutcome(*mission.mission, r.program, run);
    return 0;
}
