// Tokenizer speed: the generated motion program (the run button's path), a mixed program that
// fills the EEPROM, and runs of declarations, whose cost must grow with their number and no
// faster. Every run also counts heap allocations: a run allocates nothing.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "counting_new.h"
#include "largest_program.h"
#include "tokenizer/tokenizer.h"

namespace {

using namespace kavrin;
using test::Allocations;

// One section of the mixed program: assignments and expressions, every control structure,
// pin, serial and memory instructions, and a comment or two as real programs carry them.
std::string MixedSection(int i) {
    const std::string n = std::to_string(i);
    std::string s = "' section " + n + ": adjust the counter, then report it\r\n";
    s += "counter = counter * 3 + (index << 2) / 7 - " + n + "\r\n";
    s += "IF counter > limit AND ready = 0 THEN\r\n";
    s += "  counter = counter // limit\r\n";
    s += "  SEROUT 15, 84, [\"c=\", DEC counter, CR]\r\n";
    s += "ELSEIF index = " + std::to_string(i % 8) + " THEN\r\n";
    s += "  TOGGLE Led\r\nELSE\r\n  index = index + 1\r\nENDIF\r\n";
    s += "FOR index = 1 TO 3\r\n  HIGH Led : PAUSE 5 : LOW Led\r\n";
    s += "  PULSOUT 12, 650 + index * 10   ' servo pulse\r\nNEXT\r\n";
    s += "SELECT flags\r\n  CASE 1, 3 TO 5\r\n    FREQOUT 4, 100, 2000\r\n";
    s += "  CASE ELSE\r\n    flags = ~flags & $0F\r\nENDSELECT\r\n";
    s += "LOOKUP index, [10, 20, 30, 40], counter\r\n";
    s += "READ table + index, flags\r\n";
    s += "DO WHILE ready = 1 : ready = IN3 : LOOP\r\n";
    s += "DEBUG \"index \", DEC index, CR\r\n";
    return s;
}

// A real mixed program as large as the EEPROM takes: the declarations, then sections for as
// long as the whole still compiles.
std::string MixedSource() {
    std::string head = "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n";
    head += "' A busy program of every kind of statement.\r\n";
    head += "counter VAR Word\r\nindex VAR Byte\r\nflags VAR Nib\r\nready VAR Bit\r\n";
    head += "limit CON 100\r\nLed PIN 5\r\ntable DATA 1, 2, 3, WORD 1000, \"text\"\r\n";
    tokenizer::TTokenizer tokenizer;
    std::string body;
    for (int i = 0;; ++i) {
        const std::string longer = body + MixedSection(i);
        if (!tokenizer.LoadSource(head + longer + "END\r\n") || tokenizer.Tokenize() != 1) break;
        body = longer;
    }
    if (body.empty()) std::abort();  // not even one section compiles: the bench is broken
    return head + body + "END\r\n";
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
        const long before = Allocations();
        benchmark::DoNotOptimize(tokenizer.Tokenize());
        allocations += Allocations() - before;
    }
    state.counters["allocs_per_run"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    state.counters["blocks"] = tokenizer.Result().BlockCount;
    state.counters["chars"] = static_cast<double>(source.size());
}

void BM_TokenizeMotionProgram(benchmark::State& state) {
    static const std::string source = test::LargestMotionProgram(model::TMode::Advanced);
    RunTokenizer(state, source);
}
BENCHMARK(BM_TokenizeMotionProgram)->Unit(benchmark::kMicrosecond);

void BM_TokenizeMixedSource(benchmark::State& state) {
    static const std::string source = MixedSource();
    RunTokenizer(state, source);
}
BENCHMARK(BM_TokenizeMixedSource)->Unit(benchmark::kMicrosecond);

// n CON declarations with distinct names, and a statement that uses the last.
std::string Declarations(int n) {
    std::string s = "'{$KORBLE KR2}\r\n";
    for (int i = 1; i <= n; ++i) {
        s += "C" + std::to_string(i) + " CON " + std::to_string(i) + "\r\n";
    }
    return s + "PAUSE C" + std::to_string(n) + "\r\n";
}

void BM_TokenizeDeclarations(benchmark::State& state) {
    const std::string source = Declarations(static_cast<int>(state.range(0)));
    RunTokenizer(state, source);
}
BENCHMARK(BM_TokenizeDeclarations)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
