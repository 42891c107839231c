#pragma once
// The benches' workload: the generated 255-step motion program (all seven kinds of step, with
// the sensors on), compiled to the module's EEPROM image. Aborts if it does not compile.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/action_program.h"
#include "sim/processor.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::bench {

inline sim::Eeprom MotionImage() {
    model::TActionProgram program;
    for (int i = 0; i < model::kMaxSteps; ++i) {
        const int row = ++program.Count(model::kMainList);
        model::TBotAction& step = program.Step(model::kMainList, row);
        step.kind = static_cast<std::uint8_t>(i % 7);
        step.value = static_cast<std::int16_t>(10 + i % 40);
    }
    codegen::TProgramText text;
    if (!codegen::BuildCode(program, model::TMode::Beginner, true, text).ok) std::abort();
    tokenizer::TTokenizer tokenizer;
    if (!tokenizer.LoadSource(text.WholeText()) || tokenizer.Tokenize() != 1) std::abort();
    sim::Eeprom image{};
    const auto& r = tokenizer.Result();
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), image.begin());
    return image;
}

}  // namespace kavrin::bench
