#pragma once
// The benches' workload: the generated 255-step motion program (all seven kinds of step, with
// the sensors on), compiled to the module's EEPROM image. Aborts if it does not compile.

#include <algorithm>
#include <cstdlib>

#include "largest_program.h"
#include "sim/processor.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::bench {

inline sim::Eeprom MotionImage() {
    tokenizer::TTokenizer tokenizer;
    if (!tokenizer.LoadSource(test::LargestMotionProgram(model::TMode::Beginner)) ||
        tokenizer.Tokenize() != 1) {
        std::abort();
    }
    sim::Eeprom image{};
    const auto& r = tokenizer.Result();
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), image.begin());
    return image;
}

}  // namespace kavrin::bench
