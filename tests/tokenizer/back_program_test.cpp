// Whole programs through Tokenize: the stream layout, the GOSUB table, blocks and repeatability.

#include <gtest/gtest.h>

#include <string>

#include "back_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/statements.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using namespace test;

TEST(Program, EndOnlyFillsSlotZeroAndTwoTokens) {
    ASSERT_EQ(Compile("END"), 0);
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(StreamString(r, 0, 28), A(14) + T(0) + T(0));
    EXPECT_EQ(r.EepromUse[2044] & 3, 3);
    EXPECT_EQ(r.EepromUse[2043], 128);  // free, but sent with its row
    ASSERT_EQ(r.BlockCount, 1);
    EXPECT_EQ(r.Blocks[0][0], 255);
    unsigned sum = 0;
    for (std::uint8_t b : r.Blocks[0]) sum += b;
    EXPECT_EQ(sum % 256, 0u);
}

TEST(Program, DeclarationsOnlyIsNothingToTokenize) {
    EXPECT_EQ(Compile("x VAR Byte\ny CON 3\n"), 157);
}

TEST(Program, GosubTableHasASlotPerGosubAndReturnAddresses) {
    ASSERT_EQ(Compile("GOSUB Sub\nEND\nSub: RETURN"), 0);
    const TTokenizerResult& r = TokenizerResult();
    // Slot 0 -> 28; GOSUB at 28: T(10), number 1, A(Sub); return address 28 + 7 + 8 + 14 = 57.
    const unsigned sub = 57 + 7;  // behind END
    EXPECT_EQ(StreamString(r, 0, 28), A(28) + A(57));
    EXPECT_EQ(StreamString(r, 28, 29 + 7 + 7 + 7),
              T(10) + Bits(1, 8) + A(sub) + T(0) + T(11) + T(0));
}

TEST(Program, TwoHundredFiftyFiveGosubsFillTheTableAndOneMoreIs145) {
    std::string body;
    for (int i = 0; i < 255; ++i) body += "GOSUB S\n";
    ASSERT_EQ(Compile(body + "S: RETURN"), 0) << TokenizerResult().ErrorMessage;
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(StreamString(r, 0, 14), A(256 * 14));  // 3,584 bits = 448 bytes of table
    EXPECT_EQ(StreamString(r, 3584, 7 + 8), T(10) + Bits(1, 8));
    EXPECT_EQ(Compile(body + "GOSUB S\nS: RETURN"), 145);
}

TEST(Program, ForwardReferenceToAMissingLabelIs111AtTheReference) {
    EXPECT_EQ(Compile("GOTO Nowhere\n"), 111);
    EXPECT_EQ(ErrorText(), "Nowhere");
}

TEST(Program, MoreForwardReferencesThanTheFixupListHoldsAreRefused) {
    std::string labels;
    for (int i = 0; i < 1025; ++i) labels += i ? ",L" : "L";
    EXPECT_EQ(Compile("BRANCH 0, [" + labels + "]\nL: END"), 127);
    // 1,024 of them still fit.
    EXPECT_EQ(Compile("BRANCH 0, [" + labels.substr(2) + "]\nL: END"), 0);
}

TEST(Program, DataRowsComeBeforeProgramRows) {
    ASSERT_EQ(Compile("DATA 1, 2\nDATA @100, \"AB\"\nEND"), 0);
    const TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(r.BlockCount, 3);
    EXPECT_EQ(r.Blocks[0][0], 128);
    EXPECT_EQ(r.Blocks[0][1], 1);
    EXPECT_EQ(r.Blocks[0][2], 2);
    EXPECT_EQ(r.Blocks[1][0], 128 + 6);
    EXPECT_EQ(r.Blocks[1][5], 'A');  // address 100 is byte 4 of row 6
    EXPECT_EQ(r.Blocks[2][0], 255);
}

TEST(Program, DataAtTheTopByteCollidesWithCode124AtTheItem) {
    EXPECT_EQ(Compile("DATA @2047, 77\nEND"), 124);
    EXPECT_EQ(ErrorText(), "77");
}

TEST(Program, TokenizingTwiceGivesTheSameImageUseAndBlocks) {
    const std::string body =
        "x VAR Word\nDATA \"hello\", WORD 1000\nDO\n x = x + 1\n IF x > 10 THEN EXIT\nLOOP\n"
        "DEBUG DEC x, CR\nEND";
    ASSERT_EQ(Compile(body), 0);
    const TTokenizerResult first = TokenizerResult();
    ASSERT_EQ(Compile("HIGH 3\nDATA @1, 9"), 0);  // something different in between
    ASSERT_EQ(Compile(body), 0);
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(r.EepromImage, first.EepromImage);
    EXPECT_EQ(r.EepromUse, first.EepromUse);
    EXPECT_EQ(r.BlockCount, first.BlockCount);
    EXPECT_EQ(r.Blocks, first.Blocks);
    EXPECT_EQ(r.DebugUsed, 1);
}

TEST(Program, OpenBlocksAreReportedAtTheirOpenerIn25Only) {
    EXPECT_EQ(Compile("FOR B0 = 1 TO 3\nEND"), 169);
    EXPECT_EQ(ErrorText(), "FOR");
    EXPECT_EQ(Compile("FOR B0 = 1 TO 3\nEND", kKR2v20), 0);
    EXPECT_EQ(Compile("IF B0 = 1 THEN\nEND"), 168);
    EXPECT_EQ(Compile("DO\nEND"), 170);
    EXPECT_EQ(Compile("SELECT B0\nCASE 1\nEND"), 184);
}

TEST(Program, ListingRecordsWhereEachStatementStarts) {
    ASSERT_EQ(Compile("HIGH 1 : LOW 2\nEND"), 0);
    const TTokenizerResult& r = TokenizerResult();
    const auto At = [&r](int i) { return r.StatementStarts[static_cast<std::size_t>(i)]; };
    ASSERT_EQ(r.StatementCount, 3);
    const int header = static_cast<int>(std::string(kKR2v25).size());
    EXPECT_EQ(At(0).source, header);
    EXPECT_EQ(At(0).code, 14);
    EXPECT_EQ(At(1).source, header + 9);
    EXPECT_EQ(At(1).code, 14 + static_cast<int>((K(1) + T(5)).size()));
    EXPECT_EQ(At(2).code, At(1).code + static_cast<int>((K(2) + T(7)).size()));
}

}  // namespace
}  // namespace kavrin::tokenizer
