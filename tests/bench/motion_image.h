#pragma once
// The benches' workload: the generated 255-step motion program (all seven kinds of step, with
// the sensors on), compiled to the module's EEPROM image. Aborts if it does not compile.

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "largest_program.h"
#include "sim/processor.h"
#include "sim/step_probe.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::bench {

// The image and where its step variables lie, for a run that follows its steps.
struct MotionProgram {
    sim::Eeprom image{};
    std::optional<sim::StepVariables> variables;
};

inline MotionProgram CompileMotionProgram() {
    tokenizer::TTokenizer tokenizer;
    if (!tokenizer.LoadSource(test::LargestMotionProgram(model::TMode::Beginner)) ||
        tokenizer.Tokenize() != 1) {
        std::abort();
    }
    MotionProgram program;
    const auto& r = tokenizer.Result();
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), program.image.begin());
    program.variables = sim::FindStepVariables(
        [&tokenizer](std::string_view name) { return tokenizer.FindVariable(name); });
    if (!program.variables) std::abort();
    return program;
}

inline sim::Eeprom MotionImage() { return CompileMotionProgram().image; }

}  // namespace kavrin::bench
