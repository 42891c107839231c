// libFuzzer target: any action program record is loaded, shown and generated without a crash,
// and a generated text either tokenizes or fails with a numbered message.
//
// The first byte picks the mode (bit 0) and the sensor option (bit 1). What follows is either
//   - a whole record, when it begins with the record's signature (a .kvn file, as the seeds in
//     tests/data/fuzz-kvn are): cut at 9,240 bytes, or completed with the bytes of an empty
//     record, so that a short one ends its lists where it ends; or
//   - a compact program: the two servo centres, then three bytes a step (compact_program.h),
//     expanded into the program, written as its record and read back, which must give the same
//     program.
// The compact form keeps inputs small and puts every mutated byte on a step's meaning.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codegen/code_generator.h"
#include "compact_program.h"
#include "model/kvn_file.h"
#include "resources/resources.h"
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

bool BeginsWithSignature(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = sizeof(model::kSignatureText) - 1;
    return size > length && data[0] == length &&
           std::memcmp(data + 1, model::kSignatureText, length) == 0;
}

// The compact form: the servo centres, then the steps.
void Expand(const std::uint8_t* data, std::size_t size, model::TActionProgram& program) {
    fuzz::ExpandSteps(size >= 2 ? data + 2 : data, size >= 2 ? size - 2 : 0, program);
    if (size >= 1) program.leftServoCenter = data[0];
    if (size >= 2) program.rightServoCenter = data[1];
}

// The objects every input reuses.
struct Reused {
    model::TActionProgram expanded;
    model::TActionProgram program;
    model::TRecordBytes emptyRecord =
        model::EncodeRecord(model::TActionProgram{}, model::TMode::Advanced);
    model::TRecordBytes record{};
    // The motion template, loaded once (BuildCode loads it and fills it; this fills a copy).
    codegen::TProgramText motionTemplate = LoadedTemplate();
    tokenizer::TTokenizer tokenizer;
    // The program generated last, and the text the tokenizer was given last. Many mutations
    // leave the program as it was (a byte the encoding ignores, a step for a full list), or its
    // text (a sensor set in Beginner mode); the generator's run is a function of the program and
    // the mode, the tokenizer's of its text, so neither is run again on what it has just checked.
    model::TActionProgram lastProgram;
    std::uint8_t lastFlags = 0;
    bool anyProgram = false;
    std::array<char, tokenizer::kMaxSourceLength> lastSource{};
    std::size_t lastLength = 0;
    bool anySource = false;

    bool SameAsLast(const std::string& source) const {
        return anySource && source.size() == lastLength &&
               std::memcmp(source.data(), lastSource.data(), lastLength) == 0;
    }
    void Remember(const std::string& source) {
        std::memcpy(lastSource.data(), source.data(), source.size());
        lastLength = source.size();
        anySource = true;
    }

    static codegen::TProgramText LoadedTemplate() {
        codegen::TProgramText t;
        t.LoadTextResource(resources::kMotionTemplateId);
        return t;
    }
};

}  // namespace

// A run frees some 50 KB; a quarantine of 32 MB still keeps every block freed in the last several
// hundred runs poisoned, and spares each allocation a cold page of ASan's default 256 MB.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static Reused* const reused = new Reused;  // never freed: it outlives every input
    Reused& r = *reused;
    const std::uint8_t flags = data[0];
    const model::TMode mode = (flags & 1) ? model::TMode::Advanced : model::TMode::Beginner;
    const bool sensors = (flags & 2) != 0;
    ++data;
    --size;

    if (BeginsWithSignature(data, size)) {
        r.record = r.emptyRecord;
        std::copy_n(data, std::min(size, r.record.size()), r.record.begin());
        if (!model::DecodeRecord(r.record, mode, r.program).ok) return 0;
    } else {
        Expand(data, size, r.expanded);
        r.record = model::EncodeRecord(r.expanded, mode);
        const model::TFileResult decoded = model::DecodeRecord(r.record, mode, r.program);
        // Kinds and sensor sets are all in range, so the record the program makes is read back.
        Check(decoded.ok && fuzz::SameProgram(r.expanded, r.program));
    }
    Check(Show(r.program) > 0 || r.program.Count(model::kMainList) == 0);
    if (r.anyProgram && (flags & 3) == r.lastFlags && fuzz::SameProgram(r.program, r.lastProgram))
        return 0;
    r.lastProgram = r.program;
    r.lastFlags = flags & 3;
    r.anyProgram = true;

    // A copy for this run: what a run allocates it frees, as libFuzzer's leak check expects (a
    // run that ends with more blocks than it began with is run again, and the heap scanned).
    codegen::TProgramText text = r.motionTemplate;
    if (!codegen::FillTemplate(r.program, mode, sensors, text).ok) return 0;
    std::string source;
    if (!text.TextForTokenizer(source).ok) return 0;

    if (r.SameAsLast(source)) return 0;
    r.Remember(source);
    Check(r.tokenizer.LoadSource(source));
    const tokenizer::TTokenizerResult& result = r.tokenizer.Result();
    if (r.tokenizer.Tokenize() == 1) {
        Check(result.BlockCount > 0 && result.BlockCount <= tokenizer::kMaxBlocks);
    } else {
        Check(IsNumbered(result.ErrorMessage));
    }
    return 0;
}
