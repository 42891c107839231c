// A run of the tokenizer allocates nothing, whatever it compiles and however it ends: every
// table it needs was made with the tokenizer. This program counts the allocations of its whole
// process through its own operator new.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "counting_new.h"
#include "largest_program.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using test::Allocations;
using test::LargestMotionProgram;

std::string DataFile(const char* name) {
    std::ifstream in(std::string(KAVRIN_TEST_DATA) + "/fuzz/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Declarations(int n) {
    std::string s = "'{$KORBLE KR2}\n";
    for (int i = 1; i <= n; ++i) s += "C" + std::to_string(i) + " CON " + std::to_string(i) + "\n";
    return s + "PAUSE C1\n";
}

struct Program {
    std::string name;
    std::string text;
    TokenizeOptions options;
};

// Successes and failures of every phase, KR1 programs and directives-only runs among them.
std::vector<Program> Programs() {
    const std::string kr2v25 = "'{$KORBLE KR2}\n'{$VELIC 2.5}\n";
    std::vector<Program> programs = {
        {"motion, advanced", LargestMotionProgram(model::TMode::Advanced), {}},
        {"motion, beginner", LargestMotionProgram(model::TMode::Beginner), {}},
        {"400 declarations", Declarations(400), {}},
        {"template", DataFile("motion_template.src"), {}},
        {"test program", DataFile("test_program.src"), {}},
        {"conditionals", DataFile("cond_select.src"), {}},
        {"KR1 program", DataFile("kr1_program.src"), {}},
        {"KR1 errors", DataFile("kr1_errors.src"), {}},
        {"directives only", DataFile("directives.src"), {.directivesOnly = true}},
        {"lister error", kr2v25 + "HIGH 1 {\n", {}},
        {"#ERROR", kr2v25 + "#ERROR \"stop here\"\n", {}},
        {"undefined", kr2v25 + "PAUSE Nowhere\n", {}},
        {"full table", Declarations(700), {}},
        {"no module", "HIGH 1\n", {}},
        {"nothing to tokenize", "'{$KORBLE KR2}\nX CON 1\n", {}},
    };
    return programs;
}

TEST(TokenizerAllocation, NoRunAllocates) {
    const std::vector<Program> programs = Programs();
    TTokenizer tokenizer;
    // Twice round, so that a run after any other is counted too.
    for (int round = 0; round < 2; ++round) {
        for (const Program& p : programs) {
            ASSERT_TRUE(tokenizer.LoadSource(p.text)) << p.name;
            const long before = Allocations();
            tokenizer.Tokenize(p.options);
            const long allocations = Allocations() - before;
            EXPECT_EQ(allocations, 0)
                << p.name << " ("
                << (tokenizer.Result().ErrorMessage ? tokenizer.Result().ErrorMessage : "success")
                << ")";
        }
    }
}

TEST(TokenizerAllocation, TheCounterSeesAllocations) {
    const long before = Allocations();
    auto* p = new std::vector<int>(100);
    EXPECT_GE(Allocations() - before, 2);
    delete p;
}

}  // namespace
}  // namespace kavrin::tokenizer
