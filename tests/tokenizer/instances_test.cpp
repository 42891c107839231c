// Tokenizer instances share nothing: two threads compiling different programs each get exactly
// what a lone run gives. Run under -DKAVRIN_SANITIZE=thread this is also the data-race check.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(KAVRIN_TEST_DATA) + "/fuzz/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Compiled {
    int ok = 0;
    std::string error;
    std::array<std::uint8_t, kEepromSize> image{};
};

Compiled Compile(TTokenizer& t, const std::string& text) {
    EXPECT_TRUE(t.LoadSource(text));
    Compiled c;
    c.ok = t.Tokenize();
    c.error = t.Result().ErrorMessage ? t.Result().ErrorMessage : "";
    c.image = t.Result().EepromImage;
    return c;
}

TEST(TokenizerInstances, TwoThreadsCompileTwoProgramsAsALoneRunDoes) {
    // One program that compiles and one that fails deep in the statements.
    const std::string texts[2] = {ReadData("motion_template.src"),
                                  ReadData("program20.src") + "\r\nGOTO nowhere\r\n"};
    Compiled expected[2];
    for (int i = 0; i < 2; ++i) {
        const auto lone = std::make_unique<TTokenizer>();
        expected[i] = Compile(*lone, texts[i]);
    }
    ASSERT_EQ(expected[0].ok, 1) << expected[0].error;
    ASSERT_EQ(expected[1].ok, 0);

    constexpr int kRuns = 20;
    int mismatches[2] = {0, 0};
    const auto work = [&](int i) {
        const auto own = std::make_unique<TTokenizer>();
        for (int run = 0; run < kRuns; ++run) {
            const Compiled got = Compile(*own, texts[i]);
            if (got.ok != expected[i].ok || got.error != expected[i].error ||
                got.image != expected[i].image) {
                ++mismatches[i];
            }
        }
    };
    std::thread first(work, 0);
    std::thread second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(mismatches[0], 0);
    EXPECT_EQ(mismatches[1], 0);
}

}  // namespace
}  // namespace kavrin::tokenizer
