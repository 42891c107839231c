// Tokenizer speed: the generated motion program (the run button's path) and a large source of
// mixed statements. Every run also counts heap allocations: a run allocates nothing.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/action_program.h"
#include "tokenizer/tokenizer.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Counting replacement of the global allocator; GCC cannot see that new and delete here pair up.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace kavrin;

void AddStep(model::TActionProgram& p, int list, std::uint8_t kind, int value) {
    const int row = ++p.Count(list);
    model::TBotAction& step = p.Step(list, row);
    step.kind = kind;
    step.value = static_cast<std::int16_t>(value);
    step.sensors = {0, 2, 0};
}

// The worked example of the code generator, with the main list run up to 255 steps.
std::string MotionProgram() {
    model::TActionProgram program;
    for (int i = 0; i < model::kMaxSteps; ++i)
        AddStep(program, model::kMainList, static_cast<std::uint8_t>(i % 7), 10 + i % 40);
    AddStep(program, model::kSensorSetAll, model::akBackward, 10);
    AddStep(program, model::kSensorSetAll, model::akRotateRight, 15);
    AddStep(program, model::kSensorSet2, model::akStopWait, 5);
    codegen::TProgramText text;
    if (!codegen::BuildCode(program, model::TMode::Advanced, true, text).ok) std::abort();
    return text.WholeText();
}

// About 60,000 characters: declarations, DATA, every control structure, expressions, serial
// and memory instructions, and the comments that real programs carry.
std::string MixedSource() {
    std::string s = "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n";
    s += "counter VAR Word\r\nindex VAR Byte\r\nflags VAR Nib\r\nready VAR Bit\r\n";
    s += "limit CON 100\r\nLed PIN 5\r\ntable DATA 1, 2, 3, WORD 1000, \"text\"\r\n";
    const std::string pad(70, '-');
    for (int i = 0; s.size() < 59000; ++i) {
        const std::string n = std::to_string(i);
        s += "' section " + n + " " + pad + "\r\n";
        if (i % 3 != 0) {
            s += "' " + pad + pad + "\r\n";
            continue;
        }
        switch (i / 3 % 6) {
            case 0: s += "counter = counter + " + n + " * 3 / (index + 1)   ' arithmetic " + pad + "\r\n"; break;
            case 1: s += "IF counter > limit AND ready = 0 THEN counter = 0 ELSE index = index + 1\r\n"; break;
            case 2: s += "FOR index = 1 TO 3 : HIGH Led : PAUSE 5 : LOW Led : NEXT   ' blink " + pad + "\r\n"; break;
            case 3: s += "SELECT flags\r\n  CASE 1, 3 TO 5\r\n    TOGGLE Led\r\n  CASE ELSE\r\n    flags = 0\r\nENDSELECT\r\n"; break;
            case 4: s += "READ table + index, flags   ' table look-up " + pad + "\r\n"; break;
            case 5: s += "DO WHILE ready = 1 : ready = IN3 : LOOP   ' wait " + pad + "\r\n"; break;
        }
        s += "' " + pad + pad + "\r\n";
    }
    s += "END\r\n";
    return s;
}

void RunTokenizer(benchmark::State& state, const std::string& source) {
    tokenizer::TTokenizer tokenizer;
    if (!tokenizer.LoadSource(source) || !tokenizer.Tokenize()) {
        state.SkipWithError(tokenizer.Result().ErrorMessage);
        return;
    }
    long allocations = 0;
    for (auto _ : state) {
        tokenizer.LoadSource(source);
        const long before = g_allocations.load(std::memory_order_relaxed);
        benchmark::DoNotOptimize(tokenizer.Tokenize());
        allocations += g_allocations.load(std::memory_order_relaxed) - before;
    }
    state.counters["allocs_per_run"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    state.counters["blocks"] = tokenizer.Result().BlockCount;
    state.counters["chars"] = static_cast<double>(source.size());
}

void BM_TokenizeMotionProgram(benchmark::State& state) {
    static const std::string source = MotionProgram();
    RunTokenizer(state, source);
}
BENCHMARK(BM_TokenizeMotionProgram)->Unit(benchmark::kMicrosecond);

void BM_TokenizeMixedSource(benchmark::State& state) {
    static const std::string source = MixedSource();
    RunTokenizer(state, source);
}
BENCHMARK(BM_TokenizeMixedSource)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
