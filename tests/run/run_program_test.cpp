// A run: source text through the tokenizer to the robot behind the link, and the ways it stops
// before any program byte is sent.

#include <gtest/gtest.h>

#include <stop_token>

#include "language_scope.h"
#include "link/target_link.h"
#include "link_fakes.h"
#include "resources/ui_strings.h"
#include "run/run_program.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::test {
namespace {

class RunTest : public ::testing::Test, protected FakeLinkRig {};

TEST_F(RunTest, TokenizedProgramLandsInTheRobotAsTheTokenizerImagedIt) {
    const std::string source = "' {$KORBLE KR2}\r\nx VAR Word\r\nDATA 1, 2, 3\r\nx = 300\r\nEND";
    auto& l = Link({"SIM"});
    tokenizer::TTokenizer tokenizer;
    const auto outcome = run::RunProgram(l, tokenizer, source, {}, observer);
    ASSERT_EQ(outcome.status, run::RunStatus::Delivered) << outcome.message;
    const auto& result = tokenizer.Result();
    EXPECT_EQ(outcome.blocksSent, result.BlockCount);
    ASSERT_GE(result.BlockCount, 2);
    for (std::size_t b = 0; b < result.BlockCount; ++b) {
        const std::size_t row = result.Blocks[b][0] - 0x80u;
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(Module().Eeprom()[row * 16 + i], result.EepromImage[row * 16 + i]);
        }
    }
}

TEST_F(RunTest, TokenizerErrorStopsBeforeTheProgressWindow) {
    const TLanguageScope english(resources::TLanguage::English);
    auto& l = Link({"SIM"});
    tokenizer::TTokenizer tokenizer;
    const auto outcome =
        run::RunProgram(l, tokenizer, "' {$KORBLE KR2}\r\nGOTO nowhere\r\n", {}, observer);
    EXPECT_EQ(outcome.status, run::RunStatus::TokenizeFailed);
    EXPECT_EQ(outcome.tokenizerError, "111-Undefined label");
    EXPECT_EQ(outcome.portSlot, link::kNoPortSlot);
    EXPECT_EQ(outcome.uiString, resources::str::kTokenizeFailed);
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Error! Tokenization Failed!"});
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_EQ(observer.opened, 0);
    EXPECT_EQ(Module().Identifications(), 0);
}

TEST_F(RunTest, Kr1ProgramIsNeverSent) {
    auto& l = Link({"SIM"});
    tokenizer::TTokenizer tokenizer;
    const auto outcome =
        run::RunProgram(l, tokenizer, "' {$KORBLE KR1}\r\nHIGH 1\r\n", {}, observer);
    EXPECT_EQ(outcome.status, run::RunStatus::TokenizeFailed);
    EXPECT_EQ(Module().Identifications(), 0);
}

TEST_F(RunTest, OverlongSourceIsATokenizationFailure) {
    auto& l = Link({"SIM"});
    const std::string huge(tokenizer::kMaxSourceLength + 1, ' ');
    tokenizer::TTokenizer tokenizer;
    const auto outcome = run::RunProgram(l, tokenizer, huge, {}, observer);
    EXPECT_EQ(outcome.status, run::RunStatus::TokenizeFailed);
    EXPECT_TRUE(outcome.sourceTooLong);
}

TEST_F(RunTest, AStoppedRunProbesNoPortAndSaysSo) {
    auto& l = Link({"COM1", "SIM"});
    tokenizer::TTokenizer tokenizer;
    std::stop_source source;
    source.request_stop();
    const auto outcome = run::RunProgram(
        l, tokenizer, "' {$KORBLE KR2}\r\nEND",
        {.port = link::kAutoPort, .keepOpen = false, .stop = source.get_token()}, observer);
    EXPECT_EQ(outcome.status, run::RunStatus::Stopped);
    EXPECT_TRUE(observer.started.empty());
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_EQ(Module().Identifications(), 0);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

}  // namespace
}  // namespace kavrin::test
