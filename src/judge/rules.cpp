#include "judge/rules.h"

namespace kavrin::judge {

namespace {

// The letters a mission's tiles line names are the code generator's, in the kinds' order.
constexpr bool LettersAgree() {
    if (sim::kStepLetters.size() != model::kActionKinds.size()) return false;
    for (std::size_t i = 0; i < model::kActionKinds.size(); ++i) {
        if (sim::kStepLetters[i] != model::kActionKinds[i].letter) return false;
    }
    return true;
}
static_assert(LettersAgree());

}  // namespace

std::optional<sim::RuleBreak> CheckRules(const model::TActionProgram& program,
                                         const sim::MissionRules& rules) {
    if (rules.maxSteps && program.Count(model::kMainList) > *rules.maxSteps) {
        sim::RuleBreak broken;
        broken.kind = sim::RuleBreak::Kind::Steps;
        broken.steps = program.Count(model::kMainList);
        broken.allowed = *rules.maxSteps;
        return broken;
    }
    if (!rules.tiles) return std::nullopt;
    for (int list = model::kMainList; list <= model::kListCount; ++list) {
        for (int k = 1; k <= program.Count(list); ++k) {
            const std::uint8_t kind = program.Step(list, k).kind;
            const char letter =
                kind < model::kActionKindCount ? model::kActionKinds[kind].letter : '?';
            if (rules.AllowsTile(letter)) continue;
            sim::RuleBreak broken;
            broken.kind = sim::RuleBreak::Kind::Tile;
            broken.step = {list, k};
            broken.letter = letter;
            return broken;
        }
    }
    return std::nullopt;
}

}  // namespace kavrin::judge
