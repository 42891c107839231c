// libFuzzer target: any action program record is loaded, shown and generated without a crash,
// and a generated text either tokenizes or fails with a numbered message. The first byte picks
// the mode and the sensor option; the rest is the 9,240-byte record (cut or padded with zeros).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "codegen/code_generator.h"
#include "model/kvn_file.h"
#include "tokenizer/tokenizer.h"

namespace {

using namespace kavrin;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsNumbered(const char* message) {
    return message != nullptr && message[0] >= '0' && message[0] <= '9' && message[3] == '-';
}

// What `show` prints, into a buffer: every step's letter and sensor sets are looked up.
std::size_t Show(const model::TActionProgram& program) {
    std::size_t total = 0;
    char line[64];
    for (int list = 1; list <= model::kListCount; ++list) {
        for (int k = 1; k <= program.Count(list); ++k) {
            const model::TBotAction& step = program.Step(list, k);
            total += static_cast<std::size_t>(std::snprintf(
                line, sizeof line, "%d.%d %c %d %d %d %d", list, k,
                model::kActionKinds[step.kind].letter, step.value, step.sensors[model::scBoth],
                step.sensors[model::scLeft], step.sensors[model::scRight]));
        }
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const model::TMode mode = (flags & 1) ? model::TMode::Advanced : model::TMode::Beginner;
    const bool sensors = (flags & 2) != 0;

    model::TRecordBytes record{};
    std::copy_n(data + 1, std::min(size - 1, record.size()), record.begin());
    model::TActionProgram program;
    if (!model::DecodeRecord(record, mode, program).ok) return 0;
    Check(Show(program) > 0 || program.Count(model::kMainList) == 0);

    codegen::TProgramText text;
    if (!codegen::BuildCode(program, mode, sensors, text).ok) return 0;
    std::string source;
    if (!text.TextForTokenizer(source).ok) return 0;

    static const auto tokenizer = std::make_unique<tokenizer::TTokenizer>();
    Check(tokenizer->LoadSource(source));
    const tokenizer::TTokenizerResult& r = tokenizer->Result();
    if (tokenizer->Tokenize() == 1) {
        Check(r.BlockCount > 0 && r.BlockCount <= tokenizer::kMaxBlocks);
    } else {
        Check(IsNumbered(r.ErrorMessage));
    }
    return 0;
}
