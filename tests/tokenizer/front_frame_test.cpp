// The frame: flags, the result record after success and failure, the message area.

#include <gtest/gtest.h>

#include <cstring>

#include "front_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

TEST(TokenizerFrame, EmptyTextInEachFlagCombination) {
    TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(Directives(""), 0);
    EXPECT_EQ(r.ModuleKind, 0);
    EXPECT_EQ(r.LanguageVersion, 200);
    EXPECT_EQ(r.PortName, nullptr);

    LoadSource("");
    r.ModuleKind = 4;
    EXPECT_EQ(Tokenize({.directivesOnly = true, .useModuleDirective = false}), 1)
        << "a preset module survives a directives-only run";
    EXPECT_EQ(r.ModuleKind, 4);

    EXPECT_EQ(Full(""), 156);
    EXPECT_EQ(r.ErrorPos, 0);
    EXPECT_EQ(r.ErrorLength, 0);

    LoadSource("");
    r.ModuleKind = 2;
    EXPECT_EQ(Tokenize({.useModuleDirective = false}), 0);
    EXPECT_EQ(ErrorNumber(), 157) << "no block is built";
}

TEST(TokenizerFrame, MissingModuleIs156AtPositionZero) {
    TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(Full("HIGH 1\nEND\n"), 156);
    EXPECT_EQ(r.ErrorPos, 0);
    EXPECT_EQ(r.ErrorLength, 0);
    EXPECT_EQ(r.Success, 0);
}

TEST(TokenizerFrame, Kr1GoesToItsOwnTokenizer) {
    TTokenizerResult& r = TokenizerResult();
    const std::string text = "' {$KORBLE KR1}\nHIGH 1\n";
    EXPECT_EQ(Directives(text), 0) << "directives alone are fine";
    EXPECT_EQ(r.ModuleKind, 1);
    EXPECT_EQ(r.LanguageVersion, 100);
    EXPECT_EQ(Full(text), 0);
    EXPECT_EQ(r.BlockCount, 1);
    EXPECT_EQ(Full("' {$KORBLE KR1}\nHIGH 1 2\n"), 129);
    EXPECT_EQ(r.ErrorPos, static_cast<int>(text.find("1\n") + 2));
    EXPECT_EQ(r.BlockCount, 0);
}

TEST(TokenizerFrame, ErrorMessageEndsOnTheLastByteOfTheSourceBuffer) {
    TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(Full(std::string(kKr2) + "X = {\n"), 103);
    ASSERT_NE(r.ErrorMessage, nullptr);
    EXPECT_STREQ(r.ErrorMessage, "103-Unrecognized character");
    EXPECT_EQ(r.ErrorMessage + std::strlen(r.ErrorMessage),
              r.SourceText.data() + kSourceBufferSize - 1);
    EXPECT_EQ(r.ErrorPos, static_cast<int>(kKr2.size() + 4));
    EXPECT_EQ(r.ErrorLength, 1);
}

TEST(TokenizerFrame, MessagesAreQuotedExactly) {
    EXPECT_STREQ(ErrorText(156), "156-Unknown target module.  $KORBLE directive not found");
    EXPECT_STREQ(ErrorText(102), "102-Expected terminating \"");
    EXPECT_STREQ(ErrorText(118), "118-Expected '\\'");
    EXPECT_STREQ(ErrorText(203),
                 "203-Expected '}'.  Can not specify more than 7 additional project files.");
    EXPECT_STREQ(ErrorText(199), "199-");
    for (int missing : {202, 205, 206, 207, 209, 217, 233, 100, 246}) {
        EXPECT_EQ(ErrorText(missing), nullptr) << missing;
    }
    int count = 0;
    for (int n = 101; n <= 232; ++n) {
        if (const char* text = ErrorText(n)) {
            ++count;
            EXPECT_EQ(std::atoi(text), n);
            EXPECT_EQ(text[3], '-');
        }
    }
    EXPECT_EQ(count, 119);
}

TEST(TokenizerFrame, AnOversizedLengthInTheRecordIsRefused) {
    TTokenizerResult& r = TokenizerResult();
    LoadSource("' {$KORBLE KR2}\n");
    r.SourceLength = 70000;
    EXPECT_EQ(Tokenize({.directivesOnly = true}), 0);
    EXPECT_EQ(ErrorNumber(), 107);
    r.SourceLength = -1;
    EXPECT_EQ(Tokenize({.directivesOnly = true}), 0) << "a negative length is no empty text";
    EXPECT_EQ(ErrorNumber(), 107);
    EXPECT_FALSE(LoadSource(std::string(kMaxSourceLength + 1, ' ')));
    EXPECT_TRUE(LoadSource(std::string(kMaxSourceLength, ' ')));
}

TEST(TokenizerFrame, StaleBlocksDoNotOutliveARun) {
    TTokenizerResult& r = TokenizerResult();
    r.BlockCount = 5;
    EXPECT_EQ(Directives(kKr2), 0);
    EXPECT_EQ(r.BlockCount, 0);
}

TEST(TokenizerFrame, AFailedRunLeavesNoListingBehind) {
    const TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(Full(std::string(kKr2) + "HIGH 1\n"), 0);
    EXPECT_EQ(r.StatementCount, 1);
    EXPECT_GT(r.CodeBits, 0);
    ASSERT_NE(Full(std::string(kKr2) + "HIGH\n"), 0);
    EXPECT_EQ(r.StatementCount, 0);
    EXPECT_EQ(r.CodeBits, 0);
}

TEST(TokenizerFrame, AnInternalFaultIsNamedInTheMessage) {
    TTokenizer tokenizer;
    TTokenizerResult& r = tokenizer.Result();
    r.Success = 1;
    RecordInternalError(r, "vector::at");
    EXPECT_EQ(r.Success, 0);
    EXPECT_STREQ(r.ErrorMessage, "000-Internal tokenizer error: vector::at");
    EXPECT_EQ(r.ErrorMessage + std::strlen(r.ErrorMessage), &r.SourceText.back());
    RecordInternalError(r, std::string(2 * kMessageAreaSize, 'x'));
    EXPECT_EQ(std::strlen(r.ErrorMessage), kMessageAreaSize - 1) << "cut to the message area";
}

TEST(TokenizerFrame, RunsAreRepeatable) {
    const std::string text =
        std::string(kKr2v25) + "#DEFINE A = 2\n#IF A = 2 #THEN\nHIGH 1\n#ENDIF\n";
    ASSERT_EQ(FrontEnd(text), 0);
    const std::string first = LiveText();
    ASSERT_EQ(FrontEnd(text), 0);
    EXPECT_EQ(LiveText(), first);
    EXPECT_EQ(first, "HIGH 1 |");
}

}  // namespace
}  // namespace kavrin::tokenizer
