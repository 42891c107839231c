#pragma once
// The largest program Kavrin generates: the main list run up to 255 steps of all seven kinds
// with the sensors on and, in Advanced mode, a few steps in the sensor sets. The tokenizer's
// bench and allocation test and the simulator's benches run it. Aborts if it is not generated.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/action_program.h"

namespace kavrin::test {

inline void AddStep(model::TActionProgram& p, int list, std::uint8_t kind, int value) {
    const int row = ++p.Count(list);
    model::TBotAction& step = p.Step(list, row);
    step.kind = kind;
    step.value = static_cast<std::int16_t>(value);
    step.sensors = {0, 2, 0};
}

inline std::string LargestMotionProgram(model::TMode mode) {
    model::TActionProgram program;
    for (int i = 0; i < model::kMaxSteps; ++i) {
        AddStep(program, model::kMainList, static_cast<std::uint8_t>(i % 7), 10 + i % 40);
    }
    if (mode == model::TMode::Advanced) {
        AddStep(program, model::kSensorSetAll, model::akBackward, 10);
        AddStep(program, model::kSensorSetAll, model::akRotateRight, 15);
        AddStep(program, model::kSensorSet2, model::akStopWait, 5);
    }
    codegen::TProgramText text;
    if (!codegen::BuildCode(program, mode, true, text).ok) std::abort();
    return text.WholeText();
}

}  // namespace kavrin::test
