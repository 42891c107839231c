// libFuzzer target for the arena and mission readers: any text gives either an arena (and a
// mission) within the format's limits or a message "FUZZ:LINE: ..." naming a line of the text
// ("FUZZ: ..." for the whole text), never both and never neither. A mission read must survive
// the judge's rule check with a few fixed programs, and a short run of a fixed compiled program
// on its table under its judge.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "judge/judge.h"
#include "judge/rules.h"
#include "sim/arena.h"
#include "sim/mission.h"
#include "sim/mission_judge.h"
#include "sim/mission_words.h"
#include "sim/simulation.h"
#include "tokenizer/tokenizer.h"

namespace {

using namespace kavrin;

void Check(bool condition) {
    if (!condition) std::abort();
}

const std::string kFileName = "FUZZ";

// "FUZZ:LINE: " with 1 <= LINE <= lines, or "FUZZ: ".
bool IsLocated(const std::string& error, std::size_t lines) {
    if (error.rfind(kFileName + ":", 0) != 0) return false;
    std::size_t at = kFileName.size() + 1;
    if (error.compare(at, 1, " ") == 0) return error.size() > at + 1;
    std::size_t line = 0, digits = 0;
    for (; at < error.size() && error[at] >= '0' && error[at] <= '9' && digits < 9;
         ++at, ++digits) {
        line = line * 10 + static_cast<std::size_t>(error[at] - '0');
    }
    return digits > 0 && line >= 1 && line <= lines && error.compare(at, 2, ": ") == 0 &&
           error.size() > at + 2;
}

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) <= sim::kMaxArenaLength; }

void CheckArena(const sim::Arena& arena) {
    Check(arena.width > 0 && arena.width <= sim::kMaxTableSize);
    Check(arena.depth > 0 && arena.depth <= sim::kMaxTableSize);
    Check(arena.walls.size() + arena.boxes.size() + arena.discs.size() <= sim::kMaxArenaObjects);
    for (const sim::Segment& w : arena.walls)
        Check(Finite(w.a.x) && Finite(w.a.y) && Finite(w.b.x) && Finite(w.b.y));
    for (const sim::ArenaBox& b : arena.boxes)
        Check(Finite(b.x) && Finite(b.y) && Finite(b.width) && Finite(b.height));
    for (const sim::Disc& d : arena.discs)
        Check(Finite(d.centre.x) && Finite(d.centre.y) && Finite(d.radius));
    Check(std::isfinite(arena.start.x) && std::isfinite(arena.start.y) &&
          std::isfinite(arena.start.heading));
    Check(sim::PoseIsFree(arena, arena.Outlines(), sim::RobotGeometry{}, arena.start));
}

model::TActionProgram Program(std::initializer_list<model::TBotAction> main) {
    model::TActionProgram program;
    for (const model::TBotAction& step : main)
        program.Step(model::kMainList, ++program.Count(model::kMainList)) = step;
    return program;
}

// Fixed programs for the rule check, and one compiled once for the runs: forward, a turn, a
// rotation and back to the start, which meets walls and zones on most tables.
struct Fixed {
    model::TActionProgram drive = Program({{model::akForward, 8, {}},
                                           {model::akTurnLeft, 5, {}},
                                           {model::akRotateRight, 4, {}},
                                           {model::akBackward, 3, {}},
                                           {model::akGoBack, 1, {}}});
    model::TActionProgram empty;
    model::TActionProgram longest;
    judge::CompiledProgram compiled;

    Fixed() {
        for (int k = 1; k <= model::kMaxSteps; ++k)
            longest.Step(model::kMainList, k) = {static_cast<std::uint8_t>(k % 7), 1, {}};
        longest.Count(model::kMainList) = model::kMaxSteps;
        tokenizer::TTokenizer tokenizer;
        judge::CompileResult result =
            judge::CompileProgram(drive, model::TMode::Beginner, false, tokenizer);
        Check(result.compiled.has_value());
        compiled = *result.compiled;
    }
};

// Virtual time of the short run, enough to leave the start and touch what stands close by.
constexpr double kRunSeconds = 1.5;

void CheckMission(const sim::Mission& mission, const Fixed& fixed) {
    CheckArena(mission.arena);
    Check(!mission.tasks.empty() && mission.tasks.size() <= sim::kMaxMissionTasks);
    Check(mission.zones.size() <= sim::kMaxMissionZones);
    for (const sim::MissionZone& z : mission.zones) {
        Check(z.area.x >= 0 && z.area.y >= 0 && z.area.width > 0 && z.area.height > 0);
        Check(z.area.x + z.area.width <= mission.arena.width &&
              z.area.y + z.area.height <= mission.arena.depth);
    }
    for (const sim::MissionTask& t : mission.tasks) Check(t.zone < mission.zones.size());
    if (mission.limit) Check(*mission.limit > 0);
    if (mission.rules.maxSteps)
        Check(*mission.rules.maxSteps >= 1 && *mission.rules.maxSteps <= sim::kMaxRuleSteps);
    for (const model::TActionProgram* program : {&fixed.drive, &fixed.empty, &fixed.longest}) {
        if (const auto broken = judge::CheckRules(*program, mission.rules)) {
            if (broken->kind == sim::RuleBreak::Kind::Steps) {
                Check(mission.rules.maxSteps && broken->steps > broken->allowed);
            } else {
                Check(!mission.rules.AllowsTile(broken->letter));
            }
            Check(!sim::RuleBreakText(*broken).empty());
        }
    }
    // The run itself, as the judge makes it, bounded in virtual time.
    const judge::MissionRun run =
        judge::JudgeProgram(fixed.drive, fixed.compiled, mission, kRunSeconds);
    Check(run.judged && !run.path.empty() && run.path.size() <= judge::kMaxPathPoses + 1);
    Check(!sim::VerdictText(mission, run.outcome).empty());
    if (run.outcome.Passed()) Check(run.outcome.open.empty());
    for (const std::size_t task : run.outcome.open) Check(task < mission.tasks.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Fixed* const fixed = new Fixed;  // never freed: it outlives every input
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t lines = 1;
    for (const char c : text) lines += c == '\n';

    const sim::ArenaResult arena = sim::ParseArena(text, kFileName);
    Check(arena.arena.has_value() != !arena.error.empty());
    if (arena.arena) {
        CheckArena(*arena.arena);
    } else {
        Check(IsLocated(arena.error, lines));
    }

    const sim::MissionResult mission = sim::ParseMission(text, kFileName);
    Check(mission.mission.has_value() != !mission.error.empty());
    if (!mission.mission) {
        Check(IsLocated(mission.error, lines));
        return 0;
    }
    CheckMission(*mission.mission, *fixed);
    return 0;
}
